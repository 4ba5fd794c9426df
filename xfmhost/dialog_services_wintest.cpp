// The dialog services under Wine: cwCenter centres an owned window on its owner and keeps it 4 pixels
// inside the desktop, and leaves a window without one alone; Limits on focus loss replaces an out-of-range
// text by the nearer bound (in the number text form), alerts once and gives 1, while typing it only marks
// the control in the context; AlertLimits shows "Value Out Of Range" with the explanation, and ticking
// "Don't display this message in the future" writes [Tips] 1=Y, which silences it from then on.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"
#include "resources/service_dialog_ids.h"
#include "xfmhost/dialog_services.h"

namespace xfmhost {
namespace {

std::string tempIni() {
  char dir[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, dir);
  std::string path = std::string(dir) + "sorn_limits_test.ini";
  DeleteFileA(path.c_str());
  return path;
}

HWND popup(HWND owner, int x, int y, int w, int h) {
  return CreateWindowExA(0, "STATIC", "", WS_POPUP, x, y, w, h, owner, nullptr, GetModuleHandleA(nullptr),
                         nullptr);
}

TEST(DialogServices, CwCenterCentresOnTheOwnerInsideTheDesktop) {
  HWND owner = popup(nullptr, 100, 100, 400, 300);
  HWND w = popup(owner, 0, 0, 100, 50);
  ASSERT_TRUE(owner && w);
  EXPECT_NE(cwCenter(w, 0), 0);
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 100 + 200 - 50);
  EXPECT_EQ(r.top, 100 + 150 - 25);
  EXPECT_EQ(r.right - r.left, 100);  // size kept
  // An owner near the desktop's corner: the window stays 4 pixels inside.
  RECT desk;
  GetWindowRect(GetDesktopWindow(), &desk);
  SetWindowPos(owner, nullptr, desk.right - 60, desk.bottom - 40, 80, 60, SWP_NOZORDER);
  cwCenter(w, 0);
  GetWindowRect(w, &r);
  EXPECT_EQ(r.right, desk.right - 4);
  EXPECT_EQ(r.bottom, desk.bottom - 4);
  SetWindowPos(owner, nullptr, desk.left - 300, desk.top - 200, 80, 60, SWP_NOZORDER);
  cwCenter(w, 0);
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, desk.left + 4);
  EXPECT_EQ(r.top, desk.top + 4);
  // No owner: left alone.
  HWND lone = popup(nullptr, 7, 9, 50, 50);
  EXPECT_EQ(cwCenter(lone, 0), 0);
  GetWindowRect(lone, &r);
  EXPECT_EQ(r.left, 7);
  EXPECT_EQ(r.top, 9);
  DestroyWindow(lone);
  DestroyWindow(w);
  DestroyWindow(owner);
}

struct AlertSeen {
  int count = 0;
  std::string text;
  bool tick = false;
};
AlertSeen gSeen;

// Answers the alert from the modal loop: reads it, ticks the box when asked, presses OK.
void CALLBACK answerAlert(HWND, UINT, UINT_PTR, DWORD) {
  HWND d = FindWindowA(nullptr, "Value Out Of Range");
  if (!d || !IsWindowVisible(d)) return;
  char buf[1024] = {};
  GetDlgItemTextA(d, IDC_ALERT_TEXT, buf, sizeof buf);
  gSeen.text = buf;
  ++gSeen.count;
  if (gSeen.tick) CheckDlgButton(d, IDC_ALERT_DONT_SHOW, BST_CHECKED);
  PostMessageA(d, WM_COMMAND, IDOK, 0);
}

struct Field {
  HWND dialog = nullptr, edit = nullptr;
  Field() {
    dialog = popup(nullptr, 0, 0, 200, 100);
    edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, dialog,
                           reinterpret_cast<HMENU>(500), GetModuleHandleA(nullptr), nullptr);
  }
  ~Field() { DestroyWindow(dialog); }
  void set(const char* t) { SetWindowTextA(edit, t); }
  std::string text() const {
    char buf[64] = {};
    GetWindowTextA(edit, buf, sizeof buf);
    return buf;
  }
};

TEST(DialogServices, LimitsAndTheAlert) {
  const std::string ini = tempIni();
  setDialogServicesFiles(ini, "sorn.hlp");
  Field f;
  ASSERT_TRUE(f.edit);
  XfmContext ctx = {};
  double r = -1;
  UINT_PTR timer = SetTimer(nullptr, 0, 50, answerAlert);

  // Typing "12" into a 0..10 field: marked, limited result, text untouched, no alert.
  f.set("12");
  EXPECT_EQ(limits(&ctx, f.dialog, 500 | (EN_CHANGE << 16), 0, 10, &r), 0);
  EXPECT_EQ(ctx.limitsControl, 500);
  EXPECT_EQ(r, 10);
  EXPECT_EQ(f.text(), "12");
  EXPECT_EQ(gSeen.count, 0);

  // Focus loss: the bound substituted, one alert with the value and the limits, 1.
  EXPECT_EQ(limits(&ctx, f.dialog, 500 | (512 << 16), 0, 10, &r), 1);
  EXPECT_EQ(r, 10);
  EXPECT_EQ(f.text(), "10");
  EXPECT_EQ(gSeen.count, 1);
  EXPECT_EQ(gSeen.text,
            "The value you have entered, \"12\",  is outside the limits of 0 and 10.  The closest valid value "
            "will be substituted in its place. \n\nEntered text will appear red when when it is outside the "
            "range of valid valaues.");
  EXPECT_EQ(ctx.limitsControl, 0);

  // Back in range while typing: the mark goes.
  f.set("12");
  limits(&ctx, f.dialog, 500 | (EN_CHANGE << 16), 0, 10, nullptr);
  EXPECT_EQ(ctx.limitsControl, 500);
  f.set("5");
  EXPECT_EQ(limits(&ctx, f.dialog, 500 | (EN_CHANGE << 16), 0, 10, &r), 0);
  EXPECT_EQ(ctx.limitsControl, 0);
  EXPECT_EQ(r, 5);

  // 0 in a 0.5..10 field shows .5; this time the box is ticked, which switches the alert off.
  gSeen.tick = true;
  f.set("0");
  EXPECT_EQ(limits(&ctx, f.dialog, 500 | (512 << 16), 0.5, 10, &r), 1);
  EXPECT_EQ(f.text(), ".5");
  EXPECT_EQ(r, 0.5);
  EXPECT_EQ(gSeen.count, 2);
  char tips[8] = {};
  GetPrivateProfileStringA("Tips", "1", "", tips, sizeof tips, ini.c_str());
  EXPECT_STREQ(tips, "Y");
  f.set("-3");
  EXPECT_EQ(limits(&ctx, f.dialog, 500 | (512 << 16), 0, 1e9, &r), 1);
  EXPECT_EQ(f.text(), "0");
  f.set("2e9");
  EXPECT_EQ(limits(&ctx, f.dialog, 500 | (512 << 16), 0, 1e9, &r), 1);
  EXPECT_EQ(f.text(), "1000000000");
  EXPECT_EQ(gSeen.count, 2);  // silenced
  EXPECT_EQ(alertLimits(nullptr, 1, 2, 3), 0);
  EXPECT_EQ(gSeen.count, 2);
  KillTimer(nullptr, timer);
  DeleteFileA(ini.c_str());
}

}  // namespace
}  // namespace xfmhost
