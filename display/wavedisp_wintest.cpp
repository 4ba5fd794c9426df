// The WAVEDISP window under the real window system: a parent records every WM_NOTIFY; mouse messages sent
// to the display (click, drag, shift-click, right-click, double-click, auto-scroll past the edge, a sample
// handle drag, passed clicks, the stereo channel zone) give the notification sequence and selection they
// should; a rendering holds waveform-coloured pixels, the highlight exactly on the selected columns and the
// inverted play cursor; the spectral view paints (black while recording); one- and zero-column displays
// neither divide by zero nor stall; the rulers' ticks become the display's grid; and the paint of a full
// view of a 1.9 GB wave is timed.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "display/colors.h"
#include "display/document_source.h"
#include "display/rulers_win.h"
#include "display/synthetic_wave.h"
#include "display/wavedisp_win.h"
#include "document/peak_summary.h"
#include "platform/win32.h"
#include "resources/command_ids.h"

namespace display {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Rec {
  HWND from;
  UINT_PTR id;
  WPARAM wParam;
  int code;
  double a, b;
  int32_t extra;
  uint32_t flags;
};
std::vector<Rec> gLog;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NOTIFY) {
    const WaveDispNmhdr* n = reinterpret_cast<const WaveDispNmhdr*>(lParam);
    gLog.push_back({n->hdr.hwndFrom, n->hdr.idFrom, wParam, static_cast<int>(n->hdr.code), n->a, n->b,
                     n->extra, n->flags});
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

std::vector<int16_t> Sine(int64_t frames, int channels, double period) {
  std::vector<int16_t> v(static_cast<size_t>(frames * channels));
  for (int64_t f = 0; f < frames; ++f)
    for (int c = 0; c < channels; ++c)
      v[f * channels + c] = static_cast<int16_t>(20000 * std::sin(2 * kPi * f / period));
  return v;
}

constexpr int kWidth = 408;  // 400 wave columns, 4 .. 403
constexpr int kHeight = 107;

class WaveDisp : public ::testing::Test {
 protected:
  void SetUp() override {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = inst;
    wc.lpszClassName = "WaveDispTestParent";
    RegisterClassA(&wc);
    ASSERT_TRUE(WaveDispRegister(inst));
    parent_ = CreateWindowExA(0, "WaveDispTestParent", "test", WS_OVERLAPPEDWINDOW, 0, 0, 500, 300, nullptr,
                              nullptr, inst, nullptr);
    ASSERT_NE(parent_, nullptr);
    disp_ = WaveDispCreate(parent_, 0, 0, kWidth, kHeight);
    ASSERT_NE(disp_, nullptr);
    gLog.clear();
  }
  void TearDown() override {
    DestroyWindow(parent_);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    WaveDispUnregister(GetModuleHandleA(nullptr));
    UnregisterClassA("WaveDispTestParent", GetModuleHandleA(nullptr));
  }
  void attach(int channels, int64_t frames = 44100, double period = 441) {
    source_.reset(new MemoryDisplaySource(Sine(frames, channels, period), channels));
    WaveDispAttach(disp_, source_.get());
    gLog.clear();
  }
  void mouse(UINT msg, int x, int y, WPARAM keys = 0) { SendMessageA(disp_, msg, keys, MAKELPARAM(x, y)); }
  std::vector<int> codes() const {
    std::vector<int> c;
    for (const Rec& r : gLog) c.push_back(r.code);
    return c;
  }
  void expectSelection(int32_t s, int32_t e) const {
    EXPECT_EQ(WaveDispModel(disp_)->selStart(), s);
    EXPECT_EQ(WaveDispModel(disp_)->selEnd(), e);
  }
  HWND parent_ = nullptr, disp_ = nullptr;
  std::unique_ptr<MemoryDisplaySource> source_;
};

TEST_F(WaveDisp, AttachReportsLengthThenViewThenSelection) {
  RECT r;
  GetWindowRect(disp_, &r);
  EXPECT_EQ(r.bottom - r.top, kHeight);
  source_.reset(new MemoryDisplaySource(Sine(44100, 1, 441), 1));
  WaveDispAttach(disp_, source_.get());
  const std::vector<int> c = codes();
  const auto at = [&](int code) { return std::find(c.begin(), c.end(), code) - c.begin(); };
  ASSERT_LT(at(WDN_LENGTHCHANGED), static_cast<long>(c.size()));
  EXPECT_LT(at(WDN_LENGTHCHANGED), at(WDN_VIEWCHANGED));
  EXPECT_LT(at(WDN_VIEWCHANGED), at(WDN_SELCHANGED));
  for (const Rec& rec : gLog) {
    EXPECT_EQ(rec.from, disp_);
    EXPECT_EQ(rec.id, static_cast<UINT_PTR>(kWaveDispId));
    EXPECT_EQ(rec.wParam, static_cast<WPARAM>(kWaveDispId));
  }
  const WaveView* v = WaveDispModel(disp_);
  EXPECT_EQ(v->pixels(), 400);
  EXPECT_EQ(v->first(), -0.5);
  EXPECT_EQ(v->last(), 44099.5);
}

TEST_F(WaveDisp, ClickDragShiftClickRightClickAndDoubleClick) {
  attach(1);  // 110.25 samples per column
  mouse(WM_LBUTTONDOWN, 104, 50, MK_LBUTTON);
  mouse(WM_LBUTTONUP, 104, 50);
  ASSERT_EQ(codes(), (std::vector<int>{WDN_SELCHANGED, WDN_SELCHANGED}));
  EXPECT_EQ(gLog[0].a, 11025);
  EXPECT_EQ(gLog[0].b, 11024);
  EXPECT_EQ(gLog[1].flags & WDF_SELECTING, 0u);
  gLog.clear();

  mouse(WM_LBUTTONDOWN, 104, 50, MK_LBUTTON);
  mouse(WM_MOUSEMOVE, 204, 50, MK_LBUTTON);
  mouse(WM_LBUTTONUP, 204, 50);
  ASSERT_EQ(codes(), (std::vector<int>{WDN_SELCHANGED, WDN_SELCHANGED, WDN_SELCHANGED}));
  EXPECT_EQ(gLog[1].a, 11025);
  EXPECT_EQ(gLog[1].b, 22049);
  EXPECT_NE(gLog[1].flags & WDF_SELECTING, 0u);  // during the drag
  EXPECT_EQ(gLog[2].flags & WDF_SELECTING, 0u);  // the release
  expectSelection(11025, 22049);
  gLog.clear();

  // Shift-click right of the middle keeps the start and moves the end.
  mouse(WM_LBUTTONDOWN, 304, 50, MK_LBUTTON | MK_SHIFT);
  mouse(WM_LBUTTONUP, 304, 50, MK_SHIFT);
  expectSelection(11025, 33074);
  EXPECT_EQ(codes().front(), WDN_SELCHANGED);
  // A right click left of the middle keeps the end and moves the start.
  mouse(WM_RBUTTONDOWN, 54, 50, MK_RBUTTON);
  mouse(WM_RBUTTONUP, 54, 50);
  expectSelection(5512, 33074);
  gLog.clear();

  // A double click (down, up, double click, up) selects the visible range.
  mouse(WM_LBUTTONDOWN, 150, 50, MK_LBUTTON);
  mouse(WM_LBUTTONUP, 150, 50);
  mouse(WM_LBUTTONDBLCLK, 150, 50, MK_LBUTTON);
  mouse(WM_LBUTTONUP, 150, 50);
  expectSelection(0, 44099);
  EXPECT_EQ(gLog.back().code, WDN_SELCHANGED);
  EXPECT_EQ(gLog.back().a, 0);
  EXPECT_EQ(gLog.back().b, 44099);
}

TEST_F(WaveDisp, PassedClicksGoToTheParentOnly) {
  attach(1);
  WaveDispSetFlags(disp_, WDF_PASSCLICKS, WDF_PASSCLICKS);
  gLog.clear();
  mouse(WM_LBUTTONDOWN, 104, 50, MK_LBUTTON);
  mouse(WM_LBUTTONUP, 104, 50);
  mouse(WM_LBUTTONDBLCLK, 104, 50, MK_LBUTTON);
  ASSERT_EQ(codes(), (std::vector<int>{WDN_CLICK, WDN_DBLCLK}));
  EXPECT_EQ(gLog[0].a, MK_LBUTTON);
  EXPECT_EQ(gLog[0].b, WM_LBUTTONDOWN);
  EXPECT_EQ(gLog[0].extra, MAKELPARAM(104, 50));
  EXPECT_EQ(gLog[1].extra, MAKELPARAM(104, 50));
  expectSelection(0, -1);
}

TEST_F(WaveDisp, DraggingPastTheRightEdgeScrollsAndExtends) {
  attach(1);
  WaveDispSetView(disp_, 10000, 13999);  // 10 samples per column
  gLog.clear();
  mouse(WM_LBUTTONDOWN, 204, 50, MK_LBUTTON);
  mouse(WM_MOUSEMOVE, 403 + 65, 50, MK_LBUTTON);  // 65 past the edge: 400 / 6 = 66 columns a tick
  const DWORD t0 = GetTickCount();
  int ticks = 0;
  while (GetTickCount() - t0 < 300 && ticks < 3) {
    MSG msg;
    if (PeekMessageA(&msg, disp_, WM_TIMER, WM_TIMER, PM_REMOVE)) {
      DispatchMessageA(&msg);
      ++ticks;
    } else {
      Sleep(5);
    }
  }
  mouse(WM_LBUTTONUP, 403 + 65, 50);
  ASSERT_GE(ticks, 1);
  const WaveView* v = WaveDispModel(disp_);
  EXPECT_NEAR(v->first(), 9999.5 + ticks * 660, 1e-6);
  int views = 0;
  for (const Rec& r : gLog) views += r.code == WDN_VIEWCHANGED && (r.flags & WDF_SELECTING);
  EXPECT_EQ(views, ticks);
  EXPECT_EQ(v->selStart(), 12000);
  EXPECT_EQ(v->selEnd(), static_cast<int32_t>(v->last()));
}

TEST_F(WaveDisp, SampleHandleDragReportsTheNewValue) {
  attach(1);
  WaveDispSetView(disp_, 1000, 1009);  // 40 columns a sample: 5 x 5 handles
  std::vector<uint32_t> px;
  int w, h;
  ASSERT_TRUE(WaveDispRender(disp_, &px, &w, &h));
  const std::vector<SampleHandle> handles = WaveDispHandles(disp_);
  ASSERT_EQ(handles.size(), 10u);
  const SampleHandle& hd = handles[3];
  EXPECT_EQ(hd.sample, 1003);
  // The box is drawn in the waveform colour.
  EXPECT_EQ(px[(hd.box.top + 2) * w + hd.box.left + 2], 0x00FF00u);
  gLog.clear();
  const int x = hd.box.left + 2, y = hd.box.top + 2;
  mouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
  EXPECT_NE(WaveDispGetFlags(disp_) & WDF_SAMPLEDRAG, 0u);
  mouse(WM_MOUSEMOVE, x, y + 10, MK_LBUTTON);
  mouse(WM_LBUTTONUP, x, y + 10);
  ASSERT_EQ(codes(), (std::vector<int>{WDN_SAMPLEDRAGGED}));
  EXPECT_EQ(gLog[0].extra, 1003);
  EXPECT_EQ(gLog[0].flags, 1u);
  const double before = 20000 * std::sin(2 * kPi * 1003 / 441) / 32768;
  EXPECT_LT(gLog[0].a, before);  // dragged down: a smaller value
  EXPECT_GT(gLog[0].a, before - 0.5);
  expectSelection(0, -1);  // the drag did not select
  // A view change drops the handles until the next paint.
  WaveDispSetView(disp_, 2000, 2009, false);
  EXPECT_TRUE(WaveDispHandles(disp_).empty());
}

TEST_F(WaveDisp, RenderShowsWaveformHighlightAndCursor) {
  attach(1);
  WaveDispSetSelection(disp_, 11025, 22049);
  const int32_t cx = WaveDispSetCursor(disp_, 33075);
  ASSERT_GT(cx, 300);
  std::vector<uint32_t> px;
  int w, h;
  ASSERT_TRUE(WaveDispRender(disp_, &px, &w, &h));
  ASSERT_EQ(w, kWidth);
  const auto at = [&](int x, int y) { return px[static_cast<size_t>(y) * w + x]; };
  const uint32_t green = 0x00FF00, cyan = 0x00FFFF, navy = 0x000080;
  int waveform = 0;
  for (uint32_t p : px) waveform += p == green;
  EXPECT_GT(waveform, 400 * 20);
  const int top = 2;  // the top rows hold background: the sine stays within 0.61 of full scale
  for (int x = 4; x <= 403; ++x) {
    const bool sel = x >= 4 + 100 && x <= 4 + 199;
    if (x == cx) continue;
    EXPECT_EQ(at(x, top), sel ? cyan : 0u) << x;
    int strokes = 0;
    for (int y = 0; y < h; ++y) strokes += at(x, y) == (sel ? navy : green);
    EXPECT_GT(strokes, 20) << x;
  }
  EXPECT_EQ(at(cx, top), 0xFFFFFFu);  // the inverted play cursor on black
  // The colour can be changed.
  WaveDispSetColor(disp_, kColorDigitalWaveform, RGB(255, 0, 0));
  ASSERT_TRUE(WaveDispRender(disp_, &px, &w, &h));
  int red = 0;
  for (uint32_t p : px) red += p == 0xFF0000u;
  EXPECT_GT(red, 100 * 20);
}

TEST_F(WaveDisp, StereoZoneClickExcludesAChannelAndSpectralViewPaints) {
  attach(2);
  mouse(WM_LBUTTONDOWN, 104, 2, MK_LBUTTON);  // the top twelfth: upper channel only
  mouse(WM_LBUTTONUP, 104, 2);
  ASSERT_GE(gLog.size(), 2u);
  EXPECT_EQ(gLog[0].code, WDN_FLAGSCHANGED);
  EXPECT_NE(static_cast<uint32_t>(gLog[0].extra) & WDF_NORIGHT, 0u);
  EXPECT_EQ(gLog[1].code, WDN_SELCHANGED);
  gLog.clear();
  WaveDispSetSpectral(disp_, 103, 7);
  WaveDispSetFlags(disp_, WDF_SPECTRAL, WDF_MODE_MASK);
  EXPECT_EQ(codes(), (std::vector<int>{WDN_VRANGECHANGED, WDN_FLAGSCHANGED}));
  std::vector<uint32_t> px;
  int w, h;
  ASSERT_TRUE(WaveDispRender(disp_, &px, &w, &h));
  // While recording no spectrogram is computed: the columns of a new view stay black.
  WaveDispSetRecording(disp_, true);
  WaveDispSetView(disp_, 0, 22049, false);
  std::vector<uint32_t> rec;
  ASSERT_TRUE(WaveDispRender(disp_, &rec, &w, &h));
  EXPECT_EQ(rec[static_cast<size_t>(h / 4) * w + 200], 0u);
  WaveDispSetRecording(disp_, false);
  WaveDispSetView(disp_, 0, 44099, false);
  ASSERT_TRUE(WaveDispRender(disp_, &px, &w, &h));
  // The sine's band (band 0) is near the high-energy colour at the bottom of each channel; the top is darker.
  const PixelRect client{0, 0, w, h}, margins{3, 0, 3, 0};
  const auto brightness = [](uint32_t p) { return (p >> 16) + ((p >> 8) & 0xFF) + (p & 0xFF); };
  for (const ChannelArea& a : ChannelAreas(*WaveDispModel(disp_), client, margins)) {
    for (int x = 10; x < 400; x += 50) {
      const uint32_t bottom = px[static_cast<size_t>(a.rect.top + a.height - 1) * w + x];
      const uint32_t top = px[static_cast<size_t>(a.rect.top) * w + x];
      EXPECT_GT(brightness(bottom), 600u) << x;
      EXPECT_LT(brightness(top), brightness(bottom)) << x;
    }
  }
}

TEST_F(WaveDisp, NarrowWindowNeitherDividesByZeroNorStallsTheAutoScroll) {
  attach(1);
  SetWindowPos(disp_, nullptr, 0, 0, 9, kHeight, SWP_NOZORDER | SWP_NOMOVE);  // one wave column
  const WaveView* v = WaveDispModel(disp_);
  ASSERT_EQ(v->pixels(), 1);
  WaveDispSetView(disp_, 10000, 10009);
  const double first = v->first();
  mouse(WM_LBUTTONDOWN, 4, 50, MK_LBUTTON);
  mouse(WM_MOUSEMOVE, 4 + 65, 50, MK_LBUTTON);
  SendMessageA(disp_, WM_TIMER, 1, 0);  // one auto-scroll tick: a step of 1 / 6 columns still moves one
  SendMessageA(disp_, WM_TIMER, 1, 0);
  mouse(WM_LBUTTONUP, 4 + 65, 50);
  EXPECT_NEAR(v->first(), first + 20, 1e-6);
  // No wave area at all: clicks, timers, commands and a rendering do nothing harmful.
  SetWindowPos(disp_, nullptr, 0, 0, 4, kHeight, SWP_NOZORDER | SWP_NOMOVE);
  EXPECT_EQ(v->pixels(), 0);
  mouse(WM_LBUTTONDOWN, 2, 50, MK_LBUTTON);
  mouse(WM_MOUSEMOVE, 80, 50, MK_LBUTTON);
  SendMessageA(disp_, WM_TIMER, 1, 0);
  mouse(WM_LBUTTONUP, 80, 50);
  EXPECT_TRUE(WaveDispCommand(disp_, IDM_ZOOM_IN));
  std::vector<uint32_t> px;
  int w, h;
  EXPECT_TRUE(WaveDispRender(disp_, &px, &w, &h));
  EXPECT_GE(v->selStart(), 0);
}

// Paints a ruler into a memory bitmap (the test windows are not shown, so they get no WM_PAINT).
void PaintRuler(HWND ruler, bool vertical) {
  RECT rc;
  GetClientRect(ruler, &rc);
  HDC screen = GetDC(ruler);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, rc.right, rc.bottom);
  HGDIOBJ old = SelectObject(dc, bmp);
  if (vertical)
    ValueRulerPaint(ruler, dc);
  else
    TimeRulerPaint(ruler, dc);
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  ReleaseDC(ruler, screen);
}

