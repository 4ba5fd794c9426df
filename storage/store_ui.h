// How the store reaches the user and the main window: a message box with fixed text and caption, the
// "need space" request (the Windows host sends WM_VF_NEEDSPACE, 1651, to the main window, where the undo
// store frees old levels), and debug output lines. Kept here so storage depends on nothing above it;
// the shell wires its one message-box function in, tests wire scripted answers.
#pragma once

#include <functional>
#include <string>

namespace storage {

enum class StoreIcon { Warning, Error, Information };

struct StoreUi {
  // Shows a box and waits for the user to close it. May be empty (then nothing is shown).
  std::function<void(const std::string& text, const std::string& caption, StoreIcon icon)> messageBox;
  // Asked when no block can be had; non-zero means something was freed and the allocation is retried.
  // Called with none of the store's locks held. Empty means "nothing can be freed".
  std::function<int()> needSpace;
  // A line for the debug output (ends in "\n"). Empty means the lines go nowhere.
  std::function<void(const char* line)> debug;
};

}  // namespace storage
