// The mix engine against a plain per-sample reference written from the formulas (volumes, clamping,
// fades, the destination crossfade gain, modulation), block by block at random chunk boundaries and
// through files of every sample size; plus pinned values and the dialog's conversion of its fields.
#include "document/mix_paste.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace document {
namespace {

// What sample k of channel c of a mix must be, straight from the formulas.
double referenceSample(double s, double d, uint32_t k, int c, const MixParams& p) {
  const bool in = (p.flags & kMixFadeIn) != 0, out = (p.flags & kMixFadeOut) != 0;
  uint32_t F = 0;
  if (in || out) F = std::min<uint32_t>(p.crossfadeFrames, in && out ? p.count / 2 : p.count);
  const double vol = p.sourceVolume[c], dv = p.destVolume[c];
  if (vol != 1.0) s = std::max(-32767.0, std::min(32767.0, s * vol));
  double g = 1, gd = dv;
  bool fading = false;
  if (F && in && k < F) {
    g = double(k) / F;
    gd = 1 + (dv - 1) * (double(k) / F);
    fading = true;
  } else if (F && out && k >= p.count - F) {
    const double j = k - (p.count - F);
    g = 1 - j / F;
    gd = dv + (1 - dv) * (j / F);
    fading = true;
  }
  double r;
  if (p.flags & kMixModulate) {
    const double m = fading ? 32768 - g * 32768 + g * s : s;
    r = dv * d * m / 32768;
  } else {
    r = gd * d + g * s;
  }
  return std::max(-32767.0, std::min(32767.0, r));
}

struct Case {
  const char* name;
  uint32_t flags;
  double lv, rv, dlv, drv;
  uint32_t crossfade, count;
  int channels;
};
const Case kCases[] = {
    {"add unity, dest 1", kMixAdd, 1, 1, 1, 1, 0, 5000, 2},
    {"add half", kMixAdd, 0.5, 0.5, 1, 1, 0, 5000, 2},
    {"add inverted 200%", kMixAdd, -2, -1, 1, 0.5, 0, 3000, 2},
    {"add 150% mono", kMixAdd, 1.5, 0, 0.25, 0, 0, 3000, 1},
    {"fade in", kMixAdd | kMixFadeIn, 1, 1, 0, 0, 700, 5000, 2},
    {"fade out", kMixAdd | kMixFadeOut, 0.7, 1, 0.3, 0.3, 700, 5000, 2},
    {"both fades", kMixAdd | kMixFadeIn | kMixFadeOut, 1, -1, 0, 0, 3000, 5000, 2},
    {"fade longer than the mix", kMixAdd | kMixFadeIn, 1, 1, 0, 0, 90000, 5000, 1},
    {"modulate", kMixModulate, 1, 1, 1, 1, 0, 4000, 2},
    {"modulate faded", kMixModulate | kMixFadeIn | kMixFadeOut, 0.8, 1.2, 1, 1, 500, 4000, 2},
    {"modulate dest 2", kMixModulate, -1, 1, 2, 0.5, 0, 4000, 2},
};

template <typename T>
void checkBlocks(const Case& c, uint32_t seed) {
  MixParams p;
  p.flags = c.flags;
  p.sourceVolume[0] = c.lv;
  p.sourceVolume[1] = c.rv;
  p.destVolume[0] = c.dlv;
  p.destVolume[1] = c.drv;
  p.crossfadeFrames = c.crossfade;
  p.count = c.count;
  p.channels = c.channels;
  std::mt19937 rng(seed);
  const size_t n = size_t(c.count) * c.channels;
  std::vector<T> src(n), dst(n);
  for (size_t i = 0; i < n; ++i) {
    src[i] = T(int(rng() % 65536) - 32768);
    dst[i] = T(int(rng() % 65536) - 32768);
  }
  std::vector<T> out = dst;
  // Random chunk boundaries: the fades must follow the position in the whole mix.
  for (uint32_t done = 0; done < c.count;) {
    const uint32_t k = std::min<uint32_t>(c.count - done, 1 + rng() % 1500);
    MixBlock(src.data() + size_t(done) * c.channels, out.data() + size_t(done) * c.channels, k, done, p);
    done += k;
  }
  for (uint32_t k = 0; k < c.count; ++k)
    for (int ch = 0; ch < c.channels; ++ch) {
      const size_t i = size_t(k) * c.channels + ch;
      const double want = referenceSample(src[i], dst[i], k, ch, p);
      if (std::is_same<T, float>::value)
        ASSERT_NEAR(double(out[i]), want, 1e-2 + std::fabs(want) * 1e-6)
            << c.name << " frame " << k << " ch " << ch;
      else
        ASSERT_LE(std::fabs(double(out[i]) - want), 0.5) << c.name << " frame " << k << " ch " << ch;
    }
}

TEST(MixBlockTest, MatchesThePerSampleReference16) {
  for (const Case& c : kCases) checkBlocks<int16_t>(c, 11);
}

TEST(MixBlockTest, MatchesThePerSampleReferenceFloat) {
  for (const Case& c : kCases) checkBlocks<float>(c, 12);
}

TEST(MixBlockTest, PinnedValues) {
  struct Pin {
    const char* name;
    uint32_t flags;
    double vol, dv;
    uint32_t crossfade, count;
    int16_t s, d;
    std::vector<int16_t> want;
  };
  const Pin pins[] = {
      {"fade gains 0 .25 .5 .75", kMixAdd | kMixFadeIn, 1, 0, 4, 6, 1000, 0, {0, 250, 500, 750, 1000, 1000}},
      {"both fades, F = count/2",
       kMixAdd | kMixFadeIn | kMixFadeOut,
       1,
       0,
       4,
       8,
       1000,
       0,
       {0, 250, 500, 750, 1000, 750, 500, 250}},
      {"destination fades out under the new sound",
       kMixAdd | kMixFadeIn,
       1,
       0,
       4,
       5,
       0,
       1000,
       {1000, 750, 500, 250, 0}},
      {"volume -2 clamps to -32767", kMixAdd, -2, 0.5, 0, 1, 20000, 0, {-32767}},
      {"inverting -32768 does not wrap", kMixAdd, -1, 1, 0, 1, -32768, 0, {32767}},
      {"sum clamps at -32767", kMixAdd, 1, 1, 0, 1, -30000, -30000, {-32767}},
      {"half volume rounds to nearest", kMixAdd, 0.5, 1, 0, 1, 1001, 100, {601}},
      {"modulate", kMixModulate, 1, 1, 0, 1, 16384, 16384, {8192}},
      {"modulator fades toward unity", kMixModulate | kMixFadeIn, 1, 1, 2, 2, 0, 1000, {1000, 500}},
  };
  for (const Pin& pin : pins) {
    MixParams p;
    p.flags = pin.flags;
    p.sourceVolume[0] = pin.vol;
    p.destVolume[0] = pin.dv;
    p.crossfadeFrames = pin.crossfade;
    p.count = pin.count;
    p.channels = 1;
    std::vector<int16_t> src(pin.count, pin.s), dst(pin.count, pin.d);
    MixBlock(src.data(), dst.data(), pin.count, 0, p);
    EXPECT_EQ(dst, pin.want) << pin.name;
  }
}

TEST(MixBlockTest, UnityWithDestinationZeroIsACopy) {
  MixParams p;
  p.destVolume[0] = p.destVolume[1] = 0;
  EXPECT_TRUE(MixIsCopy(p));
  std::vector<int16_t> src = {-32768, 32767, 5, -1}, dst = {1, 2, 3, 4};
  MixBlock(src.data(), dst.data(), 2, 0, p);
  EXPECT_EQ(dst, src);
  std::vector<float> fs = {40000.0f, -50000.5f}, fd = {0, 0};
  MixBlock(fs.data(), fd.data(), 1, 0, p);
  EXPECT_EQ(fd, fs);
  p.flags |= kMixFadeIn;
  p.crossfadeFrames = 10;
  p.count = 100;
  EXPECT_FALSE(MixIsCopy(p));
  p.flags = kMixAdd;
  p.sourceVolume[1] = 0.999;
  EXPECT_FALSE(MixIsCopy(p));
}

// Files of one layout filled with samples given on the 16-bit scale.
std::unique_ptr<MemorySampleFile> fileOf(uint16_t channels, uint16_t bits,
                                         const std::vector<float>& samples) {
  auto f = std::make_unique<MemorySampleFile>(XfLayoutWord(channels, bits));
  SampleWrite(f.get(), samples.data(), 0, uint32_t(samples.size() / channels),
              XfLayoutWord(channels, 32) | XF_CLIP);
  return f;
}
std::vector<float> samplesOf(MemorySampleFile* f, uint16_t channels) {
  const uint32_t n = SampleLength(f);
  std::vector<float> v(size_t(n) * channels);
  SampleRead(f, v.data(), 0, n, XfLayoutWord(channels, 32));
  return v;
}

TEST(MixFilesTest, PlainCopyKeepsEveryValueInEverySize) {
  const std::vector<float> values = {-32768, 32767, 0, -1, 40000.0f, -45000.25f};
  for (uint16_t bits : {8, 16, 32}) {
    auto src = fileOf(2, bits, values);
    const auto srcBytes = src->bytes();
    auto dst = fileOf(2, bits, {7, 7, 7, 7});
    uint32_t written = 0;
    ASSERT_EQ(MixFiles(src.get(), 0, 3, 1, 1, dst.get(), 1, 0, 0, kMixAdd, 0, nullptr, &written), kMixOk);
    EXPECT_EQ(written, 3u);
    const auto b = dst->bytes();
    const size_t fs = 2 * bits / 8;
    ASSERT_EQ(b.size(), 4 * fs);  // appended past the old end
    EXPECT_TRUE(std::equal(srcBytes.begin(), srcBytes.end(), b.begin() + fs)) << bits << " bits";
  }
}

TEST(MixFilesTest, OneChannelTargetsAndAppending) {
  // A stereo clip into the right channel with only the left volume set: the left channel of the clip goes
  // in, at that volume; frames past the destination's end take silence in the other channel.
  auto src = fileOf(2, 16, {1000, -5, 2000, -5, 3000, -5});
  auto dst = fileOf(2, 16, {1, 10, 2, 20});
  uint32_t written = 0;
  ASSERT_EQ(
      MixFiles(src.get(), 0, 3, 0.5, 0, dst.get(), 1, 1, 1, kMixAdd | kMixRightOnly, 0, nullptr, &written),
      kMixOk);
  EXPECT_EQ(written, 3u);
  EXPECT_EQ(samplesOf(dst.get(), 2), (std::vector<float>{1, 10, 2, 520, 0, 1000, 0, 1500}));
}

TEST(MixFilesTest, EightBitDataIsMixedAsSixteenBit) {
  auto src = fileOf(1, 8, {256 * 10, -256 * 20});
  auto dst = fileOf(1, 8, {256 * 5, 256 * 100});
  ASSERT_EQ(MixFiles(src.get(), 0, 2, 1, 1, dst.get(), 0, 1, 1, kMixAdd, 0, nullptr, nullptr), kMixOk);
  EXPECT_EQ(samplesOf(dst.get(), 1), (std::vector<float>{256 * 15, 256 * 80}));
}

TEST(MixFilesTest, LongMixesMatchTheReferenceAcrossChunks) {
  // 70,000 frames: three chunks of the engine, fades at both ends.
  const uint32_t n = 70000;
  std::mt19937 rng(5);
  std::vector<float> s(size_t(n) * 2), d(size_t(n) * 2);
  for (auto& x : s) x = float(int(rng() % 60000) - 30000);
  for (auto& x : d) x = float(int(rng() % 60000) - 30000);
  auto src = fileOf(2, 16, s);
  auto dst = fileOf(2, 16, d);
  const uint32_t flags = kMixAdd | kMixFadeIn | kMixFadeOut;
  ASSERT_EQ(MixFiles(src.get(), 0, n, 0.6, -0.9, dst.get(), 0, 0.2, 0.4, flags, 40000, nullptr, nullptr),
            kMixOk);
  MixParams p;
  p.flags = flags;
  p.sourceVolume[0] = 0.6;
  p.sourceVolume[1] = -0.9;
  p.destVolume[0] = 0.2;
  p.destVolume[1] = 0.4;
  p.crossfadeFrames = 40000;
  p.count = n;
  const auto got = samplesOf(dst.get(), 2);
  for (uint32_t k = 0; k < n; ++k)
    for (int c = 0; c < 2; ++c)
      ASSERT_LE(std::fabs(got[2 * k + c] - referenceSample(s[2 * k + c], d[2 * k + c], k, c, p)), 0.5) << k;
}

TEST(MixFilesTest, StopsWhenProgressSaysStop) {
  auto src = fileOf(1, 16, std::vector<float>(100000, 5));
  auto dst = std::make_unique<MemorySampleFile>(XF_MONO | XF_16BIT);
  uint32_t written = 0;
  auto stop = [](uint32_t, uint32_t) { return kSampleStop; };
  ASSERT_EQ(MixFiles(src.get(), 0, 100000, 1, 1, dst.get(), 0, 0, 0, kMixAdd, 0, stop, &written), kMixOk);
  EXPECT_EQ(written, kMixChunkFrames);
  EXPECT_EQ(MixFiles(nullptr, 0, 1, 1, 1, dst.get(), 0, 0, 0, kMixAdd, 0, nullptr, &written),
            kMixMissingFile);
}

TEST(PasteSettingsTest, CrossfadeFramesAndDialogValues) {
  struct Xf {
    uint32_t rate;
    double ms;
    uint32_t frames;
  };
  for (Xf x : {Xf{44100, 50, 2205}, Xf{44100, 0, 2}, Xf{8000, 0.1, 2}, Xf{44100, std::nan(""), 2},
               Xf{1000000, 1e6, 882000}, Xf{44100, -5, 2}, Xf{48000, 1.99, 95}})
    EXPECT_EQ(CrossfadeFrames(x.rate, x.ms), x.frames) << x.rate << " " << x.ms;

  PasteSpecialDialogValues v;
  v.leftPercent = 100;
  v.invertLeft = true;
  v.rightPercent = 250;
  v.loops = 0.5;
  v.insert = true;
  v.modulate = true;
  PasteSpecialSettings s;
  ApplyPasteSpecialDialog(v, &s);
  EXPECT_EQ(s.leftVolume, -1.0);
  EXPECT_EQ(s.rightVolume, 2.0);
  EXPECT_EQ(s.loops, 1.0);
  EXPECT_FALSE(s.overlap);
  EXPECT_FALSE(s.modulate);  // insert wins
  v.loops = std::nan("");
  v.insert = false;
  ApplyPasteSpecialDialog(v, &s);
  EXPECT_EQ(s.loops, 1.0);
  EXPECT_TRUE(s.overlap);
  EXPECT_TRUE(s.modulate);
}

TEST(PasteSettingsTest, DialogStartState) {
  PasteSpecialSettings s;
  s.leftVolume = -1.0;
  s.rightVolume = 0.5;
  s.overlap = false;
  s.crossfade = true;
  struct Case {
    const char* name;
    int channels, edit;
    bool internal, windows;
    PasteSource source;
    bool left, right, lock, insert, insertChecked;
  };
  const Case cases[] = {
      {"stereo, both, both clipboards", 2, 0, true, true, PasteSource::InternalClipboard, true, true, true,
       true, true},
      {"left only", 2, 1, true, true, PasteSource::InternalClipboard, true, false, true, false, false},
      {"right only", 2, 2, true, false, PasteSource::InternalClipboard, false, true, true, false, false},
      {"mono", 1, 2, false, true, PasteSource::WindowsClipboard, true, false, false, true, true},
      {"no clipboard has data", 2, 0, false, false, PasteSource::File, true, true, true, true, true},
  };
  for (const Case& c : cases) {
    PasteSpecialDialogStart d = StartPasteSpecialDialog(s, c.channels, c.edit, c.internal, c.windows);
    EXPECT_EQ(d.values.source, c.source) << c.name;
    EXPECT_EQ(d.leftEnabled, c.left) << c.name;
    EXPECT_EQ(d.rightEnabled, c.right) << c.name;
    EXPECT_EQ(d.lockEnabled, c.lock) << c.name;
    EXPECT_EQ(d.insertEnabled, c.insert) << c.name;
    EXPECT_EQ(d.values.insert, c.insertChecked) << c.name;
    EXPECT_EQ(d.internalSourceEnabled, c.internal) << c.name;
    EXPECT_EQ(d.windowsSourceEnabled, c.windows) << c.name;
    EXPECT_EQ(d.values.leftPercent, 100.0) << c.name;
    EXPECT_TRUE(d.values.invertLeft) << c.name;
    EXPECT_EQ(d.values.rightPercent, 50.0) << c.name;
    EXPECT_TRUE(d.crossfadeTimeEnabled) << c.name;
    EXPECT_FALSE(d.loopCountEnabled) << c.name;
  }
  // OK on the unchanged dialog gives the settings back.
  PasteSpecialSettings back;
  ApplyPasteSpecialDialog(StartPasteSpecialDialog(s, 2, 0, true, true).values, &back);
  EXPECT_EQ(back.leftVolume, -1.0);
  EXPECT_EQ(back.rightVolume, 0.5);
  EXPECT_FALSE(back.overlap);
  EXPECT_TRUE(back.crossfade);
}

}  // namespace
}  // namespace document