TEST_F(WaveDisp, RulerTicksBecomeTheDisplaysGrid) {
  ASSERT_TRUE(RulersRegister(GetModuleHandleA(nullptr)));
  attach(1);
  HWND time = TimeRulerCreate(parent_, disp_, 0, kHeight, kWidth, 361);
  HWND value = ValueRulerCreate(parent_, disp_, kWidth, 0, kHeight, 362);
  ASSERT_NE(time, nullptr);
  ASSERT_NE(value, nullptr);
  PaintRuler(time, false);
  PaintRuler(value, true);
  const std::vector<int16_t> gx = WaveDispGridX(disp_), gy = WaveDispGridY(disp_);
  ASSERT_GE(gx.size(), 3u);
  ASSERT_GE(gy.size(), 3u);
  // Ticks of one second at 44100 Hz over 400 columns are evenly spaced.
  for (size_t i = 2; i < gx.size(); ++i) EXPECT_NEAR(gx[i] - gx[i - 1], gx[1] - gx[0], 1) << i;
  // The value ruler has a tick on the zero line.
  const std::vector<ChannelArea> areas = WaveDispChannelAreas(disp_);
  const WaveView* v = WaveDispModel(disp_);
  const int32_t zero = areas[0].rect.top + NormalizedRow(0, v->vLow(), v->vHigh(), areas[0].height);
  bool onZero = false;
  for (int16_t e : gy) onZero |= std::abs(e + (areas[0].rect.top - 1) - zero) <= 1;
  EXPECT_TRUE(onZero);
  // With the grid on, the grid colour shows at the ticks' columns in the empty top rows.
  WaveDispSetFlags(disp_, WDF_GRID, WDF_GRID);
  std::vector<uint32_t> px;
  int w, h;
  ASSERT_TRUE(WaveDispRender(disp_, &px, &w, &h));
  int gridColumns = 0;
  for (int16_t e : gx)
    gridColumns += 3 + e < v->right() && px[static_cast<size_t>(2) * w + 3 + e] == 0x000080u;
  EXPECT_GE(gridColumns, static_cast<int>(gx.size()) - 1);
  DestroyWindow(time);
  DestroyWindow(value);
  RulersUnregister(GetModuleHandleA(nullptr));
}

