// The level meter window (see meter_win.h). The core (meter.h) decides what changes; this file owns the one
// meter, turns its paint lists into GDI fills, draws the borders and the dB scale, and handles the mouse,
// the context menu and the settings file.
#include "audio/meter_win.h"

#include <string>

#include "audio/meter.h"
#include "audio/meter_settings.h"
#include "display/ruler.h"
#include "resources/command_ids.h"

namespace audio {

const char kMeterClass[] = "SornMeter7";

namespace {

struct MeterWindowState {
  HINSTANCE instance = nullptr;  // where the context menu resource lives
  HWND hwnd = nullptr;
  int id = 0;
  std::string settingsFile;  // empty: defaults, nothing saved
  MeterState meter;
  int32_t textHeight = 0;
  bool initialized = false;
};
MeterWindowState g;

const char kSample[] = "B0123456789";  // the scale's text height is measured on this

void EnsureInitialized() {
  if (g.initialized) return;
  MeterInit(&g.meter, MeterSettings{});
  g.initialized = true;
}

uint32_t Now() {
  return GetTickCount();
}

COLORREF ColorOf(MeterColor c) {
  switch (c) {
    case MeterColor::kRed:
      return RGB(255, 0, 0);
    case MeterColor::kYellow:
      return RGB(255, 255, 0);
    default:
      return RGB(0, 0, 0);
  }
}

void Fill(HDC dc, const MeterRect& r, COLORREF color) {
  if (r.empty()) return;
  const RECT rc = {r.left, r.top, r.right, r.bottom};
  SetBkColor(dc, color);
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
}

void FillOps(HDC dc, const MeterPaintList& ops) {
  for (const MeterPaintOp& op : ops) Fill(dc, op.rect, ColorOf(op.color));
}

// Paints an update at once (the meter is fed every few milliseconds; waiting for WM_PAINT would lag).
void PaintNow(const MeterPaintList& ops) {
  if (!g.hwnd || ops.empty()) return;
  HDC dc = GetDC(g.hwnd);
  if (!dc) return;
  FillOps(dc, ops);
  ReleaseDC(g.hwnd, dc);
}

int32_t MeasureTextHeight(HWND hwnd) {
  HDC dc = GetDC(hwnd);
  if (!dc) return 0;
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SIZE size = {0, 0};
  GetTextExtentPoint32A(dc, kSample, static_cast<int>(sizeof kSample - 1), &size);
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  return size.cy;
}

void Relayout(int channels, bool clearClips) {
  RECT rc = {0, 0, 0, 0};
  if (g.hwnd) GetClientRect(g.hwnd, &rc);
  MeterSetLayout(&g.meter, {rc.left, rc.top, rc.right, rc.bottom}, g.textHeight, channels, clearClips);
  if (g.hwnd) InvalidateRect(g.hwnd, nullptr, TRUE);
}

// Bars and clip boxes black in a sunken border, the scale strip in button shadow, the rest window colour.
void EraseBackground(HWND hwnd, HDC dc) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  Fill(dc, {rc.left, rc.top, rc.right, rc.bottom}, GetSysColor(COLOR_WINDOW));
  const MeterLayout& l = g.meter.layout;
  for (int c = 0; c < l.channels; ++c) {
    for (const MeterRect& r : {l.bar[c], l.clip[c]}) {
      if (r.empty()) continue;
      RECT edge = {r.left, r.top, r.right, r.bottom};
      if (l.bordered) DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
    }
    Fill(dc, l.barInner(c), RGB(0, 0, 0));
    Fill(dc, l.clipInner(c), RGB(0, 0, 0));
  }
  Fill(dc, l.scale, GetSysColor(COLOR_BTNSHADOW));
}

// Text drawn twice: one pixel off in the background colour, then white.
void ShadowedText(HDC dc, int x, int y, const std::string& text) {
  SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
  TextOutA(dc, x + 1, y + 1, text.data(), static_cast<int>(text.size()));
  SetTextColor(dc, RGB(255, 255, 255));
  TextOutA(dc, x, y, text.data(), static_cast<int>(text.size()));
}

// The dB scale under the bars: -Range at the bar's first column to 0 dB at its last, labels at most one
// per 20 pixels, short white tick marks along the top of the strip.
void DrawScale(HDC dc) {
  const MeterLayout& l = g.meter.layout;
  const MeterRect inner = l.barInner(0);
  if (l.scale.empty() || inner.width() < 2 || g.meter.settings.range <= 0) return;
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, l.scale.left, l.scale.top, l.scale.right, l.scale.bottom);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  const display::TextMeasure measure = [dc](const std::string& text) {
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    return display::TextExtent{size.cx, size.cy};
  };
  constexpr uint16_t kStyle = display::kRulerHorizontal | display::kRulerTicks | display::kRulerSteps136 |
                              display::kRulerLastMayRunOver;  // 0x642
  const display::RulerLayout axis =
      display::RulerLayoutIntAxis(kStyle, inner.left - 1, inner.width() + 2, -g.meter.settings.range, 0, "dB",
                                  std::max(1, inner.width() / 20), 0, 30, measure);
  const int textTop = l.scale.top + 2;
  ShadowedText(dc, inner.left - 1, textTop, axis.unit);
  for (const display::RulerTick& t : axis.ticks) {
    Fill(dc, {t.position, l.scale.top, t.position + 1, l.scale.top + 2}, RGB(255, 255, 255));
    if (t.labelShown) ShadowedText(dc, t.labelStart, textTop, t.label);
  }
  RestoreDC(dc, saved);
}

