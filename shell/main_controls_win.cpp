// The main window's buttons, texts, CD bar controls and level meter: creation with the 15-pixel font,
// layout from measured texts (display/main_layout.h), and the Play/Record enabling that follows the
// document. The zoom buttons' states are the menu-state code's (menu_state_win.cpp).
// clang-format off
#include "platform/win32.h"  // before the other system headers
// clang-format on

#include "audio/meter_win.h"
#include "display/main_layout.h"
#include "shell/app_state.h"
#include "resources/command_ids.h"
#include "ui/dispatch.h"
#include "shell/main_controls.h"
#include "shell/subsystems_win.h"
#include "shell/win_shell.h"
#include "shell/window_commands.h"

namespace shell {
namespace {

struct ButtonSpec {
  int index;  // position along the row (display/main_layout.h)
  int id;
  const char* text;
};
constexpr ButtonSpec kButtons[display::kMainButtonCount] = {
    {display::kButtonPlay, IDC_BTN_PLAY, "Play"},     {display::kButtonPause, IDC_BTN_PAUSE, "Pause"},
    {display::kButtonStop, IDC_BTN_STOP, "Stop"},     {display::kButtonRecord, IDC_BTN_RECORD, "Record"},
    {display::kButtonZoom, IDC_BTN_ZOOM, "Zoom"},     {display::kButtonIn, IDC_BTN_IN, "In"},
    {display::kButtonOut, IDC_BTN_OUT, "Out"},        {display::kButtonFull, IDC_BTN_FULL, "Full"},
};

// Ids of the texts that have none of their own (above the transforms, below the recent files: no command).
constexpr int kDeviceTextId = 9001, kCapabilityTextId = 9002, kNoticeId = 9003;
constexpr UINT kNoticeString = 92;
// The smallest client area the window may be dragged to.
constexpr int kMinClientWidth = 320, kMinClientHeight = 200;

struct MainControls {
  HWND buttons[display::kMainButtonCount] = {};
  HWND deviceText = nullptr, capabilityText = nullptr, notice = nullptr;
  HWND cdTracks = nullptr, cdTime = nullptr, cdTitle = nullptr;
};

MainControls& controls() {
  static MainControls c;
  return c;
}

HWND mainWindow() {
  return static_cast<HWND>(app().mainWindow);
}

HWND makeChild(HWND parent, const char* cls, const char* text, DWORD style, int id, HFONT font = nullptr) {
  HWND w = CreateWindowExA(0, cls, text, WS_CHILD | style, 0, 0, 10, 10, parent,
                           reinterpret_cast<HMENU>(static_cast<intptr_t>(id)),
                           static_cast<HINSTANCE>(app().instance), nullptr);
  if (!font) font = mainWindowResources().font;
  if (w && font) SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return w;
}

display::MainWindowMetrics measure(HWND main) {
  display::MainWindowMetrics m;
  HDC dc = GetDC(main);
  if (!dc) return m;
  HFONT font = mainWindowResources().font;
  HGDIOBJ old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  SIZE size;
  if (GetTextExtentPoint32A(dc, "Beg: 00:00:000", 14, &size)) {
    m.fieldWidth = size.cx;
    m.textHeight = size.cy;
  }
  if (GetTextExtentPoint32A(dc, " Zoom Out M", 11, &size)) m.buttonTextWidth = size.cx;
  if (GetTextExtentPoint32A(dc, " 00:00 ", 7, &size)) m.cdTimeWidth = size.cx;
  static const char kWidestFormat[] = " 44100 / 16 bit / Stereo ";
  if (GetTextExtentPoint32A(dc, kWidestFormat, int(sizeof kWidestFormat - 1), &size)) m.formatWidth = size.cx;
  SelectObject(dc, old);
  ReleaseDC(main, dc);
  m.cdBarHeight = cdBarHeight();
  return m;
}

void place(HWND w, const display::PixelRect& r, bool visible) {
  if (!w) return;
  visible = visible && r.right > r.left && r.bottom > r.top;
  if (visible) MoveWindow(w, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  ShowWindow(w, visible ? SW_SHOW : SW_HIDE);
}

}  // namespace

void createMainControls(void* mainWindowHandle) {
  HWND main = static_cast<HWND>(mainWindowHandle);
  MainControls& c = controls();
  for (const ButtonSpec& b : kButtons) {
    // At creation only Record can be used; a document enables Play, selections the zoom buttons.
    const DWORD disabled = b.id == IDC_BTN_RECORD ? 0 : WS_DISABLED;
    c.buttons[b.index] = makeChild(main, "BUTTON", b.text, WS_VISIBLE | BS_PUSHBUTTON | disabled, b.id);
  }
  const DeviceStatus& dev = app().deviceStatus;
  // Single-line texts: clipped at their right end rather than wrapped into a line nobody sees.
  const DWORD text = WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX;
  HFONT small = mainWindowResources().smallFont;
  c.deviceText = makeChild(main, "STATIC", dev.deviceText.c_str(), text, kDeviceTextId, small);
  c.capabilityText = makeChild(main, "STATIC", dev.capabilityText.c_str(), text, kCapabilityTextId, small);
  const std::string notice = loadResourceString(static_cast<HINSTANCE>(app().instance), kNoticeString, "");
  c.notice = makeChild(main, "STATIC", notice.c_str(), text, kNoticeId);
  // The CD bar's controls stay hidden until the CD player shows its bar.
  c.cdTitle = makeChild(main, "EDIT", "?", WS_BORDER | ES_AUTOHSCROLL, IDC_CD_TITLE);
  c.cdTime = makeChild(main, "STATIC", "--:--", SS_CENTER, IDC_CD_TIME);
  c.cdTracks = makeChild(main, "LISTBOX", "", WS_BORDER | LBS_MULTICOLUMN | LBS_NOTIFY | WS_HSCROLL, IDC_CD_TRACKS);
  if (c.cdTracks) SendMessageA(c.cdTracks, LB_SETCOLUMNWIDTH, 22, 0);
  // The level meter along the bottom; it reports its DC switch to the main window while it is created.
  audio::MeterCreate(main, 0, 0, 10, display::kMeterHeight, IDC_METER, app().settingsFile.c_str());
}

void layoutMainWindow() {
  HWND main = mainWindow();
  if (!main) return;
  RECT rc;
  GetClientRect(main, &rc);
  const display::MainWindowLayout l =
      display::LayoutMainWindow(display::PixelRect{0, 0, rc.right, rc.bottom}, measure(main));
  MainControls& c = controls();
  for (int i = 0; i < display::kMainButtonCount; ++i) place(c.buttons[i], l.buttons[i], l.buttonVisible[i]);
  place(c.deviceText, l.deviceText, true);
  place(c.capabilityText, l.capabilityText, true);
  place(c.notice, l.notice, true);
  place(c.cdTitle, l.cdTitle, l.cdShown);
  place(c.cdTime, l.cdTime, l.cdShown);
  place(c.cdTracks, l.cdTracks, l.cdShown);
  if (HWND meter = GetDlgItem(main, IDC_METER)) place(meter, l.meter, true);
  placeWaveArea(l.wave);
}

void setDocumentButtons(bool documentOpen, int channels) {
  MainControls& c = controls();
  audio::MeterSetChannels(documentOpen ? channels : 1, false);
  if (c.buttons[display::kButtonPlay]) EnableWindow(c.buttons[display::kButtonPlay], documentOpen);
  if (c.buttons[display::kButtonRecord]) EnableWindow(c.buttons[display::kButtonRecord], TRUE);
  refreshMenuStateNow();  // the zoom buttons follow, and transport buttons nothing handles are greyed
}

void greyUnhandledButtons() {
  MainControls& c = controls();
  for (const ButtonSpec& b : kButtons)
    if (c.buttons[b.index] && !ui::isCommandAvailable(b.id)) EnableWindow(c.buttons[b.index], FALSE);
}

void mainWindowMinimumSize(int* width, int* height) {
  RECT r{0, 0, kMinClientWidth, kMinClientHeight};
  AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, TRUE, WS_EX_ACCEPTFILES);
  *width = r.right - r.left;
  *height = r.bottom - r.top;
}

}  // namespace shell
