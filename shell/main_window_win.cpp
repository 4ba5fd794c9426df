// The main window procedure of class "SORN96": creation (which reads the settings), command dispatch,
// closing and the shut-down order, the store's and the display's notifications, and the private
// messages. Everything a later subsystem owns reaches it through shell_hooks.h.
// clang-format off
#include "platform/win32.h"  // before the other system headers
#include <shellapi.h>
// clang-format on

#include <cstdio>

#include "platform/profile.h"
#include "shell/app_state.h"
#include "resources/command_ids.h"
#include "shell/dispatch.h"
#include "shell/main_controls.h"
#include "ui/message_box.h"
#include "shell/recent_files.h"
#include "ui/settings_source.h"
#include "shell/shell_hooks.h"
#include "shell/win_shell.h"

namespace shell {
namespace {

// The store's notification records carry this value where a window's header has its handle.
constexpr uintptr_t kStoreNotifyMarker = 0x01020304;

COLORREF toColorRef(Colour c) {
  return RGB(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

HFONT makeFont(int height, const char* face) {
  return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
}

// Commands the shell handles itself.
void registerShellCommands(HWND hwnd) {
  registerCommand(IDM_EXIT, [hwnd](int, intptr_t) { SendMessageA(hwnd, WM_CLOSE, 1, 0); });
  registerCommand(IDM_NEW_INSTANCE, [](int, intptr_t) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH - 1);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi = {};
    if (CreateProcessA(path, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
  });
}

LRESULT onCreate(HWND hwnd) {
  AppState& a = app();
  a.mainWindow = hwnd;
  ui::setMessageBoxOwner(hwnd);
  ui::ProfileSettingsSource ini(a.settingsFile);
  a.settings = loadSettings(ini);
  MainWindowResources& r = mainWindowResources();
  r.waveformPen = CreatePen(PS_SOLID, 1, toColorRef(a.settings.waveformColour));
  r.backgroundBrush = CreateSolidBrush(toColorRef(a.settings.backgroundColour));
  r.font = makeFont(15, "Arial");
  r.narrowFont = makeFont(-10, "Arial Narrow");
  r.smallFont = makeFont(12, "Arial");
  HINSTANCE inst = static_cast<HINSTANCE>(a.instance);
  const WORD cursorIds[3] = {161, 169, 170};
  for (int i = 0; i < 3; ++i) r.cursors[i] = LoadCursorA(inst, MAKEINTRESOURCEA(cursorIds[i]));
  r.helpMessage = RegisterWindowMessageA("commdlg_help");
  registerShellCommands(hwnd);
  return 0;
}

bool anotherMainWindow(HWND self) {
  HWND w = nullptr;
  while ((w = FindWindowExA(nullptr, w, kMainClassName, nullptr)) != nullptr) {
    if (w != self) return true;
  }
  return false;
}

void writeOpenWindows() {
  ShellHooks& h = shellHooks();
  ui::ProfileSettingsSource ini(app().settingsFile);
  auto open = [](const std::function<void*()>& f) { return f && f() ? "1" : "0"; };
  ini.writeString("Size", "PlayList", open(h.playListWindow));
  ini.writeString("Size", "CueList", open(h.cueListWindow));
  ini.writeString("Size", "Analyzer", open(h.analyzerWindow));
}

LRESULT onClose(HWND hwnd) {
  if (!readyToClose(shellHooks(), app().commandLine)) return 0;
  writeOpenWindows();
  DestroyWindow(hwnd);
  return 0;
}

LRESULT onQueryEndSession(HWND hwnd, WPARAM wParam) {
  if (wParam != 0) return TRUE;
  ShellHooks& h = shellHooks();
  if (h.askToSave && !h.askToSave()) return FALSE;
  writeOpenWindows();
  DestroyWindow(hwnd);
  return TRUE;
}

void run(const std::function<void()>& f) {
  if (f) f();
}

void deleteGdiObjects() {
  MainWindowResources& r = mainWindowResources();
  if (r.waveformPen) DeleteObject(r.waveformPen);
  if (r.backgroundBrush) DeleteObject(r.backgroundBrush);
  r.waveformPen = nullptr;
  r.backgroundBrush = nullptr;
}

void deleteFonts() {
  MainWindowResources& r = mainWindowResources();
  for (HFONT* f : {&r.font, &r.narrowFont, &r.smallFont}) {
    if (*f) DeleteObject(*f);
    *f = nullptr;
  }
}

// The shut-down order of the main window.
LRESULT onDestroy(HWND hwnd) {
  AppState& a = app();
  ShellHooks& h = shellHooks();
  run(h.finishScriptRecording);
  deleteGdiObjects();
  run(h.deleteGdiObjects);
  run(h.releaseTransforms);
  run(h.closeCdAndToolbar);
  run(h.closeAudioDevices);
  deleteFonts();
  run(h.freeMusicTables);
  run(h.closeDocument);
  ui::ProfileSettingsSource ini(a.settingsFile);
  if (h.writeRecentFilter) {
    h.writeRecentFilter();
  } else {
    saveRecentFilter(a.settings, ini);
  }
  saveSettings(a.settings, ini);
  run(h.releaseFftTables);
  if (h.cueListWindow && h.cueListWindow()) ui::debugOutput("Cue box still up!\n");
  if (h.playListWindow && h.playListWindow()) ui::debugOutput("Play box still up!\n");
  run(h.releaseStore);
  run(h.restoreMenu);
  if (!anotherMainWindow(hwnd)) {
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    if (GetWindowPlacement(hwnd, &wp) && !IsIconic(hwnd) && !IsZoomed(hwnd)) {
      RECT rc;
      GetWindowRect(hwnd, &rc);
      char v[16];
      std::snprintf(v, sizeof v, "%ld", static_cast<long>(rc.left));
      ini.writeString("Size", "XLoc", v);
      std::snprintf(v, sizeof v, "%ld", static_cast<long>(rc.top));
      ini.writeString("Size", "YLoc", v);
    }
  }
  commandTable().clear();
  a.mainWindow = nullptr;
  ui::setMessageBoxOwner(nullptr);
  PostQuitMessage(0);
  return 0;
}

LRESULT onNotify(WPARAM wParam, LPARAM lParam) {
  ShellHooks& h = shellHooks();
  const void* record = reinterpret_cast<const void*>(lParam);
  if (!record) return 0;
  uintptr_t first = *static_cast<const uintptr_t*>(record);
  if (first == kStoreNotifyMarker) return h.storeNotify ? h.storeNotify(wParam, record) : 0;
  if (wParam == IDC_DISPLAY && h.displayNotify) return h.displayNotify(record);
  return 0;
}

// A plain restore-size change keeps the client size for the next start (without the CD bar).
void onSize(WPARAM wParam, LPARAM lParam) {
  if (wParam != SIZE_RESTORED || !app().mainWindow) return;
  Settings& s = app().settings;
  const auto& cdBar = shellHooks().cdBarHeight;
  s.clientWidth = LOWORD(lParam);
  s.clientHeight = HIWORD(lParam) - (cdBar ? cdBar() : 0);
  ui::ProfileSettingsSource ini(app().settingsFile);
  char v[16];
  std::snprintf(v, sizeof v, "%d", s.clientWidth);
  ini.writeString("Size", "X", v);
  std::snprintf(v, sizeof v, "%d", s.clientHeight);
  ini.writeString("Size", "Y", v);
}

// Help asked for from a file dialog: its topic, else the contents.
void openDialogHelp(HWND hwnd) {
  const int context = fileDialogHelpContext();
  const char* topic = context == kHelpSaveDialog ? "Save" : context == kHelpOpenDialog ? "Open" : nullptr;
  if (topic) {
    WinHelpA(hwnd, app().helpPath.c_str(), HELP_KEY, reinterpret_cast<ULONG_PTR>(topic));
  } else {
    WinHelpA(hwnd, app().helpPath.c_str(), HELP_CONTENTS, 0);
  }
}

// Menus, accelerators, buttons and the toolbar send plain commands. The level meter also reports its DC
// adjustment switch with the notification code 2 (on) or 3 (off) beside its id; that is not the Monitor
// command the id stands for.
void onCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam), code = HIWORD(wParam);
  if (id == IDC_METER && lParam && (code == 2 || code == 3)) {
    app().meterDcAdjust = code == 2;
    return;
  }
  // The CD bar's title field and track list report edits and selections with their ids, which are also CD
  // command ids: typing a title must not run a command. They go to the CD player's own handler.
  HWND from = reinterpret_cast<HWND>(lParam);
  if (from && (id == IDC_CD_TITLE || id == IDC_CD_TRACKS) && GetParent(from) == app().mainWindow) {
    if (shellHooks().cdControlNotify) shellHooks().cdControlNotify(id, code);
    return;
  }
  // A clicked button would keep the keyboard focus and take the space bar for another click: the keys belong
  // to the main window (space plays, cue hot keys).
  HWND control = reinterpret_cast<HWND>(lParam);
  HWND main = static_cast<HWND>(app().mainWindow);
  if (control && code == BN_CLICKED && main && GetParent(control) == main && GetFocus() == control) SetFocus(main);
  dispatchCommand(id, lParam);
  // Most commands change what the menus and buttons offer.
  ShellHooks& h = shellHooks();
  if (app().mainWindow && h.refreshMenuState) h.refreshMenuState(app().mainWindow);
}

void onGetMinMaxInfo(MINMAXINFO* info) {
  int width = 0, height = 0;
  mainWindowMinimumSize(&width, &height);
  const auto& cdBar = shellHooks().cdBarHeight;
  info->ptMinTrackSize.x = width;
  info->ptMinTrackSize.y = height + (cdBar ? cdBar() : 0);
}

}  // namespace

int& fileDialogHelpContext() {
  static int context = 0;
  return context;
}

MainWindowResources& mainWindowResources() {
  static MainWindowResources r;
  return r;
}

LRESULT CALLBACK SORNMainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  ShellHooks& h = shellHooks();
  intptr_t result = 0;
  if (msg != 0 && msg == mainWindowResources().helpMessage) {
    openDialogHelp(hwnd);
    return 0;
  }
  if (h.preMessage && h.preMessage(hwnd, msg, wParam, lParam, &result)) return result;
  switch (msg) {
    case WM_CREATE:
      return onCreate(hwnd);
    case WM_COMMAND:
      onCommand(wParam, lParam);
      return 0;
    case WM_GETMINMAXINFO:
      onGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
      return 0;
    case WM_ACTIVATEAPP:
      app().active = wParam != 0;
      break;
    case WM_CLOSE:
      return onClose(hwnd);
    case WM_QUERYENDSESSION:
      return onQueryEndSession(hwnd, wParam);
    case WM_DESTROY:
      return onDestroy(hwnd);
    case WM_NOTIFY:
      return onNotify(wParam, lParam);
    case WM_INITMENU:
      if (reinterpret_cast<HMENU>(wParam) == GetMenu(hwnd) && h.refreshMenuState) h.refreshMenuState(hwnd);
      return 0;
    case WM_DROPFILES:
      if (h.dropFiles) {
        h.dropFiles(reinterpret_cast<void*>(wParam));
      } else {
        DragFinish(reinterpret_cast<HDROP>(wParam));
      }
      return 0;
    case WM_VF_NEEDSPACE:
      return h.needSpace ? h.needSpace() : 0;
    case WM_SORN_SCRIPT_STEP:
      if (h.scriptStep) h.scriptStep();
      return 0;
    case WM_SORN_BATCH_NEXT:
      if (h.batchStep) h.batchStep();
      return 0;
    case WM_SIZE:
      onSize(wParam, lParam);
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (h.paintToolbar) h.paintToolbar(dc);
      EndPaint(hwnd, &ps);
      // The menus and buttons are brought up to date after a paint (it repaints only what changed).
      if (h.refreshMenuState) h.refreshMenuState(hwnd);
      return 0;
    }
    default:
      break;
  }
  if (h.message && h.message(hwnd, msg, wParam, lParam, &result)) return result;
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace shell
