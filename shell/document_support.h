// Document support of the program: fills the shell's hooks and registers the file commands and Undo
// (document_support_win.cpp). Called once before the main window is created.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace document {
class DocumentReader;
class WaveDocument;
class InternalClipboard;
class SystemClipboard;
struct DocumentHost;
struct EditRange;
struct EditResult;
struct EditUi;
}  // namespace document

namespace shell {

void installDocumentSupport();
// The edit commands (edit_commands_win.cpp); installed with the document support.
void registerEditCommands();

// For the command handlers: the current document (null without one), the display window, the reader the
// documents open and save with, and what the display and title must do after an edit.
document::WaveDocument* currentDocument();
// Where the current document is kept, for the commands that replace it or append to it.
std::unique_ptr<document::WaveDocument>& currentDocumentSlot();
void* currentDisplay();
document::DocumentReader* currentReader();
void applyEditResult(const document::EditResult& result);
// The open dialog over the reading filters: a directory followed by names for several files, else one full
// path; empty when cancelled.
std::vector<std::string> showOpenDialog(const char* title);
// For the dialog commands (window_commands.h): the document host, the selection and edit channel as the
// edit commands see them, their message boxes and progress, and the two clipboards.
document::DocumentHost* currentHost();
document::EditRange currentEditRange();
document::EditUi currentEditUi();
document::InternalClipboard* currentInternalClipboard();
document::SystemClipboard* currentSystemClipboard();
// After a change of the time formats or the vertical scale in the settings: the rulers and status fields.
void applyTimeSettings();
// The main window title for the current document ("Sorn Edit" without one).
std::string currentDocumentTitle();

}  // namespace shell
