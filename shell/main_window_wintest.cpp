// The main window procedure under the real window system: the routing table (store and display
// notifications, the need-space message, control notifications), command dispatch, the recent-files items
// in a real menu, and the close order.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "resources/command_ids.h"
#include "shell/app_state.h"
#include "shell/subsystems_win.h"
#include "shell/win_shell.h"
#include "ui/dispatch.h"

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
    resetMainWindowRoutes();
    resetAppState();
    UnregisterClassA(kMainClassName, GetModuleHandleA(nullptr));
  }
  HWND hwnd_ = nullptr;
};

// Stand-ins put into the routing table's rows; they count what reaches them.
int gDisplayRows = 0;
bool countDisplay(HWND, UINT, WPARAM wParam, LPARAM, LRESULT*) {
  gDisplayRows += wParam == IDC_DISPLAY;
  return false;  // watching only: the next row sees the message too
}
bool freedSomething(HWND, UINT, WPARAM, LPARAM, LRESULT* result) {
  *result = 1;
  return true;
}
std::vector<std::pair<int, int>> gCdNotifications;
bool recordCd(int id, int code) {
  gCdNotifications.push_back({id, code});
  return true;
}

void replaceHandler(MessageHandler from, MessageHandler to) {
  for (MessageRoute& r : mainWindowRoutes())
    if (r.handler == from) r.handler = to;
}

TEST_F(MainWindow, StoreRecordsNeverReachTheDisplayRowsEvenFromId360) {
  replaceHandler(documents::onDisplayNotify, countDisplay);
  replaceHandler(menus::onDisplayNotify, countDisplay);
  gDisplayRows = 0;
  StoreRecord rec = {0x01020304, 0, 105};
  EXPECT_EQ(SendMessageA(hwnd_, WM_NOTIFY, IDC_DISPLAY, reinterpret_cast<LPARAM>(&rec)), 0);
  EXPECT_EQ(gDisplayRows, 0);
  NMHDR hdr = {hwnd_, IDC_DISPLAY, 100};
  SendMessageA(hwnd_, WM_NOTIFY, IDC_DISPLAY, reinterpret_cast<LPARAM>(&hdr));
  EXPECT_EQ(gDisplayRows, 2);  // both rows, in the table's order
}

TEST_F(MainWindow, NeedSpaceAnswersZeroWithoutUndoStore) {
  EXPECT_EQ(SendMessageA(hwnd_, WM_VF_NEEDSPACE, 0, 0), 0);
  replaceHandler(documents::onNeedSpace, freedSomething);
  EXPECT_EQ(SendMessageA(hwnd_, WM_VF_NEEDSPACE, 0, 0), 1);
}

// Every message a subsystem handles has its row, and no row names a subsystem that is not in the list or
// among those still to come.
TEST_F(MainWindow, EveryRouteNamesAKnownSubsystem) {
  std::vector<std::string> known = {"audio", "scripts", "cdplayer", "transforms"};
  for (const Subsystem& sub : subsystems()) known.push_back(sub.name);
  auto isKnown = [&](const char* name) { return std::find(known.begin(), known.end(), name) != known.end(); };
  for (const MessageRoute& r : mainWindowRoutes()) EXPECT_TRUE(isKnown(r.subsystem)) << r.message;
  for (const ControlRoute& c : mainWindowControlRoutes()) EXPECT_TRUE(isKnown(c.subsystem)) << c.id;
  for (const CommandFamily& f : commandFamilies()) EXPECT_TRUE(isKnown(f.subsystem)) << f.what;
  for (UINT msg : {UINT(WM_NOTIFY), UINT(WM_DROPFILES), UINT(WM_VF_NEEDSPACE), UINT(WM_KEYDOWN),
                   UINT(WM_LBUTTONDOWN), UINT(WM_SORN_SCRIPT_STEP)}) {
    bool routed = false;
    for (const MessageRoute& r : mainWindowRoutes()) routed |= r.message == msg;
    EXPECT_TRUE(routed) << msg;
  }
}

TEST_F(MainWindow, CommandsReachTheTable) {
  int hits = 0;
  ui::registerCommand(IDM_CUE_LIST, [&](int, intptr_t p) { hits += p == 9; });
  SendMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(IDM_CUE_LIST, 0), 9);
  EXPECT_EQ(hits, 1);
}

// Controls that report with their ids: only button clicks are commands. The meter's DC switch and the CD
// title field's edits (141 is also a CD command id) never run the command their id stands for.
TEST_F(MainWindow, ControlNotificationsAreNotCommands) {
  std::vector<int> ran;
  for (int id : {IDM_MONITOR_VU, IDC_CD_TITLE, IDC_BTN_IN})
    ui::registerCommand(id, [&ran](int cmd, intptr_t) { ran.push_back(cmd); });
  gCdNotifications.clear();
  for (ControlRoute& c : mainWindowControlRoutes())
    if (c.id == IDC_CD_TITLE) c.handler = recordCd;
  app().mainWindow = hwnd_;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  auto child = [&](const char* cls, int id) {
    return CreateWindowA(cls, "", WS_CHILD, 0, 0, 10, 10, hwnd_, reinterpret_cast<HMENU>(intptr_t(id)), inst,
                         nullptr);
  };
  HWND meter = child("STATIC", IDC_METER), title = child("EDIT", IDC_CD_TITLE),
       in = child("BUTTON", IDC_BTN_IN);
  app().meterDcAdjust = true;
  SendMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_METER, 3), reinterpret_cast<LPARAM>(meter));
  EXPECT_FALSE(app().meterDcAdjust);
  SendMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_METER, 2), reinterpret_cast<LPARAM>(meter));
  EXPECT_TRUE(app().meterDcAdjust);
  SendMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_CD_TITLE, EN_CHANGE), reinterpret_cast<LPARAM>(title));
  EXPECT_TRUE(ran.empty());
  EXPECT_EQ(gCdNotifications, (std::vector<std::pair<int, int>>{{IDC_CD_TITLE, EN_CHANGE}}));
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

// Without a document nothing asks; the close writes which lists were open and the settings. (The close
// decision with its questions is tested natively, app_state_test.cpp.)
TEST_F(MainWindow, CloseWritesTheOpenWindowsAndTheSettings) {
  SendMessageA(hwnd_, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(hwnd_));
  const char* f = app().settingsFile.c_str();
  EXPECT_EQ(GetPrivateProfileIntA("Size", "CueList", -1, f), 0u);
  EXPECT_EQ(GetPrivateProfileIntA("Size", "PlayList", -1, f), 0u);
  char v[16] = {};
  GetPrivateProfileStringA("Settings", "NT", "", v, sizeof v, f);
  EXPECT_STREQ(v, "No");
  GetPrivateProfileStringA("System", "SmoothDelete", "", v, sizeof v, f);
  EXPECT_STREQ(v, "No");
}

}  // namespace
}  // namespace shell
