// The progress window under Wine: the title, the percentage after a meter step, Cancel through the dialog's
// own command (the meter then reports the stop and the window is gone), and Pause followed by Cancel.
#include <gtest/gtest.h>

#include "formats/progress_window.h"
#include "platform/win32.h"

namespace formats {
namespace {

std::string text(int id) {
  char buf[256] = {};
  GetWindowTextA(GetDlgItem(static_cast<HWND>(progressWindow()), id), buf, sizeof buf);
  return buf;
}

TEST(ProgressWindow, MeterCancelAndPause) {
  ASSERT_EQ(progressCreate("Saving WAV data", -1), 1);
  ASSERT_NE(progressWindow(), nullptr);
  EXPECT_EQ(text(109), "Saving WAV data");
  EXPECT_EQ(progressMeter(1, 4), 1);
  EXPECT_EQ(text(121), "25 %");
  EXPECT_EQ(text(118).rfind("ETA: ", 0), 0u);
  PostMessageA(static_cast<HWND>(progressWindow()), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(progressMeter(2, 4), 0);
  EXPECT_EQ(progressWindow(), nullptr);
  EXPECT_EQ(progressMeter(3, 4), 0);  // no window: a stop
  progressDestroy();

  ASSERT_EQ(progressCreate("Reading WAV data", -1), 1);
  EXPECT_EQ(progressMeter(1, 2), 1);
  HWND w = static_cast<HWND>(progressWindow());
  PostMessageA(w, WM_COMMAND, 3121, 0);      // Pause ...
  PostMessageA(w, WM_COMMAND, IDCANCEL, 0);  // ... then Cancel while paused
  EXPECT_EQ(progressMeter(1, 2), 0);
  progressDestroy();

  // Nested: the caller's window stays; create and destroy do nothing.
  ASSERT_EQ(progressCreate("Outer", -1), 1);
  progressEnterNested(201);
  EXPECT_EQ(progressCreate("Inner", -1), 0);
  EXPECT_EQ(text(109), "Outer");
  EXPECT_EQ(::progressMeter(1, 2), 1);  // the exported form
  EXPECT_EQ(::progressDestroy(), 0);
  EXPECT_NE(progressWindow(), nullptr);
  progressLeaveNested(201);
  EXPECT_EQ(progressDestroy(), 1);
  EXPECT_EQ(progressWindow(), nullptr);
}

}  // namespace
}  // namespace formats
