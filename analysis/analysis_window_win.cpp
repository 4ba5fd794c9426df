// The frequency analysis window (dialog 113, ANALYZEMsgProc): fills the size and window lists and the range
// edit from the settings, keeps its place in [Position], and on command 282 analyses the current document
// (the selection in precise mode, or a frame around the play position in live mode) into the model, whose
// spectrum the graph display child draws and whose pitch the text under it shows. Scan averages the
// selection with the progress window up and this window disabled.
// clang-format off
#include "platform/win32.h"  // before the other system headers
// clang-format on

#include <string>
#include <vector>

#include "analysis/analysis_window.h"
#include "display/graph_display_win.h"
#include "display/wavedisp_win.h"
#include "document/document_host.h"
#include "document/wave_document.h"
#include "xfmhost/progress_window.h"
#include "resources/command_ids.h"
#include "resources/dialog_ids.h"
#include "ui/dispatch.h"
#include "ui/message_box.h"
#include "ui/settings_source.h"

namespace analysis {
namespace {

// Command 282 to the window: lParam is the play position (0: the selection).
constexpr int kCmdUpdate = 282;
// String resource 101 names the window in its title.
constexpr UINT kStrAnalysis = 101;

AnalysisWindowHost gHost;

struct Anchor {
  int id;
  bool moveX, moveY, growX, growY;
};
const Anchor kAnchors[] = {
    {IDC_AN_GRAPH, false, false, true, true},        {IDC_AN_FREQ, false, true, true, false},
    {IDC_AN_SIZE_TEXT, false, true, false, false},   {IDC_AN_SIZE, false, true, false, false},
    {IDC_AN_WINDOW_TEXT, false, true, false, false}, {IDC_AN_WINDOW, false, true, false, false},
    {IDC_AN_RANGE_TEXT, false, true, false, false},  {IDC_AN_RANGE, false, true, false, false},
    {IDC_AN_LINES, false, true, false, false},       {IDC_AN_SCAN, true, true, false, false},
};

struct AnalysisWindow {
  HWND hwnd = nullptr;
  AnalysisModel model;
  bool lines = true;
  bool scanning = false;
  bool filling = false;
  SIZE client = {0, 0};                         // the client size the placed rectangles belong to
  std::vector<std::pair<Anchor, RECT>> placed;  // the controls' first layout
  // What the last refresh saw, so a title change only refreshes for another document.
  const void* lastDoc = nullptr;
  uint32_t lastLength = 0;
  uint32_t liveUpdates = 0;  // since the last precise update
};

AnalysisWindow& aw() {
  static AnalysisWindow w;
  return w;
}

HWND graph() {
  return GetDlgItem(aw().hwnd, IDC_AN_GRAPH);
}

std::string loadString(UINT id, const char* fallback) {
  char buf[256];
  int n = LoadStringA(static_cast<HINSTANCE>(gHost.instance), id, buf, sizeof buf);
  return n > 0 ? std::string(buf, size_t(n)) : std::string(fallback);
}

document::WaveDocument* currentDocument() {
  return gHost.document ? gHost.document() : nullptr;
}

// The document when it holds samples.
document::WaveDocument* documentWithSamples() {
  document::WaveDocument* doc = currentDocument();
  return doc && doc->lengthFrames() > 0 ? doc : nullptr;
}

std::string windowTitle() {
  const std::string name = loadString(kStrAnalysis, "Analysis");
  if (!currentDocument()) return name;
  std::string text = gHost.documentTitle ? gHost.documentTitle() : std::string();
  const std::string tail = " - " + gHost.productName;
  if (text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0)
    text.resize(text.size() - tail.size());
  return name + " - " + text;
}

// The display's selection; a cursor has end = start - 1.
void selection(int64_t* start, int64_t* end) {
  *start = 0;
  *end = -1;
  HWND display = static_cast<HWND>(gHost.display ? gHost.display() : nullptr);
  if (const display::WaveView* v = display ? display::WaveDispModel(display) : nullptr) {
    *start = int64_t(v->selStart());
    *end = int64_t(v->selEnd());
  }
}

void updateScanButton() {
  if (!aw().hwnd) return;
  int64_t s, e;
  selection(&s, &e);
  EnableWindow(GetDlgItem(aw().hwnd, IDC_AN_SCAN),
               !aw().scanning && CanScan(documentWithSamples() != nullptr, s, e));
}

void showGraph() {
  display::GraphDisplaySetData(graph(), aw().model.graph(aw().lines));
}

void showText() {
  SetDlgItemTextA(aw().hwnd, IDC_AN_FREQ, aw().model.text().c_str());
}

void logPeak(const char* what, int64_t position = -1) {
  const AnalysisModel& m = aw().model;
  if (position >= 0) {
    ui::debugOutputf("Analysis: %s at %lld\n", what, static_cast<long long>(position));
  }
  for (int c = 0; c < m.channels(); ++c) {
    const std::vector<float>& s = m.spectrum(c);
    if (s.size() < 2) continue;
    size_t peak = 1;
    for (size_t k = 2; k < s.size(); ++k)
      if (s[k] > s[peak]) peak = k;
    ui::debugOutputf("Analysis: %s channel %d N=%d window %d peak %.2f dB at %.1f Hz\n", what, c,
                     int(m.settings().size), int(m.settings().windowType), double(s[peak]),
                     double(peak) * m.rate() / m.settings().size);
  }
}

// Command 282.
void update(int64_t playPosition) {
  AnalysisWindow& w = aw();
  if (!w.hwnd || w.scanning) return;
  document::WaveDocument* doc = documentWithSamples();
  w.lastDoc = currentDocument();
  w.lastLength = doc ? doc->lengthFrames() : 0;
  const bool wait = w.model.needsWaitCursor();
  HCURSOR old = wait ? SetCursor(LoadCursor(nullptr, IDC_WAIT)) : nullptr;
  if (!doc) {
    w.model.update(nullptr, 0, -1, 0);
  } else {
    const processing::SampleSource src = DocumentSource(doc);
    int64_t s, e;
    selection(&s, &e);
    w.model.update(&src, s, e, playPosition);
  }
  if (wait) SetCursor(old);
  showGraph();
  if (playPosition == 0) {
    w.liveUpdates = 0;
    showText();
    if (doc) logPeak("precise");
  } else if (doc && w.liveUpdates++ % 16 == 0) {
    logPeak("live", playPosition);  // now and then: the debug log shows the window following playback
  }
  updateScanButton();
}

void storeSettings() {
  if (gHost.storeSettings) gHost.storeSettings(aw().model.settings());
}

void fillControls() {
  AnalysisWindow& w = aw();
  HWND dlg = w.hwnd;
  w.filling = true;
  HWND size = GetDlgItem(dlg, IDC_AN_SIZE);
  SendMessageA(size, CB_RESETCONTENT, 0, 0);
  for (uint32_t n : SizeChoices())
    SendMessageA(size, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(n).c_str()));
  SendMessageA(size, CB_SETCURSEL, WPARAM(SizeIndex(uint32_t(w.model.settings().size))), 0);
  HWND type = GetDlgItem(dlg, IDC_AN_WINDOW);
  SendMessageA(type, CB_RESETCONTENT, 0, 0);
  for (const char* name : kWindowNames) SendMessageA(type, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  SendMessageA(type, CB_SETCURSEL, WPARAM(w.model.settings().windowType), 0);
  SetDlgItemTextA(dlg, IDC_AN_RANGE, RangeText(w.model.settings().range).c_str());
  CheckDlgButton(dlg, IDC_AN_LINES, w.lines ? BST_CHECKED : BST_UNCHECKED);
  w.filling = false;
}

// The range edit: clamped when it is left or Enter is pressed; a changed value redraws the graph.
void applyRange() {
  AnalysisWindow& w = aw();
  char text[64] = {};
  GetDlgItemTextA(w.hwnd, IDC_AN_RANGE, text, sizeof text);
  double r = w.model.settings().range;
  ParseRange(text, &r);
  const bool changed = w.model.setRange(r);
  const std::string shown = RangeText(w.model.settings().range);
  if (shown != text) {
    w.filling = true;
    SetDlgItemTextA(w.hwnd, IDC_AN_RANGE, shown.c_str());
    w.filling = false;
  }
  if (changed) {
    storeSettings();
    showGraph();
  }
}

// The progress window of a scan, with this window disabled under it.
class ScanBar : public processing::ScanProgress {
 public:
  void open(const char* title, uint32_t steps) override {
    steps_ = steps ? steps : 1;
    done_ = 0;
    bar_.begin(title);
  }
  void step() override {
    ++done_;
    if (!bar_.update(done_, steps_)) stopped_ = true;
  }
  bool cancelled() override { return stopped_; }
  void close() override { bar_.end(); }

