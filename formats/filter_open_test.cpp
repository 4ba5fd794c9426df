// Opening through filters with a fake filter: reads of any size give the same samples (partial frames are
// carried), candidates are tried in order, raw data asks for its format, metadata is read before or after
// the samples as the filter says, and a mapped open never maps bytes the file does not hold.
#include "formats/filter_open.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "document/hf_sample_file.h"
#include "formats/fake_filter_test_util.h"
#include "markers/chunk_store.h"
#include "markers/marker_set.h"
#include "ui/message_box.h"
#include "ui/settings_source.h"
#include "storage/store_test_util.h"

namespace formats {
namespace {

using testing_util::FakeFilters;
using testing_util::FakeState;
using testing_util::makeInfo;

constexpr uint32_t kReader = FLT_READ | FLT_WRITE;

std::vector<uint8_t> pattern(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 7 + i / 256);
  return v;
}

TEST(ClampMappedRange, StaysInsideTheFileOnWholeFrames) {
  struct Case {
    int32_t offset, length;
    uint64_t fileSize;
    uint32_t frame;
    bool ok;
    uint64_t wantOffset;
    uint32_t wantLength;
  } cases[] = {
      {44, 1000, 1044, 4, true, 44, 1000},  // exact
      {44, 5000, 1044, 4, true, 44, 1000},  // truncated file: cut to what is there
      {44, 5000, 1046, 4, true, 44, 1000},  // a partial frame at the end is left out
      {44, 1001, 2000, 2, true, 44, 1000},  // the claimed length is cut to whole frames too
      {44, 3, 2000, 4, false, 0, 0},        // less than a frame
      {-1, 100, 2000, 2, false, 0, 0},      // negative offset
      {44, 0, 2000, 2, false, 0, 0},        // nothing to map
      {44, -5, 2000, 2, false, 0, 0},      {2000, 10, 2000, 2, false, 0, 0},  // offset at the end
      {3000, 10, 2000, 2, false, 0, 0},                                       // offset past the end
      {0, 0x7FFFFFFF, 10, 1, true, 0, 10},
  };
  for (const Case& c : cases) {
    uint64_t off = 0;
    uint32_t len = 0;
    bool ok = clampMappedRange(c.offset, c.length, c.fileSize, c.frame, &off, &len);
    EXPECT_EQ(ok, c.ok) << c.offset << " " << c.length << " " << c.fileSize;
    if (ok && c.ok) {
      EXPECT_EQ(off, c.wantOffset);
      EXPECT_EQ(len, c.wantLength);
    }
  }
}

struct ImportFixture : ::testing::Test {
  FakeFilters fakes;
  ui::MemorySettingsSource settings;
  ui::ScriptedMessageBoxes boxes;
  markers::MarkerSet cues;
  markers::ChunkStore chunks;