// The Windows paint of a full view of a 1.9 GB stereo wave from its peak table, reported for the record.
TEST_F(WaveDisp, FullViewPaintOfALongWave) {
  const uint64_t bytes = 1900ull << 20;
  SyntheticWave wave(bytes);
  document::PeakSummary peaks(&wave, 2, 256);
  peaks.adopt(SyntheticEntries(bytes / 4, 256), 256, 0);
  DocumentDisplaySource source(&wave, &peaks, 44100);
  WaveDispAttach(disp_, &source);
  std::vector<uint32_t> px;
  int w, h;
  double worst = 0, total = 0;
  const int repeats = 3;
  for (int i = 0; i < repeats; ++i) {
    WaveDispSetView(disp_, i, static_cast<double>(bytes / 4) - 1, false);  // a new view: the cache is empty
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaveDispRender(disp_, &px, &w, &h));
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    worst = std::max(worst, ms);
    total += ms;
  }
  EXPECT_EQ(wave.bytesRead(), 0u);  // zoomed out, only the peak table is used
  int green = 0;
  for (uint32_t p : px) green += p == 0x00FF00u;
  EXPECT_GT(green, 400 * 10);
  std::cout << "full view paint of a 1.9 GB stereo wave, " << WaveDispModel(disp_)->pixels()
            << " columns: mean " << total / repeats << " ms, worst " << worst << " ms" << std::endl;
  RecordProperty("full_view_paint_ms_worst", static_cast<int>(worst));
  WaveDispAttach(disp_, nullptr);
}

}  // namespace
}  // namespace display
