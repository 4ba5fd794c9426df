// Menu-state rules: each row changes one fact of a busy editing session and names what must be greyed
// and what must stay enabled; plus check marks, Repeat, the zoom buttons, channels and keys.
#include "shell/menu_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "resources/command_ids.h"

namespace shell {
namespace {

// A named stereo file with a selection, changes, both clipboards, nothing playing.
MenuFacts editing() {
  MenuFacts f;
  f.hasDocument = true;
  f.length = 10000;
  f.hasSelection = true;
  f.channels = 2;
  f.named = true;
  f.sampleChanges = true;
  f.quickSavable = true;
  f.undoAvailable = true;
  f.undoText = "Undo Reverse";
  f.lastCommand = IDM_REVERSE;
  f.windowsClipboardHasWave = true;
  f.internalClipboardPresent = true;
  f.fileFilterKnown = true;
  f.recentCount = 3;
  f.transforms = {{false, true, true, true}, {true, false, false, false}};
  return f;
}

struct Row {
  const char* name;
  void (*change)(MenuFacts*);
  std::set<int> greyed;
  std::set<int> enabled;
};

const int kGen = IDM_TRANSFORM_FIRST + 1;  // the generator transform
const int kXfm = IDM_TRANSFORM_FIRST;      // the one that needs a selection

TEST(MenuState, BaseSessionHasEverythingWithAHandlerEnabled) {
  MenuState s = ComputeMenuState(editing());
  // All but "&Hz", which belongs to the spectral view.
  for (const auto& [id, item] : s.items) EXPECT_EQ(item.enabled, id != IDM_VSCALE_HZ) << id;
  EXPECT_EQ(s.undoText, "Undo Reverse");
  EXPECT_FALSE(s.forceBothChannels);
  for (int id : {IDM_RECENT_FIRST, IDM_RECENT_FIRST + 2, kXfm, kGen, IDM_DELETE})
    EXPECT_EQ(s.items.count(id), 1u) << id;
  EXPECT_EQ(s.items.count(IDM_RECENT_FIRST + 3), 0u);
}

TEST(MenuState, RulesTable) {
  const std::vector<Row> rows = {
      {"playing",
       [](MenuFacts* f) { f->playing = true; },
       {IDM_NEW,    IDM_OPEN,         IDM_CONVERT,          IDM_OPEN_AS,
        IDM_CLOSE,  IDM_REOPEN,       IDM_ADJUST_RATE,      IDM_UNDO,
        IDM_CUT,    IDM_PASTE,        IDM_MIX_PASTE,        IDM_WINCLIP_PASTE,
        IDM_DELETE, IDM_TRIM,         IDM_GENERATE_SILENCE, IDM_REVERSE,
        IDM_INVERT, IDM_SILENCE,      IDM_VIEW_TOGGLE,      kXfm,
        kGen,       IDM_RECENT_FIRST, IDM_RECENT_FIRST + 2},
       {IDM_SAVE_AS, IDM_SAVE, IDM_COPY, IDM_SELECT_ALL, IDM_ZERO_CROSS, IDM_FREQ_ANALYSIS, IDM_EXIT}},
      {"recording",
       [](MenuFacts* f) { f->recording = true; },
       {IDM_SAVE_AS, IDM_OPEN_APPEND, IDM_TOOLBAR_SAVE, IDM_SAVE, IDM_FREQ_ANALYSIS, IDM_SELECT_ALL,
        IDM_ZERO_CROSS, IDM_VIEW_TOGGLE, IDM_NEW, IDM_UNDO, IDM_RECENT_FIRST + 1, kGen},
       {IDM_COPY, IDM_INFO, IDM_EXIT}},
      {"previewing",
       [](MenuFacts* f) { f->previewing = true; },
       {IDM_NEW, IDM_OPEN, IDM_CUT, IDM_PASTE, kXfm, IDM_RECENT_FIRST},
       {IDM_VIEW_TOGGLE, IDM_SAVE, IDM_SELECT_ALL}},
      {"the host refuses the transform (its format mask)",
       [](MenuFacts* f) { f->transforms[0].allowed = false; },
       {kXfm},
       {kGen, IDM_REVERSE}},
      {"untitled",
       [](MenuFacts* f) { f->named = false; },
       {IDM_SAVE, IDM_REOPEN},
       {IDM_SAVE_AS, IDM_SAVE_SELECTION, IDM_QUICK_SAVE, IDM_CLOSE}},
      {"no clipboard",
       [](MenuFacts* f) { f->windowsClipboardHasWave = f->internalClipboardPresent = false; },
       {IDM_PASTE, IDM_WINCLIP_PASTE},
       {IDM_MIX_PASTE, IDM_COPY, IDM_CUT}},
      {"internal clipboard only",
       [](MenuFacts* f) { f->windowsClipboardHasWave = false; },
       {IDM_WINCLIP_PASTE},
       {IDM_PASTE, IDM_MIX_PASTE}},
      {"windows clipboard only",
       [](MenuFacts* f) { f->internalClipboardPresent = false; },
       {},
       {IDM_PASTE, IDM_WINCLIP_PASTE}},
      {"no document",
       [](MenuFacts* f) {
         f->hasDocument = false;
         f->length = 0;
         f->hasSelection = false;
         f->named = false;
         f->sampleChanges = false;
         f->quickSavable = false;
         f->undoAvailable = false;
       },
       {IDM_CONVERT,   IDM_SAVE_AS,        IDM_OPEN_APPEND, IDM_SAVE,
        IDM_CLOSE,     IDM_TOOLBAR_SAVE,   IDM_INFO,        IDM_ADJUST_RATE,
        IDM_REOPEN,    IDM_SAVE_SELECTION, IDM_COPY,        IDM_WINCLIP_COPY,
        IDM_CUT,       IDM_SILENCE,        IDM_VIEW_TOGGLE, IDM_VIEWING_RANGE,
        IDM_EDIT_LEFT, IDM_EDIT_RIGHT,     IDM_EDIT_BOTH,   IDM_DELETE,
        IDM_TRIM,      IDM_REVERSE,        IDM_SELECT_ALL,  IDM_ZERO_CROSS,
        IDM_INVERT,    IDM_UNDO,           IDM_QUICK_SAVE,  IDM_FLUSH_VFILE,
        kXfm},
       {IDM_NEW, IDM_OPEN, IDM_PASTE, IDM_MIX_PASTE, IDM_GENERATE_SILENCE, kGen, IDM_EXIT, IDM_RECENT_FIRST}},
      {"empty new document",
       [](MenuFacts* f) {
         f->length = 0;
         f->hasSelection = false;
       },
       {IDM_SELECT_ALL, IDM_ZERO_CROSS, IDM_CUT, IDM_COPY, IDM_WINCLIP_COPY, IDM_REVERSE, IDM_INVERT,
        IDM_DELETE, IDM_TRIM, IDM_SILENCE, IDM_SAVE_SELECTION, kXfm},
       {IDM_SAVE_AS, IDM_PASTE, IDM_GENERATE_SILENCE, kGen, IDM_CLOSE}},
      {"cursor only",
       [](MenuFacts* f) { f->hasSelection = false; },
       {IDM_SAVE_SELECTION, IDM_DELETE, IDM_TRIM, IDM_SILENCE, kXfm},
       {IDM_REVERSE, IDM_INVERT, IDM_COPY, IDM_CUT, IDM_GENERATE_SILENCE}},
      {"left channel edited",
       [](MenuFacts* f) { f->editChannel = 1; },
       {IDM_CONVERT, IDM_TRIM, IDM_GENERATE_SILENCE, kGen},
       {kXfm, IDM_DELETE, IDM_CUT, IDM_EDIT_LEFT, IDM_EDIT_BOTH}},
      {"mono",
       [](MenuFacts* f) { f->channels = 1; },
       {IDM_EDIT_LEFT, IDM_EDIT_RIGHT, IDM_EDIT_BOTH, IDM_EDIT_LEFT_ONLY, IDM_EDIT_RIGHT_ONLY},
       {IDM_TRIM, IDM_GENERATE_SILENCE}},
      {"mono with a stale edit channel",
       [](MenuFacts* f) {
         f->channels = 1;
         f->editChannel = 2;
       },
       {IDM_EDIT_LEFT},
       {IDM_TRIM, IDM_CONVERT, IDM_GENERATE_SILENCE, kGen}},
      {"no sample changes",
       [](MenuFacts* f) { f->sampleChanges = false; },
       {IDM_QUICK_SAVE, IDM_SAVE},
       {IDM_FLUSH_VFILE, IDM_SAVE_AS}},
      {"only format changes",
       [](MenuFacts* f) {
         f->sampleChanges = false;
         f->formatChanges = true;
       },
       {IDM_QUICK_SAVE},
       {IDM_SAVE}},
      {"not quick-savable",
       [](MenuFacts* f) { f->quickSavable = false; },
       {IDM_FLUSH_VFILE, IDM_QUICK_SAVE},
       {IDM_SAVE}},
      {"undo switched off", [](MenuFacts* f) { f->undoOn = false; }, {IDM_UNDO}, {IDM_ENABLE_UNDO}},
      {"nothing to undo", [](MenuFacts* f) { f->undoAvailable = false; }, {IDM_UNDO}, {IDM_REPEAT_LAST}},
      {"windows open",
       [](MenuFacts* f) { f->analysisOpen = f->cueListOpen = f->playListOpen = true; },
       {IDM_FREQ_ANALYSIS, IDM_CUE_LIST, IDM_PLAY_LIST},
       {IDM_INFO}},
      {"no file filter",
       [](MenuFacts* f) { f->fileFilterKnown = false; },
       {IDM_SAVE_SELECTION, IDM_SAVE, IDM_OPEN_APPEND, IDM_OPEN, IDM_REOPEN, IDM_SAVE_AS, IDM_OPEN_AS},
       {IDM_NEW, IDM_COPY, IDM_QUICK_SAVE}},
      {"store failed",
       [](MenuFacts* f) { f->storeAvailable = false; },
       {IDM_NEW, IDM_OPEN, IDM_PASTE, IDM_MIX_PASTE, IDM_GENERATE_SILENCE, IDM_RECENT_FIRST, kGen},
       {IDM_EXIT, IDM_SETTINGS}},
      {"handlers missing",
       [](MenuFacts* f) { f->hasHandler = [](int id) { return id != IDM_MUSIC && id != IDM_SETTINGS; }; },
       {IDM_MUSIC, IDM_SETTINGS},
       {IDM_NEW, IDM_REVERSE}},
      {"no last command", [](MenuFacts* f) { f->lastCommand = 0; }, {IDM_REPEAT_LAST}, {IDM_UNDO}},
      {"last command greyed",
       [](MenuFacts* f) {
         f->lastCommand = IDM_TRIM;
         f->hasSelection = false;
       },
       {IDM_REPEAT_LAST},
       {}},
      {"last command without a handler",
       [](MenuFacts* f) {
         f->lastCommand = IDM_ADJUST_RATE;
         f->hasHandler = [](int id) { return id != IDM_ADJUST_RATE; };
       },
       {IDM_REPEAT_LAST},
       {}},
      {"last command outside the menu",
       [](MenuFacts* f) { f->lastCommand = IDM_SAMPLE_ADJUST; },
       {},
       {IDM_REPEAT_LAST}},
      {"spectral view",
       [](MenuFacts* f) { f->spectralView = true; },
       {IDM_SHOW_GRID, IDM_SHOW_BOUNDARIES, IDM_VSCALE_SAMPLES, IDM_VSCALE_NORMALIZED, IDM_VSCALE_PERCENT},
       {IDM_VSCALE_HZ, IDM_VIEW_WAVEFORM}},
      {"waveform view", [](MenuFacts*) {}, {IDM_VSCALE_HZ}, {IDM_SHOW_GRID, IDM_VSCALE_PERCENT}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MenuFacts f = editing();
    row.change(&f);
    MenuState s = ComputeMenuState(f);
    for (int id : row.greyed) {
      EXPECT_EQ(s.items.count(id), 1u) << id;
      EXPECT_FALSE(s.enabled(id)) << id;
    }
    for (int id : row.enabled) EXPECT_TRUE(s.enabled(id)) << id;
  }
}

TEST(MenuState, CheckMarks) {
  MenuFacts f = editing();
  f.loopMode = f.cdBarShown = f.monitoring = f.grid = true;
  f.timeFormat = 2;  // custom frames: item 352
  f.verticalScale = 1;
  f.editChannel = 1;
  f.timeCodeFrames = 25;
  MenuState s = ComputeMenuState(f);
  for (int id : {IDM_ENABLE_UNDO, IDM_LOOP_MODE, IDM_CD_PLAYER, IDM_MONITOR_VU, IDM_SHOW_GRID,
                 IDM_VIEW_WAVEFORM, IDM_TIME_FRAMES, IDM_VSCALE_NORMALIZED, IDM_EDIT_LEFT})
    EXPECT_TRUE(s.checked(id)) << id;
  for (int id : {IDM_SHOW_BOUNDARIES, IDM_VIEW_SPECTRAL, IDM_TIME_DECIMAL, IDM_TIME_SAMPLES,
                 IDM_TIME_SMPTE_DROP, IDM_VSCALE_SAMPLES, IDM_VSCALE_HZ, IDM_EDIT_RIGHT})
    EXPECT_FALSE(s.checked(id)) << id;
  EXPECT_EQ(s.customFramesText, "Custom (25 frames/sec)");

  f.timeFormat = 1;  // samples: item 353
  f.spectralView = true;
  f.undoOn = false;
  f.editChannel = 0;
  s = ComputeMenuState(f);
  EXPECT_TRUE(s.checked(IDM_TIME_SAMPLES));
  EXPECT_FALSE(s.checked(IDM_TIME_FRAMES));
  EXPECT_TRUE(s.checked(IDM_VSCALE_HZ));
  EXPECT_FALSE(s.checked(IDM_VSCALE_NORMALIZED));
  EXPECT_FALSE(s.checked(IDM_ENABLE_UNDO));
  EXPECT_TRUE(s.checked(IDM_EDIT_LEFT) && s.checked(IDM_EDIT_RIGHT));
}

TEST(MenuState, MonoForcesBothChannels) {
  MenuFacts f = editing();
  f.channels = 1;
  f.editChannel = 1;
  EXPECT_TRUE(ComputeMenuState(f).forceBothChannels);
  f.editChannel = 0;
  EXPECT_FALSE(ComputeMenuState(f).forceBothChannels);
}

TEST(MenuState, RecentItemsAreBoundedAndTransformsStopBeforeThePressId) {
  MenuFacts f = editing();
  f.recentCount = 400;
  f.transforms.assign(1200, MenuFacts::Transform());
  MenuState s = ComputeMenuState(f);
  EXPECT_EQ(s.items.count(IDM_RECENT_LAST), 1u);
  EXPECT_EQ(s.items.count(IDM_RECENT_LAST + 1), 0u);
  EXPECT_EQ(s.items.count(IDM_TOOLBAR_PRESS - 1), 1u);
  EXPECT_EQ(s.items.count(IDM_TOOLBAR_PRESS), 0u);
}

TEST(ZoomButtons, Rules) {
  struct Case {
    ZoomFacts f;
    ZoomButtons want;
  };
  const Case cases[] = {
      {{false, 0, 99, false, false}, {false, false, false, false}},
      {{true, 0, 99, true, true}, {true, true, false, false}},   // whole wave, full range
      {{true, 0, 99, true, false}, {true, true, false, true}},   // whole wave, zoomed vertically
      {{true, 10, 13, false, true}, {true, true, true, true}},   // four samples in view
      {{true, 10, 12, false, true}, {true, false, true, true}},  // three
      {{true, 0, 2, true, true}, {true, false, false, false}},   // a three-sample wave
  };
  for (const Case& c : cases) {
    ZoomButtons z = ComputeZoomButtons(c.f);
    EXPECT_EQ(z.zoom, c.want.zoom);
    EXPECT_EQ(z.in, c.want.in) << c.f.first << ".." << c.f.last;
    EXPECT_EQ(z.out, c.want.out);
    EXPECT_EQ(z.full, c.want.full);
  }
}

TEST(EditChannel, Toggles) {
  // both, left only, right only
  const int left[3] = {2, 1, 0};
  const int right[3] = {1, 0, 2};
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(ToggleLeftChannel(c), left[c]) << c;
    EXPECT_EQ(ToggleRightChannel(c), right[c]) << c;
    EXPECT_EQ(EditChannelFromDisplayFlags(DisplayFlagsForEditChannel(c)), c);
  }
  EXPECT_EQ(DisplayFlagsForEditChannel(1), 0x200u);
  EXPECT_EQ(DisplayFlagsForEditChannel(2), 0x100u);
  EXPECT_EQ(EditChannelFromDisplayFlags(0x1 | 0x100), 2);
}

TEST(SelectionKeys, VisibleRangeAndCursor) {
  struct Case {
    double first, last;
    uint32_t length;
    bool ok;
    int32_t start, end;
  };
  const Case cases[] = {
      {100.0, 199.0, 1000, true, 100, 199},
      {100.7, 199.9, 1000, true, 100, 199},
      {-5.0, 50.0, 1000, true, 0, 50},
      {900.0, 1500.0, 1000, true, 900, 999},  // the view reaches past the end
      {0.0, 0.0, 1, true, 0, 0},
      {0.0, 10.0, 0, false, 0, 0},
      {std::nan(""), 10.0, 100, true, 0, 10},
  };
  for (const Case& c : cases) {
    int32_t start = -7, end = -7;
    ASSERT_EQ(SelectVisibleRange(c.first, c.last, c.length, &start, &end), c.ok) << c.first;
    if (!c.ok) continue;
    EXPECT_EQ(start, c.start) << c.first;
    EXPECT_EQ(end, c.end) << c.first;
    ASSERT_TRUE(CursorAtViewStart(c.first, c.length, &start, &end));
    EXPECT_EQ(start, c.start);
    EXPECT_EQ(end, c.start - 1);
  }
}

TEST(ViewMode, Commands) {
  // waveform 0x1, spectral 0x2, grid 0x8, boundaries 0x10; 0x20 and 0x300 are other flags that must stay.
  struct Case {
    int command;
    uint32_t before, after;
  };
  const Case cases[] = {
      {IDM_VIEW_SPECTRAL, 0x1 | 0x20 | 0x200, 0x2 | 0x20 | 0x200},
      {IDM_VIEW_WAVEFORM, 0x2 | 0x10, 0x1 | 0x10},
      {IDM_VIEW_WAVEFORM, 0x1, 0x1},
      {IDM_VIEW_TOGGLE, 0x1 | 0x8, 0x2 | 0x8},
      {IDM_VIEW_TOGGLE, 0x2 | 0x100, 0x1 | 0x100},
      {IDM_VIEW_TOGGLE, 0x0, 0x2},
      {IDM_SHOW_GRID, 0x1, 0x9},
      {IDM_SHOW_GRID, 0x9, 0x1},
      {IDM_SHOW_BOUNDARIES, 0x31, 0x21},
      {IDM_SHOW_BOUNDARIES, 0x21, 0x31},
      {IDM_COPY, 0x31, 0x31},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ViewModeFlags(c.command, c.before), c.after) << c.command << " " << c.before;
}

TEST(ViewMode, FormatsAndScales) {
  EXPECT_EQ(TimeFormatForCommand(IDM_TIME_DECIMAL), 0);
  EXPECT_EQ(TimeFormatForCommand(IDM_TIME_FRAMES), 2);
  EXPECT_EQ(TimeFormatForCommand(IDM_TIME_SAMPLES), 1);
  EXPECT_EQ(TimeFormatForCommand(IDM_TIME_SMPTE_DROP), 3);
  EXPECT_EQ(TimeFormatForCommand(IDM_DEFINE_CUSTOM), -1);
  EXPECT_EQ(VerticalScaleAfter(IDM_VSCALE_PERCENT, 0), 2);
  EXPECT_EQ(VerticalScaleAfter(IDM_VSCALE_SAMPLES, 2), 0);
  EXPECT_EQ(VerticalScaleAfter(IDM_VSCALE_NORMALIZED, 0x10), 0x10);  // ignored in spectral view
  EXPECT_EQ(VerticalScaleAfter(IDM_VSCALE_HZ, 1), 1);
  EXPECT_EQ(TimeModeVForView(2, true), 0x12);
  EXPECT_EQ(TimeModeVForView(0x12, false), 2);
  // The menu shows the scale without the spectral bit.
  MenuFacts f = editing();
  f.verticalScale = 0x12 & 0x0F;
  EXPECT_TRUE(ComputeMenuState(f).checked(IDM_VSCALE_PERCENT));
}

TEST(Keys, SpaceBar) {
  EXPECT_EQ(SpaceKeyCommand(false, false, false, false), IDM_PLAY);
  EXPECT_EQ(SpaceKeyCommand(true, false, false, false), IDM_STOP);
  EXPECT_EQ(SpaceKeyCommand(false, true, false, false), IDM_PAUSE);
  EXPECT_EQ(SpaceKeyCommand(false, false, true, false), 0);
  EXPECT_EQ(SpaceKeyCommand(true, false, false, true), 0);
}

TEST(Keys, HotKeyCues) {
  const std::vector<std::string> labels = {"KEY",   "KEYA",  "kEy 7", "Key A", "KEY B long",
                                           "KEY a", "KEZ C", "",      "KEY p"};
  EXPECT_EQ(FindHotKeyCue(labels, 'A'), 3);
  EXPECT_EQ(FindHotKeyCue(labels, '7'), 2);
  EXPECT_EQ(FindHotKeyCue(labels, 'B'), 4);
  EXPECT_EQ(FindHotKeyCue(labels, 'C'), -1);   // "KEZ"
  EXPECT_EQ(FindHotKeyCue(labels, 0x20), -1);  // the space bar is not a hot key
  EXPECT_EQ(FindHotKeyCue(labels, 0x70), -1);  // F1 has the code of 'p'
  EXPECT_EQ(FindHotKeyCue({}, 'A'), -1);
}

TEST(Keys, NestedKeyDownIsRefused) {
  KeyDownGuard g;
  EXPECT_TRUE(g.enter());
  EXPECT_FALSE(g.enter());
  EXPECT_TRUE(g.busy());
  g.leave();
  EXPECT_TRUE(g.enter());
}

}  // namespace
}  // namespace shell
