// Level meter core: layout formulas, level-to-bar mapping, fall-off, peak and valley lines, clip latching,
// DC offset tracking, the settings section and the context-menu commands; and a randomized run checking
// that the incremental paint operations always leave the same picture a full repaint would.
#include "audio/meter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "audio/meter_settings.h"
#include "include/sorn_bytes.h"
#include "platform/profile.h"
#include "platform/test_dir.h"
#include "platform/test_scale.h"
#include "resources/command_ids.h"

namespace audio {
namespace {

bool Same(const MeterRect& a, const MeterRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
std::string Str(const MeterRect& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}
#define EXPECT_RECT(a, b) EXPECT_TRUE(Same(a, b)) << Str(a) << " != " << Str(b)

// A meter laid out in a 200 x 60 client with 13-pixel text (bar inner width 177).
MeterState Meter(int channels = 1, MeterSettings s = MeterSettings{}) {
  MeterState m;
  MeterInit(&m, s);
  MeterSetLayout(&m, {0, 0, 200, 60}, 13, channels, true);
  return m;
}

int32_t InnerWidth(const MeterState& m, int c = 0) {
  return m.layout.barInner(c).width();
}

std::vector<uint8_t> Block16(const std::vector<int16_t>& samples) {
  std::vector<uint8_t> b;
  for (int16_t s : samples) SornAppendU16LE(&b, static_cast<uint16_t>(s));
  return b;
}

TEST(MeterLayout, Formulas) {
  struct Case {
    MeterRect client;
    int th, channels;
    MeterRect bar0, bar1, clip0, clip1, scale;
  };
  const Case cases[] = {
      {{0, 0, 200, 40}, 13, 1, {1, 1, 180, 26}, {}, {182, 1, 199, 26}, {}, {0, 27, 200, 40}},
      // m = (60 + 0 - 13) / 2 = 23
      {{0, 0, 200, 60},
       13,
       2,
       {1, 1, 180, 22},
       {1, 24, 180, 46},
       {182, 1, 199, 22},
       {182, 24, 199, 46},
       {0, 47, 200, 60}},
      // m = (65 + 5 - 13) / 2 = 28
      {{10, 5, 210, 65},
       13,
       2,
       {11, 6, 190, 27},
       {11, 29, 190, 51},
       {192, 6, 209, 27},
       {192, 29, 209, 51},
       {10, 52, 210, 65}},
      // The main window's 5-pixel meter: no room for the scale, a bordered mono bar of one row.
      {{0, 0, 300, 5}, 13, 1, {1, 1, 280, 4}, {}, {282, 1, 299, 4}, {}, {}},
      // ... and borderless stereo bars sharing the height.
      {{0, 0, 300, 5}, 13, 2, {1, 0, 280, 2}, {1, 2, 280, 5}, {282, 0, 299, 2}, {282, 2, 299, 5}, {}},
  };
  for (const Case& c : cases) {
    const MeterLayout l = MeterLayoutFor(c.client, c.th, c.channels);
    SCOPED_TRACE(Str(c.client) + " channels " + std::to_string(c.channels));
    EXPECT_EQ(l.channels, c.channels);
    EXPECT_RECT(l.bar[0], c.bar0);
    EXPECT_RECT(l.bar[1], c.bar1);
    EXPECT_RECT(l.clip[0], c.clip0);
    EXPECT_RECT(l.clip[1], c.clip1);
    EXPECT_RECT(l.scale, c.scale);
  }
  EXPECT_TRUE(MeterLayoutFor({0, 0, 300, 5}, 13, 1).bordered);
  EXPECT_FALSE(MeterLayoutFor({0, 0, 300, 5}, 13, 2).bordered);
  EXPECT_EQ(MeterLayoutFor({0, 0, 300, 5}, 13, 1).barInner(0).height(), 1);
}

TEST(MeterLayout, TinyAndDegenerateClientsGiveNoNegativeRectangles) {
  for (int w : {0, 1, 5, 19, 21, 40})
    for (int h : {0, 1, 2, 3, 4, 9, 14, 30})
      for (int ch : {1, 2}) {
        const MeterLayout l = MeterLayoutFor({0, 0, w, h}, 13, ch);
        for (int c = 0; c < 2; ++c)
          for (const MeterRect& r : {l.bar[c], l.clip[c], l.barInner(c), l.clipInner(c)}) {
            EXPECT_GE(r.width(), 0) << w << "x" << h;
            EXPECT_GE(r.height(), 0) << w << "x" << h;
            EXPECT_GE(r.left, 0);
            EXPECT_LE(r.bottom, std::max(h, 0) + 0) << w << "x" << h;
          }
        MeterState m;
        MeterInit(&m, {});
        MeterSetLayout(&m, {0, 0, w, h}, 13, ch, true);
        MeterPaintList ops;
        MeterSetLevels(&m, 1.0, 0.5, 10, &ops);
        MeterSetLevels(&m, 0.1, 0.9, 20, &ops);
        for (const MeterPaintOp& op : ops) EXPECT_FALSE(op.rect.empty());
      }
}

TEST(MeterLevels, FractionOfTheRange) {
  struct Case {
    double level;
    int range;
    double fraction;
    bool clip;
  };
  const Case cases[] = {
      {0.001, 60, 0, false},    {0.1, 60, 2.0 / 3, false},  {1.0, 60, 1, true},
      {1.5, 60, 1, true},       {0.5e-6, 60, 0, false},     {0.0, 60, 0, false},
      {0.5, 12, 0.4983, false}, {1e-3, 90, 1.0 / 3, false}, {std::nan(""), 60, 0, false},
  };
  for (const Case& c : cases) {
    bool clip = false;
    EXPECT_NEAR(MeterFraction(c.level, c.range, &clip), c.fraction, 1e-3) << c.level << " " << c.range;
    EXPECT_EQ(clip, c.clip) << c.level;
  }
  // On the bar: -60 dB is an empty bar, -20 dB two thirds of it.
  MeterState m = Meter();
  MeterSetLevels(&m, 0.001, 0, 0, nullptr);
  EXPECT_EQ(m.ch[0].drawn, 0);
  MeterSetLevels(&m, 0.1, 0, 1, nullptr);
  EXPECT_NEAR(m.ch[0].shown, 2.0 / 3, 1e-9);
  EXPECT_NEAR(m.ch[0].drawn, InnerWidth(m) * 2 / 3, 1);
}

TEST(MeterLevels, FullScaleBlockLatchesTheClipUntilCleared) {
  struct Case {
    int bits;
    std::vector<uint8_t> block;
    bool clip;
  };
  const Case cases[] = {
      {16, Block16({0, 0, 32767, 0}), true},  {16, Block16({-32768, 0, 0, 0}), true},
      {16, Block16({32766, 0, 0, 0}), false}, {8, {128, 128, 0, 128}, true},  // 0 is (0 - 128) x 256 = -32768
      {8, {128, 255, 128, 128}, false},                                       // 255 is 32512
  };
  for (const Case& c : cases) {
    MeterState m = Meter();
    MeterPaintList ops;
    ASSERT_TRUE(MeterFeed(&m, c.block.data(), c.block.size(), c.bits, 1, 0, &ops));
    EXPECT_EQ(m.ch[0].clip, c.clip);
    const std::vector<uint8_t> silence =
        c.bits == 8 ? std::vector<uint8_t>(64, 128) : std::vector<uint8_t>(64, 0);
    for (uint32_t t = 10; t < 5000; t += 10)
      MeterFeed(&m, silence.data(), silence.size(), c.bits, 1, t, &ops);
    EXPECT_EQ(m.ch[0].clip, c.clip);
    bool redBox = false;
    for (const MeterPaintOp& op : MeterFullPaint(m))
      if (Same(op.rect, m.layout.clipInner(0))) redBox = op.color == MeterColor::kRed;
    EXPECT_EQ(redBox, c.clip);
    MeterClearClips(&m, &ops);
    EXPECT_FALSE(m.ch[0].clip);
  }
}

TEST(MeterLevels, FullBarFallsToHalfAfter500msOfSilence) {
  MeterState m = Meter(2);
  MeterSetLevels(&m, 1.0, 1.0, 1000, nullptr);
  ASSERT_EQ(m.ch[0].shown, 1);
  const std::vector<uint8_t> silence(4 * 441, 0);  // 10 ms of 16-bit stereo at 44100 Hz
  for (uint32_t t = 1010; t <= 1500; t += 10)
    MeterFeed(&m, silence.data(), silence.size(), 16, 2, t, nullptr);
  for (int c = 0; c < 2; ++c) {
    EXPECT_NEAR(m.ch[c].shown, 0.5, 1e-9);
    EXPECT_NEAR(m.ch[c].drawn, InnerWidth(m, c) / 2, 1);
  }
  // A louder level than the fallen bar shows at once.
  MeterSetLevels(&m, 1.0, 0.001, 1510, nullptr);
  EXPECT_EQ(m.ch[0].shown, 1);
  EXPECT_NEAR(m.ch[1].shown, 0.49, 1e-9);
}

TEST(MeterLevels, FadeTimeZeroFollowsAtOnce) {
  MeterSettings s;
  s.fadeTime = 0;
  MeterState m = Meter(1, s);
  MeterSetLevels(&m, 1.0, 0, 0, nullptr);
  MeterSetLevels(&m, 0.1, 0, 1, nullptr);
  EXPECT_NEAR(m.ch[0].shown, 2.0 / 3, 1e-9);
}

TEST(MeterLevels, StaticPeaksAreHeldUntilClearedDynamicOnesExpire) {
  for (int peakTime : {0, 1500}) {
    MeterSettings s;
    s.peakTime = peakTime;
    MeterState m = Meter(1, s);
    MeterSetLevels(&m, 1.0, 0, 0, nullptr);
    const int32_t full = InnerWidth(m);
    EXPECT_EQ(m.ch[0].peak, full);
    for (uint32_t t = 10; t <= 1500; t += 10) MeterSetLevels(&m, 0, 0, t, nullptr);
    EXPECT_EQ(m.ch[0].peak, full) << "held for PeakTime";
    for (uint32_t t = 1510; t <= 100000; t += 10) MeterSetLevels(&m, 0, 0, t, nullptr);
    EXPECT_EQ(m.ch[0].peak, peakTime == 0 ? full : 0) << peakTime;
    // Stopping the feed (level "off") keeps a static line.
    MeterFeed(&m, nullptr, 0, 16, 1, 100010, nullptr);
    EXPECT_EQ(m.ch[0].peak, peakTime == 0 ? full : 0);
    MeterPaintList ops;
    MeterCommand(&m, IDM_METER_CLEAR_CLIP, 100020, &ops);
    EXPECT_EQ(m.ch[0].peak, 0);
    // Static holding survives Clear Clip Indicators: the next peak is held again.
    MeterSetLevels(&m, 0.1, 0, 100030, nullptr);
    const int32_t twoThirds = m.ch[0].drawn;
    EXPECT_NEAR(twoThirds, full * 2 / 3, 1);
    for (uint32_t t = 100040; t <= 110000; t += 10) MeterSetLevels(&m, 0, 0, t, nullptr);
    EXPECT_EQ(m.ch[0].peak, peakTime == 0 ? twoThirds : 0);
  }
}

TEST(MeterLevels, ValleysFollowTheMinimumAndExpire) {
  MeterSettings s;
  s.showValleys = 1;
  s.fadeTime = 0;
  MeterState m = Meter(1, s);
  MeterSetLevels(&m, 1.0, 0, 0, nullptr);
  EXPECT_EQ(m.ch[0].valley, InnerWidth(m));  // a forgotten valley is set by the first edge
  MeterSetLevels(&m, 0.1, 0, 10, nullptr);
  const int32_t low = m.ch[0].drawn;
  EXPECT_EQ(m.ch[0].valley, low);
  MeterSetLevels(&m, 1.0, 0, 2510, nullptr);
  EXPECT_EQ(m.ch[0].valley, low);
  MeterSetLevels(&m, 1.0, 0, 2511, nullptr);  // more than ValleyTime: forgotten, restarted by the edge
  EXPECT_EQ(m.ch[0].valley, InnerWidth(m));
}

TEST(MeterLevels, SmallRangeIsRaisedAtTheFirstUpdate) {
  platform::TestDir dir("meter");
  const std::string ini = dir.file("sorn.ini");
  ASSERT_TRUE(platform::profileWriteString("Meter", "Range", "3", ini.c_str()));
  MeterState m;
  MeterInit(&m, MeterLoadSettings(ini.c_str()));
  EXPECT_EQ(m.settings.range, 3);
  MeterSetLayout(&m, {0, 0, 200, 40}, 13, 1, true);
  MeterSetLevels(&m, 0.5, 0.5, 0, nullptr);
  EXPECT_EQ(m.settings.range, 12);
  ASSERT_TRUE(MeterSaveSettings(m.settings, ini.c_str()));
  EXPECT_EQ(platform::profileGetInt("Meter", "Range", 0, ini.c_str()), 12);
  // MeterSetRange limits to 6 .. 120.
  for (auto [in, out] : {std::pair{3, 6}, {6, 6}, {75, 75}, {121, 120}, {-4, 6}}) {
    MeterSetRange(&m, in);
    EXPECT_EQ(m.settings.range, out) << in;
  }
}

TEST(MeterSettingsFile, DefaultsNegativesAndRoundTrip) {
  platform::TestDir dir("meter");
  const std::string ini = dir.file("sorn.ini");
  const MeterSettings d = MeterLoadSettings(ini.c_str());
  EXPECT_EQ(d.showOnPlay, 0);
  EXPECT_EQ(d.dcAdjust, 1);
  EXPECT_EQ(d.showValleys, 0);
  EXPECT_EQ(d.range, 60);
  EXPECT_EQ(d.fadeTime, 1000);
  EXPECT_EQ(d.peakTime, 1500);
  EXPECT_EQ(d.valleyTime, 2500);
  for (const char* key : {"FadeTime", "PeakTime", "ValleyTime"})
    ASSERT_TRUE(platform::profileWriteString("Meter", key, "-1", ini.c_str()));
  const MeterSettings n = MeterLoadSettings(ini.c_str());
  EXPECT_EQ(n.fadeTime, 1000);
  EXPECT_EQ(n.peakTime, 1500);
  EXPECT_EQ(n.valleyTime, 2500);
  const MeterSettings s{1, 0, 1, 45, 0, 0, 7};
  ASSERT_TRUE(MeterSaveSettings(s, ini.c_str()));
  EXPECT_EQ(platform::profileGet("Meter", "ValleyTime", "", ini.c_str()), "7");
  const MeterSettings r = MeterLoadSettings(ini.c_str());
  EXPECT_EQ(r.showOnPlay, 1);
  EXPECT_EQ(r.dcAdjust, 0);
  EXPECT_EQ(r.showValleys, 1);
  EXPECT_EQ(r.range, 45);
  EXPECT_EQ(r.fadeTime, 0);
  EXPECT_EQ(r.peakTime, 0);
  EXPECT_EQ(r.valleyTime, 7);
}

TEST(MeterFeed, DcOffsetAppliesOnlyAfterMoreThan400Frames) {
  for (int dcAdjust : {1, 0}) {
    MeterSettings s;
    s.dcAdjust = dcAdjust;
    s.fadeTime = 0;
    MeterState m = Meter(1, s);
    const std::vector<uint8_t> block = Block16(std::vector<int16_t>(100, 16384));
    for (int i = 0; i < 5; ++i) {  // 500 frames; the offset is taken after the fifth block
      MeterFeed(&m, block.data(), block.size(), 16, 1, 10 * i, nullptr);
      EXPECT_NEAR(m.ch[0].shown, MeterFraction(16384 / 32767.0, 60, nullptr), 1e-9) << i;
    }
    EXPECT_EQ(m.dc[0], dcAdjust ? 16384 : 0);
    MeterFeed(&m, block.data(), block.size(), 16, 1, 50, nullptr);
    EXPECT_EQ(m.ch[0].shown, dcAdjust ? 0 : MeterFraction(16384 / 32767.0, 60, nullptr));
  }
  // Stereo: each channel has its own offset.
  MeterState m = Meter(2);
  std::vector<int16_t> st;
  for (int i = 0; i < 401; ++i) st.insert(st.end(), {1000, -2000});
  const std::vector<uint8_t> block = Block16(st);
  MeterFeed(&m, block.data(), block.size(), 16, 2, 0, nullptr);
  EXPECT_EQ(m.dc[0], 1000);
  EXPECT_EQ(m.dc[1], -2000);
}

TEST(MeterFeed, ShortBlocksAndUnknownFormatsAreIgnored) {
  MeterState m = Meter();
  const std::vector<uint8_t> loud = Block16({32767, 32767});
  EXPECT_TRUE(MeterFeed(&m, loud.data(), 3, 16, 1, 0, nullptr));
  EXPECT_EQ(m.ch[0].shown, 0);
  EXPECT_FALSE(m.ch[0].clip);
  EXPECT_FALSE(MeterFeed(&m, loud.data(), 4, 32, 1, 0, nullptr));
  EXPECT_FALSE(MeterFeed(&m, loud.data(), 4, 16, 3, 0, nullptr));
  EXPECT_EQ(m.ch[0].shown, 0);
  // A trailing partial frame is not read: 5 bytes of stereo 16-bit are one frame.
  EXPECT_TRUE(MeterFeed(&m, Block16({0, 0, 32767}).data(), 5, 16, 2, 0, nullptr));
  EXPECT_FALSE(m.ch[0].clip);
}

TEST(MeterCommands, ChecksAndActions) {
  MeterState m = Meter(2);
  MeterPaintList ops;
  EXPECT_TRUE(MeterMenuChecked(m.settings, IDM_METER_ADJUST_DC));
  EXPECT_TRUE(MeterMenuChecked(m.settings, IDM_METER_RANGE_60));
  EXPECT_FALSE(MeterMenuChecked(m.settings, IDM_METER_RANGE_90));
  EXPECT_TRUE(MeterMenuChecked(m.settings, IDM_METER_DYNAMIC));
  EXPECT_FALSE(MeterMenuChecked(m.settings, IDM_METER_STATIC));

  EXPECT_TRUE(MeterCommand(&m, IDM_METER_START_STOP, 0, &ops).startStop);
  EXPECT_EQ(MeterCommand(&m, IDM_METER_ADJUST_DC, 0, &ops).dcNotify, kMeterNotifyDcOff);
  EXPECT_FALSE(MeterMenuChecked(m.settings, IDM_METER_ADJUST_DC));
  EXPECT_EQ(MeterCommand(&m, IDM_METER_ADJUST_DC, 0, &ops).dcNotify, kMeterNotifyDcOn);

  const std::pair<int, int> ranges[] = {{IDM_METER_RANGE_90, 90},
                                        {IDM_METER_RANGE_75, 75},
                                        {IDM_METER_RANGE_60, 60},
                                        {IDM_METER_RANGE_45, 45},
                                        {IDM_METER_RANGE_30, 30}};
  for (auto [cmd, dB] : ranges) {
    EXPECT_TRUE(MeterCommand(&m, cmd, 0, &ops).repaint);
    EXPECT_EQ(m.settings.range, dB);
    for (auto [other, unused] : ranges) EXPECT_EQ(MeterMenuChecked(m.settings, other), other == cmd);
  }
  MeterCommand(&m, IDM_METER_STATIC, 0, &ops);
  EXPECT_EQ(m.settings.peakTime, 0);
  EXPECT_EQ(m.settings.valleyTime, 0);
  EXPECT_TRUE(MeterMenuChecked(m.settings, IDM_METER_STATIC));
  MeterCommand(&m, IDM_METER_DYNAMIC, 0, &ops);
  EXPECT_EQ(m.settings.peakTime, 1500);
  EXPECT_EQ(m.settings.valleyTime, 2500);

  EXPECT_TRUE(MeterCommand(&m, IDM_METER_VALLEYS, 0, &ops).repaint);
  EXPECT_TRUE(MeterMenuChecked(m.settings, IDM_METER_VALLEYS));

  MeterSetLevels(&m, 0.5, 0.5, 100, &ops);
  MeterCommand(&m, IDM_METER_SHOW_ON_PLAY, 110, &ops);
  EXPECT_TRUE(MeterMenuChecked(m.settings, IDM_METER_SHOW_ON_PLAY));
  EXPECT_GT(m.ch[0].shown, 0);
  MeterCommand(&m, IDM_METER_SHOW_ON_PLAY, 120, &ops);  // switching off resets the bars
  EXPECT_EQ(m.ch[0].shown, 0);
  EXPECT_EQ(m.ch[1].drawn, 0);
  EXPECT_FALSE(MeterCommand(&m, 5030, 0, &ops).handled);
}

TEST(MeterHit, BarsAndClipBoxes) {
  const MeterLayout l = MeterLayoutFor({0, 0, 200, 60}, 13, 2);
  EXPECT_EQ(MeterHitBar(l, 50, 10), 0);
  EXPECT_EQ(MeterHitBar(l, 50, 30), 1);
  EXPECT_EQ(MeterHitBar(l, 50, 23), -1);
  EXPECT_EQ(MeterHitBar(l, 190, 10), -1);
  EXPECT_EQ(MeterHitClip(l, 190, 10), 0);
  EXPECT_EQ(MeterHitClip(l, 190, 30), 1);
  EXPECT_EQ(MeterHitClip(l, 50, 55), -1);
}

// A canvas the paint operations are applied to, so incremental updates can be compared with a repaint.
struct Canvas {
  int w, h;
  std::vector<int> px;
  Canvas(int w_, int h_) : w(w_), h(h_), px(static_cast<size_t>(w_) * h_, -1) {}
  void apply(const MeterPaintList& ops) {
    for (const MeterPaintOp& op : ops) {
      ASSERT_FALSE(op.rect.empty());
      ASSERT_GE(op.rect.left, 0);
      ASSERT_GE(op.rect.top, 0);
      ASSERT_LE(op.rect.right, w);
      ASSERT_LE(op.rect.bottom, h);
      for (int y = op.rect.top; y < op.rect.bottom; ++y)
        for (int x = op.rect.left; x < op.rect.right; ++x) px[static_cast<size_t>(y) * w + x] = int(op.color);
    }
  }
};

unsigned Seed() {
  const char* env = std::getenv("SORN_TEST_SEED");
  return env ? static_cast<unsigned>(std::strtoul(env, nullptr, 10)) : std::random_device{}();
}

TEST(MeterRandom, InvariantsAndIncrementalPaintMatchesRepaint) {
  const unsigned seed = Seed();
  std::cout << "seed " << seed << "\n";
  std::mt19937 rng(seed);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int run = 0; run < 20 * platform::testScale(); ++run) {
    MeterSettings s;
    s.fadeTime = pick(0, 3) * 500;
    s.peakTime = pick(0, 2) * 700;
    s.valleyTime = pick(0, 2) * 900;
    s.showValleys = pick(0, 1);
    s.dcAdjust = pick(0, 1);
    s.range = pick(1, 130);
    const int w = pick(0, 120), h = pick(0, 50), channels = pick(1, 2);
    MeterState m;
    MeterInit(&m, s);
    MeterSetLayout(&m, {0, 0, w, h}, 13, channels, true);
    Canvas live(w, h);
    live.apply(MeterFullPaint(m));
    bool levelsShown = false;
    uint32_t now = static_cast<uint32_t>(pick(0, 1) ? 0 : -5000);  // also across the tick count's wrap
    for (int step = 0; step < 300; ++step) {
      now += pick(0, 200);
      MeterPaintList ops;
      const int what = pick(0, 20);
      if (what == 0) {
        MeterFeed(&m, nullptr, 0, 16, channels, now, &ops);
      } else if (what == 1) {
        MeterClearClips(&m, &ops);
      } else if (what < 6) {
        std::vector<int16_t> samples(static_cast<size_t>(pick(0, 300)));
        const int amp = pick(0, 32767), bias = pick(-2000, 2000);
        for (int16_t& x : samples)
          x = static_cast<int16_t>(std::clamp(bias + pick(-amp, amp), -32768, 32767));
        const std::vector<uint8_t> b = Block16(samples);
        MeterFeed(&m, b.data(), b.size(), 16, pick(1, 2), now, &ops);
      } else {
        auto level = [&] { return pick(0, 9) == 0 ? -1.0 : std::pow(10.0, -pick(0, 1400) / 200.0) * 1.2; };
        MeterSetLevels(&m, level(), level(), now, &ops);
      }
      levelsShown = levelsShown || what != 1;
      live.apply(ops);
      Canvas fresh(w, h);
      fresh.apply(MeterFullPaint(m));
      ASSERT_EQ(live.px, fresh.px) << "seed " << seed << " run " << run << " step " << step;
      for (int c = 0; c < channels; ++c) {
        const MeterChannel& ch = m.ch[c];
        ASSERT_GE(ch.shown, 0);
        ASSERT_LE(ch.shown, 1);
        ASSERT_GE(ch.drawn, 0);
        ASSERT_LE(ch.drawn, std::max(0, InnerWidth(m, c)));
        ASSERT_GE(ch.peak, ch.drawn) << "peak line left of the bar edge";
        if (s.showValleys && ch.valley != kMeterValleyForgotten) {
          ASSERT_LE(ch.valley, ch.drawn);
        }
      }
      if (levelsShown) {
        ASSERT_GE(m.settings.range, kMeterShownMinRange);
      }
    }
  }
}

}  // namespace
}  // namespace audio
