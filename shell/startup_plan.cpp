// Start-up decisions (see startup_plan.h).
#include "shell/startup_plan.h"

#include <cctype>

#include "resources/command_ids.h"

namespace shell {
namespace {

constexpr int kCmdPlay = IDM_PLAY;
constexpr int kCmdCueList = IDM_CUE_LIST;
constexpr int kCmdPlayList = IDM_PLAY_LIST;
constexpr int kCmdAnalysis = IDM_FREQ_ANALYSIS;
constexpr int kCmdSettingsWarning = IDM_SETTINGS_STARTUP;
constexpr int kCmdPaste = IDM_PASTE;

}  // namespace

bool vfInitFailed(int result) {
  return result != kVfInitOk && result != kVfInitNoTempDir1 && result != kVfInitNoTempDir2;
}

StartupPlan planStartupCommands(const StartupFacts& f) {
  StartupPlan p;
  p.autoplayOverrideAfter = f.autoplayOverride;
  if (f.hadPendingName && f.documentOpened && f.documentHasSamples) {
    bool play = (f.autoPlayOnLoad && f.autoplayOverride != 'N') || f.autoplayOverride == 'Y';
    if (play) {
      p.commands.push_back({kCmdPlay, 0});
      p.setAutoplayMarker = true;
      p.autoplayOverrideAfter = ' ';
    }
  }
  if (f.firstInstance) {
    if (f.cueList) p.commands.push_back({kCmdCueList, 0});
    if (f.playList) p.commands.push_back({kCmdPlayList, 0});
    if (f.analyzer) p.commands.push_back({kCmdAnalysis, 0});
  }
  if (f.vfInitResult == kVfInitNoTempDir2) {
    p.commands.push_back({kCmdSettingsWarning, 1});
  } else if (f.vfInitResult != kVfInitOk) {
    p.commands.push_back({kCmdSettingsWarning, 0});  // page 2, and the place to mend a broken store
  }
  if (f.clipMode) p.commands.push_back({kCmdPaste, 0});
  return p;
}

int osGeneration(int major, int minor) {
  if (major >= 4) return 3;
  if (major == 3 && minor >= 50) return 2;
  return 1;
}

Placement placeMainWindow(const PlacementInput& in) {
  Placement p;
  if (in.firstInstance) {
    p.x = in.xLoc;
    p.y = in.yLoc;
  } else {
    p.x = kDefaultPosition;
    p.y = 0;
  }
  int64_t clientH = static_cast<int64_t>(in.clientHeight) + (in.osGen == 3 ? 4 : 5);
  int64_t w = static_cast<int64_t>(in.clientWidth) + in.frameLeft + in.frameRight;
  int64_t h = clientH + in.frameTop + in.frameBottom - 4;
  auto clamp32 = [](int64_t v) { return static_cast<int32_t>(v < 0 ? 0 : v > INT32_MAX ? INT32_MAX : v); };
  p.width = clamp32(w);
  p.height = clamp32(h);
  if (p.x != kDefaultPosition && p.x > in.screenWidth - 30) p.x = in.screenWidth - 30;
  if (p.y > in.screenHeight - 30) p.y = in.screenHeight - 30;
  return p;
}

}  // namespace shell
