// The process-wide state the start-up sequence sets up and the rest of the program reads.
#pragma once

#include <functional>
#include <string>

#include "shell/command_line.h"
#include "shell/settings.h"
#include "shell/startup_plan.h"

namespace shell {

// Marker left in the pending-name buffer when Play was posted at start-up: the Play handler then shows
// no error box for a failed start.
constexpr const char* kAutoplayMarker = "autoplayme";

// The shell's process-wide state: paths, names, the command line, the settings record, the devices chosen
// at start-up and the main window. One record, reached through app(); resetAppState() gives tests a fresh
// one. (The other subsystems' records are listed in the README, "Process-wide state".)
struct AppState {
  std::string programDir;  // without the trailing separator
  std::string settingsFile = ui::kSettingsFileName;
  std::string helpPath;                   // programDir\SORN96.HLP
  std::string productName = "Sorn Edit";  // string 10
  std::string versionText = "96";         // string 106
  std::string suffixText;                 // string 107, "none" → ""
  std::string tempDir, undoTempDir;       // as handed to the store
  int osGen = 3;
  bool firstInstance = true;
  CommandLine commandLine;
  std::string pendingName;  // the command-line file, then kAutoplayMarker or ""
  char autoplayOverride = ' ';
  Settings settings;
  DeviceStatus deviceStatus;
  int deviceIds[4] = {0, 0, 0, 0};  // chosen wave out, wave in, MIDI out, MIDI in
  int vfInitResult = 0;
  bool storeAvailable = false;  // false after a hard failure of the store: document work is refused
  void* instance = nullptr;
  void* mainWindow = nullptr;
  bool active = true;         // the program is the active one (WM_ACTIVATEAPP)
  bool meterDcAdjust = true;  // the level meter's "Adjust for DC" switch, as it last reported it
};

AppState& app();
void resetAppState();

// For handlers that create or open a document: after a hard failure of the store at start-up there is
// nowhere to keep samples, so they say so (one message box) and return true; false when work may go on.
bool refuseDocumentWork();

// What closing the program may do. The decision: in clip mode the copy to the clipboard, in autosave mode
// the save without asking; when that is missing or fails, and otherwise, the save prompt (none when empty).
// False when the window must stay open.
struct CloseSteps {
  std::function<bool()> clipModeClose, autosaveClose, askToSave;
};
bool readyToClose(const CloseSteps& steps, const CommandLine& commandLine);

// "Sorn Edit 96" + suffix: product name, a blank, version text, suffix text.
std::string mainWindowTitle(const AppState& a);
// "none" in any letter case means no suffix.
std::string normaliseSuffix(const std::string& suffix);

}  // namespace shell
