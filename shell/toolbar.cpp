// The toolbar's data: built-in table, button record, order (default, load, save), layout and the dialog's
// list operations. See toolbar.h.
#include "shell/toolbar.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace shell {

const ToolbarBuiltin kToolbarBuiltins[kToolbarBuiltinCount] = {
    {0, "[Space]", nullptr, 0, "Blank"},
    {1050, "File New", "INEW2", 11, "New"},
    {1100, "File Open", "IOpen", 12, "Open"},
    {138, "File Save", "ISave", 13, "Save"},
    {1051, "File New Instance", "INewInst", 24, "NewInstance"},
    {114, "File Save Selection", "ISaveSel", 14, "SaveSelection"},
    {102, "Edit Undo", "IUndo", 36, "Undo"},
    {2210, "Edit Trim", "ITrim", 30, "Trim"},
    {2200, "Edit Delete", "IDel", 29, "Delete"},
    {2050, "Edit Copy", "ICopy", 25, "Copy"},
    {2150, "Edit Cut", "ICut", 26, "Cut"},
    {2100, "Edit Paste", "IPaste", 27, "Paste"},
    {2110, "Edit Paste Special", "IPasteSp", 28, "PasteSpecial"},
    {3080, "Reverse", "IReverse", 15, "Reverse"},
    {3140, "Silence", "ISilence", 16, "Silence"},
    {3100, "Invert", "IInvert", 17, "Invert"},
    {3150, "Music", "IMusic", 18, "Music"},
    {4100, "Generate Silence", "IGSilence", 19, "AddSilence"},
    {5010, "Loop", "ILoop", 20, "Loop"},
    {5030, "Monitor VU Level", "IMonitor", 31, "Monitor"},
    {5040, "Settings", "ISetting", 35, "Settings"},
    {5060, "Frequency Analysis", "IAnalys", 32, "Analysis"},
    {5050, "Info", "IInfo", 21, "Info"},
    {113, "Scripts", "IScripts", 23, "Scripts"},
    {137, "Cue List", "ICueLst", 33, "CueList"},
    {136, "Play List", "IPlayLst", 34, "PlayList"},
    {148, "CD Player", "ICDPlayer", 45, "CD"},
    {341, "Edit Left Channel", "IELeft", 111, "xxx"},
    {342, "Edit Right Channel", "IERight", 112, "xxx"},
    {340, "Edit Both Channels", "IEBoth", 113, "xxx"},
    {2211, "Edit Spectral/Wave View", "IESpec", 114, "xxx"},
    {312, "Edit Zero Cross", "IZero", 115, "xxx"},
    {6100, "Help", "IHelp", 22, "Help"},
};

const ToolbarCdButton kToolbarCdButtons[kToolbarCdButtonCount] = {
    {144, "ICDGotoMark", 38}, {142, "ICDNew", 39}, {143, "ICDStop", 40}, {149, "ICDPlay", 41},
    {146, "ICDRR", 42},       {147, "ICDFF", 43},  {145, "ICDMark", 44},
};

