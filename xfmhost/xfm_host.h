// The transform host as the rest of the program sees it (Windows side, xfm_*_win.cpp): finding the
// transforms beside the program (with the xfm.dat cache), their menus and toolbar buttons, running one from
// its command, the nested API other code and plug-ins use, and the session's variables blocks written to the
// profile at shut-down. The host reaches the document, the display and the main window only through the
// hooks the shell fills before the scan; scripts fill their own hooks when they exist.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "document/edit_ops.h"
#include "xfmhost/xfm_table.h"

namespace document {
class WaveDocument;
}

namespace xfmhost {

struct HostHooks {
  std::function<document::WaveDocument*()> document;      // the current document, or null
  std::function<document::EditRange()> editRange;         // its selection, view and edit channel
  std::function<void(const document::EditResult&)> show;  // selection and view after a run
  // A generator run without a document: a new "Untitled" document (2 channels, 16 bits, 44100 Hz) made
  // current and shown, or null; and closing it again when the run is cancelled.
  std::function<document::WaveDocument*()> newDocument;
  std::function<void()> closeNewDocument;
  std::function<void()> afterEdit;      // redraw, title, menus
  std::function<bool()> audioBusy;      // playing or recording
  std::function<bool()> withoutDialog;  // Repeat (F3) runs the command without its dialog
  std::function<bool()> autoCrossfade;
  std::function<double()> autoCrossfadeMs;
  std::string settingsFile = "sorn.ini";
  std::string programDir;  // without the trailing separator
  std::string helpName = "sorn.hlp";
  void* instance = nullptr;
  void* mainWindow = nullptr;
  void* dialogFont = nullptr;
};
HostHooks& hostHooks();

// What a playing or recording script gives a run (filled by the scripts; all null: no script).
struct ScriptHooks {
  bool (*playing)() = nullptr;
  int16_t (*pauseAtDialogs)() = nullptr;
  // The next parameter line of the playing script; false when there is none ("-999").
  bool (*readParameter)(std::string* text) = nullptr;
  bool (*recording)() = nullptr;
  // The command and every variable in type-string order, one line each (a graph: its count, then x and y).
  void (*record)(int command, const std::vector<std::string>& parameters) = nullptr;
  void (*stop)() = nullptr;
  void (*postContinue)() = nullptr;
};
ScriptHooks& scriptHooks();

// Start-up: finds the transforms (depth: the display's bits per pixel), then their menu items in the menu
// bar's Transform, Generate and Analyze menus.
void scanTransforms(int depth);
void insertTransformMenus(void* menuBar);
// Registers commands 7000 + i.
void registerTransformCommands();
// Shut-down: every variables block written to [Profile], XfmDestroy called, libraries and bitmaps released.
void shutDownTransforms();

const TransformTable& transformTable();
// A transform's button: command, name, flags, bitmap (HBITMAP or null).
struct TransformButton {
  int command = 0;
  std::string name;
  uint32_t flags = 0;
  void* bitmap = nullptr;
};
std::vector<TransformButton> transformButtons();
// Whether entry i's menu item is enabled in the given state.
bool transformEnabled(size_t index, const MenuState& state);
// For Undo: whether transform command 7000 + i changes the length of its range.
bool transformChangesLength(int command);

// Runs entry index as its command does (commandParam 1: without the dialog). Returns the setup result
// (0 cancel, 1 run, 2 settings kept), or -1 when it did not get that far.
int runTransform(size_t index, intptr_t commandParam);

// How many times QueryXfm was called since start (diagnostics and tests).
int queryCalls();

}  // namespace xfmhost
