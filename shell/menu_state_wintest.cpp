// The menu state on a real menu (items enabled, greyed and checked, the Undo and custom-format texts,
// items the menu lacks skipped) and the main window's keys: the space bar posts Play, Stop or Pause by
// the transport state and ignores auto-repeats; the display's selection report after the mouse is let go.
#include <gtest/gtest.h>

#include <string>

#include "display/wavedisp_win.h"
#include "shell/app_state.h"
#include "resources/command_ids.h"
#include "ui/dispatch.h"
#include "shell/menu_state.h"
#include "shell/subsystems_win.h"
#include "shell/win_shell.h"
#include "shell/window_commands.h"

namespace shell {
namespace {

std::string textOf(HMENU m, UINT id) {
  char buf[200] = {};
  GetMenuStringA(m, id, buf, sizeof buf, MF_BYCOMMAND);
  return buf;
}

TEST(MenuStateWin, AppliedToTheItemsTheMenuHas) {
  HMENU edit = CreatePopupMenu();
  AppendMenuA(edit, MF_STRING, IDM_UNDO, "&Undo");
  AppendMenuA(edit, MF_STRING | MF_GRAYED, IDM_COPY, "&Copy");
  AppendMenuA(edit, MF_STRING | MF_CHECKED, IDM_PASTE, "&Paste ");
  AppendMenuA(edit, MF_STRING, IDM_TIME_FRAMES, "&Custom Frames (mm:ss:ff)");
  MenuState s;
  s.items[IDM_UNDO] = {false, false};
  s.items[IDM_COPY] = {true, false};
  s.items[IDM_PASTE] = {true, false};
  s.items[IDM_TIME_FRAMES] = {true, true};
  s.items[IDM_TRIM] = {true, true};  // not in this menu
  s.undoText = "Undo Generate Silence";
  s.customFramesText = "Custom (25 frames/sec)";
  applyMenuState(edit, s);
  EXPECT_TRUE(GetMenuState(edit, IDM_UNDO, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_FALSE(GetMenuState(edit, IDM_COPY, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
  EXPECT_FALSE(GetMenuState(edit, IDM_PASTE, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_TRUE(GetMenuState(edit, IDM_TIME_FRAMES, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_EQ(GetMenuState(edit, IDM_TRIM, MF_BYCOMMAND), UINT(-1));
  EXPECT_EQ(GetMenuItemCount(edit), 4);
  EXPECT_EQ(textOf(edit, IDM_UNDO), "Undo Generate Silence");
  EXPECT_EQ(textOf(edit, IDM_TIME_FRAMES), "Custom (25 frames/sec)");
  EXPECT_EQ(textOf(edit, IDM_COPY), "&Copy");
  DestroyMenu(edit);
}

class Keys : public ::testing::Test {
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
    for (int id : {IDM_PLAY, IDM_STOP, IDM_PAUSE})
      ui::registerCommand(id, [this](int cmd, intptr_t) { got_ += cmd; });
  }
  void TearDown() override {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    pump();
    transportStateSource() = nullptr;
    resetAppState();
    ui::commandTable().clear();
    UnregisterClassA(kMainClassName, GetModuleHandleA(nullptr));
  }
  void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  int space(LPARAM lParam = 1) {
    got_ = 0;
    SendMessageA(hwnd_, WM_KEYDOWN, VK_SPACE, lParam);
    pump();
    return got_;
  }
  HWND hwnd_ = nullptr;
  int got_ = 0;
};

TEST_F(Keys, SpaceBarFollowsTheTransport) {
  EXPECT_EQ(space(), IDM_PLAY);
  EXPECT_EQ(space(1 | (1 << 30)), 0);  // auto-repeat
  TransportState t;
  transportStateSource() = [&t] { return t; };
  t.playing = true;
  EXPECT_EQ(space(), IDM_STOP);
  t.playing = false;
  t.recording = true;
  EXPECT_EQ(space(), IDM_PAUSE);
  t.monitoring = true;
  EXPECT_EQ(space(), 0);
}

TEST_F(Keys, ReleasingTheMouseAfterSelectingIsReported) {
  int released = 0;
  selectionReleasedHandler() = [&] { ++released; };
  display::WaveDispNmhdr n = {};
  n.hdr.hwndFrom = hwnd_;
  n.hdr.idFrom = IDC_DISPLAY;
  n.hdr.code = display::WDN_SELCHANGED;
  n.flags = display::WDF_WAVEFORM | display::WDF_SELECTING;  // still dragging
  SendMessageA(hwnd_, WM_NOTIFY, IDC_DISPLAY, reinterpret_cast<LPARAM>(&n));
  EXPECT_EQ(released, 0);
  n.flags = display::WDF_WAVEFORM;
  SendMessageA(hwnd_, WM_NOTIFY, IDC_DISPLAY, reinterpret_cast<LPARAM>(&n));
  EXPECT_EQ(released, 1);
  n.hdr.code = display::WDN_VIEWCHANGED;
  SendMessageA(hwnd_, WM_NOTIFY, IDC_DISPLAY, reinterpret_cast<LPARAM>(&n));
  EXPECT_EQ(released, 1);
  selectionReleasedHandler() = nullptr;
}

TEST_F(Keys, LetterWithoutDocumentDoesNothing) {
  got_ = 0;
  SendMessageA(hwnd_, WM_KEYDOWN, 'A', 1);
  pump();
  EXPECT_EQ(got_, 0);
}

}  // namespace
}  // namespace shell
