// The progress window of long operations, built from the dialog template "ID_PROGRESS" of the program's
// resources (resources/service_dialogs.rc): title, banner, bar in hundredths of a percent, estimate, Pause,
// Cancel and "_". The services progressCreate, progressMeter and progressDestroy that the program and
// transform plug-ins call, and WindowProgress, which shows it for the core's Progress interface. Windows
// only (progress_win.cpp); the estimate and bar decisions are xfmhost's (xfmhost/service_math.h).
#pragma once

#include <cstdint>
#include <string>

#include "formats/progress.h"
#include "include/xfm_abi.h"

namespace xfmhost {

// The main window: the default owner (disabled while the progress window is up) and what "_" minimises.
void progressSetMainWindow(void* hwnd);
// Opens the window; owner 0 = the main window, -1 = none, any other window is the owner and is disabled
// too. 0 when suppressed (a nested transform) or when the window cannot be made, else 1. Clears the cancel
// flag.
int progressCreate(const char* title, intptr_t owner);
// Shows done of total and pumps the thread's messages; nonzero to go on, 0 when cancelled or when no progress
// window exists. total <= 0 shows no estimate and leaves the bar; done beyond total shows 100 % and no time
// left. While suppressed only the pumping and the cancel flag remain.
int progressMeter(int32_t done, int32_t total);
// Closes the window; 0 when suppressed.
int progressDestroy();
// The line under the title (the running transform's copyright line); "" for none.
void progressSetBanner(const char* text);
// Nesting key of DoXfm (200 + handle): while set, create, destroy and the display are left alone.
void progressEnterNested(uint32_t key);
void progressLeaveNested(uint32_t key);
bool progressCancelled();
// The process-wide cancel flag (nonzero once the user cancelled; stays set until the next progressCreate):
// the transform context's cancel slot holds this address.
volatile int32_t* progressCancelFlag();
// Shows bitmap resource id of a filter module beside the bar (widening the window); id 0 removes it.
void progressSetPicture(void* module, int id);
// The program became the active application: a progress window hidden because it was not is shown again
// (the main window restored first, the window centred on it).
void progressAppActivated();
void* progressWindow();  // the window, or null

#if defined(_WIN32)
// The progress window's dialog procedure (exported as PROGRESSMsgProc).
intptr_t __stdcall PROGRESSMsgProc(void* dialog, unsigned message, uintptr_t wParam, intptr_t lParam);
#endif

// Progress for the core's loops through the window above. A window that could not be opened (or a nested
// run) never reports "stopped" by itself; only the user's Cancel does. Counts beyond 32 bits are scaled.
class WindowProgress : public formats::Progress {
 public:
  void begin(const std::string& title) override;
  bool update(uint64_t done, uint64_t total) override;
  void end() override;
  void setPicture(void* module, int id) override { progressSetPicture(module, id); }

 private:
  bool open_ = false;
};

}  // namespace xfmhost

#if defined(_WIN32)
// The exported forms (standard calling convention, the types of the transform contract's slots) for
// plug-ins; see progress_win.cpp.
extern "C" {
int32_t __stdcall progressCreate(const char* title, XfmWindow owner);
int32_t __stdcall progressMeter(int32_t done, int32_t total);
int32_t __stdcall progressDestroy();
}
#endif
