// The document commands that ask for a wave format: New (1050), Open As (116) and Append (135), and the
// raw PCM question of the file reader, all through the new-wave dialog (document_commands_win.cpp).
#pragma once

namespace shell {

// Registers New, Open As and Append and the cue and play list windows (marker_windows.h), and gives the
// reader its raw-format dialog. Called once the file filters are scanned and the reader exists.
void registerDocumentCommands();

}  // namespace shell
