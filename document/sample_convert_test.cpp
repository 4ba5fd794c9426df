// Tests of layout conversion: pinned values of the size rules, out-of-range floats, the stage order, the
// dither hook, and the whole matrix ({8,16,32} x mono/stereo on both sides x source channel x destination
// channel x clip) against a plain per-sample reference written here, through the conversion routine and
// through frame reads and writes of a file.
#include "document/sample_convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "document/sample_transfer.h"
#include "include/sorn_bytes.h"

namespace document {
namespace {

const float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(SizeRules, PinnedValues) {
  EXPECT_EQ(Convert16To8(-1), 127);
  EXPECT_EQ(Convert16To8(-32768), 0);
  EXPECT_EQ(Convert16To8(32512), 255);
  EXPECT_EQ(Convert16To8(32767), 255);
  EXPECT_EQ(Convert16To8(0), 128);
  EXPECT_EQ(Convert16To8(255), 128);
  EXPECT_EQ(Convert16To8(256), 129);
  EXPECT_EQ(Convert16To8(-256), 127);
  EXPECT_EQ(Convert16To8(-257), 126);
  EXPECT_EQ(Convert8To16(0), -32768);
  EXPECT_EQ(Convert8To16(128), 0);
  EXPECT_EQ(Convert8To16(255), 32512);
  EXPECT_EQ(Convert8To32(0), -32768.0f);
  EXPECT_EQ(Convert16To32(-32768), -32768.0f);
}

TEST(SizeRules, FloatTo16) {
  struct Case {
    float f;
    int16_t wrapped, clipped;
  } cases[] = {
      {40000.0f, -25536, 32767},
      {-40000.0f, 25536, -32767},
      {32767.0f, 32767, 32767},
      {32767.9f, 32767, 32767},
      {32768.0f, -32768, 32767},
      {-32767.0f, -32767, -32767},
      {-32767.5f, -32767, -32767},
      {-32768.0f, -32768, -32767},
      {1.9f, 1, 1},
      {-1.9f, -1, -1},
      {0.4f, 0, 0},
      {-0.0f, 0, 0},
      {70000.7f, 4464, 32767},
      {65536.0f, 0, 32767},
      {-65537.0f, -1, -32767},
      // beyond 32 bits: the value stops at the 32-bit ends before the low 16 bits are taken
      {1e10f, -1, 32767},
      {-1e10f, 0, -32767},
      {3e38f, -1, 32767},
      {kInf, -1, 32767},
      {-kInf, 0, -32767},
      {kNaN, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.f);
    EXPECT_EQ(Convert32To16(c.f, false), c.wrapped);
    EXPECT_EQ(Convert32To16(c.f, true), c.clipped);
  }
}

TEST(SizeRules, FloatTo8) {
  struct Case {
    float f;
    uint8_t wrapped, clipped;
  } cases[] = {
      {0.0f, 128, 128},    {-0.0f, 128, 128},   {255.9f, 128, 128},   {256.0f, 129, 129},
      {-0.5f, 127, 127},   {-1e-6f, 127, 127},  {-1e-30f, 127, 127},  {1e-30f, 128, 128},
      {-256.0f, 127, 127}, {-256.5f, 126, 126}, {32511.9f, 254, 254}, {32512.0f, 255, 255},
      {32768.0f, 0, 255},  {40000.0f, 28, 255}, {-32512.0f, 1, 0},    {-32768.0f, 0, 0},
      {-32769.0f, 0, 0},   {-33100.0f, 255, 0}, {-40000.0f, 228, 0},  {1e10f, 100, 255},
      {-1e10f, 156, 0},    {1e12f, 255, 255},   {-1e12f, 0, 0},       {kInf, 255, 255},
      {-kInf, 0, 0},       {kNaN, 128, 128},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.f);
    EXPECT_EQ(Convert32To8(c.f, false), c.wrapped);
    EXPECT_EQ(Convert32To8(c.f, true), c.clipped);
  }
}

TEST(SizeRules, SaturateToInt32) {
  EXPECT_EQ(SaturateToInt32(std::nan("")), 0);
  EXPECT_EQ(SaturateToInt32(1e300), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(SaturateToInt32(-1e300), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(SaturateToInt32(2147483647.5), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(SaturateToInt32(-2147483648.9), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(SaturateToInt32(-2.7), -2);
  EXPECT_EQ(SaturateToInt32(2.7), 2);
}

// Converts one frame with ConvertFrames; bytes are little-endian sample values.
std::vector<uint8_t> convertOne(uint16_t srcWord, uint16_t dstWord, uint16_t options, const void* src,
                                std::vector<uint8_t> dst, SampleDither* dither = nullptr) {
  ConvertPlan plan = MakeConvertPlan(srcWord, dstWord, options, dither);
  EXPECT_TRUE(ConvertFrames(plan, src, dst.data(), 1));
  return dst;
}

TEST(ChannelRules, MixFloorsTheExactSum) {
  int16_t pair[2] = {-32768, -32767};
  int16_t out;
  auto bytes = convertOne(0x12, 0x11, 0, pair, std::vector<uint8_t>(2));
  std::memcpy(&out, bytes.data(), 2);
  EXPECT_EQ(out, -32768);
  int16_t big[2] = {32767, 32767};
  bytes = convertOne(0x12, 0x11, 0, big, std::vector<uint8_t>(2));
  std::memcpy(&out, bytes.data(), 2);
  EXPECT_EQ(out, 32767);  // no 16-bit overflow in the sum
  uint8_t u[2] = {255, 254};
  EXPECT_EQ(convertOne(0xA, 0x9, 0, u, {0})[0], 254);
}

TEST(ChannelRules, ChannelStageRunsBeforeTheSizeStage) {
  // Mixed first: (1.6 + 0.6) x 0.5 = 1.1 -> 1. Converting each to 16 bits first would give (1 + 0) >> 1 = 0.
  float pair[2] = {1.6f, 0.6f};
  int16_t out;
  auto bytes = convertOne(0x22, 0x11, 0, pair, std::vector<uint8_t>(2));
  std::memcpy(&out, bytes.data(), 2);
  EXPECT_EQ(out, 1);
  // 16-bit (-1, 0) to 8-bit mono: (-1 >> 1) = -1 -> 127.
  int16_t p16[2] = {-1, 0};
  EXPECT_EQ(convertOne(0x12, 0x9, 0, p16, {0})[0], 127);
}

// A dither routine that adds a fixed offset per channel and records what it saw.
class OffsetDither : public SampleDither {
 public:
  void reset() override { ++resets; }
  float shape(int channel, float value) override {
    channels.push_back(channel);
    return value + (channel == 0 ? 0.5f : -0.5f);
  }
  int resets = 0;
  std::vector<int> channels;
};

TEST(Dither, UsedOnlyForFloatTo16WithTheOption) {
  OffsetDither d;
  float pair[2] = {10.7f, 40000.0f};
  int16_t out[2];
  auto bytes = convertOne(0x22, 0x12, XF_DITHER | XF_CLIP, pair, std::vector<uint8_t>(4), &d);
  std::memcpy(out, bytes.data(), 4);
  EXPECT_EQ(out[0], 11);     // 10.7 + 0.5 truncated
  EXPECT_EQ(out[1], 32767);  // clip still applies after shaping
  EXPECT_EQ(d.channels, (std::vector<int>{0, 1}));

  d.channels.clear();
  convertOne(0x22, 0x12, XF_CLIP, pair, std::vector<uint8_t>(4), &d);   // no XF_DITHER
  convertOne(0x22, 0x9, XF_DITHER, pair, std::vector<uint8_t>(1), &d);  // narrowing to 8 bits
  convertOne(0x12, 0x11, XF_DITHER, out, std::vector<uint8_t>(2), &d);  // integer source
  EXPECT_TRUE(d.channels.empty());

  // A mono source into the right channel alone dithers as the right channel.
  float mono = 3.2f;
  bytes = convertOne(0x21, 0x12, XF_DITHER | XF_DST_RIGHT, &mono, std::vector<uint8_t>(4, 0xEE), &d);
  std::memcpy(out, bytes.data(), 4);
  EXPECT_EQ(out[1], 2);
  EXPECT_EQ(bytes[0], 0xEE);
  EXPECT_EQ(d.channels, (std::vector<int>{1}));
}

TEST(ConvertFramesTest, NoLayoutConvertsNothing) {
  uint8_t src[8] = {1, 2, 3, 4, 5, 6, 7, 8}, dst[8] = {};
  EXPECT_FALSE(ConvertFrames(MakeConvertPlan(0x2, 0x12, 0, nullptr), src, dst, 1));
  EXPECT_FALSE(ConvertFrames(MakeConvertPlan(0x12, 0x18, 0, nullptr), src, dst, 1));
  for (uint8_t b : dst) EXPECT_EQ(b, 0);
}

// ---------------------------------------------------------------------------------------------------------
// Reference: each sample of each frame worked out from the rules one at a time, with no shared code.

struct Ref {
  int64_t i = 0;  // integer layouts: the stored value (8-bit unsigned, 16-bit signed)
  float f = 0;    // float layout
};

Ref refLoad(const std::vector<uint8_t>& buf, size_t frame, int channels, int bits, int channel) {
  const size_t at = (frame * channels + channel) * (bits / 8);
  Ref r;
  if (bits == 8) r.i = buf[at];
  if (bits == 16) r.i = SornGetS16LE(&buf[at]);
  if (bits == 32) r.f = SornGetF32LE(&buf[at]);
  return r;
}

Ref refMix(int bits, Ref a, Ref b) {
  Ref r;
  if (bits == 32) {
    float sum = a.f + b.f;
    r.f = sum * 0.5f;
  } else {
    r.i = int64_t(std::floor((a.i + b.i) / 2.0));
  }
  return r;
}

int64_t wrapTo(long double t, int bits) {
  if (t > 2147483647.0L) t = 2147483647.0L;
  if (t < -2147483648.0L) t = -2147483648.0L;
  const int64_t m = int64_t(1) << bits;
  int64_t v = ((int64_t(t) % m) + m) % m;
  return v;
}

// Encodes one sample converted from the source size into the destination size.
std::vector<uint8_t> refSize(int from, int to, Ref v, bool clip) {
  std::vector<uint8_t> out(to / 8);
  int64_t i = 0;
  float f = 0;
  if (to == 32) {
    f = from == 32 ? v.f : from == 16 ? float(v.i) : float((v.i - 128) * 256);
  } else if (to == 16) {
    if (from == 16) i = v.i;
    if (from == 8) i = (v.i - 128) * 256;
    if (from == 32) {
      if (clip && v.f > 32767.0f)
        i = 32767;
      else if (clip && v.f < -32767.0f)
        i = -32767;
      else if (std::isnan(v.f))
        i = 0;
      else
        i = wrapTo(std::trunc((long double)v.f), 16);
    }
  } else {
    if (from == 8) i = v.i;
    if (from == 16) i = int64_t(std::floor(v.i / 256.0)) + 128;
    if (from == 32) {
      if (clip && v.f >= 32512.0f)
        i = 255;
      else if (clip && v.f <= -32512.0f)
        i = 0;
      else if (std::isnan(v.f))
        i = 128;
      else
        i = wrapTo(std::trunc((long double)v.f / 256.0L + 128.0L), 8);
    }
  }
  if (to == 32) std::memcpy(out.data(), &f, 4);
  for (size_t k = 0; to != 32 && k < out.size(); ++k) out[k] = uint8_t(uint64_t(i) >> (8 * k));
  return out;
}

struct Combo {
  int srcCh, srcBits, dstCh, dstBits, srcSel, dstSel;
  bool clip;
  uint16_t srcWord() const {
    return uint16_t((srcCh == 2 ? XF_STEREO : XF_MONO) | (srcBits == 8    ? XF_8BIT
                                                          : srcBits == 16 ? XF_16BIT
                                                                          : XF_32BIT));
  }
  uint16_t dstWord() const {
    return uint16_t((dstCh == 2 ? XF_STEREO : XF_MONO) | (dstBits == 8    ? XF_8BIT
                                                          : dstBits == 16 ? XF_16BIT
                                                                          : XF_32BIT));
  }
  uint16_t options() const {
    uint16_t o = clip ? XF_CLIP : 0;
    if (srcSel == 1) o |= XF_SRC_LEFT;
    if (srcSel == 2) o |= XF_SRC_RIGHT;
    if (dstSel == 1) o |= XF_DST_LEFT;
    if (dstSel == 2) o |= XF_DST_RIGHT;
    return o;
  }
  std::string name() const {
    return std::to_string(srcCh) + "x" + std::to_string(srcBits) + " src" + std::to_string(srcSel) + " -> " +
           std::to_string(dstCh) + "x" + std::to_string(dstBits) + " dst" + std::to_string(dstSel) +
           (clip ? " clip" : "");
  }
};

// The expected destination after converting src over dst (whose untouched bytes stay).
std::vector<uint8_t> refConvert(const Combo& c, const std::vector<uint8_t>& src, std::vector<uint8_t> dst,
                                size_t frames) {
  const int dstSample = c.dstBits / 8;
  for (size_t n = 0; n < frames; ++n) {
    Ref l = refLoad(src, n, c.srcCh, c.srcBits, 0);
    Ref r = c.srcCh == 2 ? refLoad(src, n, c.srcCh, c.srcBits, 1) : l;
    bool one = c.srcCh == 1;  // a single value rather than a pair
    if (c.srcCh == 2 && c.srcSel == 1) one = true, r = l;
    if (c.srcCh == 2 && c.srcSel == 2) one = true, l = r;
    auto put = [&](int channel, Ref v) {
      std::vector<uint8_t> s = refSize(c.srcBits, c.dstBits, v, c.clip);
      std::memcpy(&dst[(n * c.dstCh + channel) * dstSample], s.data(), s.size());
    };
    const Ref single = one ? l : refMix(c.srcBits, l, r);
    if (c.dstCh == 1)
      put(0, single);
    else if (c.dstSel == 1)
      put(0, single);
    else if (c.dstSel == 2)
      put(1, single);
    else
      put(0, l), put(1, r);
  }
  return dst;
}

// Source samples: edge values of each size plus random ones, paired up into stereo frames.
std::vector<uint8_t> makeSource(int channels, int bits, size_t frames, std::mt19937& rng) {
  std::vector<int64_t> ints16 = {-32768, -32767, -32513, -32512, -257, -256, -255, -129,  -128,  -2,   -1,
                                 0,      1,      127,    128,    255,  256,  257,  32511, 32512, 32767};
  std::vector<float> floats = {
      0.0f,     -0.0f,     0.4f,     -0.4f,     0.6f,     -0.6f,     1.5f,     -1.5f,     127.9f,   -127.9f,
      255.99f,  -255.99f,  256.0f,   -256.0f,   32511.9f, -32511.9f, 32512.0f, -32512.0f, 32767.0f, -32767.0f,
      32767.5f, -32767.5f, 32768.0f, -32768.0f, 40000.0f, -40000.0f, 65535.0f, -65535.0f, 65536.0f, -65536.0f,
      1e9f,     -1e9f,     3e38f,    -3e38f,    kInf,     -kInf,     kNaN,     1e-6f,     -1e-6f};
  std::vector<uint8_t> out(frames * channels * bits / 8);
  const size_t samples = frames * channels;
  for (size_t k = 0; k < samples; ++k) {
    const size_t pick = k * 7 + k / 3;
    uint8_t* p = &out[k * bits / 8];
    if (bits == 8) {
      *p = uint8_t(k < 256 ? k : rng());
    } else if (bits == 16) {
      int16_t v = pick % 3 ? int16_t(ints16[pick % ints16.size()]) : int16_t(rng());
      std::memcpy(p, &v, 2);
    } else {
      float v =
          pick % 3 ? floats[pick % floats.size()] : std::uniform_real_distribution<float>(-70000, 70000)(rng);
      std::memcpy(p, &v, 4);
    }
  }
  return out;
}

std::vector<Combo> allCombos() {
  std::vector<Combo> combos;
  for (int srcCh : {1, 2})
    for (int srcBits : {8, 16, 32})
      for (int dstCh : {1, 2})
        for (int dstBits : {8, 16, 32})
          for (int srcSel : {0, 1, 2})
            for (int dstSel : {0, 1, 2})
              for (bool clip : {false, true})
                combos.push_back({srcCh, srcBits, dstCh, dstBits, srcSel, dstSel, clip});
  return combos;
}

std::vector<uint8_t> patterned(size_t bytes) {
  std::vector<uint8_t> v(bytes);
  for (size_t i = 0; i < bytes; ++i) v[i] = uint8_t(i * 37 + 11);
  return v;
}

// Index of the first differing frame, or -1.
long firstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, size_t frameBytes) {
  if (a.size() != b.size()) return -2;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return long(i / frameBytes);
  return -1;
}

constexpr size_t kFrames = 300;  // every 8-bit value and every listed edge value, mono and stereo

TEST(ConversionMatrix, ConvertFramesMatchesReference) {
  std::mt19937 rng(1234);
  for (const Combo& c : allCombos()) {
    SCOPED_TRACE(c.name());
    const auto src = makeSource(c.srcCh, c.srcBits, kFrames, rng);
    const size_t dstFrame = c.dstCh * c.dstBits / 8;
    auto dst = patterned(kFrames * dstFrame);
    const auto want = refConvert(c, src, dst, kFrames);
    ASSERT_TRUE(ConvertFrames(MakeConvertPlan(c.srcWord(), c.dstWord(), c.options(), nullptr), src.data(),
                              dst.data(), uint32_t(kFrames)));
    ASSERT_EQ(firstDifference(dst, want, dstFrame), -1);
  }
}

TEST(ConversionMatrix, ReadsMatchReference) {
  // Reading: the file is the source, the caller's buffer (with the options) the destination.
  ASSERT_TRUE(SampleScratchInit(kSampleScratchBytes));
  std::mt19937 rng(99);
  for (const Combo& c : allCombos()) {
    SCOPED_TRACE(c.name());
    MemorySampleFile file(c.srcWord());
    const auto src = makeSource(c.srcCh, c.srcBits, kFrames, rng);
    file.setBytes(src);
    const size_t dstFrame = c.dstCh * c.dstBits / 8;
    auto dst = patterned(kFrames * dstFrame);
    const auto want = refConvert(c, src, dst, kFrames);
    ASSERT_EQ(SampleRead(&file, dst.data(), 0, uint32_t(kFrames), uint16_t(c.dstWord() | c.options())),
              kFrames);
    ASSERT_EQ(firstDifference(dst, want, dstFrame), -1);
  }
}

TEST(ConversionMatrix, WritesMatchReference) {
  // Writing: the caller's buffer is the source, the file (its existing bytes kept where a single channel is
  // written) the destination.
  ASSERT_TRUE(SampleScratchInit(kSampleScratchBytes));
  std::mt19937 rng(7);
  for (const Combo& c : allCombos()) {
    SCOPED_TRACE(c.name());
    const auto src = makeSource(c.srcCh, c.srcBits, kFrames, rng);
    const size_t dstFrame = c.dstCh * c.dstBits / 8;
    MemorySampleFile file(c.dstWord());
    file.setBytes(patterned(kFrames * dstFrame));
    const auto want = refConvert(c, src, file.bytes(), kFrames);
    ASSERT_EQ(SampleWrite(&file, src.data(), 0, uint32_t(kFrames), uint16_t(c.srcWord() | c.options())),
              kFrames);
    ASSERT_EQ(firstDifference(file.bytes(), want, dstFrame), -1);
  }
}

}  // namespace
}  // namespace document
