// The cue list and play list windows: two modeless dialogs that show and edit the current document's
// marker set. Cue List (137) and Play List (136) open them, F8 (311) adds a cue at the selection; the
// document support calls refreshMarkerWindows whenever the document, its cues or its title changed.
// Windows only (cue_list_win.cpp, play_list_win.cpp, marker_windows_win.cpp). What they need of the program
// around them (the current document, the display, the main window, the settings) comes through
// MarkerWindowsHost, which the shell fills.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace document {
class WaveDocument;
struct DocumentHost;
}  // namespace document

namespace markers {
class MarkerSet;

struct MarkerWindowsHost {
  void* instance = nullptr;                           // the program's module: dialog resources and strings
  std::string settingsFile;                           // where [Position] keeps the windows' places
  std::string productName;                            // the titles without a document
  std::function<void*()> mainWindow;                  // the owner of both windows
  std::function<document::WaveDocument*()> document;  // the current document, or null
  std::function<document::DocumentHost*()> documentHost;
  std::function<void*()> display;              // the wave display window
  std::function<std::string()> documentTitle;  // the main window's title for the document
  std::function<int()> timeMode;               // the lower time format and
  std::function<int()> timeCodeFrames;         // the custom frame rate, for the positions shown
  std::function<bool()> audioBusy;             // playing or recording: the play list cannot start
  // Plays the play list from entry on (empty: playback is not there).
  std::function<void(uint32_t entry)> playList;
};
void setMarkerWindowsHost(MarkerWindowsHost host);
const MarkerWindowsHost& host();

// Registers the commands of both windows (Cue List, Play List, Add Cue) and makes the windows' titles follow
// the document's.
void registerMarkerWindows();
// Refills both windows from the current document (empty lists and plain titles without one).
void refreshMarkerWindows();
// Only their titles (after the main window title changed: a save under a new name, the modified mark).
void refreshMarkerWindowTitles();

// ---- shared by the two windows (marker_windows_win.cpp) -------------------------------------------------
// The windows (null when closed).
void* cueListWindow();
void* playListWindow();
void openCueList();
void openPlayList();
void refreshCueList(bool keepFields);
void refreshPlayList();
// The ids of the cues selected in the cue list, in list order (empty when it is closed).
std::vector<uint32_t> selectedCueIds();
// After the marker set was changed from a window: counts a format change, shows the cues on the display,
// refreshes the main title and the other window.
void markersChanged(bool fromCueList);
// Add (and F8): a cue over the display's selection, a point marker for a cursor. Returns its id, 0 when
// nothing was added.
uint32_t addCueAtSelection();
// The current document's marker set, or null without a document.
MarkerSet* currentMarkers();
// The list windows' titles for the current document ("Cue List - <title>", or the plain name without one).
std::string cueListTitle();
std::string playListTitle();

}  // namespace markers
