// Sample layouts and the transfer format word: validation, frame sizes, decoding, silence.
#include "document/wave_format.h"

#include <cstring>

namespace document {

bool IsValidChannels(uint32_t channels) {
  return channels == 1 || channels == 2;
}

bool IsValidBits(uint32_t bits) {
  return bits == 8 || bits == 16 || bits == 32;
}

bool IsValidWaveFormat(const WaveFormat& format) {
  return IsValidChannels(format.channels) && IsValidBits(format.bits) && format.rate != 0 &&
         format.rate <= kMaxSampleRate;
}

uint32_t FrameBytes(uint32_t channels, uint32_t bits) {
  if (!IsValidChannels(channels) || !IsValidBits(bits)) return 0;
  return channels * bits / 8;
}

uint32_t FrameBytes(const WaveFormat& format) {
  return FrameBytes(format.channels, format.bits);
}

uint64_t BytesPerSecond(const WaveFormat& format) {
  if (!IsValidWaveFormat(format)) return 0;
  return uint64_t(format.rate) * FrameBytes(format);
}

XfLayout XfLayoutOf(uint16_t word) {
  XfLayout layout;
  uint16_t bits = 0;
  switch (word & XF_SIZE_MASK) {
    case XF_8BIT:
      bits = 8;
      break;
    case XF_16BIT:
      bits = 16;
      break;
    case XF_32BIT:
      bits = 32;
      break;
    default:
      return layout;  // none, or more than one size: no layout
  }
  layout.bits = bits;
  layout.channels = (word & XF_STEREO) ? 2 : 1;
  return layout;
}

uint16_t XfLayoutWord(uint32_t channels, uint32_t bits) {
  if (!IsValidChannels(channels) || !IsValidBits(bits)) return 0;
  uint16_t word = channels == 2 ? XF_STEREO : XF_MONO;
  word |= bits == 8 ? XF_8BIT : bits == 16 ? XF_16BIT : XF_32BIT;
  return word;
}

uint16_t XfLayoutWord(const WaveFormat& format) {
  return XfLayoutWord(format.channels, format.bits);
}

static int selection(uint16_t word, uint16_t left, uint16_t right) {
  bool l = (word & left) != 0, r = (word & right) != 0;
  if (l == r) return kChannelBoth;
  return l ? kChannelLeft : kChannelRight;
}

int XfSourceChannel(uint16_t word) {
  return selection(word, XF_SRC_LEFT, XF_SRC_RIGHT);
}

int XfDestChannel(uint16_t word) {
  return selection(word, XF_DST_LEFT, XF_DST_RIGHT);
}

uint8_t SilenceByte(uint32_t bits) {
  return bits == 8 ? 128 : 0;
}

void FillSilence(void* frames, XfLayout layout, uint32_t count, int channel) {
  if (!layout.valid() || count == 0) return;
  uint8_t* p = static_cast<uint8_t*>(frames);
  const uint8_t value = SilenceByte(layout.bits);
  const uint32_t frameBytes = layout.frameBytes();
  if (!layout.stereo() || channel == kChannelBoth) {
    std::memset(p, value, size_t(count) * frameBytes);
    return;
  }
  const uint32_t sampleBytes = layout.bits / 8;
  p += channel == kChannelRight ? sampleBytes : 0;
  for (uint32_t i = 0; i < count; ++i, p += frameBytes) std::memset(p, value, sampleBytes);
}

}  // namespace document
