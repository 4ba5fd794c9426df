// The real wavpcm.flt under Wine, loaded by the host from the build's bin directory: the scan and flt.dat,
// every fixture of the WAVE corpus opened through the filter (samples as sox reads them, metadata into the
// marker set and chunk store, refusals), written again through the filter and read back identically, a
// mapped open that leaves the samples in the file, and the sharing-violation path of a save.
//
// The files written here are also checked by sox afterwards (ctest formats_flt_roundtrip_sox).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "document/hf_sample_file.h"
#include "formats/filter_loader.h"
#include "formats/filter_open.h"
#include "formats/filter_save.h"
#include "include/sorn_bytes.h"
#include "markers/chunk_store.h"
#include "markers/marker_set.h"
#include "platform/test_dir.h"
#include "platform/win32.h"
#include "ui/message_box.h"
#include "ui/settings_source.h"
#include "storage/store_test_util.h"

namespace formats {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}
std::string binDir() {
  return env("SORN_BINARY_DIR") + "/bin";
}
std::string fixtureDir() {
  return env("SORN_BINARY_DIR") + "/tests/data/wav";
}
Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

struct Row {
  std::string name, expect;
  int tol = 0;
  uint32_t rate = 0, channels = 0, bits = 0, frames = 0;
};
std::vector<Row> manifest() {
  std::vector<Row> rows;
  std::ifstream in(fixtureDir() + "/manifest.tsv");
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::stringstream ss(line);
    std::string x;
    while (std::getline(ss, x, '\t')) f.push_back(x);
    if (f.size() != 9) continue;
    Row r;
    r.name = f[0];
    r.expect = f[1];
    r.tol = std::atoi(f[3].c_str());
    r.rate = uint32_t(std::atol(f[4].c_str()));
    r.channels = uint32_t(std::atol(f[5].c_str()));
    r.bits = uint32_t(std::atol(f[6].c_str()));
    r.frames = uint32_t(std::atol(f[7].c_str()));
    rows.push_back(r);
  }
  return rows;
}

// A table with the one real filter.
FilterTable realTable(const FilterLoader& load) {
  FilterTable t;
  uint32_t error = 0;
  std::unique_ptr<FilterModule> m = load("wavpcm.flt", &error);
  if (!m) return t;
  FilterInfo info;
  std::memset(&info, 0, sizeof info);
  if (m->query(&info) >= SORN_FILTER_VERSION_MIN) t.add(info, "wavpcm.flt");
  return t;
}

TEST(WavPcmFilter, IdentityEntriesAndScan) {
  FilterLoader load = windowsFilterLoader(binDir());
  uint32_t error = 0;
  std::unique_ptr<FilterModule> m = load("wavpcm.flt", &error);
  ASSERT_TRUE(m) << "LoadLibrary error " << error;
  FilterInfo info;
  std::memset(&info, 0xAB, sizeof info);
  EXPECT_EQ(m->query(&info), 1154u);
  EXPECT_STREQ(info.name, "Windows PCM");
  EXPECT_STREQ(info.extension, "WAV");
  EXPECT_EQ(info.capabilities, 0x1896u);
  for (FilterEntry e :
       {FilterEntry::QuerySornFilter, FilterEntry::FilterUnderstandsFormat, FilterEntry::OpenFilterInput,
        FilterEntry::ReadFilterInput, FilterEntry::SeekFilterInput, FilterEntry::CloseFilterInput,
        FilterEntry::FilterGetFileSize, FilterEntry::FilterOptions, FilterEntry::GetDataOffset,
        FilterEntry::FilterGetFirstSpecialData, FilterEntry::FilterGetNextSpecialData,
        FilterEntry::OpenFilterOutput, FilterEntry::WriteFilterOutput, FilterEntry::CloseFilterOutput,
        FilterEntry::FilterWriteSpecialData, FilterEntry::GetSuggestedSampleType})
    EXPECT_TRUE(m->has(e)) << filterEntryName(e);
  m.reset();

  platform::TestDir dir("flt");
  fs::copy_file(binDir() + "/wavpcm.flt", dir.path() + "/wavpcm.flt");
  ui::MemorySettingsSource settings;
  FilterTable table;
  FilterScanEnv scan = windowsScanEnv(dir.path(), &settings);
  FilterScanResult r = scanFilters(scan, &table);
  EXPECT_FALSE(r.fromCache);
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(r.defaultPcm, 0);
  Bytes dat = readFile(dir.path() + "/flt.dat");
  ASSERT_EQ(dat.size(), 192u);
  EXPECT_EQ(0, std::memcmp(&dat[188], "KOVA", 4));
  FilterScanEnv again = windowsScanEnv(dir.path(), &settings);
  r = scanFilters(again, &table);
  EXPECT_TRUE(r.fromCache);
  EXPECT_EQ(r.loaded, 0u);
}

