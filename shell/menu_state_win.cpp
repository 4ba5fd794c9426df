// The main window's menu and zoom-button states, its edit-channel commands and its keys. The facts are
// gathered here from the current document, the display, the undo store, the clipboards and the hooks;
// the rules are the portable ComputeMenuState / ComputeZoomButtons (menu_state.h).
// clang-format off
#include "platform/win32.h"  // before the other system headers
#include "storage/store.h"
#include "storage/undo_store.h"
#include "storage/vfile.h"
// clang-format on

#include <string>
#include <vector>

#include "analysis/analysis_window.h"
#include "display/view_commands.h"
#include "display/wavedisp_win.h"
#include "document/document_io.h"
#include "document/wave_document.h"
#include "formats/filter_host.h"
#include "markers/windows/marker_windows.h"
#include "resources/command_ids.h"
#include "shell/app_state.h"
#include "shell/document_support.h"
#include "shell/main_controls.h"
#include "shell/menu_state.h"
#include "shell/subsystems_win.h"
#include "shell/toolbar_win.h"
#include "shell/window_commands.h"
#include "ui/dispatch.h"
#include "ui/message_box.h"
#include "ui/settings_source.h"
#include "xfmhost/xfm_host.h"

namespace shell {
namespace {

HWND mainWindow() {
  return static_cast<HWND>(app().mainWindow);
}
HWND displayWindow() {
  return static_cast<HWND>(currentDisplay());
}

bool internalClipboardPresent() {
  ui::ProfileSettingsSource ini(app().settingsFile);
  std::string path = ini.getString("Recent", "Clipboard", "", MAX_PATH);
  if (path.empty()) return false;
  DWORD attr = GetFileAttributesA(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool isNamed(const document::WaveDocument* doc) {
  if (doc->name().empty()) return false;
  return lstrcmpiA(document::FilePart(doc->name()).c_str(), document::kUntitled) != 0;
}

bool quickSavable(document::WaveDocument* doc) {
  return isNamed(doc) && doc->formatChanges() == 0 && !(doc->flags() & document::kDocLengthChanged) &&
         doc->file() && storage::HfCanQuickSave(doc->file(), doc->name());
}

int recentItemCount(HMENU menu) {
  int n = 0;
  while (n <= IDM_RECENT_LAST - IDM_RECENT_FIRST &&
         GetMenuState(menu, UINT(IDM_RECENT_FIRST + n), MF_BYCOMMAND) != UINT(-1))
    ++n;
  return n;
}

void gatherDocument(MenuFacts* f) {
  document::WaveDocument* doc = currentDocument();
  HWND d = displayWindow();
  const display::WaveView* v = d ? display::WaveDispModel(d) : nullptr;
  if (d) {
    const uint32_t flags = display::WaveDispGetFlags(d);
    f->spectralView = (flags & display::WDF_SPECTRAL) != 0;
    f->grid = (flags & display::WDF_GRID) != 0;
    f->boundaries = (flags & display::WDF_BOUNDARY) != 0;
    f->editChannel = EditChannelFromDisplayFlags(flags);
  }
  if (!doc || !doc->file()) return;
  f->hasDocument = true;
  f->length = doc->lengthFrames();
  f->channels = doc->channels();
  f->hasSelection = v && v->selStart() >= 0 && v->selEnd() >= v->selStart();
  f->named = isNamed(doc);
  f->sampleChanges = doc->sampleChanges() != 0;
  f->formatChanges = doc->formatChanges() != 0;
  f->quickSavable = quickSavable(doc);
}

MenuFacts gatherFacts(HMENU menu) {
  MenuFacts f;
  const Settings& s = app().settings;
  f.spectralView = s.spectralView;
  gatherDocument(&f);
  document::WaveDocument* doc = currentDocument();
  bool undoReady = false;
  f.undoText = storage::UndoMenuText(doc ? doc->undo() : nullptr, &undoReady);
  f.undoAvailable = undoReady;
  f.undoOn = storage::UndoEnabled();
  f.lastCommand = storage::UndoLastCommand();
  f.windowsClipboardHasWave = IsClipboardFormatAvailable(CF_WAVE) != 0;
  f.internalClipboardPresent = internalClipboardPresent();
  TransportState t = transportStateSource() ? transportStateSource()() : TransportState();
  f.playing = t.playing;
  f.recording = t.recording;
  f.previewing = t.previewing;
  f.monitoring = t.monitoring;
  f.loopMode = t.loopMode;
  f.cdBarShown = t.cdBarShown;
  f.analysisOpen = analysis::analysisWindow() != nullptr;
  f.cueListOpen = markers::cueListWindow() != nullptr;
  f.playListOpen = markers::playListWindow() != nullptr;
  f.fileFilterKnown = formats::filterHost().table.size() > 0;
  f.storeAvailable = app().storeAvailable;
  f.timeFormat = s.timeMode;
  f.verticalScale = s.timeModeV & 0x0F;  // bit 0x10 marks the spectral view
  f.timeCodeFrames = s.timeCodeFrames;
  f.recentCount = menu ? recentItemCount(menu) : 0;
  // What each transform needs, from its flags and format mask (the host's rules).
  xfmhost::MenuState hostState;
  hostState.audioBusy = f.playing || f.recording;
  hostState.waveOpen = f.hasDocument;
  hostState.waveFrames = f.length;
  hostState.waveChannels = uint16_t(f.hasDocument ? f.channels : 2);
  hostState.oneChannelSelected = f.hasDocument && f.channels == 2 && f.editChannel != 0;
  const xfmhost::TransformTable& table = xfmhost::transformTable();
  for (size_t i = 0; i < table.size() && IDM_TRANSFORM_FIRST + int(i) < IDM_TOOLBAR_PRESS; ++i) {
    const uint32_t flags = table.at(i).info.flags;
    MenuFacts::Transform t;
    t.generator = !(flags & XFM_TRANSFORM) && (flags & XFM_GENERATE);
    t.needsSamples = (flags & (XFM_TRANSFORM | XFM_ANALYZE | XFM_NEEDS_DATA)) != 0;
    t.oneChannelOk = !(flags & XFM_BOTH_CHANNELS);
    t.allowed = xfmhost::transformEnabled(i, hostState);
    f.transforms.push_back(t);
  }
  f.hasHandler = [](int id) { return ui::isCommandAvailable(id); };
  return f;
}

void setItemText(HMENU menu, int id, const std::string& text) {
  if (text.empty()) return;
  MENUITEMINFOA mi = {};
  mi.cbSize = sizeof mi;
  mi.fMask = MIIM_STRING;
  mi.dwTypeData = const_cast<char*>(text.c_str());
  SetMenuItemInfoA(menu, UINT(id), FALSE, &mi);
}

void applyMenuTo(HMENU menu, const MenuState& s) {
  setItemText(menu, IDM_UNDO, s.undoText);
  setItemText(menu, IDM_TIME_FRAMES, s.customFramesText);
  for (const auto& [id, item] : s.items) {
    if (GetMenuState(menu, UINT(id), MF_BYCOMMAND) == UINT(-1)) continue;
    EnableMenuItem(menu, UINT(id), MF_BYCOMMAND | (item.enabled ? MF_ENABLED : MF_GRAYED));
    CheckMenuItem(menu, UINT(id), MF_BYCOMMAND | (item.checked ? MF_CHECKED : MF_UNCHECKED));
  }
}

void refreshZoomButtons() {
  HWND main = mainWindow();
  if (!main) return;
  ZoomFacts z;
  document::WaveDocument* doc = currentDocument();
  HWND d = displayWindow();
  const display::WaveView* v = d ? display::WaveDispModel(d) : nullptr;
  if (doc && doc->lengthFrames() > 0 && v) {
    z.hasSamples = true;
    z.first = v->first();
    z.last = v->last();
    z.wholeVisible = !display::CanZoomOut(*v);
    double low = -1, high = 1;
    display::FullVerticalRange(*v, &low, &high);
    z.verticalFull = v->vLow() == low && v->vHigh() == high;
  }
  const ZoomButtons b = ComputeZoomButtons(z);
  const std::pair<int, bool> buttons[] = {
      {IDC_BTN_ZOOM, b.zoom}, {IDC_BTN_IN, b.in}, {IDC_BTN_OUT, b.out}, {IDC_BTN_FULL, b.full}};
  for (const auto& [id, on] : buttons)
    if (HWND w = GetDlgItem(main, id)) EnableWindow(w, on ? TRUE : FALSE);
}

void setEditChannel(int channel) {
  HWND d = displayWindow();
  document::WaveDocument* doc = currentDocument();
  if (!d || !doc) return;
  if (doc->channels() != 2) channel = 0;
  display::WaveDispSetFlags(d, DisplayFlagsForEditChannel(channel), display::WDF_CHANNEL_MASK);
}

int currentEditChannel() {
  HWND d = displayWindow();
  return d ? EditChannelFromDisplayFlags(display::WaveDispGetFlags(d)) : 0;
}

void refresh(HWND main) {
  if (!main) return;
  HMENU menu = GetMenu(main);
  MenuState s = ComputeMenuState(gatherFacts(menu));
  if (s.forceBothChannels) setEditChannel(0);
  if (menu) applyMenuTo(menu, s);
  ToolbarApplyMenuState(s);
  refreshZoomButtons();
  greyUnhandledButtons();
}

// The toolbar buttons and the zoom buttons from the current facts (the menu itself is set when opened).
void refreshToolbarStates() {
  HWND main = mainWindow();
  if (!main) return;
  MenuState s = ComputeMenuState(gatherFacts(GetMenu(main)));
  ToolbarApplyMenuState(s);
  greyUnhandledButtons();
}

// ---- keys -------------------------------------------------------------------------------------------------

KeyDownGuard& keyGuard() {
  static KeyDownGuard g;
  return g;
}

// A cue hot key: plays the range of the cue labelled "KEY" + the key (Stop first while playing).
bool hotKey(unsigned vk, const TransportState& t) {
  document::WaveDocument* doc = currentDocument();
  if (!doc) return false;
  const markers::MarkerSet& cues = doc->cues();
  std::vector<std::string> labels;
  for (uint32_t i = 0; i < cues.cueCount(); ++i) labels.push_back(cues.cueAt(i)->label);
  const int index = FindHotKeyCue(labels, vk);
  if (index < 0) return false;
  const markers::Cue* cue = cues.cueAt(uint32_t(index));
  if (!cue->isRange()) return true;
  if (t.playing) SendMessageA(mainWindow(), WM_COMMAND, IDM_STOP, 0);
  if (playRangeHandler()) playRangeHandler()(cue->position, cue->length);
  return true;
}

bool onKeyDown(unsigned vk, intptr_t lParam) {
  if (!keyGuard().enter()) {
    ui::debugOutput("Clash, already in wm_keydown!\n");
    return true;
  }
  const bool autoRepeat = (lParam & (1 << 30)) != 0;
  const TransportState t = transportStateSource() ? transportStateSource()() : TransportState();
  bool handled = false;
  if (vk == VK_SPACE) {
    const int command = SpaceKeyCommand(t.playing, t.recording, t.monitoring, autoRepeat);
    if (command) PostMessageA(mainWindow(), WM_COMMAND, WPARAM(command), 0);
    handled = true;
  } else if (!autoRepeat) {
    handled = hotKey(vk, t);
  }
  keyGuard().leave();
  return handled;
}

}  // namespace

bool& commandWithoutDialog() {
  static bool on = false;
  return on;
}

std::function<TransportState()>& transportStateSource() {
  static std::function<TransportState()> f;
  return f;
}

std::function<void()>& selectionReleasedHandler() {
  static std::function<void()> f;
  return f;
}

std::function<void(uint32_t, uint32_t)>& playRangeHandler() {
  static std::function<void(uint32_t, uint32_t)> f;
  return f;
}

std::function<void(uint32_t)>& playListHandler() {
  static std::function<void(uint32_t)> f;
  return f;
}

void refreshMenuStateNow() {
  refresh(mainWindow());
}

MenuState currentMenuState() {
  HWND main = mainWindow();
  return ComputeMenuState(gatherFacts(main ? GetMenu(main) : nullptr));
}

void applyMenuState(void* menu, const MenuState& state) {
  if (menu) applyMenuTo(static_cast<HMENU>(menu), state);
}

namespace menus {

void registerCommands() {
  registerWindowCommands();
}

bool onKeyDown(HWND, UINT, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (!shell::onKeyDown(unsigned(wParam), lParam)) return false;
  *result = 0;
  return true;
}

// The zoom buttons follow every change of view, selection and vertical range; letting go of the mouse
// after selecting may start a play of the selection.
bool onDisplayNotify(HWND, UINT, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (wParam != IDC_DISPLAY || !lParam) return false;
  const auto* n = reinterpret_cast<const display::WaveDispNmhdr*>(lParam);
  // The toolbar's Trim, Delete and Silence buttons follow the selection at once, not only when a menu is
  // next opened.
  switch (int(n->hdr.code)) {
    case display::WDN_SELCHANGED:
    case display::WDN_VIEWCHANGED:
    case display::WDN_LENGTHCHANGED:
    case display::WDN_FLAGSCHANGED:  // the edit channel
      refreshToolbarStates();
      break;
    default:
      break;
  }
  refreshZoomButtons();
  if (n->hdr.code == UINT(display::WDN_SELCHANGED) && !(n->flags & display::WDF_SELECTING) &&
      selectionReleasedHandler())
    selectionReleasedHandler()();
  *result = 0;
  return true;
}

}  // namespace menus

void registerChannelCommands() {
  ui::registerCommand(IDM_EDIT_LEFT,
                      [](int, intptr_t) { setEditChannel(ToggleLeftChannel(currentEditChannel())); });
  ui::registerCommand(IDM_EDIT_RIGHT,
                      [](int, intptr_t) { setEditChannel(ToggleRightChannel(currentEditChannel())); });
  for (int id : {IDM_EDIT_BOTH, IDM_EDIT_LEFT_ONLY, IDM_EDIT_RIGHT_ONLY})
    ui::registerCommand(id, [](int cmd, intptr_t) { setEditChannel(cmd - IDM_EDIT_BOTH); });
}

// F3: repeats the last command at once, without its dialog (Generate Silence and Mix Paste reuse their last
// values). Registered after the edit commands, so it takes the place of their plain repeat for 131.
namespace {
void repeatWithoutDialog() {
  const int32_t last = storage::UndoLastCommand();
  if (last <= 0 || last == IDM_REPEAT_LAST || last == IDM_REPEAT_NO_DIALOG || commandWithoutDialog()) return;
  commandWithoutDialog() = true;
  SendMessageA(mainWindow(), WM_COMMAND, WPARAM(last), 0);
  commandWithoutDialog() = false;
}
}  // namespace

// Ctrl+S and Esc: the selection from the view (the display then reports it, and the status follows).
namespace {
void registerSelectionCommands() {
  auto select = [](int id, intptr_t) {
    HWND d = displayWindow();
    document::WaveDocument* doc = currentDocument();
    const display::WaveView* v = d ? display::WaveDispModel(d) : nullptr;
    if (!v || !doc) return;
    int32_t start = 0, end = -1;
    const bool ok = id == IDM_SELECT_VISIBLE
                        ? SelectVisibleRange(v->first(), v->last(), doc->lengthFrames(), &start, &end)
                        : CursorAtViewStart(v->first(), doc->lengthFrames(), &start, &end);
    if (ok) display::WaveDispSetSelection(d, start, end);
  };
  ui::registerCommand(IDM_SELECT_VISIBLE, select);
  ui::registerCommand(IDM_CLEAR_SELECTION, select);
}
}  // namespace

// Help: the contents, and the topics "Console Controls" and "Features" of the help file.
namespace {
void registerHelpCommands() {
  ui::registerCommand(IDM_HELP_CONTENTS, [](int, intptr_t) {
    WinHelpA(mainWindow(), app().helpPath.c_str(), HELP_CONTENTS, 0);
  });
  auto topic = [](int id, intptr_t) {
    const char* key = id == IDM_HELP_QUICKREF ? "Console Controls" : "Features";
    WinHelpA(mainWindow(), app().helpPath.c_str(), HELP_KEY, reinterpret_cast<ULONG_PTR>(key));
  };
  ui::registerCommand(IDM_HELP_QUICKREF, topic);
  ui::registerCommand(IDM_HELP_FEATURES, topic);
}
}  // namespace

// The start-up warning about a missing temporary directory asks for the settings dialog on its System
// page. Until that dialog exists the command says where the directories are set instead.
namespace {
void registerSettingsWarningCommand() {
  ui::registerCommand(IDM_SETTINGS_STARTUP, [](int, intptr_t lParam) {
    const char* which = lParam == 1 ? "second (undo) temporary directory, [Settings] UndoTempDir"
                                    : "temporary directory, [Size] TempOverride";
    const std::string text = std::string("This version has no settings dialog. The ") + which +
                             ", is set in SORN.INI in the Windows directory; until it names an existing "
                             "directory the program uses the root of its drive.";
    ui::ShowMessageBox(text.c_str(), "Settings", ui::kMbOk | ui::kMbIconAsterisk);
  });
}
}  // namespace

void registerWindowCommands() {
  registerHelpCommands();
  registerSettingsWarningCommand();
  registerChannelCommands();
  registerSelectionCommands();
  registerViewModeCommands();
  registerViewingRangeCommand();
  registerGenerateSilenceCommand();
  registerMixPasteCommand();
  ui::registerCommand(IDM_REPEAT_NO_DIALOG, [](int, intptr_t) { repeatWithoutDialog(); });
}

}  // namespace shell