  ImportArgs args() {
    ImportArgs a;
    a.path = "x.wav";
    a.flags = kOpenMetadata;
    a.settings = &settings;
    return a;
  }
  int run(const ImportArgs& a, document::MemorySampleFile* target, ImportResult* r,
          document::WaveFormat* doc = nullptr) {
    document::WaveFormat none;
    FilterTable table = fakes.table();
    return importThroughFilter(table, fakes.loader(), a, doc ? doc : &none, target, &cues, &chunks, r);
  }
};

// Reads ending inside frames, of every size, must give the file's bytes exactly.
TEST_F(ImportFixture, PartialFramesAreCarriedOver) {
  auto s = fakes.add("w.flt", makeInfo("Windows PCM", "WAV", kReader));
  s->data = pattern(4 * 1001);
  for (uint32_t limit : {1u, 3u, 5u, 7u, 4096u, 0u}) {
    for (uint32_t chunk : {5u, 6u, 4096u}) {
      s->readLimit = limit;
      s->chunk = chunk;
      document::MemorySampleFile target;
      ImportResult r;
      ASSERT_EQ(run(args(), &target, &r), kImportOk) << limit << " " << chunk;
      EXPECT_EQ(target.bytes(), s->data) << "read limit " << limit << ", chunk " << chunk;
      EXPECT_EQ(r.framesWritten, 1001u);
      EXPECT_EQ(target.formatWord(), document::XF_STEREO | document::XF_16BIT);
    }
  }
  EXPECT_EQ(s->loads, s->unloads);
}

TEST_F(ImportFixture, CandidatesInOrderAndStartAtThePreferredOne) {
  auto a = fakes.add("a.flt", makeInfo("A", "AAA", kReader));
  auto b = fakes.add("b.flt", makeInfo("B", "BBB", kReader));
  auto c = fakes.add("c.flt", makeInfo("C", "CCC", FLT_WRITE));  // cannot read: never loaded
  a->understands = 0;
  b->data = pattern(40);
  c->data = pattern(40);
  document::MemorySampleFile target;
  ImportResult r;
  ImportArgs in = args();
  in.preferredIndex = 1;
  b->understands = 2;  // only exactly 1 accepts
  EXPECT_EQ(run(in, &target, &r), kImportNoFilter);
  EXPECT_EQ(fakes.loadLog, (std::vector<std::string>{"b.flt", "a.flt"}));
  b->understands = 1;
  fakes.loadLog.clear();
  ASSERT_EQ(run(in, &target, &r), kImportOk);
  EXPECT_EQ(r.filterIndex, 1);
  EXPECT_EQ(fakes.loadLog, (std::vector<std::string>{"b.flt"}));
  // Without probing the first filter that opens takes the file, understood or not.
  in.flags |= kOpenNoProbe;
  in.preferredIndex = -1;
  fakes.loadLog.clear();
  ASSERT_EQ(run(in, &target, &r), kImportOk);
  EXPECT_EQ(r.filterIndex, 0);
}

TEST_F(ImportFixture, FilterWithoutReadingEntriesIsReportedAndSkipped) {
  fakes.add("a.flt", makeInfo("A", "AAA", kReader))->missing.insert(FilterEntry::FilterGetFileSize);
  fakes.add("b.flt", makeInfo("B", "BBB", kReader))->data = pattern(8);
  document::MemorySampleFile target;
  ImportResult r;
  ASSERT_EQ(run(args(), &target, &r), kImportOk);
  ASSERT_EQ(boxes.count(), 1u);
  EXPECT_EQ(boxes.shown()[0].text, "a.flt");
  EXPECT_EQ(boxes.shown()[0].caption, "File Filter Doesn't Support Reading");
}

TEST_F(ImportFixture, RawDataAsksForItsFormatAndTheFiltersOptions) {
  auto s = fakes.add("raw.flt", makeInfo("Raw", "RAW", kReader));
  s->rate = 0;
  s->bits = 0;
  s->channels = 0;
  s->data = pattern(30);
  settings.set("PCM Filter", "SampleRate", "22050");
  settings.set("PCM Filter", "BitsPerSample", "8");
  settings.set("PCM Filter", "Channels", "1");
  settings.set("Recent", "FileOptions", "3");
  document::WaveFormat shown;
  ImportArgs a = args();
  a.rawFormatDialog = [&](document::WaveFormat* f) {
    shown = *f;
    f->channels = 2;
    return true;
  };
  document::MemorySampleFile target;
  ImportResult r;
  document::WaveFormat doc;
  ASSERT_EQ(run(a, &target, &r, &doc), kImportOk);
  EXPECT_EQ(shown.rate, 22050u);
  EXPECT_EQ(shown.bits, 8);
  EXPECT_EQ(shown.channels, 1);
  EXPECT_EQ(settings.value("PCM Filter", "Channels"), "2");
  EXPECT_EQ(s->setOptionsValue, 7u);  // the options dialog's answer
  EXPECT_EQ(settings.value("Recent", "FileOptions"), "7");
  EXPECT_EQ(doc.rate, 22050u);
  EXPECT_EQ(doc.channels, 2);
  EXPECT_EQ(r.framesWritten, 15u);

  // Cancelling either dialog ends with status 5 and the filter closed and unloaded.
  s->getOptionsAnswer = 0;
  EXPECT_EQ(run(a, &target, &r), kImportRawCancelled);
  a.rawFormatDialog = [](document::WaveFormat*) { return false; };
  EXPECT_EQ(run(a, &target, &r), kImportRawCancelled);
  EXPECT_EQ(s->loads, s->unloads);
  EXPECT_EQ(s->calls.back(), "closeInput");

  // With the remembered values no dialog is shown.
  settings.set("Recent", "Samplerate", "11025");
  settings.set("Recent", "BitsPerSample", "16");
  settings.set("Recent", "Channels", "1");
  settings.set("Recent", "FileOptions", "3");
  a.flags |= kOpenRawRemembered;
  document::WaveFormat doc2;
  document::MemorySampleFile target2;
  ASSERT_EQ(run(a, &target2, &r, &doc2), kImportOk);
  EXPECT_EQ(doc2.rate, 11025u);
  EXPECT_EQ(s->setOptionsValue, 3u);
}

TEST_F(ImportFixture, MetadataBeforeOrAfterTheSamples) {
  auto s = fakes.add("w.flt", makeInfo("W", "WAV", kReader | FLT_META_BEFORE_READ));
  s->data = pattern(8);
  SpecialItem info;
  info.listType = "INFO";
  info.chunkId = "INAM";
  info.bytes = {'a', 0};
  s->items = {info};
  document::MemorySampleFile t1;
  ImportResult r;
  ASSERT_EQ(run(args(), &t1, &r), kImportOk);
  EXPECT_EQ(s->calls, (std::vector<std::string>{"openInput", "items", "read", "closeInput"}));
  EXPECT_EQ(chunks.size(), 1u);

  // Before wins over after; a filter naming neither moment is never asked for items.
  struct Row {
    uint32_t caps;
    std::vector<std::string> calls;
  };
  const Row rows[] = {
      {kReader | FLT_META_AFTER_READ, {"openInput", "read", "items", "closeInput"}},
      {kReader | FLT_META_BEFORE_READ | FLT_META_AFTER_READ, {"openInput", "items", "read", "closeInput"}},
      {kReader, {"openInput", "read", "closeInput"}},
  };
  for (const Row& row : rows) {
    FakeFilters other;
    auto t = other.add("w.flt", makeInfo("W", "WAV", row.caps));
    t->data = pattern(8);
    t->items = {info};
    document::MemorySampleFile target;
    document::WaveFormat none;
    FilterTable table = other.table();
    ASSERT_EQ(importThroughFilter(table, other.loader(), args(), &none, &target, &cues, &chunks, &r),
              kImportOk);
    EXPECT_EQ(t->calls, row.calls) << row.caps;
  }
  // Without kOpenMetadata no item is asked for.
  ImportArgs a = args();
  a.flags = 0;
  s->calls.clear();
  ASSERT_EQ(run(a, &t1, &r), kImportOk);
  EXPECT_EQ(s->calls, (std::vector<std::string>{"openInput", "read", "closeInput"}));
}

struct StopAt : Progress {
  uint64_t stopAt;
  std::string title;
  int begins = 0, ends = 0;
  explicit StopAt(uint64_t n) : stopAt(n) {}
  void begin(const std::string& t) override {
    title = t;
    ++begins;
  }
  bool update(uint64_t done, uint64_t) override { return done < stopAt; }
  void end() override { ++ends; }
};

TEST_F(ImportFixture, StopAndFullTempDrive) {
  auto s = fakes.add("w.flt", makeInfo("W", "WAV", kReader));
  s->data = pattern(4000);
  s->chunk = 1000;
  StopAt stop(2000);
  ImportArgs a = args();
  a.progress = &stop;
  document::MemorySampleFile target;
  ImportResult r;
  EXPECT_EQ(run(a, &target, &r), kImportCancelled);
  EXPECT_EQ(stop.title, "Reading WAV data");
  EXPECT_EQ(stop.ends, 1);
  EXPECT_EQ(r.framesWritten, 250u);
  EXPECT_EQ(boxes.count(), 0u);

  document::MemorySampleFile small(0, 1500);
  EXPECT_EQ(run(args(), &small, &r), kImportTempFull);
  ASSERT_EQ(boxes.count(), 1u);
  EXPECT_EQ(boxes.shown()[0].text, "Temporary drive full");
  EXPECT_EQ(boxes.shown()[0].caption, "Out of Space");
  EXPECT_EQ(s->loads, s->unloads);
}

TEST_F(ImportFixture, OptionsAreRememberedForTheFilterThatSaves) {
  fakes.add("r.flt", makeInfo("Reader", "WAV", FLT_READ))->data = pattern(8);
  fakes.add("w.flt", makeInfo("Writer", "wav", FLT_WRITE));
  fakes.filters[0].second->options = 5;
  document::MemorySampleFile target;
  ImportResult r;
  ASSERT_EQ(run(args(), &target, &r), kImportOk);
  EXPECT_EQ(r.filterIndex, 0);
  EXPECT_EQ(r.saveFilterIndex, 1);
  EXPECT_EQ(r.saveOptions, 5u);
  EXPECT_EQ(settings.value("File Options 95", "Filter1"), "5");
}

TEST_F(ImportFixture, FormatsTheEditorCannotHoldAreRefused) {
  auto s = fakes.add("w.flt", makeInfo("W", "WAV", kReader));
  s->bits = 24;
  s->data = pattern(6);
  document::MemorySampleFile target;
  ImportResult r;
  EXPECT_EQ(run(args(), &target, &r), kImportReadFailed);
  s->bits = 16;
  s->chunk = 0;  // a filter error
  EXPECT_EQ(run(args(), &target, &r), kImportReadFailed);
  EXPECT_EQ(s->loads, s->unloads);
}

class MappedOpen : public storage::testing_util::StoreFixture {
 protected:
  void SetUp() override { ASSERT_EQ(init(), 0); }
  FakeFilters fakes;
  ui::MemorySettingsSource settings;
  markers::MarkerSet cues;
  markers::ChunkStore chunks;
};

TEST_F(MappedOpen, MapsOnlyWhatTheFileHolds) {
  std::string path = dir.path() + "/short.wav";
  std::vector<uint8_t> bytes = storage::testing_util::writeSourceFile(path, 44 + 1002, 5);
  auto s = fakes.add("w.flt", makeInfo("Windows PCM", "WAV", FLT_READ | FLT_MAPPABLE));
  s->mappable = true;
  s->offset = 44;
  s->length = 100000;  // the header claims far more than the file holds
  SpecialItem cue;
  cue.chunkId = "cue ";
  cue.listType = "WAVE";
  cue.bytes = {1, 0, 0, 0, 9, 0, 0, 0};
  cue.count = 1;
  s->items = {cue};
  FilterTable table = fakes.table();
  OpenMappedArgs a;
  a.path = path;
  a.channels = 2;
  a.bits = 16;
  a.flags = kOpenMetadata;
  a.settings = &settings;
  OpenMappedResult r;
  storage::HfHandle* h = openMapped(table, fakes.loader(), 0, a, &cues, &chunks, &r);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(r.offset, 44u);
  EXPECT_EQ(r.length, 1000u);  // whole frames inside the file
  EXPECT_EQ(storage::HfGetLength(h), 1000u);
  EXPECT_TRUE(storage::HfHasReadOnlyBlocks(h));
  std::vector<uint8_t> got(1000);
  EXPECT_EQ(storage::HfRead(h, 0, 1000, got.data()), 1000u);
  EXPECT_TRUE(std::equal(got.begin(), got.end(), bytes.begin() + 44));
  EXPECT_EQ(settings.value("Recent", "FileFilter"), "Windows PCM");
  EXPECT_EQ(cues.cueCount(), 1u);
  storage::HfClose(h);

  // A layout other than the requested one, a refused GetDataOffset or an offset past the end: no file.
  a.bits = 8;
  EXPECT_EQ(openMapped(table, fakes.loader(), 0, a, &cues, &chunks, &r), nullptr);
  a.bits = 16;
  s->offset = 5000;
  EXPECT_EQ(openMapped(table, fakes.loader(), 0, a, &cues, &chunks, &r), nullptr);
  s->offset = 44;
  s->mappable = false;
  EXPECT_EQ(openMapped(table, fakes.loader(), 0, a, &cues, &chunks, &r), nullptr);
  EXPECT_EQ(s->loads, s->unloads);
  EXPECT_EQ(s->calls.back(), "closeInput");
}

}  // namespace
}  // namespace formats

