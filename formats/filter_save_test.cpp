// Saving through a fake filter: the output format and format word, Stop, short writes and an incomplete
// close with their keep/delete question, the sharing-violation question, the type negotiation, and when the
// metadata items go out.
#include "formats/filter_save.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <set>

#include "formats/fake_filter_test_util.h"
#include "formats/metadata.h"
#include "include/sorn_bytes.h"
#include "markers/chunk_store.h"
#include "markers/marker_set.h"
#include "platform/test_dir.h"
#include "ui/message_box.h"
#include "ui/settings_source.h"

namespace formats {
namespace {

using testing_util::FakeFilters;
using testing_util::FakeState;
using testing_util::makeInfo;

constexpr uint32_t kWriter = FLT_READ | FLT_WRITE | FLT_META_AFTER_WRITE | FLT_MAPPABLE;

bool exists(const std::string& path) {
  std::ifstream f(path);
  return f.good();
}

struct StopAt : Progress {
  uint64_t stopAt;
  std::string title;
  explicit StopAt(uint64_t n) : stopAt(n) {}
  void begin(const std::string& t) override { title = t; }
  bool update(uint64_t done, uint64_t) override { return done < stopAt; }
  void end() override {}
};

struct SaveFixture : ::testing::Test {
  platform::TestDir dir{"save"};
  FakeFilters fakes;
  std::shared_ptr<FakeState> filter;
  ui::ScriptedMessageBoxes boxes;
  ui::MemorySettingsSource settings;
  document::MemorySampleFile samples{document::XF_STEREO | document::XF_16BIT};
  markers::MarkerSet cues;
  markers::ChunkStore chunks;
  SaveSource src;
  SaveArgs a;

