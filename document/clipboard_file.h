// The internal clipboard as a WAVE file that outlives the program: "SornClipboard.wav" in a temp directory
// with room for it, written and read through one file filter ("Windows PCM", or the first filter when none
// has that name), its full path kept in [Recent] Clipboard. It counts as present while that key names an
// existing file, so a clip copied in one run can be pasted in the next.
//
// The filter work goes through DocumentReader and the settings key through two callbacks, so this runs
// the same natively (tests use a fake reader) and in the Windows program.
#pragma once

#include <functional>
#include <string>

#include "document/clipboard.h"
#include "document/document_host.h"

namespace document {

constexpr const char* kClipboardFileName = "SornClipboard.wav";

struct ClipboardFileAccess {
  std::function<std::string()> getPath;                  // [Recent] Clipboard ("" when unset)
  std::function<void(const std::string& path)> setPath;  // stores [Recent] Clipboard
  // A path for the file on a temp drive with room for bytes; false when none has room. Empty: the store's
  // own choice (VfClipboardPath).
  std::function<bool(std::string* path, int64_t bytes)> choosePath;
};

class FileClipboard : public InternalClipboard {
 public:
  // filterIndex/filterOptions: the filter the file is written and read with.
  FileClipboard(DocumentReader* reader, int32_t filterIndex, int32_t filterOptions,
                ClipboardFileAccess access)
      : reader_(reader),
        filterIndex_(filterIndex),
        filterOptions_(filterOptions),
        access_(std::move(access)) {}
  bool present() override;
  // Deletes the previous clipboard file (only a file of that name: the key is outside input), writes the
  // range through the filter (one channel as mono), and records the path. A failed write leaves no file.
  int store(WaveDocument* doc, uint32_t start, uint32_t count, int channel) override;
  // A document opened in place on the file when the filter reports plain samples, else read into a new
  // virtual file; null when there is no file or it cannot be read.
  Clip load() override;

 private:
  std::string currentPath();
  DocumentReader* reader_;
  int32_t filterIndex_;
  int32_t filterOptions_;
  ClipboardFileAccess access_;
};

}  // namespace document
