// The message loop, the two accelerator tables and the recent-files items of the File menu.
#include "analysis/analysis_window.h"
#include "markers/windows/marker_windows.h"
#include "platform/profile.h"
#include "resources/command_ids.h"
#include "shell/app_state.h"
#include "shell/recent_files.h"
#include "shell/win_shell.h"
#include "ui/settings_source.h"

namespace shell {
namespace {

HACCEL gMenuAccel = nullptr;
HACCEL gNumsAccel = nullptr;

// While the user types into an edit field of the main window (the CD title), keys such as Del or Ctrl+C
// belong to the field, not to the menu accelerators.
bool typingInMainWindowField(HWND main) {
  HWND focus = GetFocus();
  char cls[16] = {};
  return focus && GetParent(focus) == main && GetClassNameA(focus, cls, sizeof cls) &&
         lstrcmpiA(cls, "Edit") == 0;
}

bool takenByDialog(void* window, MSG* msg) {
  HWND w = static_cast<HWND>(window);
  return w && IsDialogMessageA(w, msg);
}

// The popup that holds "E&xit": the File menu.
HMENU menuHolding(HMENU bar, UINT id) {
  int n = GetMenuItemCount(bar);
  for (int i = 0; i < n; ++i) {
    HMENU sub = GetSubMenu(bar, i);
    if (sub && GetMenuState(sub, id, MF_BYCOMMAND) != static_cast<UINT>(-1)) return sub;
  }
  return nullptr;
}

}  // namespace

HACCEL menuAccelerators() {
  return gMenuAccel;
}
HACCEL numberAccelerators() {
  return gNumsAccel;
}

void loadAccelerators(HINSTANCE instance) {
  gMenuAccel = LoadAcceleratorsA(instance, "MENUACC");
  gNumsAccel = LoadAcceleratorsA(instance, "NUMSACC");
}

void buildRecentFilesMenu(HWND mainWindow) {
  HMENU bar = GetMenu(mainWindow);
  if (!bar) return;
  HMENU file = menuHolding(bar, IDM_EXIT);
  if (!file) return;
  for (UINT id = IDM_RECENT_SEPARATOR; id <= IDM_RECENT_LAST; ++id) DeleteMenu(file, id, MF_BYCOMMAND);
  ui::ProfileSettingsSource ini(app().settingsFile);
  std::vector<RecentMenuItem> items = buildRecentMenu(readRecentFiles(ini));
  // The model lists the items top to bottom ending with the separator; inserting each before Exit in
  // that order gives the same order on screen.
  for (const RecentMenuItem& it : items) {
    UINT flags = MF_BYCOMMAND | (it.separator ? MF_SEPARATOR : MF_STRING);
    InsertMenuA(file, IDM_EXIT, flags, static_cast<UINT_PTR>(it.id),
                it.separator ? nullptr : it.text.c_str());
  }
}

int runMessageLoop(HWND mainWindow) {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    // The modeless windows take their own keys (the CD track list, whose focus switches to the number
    // accelerators, comes with its subsystem).
    if (takenByDialog(markers::cueListWindow(), &msg)) continue;
    if (takenByDialog(markers::playListWindow(), &msg)) continue;
    if (takenByDialog(analysis::analysisWindow(), &msg)) continue;
    HACCEL table = gMenuAccel;
    HWND target = app().mainWindow ? static_cast<HWND>(app().mainWindow) : mainWindow;
    if (table == gMenuAccel && typingInMainWindowField(target)) table = nullptr;
    if (table && IsWindow(target) && TranslateAcceleratorA(target, table, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace shell
