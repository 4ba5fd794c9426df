// The display source of an open wave: its samples through the sample transfer layer and its block peaks
// through the document's peak summary. Both belong to the document and must outlive the adapter.
#pragma once

#include "display/display_source.h"
#include "document/peak_summary.h"
#include "document/sample_transfer.h"

namespace display {

class DocumentDisplaySource : public DisplaySource {
 public:
  // peaks may be null (no summary: zoomed-out columns stay empty).
  DocumentDisplaySource(document::SampleFile* wave, document::PeakSummary* peaks, uint32_t rate);

  SourceFormat format() override;
  int64_t length() override;
  int32_t peakBlockSize() override;
  bool minMax(int64_t first, int64_t last, float* mins, float* maxs) override;
  int32_t readFloat(int64_t first, int32_t count, float* dst) override;
  int32_t readInt16(int64_t first, int32_t count, int16_t* dst) override;

 private:
  // The transfer word for our channel count with the given size bit.
  uint16_t word(uint16_t sizeBit);
  // Clamps a request to the wave and to what a 32-bit frame position can address.
  int32_t clampCount(int64_t first, int32_t count);

  document::SampleFile* wave_;
  document::PeakSummary* peaks_;
  uint32_t rate_;
};

}  // namespace display
