// The progress window; see progress_window.h. The window is a modeless dialog built from an in-memory
// template, its controls made in code with the ids the window has always had (title 109, estimate 118,
// percentage 121, banner 3053, state 3086, Pause 3121, Cancel 2, "_" 3088; the bar is drawn in the area
// that frame 1003 occupies).
#include <algorithm>
#include <cstring>

#include "formats/progress_state.h"
#include "formats/progress_window.h"
#include "platform/win32.h"
#include "ui/message_box.h"

namespace formats {
namespace {

constexpr int kIdTitle = 109, kIdEta = 118, kIdPercent = 121, kIdBanner = 3053, kIdState = 3086;
constexpr int kIdPause = 3121, kIdMinimise = 3088, kIdBarFrame = 1003;
constexpr int kCommandBar = 121;  // WM_COMMAND id carrying the bar value (hundredths) in lParam

struct Window {
  HWND hwnd = nullptr;
  HWND owner = nullptr;
  HWND main = nullptr;
  RECT bar = {10, 52, 350, 70};
  int barValue = -100;
  std::string banner;
  HBITMAP picture = nullptr;
  SIZE pictureSize = {0, 0};
  ProgressState state;
};
Window g;

HWND control(int id) {
  return GetDlgItem(g.hwnd, id);
}

void makeControl(HWND parent, const char* cls, const char* text, DWORD style, int id, int x, int y, int w,
                 int h) {
  HWND c =
      CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                      reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), GetModuleHandleA(nullptr), nullptr);
  SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
}

void onInit(HWND hwnd) {
  g.hwnd = hwnd;
  makeControl(hwnd, "STATIC", "Status of the Operation So Far", SS_LEFT, kIdTitle, 10, 8, 340, 16);
  makeControl(hwnd, "STATIC", g.banner.empty() ? "Copyright" : g.banner.c_str(), SS_LEFT, kIdBanner, 10, 28,
              340, 16);
  makeControl(hwnd, "STATIC", "", SS_BLACKFRAME, kIdBarFrame, g.bar.left - 1, g.bar.top - 1,
              g.bar.right - g.bar.left + 2, g.bar.bottom - g.bar.top + 2);
  makeControl(hwnd, "STATIC", "100 %", SS_LEFT, kIdPercent, 10, 76, 50, 16);
  makeControl(hwnd, "STATIC", "ETA:", SS_LEFT, kIdEta, 70, 76, 280, 16);
  makeControl(hwnd, "STATIC", "Working...", SS_LEFT, kIdState, 10, 100, 120, 16);
  makeControl(hwnd, "BUTTON", "Pause", BS_PUSHBUTTON | WS_TABSTOP, kIdPause, 130, 120, 70, 24);
  makeControl(hwnd, "BUTTON", "Cancel", BS_DEFPUSHBUTTON | WS_TABSTOP, IDCANCEL, 210, 120, 70, 24);
  makeControl(hwnd, "BUTTON", "_", BS_PUSHBUTTON | WS_TABSTOP, kIdMinimise, 290, 120, 30, 24);
  SetWindowTextA(control(kIdTitle), g.state.title().c_str());
  SetWindowTextA(hwnd, "Progress");
  RECT r = {0, 0, 360, 154};
  AdjustWindowRectEx(&r, GetWindowLongA(hwnd, GWL_STYLE), FALSE, GetWindowLongA(hwnd, GWL_EXSTYLE));
  int w = r.right - r.left, h = r.bottom - r.top;
  RECT screen;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
  RECT around = screen;
  if (g.owner) GetWindowRect(g.owner, &around);
  int x = (around.left + around.right - w) / 2, y = (around.top + around.bottom - h) / 2;
  if (x + w > screen.right - 4) x = screen.right - 4 - w;
  if (y + h > screen.bottom - 4) y = screen.bottom - 4 - h;
  if (x < screen.left + 4) x = screen.left + 4;
  if (y < screen.top + 4) y = screen.top + 4;
  SetWindowPos(hwnd, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  g.barValue = -100;
  // Not the active application: no window of this process is in the foreground (one of its modeless
  // windows, such as the analysis window whose Scan started this, counts as active).
  DWORD foregroundProcess = 0;
  if (HWND fg = GetForegroundWindow()) GetWindowThreadProcessId(fg, &foregroundProcess);
  if (g.main && foregroundProcess != GetCurrentProcessId()) {
    ui::debugOutput("Hiding next progress bar\n");
  } else {
    ShowWindow(hwnd, SW_SHOW);
  }
}

void paintBar(HDC dc) {
  RECT r = g.bar;
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  if (g.barValue > 0) {
    RECT fill = r;
    fill.right = r.left + int(int64_t(g.barValue) * (r.right - r.left) / 10000);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &fill, blue);
    DeleteObject(blue);
  }
}

