// normalize.xfm itself under Wine, driven as the host drives it but by a stand-in host: a context whose
// reader and writer work on a memory wave and whose Limits, progress and centring services log their
// calls. Shows the undecorated entry points, the description, the variables block, the dialog (the dB field
// sets the level, Limits corrects an out-of-range level, Cancel keeps the old one) and XfmDo bringing the
// range's peak to the level and nothing outside it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "include/xfm_abi.h"
#include "plugins/normalize/dll/normalize_ids.h"

namespace {

struct FakeHost {
  std::vector<float> wave;  // interleaved, on the 16-bit grid
  int channels = 2;
  int reads = 0, writes = 0, meters = 0, creates = 0, destroys = 0, limitsCalls = 0, finalChecks = 0;
  uint32_t lastFormat = 0;
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
  std::memcpy(&gHost.wave[size_t(start) * size_t(gHost.channels)], buffer,
              size_t(frames) * gHost.channels * 4);
  return frames;
}
int32_t __stdcall fakeMeter(int32_t, int32_t) {
  ++gHost.meters;
  return 1;
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
  HMODULE dll = LoadLibraryA("normalize.xfm");
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

double level(const XfmContext& c) {
  double v = 0;
  std::memcpy(&v, GlobalLock(c.vars), 8);
  GlobalUnlock(c.vars);
  return v;
}

// The dialog answered from the modal loop: one step per tick.
struct DialogScript {
  std::vector<std::pair<int, std::string>> fields;  // typed in this order
  int button = IDOK;
  bool done = false;
};
DialogScript gScript;

void CALLBACK driveDialog(HWND, UINT, UINT_PTR, DWORD) {
  HWND d = FindWindowA(nullptr, "Normalize");
  if (!d || gScript.done) return;
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

TEST(NormalizePlugin, EntryPointsAndDescription) {
  Plugin p;
  ASSERT_NE(p.dll, nullptr) << GetLastError();
  ASSERT_TRUE(p.query && p.init && p.setup && p.run && p.destroy);
  XfmInfo info;
  std::memset(&info, 0x55, sizeof info);
  EXPECT_EQ(p.query(&info) & 0xFFFF, uint32_t(XFM_VERSION));
  EXPECT_STREQ(info.name, "Amplitude\\Normalize");
  EXPECT_EQ(info.flags, uint32_t(XFM_TRANSFORM | XFM_NEEDS_DATA | XFM_NATIVE_FORMAT));
  EXPECT_EQ(info.formatMask, 0x3f);
  EXPECT_EQ(info.varsSize, 8u);
  EXPECT_STREQ(info.types, "d");
  EXPECT_STREQ(info.presets, "y");
  XfmContext c = makeContext(8);
  EXPECT_EQ(p.init(&c), 1);
  EXPECT_EQ(level(c), 100.0);
  EXPECT_EQ(p.destroy(&c), 1);
  GlobalFree(c.vars);
}

TEST(NormalizePlugin, DialogSetsTheLevel) {
  Plugin p;
  ASSERT_NE(p.dll, nullptr);
  XfmContext c = makeContext(8);
  p.init(&c);
  gHost = FakeHost();
  EXPECT_EQ(runSetup(p, &c, {{{IDC_NORM_DB, "-6"}}, IDOK}), 1);
  EXPECT_NEAR(level(c), 100 * std::pow(10.0, -6 / 20.0), 1e-9);
  EXPECT_GT(gHost.finalChecks, 0);
  EXPECT_EQ(c.limitsOwner, nullptr);  // given back after the dialog
  EXPECT_EQ(runSetup(p, &c, {{{IDC_NORM_PERCENT, "150"}}, IDOK}), 1);
  EXPECT_EQ(level(c), 100.0);  // corrected to the bound
  EXPECT_EQ(runSetup(p, &c, {{{IDC_NORM_PERCENT, "25"}}, IDCANCEL}), 0);
  EXPECT_EQ(level(c), 100.0);  // Cancel keeps the level
  EXPECT_EQ(runSetup(p, &c, {{{IDC_NORM_PERCENT, "25"}}, IDOK}), 1);
  EXPECT_EQ(level(c), 25.0);
  GlobalFree(c.vars);
}

TEST(NormalizePlugin, DoBringsThePeakToTheLevel) {
  Plugin p;
  ASSERT_NE(p.dll, nullptr);
  XfmContext c = makeContext(8);
  p.init(&c);
  gHost = FakeHost();
  const int frames = 100000;
  gHost.wave.resize(size_t(frames) * 2);
  for (int i = 0; i < frames; ++i) {
    gHost.wave[size_t(i) * 2] = float(std::round(6000 * std::sin(i * 0.001)));
    gHost.wave[size_t(i) * 2 + 1] = float(std::round(-8000 * std::sin(i * 0.0007)));
  }
  const std::vector<float> before = gHost.wave;
  c.first = 1000;
  c.last = 90000;
  EXPECT_EQ(p.run(&c), 1);
  EXPECT_EQ(gHost.lastFormat, uint32_t(XFM_XF_32BIT | XFM_XF_STEREO));
  EXPECT_GE(gHost.creates, 1);
  EXPECT_EQ(gHost.destroys, gHost.creates);
  EXPECT_GT(gHost.meters, 2);
  double peak = 0, peakBefore = 0;
  for (size_t i = 2000; i < 180002; ++i) {
    peak = std::max(peak, double(std::fabs(gHost.wave[i])));
    peakBefore = std::max(peakBefore, double(std::fabs(before[i])));
  }
  EXPECT_EQ(peak, 32767.0);
  for (size_t i = 0; i < 2000; ++i) ASSERT_EQ(gHost.wave[i], before[i]);
  for (size_t i = 180002; i < gHost.wave.size(); ++i) ASSERT_EQ(gHost.wave[i], before[i]);
  // One gain for all: a sample inside keeps its ratio to the peak.
  EXPECT_NEAR(gHost.wave[50000], before[50000] * 32767.0 / peakBefore, 0.5);
  GlobalFree(c.vars);
}

}  // namespace
