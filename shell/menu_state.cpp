// The menu-state rules (see menu_state.h): which commands are greyed in which state, the check marks,
// the zoom buttons, the edit-channel transitions and the keyboard decisions.
#include "shell/menu_state.h"

#include <cctype>
#include <cstdio>
#include <initializer_list>

#include "display/view_model.h"
#include "resources/command_ids.h"

namespace shell {

static_assert(kViewModeFlagsMask ==
                  (display::WDF_WAVEFORM | display::WDF_SPECTRAL | display::WDF_GRID | display::WDF_BOUNDARY),
              "the display-mode bits");

namespace {

// Commands whose state the refresh sets from the rules. Delete (2200) is greyed by the rules too, so it
// is refreshed with them.
constexpr int kRuleCommands[] = {
    IDM_NEW,
    IDM_OPEN,
    IDM_SAVE_AS,
    IDM_EXIT,
    IDM_COPY,
    IDM_WINCLIP_COPY,
    IDM_CUT,
    IDM_PASTE,
    IDM_LOOP_MODE,
    IDM_REVERSE,
    IDM_MIX_PASTE,
    IDM_MONITOR_VU,
    IDM_INFO,
    IDM_SAVE,
    IDM_SILENCE,
    IDM_GENERATE_SILENCE,
    IDM_MUSIC,
    IDM_TRIM,
    IDM_CD_PLAYER,
    IDM_TOOLBAR_SAVE,
    IDM_CUE_LIST,
    IDM_PLAY_LIST,
    IDM_INVERT,
    IDM_REOPEN,
    IDM_UNDO,
    IDM_CLOSE,
    IDM_EDIT_LEFT,
    IDM_EDIT_RIGHT,
    IDM_VIEW_TOGGLE,
    IDM_VIEWING_RANGE,
    IDM_ADJUST_RATE,
    IDM_BYTE_SWAP,
    IDM_FREQ_ANALYSIS,
    IDM_SAVE_SELECTION,
    IDM_SELECT_ALL,
    IDM_OPEN_AS,
    IDM_CONVERT,
    IDM_OPEN_APPEND,
    IDM_REPEAT_LAST,
    IDM_ZERO_CROSS,
    IDM_EDIT_LEFT_ONLY,
    IDM_EDIT_RIGHT_ONLY,
    IDM_EDIT_BOTH,
    IDM_FLUSH_VFILE,
    IDM_QUICK_SAVE,
    IDM_WINCLIP_PASTE,
    IDM_DELETE,
};

// The other menu items: enabled when they have a handler, apart from the view-mode rules below.
constexpr int kOtherCommands[] = {
    IDM_NEW_INSTANCE,  IDM_ENABLE_UNDO,    IDM_SHOW_GRID,         IDM_SHOW_BOUNDARIES,  IDM_VIEW_WAVEFORM,
    IDM_VIEW_SPECTRAL, IDM_TIME_DECIMAL,   IDM_TIME_FRAMES,       IDM_TIME_SAMPLES,     IDM_TIME_SMPTE_DROP,
    IDM_DEFINE_CUSTOM, IDM_VSCALE_SAMPLES, IDM_VSCALE_NORMALIZED, IDM_VSCALE_PERCENT,   IDM_VSCALE_HZ,
    IDM_SCRIPTS,       IDM_SETTINGS,       IDM_SELECT_DEVICE,     IDM_TOOLBAR_SETTINGS, IDM_HELP_CONTENTS,
    IDM_HELP_QUICKREF, IDM_HELP_FEATURES,
};

class Builder {
 public:
  explicit Builder(const MenuFacts& f) : f_(f) {}

  void add(int id) {
    MenuItemState& s = state_.items[id];
    s.enabled = !f_.hasHandler || f_.hasHandler(id);
  }
  void grey(std::initializer_list<int> ids) {
    for (int id : ids) grey(id);
  }
  void grey(int id) {
    auto it = state_.items.find(id);
    if (it != state_.items.end()) it->second.enabled = false;
  }
  void check(int id, bool on) {
    auto it = state_.items.find(id);
    if (it != state_.items.end()) it->second.checked = on;
  }
  MenuState& state() { return state_; }

