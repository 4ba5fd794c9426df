// The level meter window under the real window system: a parent records the meter's WM_COMMAND
// notifications (DC state at creation and on toggling, start/stop on a bar double-click); a full-scale block
// paints the clip box red, a click in it clears it, and destroying the meter writes the "Meter" section of
// a temporary settings file. A 5-pixel stereo meter (the main window's) paints its bars without failing.
#include <gtest/gtest.h>

#include <vector>

#include "audio/meter_win.h"
#include "include/sorn_bytes.h"
#include "platform/profile.h"
#include "platform/test_dir.h"
#include "platform/win32.h"

namespace audio {
namespace {

struct Command {
  WPARAM wp;
  LPARAM lp;
};
std::vector<Command> gCommands;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COMMAND) gCommands.push_back({wp, lp});
  return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND MakeParent() {
  static bool registered = false;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!registered) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = instance;
    wc.lpszClassName = "MeterTestParent";
    registered = RegisterClassA(&wc) != 0;
    MeterRegister(instance);
  }
  return CreateWindowExA(0, "MeterTestParent", "meter test", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200, nullptr,
                         nullptr, instance, nullptr);
}

bool Sent(WPARAM wp, HWND meter) {
  for (const Command& c : gCommands)
    if (c.wp == wp && c.lp == reinterpret_cast<LPARAM>(meter)) return true;
  return false;
}

// The meter's client area printed into a 32-bit memory bitmap.
class Snapshot {
 public:
  Snapshot(HWND meter, int w, int h) {
    dc_ = CreateCompatibleDC(nullptr);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    SendMessageA(meter, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT | PRF_ERASEBKGND);
    GdiFlush();
  }
  ~Snapshot() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

constexpr COLORREF kRed = RGB(255, 0, 0), kBlack = RGB(0, 0, 0);

std::vector<uint8_t> StereoBlock(int16_t left, int16_t right, int frames) {
  std::vector<uint8_t> b;
  for (int i = 0; i < frames; ++i)
    for (int16_t s : {left, right}) SornAppendU16LE(&b, static_cast<uint16_t>(s));
  return b;
}

TEST(MeterWindow, NotifiesPaintsClipsAndSavesSettings) {
  platform::TestDir dir("meterwin");
  const std::string ini = dir.file("sorn.ini");
  ASSERT_TRUE(platform::profileWriteString("Meter", "DCAdjust", "0", ini.c_str()));
  gCommands.clear();
  HWND parent = MakeParent();
  ASSERT_TRUE(parent);
  HWND meter = MeterCreate(parent, 0, 0, 300, 60, 5030, ini.c_str());
  ASSERT_TRUE(meter);
  EXPECT_EQ(MeterWindow(), meter);
  EXPECT_EQ(MeterCreate(parent, 0, 0, 300, 60, 5031, ini.c_str()), nullptr);  // one meter per process
  EXPECT_TRUE(Sent(5030 | 0x30000, meter)) << "DC adjustment off, read from the settings file";

  MeterSetChannels(2, true);
  const std::vector<uint8_t> block = StereoBlock(32767, 3277, 64);  // left full scale, right -20 dB
  ASSERT_TRUE(MeterFeed(block.data(), block.size(), 16, 2));
  {
    Snapshot s(meter, 300, 60);
    EXPECT_EQ(s.at(290, 4), kRed) << "left clip box";
    EXPECT_EQ(s.at(290, 36), kBlack) << "right clip box";
    EXPECT_EQ(s.at(20, 4), kRed) << "full left bar";
    EXPECT_EQ(s.at(20, 36), kRed) << "right bar two thirds";
    EXPECT_EQ(s.at(250, 36), kBlack);
  }
  SendMessageA(meter, WM_LBUTTONDOWN, 0, MAKELPARAM(290, 4));
  {
    Snapshot s(meter, 300, 60);
    EXPECT_EQ(s.at(290, 4), kBlack) << "cleared by a click in the clip box";
    EXPECT_EQ(s.at(20, 4), kBlack) << "and the bars reset";
  }
  SendMessageA(meter, WM_LBUTTONDBLCLK, 0, MAKELPARAM(20, 4));
  EXPECT_TRUE(Sent(5030, meter)) << "start/stop request";
  SendMessageA(meter, WM_COMMAND, 331, 0);  // Adjust for DC
  EXPECT_TRUE(Sent(5030 | 0x20000, meter));
  SendMessageA(meter, WM_COMMAND, 334, 0);  // 75 dB range
  MeterShowOnPlay(true);
  EXPECT_TRUE(MeterIsShownOnPlay());

  DestroyWindow(meter);
  EXPECT_EQ(MeterWindow(), nullptr);
  EXPECT_EQ(platform::profileGetInt("Meter", "DCAdjust", -1, ini.c_str()), 1);
  EXPECT_EQ(platform::profileGetInt("Meter", "Range", -1, ini.c_str()), 75);
  EXPECT_EQ(platform::profileGetInt("Meter", "ShowOnPlay", -1, ini.c_str()), 1);
  EXPECT_EQ(platform::profileGetInt("Meter", "PeakTime", -1, ini.c_str()), 1500);
  DestroyWindow(parent);
}

TEST(MeterWindow, FivePixelStereoMeterPaintsItsBars) {
  platform::TestDir dir("meterwin");
  const std::string ini = dir.file("sorn.ini");
  HWND parent = MakeParent();
  ASSERT_TRUE(parent);
  HWND meter = MeterCreate(parent, 0, 0, 300, 5, 5030, ini.c_str());
  ASSERT_TRUE(meter);
  MeterSetChannels(2, true);
  const std::vector<uint8_t> block = StereoBlock(32767, 0, 16);
  MeterFeed(block.data(), block.size(), 16, 2);
  {
    Snapshot s(meter, 300, 5);
    EXPECT_EQ(s.at(20, 0), kRed) << "upper bar";
    EXPECT_EQ(s.at(20, 3), kBlack) << "lower bar";
    EXPECT_EQ(s.at(290, 0), kRed) << "upper clip box";
  }
  MeterFeed(nullptr, 0, 16, 2);
  DestroyWindow(meter);
  DestroyWindow(parent);
  MeterUnregister(GetModuleHandleA(nullptr));
}

}  // namespace
}  // namespace audio
