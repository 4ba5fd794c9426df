// The recent-files list kept in [DirGroup 100] (NumItems, Item0 .. Item<n-1>, newest last, at most 8)
// and the File-menu items built from it.
#pragma once

#include <string>
#include <vector>

#include "resources/command_ids.h"
#include "ui/settings_source.h"

namespace shell {

constexpr int kMaxRecentFiles = 8;
constexpr int kRecentSeparatorId = IDM_RECENT_SEPARATOR;
constexpr int kRecentFirstId = IDM_RECENT_FIRST;
constexpr int kRecentLastId =
    IDM_RECENT_LAST;  // the range the command dispatch routes to the recent-file handler
constexpr int kExitCommandId = IDM_EXIT;
static_assert(kRecentFirstId + kMaxRecentFiles - 1 <= kRecentLastId, "every recent file has a command id");
constexpr const char* kRecentSection = "DirGroup 100";
constexpr unsigned kRecentNameChars = 255;

// Reads the list; NumItems is clamped to 0..8, so a hand-edited count cannot overrun the menu ids.
std::vector<std::string> readRecentFiles(ui::SettingsSource& src);
// Writes NumItems and Item0.. and deletes stale ItemN keys above the new count.
void writeRecentFiles(ui::SettingsSource& dst, const std::vector<std::string>& names, int previousCount);

// Adds a name: an entry already listed (compared case-insensitively) moves to the end; a new name drops
// the oldest entries while the list is full, then goes at the end.
void addRecentFile(std::vector<std::string>* names, const std::string& name);

struct RecentMenuItem {
  int id;            // 14000 + i, or 13999 for the separator
  std::string text;  // "&<(n-i) mod 10> <name>"; empty for the separator
  bool separator;
};

// The menu items in the order they appear, top to bottom, directly above Exit: the newest name first
// with mnemonic 1, the oldest last, then the separator. Empty when the list is empty.
std::vector<RecentMenuItem> buildRecentMenu(const std::vector<std::string>& names);

// The name a recent-file command opens: command 14000 + n opens Item<n>, the entry whose name its menu
// text shows (the menu lists them newest first, but the ids follow the entries). Null when n names no
// entry.
const std::string* recentFileForCommand(const std::vector<std::string>& names, int n);

}  // namespace shell
