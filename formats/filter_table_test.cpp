// The filter table, flt.dat and the scan: the cache is used only when it matches the directory and is
// whole; a damaged or foreign cache is rebuilt; the table never passes 48 entries and stays sorted.
#include "formats/filter_table.h"

#include <gtest/gtest.h>

#include <cstring>

#include "formats/fake_filter_test_util.h"
#include "include/sorn_bytes.h"
#include "ui/message_box.h"
#include "ui/settings_source.h"

namespace formats {
namespace {

using testing_util::FakeFilters;
using testing_util::makeInfo;

TEST(FltDat, OneFilterIs192BytesEndingInTheMagic) {
  FilterTable t;
  ASSERT_TRUE(
      t.add(makeInfo("Windows PCM", "WAV", FLT_READ | FLT_WRITE, "Windows PCM (*.wav)"), "wavpcm.flt"));
  std::vector<uint8_t> b = encodeFltDat(t, 0x12345678);
  ASSERT_EQ(b.size(), 192u);
  EXPECT_EQ(SornGetU16LE(&b[0]), 1);
  EXPECT_EQ(SornGetU32LE(b.data() + 2), 0x12345678u);
  EXPECT_EQ(SornGetU16LE(&b[6]), 3);
  EXPECT_EQ(0, std::memcmp(&b[188], "KOVA", 4));
  EXPECT_EQ(0, std::memcmp(&b[8], "Windows PCM", 12));
  EXPECT_EQ(SornGetU32LE(b.data() + 8 + 132), FLT_READ | FLT_WRITE);
  EXPECT_EQ(0, std::memcmp(&b[8 + 136], "WAV", 4));
  EXPECT_EQ(0, std::memcmp(&b[8 + 156], "wavpcm.flt", 11));

  FilterTable back;
  ASSERT_TRUE(decodeFltDat(b, 0x12345678, &back));
  ASSERT_EQ(back.size(), 1u);
  EXPECT_STREQ(back.at(0).info.name, "Windows PCM");
  EXPECT_STREQ(back.at(0).dllName, "wavpcm.flt");
  EXPECT_EQ(back.at(0).info.capabilities, FLT_READ | FLT_WRITE);
}

// Each damage must make the cache unusable, leaving the table as it was.
TEST(FltDat, DamagedCachesAreRefused) {
  FilterTable t;
  t.add(makeInfo("A", "AAA", FLT_READ), "a.flt");
  t.add(makeInfo("B", "BBB", FLT_READ), "b.flt");
  const std::vector<uint8_t> good = encodeFltDat(t, 77);
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>*)> damage;
    uint32_t checksum;
  } cases[] = {
      {"other checksum", [](std::vector<uint8_t>*) {}, 78},
      {"version 2", [](std::vector<uint8_t>* v) { (*v)[6] = 2; }, 77},
      {"bad magic", [](std::vector<uint8_t>* v) { v->back() ^= 1; }, 77},
      {"count 3 with two entries", [](std::vector<uint8_t>* v) { (*v)[0] = 3; }, 77},
      {"count 1 with two entries", [](std::vector<uint8_t>* v) { (*v)[0] = 1; }, 77},
      {"truncated", [](std::vector<uint8_t>* v) { v->resize(v->size() - 1); }, 77},
      {"extra byte", [](std::vector<uint8_t>* v) { v->push_back(0); }, 77},
      {"header only", [](std::vector<uint8_t>* v) { v->resize(8); }, 77},
      {"count 60 with its size",
       [](std::vector<uint8_t>* v) {
         (*v)[0] = 60;
         v->resize(8 + 60 * 180 + 4);
         std::memcpy(&(*v)[8 + 60 * 180], "KOVA", 4);
       },
       77},
  };
  for (auto& c : cases) {
    std::vector<uint8_t> b = good;
    c.damage(&b);
    FilterTable out;
    out.add(makeInfo("Keep", "K", 0), "k.flt");
    EXPECT_FALSE(decodeFltDat(b, c.checksum, &out)) << c.what;
    EXPECT_EQ(out.size(), 1u) << c.what;
  }
}

TEST(FltDat, TextsWithoutTerminatorsAreCutInsideTheirFields) {
  FilterTable t;
  t.add(makeInfo("A", "AAA", FLT_READ), "a.flt");
  std::vector<uint8_t> b = encodeFltDat(t, 1);
  std::memset(&b[8], 'N', 24);        // name
  std::memset(&b[8 + 24], 'D', 108);  // description
  std::memset(&b[8 + 136], 'E', 20);  // extension
  std::memset(&b[8 + 156], 'F', 20);  // DLL name
  FilterTable out;
  ASSERT_TRUE(decodeFltDat(b, 1, &out));
  EXPECT_EQ(std::strlen(out.at(0).info.name), 23u);
  EXPECT_EQ(std::strlen(out.at(0).info.description), 107u);
  EXPECT_EQ(std::strlen(out.at(0).info.extension), 19u);
  EXPECT_EQ(std::strlen(out.at(0).dllName), 19u);
}