namespace formats {
namespace {

// The open dialog's preview reads the samples through the filter in whole frames, never more than the
// filter declared, and closes the filter; raw data (no format) is not previewed.
TEST_F(ImportFixture, FilePreviewReadsWholeFramesThroughTheFilter) {
  struct Case {
    uint32_t bytes, readLimit, capacity;
  };
  for (const Case& k : {Case{4000, 0, 1000}, Case{4002, 333, 1000}, Case{10, 0, 3}, Case{0, 0, 64}}) {
    SCOPED_TRACE(std::to_string(k.bytes) + "/" + std::to_string(k.readLimit) + "/" + std::to_string(k.capacity));
    auto f = fakes.add("f.flt", makeInfo("F", "FFF", kReader, "Type F"));
    f->data = pattern(k.bytes);
    f->readLimit = k.readLimit;
    FilterTable table = fakes.table();
    {
      FilePreview p;
      ASSERT_TRUE(p.open(table, fakes.loader(), "x", -1));
      EXPECT_EQ(p.format().rate, 8000u);
      std::vector<uint8_t> got, buf(k.capacity + 8, 0xEE);
      while (uint32_t n = p.read(buf.data(), k.capacity)) {
        ASSERT_EQ(n % 4, 0u);
        ASSERT_LE(n, k.capacity);
        got.insert(got.end(), buf.begin(), buf.begin() + n);
      }
      // A capacity below one frame gives nothing; otherwise every whole frame of the data, in order.
      const size_t whole = k.capacity < 4 ? 0 : k.bytes / 4 * 4;
      EXPECT_EQ(got, std::vector<uint8_t>(f->data.begin(), f->data.begin() + long(whole)));
      EXPECT_EQ(buf[k.capacity], 0xEE);  // nothing written past the capacity
    }
    EXPECT_EQ(f->calls.back(), "closeInput");
    EXPECT_EQ(f->loads, f->unloads);
    fakes = FakeFilters();
  }
  auto raw = fakes.add("r.flt", makeInfo("R", "RRR", kReader, "Raw"));
  raw->data = pattern(400);
  raw->rate = 0;
  FilterTable table = fakes.table();
  FilePreview p;
  EXPECT_FALSE(p.open(table, fakes.loader(), "x", -1));
  EXPECT_EQ(p.read(nullptr, 100), 0u);
  EXPECT_EQ(raw->loads, raw->unloads);
}

TEST_F(ImportFixture, ProbeReportsTheFirstFilterThatUnderstands) {
  auto a = fakes.add("a.flt", makeInfo("A", "AAA", kReader, "Type A"));
  auto b = fakes.add("b.flt", makeInfo("B", "BBB", kReader, "Type B"));
  a->understands = 0;
  b->data = pattern(400);
  b->rate = 0;  // raw: the probe tells what the filter knows
  FilterTable table = fakes.table();
  ProbeResult r;
  ASSERT_TRUE(probeFileFormat(table, fakes.loader(), "x", -1, &r));
  EXPECT_EQ(r.filterIndex, 1);
  EXPECT_EQ(r.description, "Type B");
  EXPECT_EQ(r.dataBytes, 400u);
  EXPECT_EQ(r.format.rate, 0u);
  EXPECT_EQ(r.format.channels, 2);
  EXPECT_EQ(b->calls.back(), "closeInput");
  b->understands = 0;
  EXPECT_FALSE(probeFileFormat(table, fakes.loader(), "x", -1, &r));
  EXPECT_EQ(a->loads, a->unloads);
  EXPECT_EQ(b->loads, b->unloads);
}

TEST(ImportStatus, EveryStatusHasItsOwnText) {
  std::set<std::string> texts;
  for (int s : {kImportOk, kImportCancelled, kImportTempFull, kImportNoFilter, kImportRawCancelled,
                kImportReadFailed}) {
    std::string t = importStatusText(s);
    EXPECT_NE(t, importStatusText(-99)) << s;
    EXPECT_TRUE(texts.insert(t).second) << s;
  }
}

}  // namespace
}  // namespace formats

