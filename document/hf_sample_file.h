// Sample storage over a virtual file of the paged store: what a wave's samples live in once a document,
// an undo level or the clipboard holds them. Byte offsets beyond the 32-bit range of a virtual file are
// refused (transfers there come up short).
#pragma once

#include "document/sample_transfer.h"
#include "storage/vfile.h"

namespace document {

class HfSampleFile : public SampleFile {
 public:
  // Uses the file without owning it: closing stays with whoever opened or created it.
  explicit HfSampleFile(storage::HfHandle* file) : file_(file) {}
  storage::HfHandle* handle() const { return file_; }

  uint64_t length() override;
  uint32_t read(uint64_t offset, void* dst, uint32_t count) override;
  uint32_t write(uint64_t offset, const void* src, uint32_t count) override;
  uint32_t fill(uint64_t offset, uint32_t count, const void* pattern, uint32_t patternLength,
                uint32_t unit) override;
  uint32_t insert(uint64_t offset, uint32_t count, bool fill, uint8_t fillByte) override;
  uint32_t cut(uint64_t offset, uint32_t count) override;
  uint16_t formatWord() override;
  void setFormatWord(uint16_t word) override;

 private:
  storage::HfHandle* file_;
};

}  // namespace document