  void SetUp() override {
    filter = fakes.add("w.flt", makeInfo("Windows PCM", "WAV", kWriter));
    std::vector<uint8_t> bytes(4 * 1000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 13);
    samples.setBytes(bytes);
    src.samples = &samples;
    src.format = {44100, 2, 16};
    src.cues = &cues;
    src.chunks = &chunks;
    a.path = dir.path() + "/out.wav";
    a.filterIndex = 0;
    a.settings = &settings;
    std::ofstream(a.path) << "partial";  // what the filter would have created
  }
  int save(SaveResult* r) {
    FilterTable table = fakes.table();
    return saveThroughFilter(table, fakes.loader(), a, &src, r);
  }
  std::vector<std::string> captions() const {
    std::vector<std::string> c;
    for (auto& s : boxes.shown()) c.push_back(s.caption);
    return c;
  }
};

TEST_F(SaveFixture, WholeWaveIsWrittenAsIs) {
  SaveResult r;
  a.saveFlags = kSaveRename;
  ASSERT_EQ(save(&r), kSaveOk);
  EXPECT_EQ(filter->written, samples.bytes());
  EXPECT_EQ(filter->openBits, 16u);
  EXPECT_EQ(filter->openChannels, 2u);
  EXPECT_EQ(filter->openTotal, 4000u);
  EXPECT_EQ(r.word, 0x12);
  EXPECT_TRUE(r.renamed);
  EXPECT_TRUE(r.mappable);
  EXPECT_EQ(boxes.count(), 0u);
  EXPECT_EQ(filter->loads, filter->unloads);
}

TEST_F(SaveFixture, LeftChannelGivesAMonoFile) {
  SaveResult r;
  a.saveFlags = kSaveLeftOnly;
  ASSERT_EQ(save(&r), kSaveOk);
  EXPECT_EQ(filter->openChannels, 1u);
  EXPECT_EQ(filter->openTotal, 2000u);
  EXPECT_EQ(r.word, 0x811);
  std::vector<uint8_t> all = samples.bytes();
  ASSERT_EQ(filter->written.size(), 2000u);
  for (size_t f = 0; f < 1000; ++f) {
    ASSERT_EQ(filter->written[2 * f], all[4 * f]);
    ASSERT_EQ(filter->written[2 * f + 1], all[4 * f + 1]);
  }
  EXPECT_FALSE(r.renamed);
}

TEST_F(SaveFixture, FormatWords) {
  EXPECT_EQ(saveFormatWord(8, 1, false, 0), 0x9);
  EXPECT_EQ(saveFormatWord(8, 2, false, 0), 0xA);
  EXPECT_EQ(saveFormatWord(16, 2, true, 0), 0x12);
  EXPECT_EQ(saveFormatWord(32, 1, true, 0), 0x21);
  EXPECT_EQ(saveFormatWord(32, 2, true, 0), 0x22);
  EXPECT_EQ(saveFormatWord(32, 1, false, 0), 0x3011);
  EXPECT_EQ(saveFormatWord(32, 2, false, 0), 0x3012);
  EXPECT_EQ(saveFormatWord(16, 1, false, kSaveRightOnly), 0x411);
}

TEST_F(SaveFixture, FloatWaveToA16BitFilterNarrowsWithoutAsking) {
  document::MemorySampleFile floats(document::XF_MONO | document::XF_32BIT);
  std::vector<float> v = {40000.0f, -40000.0f, 100.0f};
  std::vector<uint8_t> b(reinterpret_cast<uint8_t*>(v.data()), reinterpret_cast<uint8_t*>(v.data()) + 12);
  floats.setBytes(b);
  src.samples = &floats;
  src.format = {44100, 1, 32};
  SaveResult r;
  ASSERT_EQ(save(&r), kSaveOk);
  EXPECT_EQ(filter->openBits, 16u);
  EXPECT_EQ(r.word, 0x3011);
  ASSERT_EQ(filter->written.size(), 6u);
  EXPECT_EQ(SornGetS16LE(&filter->written[0]), 32767);
  EXPECT_EQ(boxes.count(), 0u);
}

TEST_F(SaveFixture, StopDeletesThePartialFileAndDoesNotRename) {
  StopAt stop(500);
  a.progress = &stop;
  a.saveFlags = kSaveRename;
  filter->outChunk = 400;
  SaveResult r;
  EXPECT_EQ(save(&r), kSaveCancelled);
  EXPECT_FALSE(r.renamed);
  EXPECT_TRUE(r.fileDeleted);
  EXPECT_FALSE(exists(a.path));
  EXPECT_EQ(boxes.count(), 0u);  // no out-of-space question for a stop
  EXPECT_EQ(stop.title, "Saving WAV data");
  EXPECT_EQ(filter->calls.back(), "closeOutput");
  // A batch run has no display and never stops.
  std::ofstream(a.path) << "x";
  a.batch = true;
  EXPECT_EQ(save(&r), kSaveOk);
}

TEST_F(SaveFixture, ShortWriteAsksToKeepThePortion) {
  filter->writeLimit = 2500;
  filter->outChunk = 1000;
  a.saveFlags = kSaveRename;
  SaveResult r;
  boxes.queueAnswer(ui::kIdNo);
  EXPECT_EQ(save(&r), kSaveOutOfSpace);
  EXPECT_EQ(captions(), (std::vector<std::string>{"Error: Out of disk space"}));
  EXPECT_FALSE(exists(a.path));
  EXPECT_FALSE(r.renamed);
  // No items after failed samples.
  for (auto& c : filter->calls) EXPECT_EQ(c.rfind("item:", 0), std::string::npos);

  std::ofstream(a.path) << "partial";
  boxes.queueAnswer(ui::kIdYes);
  EXPECT_EQ(save(&r), kSaveOutOfSpace);
  EXPECT_TRUE(exists(a.path));
}

TEST_F(SaveFixture, IncompleteCloseIsOutOfSpaceToo) {
  filter->closeFails = true;
  SaveResult r;
  boxes.queueAnswer(ui::kIdNo);
  EXPECT_EQ(save(&r), kSaveOutOfSpace);
  EXPECT_EQ(captions(), (std::vector<std::string>{"Error: Out of disk space"}));
  EXPECT_FALSE(exists(a.path));
}

TEST_F(SaveFixture, SharingViolationFlushesAndRetries) {
  filter->openOutputError = kErrorSharingViolation;
  filter->openOutputFailures = 1;
  std::vector<std::string> released;
  a.releaseSourceFile = [&](const std::string& p) {
    released.push_back(p);
    return true;
  };
  SaveResult r;
  boxes.queueAnswer(ui::kIdYes);
  ASSERT_EQ(save(&r), kSaveOk);
  ASSERT_EQ(boxes.count(), 1u);
  EXPECT_EQ(boxes.shown()[0].caption, a.path);
  EXPECT_EQ(
      boxes.shown()[0].text,
      "File may already be opened virtually, or may be in use by another process.  Do you wish to flush the "
      "virtual file and continue saving?");
  EXPECT_EQ(released, std::vector<std::string>{a.path});

  filter->openOutputFailures = 1;
  boxes.queueAnswer(ui::kIdNo);
  EXPECT_EQ(save(&r), kSaveNotSaved);
  EXPECT_EQ(released.size(), 1u);
  // A file that stays in use does not keep the question coming forever.
  filter->openOutputFailures = 100;
  EXPECT_EQ(save(&r), kSaveNotSaved);
  EXPECT_EQ(filter->loads, filter->unloads);
}

TEST_F(SaveFixture, TypeNegotiation) {
  SaveResult r;
  // The filter suggests what it was just refused: nothing to convert, "Invalid file or format".
  filter->openOutputError = 87;
  filter->openOutputFailures = 1;
  EXPECT_EQ(save(&r), kSaveNotSaved);
  EXPECT_EQ(captions(), (std::vector<std::string>{"Invalid file or format"}));

  // A different type: the question; Yes without a conversion step ends with "Cannot save in current format".
  filter->openOutputFailures = 1;
  filter->suggestBits = 8;
  filter->suggestChannels = 1;
  boxes.queueAnswer(ui::kIdYes);
  EXPECT_EQ(save(&r), kSaveNotSaved);
  auto shown = boxes.shown();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(
      shown[1].text,
      "Windows PCM can not handle the current sample type.  Would you like to convert to 44100Hz, Mono 8-bit "
      "and continue saving?");
  EXPECT_EQ(shown[1].caption, "This wave format does not support the current sample type.");
  EXPECT_EQ(shown[2].text, "Still having problems saving.");
  EXPECT_EQ(shown[2].caption, "Cannot save in current format");
  EXPECT_EQ(settings.value("Recent", "ConvBitsPerSample"), "8");
  EXPECT_EQ(settings.value("Recent", "ConvLeft"), "0.5");

  // With a conversion step the save goes on in the converted type.
  document::MemorySampleFile converted(document::XF_MONO | document::XF_8BIT);
  converted.setBytes(std::vector<uint8_t>(100, 0x80));
  ConvertRequest asked;
  a.convert = [&](const ConvertRequest& req, SaveSource* s) {
    asked = req;
    s->samples = &converted;
    s->format = {44100, 1, 8};
    return true;
  };
  filter->openOutputFailures = 1;
  boxes.queueAnswer(ui::kIdYes);
  ASSERT_EQ(save(&r), kSaveOk);
  EXPECT_EQ(asked.bits, 8u);
  EXPECT_EQ(asked.channels, 1u);
  EXPECT_FALSE(asked.silent);
  EXPECT_EQ(filter->openBits, 8u);
  EXPECT_EQ(filter->openTotal, 100u);
  EXPECT_EQ(r.word, 0x9);

  // No to the question: not saved, nothing converted.
  filter->openOutputFailures = 1;
  src.samples = &samples;
  src.format = {44100, 2, 16};
  asked = ConvertRequest();
  boxes.queueAnswer(ui::kIdNo);
  EXPECT_EQ(save(&r), kSaveNotSaved);
  EXPECT_EQ(asked.bits, 0u);
}

TEST_F(SaveFixture, SilentConversionAsksNothing) {
  FakeFilters silent;
  auto s = silent.add("s.flt", makeInfo("Silent", "SIL", FLT_WRITE | FLT_CONVERT_SILENTLY));
  s->openOutputError = 87;
  s->openOutputFailures = 1;
  s->suggestRate = 22050;
  bool converted = false;
  a.convert = [&](const ConvertRequest& req, SaveSource*) {
    converted = req.silent && req.rate == 22050 && req.ditherAmount == 0.54 && req.noiseShaping == 151;
    return true;
  };
  FilterTable table = silent.table();
  SaveResult r;
  ASSERT_EQ(saveThroughFilter(table, silent.loader(), a, &src, &r), kSaveOk);
  EXPECT_TRUE(converted);
  EXPECT_EQ(boxes.count(), 0u);
  EXPECT_FALSE(settings.has("Recent", "ConvSampleRate"));
}

TEST_F(SaveFixture, MetadataBeforeOrAfterTheSamples) {
  cues.addCue(1, 10, 0, "one", "");
  chunks.add("INFO", "INAM", "n", 2, 1);
  SaveResult r;
  ASSERT_EQ(save(&r), kSaveOk);
  std::vector<std::string> after = {"openOutput",     "write",          "item:INFO/INAM", "item:WAVE/cue ",
                                    "item:adtl/ltxt", "item:adtl/labl", "closeOutput"};
  EXPECT_EQ(filter->calls, after);

  FakeFilters before;
  auto b = before.add("b.flt", makeInfo("B", "BBB", FLT_WRITE | FLT_META_BEFORE_WRITE));
  FilterTable table = before.table();
  ASSERT_EQ(saveThroughFilter(table, before.loader(), a, &src, &r), kSaveOk);
  EXPECT_EQ(b->calls.front(), "openOutput");
  EXPECT_EQ(b->calls[1], "item:INFO/INAM");
  EXPECT_EQ(b->calls[b->calls.size() - 2], "write");

  a.extraInfo = false;
  filter->calls.clear();
  ASSERT_EQ(save(&r), kSaveOk);
  EXPECT_EQ(filter->calls, (std::vector<std::string>{"openOutput", "write", "closeOutput"}));
}

// Where the items go, by the filter's two moment bits: before the samples wins over after, and a filter
// naming neither moment is given no item at all.
TEST_F(SaveFixture, MetadataMomentByCapabilityBits) {
  cues.addCue(1, 10, 0, "one", "");
  chunks.add("INFO", "INAM", "n", 2, 1);
  struct Row {
    uint32_t caps;
    int itemsBefore, itemsAfter;  // items before the first write / after the last
  };
  const Row rows[] = {{0, 0, 0},
                      {FLT_META_AFTER_WRITE, 0, 4},
                      {FLT_META_BEFORE_WRITE, 4, 0},
                      {FLT_META_BEFORE_WRITE | FLT_META_AFTER_WRITE, 4, 0}};
  for (const Row& row : rows) {
    FakeFilters one;
    auto f = one.add("x.flt", makeInfo("X", "XXX", FLT_WRITE | row.caps));
    FilterTable table = one.table();
    SaveResult r;
    ASSERT_EQ(saveThroughFilter(table, one.loader(), a, &src, &r), kSaveOk) << row.caps;
    auto firstWrite = std::find(f->calls.begin(), f->calls.end(), "write");
    auto lastWrite = std::find(f->calls.rbegin(), f->calls.rend(), "write").base();
    ASSERT_NE(firstWrite, f->calls.end()) << row.caps;
    auto isItem = [](const std::string& c) { return c.rfind("item:", 0) == 0; };
    EXPECT_EQ(std::count_if(f->calls.begin(), firstWrite, isItem), row.itemsBefore) << row.caps;
    EXPECT_EQ(std::count_if(lastWrite, f->calls.end(), isItem), row.itemsAfter) << row.caps;
    EXPECT_EQ(std::count_if(f->calls.begin(), f->calls.end(), isItem), row.itemsBefore + row.itemsAfter)
        << row.caps;
  }
}

// Save Selection (and the clipboard file) writes only the cues inside the part, moved to its start; a range
// that straddles an end is cut to the part; play entries of dropped cues go with them.
TEST_F(SaveFixture, APartCarriesItsOwnCuesMovedToItsStart) {
  ASSERT_TRUE(cues.addCue(1, 10, 0, "before"));
  ASSERT_TRUE(cues.addCue(2, 150, 0, "inside"));
  ASSERT_TRUE(cues.addCue(3, 90, 40, "straddles the start"));
  ASSERT_TRUE(cues.addCue(4, 280, 100, "straddles the end"));
  ASSERT_TRUE(cues.addCue(5, 500, 20, "after"));
  ASSERT_TRUE(cues.addCue(6, 300, 0, "at the end"));  // the first frame after the part
  ASSERT_TRUE(cues.insertPlay(0, 5));
  ASSERT_TRUE(cues.insertPlay(1, 3, markers::kKeep, 2));
  a.startFrame = 100;
  a.frameCount = 200;
  SaveResult r;
  ASSERT_EQ(save(&r), kSaveOk);
  EXPECT_EQ(filter->openTotal, 200u * 4);
  // Read back as a filter would hand the items over: the record counts are bounded by the bytes.
  auto readBack = [&](markers::MarkerSet* into) {
    markers::ChunkStore ignored;
    for (SpecialItem it : filter->writtenItems) {
      it.count = 1000;
      importSpecialItem(into, &ignored, it);
    }
  };
  markers::MarkerSet got;
  readBack(&got);
  struct Want {
    uint32_t id, position, length;
  };
  const Want want[] = {{2, 50, 0}, {3, 0, 30}, {4, 180, 20}};
  ASSERT_EQ(got.cueCount(), 3u);
  for (const Want& w : want) {
    const markers::Cue* c = got.findCue(w.id);
    ASSERT_NE(c, nullptr) << w.id;
    EXPECT_EQ(c->position, w.position) << w.id;
    EXPECT_EQ(c->length, w.length) << w.id;
  }
  EXPECT_EQ(got.findCue(2)->label, "inside");
  ASSERT_EQ(got.playCount(), 1u);
  markers::PlayEntry e;
  ASSERT_TRUE(got.getPlay(0, &e));
  EXPECT_EQ(e.cueId, 3u);
  EXPECT_EQ(e.loops, 2u);
  // The document's own cues are untouched, and the whole wave still carries them all.
  EXPECT_EQ(cues.cueCount(), 6u);
  a.startFrame = 0;
  a.frameCount = 0;
  filter->writtenItems.clear();
  ASSERT_EQ(save(&r), kSaveOk);
  markers::MarkerSet whole;
  readBack(&whole);
  EXPECT_EQ(whole.cueCount(), 6u);
  ASSERT_NE(whole.findCue(5), nullptr);
  EXPECT_EQ(whole.findCue(5)->position, 500u);
}

TEST_F(SaveFixture, LoadFailuresAndMissingEntries) {
  SaveResult r;
  FilterTable table = fakes.table();
  FilterLoader none = [](const std::string&, uint32_t* e) -> std::unique_ptr<FilterModule> {
    *e = 126;
    return nullptr;
  };
  EXPECT_EQ(saveThroughFilter(table, none, a, &src, &r), kSaveNoFilter);
  filter->missing.insert(FilterEntry::WriteFilterOutput);
  EXPECT_EQ(save(&r), kSaveNoFilter);
  EXPECT_EQ(captions(),
            (std::vector<std::string>{"Cannot Load File Filter", "File Filter Doesn't Support Saving"}));
  EXPECT_EQ(boxes.shown()[0].text, "w.flt");
}

TEST_F(SaveFixture, RangeIsCutToTheWave) {
  a.startFrame = 990;
  a.frameCount = 50;
  SaveResult r;
  ASSERT_EQ(save(&r), kSaveOk);
  EXPECT_EQ(filter->openTotal, 40u);
  std::vector<uint8_t> all = samples.bytes();
  EXPECT_EQ(filter->written, std::vector<uint8_t>(all.end() - 40, all.end()));
}

}  // namespace
}  // namespace formats