// 16-bit values of a stored wave, as sox gives them.
std::vector<int16_t> asSixteen(document::SampleFile* f, uint32_t channels, uint32_t frames) {
  std::vector<int16_t> v(size_t(frames) * channels);
  document::SampleRead(f, v.data(), 0, frames,
                       uint16_t(document::XF_CLIP | document::XfLayoutWord(channels, 16)));
  return v;
}

struct Opened {
  int status = -1;
  document::WaveFormat format;
  std::unique_ptr<document::MemorySampleFile> samples{new document::MemorySampleFile};
  markers::MarkerSet cues;
  markers::ChunkStore chunks;
  int refusedBy = -1;
};
void openThrough(const FilterTable& table, const FilterLoader& load, const std::string& path, Opened* o) {
  ImportArgs a;
  a.path = path;
  a.flags = kOpenMetadata;
  ImportResult r;
  o->status = importThroughFilter(table, load, a, &o->format, o->samples.get(), &o->cues, &o->chunks, &r);
  o->refusedBy = r.refusedBy;
}

TEST(WavPcmFilter, FixturesOpenAndRoundTrip) {
  std::vector<Row> rows = manifest();
  ASSERT_GT(rows.size(), 20u) << "no fixture manifest in " << fixtureDir();
  FilterLoader load = windowsFilterLoader(binDir());
  FilterTable table = realTable(load);
  ASSERT_EQ(table.size(), 1u);
  ui::ScriptedMessageBoxes boxes;
  std::string rtDir = env("SORN_BINARY_DIR") + "/formats/flt_roundtrip";
  fs::remove_all(rtDir);
  fs::create_directories(rtDir + "/roundtrip");
  fs::copy(fixtureDir() + "/ref", rtDir + "/ref");
  fs::copy_file(fixtureDir() + "/manifest.tsv", rtDir + "/manifest.tsv");

  int opened = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Opened o;
    openThrough(table, load, fixtureDir() + "/" + row.name + ".wav", &o);
    if (row.expect != "open") {
      EXPECT_EQ(o.status, kImportNoFilter);
      // A RIFF WAVE file is the filter's to refuse (and to explain, given a window); anything else is not.
      Bytes head = readFile(fixtureDir() + "/" + row.name + ".wav");
      bool wave = head.size() >= 12 && std::memcmp(head.data(), "RIFF", 4) == 0 &&
                  std::memcmp(head.data() + 8, "WAVE", 4) == 0;
      EXPECT_EQ(o.refusedBy, wave ? 0 : -1);
      EXPECT_EQ(o.samples->length(), 0u);
      continue;
    }
    ASSERT_EQ(o.status, kImportOk);
    ++opened;
    EXPECT_EQ(o.format.rate, row.rate);
    EXPECT_EQ(o.format.channels, row.channels);
    EXPECT_EQ(o.format.bits, row.bits <= 16 ? row.bits : 32u);
    ASSERT_EQ(document::SampleLength(o.samples.get()), row.frames);
    Bytes ref = readFile(fixtureDir() + "/ref/" + row.name + ".raw");
    ASSERT_EQ(ref.size(), size_t(row.frames) * row.channels * 2);
    std::vector<int16_t> mine = asSixteen(o.samples.get(), row.channels, row.frames);
    int worst = 0, tol = row.bits <= 16 ? 0 : row.tol + 1;
    for (size_t i = 0; i < mine.size(); ++i)
      worst = std::max(worst, std::abs(int(mine[i]) - int(SornGetS16LE(&ref[2 * i]))));
    EXPECT_LE(worst, tol);

    // Written through the filter and read back: the same samples, cues and kept chunks.
    std::string out = rtDir + "/roundtrip/" + row.name + ".wav";
    SaveSource src;
    src.samples = o.samples.get();
    src.format = o.format;
    src.cues = &o.cues;
    src.chunks = &o.chunks;
    SaveArgs sa;
    sa.path = out;
    sa.filterIndex = 0;
    SaveResult sr;
    ASSERT_EQ(saveThroughFilter(table, load, sa, &src, &sr), kSaveOk);
    Opened back;
    openThrough(table, load, out, &back);
    ASSERT_EQ(back.status, kImportOk);
    EXPECT_EQ(back.format.bits, o.format.bits);
    EXPECT_TRUE(back.samples->bytes() == o.samples->bytes());
    ASSERT_EQ(back.cues.cueCount(), o.cues.cueCount());
    for (uint32_t i = 0; i < o.cues.cueCount(); ++i) {
      const markers::Cue* a = o.cues.cueAt(i);
      const markers::Cue* b = back.cues.cueAt(i);
      EXPECT_EQ(a->id, b->id);
      EXPECT_EQ(a->position, b->position);
      EXPECT_EQ(a->length, b->length);
      EXPECT_EQ(a->label, b->label);
      EXPECT_EQ(a->description, b->description);
      EXPECT_EQ(a->extra, b->extra);
    }
    EXPECT_EQ(back.cues.playCount(), o.cues.playCount());
    ASSERT_EQ(back.chunks.size(), o.chunks.size());
    for (uint32_t i = 0; i < o.chunks.size(); ++i) {
      EXPECT_EQ(back.chunks.at(i)->chunkId, o.chunks.at(i)->chunkId);
      EXPECT_EQ(back.chunks.at(i)->bytes, o.chunks.at(i)->bytes);
    }

    if (row.name == "cues_labels") {
      EXPECT_EQ(o.cues.cueCount(), 3u);
      EXPECT_EQ(o.cues.findCue(1)->label, "Intro");
      EXPECT_EQ(o.cues.findCue(2)->description, "first verse");
      EXPECT_EQ(o.cues.findCue(2)->length, 50u);
    } else if (row.name == "info") {
      EXPECT_NE(o.chunks.find("INFO", "INAM"), nullptr);
    } else if (row.name == "plst") {
      EXPECT_EQ(o.cues.playCount(), 2u);
    } else if (row.name == "smpl") {
      ASSERT_EQ(o.cues.cueCount(), 2u);  // two usable loops without cues
      EXPECT_EQ(o.cues.cueAt(0)->label, "Loop 1");
    }
  }
  EXPECT_GT(opened, 15);
  EXPECT_EQ(boxes.count(), 0u);
}

