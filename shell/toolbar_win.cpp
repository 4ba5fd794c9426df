// The toolbar on the screen: creation at start-up, drawing (normal, pressed and greyed cells through an
// off-screen bitmap as wide as the shown row), the message hook that turns clicks into commands and shows
// the delayed tool tips, and the enable states that follow the menu.
// clang-format off
#include "platform/win32.h"  // before the other system headers
// clang-format on

#include "shell/toolbar_win.h"

#include <algorithm>

#include "shell/app_state.h"
#include "resources/command_ids.h"
#include "ui/dispatch.h"
#include "shell/menu_state.h"
#include "ui/message_box.h"
#include "ui/settings_source.h"
#include "shell/subsystems_win.h"
#include "shell/win_shell.h"

namespace shell {
namespace {

constexpr UINT_PTR kTipTimer = 1998;
constexpr UINT kTipDelayMs = 750, kTipFollowMs = 30;
constexpr DWORD kRopPatternOr = 0x00FA0089;  // destination OR pattern
// A greyed cell: every colour ORed with mid grey, so black ink turns grey while the face (192) and white
// stay.
constexpr COLORREF kGreyInk = RGB(128, 128, 128);

struct ToolbarWindow {
  HWND parent = nullptr;
  HINSTANCE instance = nullptr;
  ToolbarRecord record;
  ToolbarOrder order;
  ToolbarTransforms transforms;
  std::vector<HBITMAP> owned;  // bitmaps loaded from the program's resources
  HBRUSH greyBrush = nullptr;
  HBITMAP loopBitmap = nullptr, unloopBitmap = nullptr;
  bool loopLook = false;  // the Loop button shows "IUnLoop"
  int trackingId = 0;     // the button held down, 0 none
  int hoverId = 0;        // the button the pointer rests on (tips)
  HWND tip = nullptr;
  bool leaveTracked = false;
};

ToolbarWindow& tb() {
  static ToolbarWindow t;
  return t;
}

HBITMAP ownedBitmap(const char* name) {
  HBITMAP b = LoadBitmapA(tb().instance, name);
  if (b) tb().owned.push_back(b);
  return b;
}

int clientWidth() {
  RECT rc{};
  if (tb().parent) GetClientRect(tb().parent, &rc);
  return rc.right;
}

RECT buttonRect(const ToolbarButtonInfo& b) {
  return RECT{b.left, b.top, b.left + kToolbarButtonSize, b.top + kToolbarButtonSize};
}

void invalidateButton(const ToolbarButtonInfo& b) {
  if (!tb().parent || b.left == kToolbarHiddenX) return;
  RECT rc = buttonRect(b);
  InvalidateRect(tb().parent, &rc, FALSE);
}

void invalidateRow() {
  if (!tb().parent) return;
  RECT rc{0, tb().record.top, clientWidth(), tb().record.top + kToolbarButtonSize};
  InvalidateRect(tb().parent, &rc, TRUE);
}

// One cell at (x, y) of dc: the face, the bitmap (one pixel down and right while pressed), its ink lightened
// when greyed and the raised or sunken edge. scratch is a memory DC for the bitmap.
void drawCell(HDC dc, HDC scratch, int x, int y, const ToolbarButtonInfo& b) {
  RECT rc{x, y, x + kToolbarButtonSize, y + kToolbarButtonSize};
  FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
  const int shift = b.pressed ? 1 : 0;
  if (b.image) {
    HGDIOBJ old = SelectObject(scratch, static_cast<HBITMAP>(b.image));
    BitBlt(dc, x + shift, y + shift, kToolbarButtonSize - shift, kToolbarButtonSize - shift, scratch, 0, 0,
           SRCCOPY);
    SelectObject(scratch, old);
  }
  if (!b.enabled && tb().greyBrush) {
    HGDIOBJ old = SelectObject(dc, tb().greyBrush);
    PatBlt(dc, x, y, kToolbarButtonSize, kToolbarButtonSize, kRopPatternOr);
    SelectObject(dc, old);
  }
  DrawEdge(dc, &rc, b.pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
}

// The row through an off-screen bitmap as wide as its shown part; buttons placed elsewhere (the CD bar)
// one by one.
void paint(HDC dc) {
  ToolbarWindow& t = tb();
  if (!t.parent) return;
  const int width = ToolbarDrawnWidth(t.record, clientWidth());
  HDC scratch = CreateCompatibleDC(dc);
  if (!scratch) return;
  if (width > 0) {
    HDC row = CreateCompatibleDC(dc);
    HBITMAP bits = CreateCompatibleBitmap(dc, width, kToolbarButtonSize);
    if (row && bits) {
      HGDIOBJ oldBits = SelectObject(row, bits);
      RECT all{0, 0, width, kToolbarButtonSize};
      FillRect(row, &all, GetSysColorBrush(COLOR_WINDOW));
      for (const ToolbarButtonInfo& b : t.record.buttons)
        if (b.top == t.record.top && b.left >= 0 && b.left < width) drawCell(row, scratch, b.left, 0, b);
      BitBlt(dc, 0, t.record.top, width, kToolbarButtonSize, row, 0, 0, SRCCOPY);
      SelectObject(row, oldBits);
    }
    if (bits) DeleteObject(bits);
    if (row) DeleteDC(row);
  }
  for (const ToolbarButtonInfo& b : t.record.buttons)
    if (b.top != t.record.top && b.left >= 0) drawCell(dc, scratch, b.left, b.top, b);
  DeleteDC(scratch);
}

// ---- tool tips
// ---------------------------------------------------------------------------------------------

void hideTip() {
  ToolbarWindow& t = tb();
  if (t.parent) KillTimer(t.parent, kTipTimer);
  if (t.tip) DestroyWindow(t.tip);
  t.tip = nullptr;
}

void forgetHover() {
  hideTip();
  tb().hoverId = 0;
}

// A popup static with a thin border in the main window's font, sized to the text, under the button or above
// it when it would leave the screen.
void showTip(const ToolbarButtonInfo& b) {
  ToolbarWindow& t = tb();
  if (t.tip) DestroyWindow(t.tip);
  t.tip = nullptr;
  if (b.tip.empty()) return;
  HFONT font = mainWindowResources().font;
  HDC dc = GetDC(t.parent);
  HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
  SIZE text{};
  GetTextExtentPoint32A(dc, b.tip.c_str(), int(b.tip.size()), &text);
  if (oldFont) SelectObject(dc, oldFont);
  ReleaseDC(t.parent, dc);
  const int w = text.cx + 8, h = text.cy + 4;
  POINT below{b.left, b.top + kToolbarButtonSize + 2};
  ClientToScreen(t.parent, &below);
  int y = below.y;
  if (y + h > GetSystemMetrics(SM_CYSCREEN)) {
    POINT above{b.left, b.top - 2 - h};
    ClientToScreen(t.parent, &above);
    y = above.y;
  }
  const int x = std::max(0, std::min<int>(below.x, GetSystemMetrics(SM_CXSCREEN) - w));
  t.tip = CreateWindowExA(0, "STATIC", b.tip.c_str(), WS_POPUP | WS_BORDER | SS_LEFT | SS_NOPREFIX, x, y, w,
                          h, t.parent, nullptr, t.instance, nullptr);
  if (!t.tip) return;
  if (font) SendMessageA(t.tip, WM_SETFONT, WPARAM(font), FALSE);
  SetWindowPos(t.tip, HWND_TOP, x, y, w, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

bool pointerOver(const ToolbarButtonInfo& b) {
  POINT screen;
  if (!GetCursorPos(&screen) || WindowFromPoint(screen) != tb().parent) return false;
  POINT p = screen;
  ScreenToClient(tb().parent, &p);
  return b.contains(p.x, p.y);
}

void onTipTimer() {
  ToolbarWindow& t = tb();
  KillTimer(t.parent, kTipTimer);
  ToolbarButtonInfo* b = t.record.find(t.hoverId);
  if (!b || t.trackingId || !app().settings.toolHelp || GetActiveWindow() != t.parent || !pointerOver(*b)) {
    forgetHover();
    return;
  }
  showTip(*b);
}

bool inRow(int x, int y) {
  const ToolbarRecord& r = tb().record;
  return y >= r.top && y < r.top + kToolbarButtonSize && x >= 0 && x < ToolbarDrawnWidth(r, clientWidth());
}

// The pointer moved over the main window with no button held: start, move or drop the tip.
void onHover(int x, int y) {
  ToolbarWindow& t = tb();
  ToolbarButtonInfo* b = t.record.hit(x, y);
  if (!b) {
    // Between two buttons of the row a shown tip waits for the next button; off the row it goes.
    KillTimer(t.parent, kTipTimer);
    if (inRow(x, y)) {
      t.hoverId = 0;
    } else {
      forgetHover();
    }
    return;
  }
  if (!app().settings.toolHelp || b->id == t.hoverId) return;
  t.hoverId = b->id;
  SetTimer(t.parent, kTipTimer, t.tip ? kTipFollowMs : kTipDelayMs, nullptr);
  if (!t.leaveTracked) {
    TRACKMOUSEEVENT e{sizeof e, TME_LEAVE, t.parent, 0};
    t.leaveTracked = TrackMouseEvent(&e) != FALSE;
  }
}

// ---- clicks
// ------------------------------------------------------------------------------------------------

void setPressed(ToolbarButtonInfo* b, bool pressed) {
  if (b->pressed == pressed) return;
  b->pressed = pressed;
  invalidateButton(*b);
}

bool onButtonDown(int x, int y) {
  ToolbarWindow& t = tb();
  forgetHover();
  ToolbarButtonInfo* b = t.record.hit(x, y);
  if (!b) return false;
  if (!b->enabled) return true;  // a greyed button swallows the click
  t.trackingId = b->id;
  setPressed(b, true);
  SetCapture(t.parent);
  ui::debugOutputf("toolbar: press %d\n", b->id);
  PostMessageA(t.parent, WM_COMMAND, IDM_TOOLBAR_PRESS, 0);
  return true;
}

void onTrackingMove(int x, int y) {
  ToolbarButtonInfo* b = tb().record.find(tb().trackingId);
  if (b) setPressed(b, b->contains(x, y));
}

void onButtonUp(int x, int y) {
  ToolbarWindow& t = tb();
  ToolbarButtonInfo* b = t.record.find(t.trackingId);
  t.trackingId = 0;
  // The release point decides, so a release reported without a move before it counts where it happened.
  const bool send = b && b->contains(x, y) && b->enabled;
  if (b) setPressed(b, false);
  if (GetCapture() == t.parent) ReleaseCapture();
  if (!send) return;
  ui::debugOutputf("toolbar: command %d\n", b->id);
  PostMessageA(t.parent, WM_COMMAND, WPARAM(b->id), 0);
}

void cancelTracking() {
  ToolbarWindow& t = tb();
  if (ToolbarButtonInfo* b = t.record.find(t.trackingId)) setPressed(b, false);
  t.trackingId = 0;
}

// Every message of the main window passes here first. True when the toolbar consumed it.
bool hook(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  ToolbarWindow& t = tb();
  if (!t.parent || hwnd != t.parent) return false;
  const int x = short(LOWORD(lParam)), y = short(HIWORD(lParam));
  switch (msg) {
    case WM_MOUSEMOVE:
      if (t.trackingId) {
        onTrackingMove(x, y);
        return true;
      }
      onHover(x, y);
      return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      return onButtonDown(x, y);
    case WM_LBUTTONUP:
      if (!t.trackingId) return false;
      onButtonUp(x, y);
      return true;
    case WM_CAPTURECHANGED:
      if (t.trackingId && reinterpret_cast<HWND>(lParam) != hwnd) cancelTracking();
      return false;
    case WM_MOUSELEAVE:
      t.leaveTracked = false;
      forgetHover();
      return false;
    case WM_TIMER:
      if (wParam != kTipTimer) return false;
      onTipTimer();
      return true;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_RBUTTONDOWN:
      forgetHover();
      return false;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) forgetHover();
      return false;
    case WM_ACTIVATEAPP:
      if (!wParam) forgetHover();
      return false;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) {
        LayoutToolbar(&t.record, t.order, LOWORD(lParam));
        invalidateRow();
      }
      return false;
    default:
      return false;
  }
}

// ---- creation and destruction
// ------------------------------------------------------------------------------

void addBuiltins() {
  ToolbarWindow& t = tb();
  for (int i = 1; i < kToolbarBuiltinCount; ++i) {
    const ToolbarBuiltin& e = kToolbarBuiltins[i];
    HBITMAP image = ownedBitmap(e.bitmap);
    if (e.id == IDM_LOOP_MODE) t.loopBitmap = image;
    t.record.addButton(e.id, e.bitmap, loadResourceString(t.instance, e.tipId, ""), image);
  }
  t.unloopBitmap = ownedBitmap("IUnLoop");
}

void addTransforms() {
  ToolbarWindow& t = tb();
  std::vector<ToolbarTransformButton> all;
  if (toolbarTransformSource()) all = toolbarTransformSource()();
  ToolbarTransforms list;
  for (const ToolbarTransformButton& b : all) list.push_back(b.transform);
  t.transforms = ToolbarButtonTransforms(list);
  for (const ToolbarTransform& tr : t.transforms)
    for (const ToolbarTransformButton& b : all)
      if (b.transform.id == tr.id) t.record.addButton(tr.id, "", tr.name, b.bitmap);
}

// The CD player's buttons go on the CD bar, which places them; until then they are out of sight.
void addCdButtons() {
  ToolbarWindow& t = tb();
  for (const ToolbarCdButton& c : kToolbarCdButtons) {
    if (!t.record.addButton(c.id, c.bitmap, loadResourceString(t.instance, c.tipId, ""),
                            ownedBitmap(c.bitmap)))
      continue;
    t.record.place(c.id, kToolbarHiddenX, t.record.top);
  }
  ToolbarEnableButton(IDM_CD_GOTO_MARK, false);
  ToolbarEnableButton(IDM_CD_MARK, false);
}

void createToolbar(HWND main) {
  ToolbarWindow& t = tb();
  t.parent = main;
  t.instance = static_cast<HINSTANCE>(app().instance);
  t.record = ToolbarRecord();
  t.order = ToolbarOrder();
  t.greyBrush = CreateSolidBrush(kGreyInk);
  addBuiltins();
  addTransforms();
  addCdButtons();
  ui::ProfileSettingsSource ini(app().settingsFile);
  LoadToolbarOrder(&t.order, ini, t.transforms, app().versionText);
  LayoutToolbar(&t.record, t.order, clientWidth());
  for (ToolbarButtonInfo& b : t.record.buttons)
    if (!ui::isCommandAvailable(b.id)) b.enabled = false;
  invalidateRow();
  // Most command handlers are registered later in start-up; the no-op press command, handled once the
  // message loop runs, makes the main window refresh the menu state and with it the buttons.
  PostMessageA(main, WM_COMMAND, IDM_TOOLBAR_PRESS, 0);
}

void destroyToolbar() {
  ToolbarWindow& t = tb();
  hideTip();
  if (t.trackingId && GetCapture() == t.parent) ReleaseCapture();
  for (HBITMAP b : t.owned) DeleteObject(b);
  if (t.greyBrush) DeleteObject(t.greyBrush);
  t = ToolbarWindow();
}

// The Loop button shows whether loop play is on (its bitmap and its tip).
void followLoopMode(bool loop) {
  ToolbarWindow& t = tb();
  ToolbarButtonInfo* b = t.record.find(IDM_LOOP_MODE);
  if (!b || loop == t.loopLook) return;
  t.loopLook = loop;
  b->image = loop ? t.unloopBitmap : t.loopBitmap;
  b->bitmap = loop ? "IUnLoop" : "ILoop";
  b->tip =
      loop ? "Switch to Single play mode" : loadResourceString(t.instance, 20, "Switch to Loop play mode");
  invalidateButton(*b);
}

}  // namespace

std::function<std::vector<ToolbarTransformButton>()>& toolbarTransformSource() {
  static std::function<std::vector<ToolbarTransformButton>()> f;
  return f;
}

void ToolbarApplyMenuState(const MenuState& state) {
  ToolbarWindow& t = tb();
  if (!t.parent) return;
  for (ToolbarButtonInfo& b : t.record.buttons) {
    bool on = b.ownerEnabled && ui::isCommandAvailable(b.id);
    const auto item = state.items.find(b.id);
    if (item != state.items.end()) on = on && item->second.enabled;
    if (on == b.enabled) continue;
    b.enabled = on;
    if (!on && t.trackingId == b.id) cancelTracking();
    invalidateButton(b);
  }
  if (state.items.count(IDM_LOOP_MODE)) followLoopMode(state.checked(IDM_LOOP_MODE));
}

void ToolbarEnableButton(int id, bool on) {
  ToolbarButtonInfo* b = tb().record.find(id);
  if (!b) return;
  b->ownerEnabled = on;
  const bool look = on && ui::isCommandAvailable(id);
  if (look == b->enabled) return;
  b->enabled = look;
  invalidateButton(*b);
}

void ToolbarPlaceButton(int id, int x, int y) {
  ToolbarButtonInfo* b = tb().record.find(id);
  if (!b) return;
  invalidateButton(*b);
  tb().record.place(id, x, y);
  invalidateButton(*b);
}

void ToolbarRelayout() {
  LayoutToolbar(&tb().record, tb().order, clientWidth());
  invalidateRow();
}

const ToolbarRecord& toolbarRecord() {
  return tb().record;
}
ToolbarOrder& toolbarOrder() {
  return tb().order;
}
const ToolbarTransforms& toolbarTransforms() {
  return tb().transforms;
}

std::string ToolbarTipText(int id) {
  const ToolbarButtonInfo* b = tb().record.find(id);
  return b ? b->tip : std::string();
}

void* ToolbarBitmap(int id) {
  const ToolbarButtonInfo* b = tb().record.find(id);
  return b ? b->image : nullptr;
}

void ToolbarSetOrder(const std::vector<int>& ids) {
  ToolbarWindow& t = tb();
  t.order.assign(ids);
  ui::ProfileSettingsSource ini(app().settingsFile);
  SaveToolbarOrder(t.order, ini, t.transforms, app().versionText);
  ToolbarRelayout();
}

namespace toolbar {

void createWindows(HWND main) {
  createToolbar(main);
}

void registerCommands() {
  registerToolbarDialog();
}

void closeWindows() {
  destroyToolbar();
}

bool onMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (!hook(hwnd, msg, wParam, lParam)) return false;
  *result = 0;
  return true;
}

void paint(HDC dc) {
  shell::paint(dc);
}

}  // namespace toolbar

}  // namespace shell