namespace {

bool sameText(const std::string& a, const char* b) {
  size_t n = 0;
  for (; b[n]; ++n) {
    if (n >= a.size()) return false;
    if (std::tolower(static_cast<unsigned char>(a[n])) != std::tolower(static_cast<unsigned char>(b[n])))
      return false;
  }
  return n == a.size();
}

const char* const kGeneratePrefix = "Generate ";

int transformIdForName(const std::string& name, const ToolbarTransforms& transforms) {
  for (const ToolbarTransform& t : transforms) {
    if (t.hidden()) continue;
    if (sameText(name, t.name.c_str())) return t.id;
    if (t.generator() && sameText(name, (kGeneratePrefix + t.name).c_str())) return t.id;
  }
  return -1;
}

const char* const kNewSection = "NewToolbar";
const char* const kOldSection = "Toolbar";

std::string itemKey(int n) {
  char key[24];
  std::snprintf(key, sizeof key, "Item%d", n);
  return key;
}

// Adds an id read from the settings file: unknown ids are skipped, and so are repeats other than spacers.
void addReadId(ToolbarOrder* order, int id) {
  if (id < 0) return;
  if (id != kToolbarSpacerId && order->contains(id)) return;
  order->append(id);
}

// Makes room for n more ids by dropping spacers, the last ones first, so that every button keeps a place.
void makeRoom(ToolbarOrder* order, int n) {
  std::vector<int> ids = order->ids();
  for (int i = int(ids.size()) - 1; i >= 0 && int(ids.size()) + n > kToolbarOrderSlots; --i)
    if (ids[size_t(i)] == kToolbarSpacerId) ids.erase(ids.begin() + i);
  order->assign(ids);
}

// Appends every non-hidden transform and built-in entry the order lacks; true when anything was appended.
bool appendMissing(ToolbarOrder* order, const ToolbarTransforms& transforms) {
  std::vector<int> missing;
  for (const ToolbarTransform& t : transforms)
    if (!t.hidden() && !order->contains(t.id)) missing.push_back(t.id);
  for (int i = 1; i < kToolbarBuiltinCount; ++i)
    if (!order->contains(kToolbarBuiltins[i].id)) missing.push_back(kToolbarBuiltins[i].id);
  if (missing.empty()) return false;
  makeRoom(order, int(missing.size()));
  for (int id : missing) order->append(id);
  return true;
}

void readNewSection(ToolbarOrder* order, ui::SettingsSource& ini, int count,
                    const ToolbarTransforms& transforms) {
  count = std::min(count, kToolbarOrderSlots);  // items past the slots would be dropped anyway
  for (int n = 1; n <= count; ++n) {
    const std::string name = ini.getString(kNewSection, itemKey(n).c_str(), "", kToolbarItemChars);
    addReadId(order, ToolbarIdForLongName(name, transforms));
  }
}

// Count 0 (or missing) gives the default order; Count c > 1 names Item1 .. Item<c - 1>.
void readOldSection(ToolbarOrder* order, ui::SettingsSource& ini, const ToolbarTransforms& transforms) {
  const int count = ini.getInt(kOldSection, "Count", 0);
  if (count <= 0) {
    *order = DefaultToolbarOrder(transforms);
    return;
  }
  const int last = std::min(count - 1, kToolbarOrderSlots);
  for (int n = 1; n <= last; ++n) {
    const std::string name = ini.getString(kOldSection, itemKey(n).c_str(), "", kToolbarItemChars);
    addReadId(order, ToolbarIdForShortName(name, transforms));
  }
}

}  // namespace

const ToolbarBuiltin* FindToolbarBuiltin(int id) {
  if (id == kToolbarSpacerId) return nullptr;
  for (const ToolbarBuiltin& b : kToolbarBuiltins)
    if (b.id == id) return &b;
  return nullptr;
}

ToolbarTransforms ToolbarButtonTransforms(const ToolbarTransforms& all) {
  ToolbarTransforms out;
  for (const ToolbarTransform& t : all) {
    if (t.hidden()) continue;
    if (int(out.size()) >= kToolbarMaxTransformButtons) break;
    out.push_back(t);
  }
  return out;
}

std::string ToolbarItemName(int id, const ToolbarTransforms& transforms) {
  if (id == kToolbarSpacerId) return kToolbarBuiltins[0].longName;
  if (const ToolbarBuiltin* b = FindToolbarBuiltin(id)) return b->longName;
  for (const ToolbarTransform& t : transforms)
    if (t.id == id) return t.generator() ? kGeneratePrefix + t.name : t.name;
  return "???";
}

int ToolbarIdForLongName(const std::string& name, const ToolbarTransforms& transforms) {
  for (const ToolbarBuiltin& b : kToolbarBuiltins)
    if (sameText(name, b.longName)) return b.id;
  return transformIdForName(name, transforms);
}

int ToolbarIdForShortName(const std::string& name, const ToolbarTransforms& transforms) {
  for (const ToolbarBuiltin& b : kToolbarBuiltins)
    if (sameText(name, b.shortName)) return b.id;
  return transformIdForName(name, transforms);
}

bool ToolbarOrder::contains(int id) const {
  for (int i = 0; i < count; ++i)
    if (slots[size_t(i)] == id) return true;
  return false;
}