class MappedThroughFilter : public storage::testing_util::StoreFixture {
 protected:
  void SetUp() override { ASSERT_EQ(init(), 0); }
};

// A truncated 16-bit file maps in place: only the whole frames the file holds, no byte copied.
TEST_F(MappedThroughFilter, TruncatedFileMapsWholeFramesInPlace) {
  FilterLoader load = windowsFilterLoader(binDir());
  FilterTable table = realTable(load);
  ASSERT_EQ(table.size(), 1u);
  std::string path = fixtureDir() + "/truncated_odd.wav";
  Bytes file = readFile(path);
  OpenMappedArgs a;
  a.path = path;
  a.channels = 2;
  a.bits = 16;
  a.flags = kOpenNoRemember;
  markers::MarkerSet cues;
  markers::ChunkStore chunks;
  OpenMappedResult r;
  storage::HfHandle* h = openMapped(table, load, 0, a, &cues, &chunks, &r);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(r.offset, 44u);
  EXPECT_EQ(r.length, 600u);
  EXPECT_TRUE(storage::HfHasReadOnlyBlocks(h));
  Bytes got(r.length);
  EXPECT_EQ(storage::HfRead(h, 0, r.length, got.data()), r.length);
  EXPECT_TRUE(std::equal(got.begin(), got.end(), file.begin() + 44));
  storage::HfClose(h);
  a.bits = 8;  // not the file's layout
  EXPECT_EQ(openMapped(table, load, 0, a, &cues, &chunks, &r), nullptr);
}

// A target another handle holds without sharing: the question, No keeps the file; Yes (after the holder lets
// go) saves.
TEST(WavPcmFilter, SaveOverAFileInUse) {
  FilterLoader load = windowsFilterLoader(binDir());
  FilterTable table = realTable(load);
  ASSERT_EQ(table.size(), 1u);
  platform::TestDir dir("busy");
  std::string path = dir.path() + "\\busy.wav";
  std::ofstream(path) << "busy";
  HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  document::MemorySampleFile samples(document::XF_MONO | document::XF_16BIT);
  samples.setBytes(Bytes(200, 7));
  SaveSource src;
  src.samples = &samples;
  src.format = {8000, 1, 16};
  SaveArgs a;
  a.path = path;
  a.filterIndex = 0;
  a.releaseSourceFile = [&](const std::string&) {
    CloseHandle(holder);
    holder = INVALID_HANDLE_VALUE;
    return true;
  };
  ui::ScriptedMessageBoxes boxes;
  boxes.queueAnswer(ui::kIdNo);
  SaveResult r;
  EXPECT_EQ(saveThroughFilter(table, load, a, &src, &r), kSaveNotSaved);
  LARGE_INTEGER size;
  ASSERT_TRUE(GetFileSizeEx(holder, &size));
  EXPECT_EQ(size.QuadPart, 4);  // untouched
  boxes.queueAnswer(ui::kIdYes);
  EXPECT_EQ(saveThroughFilter(table, load, a, &src, &r), kSaveOk);
  ASSERT_EQ(boxes.count(), 2u);
  EXPECT_EQ(boxes.shown()[1].caption, path);
  EXPECT_EQ(readFile(path).size(), 44u + 200u);
  if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
}

}  // namespace
}  // namespace formats
