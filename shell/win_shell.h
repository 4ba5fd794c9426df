// Windows side of the shell: the start-up sequence, the main window procedure and the helpers they
// share. Included only by *_win.cpp files.
#pragma once

#include <string>

#include "platform/win32.h"
#include "shell/settings.h"
#include "shell/startup_plan.h"

namespace shell {

constexpr const char* kMainClassName = "SORN96";

// The whole program: start-up, message loop, shut-down. Returns the exit code.
int runApplication(HINSTANCE instance, const char* cmdLine, int showCmd);

LRESULT CALLBACK SORNMainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Pens, brushes, fonts and cursors of the main window (created in WM_CREATE).
struct MainWindowResources {
  HPEN waveformPen = nullptr;
  HBRUSH backgroundBrush = nullptr;
  HFONT font = nullptr;        // "Arial", 15 pixels: every child text
  HFONT narrowFont = nullptr;  // "Arial Narrow", -10
  HFONT smallFont = nullptr;   // "Arial", 12
  HCURSOR cursors[3] = {};     // resources 161, 169, 170
  UINT helpMessage = 0;        // the registered "commdlg_help"
};
MainWindowResources& mainWindowResources();

// The help context of the file dialog being shown (0 none), for the "commdlg_help" message.
constexpr int kHelpSaveDialog = 2, kHelpOpenDialog = 6;
int& fileDialogHelpContext();

// Accelerator tables "MENUACC" and "NUMSACC" (null when missing).
HACCEL menuAccelerators();
HACCEL numberAccelerators();
void loadAccelerators(HINSTANCE instance);

// Removes the recent-file items (13999 .. 14020) from the File menu and inserts the current list before
// "E&xit". Safe to call again after the list changed.
void buildRecentFilesMenu(HWND mainWindow);

// Start-up: the four devices chosen by the names in the settings (ids: wave out, wave in, MIDI out, MIDI
// in), the names kept for saving, and what the main window says about the playback device.
void chooseDevicesByName(Settings* s, int ids[4], DeviceStatus* status);

// A string resource, or fallback when it is missing.
std::string loadResourceString(HINSTANCE instance, UINT id, const char* fallback);

// Runs the message loop until WM_QUIT; returns its parameter.
int runMessageLoop(HWND mainWindow);

}  // namespace shell
