#include "shell/toolbar.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace shell {
namespace {

// Fake transforms: commands 7000 + n with the plug-in flags that place them.
ToolbarTransforms fakeTransforms() {
  return {
      {7000, "Echo", kXfmTransform},
      {7001, "Tone", kXfmGenerate},
      {7002, "Spectrum", kXfmAnalyze},
      {7003, "Secret", kXfmTransform | kXfmHidden},
      {7004, "Noise", kXfmTransform | kXfmGenerate},  // in two groups: listed once
  };
}

std::vector<int> defaultIdsFor(const std::vector<int>& transformGroup, const std::vector<int>& generators,
                               const std::vector<int>& analyzers) {
  std::vector<int> ids = {1050, 1100, 138, 114, 1051, 0, 3080, 3140, 3100, 3150};
  ids.insert(ids.end(), transformGroup.begin(), transformGroup.end());
  ids.insert(ids.end(), {0, 4100});
  ids.insert(ids.end(), generators.begin(), generators.end());
  ids.push_back(0);
  ids.insert(ids.end(), analyzers.begin(), analyzers.end());
  ids.insert(ids.end(), {148,  6100, 5010, 5030, 5040, 5060, 5050, 113,  137, 136, 0, 102, 2210, 2200,
                         2050, 2150, 2100, 2110, 341,  342,  340,  2211, 312, 0,   0, 0,   0});
  return ids;
}

std::vector<std::string> savedItems(const ui::MemorySettingsSource& ini) {
  std::vector<std::string> items;
  const int count = std::stoi(ini.value("NewToolbar", "Count"));
  for (int n = 1; n <= count; ++n)
    items.push_back(ini.value("NewToolbar", ("Item" + std::to_string(n)).c_str()));
  return items;
}

void writeNewSection(ui::MemorySettingsSource* ini, const std::vector<std::string>& items) {
  ini->set("NewToolbar", "Version", "96");
  ini->set("NewToolbar", "Count", std::to_string(items.size()));
  for (size_t i = 0; i < items.size(); ++i)
    ini->set("NewToolbar", ("Item" + std::to_string(i + 1)).c_str(), items[i]);
}

std::vector<int> allBuiltinIds() {
  std::vector<int> ids;
  for (int i = 1; i < kToolbarBuiltinCount; ++i) ids.push_back(kToolbarBuiltins[i].id);
  return ids;
}

TEST(ToolbarOrder, BuiltinTableHasUniqueIdsAndNames) {
  std::set<int> ids;
  std::set<std::string> longNames;
  for (const ToolbarBuiltin& b : kToolbarBuiltins) {
    ids.insert(b.id);
    longNames.insert(b.longName);
    EXPECT_LT(std::string(b.longName).size(), size_t(kToolbarLongNameChars));
    EXPECT_LT(std::string(b.shortName).size(), size_t(kToolbarShortNameChars));
  }
  EXPECT_EQ(ids.size(), size_t(kToolbarBuiltinCount));
  EXPECT_EQ(longNames.size(), size_t(kToolbarBuiltinCount));
  EXPECT_EQ(FindToolbarBuiltin(1100)->tipId, 12);
  EXPECT_STREQ(FindToolbarBuiltin(6100)->bitmap, "IHelp");
  EXPECT_EQ(FindToolbarBuiltin(0), nullptr);
  EXPECT_EQ(FindToolbarBuiltin(7000), nullptr);
}

TEST(ToolbarOrder, NoSectionsGiveTheDefaultOrderAndWriteIt) {
  ui::MemorySettingsSource ini;
  ToolbarOrder order;
  EXPECT_FALSE(order.loaded());
  EXPECT_TRUE(LoadToolbarOrder(&order, ini, fakeTransforms(), "96"));
  EXPECT_EQ(order.ids(), defaultIdsFor({7000, 7004}, {7001}, {7002}));
  EXPECT_EQ(ini.value("NewToolbar", "Version"), "96");
  const std::vector<std::string> items = savedItems(ini);
  ASSERT_EQ(items.size(), size_t(order.count));
  EXPECT_EQ(items[0], "File New");
  EXPECT_EQ(items[1], "File Open");
  EXPECT_EQ(items[2], "File Save");
  EXPECT_EQ(items[5], "[Space]");
  EXPECT_EQ(items[10], "Echo");
  EXPECT_EQ(items[11], "Generate Noise");
  EXPECT_EQ(items[14], "Generate Tone");
  EXPECT_EQ(items[16], "Spectrum");
  for (const std::string& item : items) EXPECT_NE(item, "Secret");
}

TEST(ToolbarOrder, AStoredOrderIsNotReadTwiceNorRewritten) {
  ui::MemorySettingsSource ini;
  ToolbarOrder order;
  LoadToolbarOrder(&order, ini, fakeTransforms(), "96");
  const std::vector<int> first = order.ids();
  ToolbarOrder again;
  ui::MemorySettingsSource copy = ini;
  EXPECT_FALSE(LoadToolbarOrder(&again, copy, fakeTransforms(), "96"));
  EXPECT_EQ(again.ids(), first);
  EXPECT_EQ(copy.all(), ini.all());
  // A loaded order stays as it is.
  ini.set("NewToolbar", "Item1", "Help");
  EXPECT_FALSE(LoadToolbarOrder(&again, ini, fakeTransforms(), "96"));
  EXPECT_EQ(again.ids(), first);
}

TEST(ToolbarOrder, VanishedTransformDroppedNewOneAppendedDuplicatesAndUnknownSkipped) {
  ui::MemorySettingsSource ini;
  std::vector<std::string> items = {"File Open",     "Gone Plugin", "[Space]",       "[Space]", "file open",
                                    "Generate Tone", "Echo",        "Generate Echo", "???",     "Secret"};
  for (int i = 1; i < kToolbarBuiltinCount; ++i)
    if (kToolbarBuiltins[i].id != 1100) items.push_back(kToolbarBuiltins[i].longName);
  writeNewSection(&ini, items);
  ToolbarTransforms now = {{7000, "Echo", kXfmTransform},
                           {7001, "Tone", kXfmGenerate},
                           {7003, "Secret", kXfmHidden},
                           {7005, "Brand New", kXfmTransform}};
  ToolbarOrder order;
  EXPECT_TRUE(LoadToolbarOrder(&order, ini, now, "96"));
  std::vector<int> want = {1100, 0, 0, 7001, 7000};
  const std::vector<int> builtins = allBuiltinIds();
  for (int id : builtins)
    if (id != 1100) want.push_back(id);
  want.push_back(7005);
  EXPECT_EQ(order.ids(), want);
  const std::vector<std::string> saved = savedItems(ini);
  EXPECT_EQ(saved.back(), "Brand New");
  EXPECT_EQ(saved[3], "Generate Tone");
}

TEST(ToolbarOrder, NothingMissingMeansNothingSaved) {
  ui::MemorySettingsSource ini;
  std::vector<std::string> items;
  for (int i = kToolbarBuiltinCount - 1; i >= 1; --i) items.push_back(kToolbarBuiltins[i].longName);
  writeNewSection(&ini, items);
  const auto before = ini.all();
  ToolbarOrder order;
  EXPECT_FALSE(LoadToolbarOrder(&order, ini, {}, "96"));
  EXPECT_EQ(ini.all(), before);
  EXPECT_EQ(order.slots[0], 6100);
}

struct OldFormatCase {
  const char* what;
  std::vector<std::pair<std::string, std::string>> keys;  // [Toolbar] and [NewToolbar] keys as "Section/Key"
  std::vector<int> wantStart;
  bool wantDefault;
};

TEST(ToolbarOrder, OlderSectionIsConvertedAndSaved) {
  const OldFormatCase cases[] = {
      {"count 3 reads two items",
       {{"Toolbar/Count", "3"}, {"Toolbar/Item1", "New"}, {"Toolbar/Item2", "Open"}},
       {1050, 1100, 7000, 7001, 138, 1051, 114, 102},
       false},
      {"count 0 gives the default", {{"Toolbar/Count", "0"}, {"Toolbar/Item1", "Help"}}, {}, true},
      {"count 1 reads nothing",
       {{"Toolbar/Count", "1"}, {"Toolbar/Item1", "Help"}},
       {7000, 7001, 1050, 1100, 138},
       false},
      {"short names, a spacer, repeated xxx, a transform",
       {{"Toolbar/Count", "7"},
        {"Toolbar/Item1", "Help"},
        {"Toolbar/Item2", "Blank"},
        {"Toolbar/Item3", "xxx"},
        {"Toolbar/Item4", "XXX"},
        {"Toolbar/Item5", "echo"},
        {"Toolbar/Item6", "CD"}},
       {6100, 0, 341, 7000, 148, 7001},
       false},
      {"a new section without a version is not read",
       {{"NewToolbar/Count", "2"},
        {"NewToolbar/Item1", "Help"},
        {"Toolbar/Count", "2"},
        {"Toolbar/Item1", "Info"}},
       {5050, 7000, 7001},
       false},
  };
  const ToolbarTransforms transforms = {{7000, "Echo", kXfmTransform}, {7001, "Tone", kXfmGenerate}};
  for (const OldFormatCase& c : cases) {
    SCOPED_TRACE(c.what);
    ui::MemorySettingsSource ini;
    for (const auto& [key, value] : c.keys) {
      const size_t slash = key.find('/');
      ini.set(key.substr(0, slash).c_str(), key.substr(slash + 1).c_str(), value);
    }
    ToolbarOrder order;
    EXPECT_TRUE(LoadToolbarOrder(&order, ini, transforms, "96"));
    const std::vector<int> ids = order.ids();
    if (c.wantDefault) {
      EXPECT_EQ(ids, defaultIdsFor({7000}, {7001}, {}));
    } else {
      ASSERT_GE(ids.size(), c.wantStart.size());
      EXPECT_EQ(std::vector<int>(ids.begin(), ids.begin() + long(c.wantStart.size())), c.wantStart);
    }
    for (int id : allBuiltinIds()) EXPECT_TRUE(order.contains(id)) << id;
    EXPECT_EQ(ini.value("NewToolbar", "Version"), "96");
    EXPECT_EQ(savedItems(ini).size(), ids.size());
    EXPECT_EQ(savedItems(ini)[0], ToolbarItemName(ids[0], transforms));
  }
}

TEST(ToolbarOrder, CapacityIsNeverExceeded) {
  // A hand-edited file with far more items than slots, all spacers: extra items are ignored and spacers give
  // way so that every button keeps its place.
  ui::MemorySettingsSource ini;
  writeNewSection(&ini, std::vector<std::string>(500, "[Space]"));
  ToolbarTransforms many;
  for (int i = 0; i < 40; ++i) many.push_back({7000 + i, "T" + std::to_string(i), kXfmTransform});
  const ToolbarTransforms withButtons = ToolbarButtonTransforms(many);
  ASSERT_EQ(withButtons.size(), size_t(kToolbarMaxTransformButtons));
  EXPECT_EQ(kToolbarMaxTransformButtons, 30);
  ToolbarOrder order;
  LoadToolbarOrder(&order, ini, withButtons, "96");
  EXPECT_EQ(order.count, kToolbarOrderSlots);
  for (int id : allBuiltinIds()) EXPECT_TRUE(order.contains(id)) << id;
  for (const ToolbarTransform& t : withButtons) EXPECT_TRUE(order.contains(t.id)) << t.id;
  EXPECT_FALSE(order.contains(7030));
  EXPECT_EQ(std::stoi(ini.value("NewToolbar", "Count")), kToolbarOrderSlots);

  // The default order with more transforms than slots keeps every built-in entry.
  ToolbarTransforms lots;
  for (int i = 0; i < 80; ++i) lots.push_back({7000 + i, "G" + std::to_string(i), kXfmGenerate});
  const ToolbarOrder d = DefaultToolbarOrder(lots);
  EXPECT_EQ(d.count, kToolbarOrderSlots);
  for (int id : allBuiltinIds()) EXPECT_TRUE(d.contains(id)) << id;
  EXPECT_TRUE(d.contains(7047));
  EXPECT_FALSE(d.contains(7048));

  ToolbarOrder full;
  full.assign(std::vector<int>(100, 0));
  EXPECT_EQ(full.count, kToolbarOrderSlots);
  EXPECT_FALSE(full.append(1050));
}

TEST(ToolbarOrder, HiddenTransformsNeverGetAButtonOrAName) {
  const ToolbarTransforms t = {{7000, "Secret", kXfmHidden}, {7001, "Open", kXfmTransform}};
  EXPECT_EQ(ToolbarButtonTransforms(t).size(), 1u);
  EXPECT_EQ(ToolbarIdForLongName("Secret", t), -1);
  EXPECT_EQ(ToolbarIdForLongName("open", t), 7001);
  EXPECT_EQ(ToolbarIdForLongName("File Open", t), 1100);  // the built-in name wins
  EXPECT_EQ(ToolbarIdForLongName("Generate Silence", t), 4100);
  EXPECT_EQ(ToolbarIdForLongName("", t), -1);
}

TEST(ToolbarOrder, SaveNamesUnknownIds) {
  ui::MemorySettingsSource ini;
  ToolbarOrder order;
  order.assign({1050, 0, 7009, 7001});
  SaveToolbarOrder(order, ini, {{7001, "Tone", kXfmGenerate}}, "96");
  EXPECT_EQ(savedItems(ini), (std::vector<std::string>{"File New", "[Space]", "???", "Generate Tone"}));
  // A shorter order leaves no stale items behind.
  order.assign({1100});
  SaveToolbarOrder(order, ini, {}, "96");
  EXPECT_EQ(savedItems(ini), std::vector<std::string>{"File Open"});
  for (const char* key : {"Item2", "Item3", "Item4"}) EXPECT_FALSE(ini.has("NewToolbar", key)) << key;
}

TEST(ToolbarRecord, CapacityAndLookups) {
  ToolbarRecord r;
  EXPECT_FALSE(r.addButton(0, "X", "spacer id"));
  EXPECT_TRUE(r.addButton(1050, "INEW2", std::string(100, 'a')));
  EXPECT_EQ(r.find(1050)->tip.size(), size_t(kToolbarTipChars - 1));
  EXPECT_EQ(r.find(1050)->left, 6);
  EXPECT_FALSE(r.addButton(1050, "INEW2", "again"));
  r.addSpacer();
  EXPECT_TRUE(r.addButton(1100, "IOpen", "open"));
  EXPECT_EQ(r.find(1100)->left, 6 + 25 + 8);
  for (int i = 0; r.addButton(7000 + i, "", "t"); ++i) {
  }
  EXPECT_EQ(r.buttons.size(), size_t(kToolbarMaxButtons));
  EXPECT_EQ(r.hit(6, 4)->id, 1050);
  EXPECT_EQ(r.hit(29, 27)->id, 1050);
  EXPECT_EQ(r.hit(30, 4), nullptr);  // the gap between two buttons
  EXPECT_EQ(r.hit(6, 28), nullptr);
}

TEST(ToolbarLayout, NarrowWidthHidesTheRestAndWideningShowsThem) {
  ToolbarRecord r;
  for (int i = 1; i < kToolbarBuiltinCount; ++i)
    r.addButton(kToolbarBuiltins[i].id, kToolbarBuiltins[i].bitmap, "tip");
  r.addButton(144, "ICDGotoMark", "cd");
  r.place(144, 100, 60);
  const ToolbarOrder order = DefaultToolbarOrder({});

  // Width 300: 1050 .. 1051 at 6 .. 106, spacer, 3080 .. 3150 at 139 .. 214, spacer, 4100 at 247, spacer,
  // 148 at 280 (starts before 294, so it stays though its right edge is cut), then 6100 would start at 305.
  EXPECT_EQ(LayoutToolbar(&r, order, 300), 11);
  EXPECT_EQ(r.find(1050)->left, 6);
  EXPECT_EQ(r.find(1051)->left, 106);
  EXPECT_EQ(r.find(3080)->left, 139);
  EXPECT_EQ(r.find(4100)->left, 247);
  EXPECT_EQ(r.find(148)->left, 280);
  for (int id : {6100, 5010, 102, 312}) EXPECT_EQ(r.find(id)->left, kToolbarHiddenX) << id;
  EXPECT_EQ(r.hit(-40 + 5, 10), nullptr);
  EXPECT_EQ(ToolbarDrawnWidth(r, 300), 300);
  EXPECT_EQ(r.find(144)->left, 100);  // not in the order: left where its owner put it
  EXPECT_EQ(r.find(144)->top, 60);

  EXPECT_EQ(LayoutToolbar(&r, order, 294 + 1), 11);
  EXPECT_EQ(LayoutToolbar(&r, order, 285), 10);  // 148 would start at 280 > 279

  EXPECT_EQ(LayoutToolbar(&r, order, 2000), 32);
  EXPECT_EQ(r.find(6100)->left, 305);
  EXPECT_EQ(r.find(312)->left, 305 + 9 * 25 + 8 + 11 * 25);
  EXPECT_EQ(ToolbarDrawnWidth(r, 2000), r.find(312)->left + 24);
  EXPECT_EQ(r.hit(r.find(312)->left + 1, 5)->id, 312);
}

struct ListCase {
  const char* what;
  std::vector<int> ids;
  std::vector<bool> selected;
  std::vector<int> wantIds;
  std::vector<bool> wantSelected;
};

void runListCases(void (*op)(std::vector<int>*, std::vector<bool>*), const std::vector<ListCase>& cases) {
  for (const ListCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<int> ids = c.ids;
    std::vector<bool> sel = c.selected;
    op(&ids, &sel);
    EXPECT_EQ(ids, c.wantIds);
    EXPECT_EQ(sel, c.wantSelected);
  }
}

TEST(ToolbarList, UpMovesTheFirstSelectedRun) {
  runListCases(ToolbarListUp,
               {{"one entry", {1, 2, 3, 4}, {0, 0, 1, 0}, {1, 3, 2, 4}, {0, 1, 0, 0}},
                {"a run of two", {1, 2, 3, 4}, {0, 1, 1, 0}, {2, 3, 1, 4}, {1, 1, 0, 0}},
                {"only the first run", {1, 2, 3, 4, 5}, {0, 1, 0, 1, 1}, {2, 1, 3, 4, 5}, {1, 0, 0, 1, 1}},
                {"already at the top", {1, 2, 3}, {1, 1, 0}, {1, 2, 3}, {1, 1, 0}},
                {"nothing selected", {1, 2}, {0, 0}, {1, 2}, {0, 0}},
                {"empty", {}, {}, {}, {}}});
}

TEST(ToolbarList, DownMovesTheFirstSelectedRun) {
  runListCases(ToolbarListDown,
               {{"one entry", {1, 2, 3, 4}, {0, 1, 0, 0}, {1, 3, 2, 4}, {0, 0, 1, 0}},
                {"a run of two", {1, 2, 3, 4}, {1, 1, 0, 0}, {3, 1, 2, 4}, {0, 1, 1, 0}},
                {"only the first run", {1, 2, 3, 4, 5}, {1, 0, 0, 1, 0}, {2, 1, 3, 4, 5}, {0, 1, 0, 1, 0}},
                {"already at the bottom", {1, 2, 3}, {0, 1, 1}, {1, 2, 3}, {0, 1, 1}},
                {"nothing selected", {1, 2}, {0, 0}, {1, 2}, {0, 0}}});
}

TEST(ToolbarList, ZapMovesTheSelectionToTheEndLastSelectedFirst) {
  runListCases(
      ToolbarListZap,
      {{"one entry", {1, 2, 3, 4}, {0, 1, 0, 0}, {1, 3, 4, 2}, {0, 0, 0, 1}},
       {"two apart end up last-selected first", {1, 2, 3, 4}, {0, 1, 0, 1}, {1, 3, 4, 2}, {0, 0, 1, 1}},
       {"a run", {1, 2, 3, 4, 5}, {1, 1, 0, 0, 0}, {3, 4, 5, 2, 1}, {0, 0, 0, 1, 1}},
       {"the last entry stays last", {1, 2, 3}, {0, 0, 1}, {1, 2, 3}, {0, 0, 1}},
       {"everything", {1, 2, 3}, {1, 1, 1}, {3, 2, 1}, {1, 1, 1}},
       {"nothing selected", {1, 2}, {0, 0}, {1, 2}, {0, 0}}});
}

}  // namespace
}  // namespace shell
