// tonegen.xfm itself under Wine, driven as the host drives it but by a stand-in host: a context whose
// writer works on a memory wave and whose Limits, progress and centring services log their calls. Shows the
// undecorated entry points, the description, the defaults, the dialog (waveform, length, frequency and
// level; the generated length told to the host in XfmSetup; Limits correcting a frequency above half the
// rate; Cancel) and XfmDo writing exactly the frames the host made room for, a sine of the chosen
// frequency and level, and stopping when the progress window is cancelled.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "include/xfm_abi.h"
#include "plugins/tonegen/dll/tonegen_ids.h"

namespace {

struct FakeHost {
  std::vector<float> wave;  // interleaved, on the 16-bit grid
  int channels = 2;
  int reads = 0, writes = 0, meters = 0, creates = 0, destroys = 0, limitsCalls = 0, finalChecks = 0;
  uint32_t lastFormat = 0;
  int stopAfter = 0;  // the meter answers "stop" from this call on (0: never)
  int32_t lowestWrite = INT32_MAX, highestWrite = -1;
};
FakeHost gHost;

int32_t __stdcall fakeRead(XfmFile, void* buffer, int32_t start, int32_t frames, uint32_t format) {
  ++gHost.reads;
  gHost.lastFormat = format;
  std::memcpy(buffer, &gHost.wave[size_t(start) * size_t(gHost.channels)],
              size_t(frames) * gHost.channels * 4);
  return frames;
}
int32_t __stdcall fakeWrite(XfmFile, void* buffer, int32_t start, int32_t frames, uint32_t format) {
  ++gHost.writes;
  gHost.lastFormat = format;
  gHost.lowestWrite = std::min(gHost.lowestWrite, start);
  gHost.highestWrite = std::max(gHost.highestWrite, start + frames - 1);
  std::memcpy(&gHost.wave[size_t(start) * size_t(gHost.channels)], buffer,
              size_t(frames) * gHost.channels * 4);
  return frames;
}
int32_t __stdcall fakeMeter(int32_t, int32_t) {
  ++gHost.meters;
  return gHost.stopAfter == 0 || gHost.meters < gHost.stopAfter ? 1 : 0;
}
int32_t __stdcall fakeCreate(const char*, XfmWindow) {
  ++gHost.creates;
  return 1;
}
int32_t __stdcall fakeDestroy() {
  ++gHost.destroys;
  return 1;
}
int32_t __stdcall fakeCenter(XfmWindow, uint32_t) {
  return 0;
}
// Limits as the contract describes it, without the alert: the value clamped; on focus loss the text too.
int32_t __stdcall fakeLimits(XfmContext* ctx, XfmWindow dialog, uint32_t idAndCode, double lo, double hi,
                             double* result) {
  ++gHost.limitsCalls;
  char text[30] = {};
  GetDlgItemTextA(static_cast<HWND>(dialog), int(idAndCode & 0xFFFF), text, sizeof text);
  double v = std::strtod(text, nullptr);
  const double c = v < lo ? lo : v > hi ? hi : v;
  const bool final = (idAndCode >> 16) == 512;
  if (final) {
    ++gHost.finalChecks;
    if (c != v) {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%g", c);
      SetDlgItemTextA(static_cast<HWND>(dialog), int(idAndCode & 0xFFFF), buf);
    }
  }
  if (result) *result = c;
  return final ? 1 : 0;
}

struct Plugin {
  HMODULE dll = LoadLibraryA("tonegen.xfm");
  QueryXfmFn query = dll ? reinterpret_cast<QueryXfmFn>(GetProcAddress(dll, "QueryXfm")) : nullptr;
  XfmInitFn init = dll ? reinterpret_cast<XfmInitFn>(GetProcAddress(dll, "XfmInit")) : nullptr;
  XfmSetupFn setup = dll ? reinterpret_cast<XfmSetupFn>(GetProcAddress(dll, "XfmSetup")) : nullptr;
  XfmDoFn run = dll ? reinterpret_cast<XfmDoFn>(GetProcAddress(dll, "XfmDo")) : nullptr;
  XfmDestroyFn destroy = dll ? reinterpret_cast<XfmDestroyFn>(GetProcAddress(dll, "XfmDestroy")) : nullptr;
  ~Plugin() {
    if (dll) FreeLibrary(dll);
  }
};

XfmContext makeContext(uint32_t varsSize) {
  XfmContext c;
  std::memset(&c, 0, sizeof c);
  c.channels = 2;
  c.bits = 16;
  c.frameBytes = 4;
  c.rate = 44100;
  c.vars = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, varsSize);
  c.cwCenter = fakeCenter;
  c.progressMeter = fakeMeter;
  c.progressCreate = fakeCreate;
  c.progressDestroy = fakeDestroy;
  c.Limits = fakeLimits;
  c.vocReadEx = fakeRead;
  c.vocWriteEx = fakeWrite;
  c.file = 5;
  c.one = 1;
  return c;
}