#include "storage/store_test_util.h"

namespace formats {
namespace {

TEST(SaveStatus, EveryStatusHasItsOwnText) {
  std::set<std::string> texts;
  for (int s : {kSaveOk, kSaveNoFilter, kSaveCancelled, kSaveNotSaved, kSaveOutOfSpace}) {
    std::string t = saveStatusText(s);
    EXPECT_NE(t, saveStatusText(12345)) << s;
    EXPECT_TRUE(texts.insert(t).second) << s;
  }
}

class QuickSaveTest : public storage::testing_util::StoreFixture {
 protected:
  void SetUp() override { ASSERT_EQ(init(), 0); }
};

TEST_F(QuickSaveTest, RewritesChangedBlocksOrRefuses) {
  ui::ScriptedMessageBoxes boxes;
  EXPECT_EQ(quickSave(false, nullptr, "", nullptr), kQuickNoDocument);
  EXPECT_EQ(quickSave(true, nullptr, "", nullptr), kQuickNoWave);
  std::string path = dir.path() + "/q.raw";
  std::vector<uint8_t> bytes = storage::testing_util::writeSourceFile(path, 200000, 3);
  int st = 0;
  storage::HfHandle* h = storage::HfOpen(path, 0, 200000, 1, 0, nullptr, false, &st);
  ASSERT_NE(h, nullptr);
  uint8_t x[4] = {1, 2, 3, 4};
  ASSERT_EQ(storage::HfWrite(h, 70000, 4, x), 4u);
  EXPECT_EQ(quickSave(true, h, path, nullptr), kQuickSaved);
  std::vector<uint8_t> now = storage::testing_util::readWholeFile(path);
  std::memcpy(&bytes[70000], x, 4);
  EXPECT_EQ(now, bytes);
  EXPECT_EQ(boxes.count(), 0u);
  ASSERT_EQ(storage::HfInsert(h, 10, 2, true, 0), 2u);  // the length changed: not possible
  EXPECT_EQ(quickSave(true, h, path, nullptr), kQuickNotPossible);
  ASSERT_EQ(boxes.count(), 1u);
  EXPECT_EQ(boxes.shown()[0].caption, "Cannot Quick Save");
  storage::HfClose(h);
}

}  // namespace
}  // namespace formats

