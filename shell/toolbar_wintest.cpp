// The toolbar in a real main window: a press captures the mouse and sends the no-op press command, a release
// inside sends the button's command and a release outside nothing; greyed buttons take no press; the row is
// laid out again on a size change; the first start writes the order; a tip shows under the button the pointer
// rests on and goes on a key press, and none shows with ToolHelp off.
#include <gtest/gtest.h>

#include <vector>

#include "formats/filter_host.h"
#include "platform/win32.h"
#include "resources/command_ids.h"
#include "shell/app_state.h"
#include "shell/menu_state.h"
#include "shell/subsystems_win.h"
#include "shell/toolbar_win.h"
#include "shell/win_shell.h"
#include "ui/dispatch.h"

namespace shell {
namespace {

constexpr int kEcho = IDM_TRANSFORM_FIRST;

class ToolbarWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    app().instance = inst;
    app().settingsFile = "SORNTBTEST.INI";
    WritePrivateProfileStringA("NewToolbar", nullptr, nullptr, app().settingsFile.c_str());
    WritePrivateProfileStringA("Toolbar", nullptr, nullptr, app().settingsFile.c_str());
    ui::commandTable().clear();
    ui::registerCommand(IDM_OPEN, [this](int, intptr_t) { ++opened_; });
    // The menu rules (which the toolbar follows after every paint) offer Open only with the store up and a
    // file filter installed.
    app().storeAvailable = true;
    FilterInfo filter = {};
    formats::filterHost().table.add(filter, "test.flt");
    // One transform, whose tip is its name (the test program has no string resources for the others).
    toolbarTransformSource() = [] {
      ToolbarTransformButton echo;
      echo.transform = {kEcho, "Echo", kXfmTransform};
      return std::vector<ToolbarTransformButton>{echo};
    };
    WNDCLASSA wc = {};
    wc.lpfnWndProc = SORNMainWndProc;
    wc.hInstance = inst;
    wc.lpszClassName = kMainClassName;
    RegisterClassA(&wc);
    hwnd_ = CreateWindowExA(0, kMainClassName, "test", WS_OVERLAPPEDWINDOW, 0, 0, 900, 200, nullptr, nullptr,
                            inst, nullptr);
    ASSERT_NE(hwnd_, nullptr);
    // Ahead of the main window's procedure: every command it receives.
    current_ = this;
    SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(recordingProc));
    toolbar::createWindows(hwnd_);
    pump();
    commands_.clear();
  }
  void TearDown() override {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    pump();
    current_ = nullptr;
    resetAppState();
    formats::resetFilterHost();
    toolbarTransformSource() = nullptr;
    ui::commandTable().clear();
    UnregisterClassA(kMainClassName, GetModuleHandleA(nullptr));
  }
  static LRESULT CALLBACK recordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND && current_) current_->commands_.push_back(int(LOWORD(wParam)));
    return SORNMainWndProc(hwnd, msg, wParam, lParam);
  }
  static inline ToolbarWindow* current_ = nullptr;
  static void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  // The middle of a button, in client coordinates, as a mouse message's parameter.
  static LPARAM centre(int id, int dx = 0, int dy = 0) {
    const ToolbarButtonInfo* b = toolbarRecord().find(id);
    EXPECT_NE(b, nullptr) << id;
    if (!b) return 0;
    return MAKELPARAM(b->left + 12 + dx, b->top + 12 + dy);
  }
  bool pressed(int id) const { return toolbarRecord().find(id)->pressed; }

  HWND hwnd_ = nullptr;
  std::vector<int> commands_;
  int opened_ = 0;
};

TEST_F(ToolbarWindow, ReleaseInsideSendsThePressThenTheCommand) {
  SendMessageA(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, centre(IDM_OPEN));
  EXPECT_EQ(GetCapture(), hwnd_);
  EXPECT_TRUE(pressed(IDM_OPEN));
  SendMessageA(hwnd_, WM_MOUSEMOVE, MK_LBUTTON, centre(IDM_OPEN, 30));
  EXPECT_FALSE(pressed(IDM_OPEN));  // the pressed look follows the pointer
  SendMessageA(hwnd_, WM_MOUSEMOVE, MK_LBUTTON, centre(IDM_OPEN, 5, 5));
  EXPECT_TRUE(pressed(IDM_OPEN));
  SendMessageA(hwnd_, WM_LBUTTONUP, 0, centre(IDM_OPEN));
  EXPECT_NE(GetCapture(), hwnd_);
  EXPECT_FALSE(pressed(IDM_OPEN));
  pump();
  EXPECT_EQ(commands_, (std::vector<int>{IDM_TOOLBAR_PRESS, IDM_OPEN}));
  EXPECT_EQ(opened_, 1);
}

