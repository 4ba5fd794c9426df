// Time and value rulers of the waveform display: windows that lay out the ruler engine's ticks against the
// display's columns and rows, draw them, and pass the tick positions to the display as grid lists.
#include "display/rulers_win.h"

#include <string>
#include <vector>

#include "display/ruler.h"
#include "display/time_format.h"
#include "display/wavedisp_win.h"

namespace display {

const char kTimeRulerClass[] = "SornTimeRuler";
const char kValueRulerClass[] = "SornValueRuler";

namespace {

// The value ruler's tick marks run in from its left edge; labels never come nearer than kValueLabelX.
constexpr int kValueTickLength = 3;
constexpr int kValueLabelX = kValueTickLength + 4;

struct RulerState {
  HWND display = nullptr;
  bool vertical = false;
  int loTimeMode = kTimeDecimal;
  int64_t timeOffset = 0;
  int timeCodeFrames = kDefaultTimeCodeFrames;
  int scale = kScaleSamples;
  RulerStepCache cache;
};

RulerState* StateOf(HWND ruler) {
  if (!ruler || !IsWindow(ruler)) return nullptr;
  char name[32] = {};
  GetClassNameA(ruler, name, sizeof name);
  if (lstrcmpiA(name, kTimeRulerClass) != 0 && lstrcmpiA(name, kValueRulerClass) != 0) return nullptr;
  return reinterpret_cast<RulerState*>(GetWindowLongPtrA(ruler, GWLP_USERDATA));
}

TextMeasure Measurer(HDC dc) {
  return [dc](const std::string& text) {
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    return TextExtent{size.cx, size.cy};
  };
}

// Text drawn twice: one pixel off in the background colour, then white.
void ShadowedText(HDC dc, int x, int y, const std::string& text) {
  SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
  TextOutA(dc, x + 1, y + 1, text.data(), static_cast<int>(text.size()));
  SetTextColor(dc, RGB(255, 255, 255));
  TextOutA(dc, x, y, text.data(), static_cast<int>(text.size()));
}

void FillBackground(HDC dc, const RECT& rc) {
  SetBkColor(dc, GetSysColor(COLOR_BTNSHADOW));
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
}

void FillWhite(HDC dc, int l, int t, int r, int b) {
  const RECT rc = {l, t, r, b};
  SetBkColor(dc, RGB(255, 255, 255));  // tick marks are white on the dark background (white text)
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
}

// A point of the display's client area in the ruler's.
POINT FromDisplay(const RulerState& s, HWND ruler, int x, int y) {
  POINT p = {x, y};
  MapWindowPoints(s.display, ruler, &p, 1);
  return p;
}

void UpdateGrid(HWND display, const std::vector<int16_t>& grid, bool vertical) {
  if ((vertical ? WaveDispGridY(display) : WaveDispGridX(display)) == grid) return;
  if (vertical)
    WaveDispSetGridY(display, grid.data(), static_cast<int>(grid.size()), true);
  else
    WaveDispSetGridX(display, grid.data(), static_cast<int>(grid.size()), true);
}

void Paint(HWND ruler, HDC dc) {
  RulerState* s = StateOf(ruler);
  RECT rc;
  GetClientRect(ruler, &rc);
  FillBackground(dc, rc);
  const WaveView* v = s ? WaveDispModel(s->display) : nullptr;
  DisplaySource* source = s ? WaveDispSource(s->display) : nullptr;
  if (!v || !source || v->length() <= 0 || v->pixels() <= 0) return;
  const SourceFormat f = source->format();
  const int saved = SaveDC(dc);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  const TextMeasure measure = Measurer(dc);
  std::vector<int16_t> grid;
  if (!s->vertical) {
    const TimeAxis axis = TimeRulerAxis(s->loTimeMode, v->first(), v->last(), s->timeOffset, f.rate);
    const int32_t plotStart = FromDisplay(*s, ruler, v->left() - 1, 0).x;
    const RulerLayout l = RulerLayoutAxis(
        axis.style | kRulerHorizontal | kRulerTicks, plotStart, v->pixels() + 3, axis.lo, axis.hi, axis.unit,
        MaxLabels(rc.right, false), EffectiveFrameRate(s->timeCodeFrames), measure, &s->cache);
    ShadowedText(dc, plotStart, 4, l.unit);
    for (const RulerTick& t : l.ticks) {
      FillWhite(dc, t.position, 0, t.position + 1, 4);
      if (t.labelShown) ShadowedText(dc, t.labelStart, 4, t.label);
      if (t.position > plotStart && grid.size() < 100)
        grid.push_back(static_cast<int16_t>(t.position - plotStart));
    }
  } else {
    const int scale = (v->flags() & WDF_SPECTRAL) ? kScaleHz : s->scale;
    double top, bottom;
    ValueAxisRange(scale, f.bits, f.rate, v->vLow(), v->vHigh(), &top, &bottom);
    const std::vector<ChannelArea> areas = WaveDispChannelAreas(s->display);
    const int32_t marginTop = areas.empty() ? 0 : areas[0].rect.top - 1;
    const int32_t shift = FromDisplay(*s, ruler, 0, 0).y;
    for (const ChannelArea& a : areas) {
      if (a.height <= 0) continue;
      const RulerLayout l =
          RulerLayoutAxis(kRulerVertical | kRulerTicks, a.rect.top - 1 + shift, a.height + 3, top, bottom, "",
                          MaxLabels(a.height, true), kDefaultTimeCodeFrames, measure, &s->cache);
      for (const RulerTick& t : l.ticks) {
        FillWhite(dc, 0, t.position, kValueTickLength, t.position + 1);
        // The label fits the strip, its shadow included, in a shorter form if need be, and stands against
        // the strip's right edge: as far from its tick as it can, for a tick next to a minus sign reads as a
        // second one.
        const std::string label =
            t.labelShown ? RulerFitLabel(t.label, t.value, rc.right - kValueLabelX - 1, measure) : "";
        if (!label.empty()) ShadowedText(dc, rc.right - 1 - measure(label).width, t.labelStart, label);
        const int32_t entry = t.position - shift - marginTop;
        if (entry > 0 && grid.size() < 100) grid.push_back(static_cast<int16_t>(entry));
      }
    }
  }
  RestoreDC(dc, saved);
  UpdateGrid(s->display, grid, s->vertical);
}

LRESULT CALLBACK RulerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  RulerState* s = reinterpret_cast<RulerState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_CREATE: {
      const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      s = new RulerState;
      s->display = static_cast<HWND>(cs->lpCreateParams);
      s->vertical = lstrcmpiA(cs->lpszClass, kValueRulerClass) == 0;
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
      return 0;
    }
    case WM_DESTROY:
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      delete s;
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      HDC mem = CreateCompatibleDC(dc);
      HBITMAP bmp = CreateCompatibleBitmap(dc, rc.right, rc.bottom);
      if (mem && bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        Paint(hwnd, mem);
        BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
      } else {
        Paint(hwnd, dc);
      }
      if (bmp) DeleteObject(bmp);
      if (mem) DeleteDC(mem);
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND Create(const char* cls, HWND parent, HWND display, int x, int y, int w, int h, int id) {
  HINSTANCE inst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
  return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE, x, y, w, h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, display);
}

}  // namespace

