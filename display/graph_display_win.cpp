// The graph display window: double-buffered painting of the graph layout (panes with a grid at the axis
// ticks, the series as a line or as bars, the dB labels left of each pane and the frequency labels under
// the last one).
#include "display/graph_display_win.h"

#include <string>

namespace display {

const char kGraphDisplayClass[] = "SORNDISPLAY";

namespace {

const COLORREF kBackground = RGB(0, 0, 0);
const COLORREF kGrid = RGB(0, 0, 128);
// The channels' colours differ from every colour of the waveform display beside it.
const COLORREF kSeries[2] = {RGB(96, 255, 96), RGB(255, 208, 64)};
const COLORREF kLabel = RGB(192, 192, 192);

struct GraphState {
  GraphData data;
};

GraphState* StateOf(HWND hwnd) {
  if (!hwnd || !IsWindow(hwnd)) return nullptr;
  char name[32] = {};
  GetClassNameA(hwnd, name, sizeof name);
  if (lstrcmpiA(name, kGraphDisplayClass) != 0) return nullptr;
  return reinterpret_cast<GraphState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

TextMeasure Measurer(HDC dc) {
  return [dc](const std::string& text) {
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    return TextExtent{size.cx, size.cy};
  };
}

void Fill(HDC dc, int l, int t, int r, int b, COLORREF c) {
  const RECT rc = {l, t, r, b};
  SetBkColor(dc, c);
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
}

void Text(HDC dc, int x, int y, const std::string& s) {
  TextOutA(dc, x, y, s.data(), static_cast<int>(s.size()));
}

void Paint(HWND hwnd, HDC dc) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  Fill(dc, 0, 0, rc.right, rc.bottom, kBackground);
  GraphState* s = StateOf(hwnd);
  if (!s) return;
  const int saved = SaveDC(dc);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kLabel);
  const TextMeasure measure = Measurer(dc);
  const GraphPlan plan = GraphLayout(s->data, rc.right, rc.bottom, measure);
  for (size_t c = 0; c < plan.panes.size(); ++c) {
    const GraphPane& p = plan.panes[c];
    if (p.right <= p.left || p.bottom <= p.top) continue;
    // Grid: a row at every dB tick, a column at every frequency tick.
    for (const RulerTick& t : p.yAxis.ticks) {
      Fill(dc, p.left, t.position, p.right, t.position + 1, kGrid);
      if (t.labelShown) {
        const std::string label = RulerFitLabel(t.label, t.value, plan.marginLeft - 3, measure);
        if (!label.empty()) Text(dc, plan.marginLeft - 3 - measure(label).width, t.labelStart, label);
      }
    }
    for (const RulerTick& t : plan.xAxis.ticks) Fill(dc, t.position, p.top, t.position + 1, p.bottom, kGrid);
    if (!p.yAxis.unit.empty()) Text(dc, 1, p.top, p.yAxis.unit);
    const COLORREF colour = kSeries[c < 2 ? c : 0];
    if (s->data.lines) {
      if (p.points.size() > 1) {
        HPEN pen = CreatePen(PS_SOLID, 1, colour);
        HGDIOBJ old = SelectObject(dc, pen);
        std::vector<POINT> pts;
        pts.reserve(p.points.size());
        for (const GraphPoint& pt : p.points) pts.push_back({pt.x, pt.y});
        Polyline(dc, pts.data(), static_cast<int>(pts.size()));
        SelectObject(dc, old);
        DeleteObject(pen);
      }
    } else {
      for (const GraphPoint& pt : p.points) Fill(dc, pt.x, pt.y, pt.x + 1, p.bottom, colour);
    }
  }
  if (!plan.panes.empty() && plan.axisHeight > 0) {
    const int32_t y = plan.panes.back().bottom + 2;
    for (const RulerTick& t : plan.xAxis.ticks) {
      Fill(dc, t.position, y - 2, t.position + 1, y + 1, kLabel);
      if (t.labelShown) Text(dc, t.labelStart, y + 1, t.label);
    }
    if (!plan.xAxis.unit.empty()) Text(dc, plan.marginLeft, y + 1, plan.xAxis.unit);
  }
  RestoreDC(dc, saved);
}

LRESULT CALLBACK GraphProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  GraphState* s = reinterpret_cast<GraphState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_CREATE:
      s = new GraphState;
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
      return 0;
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
      HBITMAP bmp = rc.right > 0 && rc.bottom > 0 ? CreateCompatibleBitmap(dc, rc.right, rc.bottom) : nullptr;
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

}  // namespace

bool GraphDisplayRegister(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = GraphProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kGraphDisplayClass;
  return RegisterClassA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void GraphDisplayUnregister(HINSTANCE instance) {
  UnregisterClassA(kGraphDisplayClass, instance);
}

bool GraphDisplaySetData(HWND hwnd, const GraphData& data) {
  GraphState* s = StateOf(hwnd);
  if (!s) return false;
  s->data = data;
  InvalidateRect(hwnd, nullptr, FALSE);
  return true;
}

const GraphData* GraphDisplayData(HWND hwnd) {
  GraphState* s = StateOf(hwnd);
  return s ? &s->data : nullptr;
}

COLORREF GraphDisplaySeriesColor(int c) {
  return kSeries[c == 1 ? 1 : 0];
}

bool GraphDisplayRender(HWND hwnd, std::vector<uint32_t>* pixels, int* width, int* height) {
  RECT rc;
  if (!StateOf(hwnd) || !GetClientRect(hwnd, &rc) || rc.right <= 0 || rc.bottom <= 0) return false;
  const int w = rc.right, h = rc.bottom;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(hwnd);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(hwnd, screen);
  if (!dc || !bmp || !bits) {
    if (bmp) DeleteObject(bmp);
    if (dc) DeleteDC(dc);
    return false;
  }
  HGDIOBJ old = SelectObject(dc, bmp);
  Paint(hwnd, dc);
  GdiFlush();
  const uint32_t* p = static_cast<const uint32_t*>(bits);
  pixels->assign(p, p + static_cast<size_t>(w) * h);
  for (uint32_t& px : *pixels) px &= 0xFFFFFF;
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  *width = w;
  *height = h;
  return true;
}

}  // namespace display