constexpr int kClientWidth = 360, kClientHeight = 154, kPictureLeft = 364;

// Client size for the current picture; keeps the window's position.
void fitWindow() {
  if (!g.hwnd) return;
  int cw = kClientWidth + (g.picture ? g.pictureSize.cx + 12 : 0);
  int ch = std::max<int>(kClientHeight, g.picture ? g.pictureSize.cy + 16 : 0);
  RECT r = {0, 0, cw, ch};
  AdjustWindowRectEx(&r, GetWindowLongA(g.hwnd, GWL_STYLE), FALSE, GetWindowLongA(g.hwnd, GWL_EXSTYLE));
  SetWindowPos(g.hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  InvalidateRect(g.hwnd, nullptr, TRUE);
}

void paintPicture(HDC dc) {
  if (!g.picture) return;
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, g.picture);
  BitBlt(dc, kPictureLeft, 8, g.pictureSize.cx, g.pictureSize.cy, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
}

void togglePause() {
  g.state.togglePause(GetTickCount());
  bool paused = g.state.paused();
  SetWindowTextA(control(kIdState), paused ? "Paused" : "Working...");
  SetWindowTextA(control(kIdPause), paused ? "Continue" : "Pause");
}

void cancelNow() {
  g.state.cancel();
  if (g.owner) EnableWindow(g.owner, TRUE);
  HWND w = g.hwnd;
  g.hwnd = nullptr;
  if (w) DestroyWindow(w);
}

// Pumps the thread's waiting messages through the dialog first; stops early once cancelled.
void pump() {
  MSG msg;
  while (!g.state.cancelled() && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(int(msg.wParam));
      break;
    }
    if (g.hwnd && IsDialogMessageA(g.hwnd, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace

INT_PTR CALLBACK PROGRESSMsgProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      onInit(hwnd);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case kCommandBar: {
          bool percentChanged = false;
          int b = int(lp);
          if (g.state.barValue(b, &percentChanged)) {
            g.barValue = b;
            if (percentChanged) SetWindowTextA(control(kIdPercent), progressPercentText(b).c_str());
            InvalidateRect(hwnd, &g.bar, FALSE);
          }
          return TRUE;
        }
        case IDCANCEL:
          cancelNow();
          return TRUE;
        case kIdPause:
          togglePause();
          return TRUE;
        case kIdMinimise:
          if (g.main) ShowWindow(g.main, SW_MINIMIZE);
          return TRUE;
      }
      return FALSE;
    case WM_LBUTTONDOWN: {
      POINT p = {short(LOWORD(lp)), short(HIWORD(lp))};
      if (PtInRect(&g.bar, p)) togglePause();
      return TRUE;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      paintBar(dc);
      paintPicture(dc);
      EndPaint(hwnd, &ps);
      return TRUE;
    }
    case WM_CLOSE:
      cancelNow();
      return TRUE;
  }
  return FALSE;
}

void progressSetMainWindow(void* hwnd) {
  g.main = static_cast<HWND>(hwnd);
}

int progressCreate(const char* title, intptr_t owner) {
  if (!g.state.create(title ? title : "", GetTickCount())) return 0;
  if (g.hwnd) {
    DestroyWindow(g.hwnd);
    g.hwnd = nullptr;
  }
  g.owner = owner == 0 ? g.main : owner == -1 ? nullptr : reinterpret_cast<HWND>(owner);
  // A popup with a caption and no controls; the controls are made in WM_INITDIALOG.
  alignas(4) static WORD tmpl[16];
  std::memset(tmpl, 0, sizeof tmpl);
  DLGTEMPLATE* t = reinterpret_cast<DLGTEMPLATE*>(tmpl);
  t->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  t->cx = 240;
  t->cy = 100;
  // After the fixed part: no menu, default class, empty caption (three zero words, already zero).
  HWND w = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), t, g.owner, PROGRESSMsgProc, 0);
  if (!w) return 0;
  g.hwnd = w;
  if (g.owner) EnableWindow(g.owner, FALSE);
  SendMessageA(w, WM_COMMAND, kCommandBar, 0);
  return 1;
}