 private:
  xfmhost::WindowProgress bar_;
  uint32_t steps_ = 1, done_ = 0;
  bool stopped_ = false;
};

void onScan() {
  AnalysisWindow& w = aw();
  document::WaveDocument* doc = documentWithSamples();
  int64_t s, e;
  selection(&s, &e);
  if (w.scanning || !CanScan(doc != nullptr, s, e)) return;
  w.scanning = true;
  EnableWindow(w.hwnd, FALSE);
  const processing::SampleSource src = DocumentSource(doc);
  ScanBar bar;
  const bool done = w.model.scan(src, s, e, &bar);
  EnableWindow(w.hwnd, TRUE);
  w.scanning = false;
  showGraph();
  logPeak(done ? "scan" : "stopped scan");
  updateScanButton();
}

void onCommand(int id, int code, LPARAM lParam) {
  AnalysisWindow& w = aw();
  switch (id) {
    case kCmdUpdate:
      update(int64_t(lParam));
      break;
    case IDC_AN_SIZE:
      if (code == CBN_SELCHANGE && !w.filling) {
        const int i = int(SendDlgItemMessageA(w.hwnd, IDC_AN_SIZE, CB_GETCURSEL, 0, 0));
        const std::vector<uint32_t> sizes = SizeChoices();
        if (i >= 0 && size_t(i) < sizes.size() && w.model.setSize(sizes[size_t(i)])) {
          storeSettings();
          PostMessageA(w.hwnd, WM_COMMAND, kCmdUpdate, 0);
        }
      }
      break;
    case IDC_AN_WINDOW:
      if (code == CBN_SELCHANGE && !w.filling) {
        const int i = int(SendDlgItemMessageA(w.hwnd, IDC_AN_WINDOW, CB_GETCURSEL, 0, 0));
        if (w.model.setWindowType(i)) {
          storeSettings();
          PostMessageA(w.hwnd, WM_COMMAND, kCmdUpdate, 0);
        }
      }
      break;
    case IDC_AN_RANGE:
      if (code == EN_KILLFOCUS && !w.filling) applyRange();
      break;
    case IDOK:  // Enter in the range edit
      applyRange();
      break;
    case IDC_AN_LINES:
      if (code == BN_CLICKED) {  // a plain check box: the click turns it over here
        w.lines = !w.lines;
        CheckDlgButton(w.hwnd, IDC_AN_LINES, w.lines ? BST_CHECKED : BST_UNCHECKED);
        showGraph();
      }
      break;
    case IDC_AN_SCAN:
      if (code == BN_CLICKED) onScan();
      break;
    case IDCANCEL:  // Esc and the close box
      DestroyWindow(w.hwnd);
      break;
    default:
      break;
  }
}

void recordLayout(HWND dlg) {
  AnalysisWindow& w = aw();
  RECT client;
  GetClientRect(dlg, &client);
  w.client = {client.right, client.bottom};
  w.placed.clear();
  for (const Anchor& a : kAnchors) {
    HWND c = GetDlgItem(dlg, a.id);
    if (!c) continue;
    RECT rc;
    GetWindowRect(c, &rc);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&rc), 2);
    w.placed.push_back({a, rc});
  }
}

