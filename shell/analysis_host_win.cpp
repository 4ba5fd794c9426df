// The frequency analysis window's place in the program: its host record (the document, the display, the
// settings), its class and command, its close at shut-down, and the display notifications it follows (a
// finished selection or a channel change analyses anew; Scan follows whether there is a selection).
// clang-format off
#include "platform/win32.h"  // before the other system headers
// clang-format on

#include "analysis/analysis_window.h"
#include "display/wavedisp_win.h"
#include "document/wave_document.h"
#include "resources/command_ids.h"
#include "shell/app_state.h"
#include "shell/document_support.h"
#include "shell/subsystems_win.h"

namespace shell {
namespace analysiswin {

bool registerClasses(HINSTANCE instance) {
  return analysis::registerAnalysisClasses(instance);
}

void unregisterClasses(HINSTANCE instance) {
  analysis::unregisterAnalysisClasses(instance);
}

void registerCommands() {
  analysis::AnalysisWindowHost h;
  h.instance = app().instance;
  h.settingsFile = app().settingsFile;
  h.productName = app().productName;
  h.mainWindow = [] { return app().mainWindow; };
  h.document = [] { return currentDocument(); };
  h.documentHost = [] { return currentHost(); };
  h.display = [] { return currentDisplay(); };
  h.documentTitle = [] { return currentDocumentTitle(); };
  h.loadSettings = [] {
    const Settings& s = app().settings;
    return analysis::AnalysisSettings{s.analysisSize, s.analysisWindowType, s.analysisRange};
  };
  h.storeSettings = [](const analysis::AnalysisSettings& a) {
    Settings& s = app().settings;
    s.analysisSize = a.size;
    s.analysisHalfSize = a.size / 2;
    s.analysisWindowType = a.windowType;
    s.analysisRange = a.range;
  };
  analysis::setAnalysisWindowHost(std::move(h));
  analysis::registerAnalysisWindow();
}

void closeWindows() {
  analysis::closeAnalysisWindow();
}

bool onDisplayNotify(HWND, UINT, WPARAM wParam, LPARAM lParam, LRESULT*) {
  if (wParam != IDC_DISPLAY || !lParam || !analysis::analysisWindow()) return false;
  const auto* n = reinterpret_cast<const display::WaveDispNmhdr*>(lParam);
  if (n->hdr.code == UINT(display::WDN_SELCHANGED)) {
    analysis::analysisSelectionChanged();
    if (!(n->flags & display::WDF_SELECTING)) analysis::refreshAnalysisWindow(0);
  } else if (n->hdr.code == UINT(display::WDN_FLAGSCHANGED)) {
    analysis::refreshAnalysisWindow(0);  // the edit channel
  }
  return false;  // the menus follow the same notification
}

}  // namespace analysiswin
}  // namespace shell
