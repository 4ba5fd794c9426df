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

// WAVE_FORMAT_* capability bits, grouped by rate.
struct RateBits {
  const char* text;
  uint32_t mono8, stereo8, mono16, stereo16;
};
constexpr RateBits kRates[] = {
    {"44K ", 0x100, 0x200, 0x400, 0x800},
    {"22K ", 0x010, 0x020, 0x040, 0x080},
    {"11K ", 0x001, 0x002, 0x004, 0x008},
};

struct Capability {
  bool has16 = false;
  const char* rate = "??K ";
};

Capability capabilityOf(uint32_t formats, bool stereo) {
  Capability c;
  for (const RateBits& r : kRates) {
    uint32_t b16 = stereo ? r.stereo16 : r.mono16;
    uint32_t b8 = stereo ? r.stereo8 : r.mono8;
    if (formats & b16) c.has16 = true;
    if ((formats & (b16 | b8)) && c.rate[0] == '?') c.rate = r.text;
  }
  return c;
}

bool sameTextNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

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

DeviceStatus describeWaveOut(const WaveOutCaps& caps, int32_t meterFix) {
  DeviceStatus st;
  if (!caps.queried) {
    st.deviceText = " No Waveform device installed";
    st.capabilityText = " Cannot Play waveforms";
  } else {
    st.deviceText = " " + caps.productName + " Installed";
    constexpr uint32_t kStereoBits = 0x2 | 0x8 | 0x20 | 0x80 | 0x200 | 0x800;
    bool stereo = (caps.formats & kStereoBits) != 0 || caps.channels >= 2;
    Capability main = capabilityOf(caps.formats, stereo);
    std::string t = stereo ? " Stereo " : " Mono ";
    t += main.has16 ? "16-bit " : "8-bit ";
    t += main.rate;
    if (stereo) {
      Capability mono = capabilityOf(caps.formats, false);
      if (mono.has16 != main.has16 || std::string(mono.rate) != main.rate) {
        t += "/ Mono ";
        t += mono.has16 ? "16-bit " : "8-bit ";
        t += mono.rate;
      }
    }
    st.capabilityText = t + "capability";
    if (caps.productName.compare(0, 2, "SB") == 0) st.quirkFlag = 1;
  }
  if (meterFix) st.quirkFlag = 2;
  return st;
}

int chooseDeviceByName(const std::vector<std::string>& productNames, const std::string& wanted) {
  if (wanted.empty()) return 0;
  for (size_t i = 0; i < productNames.size(); ++i) {
    if (sameTextNoCase(productNames[i], wanted)) return static_cast<int>(i);
  }
  return 0;
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