void layout(HWND dlg) {
  AnalysisWindow& w = aw();
  RECT client;
  GetClientRect(dlg, &client);
  if (w.placed.empty() || client.right <= 0 || client.bottom <= 0) return;  // minimised
  const LONG dx = client.right - w.client.cx, dy = client.bottom - w.client.cy;
  for (const auto& [a, r] : w.placed) {
    RECT rc = r;
    if (a.moveX) OffsetRect(&rc, dx, 0);
    if (a.moveY) OffsetRect(&rc, 0, dy);
    if (a.growX) rc.right = rc.right + dx > rc.left + 16 ? rc.right + dx : rc.left + 16;
    if (a.growY) rc.bottom = rc.bottom + dy > rc.top + 16 ? rc.bottom + dy : rc.top + 16;
    SetWindowPos(GetDlgItem(dlg, a.id), nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  InvalidateRect(dlg, nullptr, TRUE);
}

void restorePosition(HWND dlg) {
  RECT rc;
  GetWindowRect(dlg, &rc);
  ui::ProfileSettingsSource ini(gHost.settingsFile);
  const Placement def{310, 234, int(rc.right - rc.left), int(rc.bottom - rc.top)};
  Placement p{ini.getInt("Position", "AnalyzeX", def.x), ini.getInt("Position", "AnalyzeY", def.y),
              ini.getInt("Position", "AnalyzeW", def.w), ini.getInt("Position", "AnalyzeH", def.h)};
  p = ClampPlacement(p, def, GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
  aw().lines = ini.getInt("Position", "AnalyzeNormal", 1) != 0;
  SetWindowPos(dlg, nullptr, p.x, p.y, p.w, p.h, SWP_NOZORDER | SWP_NOACTIVATE);
}

void savePosition(HWND dlg) {
  ui::ProfileSettingsSource ini(gHost.settingsFile);
  ini.writeString("Position", "AnalyzeNormal", aw().lines ? "1" : "0");
  RECT rc;
  if (IsIconic(dlg) || !GetWindowRect(dlg, &rc)) return;
  const long values[4] = {rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top};
  const char* keys[4] = {"AnalyzeX", "AnalyzeY", "AnalyzeW", "AnalyzeH"};
  for (int i = 0; i < 4; ++i) ini.writeString("Position", keys[i], std::to_string(values[i]).c_str());
}

void onInit(HWND dlg) {
  AnalysisWindow& w = aw();
  w.hwnd = dlg;
  w.model = AnalysisModel(gHost.loadSettings ? gHost.loadSettings() : AnalysisSettings());
  recordLayout(dlg);
  restorePosition(dlg);
  fillControls();
  SetWindowTextA(dlg, windowTitle().c_str());
  update(0);
}

INT_PTR CALLBACK ANALYZEMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      onInit(dlg);
      return TRUE;
    case WM_COMMAND:
      if (aw().hwnd == dlg) onCommand(LOWORD(wParam), HIWORD(wParam), lParam);
      return TRUE;
    case WM_SIZE:
      if (aw().hwnd == dlg) layout(dlg);
      return TRUE;
    case WM_DESTROY:
      if (aw().hwnd == dlg) {
        savePosition(dlg);
        aw().hwnd = nullptr;
        aw().placed.clear();
      }
      return TRUE;
    default:
      return FALSE;
  }
}

// After a title change: the window's title follows; another document (or none) is analysed anew, once the
// change is done.
void followDocument() {
  AnalysisWindow& w = aw();
  if (!w.hwnd) return;
  SetWindowTextA(w.hwnd, windowTitle().c_str());
  document::WaveDocument* doc = currentDocument();
  const uint32_t length = doc ? doc->lengthFrames() : 0;
  if (doc != w.lastDoc || length != w.lastLength) {
    w.lastDoc = doc;
    w.lastLength = length;
    PostMessageA(w.hwnd, WM_COMMAND, kCmdUpdate, 0);
  }
}

}  // namespace

