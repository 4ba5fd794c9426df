// The progress window of long operations (title, estimate, percentage, bar, Pause, Cancel, "_"), the
// services progressCreate, progressMeter and progressDestroy that the program and transform plug-ins call,
// and WindowProgress, which shows it for the core's Progress interface. Windows only (progress_win.cpp);
// the decisions live in ProgressState (progress_state.h).
#pragma once

#include <cstdint>
#include <string>

#include "formats/progress.h"

namespace formats {

// The main window: the default owner (disabled while the progress window is up) and what "_" minimises.
void progressSetMainWindow(void* hwnd);
// Opens the window; owner 0 = the main window, -1 = none. 0 when suppressed (a nested transform) or when the
// window cannot be made, else 1.
int progressCreate(const char* title, intptr_t owner);
// Shows done of total and pumps the thread's messages; nonzero to go on, 0 when cancelled or when no progress
// window exists. While suppressed only the pumping and the cancel flag remain.
int progressMeter(uint32_t done, uint32_t total);
// Closes the window; 0 when suppressed.
int progressDestroy();
// The line under the title (the running transform's copyright line).
void progressSetBanner(const char* text);
// Nesting key of DoXfm (200 + handle): while set, create, destroy and the display are left alone.
void progressEnterNested(uint32_t key);
void progressLeaveNested(uint32_t key);
bool progressCancelled();
// Shows bitmap resource id of a filter module beside the bar (widening the window); id 0 removes it.
void progressSetPicture(void* module, int id);
void* progressWindow();  // the window, or null

// Progress for the core's loops through the window above. A window that could not be opened (or a nested
// run) never reports "stopped" by itself; only the user's Cancel does.
class WindowProgress : public Progress {
 public:
  void begin(const std::string& title) override;
  bool update(uint64_t done, uint64_t total) override;
  void end() override;
  void setPicture(void* module, int id) override { progressSetPicture(module, id); }

 private:
  bool open_ = false;
};

}  // namespace formats

#if defined(_WIN32)
// The exported forms (standard calling convention) for plug-ins; see progress_win.cpp.
extern "C" {
int32_t __stdcall progressCreate(const char* title, intptr_t owner);
int32_t __stdcall progressMeter(uint32_t done, uint32_t total);
int32_t __stdcall progressDestroy();
}
#endif
