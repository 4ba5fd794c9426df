// Opening, creating, saving, flushing and closing wave documents, and the titles that follow them. These
// are the commands' logic without their windows: the file dialogs, message boxes and progress come
// through DocumentHost, the file formats through DocumentReader.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "document/document_host.h"
#include "document/wave_document.h"

namespace document {

constexpr const char* kProductName = "Sorn Edit";
constexpr const char* kUntitled = "Untitled";

// File-list flags.
constexpr uint32_t kListComplete = 0x1;
constexpr uint32_t kListUntitled = 0x8;
constexpr uint32_t kListAutoIdentify = 0x10;
constexpr uint32_t kListNoCueRefresh = 0x20;
constexpr uint32_t kListConvert = 0x40;
constexpr uint32_t kListAppend = 0x80;
constexpr uint32_t kListReload = 0x400;  // Re-Open: each file's title reads "Re-Loading <file>"

// The file part of a path (after the last '\\', '/' or ':').
std::string FilePart(const std::string& path);
// The main window title: "<text> - Sorn Edit", with "*" right before " - " when modified.
std::string MainWindowTitle(const std::string& text, bool modified);
// The title text of a named document: its file part, with ";1", ";2", ... appended while another window
// already shows "<text> - Sorn Edit".
std::string UniqueTitleText(const std::string& name, const std::function<bool(const std::string&)>& inUse);
// The main window title for the document (the product name alone without one).
std::string MainWindowTitle(const WaveDocument* doc);

// The file dialog's list: a directory followed by names, or full paths; a name containing ':' starts
// afresh (it is a full path). With complete set every entry is already a full path.
std::vector<std::string> ExpandFileList(const std::vector<std::string>& list, bool complete);

// Opens one file: in place when no conversion is needed and no open-as flags are given, else read through
// the reader into a new document. appendTarget: the document it will be appended to (its rate must match).
std::unique_ptr<WaveDocument> OpenOneFile(DocumentHost& host, DocumentReader& reader, const std::string& path,
                                          int32_t filterIndex, const WaveDocument* appendTarget,
                                          uint32_t openAsFlags, int* error);

// Opens a list of files into *target (created from the first file unless appending). Returns the number of
// files handled; *error gets the first error (9 ends the list but keeps what was read). filterIndex: the
// filter to read with (-1 automatic); common: the format every file is converted to (Open As), else the
// first file's. Until sample-rate conversion exists, a file of another rate is refused with a message.
int OpenFileList(DocumentHost& host, DocumentReader& reader, std::unique_ptr<WaveDocument>* target,
                 const std::vector<std::string>& paths, uint32_t flags, int* error, int32_t filterIndex = -1,
                 const WaveFormat* common = nullptr);

// Open, command line and dropped files: the list becomes the new current document (null on failure).
std::unique_ptr<WaveDocument> OpenAsCurrent(DocumentHost& host, DocumentReader& reader,
                                            const std::vector<std::string>& paths, uint32_t flags, int* error);

// Re-Open (1110): the file again as the new current document, read by the filter it was read with
// before (filterIndex; -1 automatic), its title "Re-Loading <file>" while it loads.
std::unique_ptr<WaveDocument> ReopenAsCurrent(DocumentHost& host, DocumentReader& reader, const std::string& path,
                                              int32_t filterIndex, int* error);

// New (1050) with the chosen format: an empty "Untitled" document with its INFO texts filled in.
std::unique_ptr<WaveDocument> NewDocument(DocumentHost& host, uint32_t rate, uint16_t bits, uint16_t channels,
                                          const std::string& versionText, const std::string& vendorText);

// "Save changes" question. False when the user cancelled.
bool AskToSave(DocumentHost& host, DocumentReader& reader, WaveDocument* doc);

struct SaveRequest {
  bool askName = false;       // Save As
  bool forceDialog = false;   // show the save dialog even for a named document
  bool selectionOnly = false; // Save Selection
  std::string nameOverride;
  uint32_t selStart = 0, selEnd = 0;  // the display's selection (selection saves)
  int editChannel = 0;                // 0 both, 1 left, 2 right
};
enum class SaveRoute { Quick, Filter };
// Which way a whole save goes: quick save rewrites changed blocks in place, allowed only after sample
// changes alone, without a length change, onto the same file, when the store agrees.
SaveRoute ChooseSaveRoute(WaveDocument* doc, const std::string& name);
// 0 on success; 1 cancelled or failed; 3 no selection for a selection save; else the writer's status.
int SaveDocument(DocumentHost& host, DocumentReader& reader, WaveDocument* doc, const SaveRequest& request);
// Quick Save (392). True on success.
bool QuickSaveDocument(DocumentHost& host, WaveDocument* doc);

// Flush Virtual File (381): copies every block still mapped from the source into temp storage.
bool FlushDocument(DocumentHost& host, WaveDocument* doc);

// Close (3148): asks first when askFirst; false when the user cancelled (the document stays).
bool CloseDocument(DocumentHost& host, DocumentReader& reader, std::unique_ptr<WaveDocument>* current,
                   bool askFirst);

}  // namespace document