TEST(FilterTable, SortedByExtensionWithSortLastAtTheEndAndAt48) {
  FilterTable t;
  t.add(makeInfo("Z", "zzz", FLT_READ), "z.flt");
  t.add(makeInfo("Last", "aaa", FLT_READ | FLT_SORT_LAST), "l.flt");
  t.add(makeInfo("W", "WAV", FLT_READ), "w.flt");
  t.add(makeInfo("A", "Aif", FLT_READ), "a.flt");
  ASSERT_EQ(t.size(), 4u);
  EXPECT_STREQ(t.at(0).dllName, "a.flt");
  EXPECT_STREQ(t.at(1).dllName, "w.flt");
  EXPECT_STREQ(t.at(2).dllName, "z.flt");
  EXPECT_STREQ(t.at(3).dllName, "l.flt");
  for (int i = 4; i < 48; ++i) EXPECT_TRUE(t.add(makeInfo("X", "XXX", FLT_READ), "x.flt"));
  EXPECT_FALSE(t.add(makeInfo("49th", "AAA", FLT_READ), "n.flt"));
  EXPECT_EQ(t.size(), 48u);
}

TEST(FilterTable, DefaultFilter) {
  FilterTable t;
  t.add(makeInfo("Other wave", "WAV", FLT_READ), "o.flt");
  t.add(makeInfo("Windows PCM", "WAV", FLT_READ | FLT_WRITE), "w1.flt");
  t.add(makeInfo("Windows ADPCM", "WAV", FLT_READ), "w2.flt");
  t.add(makeInfo("Windows writer", "WAX", FLT_WRITE), "w3.flt");
  t.add(makeInfo("Raw", "RAW", FLT_READ), "r.flt");
  // Same extension keeps insertion order: o, w1, w2 at 1..3, RAW at 0, WAX at 4.
  EXPECT_EQ(t.defaultIndex("Raw"), 0);
  EXPECT_EQ(t.defaultIndex(""), 3);                // the last readable "Windows"
  EXPECT_EQ(t.defaultIndex("Windows writer"), 3);  // not readable: not chosen by name
  EXPECT_EQ(t.defaultPcmIndex(), 2);               // the first readable "Windows"
  EXPECT_EQ(t.firstWriterLike(1), 2);
  EXPECT_EQ(t.firstWriterLike(0), -1);

  FilterTable noWindows;
  noWindows.add(makeInfo("Raw", "RAW", FLT_READ), "r.flt");
  noWindows.add(makeInfo("Wave", "wav", FLT_READ), "w.flt");
  EXPECT_EQ(noWindows.defaultIndex(""), 1);
  EXPECT_EQ(noWindows.defaultPcmIndex(), 1);
  EXPECT_EQ(FilterTable().defaultIndex(""), -1);
}

struct ScanFixture : ::testing::Test {
  FakeFilters fakes;
  std::vector<uint8_t> cache;
  bool haveCache = false;
  ui::MemorySettingsSource settings;
  ui::ScriptedMessageBoxes boxes;

  FilterScanEnv env(std::vector<FltFile> files) {
    FilterScanEnv e;
    e.files = std::move(files);
    e.readCache = [this](std::vector<uint8_t>* b) {
      if (!haveCache) return false;
      *b = cache;
      return true;
    };
    e.writeCache = [this](const std::vector<uint8_t>& b) {
      cache = b;
      haveCache = true;
      return true;
    };
    e.load = fakes.loader();
    e.settings = &settings;
    return e;
  }
};

