// The transport's part of the main window without a sound file: its commands are registered, do nothing
// harmful without a document, report an idle transport to the menu rules, and leave device messages from
// handles it does not own (another player's) and timers it did not set to the rows after it.
// clang-format off
#include "platform/win32.h"  // before the other system headers
#include <mmsystem.h>
// clang-format on

#include <gtest/gtest.h>

#include "resources/command_ids.h"
#include "shell/app_state.h"
#include "shell/subsystems_win.h"
#include "shell/win_shell.h"
#include "shell/window_commands.h"
#include "ui/dispatch.h"

namespace shell {
namespace {

class Transport : public ::testing::Test {
 protected:
  void SetUp() override {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    app().instance = inst;
    app().settingsFile = "SORNAUTEST.INI";
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = inst;
    wc.lpszClassName = "SornTransportTest";
    RegisterClassA(&wc);
    hwnd_ = CreateWindowExA(0, wc.lpszClassName, "test", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                            nullptr, inst, nullptr);
    ASSERT_NE(hwnd_, nullptr);
    app().mainWindow = hwnd_;
    ui::commandTable().clear();
    audiocmd::registerCommands();
  }
  void TearDown() override {
    audiocmd::closeWindows();
    ui::commandTable().clear();
    app().mainWindow = nullptr;
    DestroyWindow(hwnd_);
    UnregisterClassA("SornTransportTest", GetModuleHandleA(nullptr));
  }
  HWND hwnd_ = nullptr;
};

TEST_F(Transport, RegistersItsCommandsAndTheMenuRulesSource) {
  for (int id : {IDM_PLAY, IDM_STOP, IDM_PAUSE, IDM_RECORD, IDM_LOOP_MODE, IDM_MONITOR_VU})
    EXPECT_TRUE(ui::isCommandAvailable(id)) << id;
  ASSERT_TRUE(transportStateSource());
  const TransportState s = transportStateSource()();
  EXPECT_FALSE(s.playing || s.recording || s.monitoring || s.loopMode);
}

TEST_F(Transport, CommandsWithoutADocumentLeaveItIdle) {
  for (int id : {IDM_PLAY, IDM_PAUSE, IDM_STOP, IDM_STOP, IDM_STOP}) ui::dispatchCommand(id, 0);
  if (playRangeHandler()) playRangeHandler()(0, 100);
  const TransportState s = transportStateSource()();
  EXPECT_FALSE(s.playing || s.recording);
}

TEST_F(Transport, LoopModeTogglesAndShowsInTheState) {
  ui::dispatchCommand(IDM_LOOP_MODE, 0);
  EXPECT_TRUE(transportStateSource()().loopMode);
  ui::dispatchCommand(IDM_LOOP_MODE, 0);
  EXPECT_FALSE(transportStateSource()().loopMode);
}

TEST_F(Transport, LeavesForeignDeviceMessagesAndTimersToTheNextRows) {
  LRESULT result = 77;
  int fake = 0;  // an address no device of ours has as its handle
  for (UINT msg : {UINT(MM_WOM_OPEN), UINT(MM_WOM_DONE), UINT(MM_WOM_CLOSE)})
    EXPECT_FALSE(audiocmd::onWaveOut(hwnd_, msg, reinterpret_cast<WPARAM>(&fake), 0, &result)) << msg;
  for (UINT msg : {UINT(MM_WIM_OPEN), UINT(MM_WIM_DATA), UINT(MM_WIM_CLOSE)})
    EXPECT_FALSE(audiocmd::onWaveIn(hwnd_, msg, reinterpret_cast<WPARAM>(&fake), 0, &result)) << msg;
  EXPECT_FALSE(audiocmd::onTimer(hwnd_, WM_TIMER, 1998, 0, &result));  // the toolbar's tip timer
  EXPECT_EQ(result, 77);
  EXPECT_TRUE(audiocmd::onTimer(hwnd_, WM_TIMER, 123, 0, &result));  // the position timer, idle
}

TEST_F(Transport, AfterCloseNothingIsLeftBehind) {
  audiocmd::closeWindows();
  EXPECT_FALSE(transportStateSource());
  EXPECT_FALSE(playRangeHandler());
  LRESULT result = 0;
  EXPECT_FALSE(audiocmd::onTimer(hwnd_, WM_TIMER, 123, 0, &result));
}

}  // namespace
}  // namespace shell