int progressMeter(uint32_t done, uint32_t total) {
  if (!g.state.suppressed()) {
    if (!g.hwnd) return 0;
    ProgressState::Meter m = g.state.meter(done, total, GetTickCount());
    if (m.etaChanged) SetWindowTextA(control(kIdEta), m.eta.c_str());
    SendMessageA(g.hwnd, WM_COMMAND, kCommandBar, m.bar);
  }
  pump();
  while (g.state.paused() && !g.state.cancelled()) {
    WaitMessage();
    pump();
  }
  if (g.state.paused()) g.state.togglePause(GetTickCount());
  return g.state.cancelled() ? 0 : 1;
}

int progressDestroy() {
  if (g.state.suppressed()) return 0;
  if (!g.state.cancelled() && g.hwnd) {
    if (g.owner) EnableWindow(g.owner, TRUE);
    DestroyWindow(g.hwnd);
  }
  g.hwnd = nullptr;
  g.owner = g.main;
  if (g.picture) {
    DeleteObject(g.picture);
    g.picture = nullptr;
  }
  return 1;
}

void progressSetBanner(const char* text) {
  g.banner = text ? text : "";
  if (g.hwnd) SetWindowTextA(control(kIdBanner), g.banner.c_str());
}

void progressSetPicture(void* module, int id) {
  if (g.picture) {
    DeleteObject(g.picture);
    g.picture = nullptr;
  }
  if (module && id > 0) {
    g.picture = LoadBitmapA(static_cast<HINSTANCE>(module), MAKEINTRESOURCEA(id));
    BITMAP bm;
    if (g.picture && GetObjectA(g.picture, sizeof bm, &bm)) {
      g.pictureSize.cx = bm.bmWidth;
      g.pictureSize.cy = bm.bmHeight;
    } else if (g.picture) {
      DeleteObject(g.picture);
      g.picture = nullptr;
    }
  }
  fitWindow();
}

void progressEnterNested(uint32_t key) {
  g.state.enterSuppression(key);
}
void progressLeaveNested(uint32_t key) {
  g.state.leaveSuppression(key);
}
bool progressCancelled() {
  return g.state.cancelled();
}
void* progressWindow() {
  return g.hwnd;
}

void WindowProgress::begin(const std::string& title) {
  open_ = progressCreate(title.c_str(), 0) != 0;
}

bool WindowProgress::update(uint64_t done, uint64_t total) {
  while (total > 0xFFFFFFFFull) {
    total >>= 1;
    done >>= 1;
  }
  if (!open_) {
    // No window of our own (nested, or none could be made): keep the interface alive and stop only on Cancel.
    progressMeter(uint32_t(done), uint32_t(total));
    return !progressCancelled();
  }
  return progressMeter(uint32_t(done), uint32_t(total)) != 0;
}

void WindowProgress::end() {
  if (open_) progressDestroy();
  open_ = false;
}

}  // namespace formats

// The same services with the standard calling convention, as the program exports them to plug-ins (the
// transform context record carries these addresses).
extern "C" {
int32_t __stdcall progressCreate(const char* title, intptr_t owner) {
  return formats::progressCreate(title, owner);
}
int32_t __stdcall progressMeter(uint32_t done, uint32_t total) {
  return formats::progressMeter(done, total);
}
int32_t __stdcall progressDestroy() {
  return formats::progressDestroy();
}
}
