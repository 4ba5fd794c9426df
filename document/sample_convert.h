// Conversion of frames between any two sample layouts: the channel stage (mixing, splitting, picking one
// channel, writing one channel) followed by the size stage (8/16/32 bits with the wrap or clip rules),
// plus the hook through which float-to-16-bit narrowing can be dithered.
//
// The channel stage runs in the source's own encoding (integers sum exactly and floor the halved sum,
// floats multiply the sum by 0.5), then every resulting sample goes through the size rule. Order matters:
// a stereo float pair (1.6, 0.6) mixed to 16-bit mono gives 1, converting first would give 0.
#pragma once

#include <cstdint>

#include "document/wave_format.h"

namespace document {

// Size rules, one sample at a time.
int16_t Convert8To16(uint8_t u);  // (u - 128) x 256
float Convert8To32(uint8_t u);    // (u - 128) x 256.0
uint8_t Convert16To8(int16_t s);  // (s >> 8) + 128, arithmetic shift; clipping gives the same values
float Convert16To32(int16_t s);   // exact
// Truncation toward zero. With clip, above 32767.0 gives 32767 and below -32767.0 gives -32767 (not
// -32768). Without clip only the low 16 bits are kept.
int16_t Convert32To16(float f, bool clip);
// Truncation toward zero of f / 256 + 128, computed exactly. With clip, f >= 32512.0 gives 255 and
// f <= -32512.0 gives 0. Without clip only the low 8 bits are kept.
uint8_t Convert32To8(float f, bool clip);

// Float to integer is only defined for values that fit, so the wrapping rules above first bring the value
// into 32 bits: NaN counts as 0.0 (silence), and values beyond the 32-bit range (infinities included) stop
// at its ends before the low bits are taken.
int32_t SaturateToInt32(double value);

// Dithering and noise shaping for float to 16-bit narrowing, supplied by the sample type conversion code.
// None is installed by default; then XF_DITHER changes nothing.
class SampleDither {
 public:
  virtual ~SampleDither() = default;
  // Clears both channels' states (error feedback, noise history). Called at the start of every write.
  virtual void reset() = 0;
  // Returns value plus its dither noise and shaped error, still on the 16-bit scale; the usual 32 to 16
  // rule (truncation, then clip or wrap) turns the result into the stored sample. channel: 0 left or
  // mono, 1 right.
  virtual float shape(int channel, float value) = 0;
};

// How one chunk of frames is converted: decoded once per transfer from the two layouts and the options.
struct ConvertPlan {
  XfLayout src, dst;
  int srcChannel = kChannelBoth;  // applies only to a stereo source
  int dstChannel = kChannelBoth;  // applies only to a stereo destination: the other channel is untouched
  bool clip = false;
  SampleDither* dither = nullptr;  // set only for float to 16-bit with XF_DITHER and a routine installed
  bool valid() const { return src.valid() && dst.valid(); }
  // Same layout and no channel choice: bytes can be moved as they are.
  bool isCopy() const {
    return valid() && src.channels == dst.channels && src.bits == dst.bits && srcChannel == kChannelBoth &&
           dstChannel == kChannelBoth;
  }
};

// srcLayout and dstLayout supply the channel and size bits of each side, options the XF_SRC_*, XF_DST_*,
// XF_CLIP and XF_DITHER bits (in a read the file is the source, in a write the caller's buffer).
// A channel choice that does not apply (one channel of a mono side) is dropped.
ConvertPlan MakeConvertPlan(uint16_t srcLayout, uint16_t dstLayout, uint16_t options, SampleDither* dither);

// Converts frames from src into dst. With a one-channel destination only that channel's bytes of dst are
// written. Buffers need no alignment and must not overlap. Returns false (and converts nothing) when the
// plan has no layout on one side.
bool ConvertFrames(const ConvertPlan& plan, const void* src, void* dst, uint32_t frames);

// Where the transfer layer's debug lines go (each ends in "\n"). None by default; the program points it at
// its debug output at start-up, tests at a recorder.
using SampleDebugOutput = void (*)(const char* line);
void SampleSetDebugOutput(SampleDebugOutput output);
void SampleDebugf(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace document