bool ToolbarOrder::append(int id) {
  if (count >= kToolbarOrderSlots) return false;
  slots[size_t(count++)] = uint16_t(id);
  return true;
}

void ToolbarOrder::assign(const std::vector<int>& ids) {
  slots.fill(0);
  count = 0;
  for (int id : ids)
    if (!append(id)) break;
}

ToolbarOrder DefaultToolbarOrder(const ToolbarTransforms& transforms) {
  std::vector<int> ids = {1050, 1100, 138, 114, 1051, kToolbarSpacerId, 3080, 3140, 3100, 3150};
  auto addGroup = [&](uint32_t bit) {
    for (const ToolbarTransform& t : transforms)
      if (!t.hidden() && (t.flags & bit) && std::find(ids.begin(), ids.end(), t.id) == ids.end())
        ids.push_back(t.id);
  };
  addGroup(kXfmTransform);
  ids.insert(ids.end(), {kToolbarSpacerId, 4100});
  addGroup(kXfmGenerate);
  ids.push_back(kToolbarSpacerId);
  addGroup(kXfmAnalyze);
  ids.insert(ids.end(), {148,
                         6100,
                         5010,
                         5030,
                         5040,
                         5060,
                         5050,
                         113,
                         137,
                         136,
                         kToolbarSpacerId,
                         102,
                         2210,
                         2200,
                         2050,
                         2150,
                         2100,
                         2110,
                         341,
                         342,
                         340,
                         2211,
                         312,
                         kToolbarSpacerId,
                         kToolbarSpacerId,
                         kToolbarSpacerId,
                         kToolbarSpacerId});
  // A long list of transforms gives up its tail rather than push a built-in entry out of the slots.
  if (ids.size() > size_t(kToolbarOrderSlots)) {
    auto isTransform = [&](int id) {
      return std::any_of(transforms.begin(), transforms.end(),
                         [id](const ToolbarTransform& t) { return t.id == id; });
    };
    const long fixed = std::count_if(ids.begin(), ids.end(), [&](int id) { return !isTransform(id); });
    long transformRoom = kToolbarOrderSlots - fixed;
    std::vector<int> kept;
    for (int id : ids)
      if (!isTransform(id) || transformRoom-- > 0) kept.push_back(id);
    ids = kept;
  }
  ToolbarOrder order;
  order.assign(ids);
  return order;
}

bool LoadToolbarOrder(ToolbarOrder* order, ui::SettingsSource& ini, const ToolbarTransforms& transforms,
                      const std::string& versionText) {
  if (order->loaded()) return false;
  ToolbarOrder read;
  read.assign({});
  bool save = false;
  const int count = ini.getInt(kNewSection, "Count", 0);
  const int version = ini.getInt(kNewSection, "Version", 0);
  if (count > 0 && version != 0) {
    readNewSection(&read, ini, count, transforms);
  } else {
    readOldSection(&read, ini, transforms);
    save = true;
  }
  if (appendMissing(&read, transforms)) save = true;
  *order = read;
  if (save) SaveToolbarOrder(*order, ini, transforms, versionText);
  return save;
}

void SaveToolbarOrder(const ToolbarOrder& order, ui::SettingsSource& ini, const ToolbarTransforms& transforms,
                      const std::string& versionText) {
  // Items past the new count are left over from a longer order (a transform since removed): drop them, as
  // far as a sane old count reaches.
  const int oldCount = std::min(ini.getInt(kNewSection, "Count", 0), 4 * kToolbarOrderSlots);
  for (int n = order.count + 1; n <= oldCount; ++n) ini.writeString(kNewSection, itemKey(n).c_str(), nullptr);
  ini.writeString(kNewSection, "Version", versionText.c_str());
  ini.writeString(kNewSection, "Count", std::to_string(order.count).c_str());
  for (int n = 1; n <= order.count; ++n)
    ini.writeString(kNewSection, itemKey(n).c_str(),
                    ToolbarItemName(order.slots[size_t(n - 1)], transforms).c_str());
}

