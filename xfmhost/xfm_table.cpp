// The transform table and its menus; see xfm_table.h.
#include "xfmhost/xfm_table.h"

#include <cctype>
#include <cstring>

namespace xfmhost {
namespace {

XfmEntry makeEntry(const XfmInfo& info, const std::string& fileName) {
  XfmEntry e;
  std::memset(&e, 0, sizeof e);
  e.info = info;
  std::strncpy(e.fileName, fileName.c_str(), sizeof e.fileName - 1);
  return e;
}

bool equalNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && compareNames(a.c_str(), b.c_str()) == 0;
}

}  // namespace

int compareNames(const char* a, const char* b) {
  for (;; ++a, ++b) {
    int x = std::tolower(static_cast<unsigned char>(*a)), y = std::tolower(static_cast<unsigned char>(*b));
    if (x != y || x == 0) return x - y;
  }
}

size_t TransformTable::insertSorted(const XfmInfo& info, const std::string& fileName) {
  size_t i = 0;
  while (i < entries_.size() && compareNames(entries_[i].info.name, info.name) < 0) ++i;
  entries_.insert(entries_.begin() + i, makeEntry(info, fileName));
  return i;
}

void TransformTable::append(const XfmInfo& info, const std::string& fileName) {
  entries_.push_back(makeEntry(info, fileName));
}

int TransformTable::find(const std::string& name, bool lastComponent) const {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (compareNames(entries_[i].info.name, name.c_str()) == 0) return int(i);
    if (lastComponent && compareNames(shortName(entries_[i].info.name).c_str(), name.c_str()) == 0)
      return int(i);
  }
  return -1;
}

std::string shortName(const char* name) {
  const char* slash = std::strrchr(name, '\\');
  return slash ? slash + 1 : name;
}

MenuKind menuFor(uint32_t flags) {
  if (flags & XFM_HIDDEN) return MenuKind::kNone;
  if (flags & XFM_TRANSFORM) return MenuKind::kTransform;
  if (flags & XFM_GENERATE) return MenuKind::kGenerate;
  if (flags & XFM_ANALYZE) return MenuKind::kAnalyze;
  return MenuKind::kNone;
}

void insertMenuPath(MenuNode* menu, const std::string& path, uint32_t command) {
  size_t from = 0;
  for (;;) {
    size_t slash = path.find('\\', from);
    if (slash == std::string::npos) break;
    std::string part = path.substr(from, slash - from);
    MenuNode* found = nullptr;
    for (size_t i = menu->children.size(); i-- > 0;) {
      MenuNode& c = menu->children[i];
      if (c.popup && equalNoCase(c.text, part)) {
        found = &c;
        break;
      }
    }
    if (!found) {
      MenuNode popup;
      popup.text = part;
      popup.popup = true;
      menu->children.push_back(popup);
      found = &menu->children.back();
    }
    menu = found;
    from = slash + 1;
  }
  MenuNode item;
  item.text = path.substr(from);
  if (item.text.compare(0, 3, "---") == 0) {
    item.separator = true;
    item.text.clear();
  } else {
    item.command = command;
  }
  menu->children.push_back(item);
}

TransformMenus buildTransformMenus(const TransformTable& table) {
  TransformMenus menus;
  for (size_t i = 0; i < table.size(); ++i) {
    const XfmInfo& info = table.at(i).info;
    MenuNode* menu = nullptr;
    switch (menuFor(info.flags)) {
      case MenuKind::kTransform:
        menu = &menus.transform;
        break;
      case MenuKind::kGenerate:
        menu = &menus.generate;
        break;
      case MenuKind::kAnalyze:
        menu = &menus.analyze;
        break;
      case MenuKind::kNone:
        break;
    }
    if (menu) insertMenuPath(menu, std::string(info.name) + "...", uint32_t(XFM_MENU_BASE + i));
  }
  insertMenuPath(&menus.transform, "Special\\Music...", kMusicCommand);
  return menus;
}

bool transformItemEnabled(const XfmInfo& info, const MenuState& s) {
  uint32_t f = info.flags;
  if (s.audioBusy) return false;
  bool withData = s.waveOpen && s.waveFrames > 0;
  if ((f & (XFM_TRANSFORM | XFM_ANALYZE)) && !withData) return false;
  if ((f & XFM_NEEDS_DATA) && s.waveOpen && s.waveFrames <= 0) return false;
  if ((f & XFM_BOTH_CHANNELS) && s.oneChannelSelected) return false;
  if (s.waveOpen) {
    bool mono = s.waveChannels == 1 || s.oneChannelSelected;
    uint16_t need = (f & XFM_NATIVE_FORMAT) ? (mono ? 0x14 : 0x28) : (mono ? 0x04 : 0x08);
    if ((info.formatMask & need) == 0) return false;
  }
  return true;
}

}  // namespace xfmhost
