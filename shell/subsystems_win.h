// How the subsystems meet the main window: what each adds to start-up and shut-down, and which of the main
// window's messages it handles. subsystems_win.cpp holds the one list of subsystems and the one routing
// table; a new subsystem is one entry in each. Included only by *_win.cpp files.
#pragma once

#include <vector>

#include "platform/win32.h"

namespace shell {

// A handler of one message of the main window. It returns true when it has handled the message and set
// *result; a handler that only watches the message returns false, and the next row for the message sees it.
using MessageHandler = bool (*)(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

struct MessageRoute {
  UINT message;
  const char* subsystem;
  MessageHandler handler;  // null: reserved for a subsystem still to come; the message goes on
};

// A control of the main window whose notifications (WM_COMMAND with a code beside its id, from the control
// itself) are not the command its id stands for. The handler returns true when it took the notification.
using ControlHandler = bool (*)(int id, int code);
struct ControlRoute {
  int id;
  const char* subsystem;
  ControlHandler handler;  // null: reserved; every notification is dropped
};

// A range of command ids that one subsystem handles as a family (the single ids are registered in the
// command table by each subsystem's registerCommands, which records who registered each).
struct CommandFamily {
  int first, last;
  const char* subsystem;
  const char* what;
};

// What one subsystem adds to the program's life; every member may be null. The shell calls each member of
// every subsystem in the list's order (shut-down members in the same order).
struct Subsystem {
  const char* name;
  bool (*registerClasses)(HINSTANCE instance);    // window classes, before the main window exists
  void (*unregisterClasses)(HINSTANCE instance);  // after the message loop
  void (*createWindows)(HWND main);               // its child windows of the main window
  void (*registerCommands)();                     // its command handlers, once the store and filters are up
  void (*closeWindows)();                         // the main window is being destroyed
};

const std::vector<Subsystem>& subsystems();

// The routing table of the main window's messages, in the order the rows are asked. Tests may change a
// copy's handlers and restore the table with resetMainWindowRoutes().
std::vector<MessageRoute>& mainWindowRoutes();
std::vector<ControlRoute>& mainWindowControlRoutes();
void resetMainWindowRoutes();
const std::vector<CommandFamily>& commandFamilies();

// Offers a message to the rows of the table that name it, in order, until one handles it.
bool routeMessage(const std::vector<MessageRoute>& table, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                  LRESULT* result);
// A control notification: true when it was taken (or dropped for a control whose handler is still to come).
bool routeControlNotification(int id, int code);

// Start-up and shut-down over every subsystem.
bool registerSubsystemClasses(HINSTANCE instance);
void unregisterSubsystemClasses(HINSTANCE instance);
void createSubsystemWindows(HWND main);
void registerSubsystemCommands();
void closeSubsystemWindows();

// The height of the CD bar while it is shown, else 0 (the CD player is still to come).
int cdBarHeight();

// The handlers each subsystem gives the table, defined in the subsystem's own files.
namespace documents {  // document_support_win.cpp
bool registerClasses(HINSTANCE instance);
void unregisterClasses(HINSTANCE instance);
void createWindows(HWND main);
bool onStoreNotify(HWND, UINT, WPARAM, LPARAM, LRESULT*);
bool onDisplayNotify(HWND, UINT, WPARAM, LPARAM, LRESULT*);
bool onDropFiles(HWND, UINT, WPARAM, LPARAM, LRESULT*);
bool onNeedSpace(HWND, UINT, WPARAM, LPARAM, LRESULT*);
bool onSize(HWND, UINT, WPARAM, LPARAM, LRESULT*);
}  // namespace documents

namespace menus {  // menu_state_win.cpp: the menu and button states, the keys of the main window
void registerCommands();
bool onKeyDown(HWND, UINT, WPARAM, LPARAM, LRESULT*);
bool onDisplayNotify(HWND, UINT, WPARAM, LPARAM, LRESULT*);
}  // namespace menus

namespace toolbar {  // toolbar_win.cpp: the row drawn in the main window's client area
void createWindows(HWND main);
void registerCommands();
void closeWindows();
bool onMessage(HWND, UINT, WPARAM, LPARAM, LRESULT*);
void paint(HDC dc);
}  // namespace toolbar

namespace transforms {  // transforms_win.cpp: the transform host's scan, menus, commands and shut-down
void createWindows(HWND main);
void registerCommands();
void closeWindows();
}  // namespace transforms

namespace cuewindows {  // marker_windows_win.cpp: the cue list and play list windows
void registerCommands();
}  // namespace cuewindows

namespace audiocmd {  // audio_commands_win.cpp: Play, Stop, Pause, Record, Loop, Monitor and the devices
void registerCommands();
void closeWindows();
bool onWaveOut(HWND, UINT, WPARAM, LPARAM, LRESULT*);  // MM_WOM_*
bool onWaveIn(HWND, UINT, WPARAM, LPARAM, LRESULT*);   // MM_WIM_*
bool onTimer(HWND, UINT, WPARAM, LPARAM, LRESULT*);    // the position timer and the start-up Play
}  // namespace audiocmd

namespace analysiswin {  // analysis_host_win.cpp: the frequency analysis window
bool registerClasses(HINSTANCE instance);
void unregisterClasses(HINSTANCE instance);
void registerCommands();
void closeWindows();
bool onDisplayNotify(HWND, UINT, WPARAM, LPARAM, LRESULT*);
}  // namespace analysiswin

namespace meter {  // the level meter's DC switch, reported beside its id
bool onDcSwitch(int id, int code);
}  // namespace meter

}  // namespace shell