struct Vars {
  int32_t waveform;
  double seconds, frequency, percent;
};
Vars vars(const XfmContext& c) {
  Vars v;
  const uint8_t* p = static_cast<const uint8_t*>(GlobalLock(c.vars));
  std::memcpy(&v.waveform, p, 4);
  std::memcpy(&v.seconds, p + 4, 8);
  std::memcpy(&v.frequency, p + 12, 8);
  std::memcpy(&v.percent, p + 20, 8);
  GlobalUnlock(c.vars);
  return v;
}

// The dialog answered from the modal loop: one step per tick.
struct DialogScript {
  std::vector<std::pair<int, std::string>> fields;  // typed in this order
  int button = IDOK;
  int radio = 0;  // a waveform button to click first, 0 for none
  bool done = false;
};
DialogScript gScript;

void CALLBACK driveDialog(HWND, UINT, UINT_PTR, DWORD) {
  HWND d = FindWindowA(nullptr, "Tone Generator");
  if (!d || gScript.done) return;
  if (gScript.radio) {
    CheckRadioButton(d, IDC_TONE_SINE, IDC_TONE_SILENCE, gScript.radio);
    SendMessageA(d, WM_COMMAND, MAKEWPARAM(gScript.radio, BN_CLICKED), 0);
  }
  for (auto& f : gScript.fields) SetDlgItemTextA(d, f.first, f.second.c_str());
  gScript.done = true;
  PostMessageA(d, WM_COMMAND, gScript.button, 0);
}

INT_PTR runSetup(Plugin& p, XfmContext* ctx, DialogScript script) {
  gScript = script;
  UINT_PTR t = SetTimer(nullptr, 0, 50, driveDialog);
  INT_PTR r = p.setup(nullptr, p.dll, ctx);
  KillTimer(nullptr, t);
  return r;
}

TEST(TonePlugin, EntryPointsDescriptionAndDefaults) {
  Plugin p;
  ASSERT_NE(p.dll, nullptr) << GetLastError();
  ASSERT_TRUE(p.query && p.init && p.setup && p.run && p.destroy);
  XfmInfo info;
  std::memset(&info, 0x55, sizeof info);
  EXPECT_EQ(p.query(&info) & 0xFFFF, uint32_t(XFM_VERSION));
  EXPECT_STREQ(info.name, "Tone Generator");
  EXPECT_EQ(info.flags, uint32_t(XFM_GENERATE | XFM_NATIVE_FORMAT));
  EXPECT_EQ(info.formatMask, 0x3f);
  EXPECT_EQ(info.varsSize, 28u);
  EXPECT_STREQ(info.types, "lddd");
  EXPECT_STREQ(info.presets, "yyyy");
  XfmContext c = makeContext(28);
  EXPECT_EQ(p.init(&c), 1);
  Vars v = vars(c);
  EXPECT_EQ(v.waveform, 0);
  EXPECT_EQ(v.seconds, 1.0);
  EXPECT_EQ(v.frequency, 1000.0);
  EXPECT_EQ(v.percent, 50.0);
  EXPECT_EQ(p.destroy(&c), 1);
  GlobalFree(c.vars);
}

