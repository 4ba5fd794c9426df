// Feeding the level meter from the engines: during playback the timer tick hands the meter the part of
// the sounding buffer played since the previous tick, found by the device's own frame count (not by a
// document position, which says nothing about which buffer sounds once loops, play lists or a start other
// than 0 are involved); recording and monitoring hand it each returned buffer. Blocks carry the device's
// format, so a mono input recorded into one channel of a stereo document is measured as mono.
#pragma once

#include <cstddef>
#include <cstdint>

#include "audio/meter.h"
#include "audio/transport.h"
#include "audio/wave_device.h"

namespace audio {

// A buffer's contents as last filled: device frames [deviceStart, deviceStart + frames).
struct SoundingBuffer {
  const uint8_t* data = nullptr;
  uint64_t deviceStart = 0;
  uint32_t frames = 0;
};

// The part of the buffer holding the last played frame (nowFrame - 1) that was played after lastFrame.
// Empty when nothing was played since, or when that buffer already holds other audio.
MeterBlock MeterPlayedPart(const SoundingBuffer* buffers, size_t count, uint64_t lastFrame, uint64_t nowFrame,
                           const DeviceFormat& format);

// Up to limit bytes of a returned input buffer.
MeterBlock MeterInputPart(const DeviceBuffer& b, uint32_t limit, const DeviceFormat& format);

// Measures a block into the meter core (an empty block changes nothing; use MeterFeed with null data to
// reset the bars).
bool MeterFeedBlock(MeterState* m, const MeterBlock& block, uint32_t now, MeterPaintList* ops);

}  // namespace audio
