// The main window procedure of class "SORN96": creation (which reads the settings), command dispatch,
// closing and the shut-down order, size and paint. Every other message goes to the subsystem the routing
// table (subsystems_win.cpp) names for it.
// clang-format off
#include "platform/win32.h"  // before the other system headers
#include <shellapi.h>
// clang-format on

#include <cstdio>

#include "analysis/analysis_window.h"
#include "xfmhost/progress_window.h"
#include "markers/windows/marker_windows.h"
#include "platform/profile.h"
#include "resources/command_ids.h"
#include "shell/app_state.h"
#include "shell/document_support.h"
#include "shell/main_controls.h"
#include "shell/recent_files.h"
#include "shell/subsystems_win.h"
#include "shell/win_shell.h"
#include "shell/window_commands.h"
#include "ui/dispatch.h"
#include "ui/message_box.h"
#include "ui/settings_source.h"

namespace shell {
namespace {

COLORREF toColorRef(Colour c) {
  return RGB(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

HFONT makeFont(int height, const char* face) {
  return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
}

// Commands the shell handles itself.
void registerShellCommands(HWND hwnd) {
  ui::registerCommand(IDM_EXIT, [hwnd](int, intptr_t) { SendMessageA(hwnd, WM_CLOSE, 1, 0); });
  ui::registerCommand(IDM_NEW_INSTANCE, [](int, intptr_t) {
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
  ui::ProfileSettingsSource ini(app().settingsFile);
  ini.writeString("Size", "PlayList", markers::playListWindow() ? "1" : "0");
  ini.writeString("Size", "CueList", markers::cueListWindow() ? "1" : "0");
  ini.writeString("Size", "Analyzer", analysis::analysisWindow() ? "1" : "0");
}

LRESULT onClose(HWND hwnd) {
  const CloseSteps steps = {documents::clipModeClose, documents::autosaveClose, documents::askToSave};
  if (!readyToClose(steps, app().commandLine)) return 0;
  writeOpenWindows();
  DestroyWindow(hwnd);
  return 0;
}

LRESULT onQueryEndSession(HWND hwnd, WPARAM wParam) {
  if (wParam != 0) return TRUE;
  if (!documents::askToSave()) return FALSE;
  writeOpenWindows();
  DestroyWindow(hwnd);
  return TRUE;
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
  deleteGdiObjects();
  closeSubsystemWindows();
  deleteFonts();
  documents::closeDocument();
  ui::ProfileSettingsSource ini(a.settingsFile);
  saveRecentFilter(a.settings, ini);
  saveSettings(a.settings, ini);
  if (markers::cueListWindow()) ui::debugOutput("Cue box still up!\n");
  if (markers::playListWindow()) ui::debugOutput("Play box still up!\n");
  if (analysis::analysisWindow()) ui::debugOutput("Analysis box still up!\n");
  documents::releaseStore();
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
  ui::commandTable().clear();
  a.mainWindow = nullptr;
  ui::setMessageBoxOwner(nullptr);
  PostQuitMessage(0);
  return 0;
}

// A plain restore-size change keeps the client size for the next start (without the CD bar).
void onSize(WPARAM wParam, LPARAM lParam) {
  if (wParam != SIZE_RESTORED || !app().mainWindow) return;
  Settings& s = app().settings;
  s.clientWidth = LOWORD(lParam);
  s.clientHeight = HIWORD(lParam) - cdBarHeight();
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

// Menus, accelerators, buttons and the toolbar send plain commands. A few controls report notifications
// beside their ids, which are also command ids (the meter's DC switch, the CD bar's title field and track
// list): those go to their subsystems (the routing table's control rows), never to the command.
void onCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam), code = HIWORD(wParam);
  HWND from = reinterpret_cast<HWND>(lParam);
  if (from && GetParent(from) == app().mainWindow && routeControlNotification(id, code)) return;
  // A clicked button would keep the keyboard focus and take the space bar for another click: the keys belong
  // to the main window (space plays, cue hot keys).
  HWND control = reinterpret_cast<HWND>(lParam);
  HWND main = static_cast<HWND>(app().mainWindow);
  if (control && code == BN_CLICKED && main && GetParent(control) == main && GetFocus() == control)
    SetFocus(main);
  ui::dispatchCommand(id, lParam);
  // Most commands change what the menus and buttons offer.
  if (app().mainWindow) refreshMenuStateNow();
}

void onGetMinMaxInfo(MINMAXINFO* info) {
  int width = 0, height = 0;
  mainWindowMinimumSize(&width, &height);
  info->ptMinTrackSize.x = width;
  info->ptMinTrackSize.y = height + cdBarHeight();
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

LRESULT onPaint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  toolbar::paint(dc);
  EndPaint(hwnd, &ps);
  // The menus and buttons are brought up to date after a paint (it repaints only what changed).
  refreshMenuStateNow();
  return 0;
}

// The shell's own messages are handled here; every other message goes to the rows of the routing table
// (subsystems_win.cpp) that name it: the toolbar's mouse and keys, the menus' keys, the store's and the
// display's notifications, dropped files, the store's need for space, and the rows kept for playback,
// recording and scripts. WM_ACTIVATEAPP and WM_SIZE are seen here first and then routed too.
LRESULT CALLBACK SORNMainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != 0 && msg == mainWindowResources().helpMessage) {
    openDialogHelp(hwnd);
    return 0;
  }
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
      if (wParam) xfmhost::progressAppActivated();  // a progress window hidden while inactive comes back
      break;
    case WM_CLOSE:
      return onClose(hwnd);
    case WM_QUERYENDSESSION:
      return onQueryEndSession(hwnd, wParam);
    case WM_DESTROY:
      return onDestroy(hwnd);
    case WM_INITMENU:
      if (reinterpret_cast<HMENU>(wParam) == GetMenu(hwnd)) refreshMenuStateNow();
      return 0;
    case WM_SIZE:
      onSize(wParam, lParam);
      break;
    case WM_PAINT:
      return onPaint(hwnd);
    default:
      break;
  }
  LRESULT result = 0;
  if (routeMessage(mainWindowRoutes(), hwnd, msg, wParam, lParam, &result)) return result;
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace shell
