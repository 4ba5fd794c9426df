// The WAVEDISP window: creation and layout, the notifications to the parent, cache upkeep on view changes,
// double-buffered painting of the drawing plan, the play cursor, mouse selection and the sample-handle drag.
#include "display/wavedisp_win.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "display/geometry.h"
#include "display/view_commands.h"
#include "display/wavedisp_state_win.h"

namespace display {

const char kWaveDispClass[] = "WAVEDISP";

namespace {

HCURSOR gUpperCursor = nullptr, gLowerCursor = nullptr, gHandleCursor = nullptr;

LRESULT CALLBACK WaveDispProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

WaveDispState* StateOf(HWND hwnd) {
  if (!hwnd || !IsWindow(hwnd)) return nullptr;
  char name[16] = {};
  if (!GetClassNameA(hwnd, name, sizeof name) || lstrcmpiA(name, kWaveDispClass) != 0) return nullptr;
  return reinterpret_cast<WaveDispState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

void InvalidateColumns(WaveDispState& s, int32_t x0, int32_t x1) {
  x0 = std::max(x0, s.view.left());
  x1 = std::min(x1, s.view.right());
  if (x1 < x0) return;
  RECT r = {x0, 0, x1 + 1, s.client.bottom};
  InvalidateRect(s.hwnd, &r, FALSE);
}

void InvalidateAll(WaveDispState& s) {
  InvalidateRect(s.hwnd, nullptr, FALSE);
}

// Columns showing samples a .. b, one column wider each way.
void InvalidateSamples(WaveDispState& s, int32_t a, int32_t b) {
  const WaveView& v = s.view;
  if (v.samplesPerPixel() <= 0) return;
  const double k = v.pixels() / v.width();
  const int32_t x0 = v.left() + SafeFloor((a - 0.5 - v.first()) * k) - 1;
  const int32_t x1 = v.left() + SafeFloor((b + 0.5 - v.first()) * k) + 1;
  InvalidateColumns(s, x0, x1);
}

// Inverts the play cursor's column in the channel areas that are not excluded under flags, within clip.
void InvertCursor(WaveDispState& s, HDC dc, int32_t x, uint32_t flags, const RECT* clip) {
  if (x < 0 || (clip && (x < clip->left || x >= clip->right))) return;
  const std::vector<ChannelArea> areas = ChannelAreas(s.view, s.client, s.margins);
  for (size_t i = 0; i < areas.size(); ++i) {
    const bool excluded = areas.size() == 2 && (flags & (i == 0 ? WDF_NOLEFT : WDF_NORIGHT));
    if (excluded) continue;
    int32_t top = areas[i].rect.top, bottom = areas[i].rect.bottom;
    if (clip) {
      top = std::max<int32_t>(top, clip->top);
      bottom = std::min<int32_t>(bottom, clip->bottom);
    }
    if (bottom > top) PatBlt(dc, x, top, 1, bottom - top, DSTINVERT);
  }
}

// Keeps the column cache, the spectral columns, the handles and the cursor column in step with a view
// change: the same width moved by whole columns shifts what was computed, anything else drops it.
void ViewMoved(WaveDispState& s) {
  const WaveView& v = s.view;
  const double spp = v.samplesPerPixel();
  bool shifted = false;
  if (spp > 0 && s.seenPixels == v.pixels() && std::fabs(s.seenWidth - v.width()) < 1e-9) {
    const double dxf = (s.seenFirst - v.first()) / spp;
    const double dx = std::floor(dxf + 0.5);
    if (std::fabs(dxf - dx) < 1e-6 && std::fabs(dx) < v.pixels()) {
      s.painter.cache().shift(static_cast<int32_t>(dx));
      WaveDispSpectralShift(s, static_cast<int32_t>(dx));
      shifted = true;
    }
  }
  if (!shifted) {
    s.painter.cache().clear();
    WaveDispSpectralInvalidate(s);
  }
  s.handles.clear();  // a stale handle would edit whatever sample now sits under it
  s.seenFirst = v.first();
  s.seenWidth = v.width();
  s.seenPixels = v.pixels();
  // The cursor column moves with the view; the repaint draws it there.
  if (s.hideCount == 0 && s.cursorX >= 0) {
    HDC dc = GetDC(s.hwnd);
    InvertCursor(s, dc, s.cursorX, s.cursorFlags, nullptr);
    ReleaseDC(s.hwnd, dc);
  }
  s.cursorX = v.cursorPixel(v.cursorSample());
  s.cursorFlags = v.flags();
  InvalidateAll(s);
}

void SelectionMoved(WaveDispState& s) {
  const WaveView& v = s.view;
  for (const SampleRange& r : SelectionRedrawRanges(s.seenSelStart, s.seenSelEnd, v.selStart(), v.selEnd()))
    InvalidateSamples(s, r.first, r.last);
  if (s.seenSelEnd < s.seenSelStart) InvalidateSamples(s, s.seenSelStart, s.seenSelStart);
  if (v.selectionEmpty()) InvalidateSamples(s, v.selStart(), v.selStart());
  s.seenSelStart = v.selStart();
  s.seenSelEnd = v.selEnd();
}

void FlagsChanged(WaveDispState& s, uint32_t flags) {
  const uint32_t changed = flags ^ s.seenFlags;
  if (changed & ~(WDF_CHANNEL_MASK | WDF_SELECTING)) s.painter.cache().clear();
  if ((changed & WDF_WAVEFORM) && (flags & WDF_WAVEFORM)) WaveDispSpectralFree(s);
  if (changed & (WDF_SPECTRAL | WDF_WAVEFORM)) WaveDispSpectralInvalidate(s);
  if (changed & WDF_MODE_MASK) s.handles.clear();
  s.seenFlags = flags;
  InvalidateAll(s);
}

// The model's notifications: first our own upkeep, then the record to the parent.
void OnModelNotify(WaveDispState& s, const WaveDispNotify& n) {
  switch (n.code) {
    case WDN_VIEWCHANGED:
      ViewMoved(s);
      break;
    case WDN_SELCHANGED:
      SelectionMoved(s);
      break;
    case WDN_LENGTHCHANGED:
      s.painter.cache().clear();
      WaveDispSpectralInvalidate(s);
      InvalidateAll(s);
      break;
    case WDN_FLAGSCHANGED:
      FlagsChanged(s, static_cast<uint32_t>(n.extra));
      break;
    case WDN_VRANGECHANGED:
      InvalidateAll(s);
      break;
    default:
      break;
  }
  if (!s.parent) return;
  WaveDispNmhdr rec = {};
  rec.hdr.hwndFrom = s.hwnd;
  rec.hdr.idFrom = static_cast<UINT_PTR>(s.id);
  rec.hdr.code = static_cast<UINT>(n.code);
  rec.a = n.a;
  rec.b = n.b;
  rec.extra = n.extra;
  rec.flags = n.flags;
  SendMessageA(s.parent, WM_NOTIFY, static_cast<WPARAM>(s.id), reinterpret_cast<LPARAM>(&rec));
}

void Layout(WaveDispState& s) {
  RECT rc;
  GetClientRect(s.hwnd, &rc);
  s.client = {rc.left, rc.top, rc.right, rc.bottom};
  const DisplayAreas a = ComputeAreas(s.client, s.margins);
  s.view.setArea(a.wave.left, a.wave.right);
  s.painter.cache().resize(s.view.channels(), s.view.pixels());
  s.handles.clear();
  s.seenPixels = s.view.pixels();
  WaveDispSpectralInvalidate(s);
  s.mouse.setClient(rc.top, rc.bottom);
  s.cursorX = s.view.cursorPixel(s.view.cursorSample());
  if (s.memDC && (s.memWidth != rc.right || s.memHeight != rc.bottom)) {
    SelectObject(s.memDC, s.oldBitmap);
    DeleteObject(s.memBitmap);
    DeleteDC(s.memDC);
    s.memDC = nullptr;
  }
  InvalidateAll(s);
}

bool EnsureBackBuffer(WaveDispState& s, HDC screen) {
  if (s.memDC) return true;
  if (s.client.right <= 0 || s.client.bottom <= 0) return false;
  s.memDC = CreateCompatibleDC(screen);
  s.memBitmap = CreateCompatibleBitmap(screen, s.client.right, s.client.bottom);
  if (!s.memDC || !s.memBitmap) {
    if (s.memBitmap) DeleteObject(s.memBitmap);
    if (s.memDC) DeleteDC(s.memDC);
    s.memDC = nullptr;
    s.memBitmap = nullptr;
    return false;
  }
  s.oldBitmap = static_cast<HBITMAP>(SelectObject(s.memDC, s.memBitmap));
  s.memWidth = s.client.right;
  s.memHeight = s.client.bottom;
  return true;
}

void DrawOps(WaveDispState& s, HDC dc, const std::vector<PaintOp>& ops) {
  for (const PaintOp& op : ops) {
    RECT r = {op.r.left, op.r.top, op.r.right, op.r.bottom};
    if (op.kind == PaintOp::kFill) {
      SetBkColor(dc, WaveDispColorOf(s, op.color));
      ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    } else {
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, WaveDispColorOf(s, op.color));
      TextOutA(dc, r.left, r.top, op.text.data(), static_cast<int>(op.text.size()));
    }
  }
}

// Draws the frame and the current view's content for the columns of rc into dc (no play cursor).
void PaintInto(WaveDispState& s, HDC dc, const RECT& rc) {
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);
  HGDIOBJ font = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  std::vector<PaintOp> frame;
  PlanFrame(s.view, s.client, s.margins, s.source != nullptr, &frame);
  DrawOps(s, dc, frame);
  const uint32_t flags = s.view.flags();
  if (!s.blank && (flags & (WDF_SPECTRAL | WDF_WAVEFORM))) {
    PaintInput in;
    in.view = &s.view;
    in.client = s.client;
    in.margins = s.margins;
    in.source = s.source;
    in.gridX = &s.gridX;
    in.gridY = &s.gridY;
    in.boundaryAmplitude = s.spectral.boundaryAmplitude;
    in.interpolationTaps = s.interpolationTaps;
    in.cues = &s.cues;
    in.measure = [dc](const std::string& text) {
      SIZE size = {0, 0};
      GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
      return TextExtent{size.cx, size.cy};
    };
    if (flags & WDF_SPECTRAL) {
      WaveDispPaintSpectral(s, dc, rc);
      s.painter.planOverlays(in, rc.left, rc.right - 1, &s.plan.ops);
      s.handles.clear();
    } else {
      s.painter.plan(in, rc.left, rc.right - 1, &s.plan);
      s.interpolated = s.plan.interpolated;  // reported with the flags, without a notification
      s.handles = s.plan.handles;
    }
    DrawOps(s, dc, s.plan.ops);
  }
  SelectObject(dc, font);
  RestoreDC(dc, saved);
}

void OnPaint(WaveDispState& s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(s.hwnd, &ps);
  const RECT rc = ps.rcPaint;
  if (rc.right > rc.left && rc.bottom > rc.top) {
    if (EnsureBackBuffer(s, dc)) {
      PaintInto(s, s.memDC, rc);
      BitBlt(dc, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, s.memDC, rc.left, rc.top, SRCCOPY);
    } else {
      PaintInto(s, dc, rc);
    }
    if (s.hideCount == 0) {
      InvertCursor(s, dc, s.cursorX, s.view.flags(), &rc);
      s.cursorFlags = s.view.flags();
    }
  }
  EndPaint(s.hwnd, &ps);
}

void SetMouseCursor(WaveDispState& s, MouseCursor c) {
  switch (c) {
    case MouseCursor::kUnchanged:
      return;
    case MouseCursor::kArrow:
      s.cursor = LoadCursor(nullptr, IDC_ARROW);
      break;
    case MouseCursor::kUpperChannel:
      s.cursor = gUpperCursor ? gUpperCursor : LoadCursor(nullptr, IDC_UPARROW);
      break;
    case MouseCursor::kLowerChannel:
      s.cursor = gLowerCursor ? gLowerCursor : LoadCursor(nullptr, IDC_SIZENS);
      break;
  }
  SetCursor(s.cursor);
}

void Apply(WaveDispState& s, const MouseActions& a) {
  if (a.capture) SetCapture(s.hwnd);
  if (a.startRightTimer) SetTimer(s.hwnd, kTimerScrollRight, kAutoScrollMs, nullptr);
  if (a.killRightTimer) KillTimer(s.hwnd, kTimerScrollRight);
  if (a.startLeftTimer) SetTimer(s.hwnd, kTimerScrollLeft, kAutoScrollMs, nullptr);
  if (a.killLeftTimer) KillTimer(s.hwnd, kTimerScrollLeft);
  SetMouseCursor(s, a.cursor);
  if (a.release && GetCapture() == s.hwnd) ReleaseCapture();
}

void InvertDragBox(WaveDispState& s) {
  HDC dc = GetDC(s.hwnd);
  const PixelRect& b = s.drag.box;
  PatBlt(dc, b.left, b.top + s.dragOffset, b.right - b.left, b.bottom - b.top, DSTINVERT);
  ReleaseDC(s.hwnd, dc);
}

void OnButtonDown(WaveDispState& s, UINT msg, WPARAM wParam, LPARAM lParam) {
  const int32_t x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  const bool right = msg == WM_RBUTTONDOWN;
  if (!right && !(s.view.flags() & WDF_PASSCLICKS) && (s.view.flags() & WDF_WAVEFORM)) {
    const int h = HandleAt(s.handles, x, y);
    if (h >= 0) {
      s.dragging = true;
      s.drag = s.handles[h];
      s.pressY = y;
      s.dragOffset = 0;
      SetCapture(s.hwnd);
      s.cursor = gHandleCursor ? gHandleCursor : LoadCursor(nullptr, IDC_SIZENS);
      SetCursor(s.cursor);
      InvertDragBox(s);
      return;
    }
  }
  Apply(s, s.mouse.buttonDown(right, x, y, (wParam & MK_SHIFT) != 0, msg, static_cast<uint32_t>(wParam),
                              static_cast<int32_t>(lParam)));
}

void OnMouseMove(WaveDispState& s, LPARAM lParam) {
  const int32_t x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  if (s.dragging) {
    InvertDragBox(s);
    s.dragOffset = HandleDragOffset(y, s.pressY, s.drag.topLimit, s.drag.bottomLimit);
    InvertDragBox(s);
    return;
  }
  if (!(s.view.flags() & WDF_SELECTING) && (s.view.flags() & WDF_WAVEFORM) &&
      HandleAt(s.handles, x, y) >= 0) {
    s.cursor = gHandleCursor ? gHandleCursor : LoadCursor(nullptr, IDC_SIZENS);
    SetCursor(s.cursor);
    return;
  }
  Apply(s, s.mouse.move(x, y));
}

void EndDrag(WaveDispState& s, bool report) {
  if (!s.dragging) return;
  InvertDragBox(s);
  s.dragging = false;
  if (GetCapture() == s.hwnd) ReleaseCapture();
  if (!report || s.dragOffset == 0) return;
  const double value = HandleDragValue(s.drag.box.top, s.dragOffset, s.drag.topLimit, s.drag.bottomLimit,
                                       s.view.vLow(), s.view.vHigh());
  s.view.notify(WDN_SAMPLEDRAGGED, value, 0, s.drag.sample,
                HandleDragFlags(s.view.channels() == 2, s.drag.channel == 1));
}

void OnButtonUp(WaveDispState& s, LPARAM lParam) {
  if (s.dragging) {
    EndDrag(s, true);
    return;
  }
  Apply(s, s.mouse.buttonUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
}

void OnDoubleClick(WaveDispState& s, WPARAM wParam, LPARAM lParam) {
  const int32_t x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  if (!(s.view.flags() & WDF_PASSCLICKS) && (s.view.flags() & WDF_WAVEFORM) &&
      HandleAt(s.handles, x, y) >= 0) {
    MessageBeep(MB_ICONEXCLAMATION);
    return;
  }
  Apply(s, s.mouse.doubleClick(x, y, static_cast<uint32_t>(wParam), static_cast<int32_t>(lParam)));
}

void Destroy(WaveDispState* s) {
  KillTimer(s->hwnd, kTimerScrollRight);
  KillTimer(s->hwnd, kTimerScrollLeft);
  if (s->memDC) {
    SelectObject(s->memDC, s->oldBitmap);
    DeleteObject(s->memBitmap);
    DeleteDC(s->memDC);
  }
  SetWindowLongPtrA(s->hwnd, GWLP_USERDATA, 0);
  delete s;
}

// One case per message, each handing off to its helper in a line or two: the window's whole protocol in one
// place, which is why this procedure runs past the usual length.
LRESULT CALLBACK WaveDispProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WaveDispState* s = reinterpret_cast<WaveDispState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (msg == WM_CREATE) {
    s = new WaveDispState;
    s->hwnd = hwnd;
    s->parent = GetParent(hwnd);
    s->id = static_cast<int>(GetWindowLongPtrA(hwnd, GWLP_ID));
    for (int c = 1; c <= kColorCount; ++c) s->colors[c] = DefaultColor(c);
    s->view.setSink([s](const WaveDispNotify& n) { OnModelNotify(*s, n); });
    s->cursor = LoadCursor(nullptr, IDC_ARROW);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
    Layout(*s);
    return 0;
  }
  if (!s) return DefWindowProcA(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_DESTROY:
      Destroy(s);
      return 0;
    case WM_SIZE:
      Layout(*s);
      return 0;
    case WM_WINDOWPOSCHANGING: {
      WINDOWPOS* wp = reinterpret_cast<WINDOWPOS*>(lParam);
      if (!(wp->flags & SWP_NOSIZE)) wp->cy = SnapDisplayHeight(wp->cy);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // every paint covers the whole invalid rectangle from the off-screen buffer
    case WM_PAINT:
      OnPaint(*s);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      OnButtonDown(*s, msg, wParam, lParam);
      UpdateWindow(hwnd);
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(*s, lParam);
      UpdateWindow(hwnd);
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      OnButtonUp(*s, lParam);
      UpdateWindow(hwnd);
      return 0;
    case WM_LBUTTONDBLCLK:
      OnDoubleClick(*s, wParam, lParam);
      UpdateWindow(hwnd);
      return 0;
    case WM_TIMER:
      if (wParam == kTimerScrollRight || wParam == kTimerScrollLeft) {
        Apply(*s, s->mouse.timer(static_cast<int>(wParam)));
        UpdateWindow(hwnd);
        return 0;
      }
      break;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != hwnd) {
        EndDrag(*s, false);
        if (s->view.flags() & WDF_SELECTING) {
          POINT p;
          GetCursorPos(&p);
          ScreenToClient(hwnd, &p);
          Apply(*s, s->mouse.buttonUp(p.x, p.y));
        }
      }
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT && s->cursor) {
        SetCursor(s->cursor);
        return TRUE;
      }
      break;
    case WM_QUERYNEWPALETTE:
    case WM_PALETTECHANGED:
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

COLORREF WaveDispColorOf(const WaveDispState& s, int code) {
  if (code >= 1 && code <= kColorCount) return s.colors[code];
  switch (code) {
    case kPaintButtonFace:
      return GetSysColor(COLOR_BTNFACE);
    case kPaintBlack:
      return RGB(0, 0, 0);
    case kPaintMarker:
      return RGB(255, 128, 0);
    case kPaintRegion:
      return RGB(192, 96, 0);
    default:
      return GetSysColor(COLOR_BTNSHADOW);
  }
}

bool WaveDispRegister(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = WaveDispProc;
  wc.hInstance = instance;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kWaveDispClass;
  if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  gUpperCursor = LoadCursor(instance, MAKEINTRESOURCE(166));
  gLowerCursor = LoadCursor(instance, MAKEINTRESOURCE(165));
  gHandleCursor = LoadCursor(instance, MAKEINTRESOURCE(161));
  return true;
}

void WaveDispUnregister(HINSTANCE instance) {
  UnregisterClassA(kWaveDispClass, instance);
  // Cursors from LoadCursor are shared resources, released with the module: only forgotten here.
  gUpperCursor = gLowerCursor = gHandleCursor = nullptr;
}

HWND WaveDispCreate(HWND parent, int x, int y, int width, int height, int id) {
  HINSTANCE inst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
  return CreateWindowExA(0, kWaveDispClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y, width,
                         SnapDisplayHeight(height), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         inst, nullptr);
}

void WaveDispAttach(HWND hwnd, DisplaySource* source) {
  WaveDispState* s = StateOf(hwnd);
  if (!s) return;
  EndDrag(*s, false);
  s->source = source;
  s->painter.cache().clear();
  WaveDispSpectralInvalidate(*s);
  if (!source) {
    s->cues.clear();
    s->view.reset();
    s->painter.cache().resize(1, s->view.pixels());
    InvalidateAll(*s);
    return;
  }
  const SourceFormat f = source->format();
  s->view.setChannels(f.channels);
  s->painter.cache().resize(s->view.channels(), s->view.pixels());
  if (!(s->view.flags() & (WDF_WAVEFORM | WDF_SPECTRAL)))
    s->view.setFlags(WDF_WAVEFORM, WDF_WAVEFORM | WDF_SPECTRAL);
  if (!(s->view.vHigh() > s->view.vLow())) {
    double low, high;
    FullVerticalRange(s->view, &low, &high);
    s->view.setVRange(low, high);
  }
  const int64_t n = std::min<int64_t>(source->length(), INT32_MAX);
  s->view.setLength(static_cast<int32_t>(n));
  s->view.setView(0, static_cast<double>(n) - 1);
  InvalidateAll(*s);
}

DisplaySource* WaveDispSource(HWND hwnd) {
  WaveDispState* s = StateOf(hwnd);
  return s ? s->source : nullptr;
}

const WaveView* WaveDispModel(HWND hwnd) {
  WaveDispState* s = StateOf(hwnd);
  return s ? &s->view : nullptr;
}

bool WaveDispSetView(HWND hwnd, double a, double b, bool redraw) {
  WaveDispState* s = StateOf(hwnd);
  if (!s) return false;
  const bool changed = s->view.setView(a, b);
  if (redraw) UpdateWindow(hwnd);
  return changed;
}

bool WaveDispMoveView(HWND hwnd, double a, double b, bool force) {
  WaveDispState* s = StateOf(hwnd);
  if (!s) return false;
  s->view.moveView(a, b, force);
  UpdateWindow(hwnd);
  return true;
}

int32_t WaveDispScroll(HWND hwnd, int32_t dx) {
  WaveDispState* s = StateOf(hwnd);
  if (!s) return 0;
  const int32_t done = s->view.scroll(dx);
  UpdateWindow(hwnd);
  return done;
}

bool WaveDispSetSelection(HWND hwnd, int32_t start, int32_t end) {
  WaveDispState* s = StateOf(hwnd);
  if (!s) return false;
  s->view.setSelection(start, end);
  return true;
}

bool WaveDispNudgeSelection(HWND hwnd, int32_t dxStart, int32_t dxEnd) {
  WaveDispState* s = StateOf(hwnd);
  if (!s) return false;
  s->view.nudgeSelection(dxStart, dxEnd);
  return true;
}

bool WaveDispSetLength(HWND hwnd, int32_t length, bool redraw) {
  WaveDispState* s = StateOf(hwnd);
  if (!s) return false;
  s->view.setLength(length);
  if (redraw) UpdateWindow(hwnd);
  return true;
}

bool WaveDispSetFlags(HWND hwnd, uint32_t value, uint32_t mask, bool redraw) {
  WaveDispState* s = StateOf(hwnd);
  if (!s) return false;
  // Bits that are the window's own state are not the caller's to set.
  mask &= ~(WDF_SELECTING | WDF_SAMPLEDRAG | WDF_ERASED | WDF_INTERP);
  s->view.setFlags(value, mask);
  if (redraw) UpdateWindow(hwnd);
  return true;
}

uint32_t WaveDispGetFlags(HWND hwnd) {
  WaveDispState* s = StateOf(hwnd);
  if (!s) return 0;
  return s->view.flags() | (s->dragging ? WDF_SAMPLEDRAG : 0) | (s->interpolated ? WDF_INTERP : 0);
}

bool WaveDispSetVRange(HWND hwnd, double low, double high, bool redraw) {
  WaveDispState* s = StateOf(hwnd);
  if (!s || !s->view.setVRange(low, high)) return false;
  if (redraw) UpdateWindow(hwnd);
  return true;
}

bool WaveDispScrollVRange(HWND hwnd, int32_t dy) {
  WaveDispState* s = StateOf(hwnd);
  if (!s) return false;
  const std::vector<ChannelArea> areas = ChannelAreas(s->view, s->client, s->margins);
  const bool moved = !areas.empty() && s->view.scrollVRange(dy, areas[0].height);
  UpdateWindow(hwnd);
  return moved;
}

bool WaveDispCommand(HWND hwnd, int id) {
  WaveDispState* s = StateOf(hwnd);
  if (!s || !RunViewCommand(s->view, id)) return false;
  UpdateWindow(hwnd);
  return true;
}

int32_t WaveDispSetCursor(HWND hwnd, int32_t sample) {
  WaveDispState* s = StateOf(hwnd);
  if (!s) return -1;
  const int32_t x = s->view.setCursor(sample);
  if (s->hideCount == 0 && x != s->cursorX) {
    HDC dc = GetDC(hwnd);
    InvertCursor(*s, dc, s->cursorX, s->cursorFlags, nullptr);
    InvertCursor(*s, dc, x, s->view.flags(), nullptr);
    ReleaseDC(hwnd, dc);
    s->cursorFlags = s->view.flags();
  }
  s->cursorX = x;
  return x;
}

void WaveDispRedrawCursor(HWND hwnd) {
  WaveDispState* s = StateOf(hwnd);
  if (s) WaveDispSetCursor(hwnd, s->view.cursorSample());
}

void WaveDispShowCursor(HWND hwnd, bool show) {
  WaveDispState* s = StateOf(hwnd);
  if (!s) return;
  const bool toggle = show ? (s->hideCount > 0 && --s->hideCount == 0) : (s->hideCount++ == 0);
  if (!toggle || s->cursorX < 0) return;
  HDC dc = GetDC(hwnd);
  InvertCursor(*s, dc, s->cursorX, s->cursorFlags, nullptr);
  ReleaseDC(hwnd, dc);
}

bool WaveDispSetColor(HWND hwnd, int code, COLORREF color, bool redraw) {
  WaveDispState* s = StateOf(hwnd);
  if (!s || code < 1 || code > kColorCount) return false;
  s->colors[code] = color;
  if (code == kColorSpectralLow || code == kColorSpectralHigh) s->palette.clear();
  InvalidateAll(*s);
  if (redraw) UpdateWindow(hwnd);
  return true;
}

COLORREF WaveDispGetColor(HWND hwnd, int code) {
  WaveDispState* s = StateOf(hwnd);
  return s && code >= 1 && code <= kColorCount ? s->colors[code] : 0;
}

bool WaveDispSetSpectral(HWND hwnd, int code, int32_t value, bool redraw) {
  WaveDispState* s = StateOf(hwnd);
  if (!s) return false;
  const SpectralChange c =
      ApplySpectralSetting(&s->spectral, code, value, (s->view.flags() & WDF_SPECTRAL) != 0);
  if (c == SpectralChange::kUnknownCode) return false;
  if (c == SpectralChange::kRebuildPalette) s->palette.clear();
  if (c == SpectralChange::kRedraw || c == SpectralChange::kRebuildPalette) {
    if (code != 105 && code != 100) WaveDispSpectralInvalidate(*s);
    InvalidateAll(*s);
    if (redraw) UpdateWindow(hwnd);
  }
  return true;
}

void WaveDispSetRecording(HWND hwnd, bool recording) {
  WaveDispState* s = StateOf(hwnd);
  if (!s || s->recording == recording) return;
  s->recording = recording;
  if (!recording) InvalidateAll(*s);
}

void WaveDispSetBlank(HWND hwnd, bool blank) {
  WaveDispState* s = StateOf(hwnd);
  if (!s || s->blank == blank) return;
  s->blank = blank;
  InvalidateAll(*s);
}

void WaveDispSetMargins(HWND hwnd, int left, int top, int right, int bottom) {
  WaveDispState* s = StateOf(hwnd);
  if (!s) return;
  s->margins = {std::max(0, left), std::max(0, top), std::max(0, right), std::max(0, bottom)};
  Layout(*s);
}

namespace {
void SetGrid(WaveDispState* s, std::vector<int16_t>* grid, const int16_t* list, int count) {
  grid->clear();
  for (int i = 0; list && i < count && list[i] >= 0; ++i) grid->push_back(list[i]);
  InvalidateAll(*s);
}
}  // namespace

void WaveDispSetGridX(HWND hwnd, const int16_t* list, int count, bool redraw) {
  WaveDispState* s = StateOf(hwnd);
  if (!s) return;
  SetGrid(s, &s->gridX, list, count);
  if (redraw) UpdateWindow(hwnd);
}

void WaveDispSetGridY(HWND hwnd, const int16_t* list, int count, bool redraw) {
  WaveDispState* s = StateOf(hwnd);
  if (!s) return;
  SetGrid(s, &s->gridY, list, count);
  if (redraw) UpdateWindow(hwnd);
}

void WaveDispSetCues(HWND hwnd, std::vector<CueMark> cues, bool redraw) {
  WaveDispState* s = StateOf(hwnd);
  if (!s) return;
  s->cues = std::move(cues);
  InvalidateAll(*s);
  if (redraw) UpdateWindow(hwnd);
}

void WaveDispRedrawRange(HWND hwnd, int32_t a, int32_t b, bool resetCache) {
  WaveDispState* s = StateOf(hwnd);
  if (!s) return;
  int32_t va, vb;
  s->view.viewSamples(&va, &vb);
  if (b == -2) b = vb;
  if (b == -1) b = INT32_MAX / 2;
  if (b < a) b = a;
  const WaveView& v = s->view;
  if (v.samplesPerPixel() <= 0) return;
  const double k = v.pixels() / v.width();
  const int32_t x0 = std::max(v.left(), v.left() + SafeFloor((a - 0.5 - v.first()) * k) - 1);
  const int32_t x1 = std::min(v.right(), v.left() + SafeFloor((b + 0.5 - v.first()) * k) + 1);
  if (resetCache) {
    const double none[2] = {kEmptyColumnMark, kEmptyColumnMark};
    for (int32_t x = x0; x <= x1; ++x) s->painter.cache().put(x - v.left(), none, none);
    for (int32_t x = x0; x <= x1; ++x)  // the spectral columns may still have the size before a resize
      if (static_cast<size_t>(x - v.left()) < s->columnValid.size()) s->columnValid[x - v.left()] = 0;
  }
  InvalidateColumns(*s, x0, x1);
  UpdateWindow(hwnd);
}

std::vector<int16_t> WaveDispGridX(HWND hwnd) {
  WaveDispState* s = StateOf(hwnd);
  return s ? s->gridX : std::vector<int16_t>();
}

std::vector<int16_t> WaveDispGridY(HWND hwnd) {
  WaveDispState* s = StateOf(hwnd);
  return s ? s->gridY : std::vector<int16_t>();
}

std::vector<ChannelArea> WaveDispChannelAreas(HWND hwnd) {
  WaveDispState* s = StateOf(hwnd);
  return s ? ChannelAreas(s->view, s->client, s->margins) : std::vector<ChannelArea>();
}

std::vector<SampleHandle> WaveDispHandles(HWND hwnd) {
  WaveDispState* s = StateOf(hwnd);
  return s ? s->handles : std::vector<SampleHandle>();
}

int32_t WaveDispPixelToSample(HWND hwnd, int32_t x) {
  WaveDispState* s = StateOf(hwnd);
  return s ? s->view.pixelToSample(x) : 0;
}

int32_t WaveDispSampleToPixel(HWND hwnd, int32_t sample) {
  WaveDispState* s = StateOf(hwnd);
  return s ? s->view.sampleToPixel(sample) : 0;
}

bool WaveDispRender(HWND hwnd, std::vector<uint32_t>* pixels, int* width, int* height) {
  WaveDispState* s = StateOf(hwnd);
  if (!s || s->client.right <= 0 || s->client.bottom <= 0) return false;
  const int w = s->client.right, h = s->client.bottom;
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
  const RECT all = {0, 0, w, h};
  PaintInto(*s, dc, all);
  if (s->hideCount == 0) InvertCursor(*s, dc, s->cursorX, s->view.flags(), &all);
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