namespace formats {
namespace {

TEST(FilterBitmap, NumberAfterTheTilde) {
  struct Case {
    const char* text;
    int id;
  } cases[] = {{"Windows PCM", 0}, {"Sound ~101", 101}, {"~7 first", 7}, {"tilde ~ alone", 0},
               {"~x", 0},          {"~0", 0},           {"~65536", 0},   {"~99999999999999999999", 0},
               {nullptr, 0}};
  for (const Case& c : cases) EXPECT_EQ(filterBitmapId(c.text), c.id) << (c.text ? c.text : "null");
}

struct PictureLog : Progress {
  std::vector<std::string> log;
  void begin(const std::string& t) override { log.push_back("begin " + t); }
  bool update(uint64_t, uint64_t) override { return true; }
  void end() override { log.push_back("end"); }
  void setPicture(void*, int id) override { log.push_back("picture " + std::to_string(id)); }
};

TEST_F(SaveFixture, TheFiltersPictureIsShownWhileSaving) {
  FakeFilters pictured;
  pictured.add("p.flt", makeInfo("Pictured", "PIC", FLT_WRITE, "Pictured sound ~42"));
  FilterTable table = pictured.table();
  PictureLog log;
  a.progress = &log;
  SaveResult r;
  ASSERT_EQ(saveThroughFilter(table, pictured.loader(), a, &src, &r), kSaveOk);
  EXPECT_EQ(log.log, (std::vector<std::string>{"begin Saving PIC data", "picture 42", "picture 0", "end"}));
  log.log.clear();
  ASSERT_EQ(save(&r), kSaveOk);  // no picture named
  EXPECT_EQ(log.log, (std::vector<std::string>{"begin Saving WAV data", "end"}));
}

}  // namespace
}  // namespace formats
