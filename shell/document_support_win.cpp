// Document support of the Windows program: starts the paged store and the undo store, scans the file
// filters, keeps the current document and shows it in the waveform display, and handles the file
// commands (Open, Save, Save As, Save Selection, Quick Save, Close, Flush, Re-Open, recent files, dropped
// files) and Undo. The commands' logic lives in document/document_io.h; this file supplies the
// windows: file dialogs, message boxes, the progress window, the title and the display.
#include "platform/win32.h"  // before the other system headers
#include "storage/store.h"
#include "storage/undo_store.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "audio/meter_win.h"
#include "display/document_source.h"
#include "display/main_layout.h"
#include "display/rulers_win.h"
#include "display/status_text.h"
#include "display/wavedisp_win.h"
#include "document/clipboard.h"
#include "document/document_io.h"
#include "document/edit_ops.h"
#include "document/sample_transfer.h"
#include "document/undo_command.h"
#include "formats/filter_host.h"
#include "xfmhost/progress_window.h"
#include "shell/app_state.h"
#include "resources/command_ids.h"
#include "ui/dispatch.h"
#include "shell/document_commands.h"
#include "shell/document_support.h"
#include "shell/open_dialog_win.h"
#include "xfmhost/xfm_host.h"
#include "formats/filter_reader.h"
#include "shell/main_controls.h"
#include "markers/windows/marker_windows.h"
#include "ui/message_box.h"
#include "shell/recent_files.h"
#include "ui/settings_source.h"
#include "shell/subsystems_win.h"
#include "shell/win_shell.h"
#include "shell/window_commands.h"

