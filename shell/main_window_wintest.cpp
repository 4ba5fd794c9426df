// The main window procedure under the real window system: store and display notifications, the
// need-space message, command dispatch, the recent-files items in a real menu, and the close order.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "shell/app_state.h"
#include "resources/command_ids.h"
#include "shell/dispatch.h"
#include "shell/shell_hooks.h"
#include "shell/win_shell.h"

namespace shell {
namespace {

// A record laid out like the store's notification: the marker where a window header has its handle.
struct StoreRecord {
  uintptr_t marker;
  uintptr_t id;
  unsigned code;
};

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    app().instance = inst;
    app().settingsFile = "SORNTEST.INI";
    WNDCLASSA wc = {};
    wc.lpfnWndProc = SORNMainWndProc;
    wc.hInstance = inst;
    wc.lpszClassName = kMainClassName;
    RegisterClassA(&wc);
    hwnd_ = CreateWindowExA(0, kMainClassName, "test", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                            inst, nullptr);
    ASSERT_NE(hwnd_, nullptr);
  }
  void TearDown() override {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    shellHooks() = ShellHooks();
    UnregisterClassA(kMainClassName, GetModuleHandleA(nullptr));
  }
  HWND hwnd_ = nullptr;
};

TEST_F(MainWindow, StoreRecordsGoToTheStoreEvenFromId360) {
  int store = 0, display = 0;
  shellHooks().storeNotify = [&](uintptr_t handle, const void*) {
    store += handle == IDC_DISPLAY;
    return intptr_t(5);
  };
  shellHooks().displayNotify = [&](const void*) {
    ++display;
    return intptr_t(0);
  };
  StoreRecord rec = {0x01020304, 0, 105};
  EXPECT_EQ(SendMessageA(hwnd_, WM_NOTIFY, IDC_DISPLAY, reinterpret_cast<LPARAM>(&rec)), 5);
  NMHDR hdr = {hwnd_, IDC_DISPLAY, 100};
  SendMessageA(hwnd_, WM_NOTIFY, IDC_DISPLAY, reinterpret_cast<LPARAM>(&hdr));
  EXPECT_EQ(store, 1);
  EXPECT_EQ(display, 1);
}

TEST_F(MainWindow, NeedSpaceAnswersZeroWithoutUndoStore) {
  EXPECT_EQ(SendMessageA(hwnd_, WM_VF_NEEDSPACE, 0, 0), 0);
  shellHooks().needSpace = [] { return intptr_t(1); };
  EXPECT_EQ(SendMessageA(hwnd_, WM_VF_NEEDSPACE, 0, 0), 1);
}

TEST_F(MainWindow, CommandsReachTheTable) {
  int hits = 0;
  registerCommand(IDM_CUE_LIST, [&](int, intptr_t p) { hits += p == 9; });
  SendMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(IDM_CUE_LIST, 0), 9);
  EXPECT_EQ(hits, 1);
}