bool ToolbarRecord::addButton(int id, const std::string& bitmapName, const std::string& tip, void* image) {
  if (id <= 0 || int(buttons.size()) >= kToolbarMaxButtons || find(id)) return false;
  ToolbarButtonInfo b;
  b.id = id;
  b.left = nextX;
  b.top = top;
  b.tip = tip.substr(0, kToolbarTipChars - 1);
  b.bitmap = bitmapName.substr(0, 19);
  b.image = image;
  buttons.push_back(b);
  nextX += kToolbarButtonStep;
  return true;
}

ToolbarButtonInfo* ToolbarRecord::find(int id) {
  for (ToolbarButtonInfo& b : buttons)
    if (b.id == id) return &b;
  return nullptr;
}

const ToolbarButtonInfo* ToolbarRecord::find(int id) const {
  for (const ToolbarButtonInfo& b : buttons)
    if (b.id == id) return &b;
  return nullptr;
}

bool ToolbarRecord::place(int id, int x, int y) {
  ToolbarButtonInfo* b = find(id);
  if (!b) return false;
  b->left = x;
  b->top = y;
  return true;
}

ToolbarButtonInfo* ToolbarRecord::hit(int x, int y) {
  for (ToolbarButtonInfo& b : buttons)
    if (b.left != kToolbarHiddenX && b.contains(x, y)) return &b;
  return nullptr;
}

int LayoutToolbar(ToolbarRecord* record, const ToolbarOrder& order, int width) {
  int x = kToolbarLeft, shown = 0;
  bool full = false;
  for (int i = 0; i < order.count; ++i) {
    const int id = order.slots[size_t(i)];
    if (id == kToolbarSpacerId) {
      x += kToolbarSpacerStep;
      continue;
    }
    ToolbarButtonInfo* b = record->find(id);
    if (!b) continue;
    if (x > width - kToolbarRightMargin) full = true;
    b->top = record->top;
    if (full) {
      b->left = kToolbarHiddenX;
      continue;
    }
    b->left = x;
    x += kToolbarButtonStep;
    ++shown;
  }
  return shown;
}

int ToolbarDrawnWidth(const ToolbarRecord& record, int width) {
  int right = 0;
  for (const ToolbarButtonInfo& b : record.buttons)
    if (b.top == record.top && b.left >= 0) right = std::max(right, b.left + kToolbarButtonSize);
  return std::max(0, std::min(right, width));
}

void ToolbarListUp(std::vector<int>* ids, std::vector<bool>* selected) {
  const size_t n = std::min(ids->size(), selected->size());
  size_t first = 0;
  while (first < n && !(*selected)[first]) ++first;
  if (first == 0 || first >= n) return;
  size_t end = first;
  while (end < n && (*selected)[end]) ++end;
  // The entry above the run goes below it.
  std::rotate(ids->begin() + long(first - 1), ids->begin() + long(first), ids->begin() + long(end));
  std::rotate(selected->begin() + long(first - 1), selected->begin() + long(first),
              selected->begin() + long(end));
}

void ToolbarListDown(std::vector<int>* ids, std::vector<bool>* selected) {
  const size_t n = std::min(ids->size(), selected->size());
  size_t first = 0;
  while (first < n && !(*selected)[first]) ++first;
  if (first >= n) return;
  size_t end = first;
  while (end < n && (*selected)[end]) ++end;
  if (end >= n) return;
  // The entry below the run goes above it.
  std::rotate(ids->begin() + long(first), ids->begin() + long(end), ids->begin() + long(end + 1));
  std::rotate(selected->begin() + long(first), selected->begin() + long(end),
              selected->begin() + long(end + 1));
}

void ToolbarListZap(std::vector<int>* ids, std::vector<bool>* selected) {
  const size_t n = std::min(ids->size(), selected->size());
  ids->resize(n);
  selected->resize(n);
  // Each selected entry, from the last to the first, is taken out and put at the end.
  for (size_t i = n; i-- > 0;) {
    if (!(*selected)[i]) continue;
    const int id = (*ids)[i];
    ids->erase(ids->begin() + long(i));
    ids->push_back(id);
    selected->erase(selected->begin() + long(i));
    selected->push_back(true);
  }
}

}  // namespace shell
