// Frame conversion between sample layouts: per-sample size rules and the channel stage, specialised for
// each pair of sample sizes so the inner loop does no per-sample dispatch on the size.
#include "document/sample_convert.h"

#include <atomic>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <type_traits>

namespace document {

namespace {
std::atomic<SampleDebugOutput> gDebugOutput{nullptr};
}

void SampleSetDebugOutput(SampleDebugOutput output) {
  gDebugOutput.store(output);
}

void SampleDebugf(const char* format, ...) {
  SampleDebugOutput out = gDebugOutput.load();
  if (!out) return;
  char line[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  out(line);
}

int32_t SaturateToInt32(double value) {
  if (std::isnan(value)) return 0;
  if (value >= double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  if (value <= double(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  return int32_t(value);  // truncates toward zero; the value fits
}

int16_t Convert8To16(uint8_t u) {
  return int16_t((int32_t(u) - 128) * 256);
}

float Convert8To32(uint8_t u) {
  return float((int32_t(u) - 128) * 256);
}

uint8_t Convert16To8(int16_t s) {
  return uint8_t((int32_t(s) >> 8) + 128);
}

float Convert16To32(int16_t s) {
  return float(s);
}

int16_t Convert32To16(float f, bool clip) {
  if (clip) {
    if (f > 32767.0f) return 32767;
    if (f < -32767.0f) return -32767;
  }
  // The low 16 bits of the (saturated) truncated value: the wrap a 16-bit store gives.
  return int16_t(uint16_t(uint32_t(SaturateToInt32(f))));
}

uint8_t Convert32To8(float f, bool clip) {
  if (clip) {
    if (f >= 32512.0f) return 255;
    if (f <= -32512.0f) return 0;
  }
  if (std::isnan(f)) return 128;
  // f / 256 is exact in a double (a power-of-two scale of a float). Adding 128 first and then truncating
  // could round a value just below an integer up to it, so truncate in two halves instead: for results at
  // or above zero truncation is floor, below zero it is ceil.
  const double q = double(f) / 256.0;
  const double t = q >= -128.0 ? std::floor(q) + 128.0 : std::ceil(q) + 128.0;
  return uint8_t(uint32_t(SaturateToInt32(t)));
}

namespace {

// Sample access per size. V is the type the channel stage works in: exact integers or float.
struct U8 {
  using V = int32_t;
  static constexpr uint32_t kBytes = 1;
  static V load(const uint8_t* p) { return *p; }
  static V mix(V a, V b) { return (a + b) >> 1; }
};
struct I16 {
  using V = int32_t;
  static constexpr uint32_t kBytes = 2;
  static V load(const uint8_t* p) {
    int16_t s;
    std::memcpy(&s, p, 2);
    return s;
  }
  static V mix(V a, V b) { return (a + b) >> 1; }  // arithmetic shift: floors negative sums
};
struct F32 {
  using V = float;
  static constexpr uint32_t kBytes = 4;
  static V load(const uint8_t* p) {
    float f;
    std::memcpy(&f, p, 4);
    return f;
  }
  static V mix(V a, V b) { return (a + b) * 0.5f; }
};

inline void store8(uint8_t* p, uint8_t v) {
  *p = v;
}
inline void store16(uint8_t* p, int16_t v) {
  std::memcpy(p, &v, 2);
}
inline void store32(uint8_t* p, float v) {
  std::memcpy(p, &v, 4);
}

// One sample after the channel stage, converted from S's encoding into D's and stored.
template <class S, class D>
inline void put(uint8_t* p, typename S::V v, bool clip, SampleDither* dither, int channel) {
  if constexpr (std::is_same_v<D, U8>) {
    if constexpr (std::is_same_v<S, U8>) store8(p, uint8_t(v));
    if constexpr (std::is_same_v<S, I16>) store8(p, Convert16To8(int16_t(v)));
    if constexpr (std::is_same_v<S, F32>) store8(p, Convert32To8(v, clip));
  } else if constexpr (std::is_same_v<D, I16>) {
    if constexpr (std::is_same_v<S, U8>) store16(p, Convert8To16(uint8_t(v)));
    if constexpr (std::is_same_v<S, I16>) store16(p, int16_t(v));
    if constexpr (std::is_same_v<S, F32>)
      store16(p, Convert32To16(dither ? dither->shape(channel, v) : v, clip));
  } else {
    if constexpr (std::is_same_v<S, U8>) store32(p, Convert8To32(uint8_t(v)));
    if constexpr (std::is_same_v<S, I16>) store32(p, Convert16To32(int16_t(v)));
    if constexpr (std::is_same_v<S, F32>) store32(p, v);
  }
}

template <class S, class D>
void convertLoop(const ConvertPlan& plan, const uint8_t* s, uint8_t* d, uint32_t frames) {
  using V = typename S::V;
  const uint32_t srcStep = plan.src.frameBytes(), dstStep = plan.dst.frameBytes();
  const bool srcStereo = plan.src.stereo(), dstStereo = plan.dst.stereo();
  const int srcSel = srcStereo ? plan.srcChannel : kChannelBoth;
  const int dstSel = dstStereo ? plan.dstChannel : kChannelBoth;
  const bool clip = plan.clip;
  SampleDither* dither = plan.dither;
  for (uint32_t i = 0; i < frames; ++i, s += srcStep, d += dstStep) {
    // Channel stage: one value (mono, or the chosen source channel) or a left/right pair.
    V a = S::load(s), b = a;
    bool pair = false;
    if (srcStereo) {
      const V right = S::load(s + S::kBytes);
      if (srcSel == kChannelRight) {
        a = b = right;
      } else if (srcSel == kChannelBoth) {
        b = right;
        pair = true;
      }
    }
    if (!dstStereo) {
      put<S, D>(d, pair ? S::mix(a, b) : a, clip, dither, 0);
    } else if (dstSel != kChannelBoth) {
      const int c = dstSel == kChannelLeft ? 0 : 1;
      put<S, D>(d + c * D::kBytes, pair ? S::mix(a, b) : a, clip, dither, c);
    } else {
      put<S, D>(d, a, clip, dither, 0);
      put<S, D>(d + D::kBytes, b, clip, dither, 1);
    }
  }
}

template <class S>
bool convertFrom(const ConvertPlan& plan, const uint8_t* s, uint8_t* d, uint32_t frames) {
  switch (plan.dst.bits) {
    case 8:
      convertLoop<S, U8>(plan, s, d, frames);
      return true;
    case 16:
      convertLoop<S, I16>(plan, s, d, frames);
      return true;
    case 32:
      convertLoop<S, F32>(plan, s, d, frames);
      return true;
  }
  return false;
}

}  // namespace

ConvertPlan MakeConvertPlan(uint16_t srcLayout, uint16_t dstLayout, uint16_t options, SampleDither* dither) {
  ConvertPlan plan;
  plan.src = XfLayoutOf(srcLayout);
  plan.dst = XfLayoutOf(dstLayout);
  plan.srcChannel = plan.src.stereo() ? XfSourceChannel(options) : kChannelBoth;
  plan.dstChannel = plan.dst.stereo() ? XfDestChannel(options) : kChannelBoth;
  plan.clip = (options & XF_CLIP) != 0;
  if ((options & XF_DITHER) && plan.src.bits == 32 && plan.dst.bits == 16) plan.dither = dither;
  return plan;
}

bool ConvertFrames(const ConvertPlan& plan, const void* src, void* dst, uint32_t frames) {
  if (!plan.valid()) return false;
  if (plan.dither && frames == 0) SampleDebugf("Err - dwSourceSamples==0\n");
  const uint8_t* s = static_cast<const uint8_t*>(src);
  uint8_t* d = static_cast<uint8_t*>(dst);
  switch (plan.src.bits) {
    case 8:
      return convertFrom<U8>(plan, s, d, frames);
    case 16:
      return convertFrom<I16>(plan, s, d, frames);
    case 32:
      return convertFrom<F32>(plan, s, d, frames);
  }
  return false;
}

}  // namespace document