#include "formats/filter_host.h"

namespace formats {
namespace {

// Open maps plain PCM in place and imports anything else, with the items read once either way.
TEST_F(MappedOpen, OpenFileMapsOrImports) {
  std::string path = dir.path() + "/f.wav";
  std::vector<uint8_t> bytes = storage::testing_util::writeSourceFile(path, 44 + 4000, 9);
  auto s = fakes.add(
      "w.flt", makeInfo("Windows PCM", "WAV", FLT_READ | FLT_WRITE | FLT_MAPPABLE | FLT_META_BEFORE_READ));
  s->data.assign(bytes.begin() + 44, bytes.end());
  s->mappable = true;
  SpecialItem cue;
  cue.chunkId = "cue ";
  cue.listType = "WAVE";
  cue.bytes = {1, 0, 0, 0, 9, 0, 0, 0};
  cue.count = 1;
  SpecialItem info;
  info.listType = "INFO";
  info.chunkId = "INAM";
  info.bytes = {'n', 0};
  s->items = {cue, info};
  FilterTable table = fakes.table();
  ImportArgs a;
  a.path = path;
  a.flags = kOpenMetadata;
  a.settings = &settings;
  OpenFileResult r;
  storage::HfHandle* h = openFile(table, fakes.loader(), a, 1, 0, nullptr, &cues, &chunks, &r);
  ASSERT_NE(h, nullptr);
  EXPECT_TRUE(r.mapped);
  EXPECT_TRUE(storage::HfHasReadOnlyBlocks(h));
  EXPECT_EQ(cues.cueCount(), 1u);
  EXPECT_EQ(chunks.size(), 1u);
  storage::HfClose(h);

  // The mapping is refused (an offset past the end): imported instead, the items taken once.
  s->offset = 100000;
  markers::MarkerSet cues2;
  markers::ChunkStore chunks2;
  h = openFile(table, fakes.loader(), a, 1, 0, nullptr, &cues2, &chunks2, &r);
  ASSERT_NE(h, nullptr);
  EXPECT_FALSE(r.mapped);
  EXPECT_EQ(r.status, kImportOk);
  EXPECT_FALSE(storage::HfHasReadOnlyBlocks(h));
  std::vector<uint8_t> got(4000);
  EXPECT_EQ(storage::HfRead(h, 0, 4000, got.data()), 4000u);
  EXPECT_EQ(got, s->data);
  EXPECT_EQ(cues2.cueCount(), 1u);
  EXPECT_EQ(chunks2.size(), 1u);
  storage::HfClose(h);
  EXPECT_EQ(s->loads, s->unloads);
}

}  // namespace
}  // namespace formats