void setAnalysisWindowHost(AnalysisWindowHost host) {
  gHost = std::move(host);
}

bool registerAnalysisClasses(void* instance) {
  return display::GraphDisplayRegister(static_cast<HINSTANCE>(instance));
}

void unregisterAnalysisClasses(void* instance) {
  display::GraphDisplayUnregister(static_cast<HINSTANCE>(instance));
}

void registerAnalysisWindow() {
  ui::registerCommand(IDM_FREQ_ANALYSIS, [](int, intptr_t) { openAnalysisWindow(); });
  if (document::DocumentHost* dh = gHost.documentHost ? gHost.documentHost() : nullptr) {
    std::function<void(const std::string&)> show = dh->showTitle;
    dh->showTitle = [show](const std::string& text) {
      if (show) show(text);
      followDocument();
    };
  }
}

void openAnalysisWindow() {
  if (aw().hwnd) {
    ShowWindow(aw().hwnd, SW_RESTORE);
    SetForegroundWindow(aw().hwnd);
    return;
  }
  HINSTANCE instance = static_cast<HINSTANCE>(gHost.instance);
  HWND owner = static_cast<HWND>(gHost.mainWindow ? gHost.mainWindow() : nullptr);
  HWND w = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_ANALYSIS), owner, ANALYZEMsgProc, 0);
  if (!w) {
    ui::debugOutputf("analysis: dialog not created (%lu)\n", static_cast<unsigned long>(GetLastError()));
    return;
  }
  ShowWindow(w, SW_SHOWNOACTIVATE);
}

void closeAnalysisWindow() {
  if (aw().hwnd) DestroyWindow(aw().hwnd);
}

void* analysisWindow() {
  return aw().hwnd;
}

void refreshAnalysisWindow(int64_t playPosition) {
  if (aw().hwnd) SendMessageA(aw().hwnd, WM_COMMAND, kCmdUpdate, LPARAM(playPosition));
}

void analysisPlayPosition(int64_t position) {
  if (aw().hwnd && position > 0 && aw().model.wantsPlayPosition()) refreshAnalysisWindow(position);
}

void analysisSelectionChanged() {
  updateScanButton();
}

std::string analysisWindowText() {
  if (!aw().hwnd) return std::string();
  char buf[256] = {};
  GetDlgItemTextA(aw().hwnd, IDC_AN_FREQ, buf, sizeof buf);
  return buf;
}

}  // namespace analysis
