// Document support of the program: fills the shell's hooks and registers the file commands and Undo
// (document_support_win.cpp). Called once before the main window is created.
#pragma once

#include <string>

namespace shell {

void installDocumentSupport();
// The main window title for the current document ("Sorn Edit" without one).
std::string currentDocumentTitle();

}  // namespace shell
