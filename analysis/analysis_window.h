// The frequency analysis window "Analysis" (dialog 113, modeless): the dB spectrum of the waveform around the
// selection or the play position per channel, drawn by the graph display, with the pitch as a frequency and
// note, the FFT size, window type, dB range, Line View and Scan (the average spectrum over the selection).
// Command 5060 (Alt+Z) opens it; command 282 sent to it updates it: with a non-zero play position P (the
// message's lParam) it analyses a frame around P in live mode, with 0 the selection in precise mode.
// Windows only (analysis_window_win.cpp). What it needs of the program around it comes through
// AnalysisWindowHost, which the shell fills.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "analysis/analysis_model.h"

namespace document {
class WaveDocument;
struct DocumentHost;
}  // namespace document

namespace analysis {

struct AnalysisWindowHost {
  void* instance = nullptr;  // the program's module: the dialog template, string 101 and the graph class
  std::string settingsFile;  // where [Position] keeps the window's place
  std::string productName;   // the title without a document
  std::function<void*()> mainWindow;                  // the owner
  std::function<document::WaveDocument*()> document;  // the current document, or null
  std::function<document::DocumentHost*()> documentHost;
  std::function<void*()> display;              // the wave display window (its selection)
  std::function<std::string()> documentTitle;  // the main window's title for the document
  // [System] AnalysisSize, AnalysisWindowType, AnalysisRange: read when the window opens, stored back on
  // every change (the shell writes them with the other settings at exit).
  std::function<AnalysisSettings()> loadSettings;
  std::function<void(const AnalysisSettings&)> storeSettings;
};
void setAnalysisWindowHost(AnalysisWindowHost host);

// Registers the graph display class and command 5060, and makes the window follow the document (its
// title, and a refresh when a document is opened or closed).
bool registerAnalysisClasses(void* instance);
void unregisterAnalysisClasses(void* instance);
void registerAnalysisWindow();
// Opens the window, or brings it forward when it is open.
void openAnalysisWindow();
// Destroys it (the main window is closing); its place is written to [Position].
void closeAnalysisWindow();
// The window, null when closed.
void* analysisWindow();
// Command 282 to the window when it is open: 0 analyses the selection, P the frame around play position P.
void refreshAnalysisWindow(int64_t playPosition = 0);
// The play tick: sends the play position while the window is open with a transform of at most 512.
void analysisPlayPosition(int64_t position);
// The display's selection changed: Scan follows whether there is one.
void analysisSelectionChanged();
// The text the window shows now ("" when closed), for tests.
std::string analysisWindowText();

}  // namespace analysis