// Controls that report with their ids: only button clicks are commands. The meter's DC switch and the CD
// title field's edits (141 is also a CD command id) never run the command their id stands for.
TEST_F(MainWindow, ControlNotificationsAreNotCommands) {
  std::vector<int> ran;
  for (int id : {IDM_MONITOR_VU, IDC_CD_TITLE, IDC_BTN_IN})
    registerCommand(id, [&ran](int cmd, intptr_t) { ran.push_back(cmd); });
  std::vector<std::pair<int, int>> cd;
  shellHooks().cdControlNotify = [&](int id, int code) { cd.push_back({id, code}); };
  app().mainWindow = hwnd_;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  auto child = [&](const char* cls, int id) {
    return CreateWindowA(cls, "", WS_CHILD, 0, 0, 10, 10, hwnd_, reinterpret_cast<HMENU>(intptr_t(id)), inst,
                         nullptr);
  };
  HWND meter = child("STATIC", IDC_METER), title = child("EDIT", IDC_CD_TITLE), in = child("BUTTON", IDC_BTN_IN);
  app().meterDcAdjust = true;
  SendMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_METER, 3), reinterpret_cast<LPARAM>(meter));
  EXPECT_FALSE(app().meterDcAdjust);
  SendMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_METER, 2), reinterpret_cast<LPARAM>(meter));
  EXPECT_TRUE(app().meterDcAdjust);
  SendMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_CD_TITLE, EN_CHANGE), reinterpret_cast<LPARAM>(title));
  EXPECT_TRUE(ran.empty());
  EXPECT_EQ(cd, (std::vector<std::pair<int, int>>{{IDC_CD_TITLE, EN_CHANGE}}));
  // The meter's double click (its id alone) asks for Monitor; a button click is its command.
  SendMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_METER, 0), reinterpret_cast<LPARAM>(meter));
  SendMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_BTN_IN, BN_CLICKED), reinterpret_cast<LPARAM>(in));
  EXPECT_EQ(ran, (std::vector<int>{IDM_MONITOR_VU, IDC_BTN_IN}));
  app().mainWindow = nullptr;
}

std::string itemText(HMENU m, int pos) {
  char buf[300] = {};
  GetMenuStringA(m, static_cast<UINT>(pos), buf, sizeof buf, MF_BYPOSITION);
  return buf;
}

TEST_F(MainWindow, RecentFilesSitAboveExitNewestFirst) {
  WritePrivateProfileStringA("DirGroup 100", "NumItems", "3", app().settingsFile.c_str());
  WritePrivateProfileStringA("DirGroup 100", "Item0", "a.wav", app().settingsFile.c_str());
  WritePrivateProfileStringA("DirGroup 100", "Item1", "b.wav", app().settingsFile.c_str());
  WritePrivateProfileStringA("DirGroup 100", "Item2", "c.wav", app().settingsFile.c_str());
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, IDM_OPEN, "&Open...");
  AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(file, MF_STRING, IDM_EXIT, "E&xit");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  SetMenu(hwnd_, bar);
  buildRecentFilesMenu(hwnd_);
  buildRecentFilesMenu(hwnd_);  // rebuilding leaves no duplicates
  ASSERT_EQ(GetMenuItemCount(file), 7);
  EXPECT_EQ(GetMenuItemID(file, 2), 14002u);
  EXPECT_EQ(itemText(file, 2), "&1 c.wav");
  EXPECT_EQ(GetMenuItemID(file, 3), 14001u);
  EXPECT_EQ(GetMenuItemID(file, 4), 14000u);
  EXPECT_EQ(itemText(file, 4), "&3 a.wav");
  EXPECT_EQ(GetMenuItemID(file, 5), 13999u);
  EXPECT_EQ(GetMenuItemID(file, 6), static_cast<UINT>(IDM_EXIT));
}

TEST_F(MainWindow, CloseWritesTheOpenWindowsAndTheSettings) {
  HWND cue = CreateWindowA("STATIC", "cue", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  shellHooks().cueListWindow = [cue] { return static_cast<void*>(cue); };
  int asked = 0;
  shellHooks().askToSave = [&] { return ++asked > 1; };  // cancel the first time
  SendMessageA(hwnd_, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(hwnd_));
  SendMessageA(hwnd_, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(hwnd_));
  DestroyWindow(cue);
  const char* f = app().settingsFile.c_str();
  EXPECT_EQ(GetPrivateProfileIntA("Size", "CueList", -1, f), 1u);
  EXPECT_EQ(GetPrivateProfileIntA("Size", "PlayList", -1, f), 0u);
  char v[16] = {};
  GetPrivateProfileStringA("Settings", "NT", "", v, sizeof v, f);
  EXPECT_STREQ(v, "No");
  GetPrivateProfileStringA("System", "SmoothDelete", "", v, sizeof v, f);
  EXPECT_STREQ(v, "No");
}

}  // namespace
}  // namespace shell