void PaintAll(HDC dc) {
  FillOps(dc, MeterFullPaint(g.meter));
  DrawScale(dc);
}

void Notify(HWND hwnd, int code) {
  HWND parent = GetParent(hwnd);
  if (parent) SendMessageA(parent, WM_COMMAND, MAKEWPARAM(g.id, code), reinterpret_cast<LPARAM>(hwnd));
}

// The menu resource of the program, or the same menu built here when the instance has none.
HMENU LoadContextMenu() {
  if (HMENU m = LoadMenuA(g.instance, MAKEINTRESOURCEA(IDR_METER_MENU))) return m;
  HMENU bar = CreateMenu(), popup = CreatePopupMenu();
  if (!bar || !popup) {
    if (bar) DestroyMenu(bar);
    if (popup) DestroyMenu(popup);
    return nullptr;
  }
  const struct {
    int id;
    const char* text;
  } items[] = {{IDM_METER_START_STOP, "Start/Stop &Meter"},
               {IDM_METER_SHOW_ON_PLAY, "&Show on Play and Record"},
               {IDM_METER_CLEAR_CLIP, "&Clear Clip Indicators"},
               {IDM_METER_ADJUST_DC, "&Adjust for DC"},
               {IDM_METER_VALLEYS, "Show &Valleys"},
               {0, nullptr},
               {IDM_METER_RANGE_90, "&90dB Range"},
               {IDM_METER_RANGE_75, "&75dB Range"},
               {IDM_METER_RANGE_60, "&60dB Range"},
               {IDM_METER_RANGE_45, "&45dB Range"},
               {IDM_METER_RANGE_30, "&30dB Range"},
               {0, nullptr},
               {IDM_METER_DYNAMIC, "&Dynamic Peaks"},
               {IDM_METER_STATIC, "Static &Peaks"}};
  for (const auto& item : items)
    AppendMenuA(popup, item.text ? MF_STRING : MF_SEPARATOR, static_cast<UINT_PTR>(item.id), item.text);
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "Meter");
  return bar;
}

void ShowContextMenu(HWND hwnd, int x, int y) {
  HMENU menu = LoadContextMenu();
  if (!menu) return;
  HMENU popup = GetSubMenu(menu, 0);
  for (int cmd = IDM_METER_SHOW_ON_PLAY; cmd <= IDM_METER_STATIC; ++cmd)
    CheckMenuItem(popup, cmd,
                  MF_BYCOMMAND | (MeterMenuChecked(g.meter.settings, cmd) ? MF_CHECKED : MF_UNCHECKED));
  POINT p = {x, y};
  ClientToScreen(hwnd, &p);
  TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, p.x, p.y, 0, hwnd, nullptr);
  DestroyMenu(menu);
}

void OnMenuCommand(HWND hwnd, int command) {
  MeterPaintList ops;
  const MeterCommandResult r = MeterCommand(&g.meter, command, Now(), &ops);
  if (!r.handled) return;
  PaintNow(ops);
  if (r.repaint) InvalidateRect(hwnd, nullptr, TRUE);
  if (r.dcNotify) Notify(hwnd, r.dcNotify);
  if (r.startStop) Notify(hwnd, 0);
}

