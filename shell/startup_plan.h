// Decisions of the start-up sequence that do not need a window: which commands to post at the end of
// start-up, the OS generation, the device status texts, the device chosen by name and the main
// window's placement. WinMain gathers the facts and applies the results.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace shell {

// Result codes of the store's start-up that the shell treats specially.
constexpr int kVfInitOk = 0;
constexpr int kVfInitNoTempDir1 = 20;  // warning: temporary directory missing, settings page 2
constexpr int kVfInitNoTempDir2 = 21;  // warning: alternate directory missing, settings page 3
// Any other non-zero result is a hard failure: there is no store.
bool vfInitFailed(int result);

struct StartupFacts {
  bool firstInstance = true;
  int32_t cueList = 0, playList = 0, analyzer = 0;  // [Size] values
  int vfInitResult = 0;
  bool clipMode = false;
  bool hadPendingName = false;  // a file was named on the command line
  bool documentOpened = false;
  bool documentHasSamples = false;
  bool autoPlayOnLoad = true;
  char autoplayOverride = ' ';
};

struct PostedCommand {
  int id;
  intptr_t param;
  bool operator==(const PostedCommand& o) const { return id == o.id && param == o.param; }
};

struct StartupPlan {
  std::vector<PostedCommand> commands;  // in posting order
  bool setAutoplayMarker = false;       // the pending-name buffer gets "autoplayme" (only with Play)
  char autoplayOverrideAfter = ' ';     // posting Play resets the override to blank
};

// Play (199) when an opened document holds samples and AutoPlayOnLoad is on without an "N" override, or
// the override is "Y"; then 137/136/5060 for the first instance; 3290 with 0 or 1 for the store's
// missing-directory warnings (and 0, the System page, after a hard failure); 2100 in clip mode.
StartupPlan planStartupCommands(const StartupFacts& f);

// 3 for major version 4 and above, 2 for 3.50 .. 3.99, 1 below.
int osGeneration(int major, int minor);

// The main window's texts about the playback device, and its position quirk flag (1 for a product name
// beginning "SB", 2 when MeterFix is set).
struct DeviceStatus {
  std::string deviceText;      // " %s Installed" / " No Waveform device installed"
  std::string capabilityText;  // " Stereo 16-bit 44K capability" / " Cannot Play waveforms"
  int quirkFlag = 0;
};

// Main-window placement. frameLeft..frameBottom are what the window frame adds around the client area
// (from the window system's client-to-window conversion for the main window's styles).
struct PlacementInput {
  bool firstInstance = true;
  int32_t xLoc = INT32_MIN, yLoc = 0;  // [Size] XLoc / YLoc
  int32_t clientWidth = 610, clientHeight = 340;
  int osGen = 3;
  int frameLeft = 0, frameTop = 0, frameRight = 0, frameBottom = 0;
  int screenWidth = 1024, screenHeight = 768;
};
struct Placement {
  int32_t x, y, width, height;
};
constexpr int32_t kDefaultPosition = INT32_MIN;  // the window system's default position
Placement placeMainWindow(const PlacementInput& in);

}  // namespace shell