namespace formats {
namespace {

TEST(ProbeText, PanelLines) {
  ProbeResult p;
  p.format = {44100, 2, 16};
  p.dataBytes = 176400;
  ProbeText t = probeText(true, p);
  EXPECT_EQ(t.format, "44100 Hz    16-bit     Stereo");
  EXPECT_EQ(t.size, "172 K");
  p.format = {8000, 1, 8};
  EXPECT_EQ(probeText(true, p).format, " 8000 Hz     8-bit     Mono");
  p.format = {0, 0, 0};
  EXPECT_EQ(probeText(true, p).format, "");
  EXPECT_EQ(probeText(false, p).format, "Unrecognized Format");
  EXPECT_EQ(probeText(false, p).size, "");
}

}  // namespace
}  // namespace formats

namespace formats {
namespace {

TEST_F(ImportFixture, WaitsForTheCacheBeforeEachReadUnlessAsynchronous) {
  auto s = fakes.add("w.flt", makeInfo("W", "WAV", kReader));
  s->data = pattern(4000);
  s->chunk = 1000;
  int waits = 0;
  ImportArgs a = args();
  a.waitForCache = [&] { ++waits; };
  document::MemorySampleFile t1, t2;
  ImportResult r;
  ASSERT_EQ(run(a, &t1, &r), kImportOk);
  EXPECT_EQ(waits, 0);
  a.useAsync = false;
  ASSERT_EQ(run(a, &t2, &r), kImportOk);
  EXPECT_EQ(waits, 4);
}

}  // namespace
}  // namespace formats