namespace shell {
namespace {

struct DocSupport {
  std::unique_ptr<document::WaveDocument> doc;
  std::unique_ptr<formats::FilterReader> reader;
  std::unique_ptr<display::DocumentDisplaySource> source;
  uint32_t sourceRate = 0;  // the rate the display source was made with
  document::DocumentHost host;
  xfmhost::WindowProgress progress;
  ui::ProfileSettingsSource ini;
  HWND display = nullptr;
  HWND timeRuler = nullptr;
  HWND valueRuler = nullptr;
  HWND status[6] = {};
};

// Child ids of the rulers and status fields (free ids below the command range).
constexpr int kTimeRulerId = 361;
constexpr int kValueRulerId = 362;
constexpr int kStatusFirstId = 370;
DocSupport& ds() {
  static DocSupport s;
  return s;
}

HWND mainWindow() { return static_cast<HWND>(app().mainWindow); }

// ---- the document host: the windows the document logic needs ------------------------------------------

std::string fileFilterList(std::vector<int>* indexes, bool writers) {
  std::string list;
  const formats::FilterTable& table = formats::filterHost().table;
  for (size_t i = 0; i < table.size(); ++i) {
    const FilterInfo& info = table.at(i).info;
    if (!(info.capabilities & (writers ? FLT_WRITE : FLT_READ))) continue;
    std::string ext = info.extension;
    list += std::string(info.name) + " (*." + ext + ")";
    list.push_back('\0');
    list += "*." + ext;
    list.push_back('\0');
    indexes->push_back(int(i));
  }
  list += "All Files (*.*)";
  list.push_back('\0');
  list += "*.*";
  list.push_back('\0');
  indexes->push_back(-1);
  return list;
}

bool saveDialog(const document::SaveDialogRequest& request, document::SaveDialogResult* result) {
  std::vector<int> indexes;
  std::string filters = fileFilterList(&indexes, true);
  char name[MAX_PATH] = {};
  lstrcpynA(name, request.name.c_str(), MAX_PATH);
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = mainWindow();
  ofn.lpstrFilter = filters.c_str();
  ofn.nFilterIndex = 1;
  for (size_t i = 0; i < indexes.size(); ++i)
    if (indexes[i] == request.filterIndex) ofn.nFilterIndex = DWORD(i + 1);
  ofn.lpstrFile = name;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrTitle = request.title.c_str();
  ofn.lpstrDefExt = "wav";
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_SHOWHELP;
  fileDialogHelpContext() = kHelpSaveDialog;
  const BOOL chosenName = GetSaveFileNameA(&ofn);
  fileDialogHelpContext() = 0;
  if (!chosenName) return false;
  result->name = name;
  int chosen = ofn.nFilterIndex >= 1 && ofn.nFilterIndex <= indexes.size() ? indexes[ofn.nFilterIndex - 1] : -1;
  result->filterIndex = chosen >= 0 ? chosen : request.filterIndex;
  result->filterOptions = request.filterOptions;
  return true;
}

}  // namespace

// The open dialog: a directory followed by names for several files, else one full path.
std::vector<std::string> showOpenDialog(const char* title) {
  std::vector<int> indexes;
  std::string filters = fileFilterList(&indexes, false);
  std::vector<char> buffer(32768, '\0');
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = mainWindow();
  ofn.lpstrFilter = filters.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = DWORD(buffer.size());
  ofn.lpstrTitle = title;
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_SHOWHELP;
  OpenDialogPanel panel(&ofn);
  fileDialogHelpContext() = kHelpOpenDialog;
  const BOOL chosen = GetOpenFileNameA(&ofn);
  fileDialogHelpContext() = 0;
  if (!chosen) return {};
  std::vector<std::string> list;
  for (const char* p = buffer.data(); *p; p += std::strlen(p) + 1) list.emplace_back(p);
  return list;
}

namespace {

void addRecent(const std::string& path) {
  std::vector<std::string> names = readRecentFiles(ds().ini);
  const int previous = int(names.size());
  addRecentFile(&names, path);
  writeRecentFiles(ds().ini, names, previous);
  if (mainWindow()) buildRecentFilesMenu(mainWindow());
}

void setupHost() {
  document::DocumentHost& h = ds().host;
  h.ask = [](const std::string& text, const std::string& caption, unsigned flags) {
    return ui::ShowMessageBox(text.c_str(), caption.c_str(), flags);
  };
  h.progressBegin = [](const std::string& title) { ds().progress.begin(title); };
  h.progressMeter = [](uint32_t done, uint32_t total) {
    return ds().progress.update(done, total) ? 0 : document::kDocStop;
  };
  h.progressEnd = [] { ds().progress.end(); };
  h.debug = [](const std::string& text) { ui::debugOutput(text.c_str()); };
  h.saveDialog = saveDialog;
  h.showTitle = [](const std::string& text) {
    if (mainWindow()) SetWindowTextA(mainWindow(), text.c_str());
  };
  h.titleInUse = [](const std::string& title) {
    HWND w = nullptr;
    while ((w = FindWindowExA(nullptr, w, kMainClassName, title.c_str())) != nullptr)
      if (w != mainWindow()) return true;
    return false;
  };
  h.addRecentFile = addRecent;
  h.rememberFilter = [](int32_t index) {
    const formats::FilterTable& table = formats::filterHost().table;
    if (index >= 0 && size_t(index) < table.size()) app().settings.fileFilter = table.at(size_t(index)).info.name;
  };
  const Settings& s = app().settings;
  h.settings.savePeakFiles = s.savePeakFiles != 0;
  h.settings.autoFillInfo = s.autoFillInfo != 0;
  h.settings.useOldStyleBoxes = s.useOldStyleBoxes;
  h.settings.peakBlockSize = uint32_t(s.peakBlockSize > 0 ? s.peakBlockSize : 0);
  document::SetPeakBlockSize(h.settings.peakBlockSize);
}

// ---- the display ---------------------------------------------------------------------------------------

void refreshStatus();
void refreshRulers();

void showCues() {
  if (!ds().display) return;
  std::vector<display::CueMark> marks;
  if (document::WaveDocument* doc = ds().doc.get()) {
    for (uint32_t i = 0; i < doc->cues().cueCount(); ++i) {
      const markers::Cue* c = doc->cues().cueAt(i);
      marks.push_back({int32_t(c->position), int32_t(c->length), c->label});
    }
  }
  display::WaveDispSetCues(ds().display, std::move(marks));
  markers::refreshMarkerWindows();
}

void attach(const SampleRegion& region) {
  DocSupport& s = ds();
  document::WaveDocument* doc = s.doc.get();
  if (!s.display) return;
  if (!doc) {
    display::WaveDispAttach(s.display, nullptr);
    s.source.reset();
    setDocumentButtons(false);
    refreshRulers();
    refreshStatus();
    return;
  }
  s.source = std::make_unique<display::DocumentDisplaySource>(doc->samples(), doc->peaks(), doc->rate());
  s.sourceRate = doc->rate();
  display::WaveDispAttach(s.display, s.source.get());
  const uint32_t length = doc->lengthFrames();
  const uint32_t shown = doc->scannedLength() ? doc->scannedLength() : length;
  if (shown > 0) display::WaveDispSetView(s.display, 0, double(shown - 1));
  if (region.valid)
    display::WaveDispSetSelection(s.display, region.start, region.end);
  else
    display::WaveDispSetSelection(s.display, 0, -1);
  showCues();
  setDocumentButtons(true, doc->channels());
  refreshRulers();
  refreshStatus();
  SetWindowTextA(mainWindow(), document::MainWindowTitle(doc).c_str());
}

// After an edit or undo: the length, the changed columns and the cues.
void refreshDisplay() {
  DocSupport& s = ds();
  if (!s.display || !s.doc) return;
  if (s.source && s.sourceRate != s.doc->rate()) {
    // Adjust Sample Rate (or its Undo): the display's times follow the new rate; view and selection stay.
    const display::WaveView* v = display::WaveDispModel(s.display);
    const double first = v ? v->first() : 0, last = v ? v->last() : 0;
    const int32_t selStart = v ? int32_t(v->selStart()) : 0, selEnd = v ? int32_t(v->selEnd()) : -1;
    s.source = std::make_unique<display::DocumentDisplaySource>(s.doc->samples(), s.doc->peaks(), s.doc->rate());
    s.sourceRate = s.doc->rate();
    display::WaveDispAttach(s.display, s.source.get());
    display::WaveDispSetView(s.display, first, last);
    display::WaveDispSetSelection(s.display, selStart, selEnd);
    refreshRulers();
  }
  display::WaveDispSetLength(s.display, int32_t(s.doc->lengthFrames()), false);
  display::WaveDispRedrawRange(s.display, 0, -1, true);
  showCues();
  refreshStatus();
  SetWindowTextA(mainWindow(), document::MainWindowTitle(s.doc.get()).c_str());
}

// The status fields: format, length, size, selection begin, end and length in the chosen time formats.
void refreshStatus() {
  DocSupport& s = ds();
  const Settings& set = app().settings;
  display::StatusInput in;
  in.timeMode = set.timeMode;
  in.loTimeMode = set.loTimeMode;
  in.hiTimeMode = set.hiTimeMode;
  in.timeCodeFrames = set.timeCodeFrames;
  if (document::WaveDocument* doc = s.doc.get()) {
    in.hasDocument = true;
    in.rate = doc->rate();
    in.bits = doc->bits();
    in.channels = doc->channels();
    in.length = doc->lengthFrames();
    in.fileBytes = doc->file() ? storage::HfGetLength(doc->file()) : 0;
    if (const display::WaveView* v = s.display ? display::WaveDispModel(s.display) : nullptr) {
      in.selStart = v->selStart();
      in.selEnd = v->selEnd();
      // The whole samples in view, for the Time field of an empty selection.
      in.firstVisible = std::max<int64_t>(0, int64_t(std::ceil(v->first())));
      in.lastVisible = std::min<int64_t>(in.length - 1, int64_t(std::floor(v->last())));
    }
  }
  display::StatusTexts t = display::FormatStatus(in);
  const std::string* texts[6] = {&t.format, &t.length, &t.size, &t.beg, &t.end, &t.time};
  for (int i = 0; i < 6; ++i)
    if (s.status[i]) SetWindowTextA(s.status[i], texts[i]->c_str());
}

void refreshRulers() {
  if (ds().timeRuler) display::RulerRefresh(ds().timeRuler);
  if (ds().valueRuler) display::RulerRefresh(ds().valueRuler);
}

}  // namespace

void placeWaveArea(const display::MainLayout& l) {
  DocSupport& s = ds();
  auto place = [](HWND w, const display::PixelRect& r, bool visible) {
    if (!w) return;
    MoveWindow(w, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    ShowWindow(w, visible ? SW_SHOW : SW_HIDE);
  };
  place(s.display, l.display, l.visible);
  place(s.timeRuler, l.timeRuler, l.visible);
  place(s.valueRuler, l.valueRuler, l.visible);
  for (int i = 0; i < 6; ++i) place(s.status[i], l.status[i], l.visible);
  refreshRulers();
}

namespace {

// The display's notifications: whatever changed (length, view, selection, range), the rulers and the
// status fields follow.
intptr_t onDisplayNotify(const void* record) {
  const auto* n = static_cast<const display::WaveDispNmhdr*>(record);
  if (n->hdr.code == UINT(display::WDN_SAMPLEDRAGGED) && ds().doc) {
    // A drawn sample: 1 mono, 1|2 the upper (left) channel, 1|4 the lower (right) one.
    const int channel = (n->flags & 4) ? 2 : (n->flags & 2) ? 1 : 0;
    applyEditResult(document::AdjustSample(ds().doc.get(), uint32_t(n->extra), channel, n->a));
    return 0;
  }
  refreshRulers();
  refreshStatus();
  return 0;
}

void createChildren(HWND main) {
  DocSupport& s = ds();
  HINSTANCE inst = static_cast<HINSTANCE>(app().instance);
  s.display = display::WaveDispCreate(main, 0, 0, 100, 100);
  s.timeRuler = display::TimeRulerCreate(main, s.display, 0, 0, 100, kTimeRulerId);
  s.valueRuler = display::ValueRulerCreate(main, s.display, 0, 0, 100, kValueRulerId);
  const Settings& set = app().settings;
  if (s.timeRuler) display::TimeRulerSetMode(s.timeRuler, set.loTimeMode, 0, set.timeCodeFrames);
  for (int i = 0; i < 6; ++i) {
    s.status[i] = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, 0, 10, 10, main,
                                  reinterpret_cast<HMENU>(static_cast<intptr_t>(kStatusFirstId + i)), inst, nullptr);
    if (s.status[i] && mainWindowResources().font)
      SendMessageA(s.status[i], WM_SETFONT, reinterpret_cast<WPARAM>(mainWindowResources().font), FALSE);
  }
  createMainControls(main);
  layoutMainWindow();
  refreshStatus();
}

// ---- commands ------------------------------------------------------------------------------------------

bool closeCurrent(bool ask) {
  DocSupport& s = ds();
  if (!s.doc) return true;
  if (ask && !document::AskToSave(s.host, *s.reader, s.doc.get())) return false;
  if (s.display) display::WaveDispAttach(s.display, nullptr);
  s.source.reset();
  bool closed = document::CloseDocument(s.host, *s.reader, &s.doc, false);
  setDocumentButtons(s.doc != nullptr);
  markers::refreshMarkerWindows();
  refreshStatus();
  return closed;
}

void openList(const std::vector<std::string>& list, bool complete) {
  DocSupport& s = ds();
  if (list.empty()) return;
  if (!closeCurrent(true)) return;
  int error = 0;
  s.doc = document::OpenAsCurrent(s.host, *s.reader, document::ExpandFileList(list, complete), 0, &error);
  if (!s.doc) {
    ui::debugOutputf("open failed: error %d\n", error);
    SetWindowTextA(mainWindow(), app().productName.c_str());
  }
  attach(SampleRegion());
}

void onOpen() {
  if (ds().doc && !document::AskToSave(ds().host, *ds().reader, ds().doc.get())) return;
  std::vector<std::string> list = showOpenDialog("Open a Waveform");
  if (list.empty()) return;
  if (ds().doc) ds().doc->resetCounters();  // already asked
  openList(list, false);
}

void onSave(bool forceDialog, bool selection) {
  DocSupport& s = ds();
  if (!s.doc) return;
  document::SaveRequest r;
  r.forceDialog = forceDialog;
  r.askName = forceDialog && !selection;
  r.selectionOnly = selection;
  if (const display::WaveView* v = s.display ? display::WaveDispModel(s.display) : nullptr) {
    r.selStart = uint32_t(v->selStart());
    r.selEnd = uint32_t(v->selEnd());
    uint32_t flags = display::WaveDispGetFlags(s.display);
    r.editChannel = (flags & 0x200) ? 1 : (flags & 0x100) ? 2 : 0;
  }
  int st = document::SaveDocument(s.host, *s.reader, s.doc.get(), r);
  ui::debugOutputf("save: status %d\n", st);
}

void onUndo() {
  DocSupport& s = ds();
  if (!s.doc) return;
  document::UndoOutcome o = document::UndoCommand(s.doc.get(), xfmhost::transformChangesLength);
  if (!o.levels) return;
  refreshDisplay();
  if (s.display) display::WaveDispSetSelection(s.display, int32_t(o.selStart), int32_t(o.selEnd));
}

void onRecentFile(int n) {
  const std::vector<std::string> names = readRecentFiles(ds().ini);
  if (const std::string* name = recentFileForCommand(names, n)) openList({*name}, true);
}

// Dropped files: only the first name opens, as the current document (after the save question); the
// others are not joined to it.
void onDropFiles(void* hdrop) {
  HDROP drop = static_cast<HDROP>(hdrop);
  std::vector<std::string> list;
  char name[MAX_PATH];
  if (DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) > 0 && DragQueryFileA(drop, 0, name, MAX_PATH))
    list.emplace_back(name);
  DragFinish(drop);
  openList(list, true);
}

// Re-Open: the document's file again, through the filter it was read with, titled "Re-Loading <file>".
void onReopen() {
  DocSupport& s = ds();
  if (!s.doc || s.doc->name().empty()) return;
  const std::string name = s.doc->name();
  const DWORD attributes = GetFileAttributesA(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  const int32_t filter = s.doc->filterIndex();
  if (!closeCurrent(true)) return;
  int error = 0;
  s.doc = document::ReopenAsCurrent(s.host, *s.reader, name, filter, &error);
  if (!s.doc) {
    ui::debugOutputf("re-open failed: error %d\n", error);
    SetWindowTextA(mainWindow(), app().productName.c_str());
  }
  attach(SampleRegion());
}

void registerCommands() {
  ui::registerCommand(IDM_OPEN, [](int, intptr_t) { onOpen(); });
  ui::registerCommand(IDM_SAVE, [](int, intptr_t) { onSave(ds().doc && ds().doc->name().empty(), false); });
  ui::registerCommand(IDM_SAVE_AS, [](int, intptr_t) { onSave(true, false); });
  ui::registerCommand(IDM_TOOLBAR_SAVE, [](int, intptr_t) { onSave(app().settings.saveMode == 0, false); });
  ui::registerCommand(IDM_SAVE_SELECTION, [](int, intptr_t) { onSave(true, true); });
  ui::registerCommand(IDM_QUICK_SAVE, [](int, intptr_t) {
    if (ds().doc) document::QuickSaveDocument(ds().host, ds().doc.get());
    if (ds().doc) SetWindowTextA(mainWindow(), document::MainWindowTitle(ds().doc.get()).c_str());
  });
  ui::registerCommand(IDM_CLOSE, [](int, intptr_t) { closeCurrent(true); });
  ui::registerCommand(IDM_FLUSH_VFILE, [](int, intptr_t) {
    if (ds().doc) document::FlushDocument(ds().host, ds().doc.get());
  });
  ui::registerCommand(IDM_REOPEN, [](int, intptr_t) { onReopen(); });
  ui::registerCommand(IDM_UNDO, [](int, intptr_t) { onUndo(); });
  ui::registerCommand(IDM_ENABLE_UNDO, [](int, intptr_t) {
    app().settings.undo = !app().settings.undo;
    storage::UndoSetEnabled(app().settings.undo);
  });
  ui::commandTable().setRecentFileHandler(onRecentFile);
  // The view commands go to the display (zoom, vertical zoom, scrolling, paging, cursor keys).
  for (int id : {IDM_ZOOM_FULL, IDM_VIEW_WHOLE, IDM_ZOOM_OUT, IDM_ZOOM_OUT_KEY, IDM_ZOOM_IN, IDM_ZOOM_IN_KEY,
                 IDM_ZOOM_SELECTION, IDM_VZOOM_IN, IDM_VZOOM_OUT, IDM_VZOOM_FULL, IDM_VZOOM_FULL2, IDM_SCROLL_START,
                 IDM_SCROLL_END, IDM_SCROLL_BACK, IDM_SCROLL_FORWARD, IDM_PAGE_UP, IDM_PAGE_DOWN, IDM_HOME, IDM_END,
                 IDM_CURSOR_RIGHT, IDM_CURSOR_LEFT, IDM_EXTEND_RIGHT, IDM_EXTEND_LEFT}) {
    ui::registerCommand(id, [](int cmd, intptr_t) {
      if (ds().display && ds().doc) display::WaveDispCommand(ds().display, cmd);
    });
  }
}

// ---- the store -----------------------------------------------------------------------------------------

unsigned iconFlags(storage::StoreIcon icon) {
  switch (icon) {
    case storage::StoreIcon::Error:
      return ui::kMbIconHand;
    case storage::StoreIcon::Information:
      return ui::kMbIconAsterisk;
    default:
      return ui::kMbIconExclamation;
  }
}

int startStore(const VfInitArgs& args) {
  storage::StoreUi storeUi;
  storeUi.messageBox = [](const std::string& text, const std::string& caption, storage::StoreIcon icon) {
    ui::ShowMessageBox(text.c_str(), caption.c_str(), ui::kMbOk | iconFlags(icon));
  };
  HWND notify = static_cast<HWND>(args.notifyWindow);
  storeUi.needSpace = [notify] { return int(SendMessageA(notify, WM_VF_NEEDSPACE, 0, 0)); };
  storeUi.debug = [](const char* line) { ui::debugOutput(line); };
  int st = storage::VfInit(args.tempDir, args.undoTempDir, args.reserve1Bytes, args.reserve2Bytes,
                           uint32_t(args.cacheSizeKB > 0 ? args.cacheSizeKB : 0), storeUi);
  storage::UndoUi undoUi;
  undoUi.ask = [](const std::string& text, const std::string& caption, unsigned flags) {
    return ui::ShowMessageBox(text.c_str(), caption.c_str(), flags);
  };
  undoUi.progressOpen = [] { return xfmhost::progressWindow() != nullptr; };
  undoUi.progressBegin = [](const std::string& title) { ds().progress.begin(title); };
  undoUi.progressMeter = [](uint32_t done, uint32_t total) {
    return ds().progress.update(done, total) ? 0 : storage::kHfStop;
  };
  undoUi.progressEnd = [] { ds().progress.end(); };
  undoUi.debug = [](const char* line) { ui::debugOutput(line); };
  storage::UndoSetUi(undoUi);
  storage::UndoSetLimits(storage::kUndoDefaultCapacity, app().settings.undoLevels);
  storage::UndoSetEnabled(app().settings.undo);
  return st;
}

}  // namespace

namespace documents {

int startStore(const VfInitArgs& args) {
  return shell::startStore(args);
}

bool allocTransferBuffer() {
  return document::SampleScratchInit(131072);
}

void releaseStore() {
  ds().doc.reset();
  storage::UndoReset();
  document::SampleScratchRelease();
  if (storage::VfIsInitialised()) storage::VfShutdown();
}

void scanFileFilters() {
  DocSupport& s = ds();
  s.ini = ui::ProfileSettingsSource(app().settingsFile);
  formats::scanFiltersAtStartup(&s.ini);
  s.reader = std::make_unique<formats::FilterReader>(&formats::filterHost().table, formats::filterHost().load);
  s.reader->setSettings(&s.ini);
  s.reader->setProgress(&s.progress);
  s.reader->setWindow(mainWindow());
  s.reader->setExtraInfo(app().settings.fileSaveExtraInfo);
  s.reader->setUseAsync(app().settings.useASync != 0);
  xfmhost::progressSetMainWindow(mainWindow());
  setupHost();
}

void registerCommands() {
  shell::registerCommands();
  registerEditCommands();
  registerDocumentCommands();
}

DocumentOpenResult open(const std::string& name) {
  DocumentOpenResult r;
  DocSupport& s = ds();
  if (!s.reader) return r;
  int error = 0;
  s.doc = document::OpenAsCurrent(s.host, *s.reader, {name}, 0, &error);
  r.opened = s.doc != nullptr;
  r.hasSamples = r.opened && s.doc->lengthFrames() > 0;
  r.lengthFrames = r.opened ? s.doc->lengthFrames() : 0;
  return r;
}

void attach(const SampleRegion& region) {
  shell::attach(region);
}

// /CLIP: the whole wave (not just the visible range) goes to the Windows clipboard, then the program closes
// without asking; a failed copy is reported by the copy and the save prompt follows.
bool clipModeClose() {
  DocSupport& s = ds();
  if (!s.doc || !s.doc->lengthFrames()) return true;
  document::EditRange whole;
  whole.start = 0;
  whole.end = int64_t(s.doc->lengthFrames()) - 1;
  document::EditResult r = document::CopyCommand(s.doc.get(), whole, true, currentInternalClipboard(),
                                                 currentSystemClipboard(), currentEditUi());
  return r.status == document::kEditOk;
}

// /AUTOSAVE: Save without asking; when that fails the save prompt follows.
bool autosaveClose() {
  DocSupport& s = ds();
  if (!s.doc || !s.doc->modified()) return true;
  return document::SaveDocument(s.host, *s.reader, s.doc.get(), document::SaveRequest()) == 0;
}

bool askToSave() {
  return !ds().reader || document::AskToSave(ds().host, *ds().reader, ds().doc.get());
}

void closeDocument() {
  if (ds().reader) closeCurrent(false);
}

bool registerClasses(HINSTANCE instance) {
  return audio::MeterRegister(instance) && display::WaveDispRegister(instance) &&
         display::RulersRegister(instance);
}

void unregisterClasses(HINSTANCE instance) {
  audio::MeterUnregister(instance);
  display::WaveDispUnregister(instance);
  display::RulersUnregister(instance);
}

void createWindows(HWND main) {
  createChildren(main);
}

// The store's notification records carry this value where a window's header has its handle. Nothing in
// the program acts on them; they are taken here so they never reach the display's handler.
constexpr uintptr_t kStoreNotifyMarker = 0x01020304;

bool onStoreNotify(HWND, UINT, WPARAM, LPARAM lParam, LRESULT* result) {
  const void* record = reinterpret_cast<const void*>(lParam);
  if (!record || *static_cast<const uintptr_t*>(record) != kStoreNotifyMarker) return false;
  *result = 0;
  return true;
}

bool onDisplayNotify(HWND, UINT, WPARAM wParam, LPARAM lParam, LRESULT*) {
  if (wParam == IDC_DISPLAY && lParam) shell::onDisplayNotify(reinterpret_cast<const void*>(lParam));
  return false;  // the menus follow the same notification
}

bool onDropFiles(HWND, UINT, WPARAM wParam, LPARAM, LRESULT* result) {
  shell::onDropFiles(reinterpret_cast<void*>(wParam));
  *result = 0;
  return true;
}

bool onNeedSpace(HWND, UINT, WPARAM, LPARAM, LRESULT* result) {
  *result = LRESULT(storage::UndoNeedSpace());
  return true;
}

bool onSize(HWND, UINT, WPARAM, LPARAM, LRESULT*) {
  layoutMainWindow();
  return false;
}

}  // namespace documents

namespace cuewindows {

// The cue and play list windows see the program through their host record.
void registerCommands() {
  markers::MarkerWindowsHost h;
  h.instance = app().instance;
  h.settingsFile = app().settingsFile;
  h.productName = app().productName;
  h.mainWindow = [] { return app().mainWindow; };
  h.document = [] { return ds().doc.get(); };
  h.documentHost = [] { return &ds().host; };
  h.display = [] { return static_cast<void*>(ds().display); };
  h.documentTitle = [] { return document::MainWindowTitle(ds().doc.get()); };
  h.timeMode = [] { return app().settings.loTimeMode; };
  h.timeCodeFrames = [] { return app().settings.timeCodeFrames; };
  h.audioBusy = [] {
    const TransportState t = transportStateSource() ? transportStateSource()() : TransportState();
    return t.playing || t.recording || t.monitoring || t.previewing;
  };
  h.playList = [](uint32_t entry) {
    if (playListHandler()) playListHandler()(entry);
  };
  markers::setMarkerWindowsHost(std::move(h));
  markers::registerMarkerWindows();
}

}  // namespace cuewindows

std::string currentDocumentTitle() { return document::MainWindowTitle(ds().doc.get()); }

document::WaveDocument* currentDocument() { return ds().doc.get(); }
std::unique_ptr<document::WaveDocument>& currentDocumentSlot() { return ds().doc; }
document::DocumentHost* currentHost() { return &ds().host; }
void* currentDisplay() { return ds().display; }
document::DocumentReader* currentReader() { return ds().reader.get(); }

void applyTimeSettings() {
  const Settings& set = app().settings;
  if (ds().timeRuler) display::TimeRulerSetMode(ds().timeRuler, set.loTimeMode, 0, set.timeCodeFrames);
  if (ds().valueRuler) display::ValueRulerSetScale(ds().valueRuler, set.timeModeV & 0x0F);
  refreshRulers();
  refreshStatus();
  markers::refreshMarkerWindows();  // the cue list shows its times in the chosen format
}

void applyEditResult(const document::EditResult& r) {
  DocSupport& s = ds();
  refreshDisplay();
  if (!s.display) return;
  if (r.setView) display::WaveDispSetView(s.display, r.viewStart, r.viewEnd);
  if (r.select) display::WaveDispSetSelection(s.display, int32_t(r.selStart), int32_t(r.selEnd));
  refreshStatus();
}

}  // namespace shell
