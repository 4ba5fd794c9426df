// Document support of the program: the store's start and end, the current document, its child windows of
// the main window, the file commands and Undo, and the main-window messages about them
// (document_support_win.cpp). The routing table (subsystems_win.cpp) names its message handlers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "shell/command_line.h"

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

// What the store's start needs.
struct VfInitArgs {
  std::string tempDir, undoTempDir;
  int64_t reserve1Bytes = 0, reserve2Bytes = 0;
  int32_t cacheSizeKB = 0;  // 0: use the system's cache
  void* notifyWindow = nullptr;
};

struct DocumentOpenResult {
  bool opened = false;
  bool hasSamples = false;
  int64_t lengthFrames = 0;
};

// The document support's part in start-up and shut-down, in the order the shell calls them.
namespace documents {
int startStore(const VfInitArgs& args);  // 0, or the store's start error
bool allocTransferBuffer();
void scanFileFilters();
void registerCommands();
DocumentOpenResult open(const std::string& name);  // the command line's file
void attach(const SampleRegion& region);           // the current document to the display, selecting region
bool askToSave();                                  // false when the user cancels
bool clipModeClose();  // /CLIP: copy to the clipboard; false to fall back to asking
bool autosaveClose();  // /AUTOSAVE: save; false to fall back to asking
void closeDocument();  // keeping the peak file when unchanged
void releaseStore();
}  // namespace documents
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
// A paste with no document: makes a new "Untitled" document in the clip's format current and shows it;
// null (after a message) when there is no room for it.
document::WaveDocument* newDocumentForClip(const document::WaveDocument& clip);
// After a change of the time formats or the vertical scale in the settings: the rulers and status fields.
void applyTimeSettings();
// The main window title for the current document ("Sorn Edit" without one).
std::string currentDocumentTitle();

}  // namespace shell
