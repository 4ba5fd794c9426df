// Recent-files list and menu model (see recent_files.h).
#include "shell/recent_files.h"

#include <cctype>
#include <cstdio>

namespace shell {
namespace {

bool sameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::string itemKey(int i) {
  char key[32];
  std::snprintf(key, sizeof key, "Item%d", i);
  return key;
}

}  // namespace

std::vector<std::string> readRecentFiles(ui::SettingsSource& src) {
  int n = src.getInt(kRecentSection, "NumItems", 0);
  if (n < 0) n = 0;
  if (n > kMaxRecentFiles) n = kMaxRecentFiles;
  std::vector<std::string> names;
  for (int i = 0; i < n; ++i)
    names.push_back(src.getString(kRecentSection, itemKey(i).c_str(), "", kRecentNameChars));
  return names;
}

void writeRecentFiles(ui::SettingsSource& dst, const std::vector<std::string>& names, int previousCount) {
  int n = static_cast<int>(names.size());
  for (int i = 0; i < n; ++i)
    dst.writeString(kRecentSection, itemKey(i).c_str(), names[static_cast<size_t>(i)].c_str());
  for (int i = n; i < previousCount; ++i) dst.writeString(kRecentSection, itemKey(i).c_str(), nullptr);
  char count[16];
  std::snprintf(count, sizeof count, "%d", n);
  dst.writeString(kRecentSection, "NumItems", count);
}

void addRecentFile(std::vector<std::string>* names, const std::string& name) {
  for (auto it = names->begin(); it != names->end(); ++it) {
    if (sameName(*it, name)) {
      names->erase(it);
      names->push_back(name);
      return;
    }
  }
  while (names->size() >= static_cast<size_t>(kMaxRecentFiles)) names->erase(names->begin());
  names->push_back(name);
}

std::vector<RecentMenuItem> buildRecentMenu(const std::vector<std::string>& names) {
  std::vector<RecentMenuItem> items;
  long n = static_cast<long>(names.size());
  if (n > kMaxRecentFiles) n = kMaxRecentFiles;
  for (long i = n - 1; i >= 0; --i) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "&%01ld ", (n - i) % 10);
    items.push_back({kRecentFirstId + static_cast<int>(i), prefix + names[static_cast<size_t>(i)], false});
  }
  if (n > 0) items.push_back({kRecentSeparatorId, std::string(), true});
  return items;
}

const std::string* recentFileForCommand(const std::vector<std::string>& names, int n) {
  if (n < 0 || n >= kMaxRecentFiles || static_cast<size_t>(n) >= names.size()) return nullptr;
  return &names[static_cast<size_t>(n)];
}

}  // namespace shell