namespace formats {
namespace {

TEST_F(ImportFixture, AFilterThatRecognisesButRefusesIsNamed) {
  auto a = fakes.add("a.flt", makeInfo("Other", "AAA", kReader));
  auto b = fakes.add("b.flt", makeInfo("Windows PCM", "WAV", kReader));
  a->understands = 0;
  b->openFails = true;
  FilterTable table = fakes.table();
  ProbeResult p;
  EXPECT_FALSE(probeFileFormat(table, fakes.loader(), "x.wav", -1, &p));
  EXPECT_EQ(p.refusedBy, 1);
  document::MemorySampleFile target;
  ImportResult r;
  EXPECT_EQ(run(args(), &target, &r), kImportNoFilter);
  EXPECT_EQ(r.refusedBy, 1);
  EXPECT_EQ(r.message, "x.wav\n\nWindows PCM recognises this file but cannot read its contents.");
  b->calls.clear();
  explainRefusal(table, fakes.loader(), "x.wav", 1, nullptr);  // no window: the filter is not asked
  EXPECT_TRUE(b->calls.empty());
  int window = 0;
  explainRefusal(table, fakes.loader(), "x.wav", 1, &window);
  EXPECT_EQ(b->calls, std::vector<std::string>{"openInput"});
  a->understands = 0;
  b->understands = 0;
  EXPECT_FALSE(probeFileFormat(table, fakes.loader(), "x.wav", -1, &p));
  EXPECT_EQ(p.refusedBy, -1);
}

}  // namespace
}  // namespace formats