LRESULT OnCreate(HWND hwnd, const CREATESTRUCTA* cs) {
  g.hwnd = hwnd;
  g.id = static_cast<int>(reinterpret_cast<INT_PTR>(cs->hMenu));
  const int channels = g.initialized ? g.meter.layout.channels : 1;
  MeterInit(&g.meter, g.settingsFile.empty() ? MeterSettings{} : MeterLoadSettings(g.settingsFile.c_str()));
  g.initialized = true;
  g.textHeight = MeasureTextHeight(hwnd);
  Relayout(channels, true);
  Notify(hwnd, g.meter.settings.dcAdjust ? kMeterNotifyDcOn : kMeterNotifyDcOff);
  return 0;
}

LRESULT CALLBACK MeterWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      return OnCreate(hwnd, reinterpret_cast<const CREATESTRUCTA*>(lp));
    case WM_SIZE:
      if (hwnd == g.hwnd) Relayout(g.meter.layout.channels, false);
      return 0;
    case WM_ERASEBKGND:
      EraseBackground(hwnd, reinterpret_cast<HDC>(wp));
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (dc) PaintAll(dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      if (lp & PRF_ERASEBKGND) EraseBackground(hwnd, reinterpret_cast<HDC>(wp));
      PaintAll(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_LBUTTONDOWN:
      if (MeterHitClip(g.meter.layout, static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))) >= 0) {
        MeterPaintList ops;
        MeterClearClips(&g.meter, &ops);
        PaintNow(ops);
      }
      return 0;
    case WM_LBUTTONDBLCLK:
      if (MeterHitBar(g.meter.layout, static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))) >= 0)
        Notify(hwnd, 0);
      return 0;
    case WM_RBUTTONUP:
      ShowContextMenu(hwnd, static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
      return 0;
    case WM_COMMAND:
      if (lp == 0) OnMenuCommand(hwnd, LOWORD(wp));
      return 0;
    case WM_DESTROY:
      if (hwnd == g.hwnd) {
        if (!g.settingsFile.empty()) MeterSaveSettings(g.meter.settings, g.settingsFile.c_str());
        g.hwnd = nullptr;
      }
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

}  // namespace

bool MeterRegister(HINSTANCE instance) {
  g.instance = instance;
  WNDCLASSA wc = {};
  wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = MeterWndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  wc.lpszClassName = kMeterClass;
  return RegisterClassA(&wc) != 0;
}

void MeterUnregister(HINSTANCE instance) {
  UnregisterClassA(kMeterClass, instance);
}

HWND MeterCreate(HWND parent, int x, int y, int w, int h, int id, const char* settingsFile) {
  if (g.hwnd && IsWindow(g.hwnd)) return nullptr;
  g.settingsFile = settingsFile ? settingsFile : "";
  HINSTANCE instance = g.instance ? g.instance : GetModuleHandleA(nullptr);
  return CreateWindowExA(0, kMeterClass, "", WS_CHILD | WS_VISIBLE, x, y, w, h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

HWND MeterWindow() {
  return g.hwnd;
}

bool MeterFeed(const void* data, size_t bytes, int bitsPerSample, int channels) {
  EnsureInitialized();
  MeterPaintList ops;
  const bool ok = MeterFeed(&g.meter, data, bytes, bitsPerSample, channels, Now(), &ops);
  PaintNow(ops);
  return ok;
}

void MeterSetLevels(double left, double right) {
  EnsureInitialized();
  MeterPaintList ops;
  MeterSetLevels(&g.meter, left, right, Now(), &ops);
  PaintNow(ops);
}

void MeterSetChannels(int channels, bool clearClips) {
  EnsureInitialized();
  Relayout(channels == 2 ? 2 : 1, clearClips);
}

void MeterSetRange(int dB) {
  EnsureInitialized();
  MeterSetRange(&g.meter, dB);
  if (g.hwnd) InvalidateRect(g.hwnd, nullptr, TRUE);
}

void MeterShowOnPlay(bool on) {
  EnsureInitialized();
  MeterPaintList ops;
  MeterSetShowOnPlay(&g.meter, on, Now(), &ops);
  PaintNow(ops);
}

bool MeterIsShownOnPlay() {
  return g.initialized && g.meter.settings.showOnPlay != 0;
}

}  // namespace audio