bool RulersRegister(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = RulerProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  for (const char* name : {kTimeRulerClass, kValueRulerClass}) {
    wc.lpszClassName = name;
    if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  }
  return true;
}

void RulersUnregister(HINSTANCE instance) {
  UnregisterClassA(kTimeRulerClass, instance);
  UnregisterClassA(kValueRulerClass, instance);
}

HWND TimeRulerCreate(HWND parent, HWND display, int x, int y, int width, int id) {
  return Create(kTimeRulerClass, parent, display, x, y, width, kTimeRulerHeight, id);
}

HWND ValueRulerCreate(HWND parent, HWND display, int x, int y, int height, int id) {
  return Create(kValueRulerClass, parent, display, x, y, kValueRulerWidth, height, id);
}

void TimeRulerSetMode(HWND ruler, int loTimeMode, int64_t timeOffset, int timeCodeFrames) {
  RulerState* s = StateOf(ruler);
  if (!s) return;
  s->loTimeMode = loTimeMode;
  s->timeOffset = timeOffset;
  s->timeCodeFrames = timeCodeFrames;
  s->cache = RulerStepCache();
  RulerRefresh(ruler);
}

void ValueRulerSetScale(HWND ruler, int scale) {
  RulerState* s = StateOf(ruler);
  if (!s) return;
  s->scale = scale;
  s->cache = RulerStepCache();
  RulerRefresh(ruler);
}

void TimeRulerPaint(HWND ruler, HDC dc) {
  if (StateOf(ruler)) Paint(ruler, dc);
}

void ValueRulerPaint(HWND ruler, HDC dc) {
  if (StateOf(ruler)) Paint(ruler, dc);
}

void RulerRefresh(HWND ruler) {
  if (!StateOf(ruler)) return;
  InvalidateRect(ruler, nullptr, FALSE);
  UpdateWindow(ruler);
}

}  // namespace display
