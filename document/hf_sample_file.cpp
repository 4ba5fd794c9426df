// Sample storage over a virtual file: each call is one virtual-file operation (which takes the file's
// lock), with 64-bit offsets narrowed to the file's 32-bit positions.
#include "document/hf_sample_file.h"

#include <algorithm>

#include "document/wave_format.h"

namespace document {

namespace {

constexpr uint64_t kMaxPosition = 0xFFFFFFFFu;

static_assert(storage::HF_STEREO == XF_STEREO && storage::HF_8BIT == XF_8BIT &&
                  storage::HF_16BIT == XF_16BIT && storage::HF_32BIT == XF_32BIT,
              "the virtual file keeps the transfer word's layout bits");

// The count that keeps [offset, offset + count) inside the 32-bit positions; 0 when offset is beyond.
uint32_t fitCount(uint64_t offset, uint32_t count) {
  if (offset >= kMaxPosition) return 0;
  return uint32_t(std::min<uint64_t>(count, kMaxPosition - offset));
}

}  // namespace

uint64_t HfSampleFile::length() {
  return storage::HfGetLength(file_);
}

uint32_t HfSampleFile::read(uint64_t offset, void* dst, uint32_t count) {
  count = fitCount(offset, count);
  return count ? storage::HfRead(file_, uint32_t(offset), count, dst) : 0;
}

uint32_t HfSampleFile::write(uint64_t offset, const void* src, uint32_t count) {
  count = fitCount(offset, count);
  return count ? storage::HfWrite(file_, uint32_t(offset), count, src) : 0;
}

uint32_t HfSampleFile::fill(uint64_t offset, uint32_t count, const void* pattern, uint32_t patternLength,
                            uint32_t unit) {
  count = fitCount(offset, count);
  return count ? storage::HfFill(file_, uint32_t(offset), count, pattern, patternLength, unit) : 0;
}

uint32_t HfSampleFile::insert(uint64_t offset, uint32_t count, bool fill, uint8_t fillByte) {
  count = fitCount(offset, count);
  return count ? storage::HfInsert(file_, uint32_t(offset), count, fill, fillByte) : 0;
}

uint32_t HfSampleFile::cut(uint64_t offset, uint32_t count) {
  count = fitCount(offset, count);
  return count ? storage::HfCut(file_, uint32_t(offset), count) : 0;
}

// The virtual file's format word keeps the same stereo and size bits as the transfer word.
uint16_t HfSampleFile::formatWord() {
  return storage::HfGetFormatWord(file_) & (XF_STEREO | XF_SIZE_MASK);
}

void HfSampleFile::setFormatWord(uint16_t word) {
  storage::HfSetFormatWord(file_, uint16_t(word & (XF_STEREO | XF_SIZE_MASK)));
}

}  // namespace document