TEST(TonePlugin, DialogSetsTheToneAndTellsTheLength) {
  Plugin p;
  ASSERT_NE(p.dll, nullptr);
  XfmContext c = makeContext(28);
  p.init(&c);
  gHost = FakeHost();
  EXPECT_EQ(
      runSetup(p, &c,
               {{{IDC_TONE_SECONDS, "0.5"}, {IDC_TONE_FREQUENCY, "440"}, {IDC_TONE_PERCENT, "25"}}, IDOK, 0}),
      1);
  Vars v = vars(c);
  EXPECT_EQ(v.waveform, 0);
  EXPECT_EQ(v.seconds, 0.5);
  EXPECT_EQ(v.frequency, 440.0);
  EXPECT_EQ(v.percent, 25.0);
  EXPECT_EQ(c.generateCount, 22050);
  EXPECT_NE(c.generateReplace, 0);
  EXPECT_GT(gHost.finalChecks, 0);
  // A frequency above half the rate is corrected; noise keeps the frequency it had; the dB field sets
  // the level.
  EXPECT_EQ(runSetup(p, &c, {{{IDC_TONE_FREQUENCY, "30000"}}, IDOK, 0}), 1);
  EXPECT_EQ(vars(c).frequency, 22050.0);
  EXPECT_EQ(runSetup(p, &c, {{{IDC_TONE_DB, "-20"}, {IDC_TONE_SECONDS, "2"}}, IDOK, IDC_TONE_NOISE}), 1);
  v = vars(c);
  EXPECT_EQ(v.waveform, 1);
  EXPECT_NEAR(v.percent, 10.0, 1e-9);
  EXPECT_EQ(c.generateCount, 88200);
  EXPECT_EQ(runSetup(p, &c, {{{IDC_TONE_SECONDS, "9"}}, IDCANCEL, IDC_TONE_SILENCE}), 0);
  EXPECT_EQ(vars(c).waveform, 1);  // Cancel keeps the settings
  EXPECT_EQ(vars(c).seconds, 2.0);
  GlobalFree(c.vars);
}

TEST(TonePlugin, DoWritesTheRangeTheHostMade) {
  Plugin p;
  ASSERT_NE(p.dll, nullptr);
  XfmContext c = makeContext(28);
  p.init(&c);
  gHost = FakeHost();
  ASSERT_EQ(
      runSetup(p, &c,
               {{{IDC_TONE_SECONDS, "0.5"}, {IDC_TONE_FREQUENCY, "441"}, {IDC_TONE_PERCENT, "25"}}, IDOK, 0}),
      1);
  gHost = FakeHost();
  gHost.wave.assign(size_t(30000) * 2, 7.0f);
  c.first = 100;
  c.last = c.first + c.generateCount - 1;  // what the host does with replace
  EXPECT_EQ(p.run(&c), 22050);
  EXPECT_EQ(gHost.lastFormat, uint32_t(XFM_XF_32BIT | XFM_XF_STEREO));
  EXPECT_EQ(gHost.lowestWrite, 100);
  EXPECT_EQ(gHost.highestWrite, 100 + 22050 - 1);
  EXPECT_EQ(gHost.wave[199], 7.0f);
  EXPECT_EQ(gHost.wave[size_t(100 + 22050) * 2], 7.0f);
  double peak = 0;
  int crossings = 0;
  for (int k = 0; k < 22050; ++k) {
    const float l = gHost.wave[size_t(100 + k) * 2], r = gHost.wave[size_t(100 + k) * 2 + 1];
    ASSERT_EQ(l, r);
    ASSERT_EQ(l, std::round(l));  // the 16-bit grid
    peak = std::max(peak, double(std::fabs(l)));
    if (k > 0) crossings += (gHost.wave[size_t(100 + k - 1) * 2] < 0) != (l < 0);
  }
  EXPECT_NEAR(peak, 0.25 * 32767, 1.0);  // 441 Hz at 44100: every peak is a sample
  EXPECT_NEAR(crossings, 441, 2);
  EXPECT_GE(gHost.creates, 1);
  EXPECT_EQ(gHost.destroys, gHost.creates);

  // Less room than the settings' length: only the room is written.
  gHost = FakeHost();
  gHost.wave.assign(size_t(30000) * 2, 7.0f);
  c.first = 0;
  c.last = 999;
  EXPECT_EQ(p.run(&c), 1000);
  EXPECT_EQ(gHost.highestWrite, 999);
  EXPECT_EQ(gHost.wave[2000], 7.0f);

  // Cancelled after the first chunk: the frames so far.
  gHost = FakeHost();
  gHost.wave.assign(size_t(30000) * 2, 7.0f);
  gHost.stopAfter = 1;
  c.first = 0;
  c.last = 22049;
  const int32_t n = p.run(&c);
  EXPECT_GT(n, 0);
  EXPECT_LT(n, 22050);
  EXPECT_EQ(gHost.highestWrite, n - 1);
  GlobalFree(c.vars);
}

}  // namespace