 private:
  const MenuFacts& f_;
  MenuState state_;
};

void addTransforms(const MenuFacts& f, bool busy, bool oneChannel, Builder* b) {
  for (size_t i = 0; i < f.transforms.size(); ++i) {
    const MenuFacts::Transform& t = f.transforms[i];
    const int id = IDM_TRANSFORM_FIRST + int(i);
    if (id >= IDM_TOOLBAR_PRESS) break;
    b->add(id);
    const bool noDocument = !f.hasDocument && !t.generator;
    const bool noSelection = t.needsSelection && !f.hasSelection;
    const bool noSamples = t.needsSamples && !t.generator && f.length == 0;
    const bool channel = oneChannel && !t.oneChannelOk;
    const bool noStore = t.generator && !f.storeAvailable;
    if (busy || noDocument || noSelection || noSamples || channel || noStore || !t.allowed) b->grey(id);
  }
}

void applyChecks(const MenuFacts& f, int editChannel, Builder* b) {
  b->check(IDM_ENABLE_UNDO, f.undoOn);
  b->check(IDM_LOOP_MODE, f.loopMode);
  b->check(IDM_CD_PLAYER, f.cdBarShown);
  b->check(IDM_MONITOR_VU, f.monitoring);
  b->check(IDM_SHOW_GRID, f.grid);
  b->check(IDM_SHOW_BOUNDARIES, f.boundaries);
  b->check(IDM_VIEW_WAVEFORM, !f.spectralView);
  b->check(IDM_VIEW_SPECTRAL, f.spectralView);
  // The time-format commands 351..354 choose formats 0, 2, 1, 3.
  const int formatOf[4] = {0, 2, 1, 3};
  for (int i = 0; i < 4; ++i) b->check(IDM_TIME_DECIMAL + i, f.timeFormat == formatOf[i]);
  for (int i = 0; i < 3; ++i) b->check(IDM_VSCALE_SAMPLES + i, !f.spectralView && f.verticalScale == i);
  b->check(IDM_VSCALE_HZ, f.spectralView);
  b->check(IDM_EDIT_LEFT, editChannel != 2);
  b->check(IDM_EDIT_RIGHT, editChannel != 1);
  if (f.spectralView) {
    b->grey(
        {IDM_SHOW_GRID, IDM_SHOW_BOUNDARIES, IDM_VSCALE_SAMPLES, IDM_VSCALE_NORMALIZED, IDM_VSCALE_PERCENT});
  } else {
    b->grey(IDM_VSCALE_HZ);
  }
}

}  // namespace

bool MenuState::enabled(int id) const {
  auto it = items.find(id);
  return it != items.end() && it->second.enabled;
}

bool MenuState::checked(int id) const {
  auto it = items.find(id);
  return it != items.end() && it->second.checked;
}

namespace {

// The greying rules: what playing or recording, a missing document, selection, filter, clipboard wave, named
// file, changes, store or second channel rule out. Each rule greys its list; an item stays usable only when
// no rule greys it.
void applyGreyRules(const MenuFacts& f, int recent, bool stereo, bool oneChannel, bool busy, Builder* bp) {
  Builder& b = *bp;
  if (f.recording)
    b.grey({IDM_SAVE_AS, IDM_OPEN_APPEND, IDM_TOOLBAR_SAVE, IDM_SAVE, IDM_FREQ_ANALYSIS, IDM_SELECT_ALL,
            IDM_ZERO_CROSS});
  if (f.playing || f.recording) b.grey(IDM_VIEW_TOGGLE);
  if (busy) {
    b.grey({IDM_NEW,       IDM_OPEN,          IDM_CONVERT,   IDM_OPEN_AS, IDM_CLOSE,
            IDM_REOPEN,    IDM_ADJUST_RATE,   IDM_UNDO,      IDM_CUT,     IDM_PASTE,
            IDM_MIX_PASTE, IDM_WINCLIP_PASTE, IDM_DELETE,    IDM_TRIM,    IDM_GENERATE_SILENCE,
            IDM_MUSIC,     IDM_REVERSE,       IDM_BYTE_SWAP, IDM_INVERT,  IDM_SILENCE});
    // A recent file closes the document and opens another, as Open does.
    for (int i = 0; i < recent; ++i) b.grey(IDM_RECENT_FIRST + i);
  }
  if (!f.hasDocument) {
    b.grey({IDM_CONVERT,
            IDM_SAVE_AS,
            IDM_OPEN_APPEND,
            IDM_SAVE,
            IDM_CLOSE,
            IDM_TOOLBAR_SAVE,
            IDM_INFO,
            IDM_ADJUST_RATE,
            IDM_REOPEN,
            IDM_SAVE_SELECTION,
            IDM_COPY,
            IDM_WINCLIP_COPY,
            IDM_CUT,
            IDM_SILENCE,
            IDM_VIEW_TOGGLE,
            IDM_BYTE_SWAP,
            IDM_VIEWING_RANGE,
            IDM_EDIT_LEFT,
            IDM_EDIT_RIGHT,
            IDM_EDIT_BOTH,
            IDM_EDIT_LEFT_ONLY,
            IDM_EDIT_RIGHT_ONLY,
            IDM_DELETE,
            IDM_TRIM,
            IDM_MUSIC,
            IDM_REVERSE,
            IDM_SELECT_ALL,
            IDM_ZERO_CROSS,
            IDM_INVERT});
  }
  if (!f.hasSelection) b.grey({IDM_SAVE_SELECTION, IDM_MUSIC, IDM_DELETE, IDM_TRIM, IDM_SILENCE});
  if (f.length == 0)
    b.grey({IDM_SELECT_ALL, IDM_ZERO_CROSS, IDM_CUT, IDM_COPY, IDM_WINCLIP_COPY, IDM_REVERSE, IDM_INVERT});
  if (f.analysisOpen) b.grey(IDM_FREQ_ANALYSIS);
  if (f.cueListOpen) b.grey(IDM_CUE_LIST);
  if (f.playListOpen) b.grey(IDM_PLAY_LIST);
  if (!f.fileFilterKnown)
    b.grey({IDM_SAVE_SELECTION, IDM_SAVE, IDM_OPEN_APPEND, IDM_OPEN, IDM_REOPEN, IDM_SAVE_AS, IDM_OPEN_AS});
  if (!f.windowsClipboardHasWave) {
    b.grey(IDM_WINCLIP_PASTE);
    if (!f.internalClipboardPresent) b.grey(IDM_PASTE);
  }
  if (oneChannel) b.grey({IDM_CONVERT, IDM_TRIM, IDM_GENERATE_SILENCE, IDM_MUSIC, IDM_BYTE_SWAP});
  if (!f.named) b.grey({IDM_SAVE, IDM_REOPEN});
  if (!f.sampleChanges) {
    b.grey(IDM_QUICK_SAVE);
    if (!f.formatChanges) b.grey(IDM_SAVE);
  }
  if (!f.quickSavable) b.grey({IDM_FLUSH_VFILE, IDM_QUICK_SAVE});
  if (!f.undoOn || !f.undoAvailable) b.grey(IDM_UNDO);
  if (!stereo)
    b.grey({IDM_EDIT_LEFT, IDM_EDIT_RIGHT, IDM_EDIT_BOTH, IDM_EDIT_LEFT_ONLY, IDM_EDIT_RIGHT_ONLY});
  // Without the store nothing can hold samples: no command that makes or opens a document.
  if (!f.storeAvailable) {
    b.grey({IDM_NEW, IDM_OPEN, IDM_OPEN_AS, IDM_OPEN_APPEND, IDM_REOPEN, IDM_PASTE, IDM_WINCLIP_PASTE,
            IDM_MIX_PASTE, IDM_GENERATE_SILENCE});
    for (int i = 0; i < recent; ++i) b.grey(IDM_RECENT_FIRST + i);
  }
}

// Repeat follows the command it would repeat.
void applyRepeatRule(const MenuFacts& f, Builder* bp) {
  Builder& b = *bp;
  const int last = f.lastCommand;
  bool lastEnabled = false;
  if (last > 0 && last != IDM_REPEAT_LAST && last != IDM_REPEAT_NO_DIALOG) {
    auto it = b.state().items.find(last);
    lastEnabled = it != b.state().items.end() ? it->second.enabled : (!f.hasHandler || f.hasHandler(last));
  }
  if (!lastEnabled) b.grey(IDM_REPEAT_LAST);
}

}  // namespace

MenuState ComputeMenuState(const MenuFacts& f) {
  Builder b(f);
  for (int id : kRuleCommands) b.add(id);
  for (int id : kOtherCommands) b.add(id);
  const int recent = f.recentCount < 0 ? 0 : f.recentCount > 21 ? 21 : f.recentCount;
  for (int i = 0; i < recent; ++i) b.add(IDM_RECENT_FIRST + i);

  const bool stereo = f.channels == 2;
  const int editChannel = stereo && f.editChannel >= 0 && f.editChannel <= 2 ? f.editChannel : 0;
  const bool oneChannel = editChannel != 0;
  const bool busy = f.playing || f.recording || f.previewing;

  applyGreyRules(f, recent, stereo, oneChannel, busy, &b);
  addTransforms(f, busy, oneChannel, &b);

  applyRepeatRule(f, &b);
  applyChecks(f, editChannel, &b);
  MenuState& s = b.state();
  s.undoText = f.undoText;
  char text[64];
  std::snprintf(text, sizeof text, "Custom (%d frames/sec)", f.timeCodeFrames);
  s.customFramesText = text;
  s.forceBothChannels = !stereo && f.editChannel != 0;
  return s;
}

ZoomButtons ComputeZoomButtons(const ZoomFacts& f) {
  ZoomButtons z;
  if (!f.hasSamples) return z;
  z.zoom = true;
  z.in = f.last - f.first + 1 > 3;
  z.out = !f.wholeVisible;
  z.full = !(f.wholeVisible && f.verticalFull);
  return z;
}

int ToggleLeftChannel(int c) {
  // both -> right only, left only -> left only, right only -> both
  return c >= 0 && c <= 2 ? 2 - c : 0;
}

int ToggleRightChannel(int c) {
  // both -> left only, left only -> both, right only -> right only
  switch (c) {
    case 0:
      return 1;
    case 1:
      return 0;
    case 2:
      return 2;
    default:
      return 0;
  }
}

uint32_t DisplayFlagsForEditChannel(int c) {
  return c == 1 ? 0x200u : c == 2 ? 0x100u : 0u;
}

int EditChannelFromDisplayFlags(uint32_t flags) {
  return (flags & 0x100u) ? 2 : (flags & 0x200u) ? 1 : 0;
}

uint32_t ViewModeFlags(int command, uint32_t flags) {
  constexpr uint32_t kWaveform = display::WDF_WAVEFORM, kSpectral = display::WDF_SPECTRAL;
  const uint32_t modes = flags & ~(kWaveform | kSpectral);
  switch (command) {
    case IDM_VIEW_WAVEFORM:
      return modes | kWaveform;
    case IDM_VIEW_SPECTRAL:
      return modes | kSpectral;
    case IDM_VIEW_TOGGLE:
      return modes | ((flags & kSpectral) ? kWaveform : kSpectral);
    case IDM_SHOW_GRID:
      return flags ^ display::WDF_GRID;
    case IDM_SHOW_BOUNDARIES:
      return flags ^ display::WDF_BOUNDARY;
    default:
      return flags;
  }
}

int TimeFormatForCommand(int command) {
  static const int formats[4] = {0, 2, 1, 3};
  return command >= IDM_TIME_DECIMAL && command <= IDM_TIME_SMPTE_DROP ? formats[command - IDM_TIME_DECIMAL]
                                                                       : -1;
}

int VerticalScaleAfter(int command, int timeModeV) {
  if (timeModeV & kTimeModeVSpectral) return timeModeV;
  if (command < IDM_VSCALE_SAMPLES || command > IDM_VSCALE_PERCENT) return timeModeV;
  return (timeModeV & ~0x0F) | (command - IDM_VSCALE_SAMPLES);
}

int TimeModeVForView(int timeModeV, bool spectral) {
  return spectral ? timeModeV | kTimeModeVSpectral : timeModeV & ~kTimeModeVSpectral;
}

namespace {
int32_t frameAt(double x, uint32_t length) {
  if (!(x > 0)) return 0;
  if (x >= double(length - 1)) return int32_t(length - 1);
  return int32_t(x);
}
}  // namespace

bool SelectVisibleRange(double first, double last, uint32_t length, int32_t* start, int32_t* end) {
  if (length == 0 || length > 0x7FFFFFFFu) return false;
  *start = frameAt(first, length);
  *end = frameAt(last, length);
  if (*end < *start) *end = *start;
  return true;
}

bool CursorAtViewStart(double first, uint32_t length, int32_t* start, int32_t* end) {
  if (length == 0 || length > 0x7FFFFFFFu) return false;
  *start = frameAt(first, length);
  *end = *start - 1;
  return true;
}

int SpaceKeyCommand(bool playing, bool recording, bool monitoring, bool autoRepeat) {
  if (autoRepeat || monitoring) return 0;
  if (playing) return IDM_STOP;
  if (recording) return IDM_PAUSE;
  return IDM_PLAY;
}

int FindHotKeyCue(const std::vector<std::string>& labels, unsigned vk) {
  const bool letter = vk >= 'A' && vk <= 'Z';
  const bool digit = vk >= '0' && vk <= '9';
  if (!letter && !digit) return -1;
  for (size_t i = 0; i < labels.size(); ++i) {
    const std::string& l = labels[i];
    if (l.size() < 5) continue;
    if (std::toupper(static_cast<unsigned char>(l[0])) != 'K' ||
        std::toupper(static_cast<unsigned char>(l[1])) != 'E' ||
        std::toupper(static_cast<unsigned char>(l[2])) != 'Y')
      continue;
    if (static_cast<unsigned char>(l[4]) == vk) return int(i);
  }
  return -1;
}

bool KeyDownGuard::enter() {
  if (busy_) return false;
  busy_ = true;
  return true;
}

}  // namespace shell
