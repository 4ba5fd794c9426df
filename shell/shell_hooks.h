// The points where later subsystems plug into start-up, the main window's messages and shut-down.
// Each is empty until its subsystem fills it; an empty hook is skipped (or gives the result named in its
// comment), so the shell runs on its own with no document support at all. Window handles are passed as
// void* so the header stays free of <windows.h>.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "shell/command_line.h"
#include "shell/settings.h"
#include "shell/startup_plan.h"

namespace shell {

// What the store's start-up needs (step 16).
struct VfInitArgs {
  std::string tempDir, undoTempDir;
  int64_t reserve1Bytes = 0, reserve2Bytes = 0;
  int32_t cacheSizeKB = 0;  // 0: use the system's cache
  void* notifyWindow = nullptr;
};

struct DocumentOpenResult {
  bool opened = false;
  bool hasSamples = false;
  int64_t lengthFrames = 0;
};

struct ShellHooks {
  // --- start-up, in order ---
  std::function<bool(void* instance)> registerChildClasses;  // meter, analysis display, wave display
  std::function<void(void* instance)> unregisterChildClasses;
  std::function<void(uint32_t seed)> seedDither;
  std::function<void()> allocTimeTable;  // the time-format slot table
  std::function<void()> freeTimeTable;
  std::function<void(int bitsPerPixel)> scanTransforms;
  // Chooses the four devices by the names in settings (filling settings->waveOut ...) and returns what
  // the chosen output device reports. Empty: no device.
  std::function<WaveOutCaps(Settings* settings)> chooseDevices;
  std::function<void(void* mainWindow)> createChildren;  // display, meter, buttons, status texts
  std::function<void(void* mainWindow)> createToolbar;   // built-in, transform and CD buttons
  std::function<void(void* mainWindow)> refreshMenuState;
  std::function<void()> initPlaybackLock;
  std::function<int(const VfInitArgs& args)> vfInit;  // empty: the store is not built in (result 0)
  std::function<bool()> allocTransferBuffer;
  std::function<void()> initPreviewLock;
  std::function<void()> scanFileFilters;
  std::function<DocumentOpenResult(const std::string& name)> openDocument;  // command-line form of open
  std::function<void(const SampleRegion& region)> attachDocument;  // to the display, selecting region
  std::function<void()> allocFftState;

  // --- after the message loop ---
  std::function<void()> freeFftState;
  std::function<void()> writeRecentFilter;  // empty: [Recent] from the settings record
  std::function<void()> freeFilterTable;
  std::function<void()> deleteLocks;  // preview and playback locks
  std::function<void()> releaseDisplayResources;

  // --- closing ---
  std::function<bool()> askToSave;       // false when the user cancels; empty: nothing to save
  std::function<bool()> clipModeClose;   // copy to the clipboard; false to fall back to asking
  std::function<bool()> autosaveClose;   // save without asking; false to fall back to asking
  std::function<void*()> cueListWindow;  // the modeless windows, or null when closed
  std::function<void*()> playListWindow;
  std::function<void*()> analyzerWindow;
  std::function<void*()> trackListBox;  // the CD track list (number keys go to it)
  std::function<int()> cdBarHeight;     // height of the CD bar while it is shown, else 0

  // --- destroying the main window, in order ---
  std::function<void()> finishScriptRecording;
  std::function<void()> deleteGdiObjects;
  std::function<void()> releaseTransforms;  // save profiles, XfmDestroy, free
  std::function<void()> closeCdAndToolbar;
  std::function<void()> closeAudioDevices;
  std::function<void()> freeMusicTables;
  std::function<void()> closeDocument;  // keeping the peak file when unchanged
  std::function<void()> releaseFftTables;
  std::function<void()> releaseStore;  // presets, graph, VfShutdown, document list
  std::function<void()> restoreMenu;

  // --- messages of the main window ---
  std::function<intptr_t(uintptr_t handle, const void* record)> storeNotify;  // WM_NOTIFY with the marker
  std::function<intptr_t(const void* nmhdr)> displayNotify;                   // WM_NOTIFY from id 360
  std::function<intptr_t()> needSpace;  // message 1651; non-zero when something was freed. Empty: 0
  std::function<void()> scriptStep;     // message 1801
  std::function<void()> batchStep;      // message 1802
  std::function<void(void* hdrop)> dropFiles;
  // Notifications of the CD bar's title field (141) and track list (150): edit and list-box codes.
  std::function<void(int id, int code)> cdControlNotify;
  std::function<void(void* hdc)> paintToolbar;  // WM_PAINT: the toolbar row, into the paint DC
  // Every message first (the toolbar's hook): return true and set *result to consume it.
  std::function<bool(void* hwnd, unsigned msg, uintptr_t wParam, intptr_t lParam, intptr_t* result)>
      preMessage;
  // Any other message: return true and set *result when handled (audio, timers, paint, keys, mouse).
  std::function<bool(void* hwnd, unsigned msg, uintptr_t wParam, intptr_t lParam, intptr_t* result)> message;
};

ShellHooks& shellHooks();

// The close request's decision, before the window goes: in clip mode the clip-mode close (copy to the
// clipboard), in autosave mode the save without asking; when that is missing or fails, and otherwise,
// the save prompt. False when the window must stay open.
bool readyToClose(const ShellHooks& hooks, const CommandLine& commandLine);

}  // namespace shell