#include "storage/cache.h"

namespace formats {
namespace {

// While a file is imported the cache writes behind eagerly (mode 2); the normal mode is back afterwards,
// whether the import succeeded, was stopped or found no filter.
TEST_F(ImportFixture, TheCacheWritesBehindEagerlyWhileAFileIsImported) {
  auto s = fakes.add("w.flt", makeInfo("W", "WAV", kReader | FLT_META_AFTER_READ));
  s->data = pattern(4000);
  s->chunk = 1000;
  std::set<int> modes;
  s->onInput = [&] { modes.insert(storage::CacheGetWriteMode()); };
  ASSERT_EQ(storage::CacheGetWriteMode(), 1);
  document::MemorySampleFile t1, t2, t3;
  ImportResult r;
  ASSERT_EQ(run(args(), &t1, &r), kImportOk);
  EXPECT_EQ(modes, std::set<int>{2});
  EXPECT_EQ(storage::CacheGetWriteMode(), 1);

  StopAt stop(1000);
  ImportArgs a = args();
  a.progress = &stop;
  modes.clear();
  EXPECT_EQ(run(a, &t2, &r), kImportCancelled);
  EXPECT_EQ(modes, std::set<int>{2});
  EXPECT_EQ(storage::CacheGetWriteMode(), 1);

  s->understands = 0;
  s->openFails = true;
  EXPECT_EQ(run(args(), &t3, &r), kImportNoFilter);
  EXPECT_EQ(storage::CacheGetWriteMode(), 1);
}

TEST_F(MappedOpen, TheCacheWritesBehindEagerlyWhileAFileIsMapped) {
  std::string path = dir.path() + "/m.wav";
  std::vector<uint8_t> bytes = storage::testing_util::writeSourceFile(path, 44 + 4000, 3);
  auto s = fakes.add("w.flt", makeInfo("Windows PCM", "WAV", FLT_READ | FLT_MAPPABLE | FLT_META_BEFORE_READ));
  s->data.assign(bytes.begin() + 44, bytes.end());
  s->mappable = true;
  s->offset = 44;
  std::set<int> modes;
  s->onInput = [&] { modes.insert(storage::CacheGetWriteMode()); };
  FilterTable table = fakes.table();
  OpenMappedArgs a;
  a.path = path;
  a.flags = kOpenMetadata;
  a.channels = 2;
  a.bits = 16;
  a.settings = &settings;
  OpenMappedResult r;
  storage::HfHandle* h = openMapped(table, fakes.loader(), 0, a, &cues, &chunks, &r);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(modes, std::set<int>{2});
  EXPECT_EQ(storage::CacheGetWriteMode(), 1);
  storage::HfClose(h);
}

}  // namespace
}  // namespace formats