TEST_F(ToolbarWindow, ReleaseOutsideSendsOnlyThePress) {
  SendMessageA(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, centre(IDM_OPEN));
  SendMessageA(hwnd_, WM_LBUTTONUP, 0, centre(IDM_OPEN, 0, 100));
  pump();
  EXPECT_EQ(commands_, std::vector<int>{IDM_TOOLBAR_PRESS});
  EXPECT_EQ(opened_, 0);
  EXPECT_NE(GetCapture(), hwnd_);
}

TEST_F(ToolbarWindow, GreyedButtonsTakeNoPress) {
  // File New has no handler here: greyed.
  SendMessageA(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, centre(IDM_NEW));
  EXPECT_NE(GetCapture(), hwnd_);
  SendMessageA(hwnd_, WM_LBUTTONUP, 0, centre(IDM_NEW));
  // Open follows its menu state.
  MenuState state;
  state.items[IDM_OPEN].enabled = false;
  ToolbarApplyMenuState(state);
  EXPECT_FALSE(toolbarRecord().find(IDM_OPEN)->enabled);
  SendMessageA(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, centre(IDM_OPEN));
  SendMessageA(hwnd_, WM_LBUTTONUP, 0, centre(IDM_OPEN));
  pump();
  EXPECT_TRUE(commands_.empty());
  state.items[IDM_OPEN].enabled = true;
  ToolbarApplyMenuState(state);
  EXPECT_TRUE(toolbarRecord().find(IDM_OPEN)->enabled);
  EXPECT_FALSE(toolbarRecord().find(IDM_NEW)->enabled);
}

TEST_F(ToolbarWindow, SizeChangesLayTheRowOutAgainAndTheOrderIsStored) {
  SendMessageA(hwnd_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 150));
  // Echo sits after Music, so Generate Silence is the last button that starts before 294.
  EXPECT_EQ(toolbarRecord().find(kEcho)->left, 239);
  EXPECT_EQ(toolbarRecord().find(IDM_GENERATE_SILENCE)->left, 272);
  EXPECT_EQ(toolbarRecord().find(IDM_CD_PLAYER)->left, kToolbarHiddenX);
  SendMessageA(hwnd_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(1200, 150));
  EXPECT_EQ(toolbarRecord().find(IDM_CD_PLAYER)->left, 305);
  char v[64] = {};
  GetPrivateProfileStringA("NewToolbar", "Item1", "", v, sizeof v, app().settingsFile.c_str());
  EXPECT_STREQ(v, "File New");
  EXPECT_EQ(GetPrivateProfileIntA("NewToolbar", "Count", 0, app().settingsFile.c_str()), 41u);
  GetPrivateProfileStringA("NewToolbar", "Item11", "", v, sizeof v, app().settingsFile.c_str());
  EXPECT_STREQ(v, "Echo");
}

// Waits up to ms for the tip window showing text; null when none appears.
HWND waitForTip(const char* text, int ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < DWORD(ms)) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    HWND tip = FindWindowA("Static", text);
    if (tip && IsWindowVisible(tip)) return tip;
    Sleep(20);
  }
  return nullptr;
}

TEST_F(ToolbarWindow, TipAppearsUnderTheButtonAndGoesOnAKey) {
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  SetActiveWindow(hwnd_);
  const ToolbarButtonInfo* b = toolbarRecord().find(kEcho);
  ASSERT_NE(b, nullptr);
  POINT p{b->left + 12, b->top + 12};
  ClientToScreen(hwnd_, &p);
  SetCursorPos(p.x, p.y);
  SendMessageA(hwnd_, WM_MOUSEMOVE, 0, centre(kEcho));
  HWND tip = waitForTip("Echo", 5000);
  ASSERT_NE(tip, nullptr);
  RECT rc;
  GetWindowRect(tip, &rc);
  EXPECT_GE(rc.top, p.y + 12);  // under the button
  SendMessageA(hwnd_, WM_KEYDOWN, 'A', 0);
  EXPECT_FALSE(IsWindow(tip));

  app().settings.toolHelp = false;
  SendMessageA(hwnd_, WM_MOUSEMOVE, 0, centre(IDM_OPEN));
  SendMessageA(hwnd_, WM_MOUSEMOVE, 0, centre(kEcho));
  EXPECT_EQ(waitForTip("Echo", 1000), nullptr);
}

}  // namespace
}  // namespace shell
