// The progress window under Wine: made from the "ID_PROGRESS" template with its controls, the title, the
// percentage and estimate after a meter step, a total of 0 and done beyond total, Cancel through the
// dialog's own command (the meter then reports the stop, the window is gone and the cancel flag stays set
// until the next create), Pause followed by Cancel, the owner disabled while the window is up, nesting, and
// WindowProgress over 64-bit counts.
#include <gtest/gtest.h>

#include "xfmhost/progress_window.h"
#include "platform/win32.h"

namespace xfmhost {
namespace {

HWND win() {
  return static_cast<HWND>(progressWindow());
}

std::string text(int id) {
  char buf[256] = {};
  GetWindowTextA(GetDlgItem(win(), id), buf, sizeof buf);
  return buf;
}

std::string className(HWND w) {
  char buf[64] = {};
  GetClassNameA(w, buf, sizeof buf);
  return buf;
}

TEST(ProgressWindow, IsTheDialogTemplateWithItsControls) {
  ASSERT_NE(FindResourceA(GetModuleHandleA(nullptr), "ID_PROGRESS", MAKEINTRESOURCEA(5)), nullptr);
  ASSERT_EQ(progressCreate("Saving WAV data", -1), 1);
  ASSERT_NE(win(), nullptr);
  EXPECT_EQ(className(win()), "#32770");
  char caption[64] = {};
  GetWindowTextA(win(), caption, sizeof caption);
  EXPECT_STREQ(caption, "Progress");
  struct Control {
    int id;
    const char* text;
  } controls[] = {{109, "Saving WAV data"}, {118, "ETA:"}, {121, " 0 %"}, {3086, "Working..."},
                  {3121, "Pause"},          {2, "Cancel"}, {3088, "_"},   {3053, ""}};
  for (const Control& c : controls) {
    ASSERT_NE(GetDlgItem(win(), c.id), nullptr) << c.id;
    EXPECT_EQ(text(c.id), c.text) << c.id;
  }
  EXPECT_NE(GetDlgItem(win(), 1003), nullptr);
  EXPECT_NE(GetDlgItem(win(), 292), nullptr);
  EXPECT_EQ(progressDestroy(), 1);
  EXPECT_EQ(win(), nullptr);
}

TEST(ProgressWindow, MeterCancelAndPause) {
  ASSERT_EQ(progressCreate("Saving WAV data", -1), 1);
  EXPECT_FALSE(progressCancelled());
  EXPECT_EQ(progressMeter(1, 4), 1);
  EXPECT_EQ(text(121), "25 %");
  EXPECT_EQ(text(118).rfind("ETA: ", 0), 0u);
  PostMessageA(win(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(progressMeter(2, 4), 0);
  EXPECT_EQ(win(), nullptr);
  EXPECT_TRUE(progressCancelled());
  EXPECT_NE(*progressCancelFlag(), 0);
  EXPECT_EQ(progressMeter(3, 4), 0);  // no window: a stop
  progressDestroy();
  EXPECT_TRUE(progressCancelled());  // until the next create

  ASSERT_EQ(progressCreate("Reading WAV data", -1), 1);
  EXPECT_EQ(*progressCancelFlag(), 0);
  EXPECT_EQ(progressMeter(1, 2), 1);
  HWND w = win();
  PostMessageA(w, WM_COMMAND, 3121, 0);      // Pause ...
  PostMessageA(w, WM_COMMAND, IDCANCEL, 0);  // ... then Cancel while paused
  EXPECT_EQ(progressMeter(1, 2), 0);
  progressDestroy();

  // Closing the window is a cancel too.
  ASSERT_EQ(progressCreate("Closing", -1), 1);
  PostMessageA(win(), WM_CLOSE, 0, 0);
  EXPECT_EQ(progressMeter(1, 2), 0);
  progressDestroy();
}

TEST(ProgressWindow, NoTotalGivesNoEstimateAndDoneBeyondTotalIsAFullBar) {
  ASSERT_EQ(progressCreate("Odd counts", -1), 1);
  EXPECT_EQ(progressMeter(5, 0), 1);
  EXPECT_EQ(text(118), "ETA:");  // untouched
  EXPECT_EQ(text(121), " 0 %");
  EXPECT_EQ(progressMeter(5, -3), 1);
  EXPECT_EQ(text(118), "ETA:");
  EXPECT_EQ(progressMeter(900, 100), 1);
  EXPECT_EQ(text(121), "100 %");
  EXPECT_EQ(text(118).rfind("ETA: ", 0), 0u);
  EXPECT_EQ(text(118).find("Hour"), std::string::npos);  // no wrapped negative time
  progressDestroy();
}

TEST(ProgressWindow, OwnerIsDisabledWhileTheWindowIsUp) {
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  ASSERT_EQ(progressCreate("Owned", reinterpret_cast<intptr_t>(owner)), 1);
  EXPECT_FALSE(IsWindowEnabled(owner));
  EXPECT_EQ(GetWindow(win(), GW_OWNER), owner);
  EXPECT_EQ(progressDestroy(), 1);
  EXPECT_TRUE(IsWindowEnabled(owner));
  // Cancel gives the owner back as well.
  ASSERT_EQ(progressCreate("Owned", reinterpret_cast<intptr_t>(owner)), 1);
  PostMessageA(win(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(progressMeter(1, 2), 0);
  EXPECT_TRUE(IsWindowEnabled(owner));
  progressDestroy();
  DestroyWindow(owner);
}

TEST(ProgressWindow, NestedRunsKeepTheCallersWindow) {
  ASSERT_EQ(progressCreate("Outer", -1), 1);
  progressSetBanner("(c) a transform");
  EXPECT_EQ(text(3053), "(c) a transform");
  progressEnterNested(201);
  progressEnterNested(305);  // ignored: a key is set
  EXPECT_EQ(progressCreate("Inner", -1), 0);
  EXPECT_EQ(text(109), "Outer");
  EXPECT_EQ(::progressMeter(1, 2), 1);  // the exported form
  EXPECT_EQ(text(121), " 0 %");         // the display part is left alone
  EXPECT_EQ(::progressDestroy(), 0);
  EXPECT_NE(win(), nullptr);
  progressLeaveNested(305);  // not the key
  EXPECT_EQ(progressDestroy(), 0);
  progressLeaveNested(201);
  EXPECT_EQ(progressDestroy(), 1);
  EXPECT_EQ(win(), nullptr);
  progressSetBanner("");
  // Suppressed with no window at all: the meter still pumps and goes on.
  progressEnterNested(202);
  EXPECT_EQ(progressMeter(1, 2), 1);
  progressLeaveNested(202);
  EXPECT_EQ(progressMeter(1, 2), 0);  // no window, not suppressed: a stop
}

TEST(ProgressWindow, AHiddenWindowIsShownAgainWhenTheProgramIsActivated) {
  HWND main = CreateWindowExA(0, "STATIC", "main", WS_POPUP | WS_VISIBLE, 50, 50, 500, 400, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(main, nullptr);
  progressSetMainWindow(main);
  ASSERT_EQ(progressCreate("Hidden", 0), 1);
  EXPECT_FALSE(IsWindowEnabled(main));
  ShowWindow(win(), SW_HIDE);  // as when the program was not the active application
  ShowWindow(main, SW_MINIMIZE);
  progressAppActivated();
  EXPECT_TRUE(IsWindowVisible(win()));
  EXPECT_FALSE(IsIconic(main));
  // Centred on the main window.
  RECT m, w;
  GetWindowRect(main, &m);
  GetWindowRect(win(), &w);
  EXPECT_NEAR((w.left + w.right) / 2, (m.left + m.right) / 2, 2);
  EXPECT_NEAR((w.top + w.bottom) / 2, (m.top + m.bottom) / 2, 2);
  EXPECT_EQ(progressDestroy(), 1);
  EXPECT_TRUE(IsWindowEnabled(main));
  progressAppActivated();  // no window: nothing to do
  progressSetMainWindow(nullptr);
  DestroyWindow(main);
}

TEST(ProgressWindow, AFiltersPictureWidensTheWindow) {
  ASSERT_EQ(progressCreate("Reading WAV data", -1), 1);
  RECT before, with, after;
  GetWindowRect(win(), &before);
  progressSetPicture(GetModuleHandleA(nullptr), 7);  // a 24 x 24 bitmap of the test's resources
  GetWindowRect(win(), &with);
  EXPECT_GE((with.right - with.left) - (before.right - before.left), 24);
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(win(), 292)) || !IsWindowVisible(win()));
  EXPECT_NE(SendDlgItemMessageA(win(), 292, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
  progressSetPicture(nullptr, 0);
  GetWindowRect(win(), &after);
  EXPECT_EQ(after.right - after.left, before.right - before.left);
  EXPECT_EQ(SendDlgItemMessageA(win(), 292, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
  progressSetPicture(GetModuleHandleA(nullptr), 9999);  // no such bitmap: nothing shown
  GetWindowRect(win(), &after);
  EXPECT_EQ(after.right - after.left, before.right - before.left);
  EXPECT_EQ(progressDestroy(), 1);
}

TEST(ProgressWindow, WindowProgressScalesLargeCounts) {
  WindowProgress p;
  p.begin("Scanning File...");
  ASSERT_NE(win(), nullptr);
  const uint64_t total = 6000000000ull;
  EXPECT_TRUE(p.update(total / 2, total));
  EXPECT_EQ(text(121), "50 %");
  EXPECT_TRUE(p.update(total, total));
  EXPECT_EQ(text(121), "100 %");
  PostMessageA(win(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_FALSE(p.update(total, total));
  p.end();
  EXPECT_EQ(win(), nullptr);
}

}  // namespace
}  // namespace xfmhost
