#include "shell/recent_files.h"

#include <gtest/gtest.h>

namespace shell {
namespace {

TEST(RecentMenu, ThreeItemsNewestFirst) {
  std::vector<RecentMenuItem> m = buildRecentMenu({"a", "b", "c"});
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(m[0].id, 14002);
  EXPECT_EQ(m[0].text, "&1 c");
  EXPECT_EQ(m[1].id, 14001);
  EXPECT_EQ(m[1].text, "&2 b");
  EXPECT_EQ(m[2].id, 14000);
  EXPECT_EQ(m[2].text, "&3 a");
  EXPECT_TRUE(m[3].separator);
  EXPECT_EQ(m[3].id, 13999);
}

TEST(RecentMenu, EmptyListHasNoSeparator) {
  EXPECT_TRUE(buildRecentMenu({}).empty());
}

TEST(RecentMenu, ReadClampsTheCountToEight) {
  ui::MemorySettingsSource src;
  src.set("DirGroup 100", "NumItems", "50");
  for (int i = 0; i < 12; ++i)
    src.set("DirGroup 100", ("Item" + std::to_string(i)).c_str(), "f" + std::to_string(i));
  std::vector<std::string> names = readRecentFiles(src);
  ASSERT_EQ(names.size(), 8u);
  EXPECT_EQ(names[7], "f7");
  std::vector<RecentMenuItem> m = buildRecentMenu(names);
  EXPECT_EQ(m.front().id, 14007);
  EXPECT_EQ(m.front().text, "&1 f7");
  EXPECT_EQ(m[7].text, "&8 f0");
  for (const RecentMenuItem& it : m) EXPECT_LE(it.id, kRecentLastId);
}

TEST(RecentMenu, NegativeCountReadsNothing) {
  ui::MemorySettingsSource src;
  src.set("DirGroup 100", "NumItems", "-3");
  EXPECT_TRUE(readRecentFiles(src).empty());
}

TEST(RecentFiles, AddMovesAnExistingNameToTheEnd) {
  std::vector<std::string> names = {"A.WAV", "b.wav", "c.wav"};
  addRecentFile(&names, "a.wav");
  EXPECT_EQ(names, (std::vector<std::string>{"b.wav", "c.wav", "a.wav"}));
}

TEST(RecentFiles, AddDropsTheOldestWhenFull) {
  std::vector<std::string> names;
  for (int i = 0; i < 8; ++i) addRecentFile(&names, "f" + std::to_string(i));
  addRecentFile(&names, "new");
  ASSERT_EQ(names.size(), 8u);
  EXPECT_EQ(names.front(), "f1");
  EXPECT_EQ(names.back(), "new");
}

TEST(RecentFiles, WriteRemovesStaleKeys) {
  ui::MemorySettingsSource ini;
  writeRecentFiles(ini, {"a", "b", "c"}, 0);
  writeRecentFiles(ini, {"x"}, 3);
  EXPECT_EQ(ini.value("DirGroup 100", "NumItems"), "1");
  EXPECT_EQ(ini.value("DirGroup 100", "Item0"), "x");
  EXPECT_FALSE(ini.has("DirGroup 100", "Item1"));
  EXPECT_FALSE(ini.has("DirGroup 100", "Item2"));
  EXPECT_EQ(readRecentFiles(ini), (std::vector<std::string>{"x"}));
}

}  // namespace
}  // namespace shell

namespace shell {
namespace {

// Every item of the menu, for lists of every length, opens the name its text shows; ids that name no
// entry (past the list, the separator, below the range) open nothing.
TEST(RecentMenu, EachItemOpensTheNameItsTextShows) {
  for (int count = 0; count <= kMaxRecentFiles; ++count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back("C:\\waves\\take" + std::to_string(i) + ".wav");
    int items = 0;
    for (const RecentMenuItem& it : buildRecentMenu(names)) {
      if (it.separator) {
        EXPECT_EQ(recentFileForCommand(names, it.id - kRecentFirstId), nullptr);
        continue;
      }
      ++items;
      const std::string* opened = recentFileForCommand(names, it.id - kRecentFirstId);
      ASSERT_NE(opened, nullptr) << "count " << count << " id " << it.id;
      // The text is "&<digit> " followed by the name.
      ASSERT_GT(it.text.size(), 3u);
      EXPECT_EQ(it.text.substr(3), *opened) << "count " << count << " id " << it.id;
    }
    EXPECT_EQ(items, count);
    EXPECT_EQ(recentFileForCommand(names, count), nullptr);
    EXPECT_EQ(recentFileForCommand(names, -1), nullptr);
    EXPECT_EQ(recentFileForCommand(names, kRecentLastId - kRecentFirstId), nullptr);
  }
}

}  // namespace
}  // namespace shell
