// The main menu's enable, grey and check states as a pure function of the program's state. The window
// side (menu_state_win.cpp) gathers the facts, calls ComputeMenuState and applies the result to the menu
// on WM_INITMENU; everything that decides is here, so it is tested natively.
//
// Also here: the zoom buttons' rules, the edit-channel transitions of the Left/Right Channel commands and
// the keyboard decisions of the main window (space bar and cue hot keys).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace shell {

// What the program is doing and what the current document looks like.
struct MenuFacts {
  // The document.
  bool hasDocument = false;  // a document with a sample file (New gives one of length 0)
  uint32_t length = 0;       // frames
  bool hasSelection = false;
  int channels = 1;
  int editChannel = 0;  // 0 both, 1 left only, 2 right only
  bool named = false;   // has a name other than "" or "Untitled"
  bool sampleChanges = false;
  bool formatChanges = false;
  bool quickSavable = false;  // blocks still mapped from the file, same length and format

  // Undo.
  bool undoOn = true;          // "Enable Undo" is checked
  bool undoAvailable = false;  // there is a level to undo
  std::string undoText = "Can't Undo";
  int lastCommand = 0;  // the command of the newest undo level; 0 none

  // Clipboards.
  bool windowsClipboardHasWave = false;
  bool internalClipboardPresent = false;

  // Devices and windows.
  bool playing = false, recording = false, previewing = false, monitoring = false;
  bool loopMode = false;
  bool cdBarShown = false;
  bool analysisOpen = false, cueListOpen = false, playListOpen = false;
  bool fileFilterKnown = false;
  bool storeAvailable = true;  // false after a hard failure of the store: nothing can hold samples

  // The display.
  bool spectralView = false;
  bool grid = false, boundaries = false;
  int timeFormat = 0;     // 0 decimal, 1 samples, 2 custom frames, 3 SMPTE drop
  int verticalScale = 0;  // 0 sample values, 1 normalized, 2 percent
  int timeCodeFrames = 30;

  int recentCount = 0;  // recent-file items 14000 .. 14000 + recentCount - 1

  // The transforms installed, in menu order (command 7000 + index).
  struct Transform {
    bool generator = false;       // works without a document
    bool needsSelection = false;  // needs a selection (not only a cursor)
    bool needsSamples = true;     // needs a document with frames
    bool oneChannelOk = true;     // can work on one channel of a stereo document
    bool allowed = true;          // the transform host's own rules (format mask, flags) allow it now
  };
  std::vector<Transform> transforms;

  // Whether a command has a handler; ids without one stay greyed. Empty: every id has one.
  std::function<bool(int id)> hasHandler;
};

struct MenuItemState {
  bool enabled = false;
  bool checked = false;
};

struct MenuState {
  std::map<int, MenuItemState> items;  // every menu command the refresh touches, recent files and transforms
  std::string undoText;                // the Undo item's text
  std::string customFramesText;        // item 352: "Custom (%d frames/sec)"
  bool forceBothChannels = false;      // a mono document: the edit channel becomes both
  bool enabled(int id) const;
  bool checked(int id) const;
};

MenuState ComputeMenuState(const MenuFacts& facts);

// The zoom buttons: all disabled without a document with samples; Zoom enabled; In while more than three
// samples are in view; Out while not all of the wave is in view; Full unless all of it is in view with the
// full vertical range.
struct ZoomFacts {
  bool hasSamples = false;
  double first = 0, last = -1;  // the visible samples
  bool wholeVisible = true;
  bool verticalFull = true;
};
struct ZoomButtons {
  bool zoom = false, in = false, out = false, full = false;
};
ZoomButtons ComputeZoomButtons(const ZoomFacts& facts);

// "&Left Channel" (1001) and "&Right Channel" (1002): the next edit channel (0 both, 1 left, 2 right).
int ToggleLeftChannel(int editChannel);
int ToggleRightChannel(int editChannel);
// The display's channel flags for an edit channel (mask 0x300): left only hides the right (0x200), right
// only hides the left (0x100); and back.
uint32_t DisplayFlagsForEditChannel(int editChannel);
int EditChannelFromDisplayFlags(uint32_t flags);

// The display flags after a display-mode command: 374 waveform, 375 spectral, 2211 the other of the two,
// 373 grid on/off, 376 boundaries on/off. Other flags stay; other commands change nothing.
constexpr uint32_t kViewModeFlagsMask = 0x1 | 0x2 | 0x8 | 0x10;  // waveform, spectral, grid, boundaries
uint32_t ViewModeFlags(int command, uint32_t flags);

// The View menu's formats. 351..354 choose time formats 0 (decimal), 2 (custom frames), 1 (samples) and 3
// (SMPTE drop) for lengths, positions and selection ends alike; -1 for other commands. 378..380 choose the
// vertical scale 0..2 (TimeModeV's low bits), ignored while bit 0x10 says the spectral view is on; the
// result is the new TimeModeV. TimeModeVForView keeps bit 0x10 in step with the view.
int TimeFormatForCommand(int command);
int VerticalScaleAfter(int command, int timeModeV);
int TimeModeVForView(int timeModeV, bool spectral);
constexpr int kTimeModeVSpectral = 0x10;

// Ctrl+S (253) selects the visible range, Esc (254) leaves only the cursor, at the view start. first and
// last are the display's visible samples; false when the wave has no frames.
bool SelectVisibleRange(double first, double last, uint32_t length, int32_t* start, int32_t* end);
bool CursorAtViewStart(double first, uint32_t length, int32_t* start, int32_t* end);

// The space bar: Stop (198) while playing, Pause (192) while recording, else Play (199); 0 while
// monitoring or for an auto-repeat.
int SpaceKeyCommand(bool playing, bool recording, bool monitoring, bool autoRepeat);

// A cue hot key: the first cue whose label begins with "KEY" (any case) and whose fifth character is the
// key (an upper-case letter or a digit). Index into labels, or -1.
int FindHotKeyCue(const std::vector<std::string>& labels, unsigned virtualKey);

// Catches a key-down handled while another is still being handled (a handler that pumps messages).
class KeyDownGuard {
 public:
  // False (and nothing is entered) while another key-down is in progress.
  bool enter();
  void leave() { busy_ = false; }
  bool busy() const { return busy_; }

 private:
  bool busy_ = false;
};

}  // namespace shell
