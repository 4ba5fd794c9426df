// The main window's own command handling on top of the dispatch table: the menu-state refresh, the zoom
// buttons, the edit-channel commands, the space bar and cue hot keys (menu_state_win.cpp), and the
// dialogs of Generate Silence and Mix Paste (silence_dialog_win.cpp, paste_special_dialog_win.cpp).
#pragma once

#include <cstdint>
#include <functional>

namespace shell {

// Refreshes the menu and the zoom buttons now (the keys and the display's notifications reach the menus
// through the routing table, subsystems_win.cpp).
void refreshMenuStateNow();
// Sets the items of a menu (an HMENU) that it holds: enabled or greyed, checked or not, and the texts of
// Undo and the custom time format.
struct MenuState;
void applyMenuState(void* menu, const MenuState& state);
// The states the menu would show now; the toolbar's buttons follow the same rules.
MenuState currentMenuState();

// Registers the edit-channel commands (1001, 1002, 340 .. 342), Ctrl+S and Esc (253, 254), F3 (131), the
// help commands (6050, 6100, 101), the View menu's modes and formats, Generate Silence (4100) and Mix Paste
// (2110). Registered after the edit commands, so F3 takes the place of their plain repeat.
void registerWindowCommands();
// Its parts, one per file.
void registerChannelCommands();
void registerGenerateSilenceCommand();
void registerMixPasteCommand();
void registerViewingRangeCommand();  // 3147, viewing_range_win.cpp
void registerViewModeCommands();  // 374, 375, 2211, 373, 376, 351..354, 378..380

// What the audio side is doing, for the menu rules and the keys. Playback and recording fill the source
// when they exist; until then nothing plays.
struct TransportState {
  bool playing = false, recording = false, previewing = false, monitoring = false;
  bool loopMode = false;
  bool cdBarShown = false;
};
std::function<TransportState()>& transportStateSource();
// Called when the user lets go of the mouse after selecting in the display (its selection report without
// the selecting flag): playback starts a play of the selection from here when one is possible.
std::function<void()>& selectionReleasedHandler();
// Plays frames [start, start + length) of the current document (a cue hot key). Empty: nothing happens.
std::function<void(uint32_t start, uint32_t length)>& playRangeHandler();
// Plays the current document's play list from entry on (the play list window's Play and Auto-cue).
std::function<void(uint32_t entry)>& playListHandler();

// Set while a command runs without its dialog (Repeat with F3, a playing script): Generate Silence and
// Mix Paste then reuse their last values.
bool& commandWithoutDialog();

}  // namespace shell
