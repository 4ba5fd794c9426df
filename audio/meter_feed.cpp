// Meter blocks from playback and recording buffers (see meter_feed.h).
#include "audio/meter_feed.h"

#include <algorithm>

namespace audio {

MeterBlock MeterPlayedPart(const SoundingBuffer* buffers, size_t count, uint64_t lastFrame, uint64_t nowFrame,
                           const DeviceFormat& format) {
  MeterBlock out;
  out.bits = format.bits;
  out.channels = format.channels;
  if (nowFrame == 0 || nowFrame <= lastFrame) return out;
  const uint64_t last = nowFrame - 1;
  for (size_t i = 0; i < count; ++i) {
    const SoundingBuffer& b = buffers[i];
    if (!b.data || b.frames == 0 || last < b.deviceStart || last >= b.deviceStart + b.frames) continue;
    const uint64_t from = std::max(lastFrame, b.deviceStart);
    out.data = b.data + (from - b.deviceStart) * format.frameBytes();
    out.bytes = uint32_t((nowFrame - from) * format.frameBytes());
    return out;
  }
  return out;
}

MeterBlock MeterInputPart(const DeviceBuffer& b, uint32_t limit, const DeviceFormat& format) {
  MeterBlock out;
  out.bits = format.bits;
  out.channels = format.channels;
  out.data = b.data;
  out.bytes = std::min({b.recorded, b.bytes, limit});
  return out;
}

bool MeterFeedBlock(MeterState* m, const MeterBlock& block, uint32_t now, MeterPaintList* ops) {
  if (block.empty()) return false;
  return MeterFeed(m, block.data, block.bytes, block.bits, block.channels, now, ops);
}

}  // namespace audio
