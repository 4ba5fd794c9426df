// The one place where the subsystems meet the main window: the list of subsystems with their start-up and
// shut-down parts, the routing table of the main window's messages, the controls whose notifications are
// not commands, and the command families each subsystem registers. SORNMainWndProc (main_window_win.cpp)
// handles the shell's own messages and offers every other one to this table.
//
// Adding a subsystem: an entry in kSubsystems, its rows in kRoutes (and kControls), its command families.
// Rows still without a handler mark what the next subsystems take over: the script steps, the CD bar's
// notifications.
// clang-format off
#include "platform/win32.h"  // before the other system headers
#include <mmsystem.h>
// clang-format on

#include "shell/subsystems_win.h"

#include "resources/command_ids.h"
#include "shell/app_state.h"
#include "shell/document_support.h"
#include "ui/dispatch.h"

namespace shell {
namespace {

const std::vector<Subsystem> kSubsystems = {
    // name        classes                       unregister                      windows
    //             commands                      close
    {"documents", documents::registerClasses, documents::unregisterClasses, documents::createWindows,
     documents::registerCommands, nullptr},
    {"cue lists", nullptr, nullptr, nullptr, cuewindows::registerCommands, nullptr},
    {"menus", nullptr, nullptr, nullptr, menus::registerCommands, nullptr},
    // Before the toolbar, which asks it for the transform buttons.
    {"transforms", nullptr, nullptr, transforms::createWindows, transforms::registerCommands,
     transforms::closeWindows},
    {"toolbar", nullptr, nullptr, toolbar::createWindows, toolbar::registerCommands, toolbar::closeWindows},
    {"audio", nullptr, nullptr, nullptr, audiocmd::registerCommands, audiocmd::closeWindows},
    {"analysis", analysiswin::registerClasses, analysiswin::unregisterClasses, nullptr,
     analysiswin::registerCommands, analysiswin::closeWindows},
};

// Rows of one message are asked in this order; the first that handles the message ends it.
const std::vector<MessageRoute> kRoutes = {
    // The toolbar row lives in the main window's client area: it sees the mouse first, and forgets its
    // hover on keys, clicks elsewhere and deactivation (it never takes those).
    {WM_MOUSEMOVE, "toolbar", toolbar::onMessage},
    {WM_LBUTTONDOWN, "toolbar", toolbar::onMessage},
    {WM_LBUTTONDBLCLK, "toolbar", toolbar::onMessage},
    {WM_LBUTTONUP, "toolbar", toolbar::onMessage},
    {WM_CAPTURECHANGED, "toolbar", toolbar::onMessage},
    {WM_MOUSELEAVE, "toolbar", toolbar::onMessage},
    {WM_RBUTTONDOWN, "toolbar", toolbar::onMessage},
    {WM_SYSKEYDOWN, "toolbar", toolbar::onMessage},
    {WM_ACTIVATE, "toolbar", toolbar::onMessage},
    {WM_ACTIVATEAPP, "toolbar", toolbar::onMessage},
    {WM_TIMER, "toolbar", toolbar::onMessage},  // its tool-tip timer
    {WM_TIMER, "audio", audiocmd::onTimer},     // playback's position timer 123, the start-up Play
    {WM_KEYDOWN, "toolbar", toolbar::onMessage},
    {WM_KEYDOWN, "menus", menus::onKeyDown},  // the space bar, the cue hot keys, Delete
    // Notifications: the store's records carry a marker and are taken first; the display's go to the
    // document support (rulers, status, drawn samples) and then the menus (zoom buttons, selection release).
    {WM_NOTIFY, "documents", documents::onStoreNotify},
    {WM_NOTIFY, "documents", documents::onDisplayNotify},
    {WM_NOTIFY, "analysis", analysiswin::onDisplayNotify},  // watches: a new selection is analysed
    {WM_NOTIFY, "menus", menus::onDisplayNotify},
    {WM_SIZE, "toolbar", toolbar::onMessage},   // the row laid out for the new width
    {WM_SIZE, "documents", documents::onSize},  // the child windows' layout
    {WM_DROPFILES, "documents", documents::onDropFiles},
    {WM_VF_NEEDSPACE, "documents", documents::onNeedSpace},  // the undo store frees levels
    {MM_WOM_DONE, "audio", audiocmd::onWaveOut},             // a played buffer came back
    {MM_WOM_OPEN, "audio", audiocmd::onWaveOut},
    {MM_WOM_CLOSE, "audio", audiocmd::onWaveOut},
    {MM_WIM_DATA, "audio", audiocmd::onWaveIn},  // a recorded buffer came back
    {MM_WIM_OPEN, "audio", audiocmd::onWaveIn},
    {MM_WIM_CLOSE, "audio", audiocmd::onWaveIn},
    {WM_SORN_SCRIPT_STEP, "scripts", nullptr},
    {WM_SORN_BATCH_NEXT, "scripts", nullptr},
};

// Their ids are also command ids, so their notifications must not run those commands.
const std::vector<ControlRoute> kControls = {
    {IDC_METER, "audio", meter::onDcSwitch},  // codes 2 and 3: DC adjustment on and off
    {IDC_CD_TITLE, "cdplayer", nullptr},      // the title field's edits
    {IDC_CD_TRACKS, "cdplayer", nullptr},     // the track list's selections
};

const std::vector<CommandFamily> kFamilies = {
    {IDM_TRANSFORM_FIRST, IDM_TRANSFORM_LAST, "transforms", "transform i is 7000 + i (7999: toolbar press)"},
    {IDM_RECENT_FIRST, IDM_RECENT_LAST, "documents", "recent file n is 14000 + n"},
};

std::vector<MessageRoute> gRoutes = kRoutes;
std::vector<ControlRoute> gControls = kControls;

}  // namespace

const std::vector<Subsystem>& subsystems() {
  return kSubsystems;
}

std::vector<MessageRoute>& mainWindowRoutes() {
  return gRoutes;
}

std::vector<ControlRoute>& mainWindowControlRoutes() {
  return gControls;
}

void resetMainWindowRoutes() {
  gRoutes = kRoutes;
  gControls = kControls;
}

const std::vector<CommandFamily>& commandFamilies() {
  return kFamilies;
}

bool routeMessage(const std::vector<MessageRoute>& table, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                  LRESULT* result) {
  for (const MessageRoute& r : table) {
    if (r.message != msg || !r.handler) continue;
    if (r.handler(hwnd, msg, wParam, lParam, result)) return true;
  }
  return false;
}

bool routeControlNotification(int id, int code) {
  for (const ControlRoute& c : gControls) {
    if (c.id != id) continue;
    return !c.handler || c.handler(id, code);
  }
  return false;
}

bool registerSubsystemClasses(HINSTANCE instance) {
  bool ok = true;
  for (const Subsystem& s : kSubsystems)
    if (s.registerClasses && !s.registerClasses(instance)) ok = false;
  return ok;
}

void unregisterSubsystemClasses(HINSTANCE instance) {
  for (const Subsystem& s : kSubsystems)
    if (s.unregisterClasses) s.unregisterClasses(instance);
}

void createSubsystemWindows(HWND main) {
  for (const Subsystem& s : kSubsystems)
    if (s.createWindows) s.createWindows(main);
}

void registerSubsystemCommands() {
  for (const Subsystem& s : kSubsystems) {
    if (!s.registerCommands) continue;
    ui::commandTable().setRegistrant(s.name);
    s.registerCommands();
  }
  ui::commandTable().setRegistrant(nullptr);
}

void closeSubsystemWindows() {
  for (const Subsystem& s : kSubsystems)
    if (s.closeWindows) s.closeWindows();
}

int cdBarHeight() {
  return 0;
}

namespace meter {
bool onDcSwitch(int, int code) {
  if (code != 2 && code != 3) return false;  // its double click (code 0) asks for the Monitor command
  app().meterDcAdjust = code == 2;
  return true;
}
}  // namespace meter

}  // namespace shell