TEST_F(ScanFixture, RescansOnlyWhenTheDirectoryChanges) {
  fakes.add("wavpcm.flt", makeInfo("Windows PCM", "WAV", FLT_READ | FLT_WRITE));
  fakes.add("raw.flt", makeInfo("Raw", "RAW", FLT_READ));
  std::vector<FltFile> files = {{"wavpcm.flt", 1000, 0x100000005ull}, {"raw.flt", 2000, 7}};
  settings.set("File Options 95", "Filter0", "9");
  settings.set("File Options 95", "Filter5", "9");

  FilterTable t;
  FilterScanEnv e = env(files);
  FilterScanResult r = scanFilters(e, &t);
  EXPECT_FALSE(r.fromCache);
  EXPECT_EQ(r.loaded, 2u);
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(r.defaultPcm, 1);
  ASSERT_TRUE(haveCache);
  EXPECT_EQ(cache.size(), 8u + 2 * 180 + 4);
  EXPECT_EQ(SornGetU32LE(cache.data() + 2), 1000u + 5 + 2000 + 7);
  EXPECT_FALSE(settings.has("File Options 95", "Filter0"));
  EXPECT_TRUE(settings.has("File Options 95", "Filter5"));  // not an index of the new table
  EXPECT_EQ(settings.value("Settings", "Associated"), "2");

  fakes.loadLog.clear();
  FilterTable t2;
  r = scanFilters(e, &t2);
  EXPECT_TRUE(r.fromCache);
  EXPECT_TRUE(fakes.loadLog.empty());
  ASSERT_EQ(t2.size(), 2u);
  EXPECT_STREQ(t2.at(1).info.name, "Windows PCM");

  files[1].size = 2001;  // a filter replaced
  FilterScanEnv e2 = env(files);
  r = scanFilters(e2, &t2);
  EXPECT_FALSE(r.fromCache);
  EXPECT_EQ(fakes.loadLog.size(), 2u);

  cache.resize(cache.size() - 4);  // a damaged cache is rebuilt
  r = scanFilters(e2, &t2);
  EXPECT_FALSE(r.fromCache);
  EXPECT_EQ(cache.size(), 8u + 2 * 180 + 4);
  EXPECT_EQ(boxes.count(), 0u);
}

TEST_F(ScanFixture, FailuresAreReportedAndSkipped) {
  fakes.add("old.flt", makeInfo("Old", "OLD", FLT_READ))->version = 1151;
  fakes.add("new.flt", makeInfo("New", "NEW", FLT_READ))->version = 1155;
  fakes.add("noquery.flt", makeInfo("No", "NO", FLT_READ))->missing.insert(FilterEntry::QuerySornFilter);
  fakes.add("good.flt", makeInfo("Good", "GOO", FLT_READ))->version = 1152;
  FilterScanEnv e = env({{"old.flt", 1, 0},
                         {"new.flt", 1, 0},
                         {"noquery.flt", 1, 0},
                         {"good.flt", 1, 0},
                         {"denied.flt", 1, 0},
                         {"gone.flt", 1, 0},
                         {"nodll.flt", 1, 0},
                         {"other.flt", 1, 0}});
  FilterLoader base = e.load;
  e.load = [&](const std::string& dll, uint32_t* error) -> std::unique_ptr<FilterModule> {
    if (dll == "denied.flt") return *error = 5, nullptr;
    if (dll == "gone.flt") return *error = 2, nullptr;
    if (dll == "nodll.flt") return *error = 126, nullptr;
    if (dll == "other.flt") return *error = 193, nullptr;
    return base(dll, error);
  };
  FilterTable t;
  FilterScanResult r = scanFilters(e, &t);
  ASSERT_EQ(t.size(), 1u);
  EXPECT_STREQ(t.at(0).info.name, "Good");
  auto shown = boxes.shown();
  ASSERT_EQ(shown.size(), 5u);
  EXPECT_EQ(shown[0].text, "Error 127 Loading FLT File noquery.flt");
  EXPECT_EQ(shown[0].flags & 0xF0, ui::kMbIconAsterisk);
  EXPECT_EQ(
      shown[1].text,
      "A task with the name \"denied\" is clashing with \"denied.flt\".  Please close this other task, or "
      "rename \"denied.flt\" and run Sorn Edit again.");
  EXPECT_EQ(shown[1].caption, "Error");
  EXPECT_EQ(shown[1].flags & 0xF0, ui::kMbIconExclamation);
  EXPECT_NE(shown[2].text.find("does not support the Sorn Edit file format in gone.flt."), std::string::npos);
  EXPECT_EQ(
      shown[3].text,
      "Cannot find associated DLL for nodll.flt.  Once the DLL is installed, you must delete FLT.DAT to "
      "scan for file filters again.");
  EXPECT_EQ(shown[4].text, "Error 193 Loading FLT File other.flt");
  EXPECT_EQ(r.messages.size(), 5u);
}

TEST_F(ScanFixture, FilterTextsWithoutTerminatorsAreCut) {
  FilterInfo info = makeInfo("", "", FLT_READ);
  std::memset(info.name, 'n', sizeof info.name);
  std::memset(info.extension, 'e', sizeof info.extension);
  fakes.add("long.flt", info);
  FilterTable t;
  FilterScanEnv e = env({{"long.flt", 1, 0}});
  scanFilters(e, &t);
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(std::strlen(t.at(0).info.name), 23u);
  EXPECT_EQ(std::strlen(t.at(0).info.extension), 19u);
}

}  // namespace
}  // namespace formats
