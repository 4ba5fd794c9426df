// The main window's custom toolbar as plain data: the built-in button table, the button record (ids, places,
// enable states, tips), the user's button order with its settings-file forms, the layout of the row for a
// client width and the list operations of the "Toolbar Settings" dialog. The window side (toolbar_win.cpp)
// draws, hit-tests and runs the tips; everything that decides is here, so it is tested natively.
//
// Capacities are fixed (69 buttons, 88 order slots) and every path that fills them checks them: transforms
// beyond the room get no button (the menus still list them), extra settings-file items are ignored, and a
// stored order full of spacers gives up spacers so that every button keeps a place in the row.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/settings_source.h"

namespace shell {

constexpr int kToolbarBuiltinCount = 33;  // entry 0 is the spacer
constexpr int kToolbarMaxButtons = 69;
constexpr int kToolbarOrderSlots = 88;
constexpr uint16_t kToolbarOrderUnloaded = 0xFFFF;  // in the first slot: the order was not loaded yet
constexpr int kToolbarSpacerId = 0;
constexpr int kToolbarCdButtonCount = 7;
// Room left for transform buttons after the 32 built-in and the 7 CD player buttons.
constexpr int kToolbarMaxTransformButtons =
    kToolbarMaxButtons - (kToolbarBuiltinCount - 1) - kToolbarCdButtonCount;

// Geometry of the row.
constexpr int kToolbarLeft = 6, kToolbarTop = 4;
constexpr int kToolbarButtonSize = 24;
constexpr int kToolbarButtonStep = 25;  // a button advances x by this much
constexpr int kToolbarSpacerStep = 8;   // a spacer by this much
constexpr int kToolbarRightMargin = 6;  // past width - 6 the rest is hidden
constexpr int kToolbarHiddenX = -40;    // where hidden buttons go

constexpr int kToolbarLongNameChars = 32, kToolbarShortNameChars = 16, kToolbarTipChars = 70;
constexpr int kToolbarItemChars = 59;  // an Item<n> value as read from the settings file

struct ToolbarBuiltin {
  uint16_t id;
  const char* longName;   // in [NewToolbar] and the dialog
  const char* bitmap;     // bitmap resource name; null for the spacer
  uint16_t tipId;         // string-table id of the tip; 0 for the spacer
  const char* shortName;  // in the older [Toolbar] section
};
extern const ToolbarBuiltin kToolbarBuiltins[kToolbarBuiltinCount];
const ToolbarBuiltin* FindToolbarBuiltin(int id);  // null for ids not in the table (and for the spacer)

// The CD player's buttons, placed on the CD bar rather than in the row; the first and the last start
// disabled.
struct ToolbarCdButton {
  uint16_t id;
  const char* bitmap;
  uint16_t tipId;
};
extern const ToolbarCdButton kToolbarCdButtons[kToolbarCdButtonCount];

// Plug-in flag bits that matter to the toolbar.
constexpr uint32_t kXfmTransform = 0x1;  // Transform menu: its group in the default order
constexpr uint32_t kXfmGenerate = 0x2;   // Generate menu: stored as "Generate " + name
constexpr uint32_t kXfmAnalyze = 0x400;  // Analyze menu
constexpr uint32_t kXfmHidden = 0x4000;  // never on the toolbar

// A transform as the toolbar sees it: command 7000 + index, its name and its plug-in flags.
struct ToolbarTransform {
  int id = 0;
  std::string name;
  uint32_t flags = 0;
  bool generator() const { return (flags & kXfmGenerate) != 0; }
  bool hidden() const { return (flags & kXfmHidden) != 0; }
};
using ToolbarTransforms = std::vector<ToolbarTransform>;

// The transforms that get a button: those not hidden, up to the room left in the button record.
ToolbarTransforms ToolbarButtonTransforms(const ToolbarTransforms& all);

// The name of an order entry in the settings file and the dialog: the long name of a built-in entry
// ("[Space]" for a spacer), a transform's name ("Generate " + name for a generator), "???" otherwise.
std::string ToolbarItemName(int id, const ToolbarTransforms& transforms);
// The id an [NewToolbar] item (long names) or an older [Toolbar] item (short names) stands for: a built-in
// entry, else a non-hidden transform by name or "Generate " + name; -1 when nothing matches. Names compare
// without regard to letter case.
int ToolbarIdForLongName(const std::string& name, const ToolbarTransforms& transforms);
int ToolbarIdForShortName(const std::string& name, const ToolbarTransforms& transforms);

// The button order: up to 88 command ids, 0 a spacer; 0xFFFF in the first slot until it is loaded.
struct ToolbarOrder {
  std::array<uint16_t, kToolbarOrderSlots> slots;
  int count = 0;
  ToolbarOrder() {
    slots.fill(0);
    slots[0] = kToolbarOrderUnloaded;
  }
  bool loaded() const { return slots[0] != kToolbarOrderUnloaded || count > 0; }
  std::vector<int> ids() const { return std::vector<int>(slots.begin(), slots.begin() + count); }
  bool contains(int id) const;
  // False (and nothing changes) when all 88 slots are used.
  bool append(int id);
  void assign(const std::vector<int>& ids);  // keeps at most 88
};

// The default order for the installed transforms (hidden ones left out; a transform in two groups appears
// in the first).
ToolbarOrder DefaultToolbarOrder(const ToolbarTransforms& transforms);

// Loads the order, only while it is not loaded: [NewToolbar] when its Count and Version are both non-zero,
// else the older [Toolbar] (Count 0 or missing: the default order), which is then saved in the new form;
// unknown items and repeated ids (other than spacers) are skipped; every transform and built-in entry still
// missing is appended, and the order saved when anything was. versionText is written as Version. True when
// the order was saved.
bool LoadToolbarOrder(ToolbarOrder* order, ui::SettingsSource& ini, const ToolbarTransforms& transforms,
                      const std::string& versionText);
// [NewToolbar] Version, Count and Item1 .. Item<Count>.
void SaveToolbarOrder(const ToolbarOrder& order, ui::SettingsSource& ini, const ToolbarTransforms& transforms,
                      const std::string& versionText);

// One button of the toolbar record.
struct ToolbarButtonInfo {
  int id = 0;
  int left = 0, top = 0;     // the rectangle is left, top .. left + 24, top + 24
  bool enabled = true;       // drawn normal (true) or greyed
  bool ownerEnabled = true;  // what the button's owner last asked for (the CD player's buttons)
  bool pressed = false;      // drawn pressed
  std::string tip;           // at most 69 characters
  std::string bitmap;        // resource name, at most 19 characters; empty for a plug-in's own bitmap
  void* image = nullptr;     // the loaded bitmap (a plug-in's, or loaded from the resource)
  bool contains(int x, int y) const {
    return x >= left && x < left + kToolbarButtonSize && y >= top && y < top + kToolbarButtonSize;
  }
};

// The toolbar record: next free x, the row's y and the buttons.
struct ToolbarRecord {
  int nextX = kToolbarLeft, top = kToolbarTop;
  std::vector<ToolbarButtonInfo> buttons;
  // Adds a button at the next free x (x advances by 25); false when the record is full or the id is
  // already there (id 0 and negative ids are refused).
  bool addButton(int id, const std::string& bitmap, const std::string& tip, void* image = nullptr);
  void addSpacer() { nextX += kToolbarSpacerStep; }
  ToolbarButtonInfo* find(int id);
  const ToolbarButtonInfo* find(int id) const;
  bool place(int id, int x, int y);
  // The button under a client point (hidden ones never are), or null.
  ToolbarButtonInfo* hit(int x, int y);
};

// Places the buttons of the order in the row for a client width: x from 6, +25 per button, +8 per spacer;
// from the first button whose x is past width - 6 on, every button of the order goes to x = -40. Buttons that
// are not in the order keep their place (the CD player's). Returns how many buttons of the order are shown.
int LayoutToolbar(ToolbarRecord* record, const ToolbarOrder& order, int width);
// The right end of the shown part of the row (the width the off-screen bitmap needs), at most width.
int ToolbarDrawnWidth(const ToolbarRecord& record, int width);

// The dialog's list operations on the order shown in the list and its selection flags (same length).
// Up moves the first contiguous run of selected entries up one place, Down moves it down one place; nothing
// moves when the run is already at that end. Zap moves every selected entry to the end of the list, taking
// them from the last selected to the first. The selection moves with the entries.
void ToolbarListUp(std::vector<int>* ids, std::vector<bool>* selected);
void ToolbarListDown(std::vector<int>* ids, std::vector<bool>* selected);
void ToolbarListZap(std::vector<int>* ids, std::vector<bool>* selected);

}  // namespace shell
