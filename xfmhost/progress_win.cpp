// The progress window; see progress_window.h. A modeless dialog made from the template "ID_PROGRESS" of
// the program's resources (ids in resources/service_dialog_ids.h). The frame control 1003 only marks where
// the bar goes: it is hidden and the bar painted in its rectangle (white with a black frame, filled in blue
// to the value). The estimate, the bar value and the paused time come from xfmhost/service_math.h.
#include <algorithm>
#include <cstring>

#include "xfmhost/progress_window.h"
#include "platform/win32.h"
#include "resources/service_dialog_ids.h"
#include "ui/message_box.h"
#include "xfmhost/dialog_services.h"
#include "xfmhost/service_math.h"

namespace xfmhost {
namespace {

constexpr int kCommandBar = IDC_PROGRESS_PERCENT;  // WM_COMMAND id carrying the bar value (1/100 %) in lParam

struct ProgressWindow {
  HWND hwnd = nullptr;
  HWND owner = nullptr;  // disabled while the window is up
  HWND main = nullptr;
  std::string title = "Generating Stuff";
  std::string banner;
  RECT bar = {0, 0, 0, 0};
  int32_t barValue = -100;
  SIZE client = {0, 0};  // the template's client size, without a picture
  HBITMAP picture = nullptr;
  SIZE pictureSize = {0, 0};
  xfmhost::ProgressClock clock;
  xfmhost::ProgressMeterState meter;
  volatile int32_t cancel = 0;
  uint32_t nestKey = 0;  // DoXfm's key while a nested transform runs under its caller's window
};
ProgressWindow g;

bool suppressed() {
  return g.nestKey != 0;
}

HWND control(int id) {
  return GetDlgItem(g.hwnd, id);
}

// Whether the program is the active application: the foreground window is one of this process's.
bool programActive() {
  HWND fg = GetForegroundWindow();
  DWORD pid = 0;
  if (fg) GetWindowThreadProcessId(fg, &pid);
  return fg && pid == GetCurrentProcessId();
}

// The picture goes right of the template's client area; the window grows to hold it.
void fitPicture() {
  if (!g.hwnd) return;
  HWND area = control(IDC_PROGRESS_PICTURE);
  int cw = g.client.cx, ch = g.client.cy;
  if (g.picture && area) {
    SendMessageA(area, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(g.picture));
    SetWindowPos(area, nullptr, g.client.cx, 8, g.pictureSize.cx, g.pictureSize.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(area, SW_SHOWNA);
    cw += g.pictureSize.cx + 8;
    ch = std::max<int>(ch, g.pictureSize.cy + 16);
  } else if (area) {
    ShowWindow(area, SW_HIDE);
    SendMessageA(area, STM_SETIMAGE, IMAGE_BITMAP, 0);
  }
  RECT r = {0, 0, cw, ch};
  AdjustWindowRectEx(&r, GetWindowLongA(g.hwnd, GWL_STYLE), FALSE, GetWindowLongA(g.hwnd, GWL_EXSTYLE));
  SetWindowPos(g.hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  InvalidateRect(g.hwnd, nullptr, TRUE);
}

void onInit(HWND hwnd) {
  g.hwnd = hwnd;
  RECT c;
  GetClientRect(hwnd, &c);
  g.client.cx = c.right;
  g.client.cy = c.bottom;
  SetWindowTextA(control(IDC_PROGRESS_TITLE), g.title.c_str());
  SetWindowTextA(control(IDC_PROGRESS_BANNER), g.banner.c_str());
  SetWindowTextA(control(IDC_PROGRESS_STATE), "Working...");
  HWND frame = control(IDC_PROGRESS_BAR);
  if (frame) {
    RECT r;
    GetWindowRect(frame, &r);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
    g.bar = r;
    ShowWindow(frame, SW_HIDE);
  }
  g.barValue = -100;
  if (g.picture) fitPicture();
  xfmhost::cwCenter(hwnd, 0);
  if (!programActive()) {
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
    fill.right = r.left + int(int64_t(std::min<int32_t>(g.barValue, 10000)) * (r.right - r.left) / 10000);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &fill, blue);
    DeleteObject(blue);
  }
}

void togglePause() {
  g.clock.togglePause(GetTickCount());
  const bool paused = g.clock.paused();
  SetWindowTextA(control(IDC_PROGRESS_STATE), paused ? "Paused" : "Working...");
  SetWindowTextA(control(IDC_PROGRESS_PAUSE), paused ? "Continue" : "Pause");
}

void enableOwner() {
  if (g.owner && IsWindow(g.owner)) EnableWindow(g.owner, TRUE);
}

// Cancel or closing the window: the flag, the owner back, the window gone at once.
void cancelNow() {
  g.cancel = 1;
  enableOwner();
  HWND w = g.hwnd;
  g.hwnd = nullptr;
  if (w) DestroyWindow(w);
}

// Pumps the thread's waiting messages through the dialog first; stops early once cancelled. A quit
// request is put back for the main loop and stops the operation.
void pump() {
  MSG msg;
  while (!g.cancel && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(int(msg.wParam));
      g.cancel = 1;
      break;
    }
    if (g.hwnd && IsDialogMessageA(g.hwnd, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void dropPicture() {
  if (g.picture) {
    DeleteObject(g.picture);
    g.picture = nullptr;
  }
}

}  // namespace

intptr_t __stdcall PROGRESSMsgProc(void* dialog, unsigned msg, uintptr_t wp, intptr_t lp) {
  HWND hwnd = static_cast<HWND>(dialog);
  switch (msg) {
    case WM_INITDIALOG:
      onInit(hwnd);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case kCommandBar: {
          bool percentChanged = false;
          const int32_t b = int32_t(lp);
          if (g.meter.drawBar(b, &percentChanged)) {
            g.barValue = b;
            if (percentChanged)
              SetWindowTextA(control(IDC_PROGRESS_PERCENT), xfmhost::progressPercentText(b).c_str());
            InvalidateRect(hwnd, &g.bar, FALSE);
          }
          return TRUE;
        }
        case IDCANCEL:
          cancelNow();
          return TRUE;
        case IDC_PROGRESS_PAUSE:
          togglePause();
          return TRUE;
        case IDC_PROGRESS_MINIMIZE:
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
  xfmhost::setDialogServicesMainWindow(hwnd);
}

int progressCreate(const char* title, intptr_t owner) {
  if (suppressed()) return 0;
  if (g.hwnd) {  // a window left open by an earlier operation: replaced
    enableOwner();
    DestroyWindow(g.hwnd);
    g.hwnd = nullptr;
  }
  g.title = title ? title : "";
  g.meter.reset();
  g.clock.start(GetTickCount());
  g.cancel = 0;
  g.owner = owner == 0 ? g.main : owner == -1 ? nullptr : reinterpret_cast<HWND>(owner);
  if (g.owner && !IsWindow(g.owner)) g.owner = nullptr;
  HWND w = CreateDialogParamA(GetModuleHandleA(nullptr), "ID_PROGRESS", g.owner,
                              reinterpret_cast<DLGPROC>(PROGRESSMsgProc), 0);
  if (!w) {
    g.hwnd = nullptr;
    return 0;
  }
  g.hwnd = w;
  if (g.owner) EnableWindow(g.owner, FALSE);
  SendMessageA(w, WM_COMMAND, kCommandBar, 0);
  return 1;
}

int progressMeter(int32_t done, int32_t total) {
  if (!suppressed()) {
    if (!g.hwnd) return 0;
    xfmhost::ProgressMeterState::Update u = g.meter.meter(done, total, g.clock.elapsedMs(GetTickCount()));
    if (u.etaChanged) SetWindowTextA(control(IDC_PROGRESS_ETA), u.eta.c_str());
    if (u.bar >= 0) SendMessageA(g.hwnd, WM_COMMAND, kCommandBar, u.bar);
  }
  pump();
  while (g.clock.paused() && !g.cancel) {
    WaitMessage();
    pump();
  }
  if (g.clock.paused()) g.clock.togglePause(GetTickCount());
  return g.cancel ? 0 : 1;
}

int progressDestroy() {
  if (suppressed()) return 0;
  if (!g.cancel && g.hwnd) {
    enableOwner();
    DestroyWindow(g.hwnd);
  }
  g.hwnd = nullptr;
  g.owner = g.main;
  dropPicture();
  return 1;
}

void progressSetBanner(const char* text) {
  g.banner = text ? text : "";
  if (g.hwnd) SetWindowTextA(control(IDC_PROGRESS_BANNER), g.banner.c_str());
}

void progressSetPicture(void* module, int id) {
  HBITMAP old = g.picture;
  g.picture = nullptr;
  if (module && id > 0) {
    HBITMAP b = LoadBitmapA(static_cast<HINSTANCE>(module), MAKEINTRESOURCEA(id));
    BITMAP bm;
    if (b && GetObjectA(b, sizeof bm, &bm)) {
      g.picture = b;
      g.pictureSize.cx = bm.bmWidth;
      g.pictureSize.cy = bm.bmHeight;
    } else if (b) {
      DeleteObject(b);
    }
  }
  fitPicture();  // the area lets go of the old bitmap before it is deleted
  if (old) DeleteObject(old);
}

void progressAppActivated() {
  if (!g.hwnd || IsWindowVisible(g.hwnd)) return;
  if (g.main && IsIconic(g.main)) ShowWindow(g.main, SW_RESTORE);
  xfmhost::cwCenter(g.hwnd, 0);
  ShowWindow(g.hwnd, SW_SHOW);
}

void progressEnterNested(uint32_t key) {
  if (g.nestKey == 0) g.nestKey = key;
}
void progressLeaveNested(uint32_t key) {
  if (g.nestKey == key) g.nestKey = 0;
}
bool progressCancelled() {
  return g.cancel != 0;
}
volatile int32_t* progressCancelFlag() {
  return &g.cancel;
}
void* progressWindow() {
  return g.hwnd;
}

void WindowProgress::begin(const std::string& title) {
  open_ = progressCreate(title.c_str(), 0) != 0;
}

bool WindowProgress::update(uint64_t done, uint64_t total) {
  while (total > 0x7FFFFFFFull) {
    total >>= 1;
    done >>= 1;
  }
  done = std::min<uint64_t>(done, 0x7FFFFFFFull);
  if (!open_) {
    // No window of our own (nested, or none could be made): keep the interface alive and stop only on
    // Cancel. The meter pumps only under a window or a nesting key; without either, pump here.
    if (suppressed() || g.hwnd)
      progressMeter(int32_t(done), int32_t(total));
    else
      pump();
    return !progressCancelled();
  }
  return progressMeter(int32_t(done), int32_t(total)) != 0;
}

void WindowProgress::end() {
  if (open_) progressDestroy();
  open_ = false;
}

}  // namespace xfmhost

// The same services with the standard calling convention, as the program exports them to plug-ins (the
// transform context record carries these addresses).
extern "C" {
int32_t __stdcall progressCreate(const char* title, XfmWindow owner) {
  return xfmhost::progressCreate(title, reinterpret_cast<intptr_t>(owner));
}
int32_t __stdcall progressMeter(int32_t done, int32_t total) {
  return xfmhost::progressMeter(done, total);
}
int32_t __stdcall progressDestroy() {
  return xfmhost::progressDestroy();
}
}
