// The transform table (entries sorted by name without regard to case; entry i is menu command 7000 + i),
// the Transform / Generate / Analyze menu trees built from it, and the rule that greys an item.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "include/xfm_abi.h"
#include "xfmhost/xfm_dat.h"

namespace xfmhost {

constexpr uint32_t kMusicCommand = 3150;  // the music generator, last in the Transform menu

// Case-insensitive comparison of names as the table orders them.
int compareNames(const char* a, const char* b);

class TransformTable {
 public:
  size_t size() const { return entries_.size(); }
  const XfmEntry& at(size_t i) const { return entries_[i]; }
  XfmEntry& at(size_t i) { return entries_[i]; }
  void reserve(size_t n) { entries_.reserve(n); }
  void clear() { entries_.clear(); }
  // A scanned transform goes before the first entry whose name is not smaller; returns its index.
  size_t insertSorted(const XfmInfo& info, const std::string& fileName);
  // A cached transform keeps its place (the cache was written in table order).
  void append(const XfmInfo& info, const std::string& fileName);
  // The index of the transform with this full name (any case); with lastComponent also the part after the
  // name's last backslash may match. -1 when none.
  int find(const std::string& name, bool lastComponent) const;

 private:
  std::vector<XfmEntry> entries_;
};

// The part of a name after its last backslash ("Filters\\FFT Filter" -> "FFT Filter").
std::string shortName(const char* name);

enum class MenuKind { kTransform, kGenerate, kAnalyze, kNone };
// The menu an entry is listed in: Transform before Generate before Analyze; hidden ones in none.
MenuKind menuFor(uint32_t flags);

struct MenuNode {
  std::string text;
  bool popup = false;
  bool separator = false;
  uint32_t command = 0;
  std::vector<MenuNode> children;  // of a popup (and of the menu root)
};
// Inserts a backslash-separated path: each component before the last descends into the popup of that
// text (any case, searched from the last item to the first) or a new one appended; the last component
// becomes a command item, or a separator when it begins with "---".
void insertMenuPath(MenuNode* menu, const std::string& path, uint32_t command);

struct TransformMenus {
  MenuNode transform, generate, analyze;
};
// Every entry's "%s..." text in its menu with command XFM_MENU_BASE + index, then "Special\\Music...".
TransformMenus buildTransformMenus(const TransformTable& table);

// What the menus are refreshed against.
struct MenuState {
  bool audioBusy = false;  // playing or recording
  bool waveOpen = false;
  int64_t waveFrames = 0;
  uint16_t waveChannels = 2;
  bool oneChannelSelected = false;  // one channel of a stereo wave is being edited
};
bool transformItemEnabled(const XfmInfo& info, const MenuState& state);

}  // namespace xfmhost
