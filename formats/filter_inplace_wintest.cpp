// A WAVE file opened in place through the real wavpcm.flt under Wine: quick save after a change rewrites
// only the changed 64 KB block; a cut and a save over the same file takes the sharing-violation path, lets
// the store release the file, and writes the cut wave.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "document/hf_sample_file.h"
#include "formats/filter_host.h"
#include "formats/filter_loader.h"
#include "formats/filter_save.h"
#include "markers/chunk_store.h"
#include "markers/marker_set.h"
#include "ui/message_box.h"
#include "storage/store.h"
#include "storage/store_test_util.h"

namespace formats {
namespace {

using Bytes = std::vector<uint8_t>;

class InPlace : public storage::testing_util::StoreFixture {
 protected:
  void SetUp() override {
    ASSERT_EQ(init(), 0);
    const char* bin = std::getenv("SORN_BINARY_DIR");
    load = windowsFilterLoader(std::string(bin ? bin : "") + "/bin");
    uint32_t error = 0;
    std::unique_ptr<FilterModule> m = load("wavpcm.flt", &error);
    ASSERT_TRUE(m);
    FilterInfo info{};
    m->query(&info);
    table.add(info, "wavpcm.flt");
  }
  // A 16-bit stereo WAVE of frames frames, written through the filter; returns the file's bytes.
  Bytes makeWave(const std::string& path, uint32_t frames) {
    document::MemorySampleFile s(document::XF_STEREO | document::XF_16BIT);
    Bytes b(size_t(frames) * 4);
    for (size_t i = 0; i < b.size(); ++i) b[i] = uint8_t(i * 7 + (i >> 9));
    s.setBytes(b);
    SaveSource src;
    src.samples = &s;
    src.format = {8000, 2, 16};
    SaveArgs a;
    a.path = path;
    a.filterIndex = 0;
    SaveResult r;
    EXPECT_EQ(saveThroughFilter(table, load, a, &src, &r), kSaveOk);
    return storage::testing_util::readWholeFile(path);
  }
  storage::HfHandle* open(const std::string& path, OpenFileResult* r) {
    ImportArgs a;
    a.path = path;
    a.flags = kOpenMetadata | kOpenNoRemember;
    return openFile(table, load, a, 1, 0, nullptr, &cues, &chunks, r);
  }
  FilterTable table;
  FilterLoader load;
  markers::MarkerSet cues;
  markers::ChunkStore chunks;
};

TEST_F(InPlace, QuickSaveRewritesOnlyTheChangedBlock) {
  std::string path = dir.path() + "\\q.wav";
  Bytes before = makeWave(path, 50000);  // 200,000 bytes of samples: four blocks
  OpenFileResult r;
  storage::HfHandle* h = open(path, &r);
  ASSERT_NE(h, nullptr);
  ASSERT_TRUE(r.mapped);
  EXPECT_EQ(storage::HfAllocatedSize(h), 4u * 65536);
  uint8_t x[4] = {1, 2, 3, 4};
  ASSERT_EQ(storage::HfWrite(h, 70000, 4, x), 4u);
  ui::ScriptedMessageBoxes boxes;
  EXPECT_EQ(quickSave(true, h, path, nullptr), kQuickSaved);
  Bytes after = storage::testing_util::readWholeFile(path);
  ASSERT_EQ(after.size(), before.size());
  size_t first = after.size(), last = 0;
  for (size_t i = 0; i < after.size(); ++i)
    if (after[i] != before[i]) first = std::min(first, i), last = i;
  EXPECT_EQ(first, 44u + 70000);
  EXPECT_EQ(last, 44u + 70003);
  storage::HfClose(h);
}

TEST_F(InPlace, SaveOverTheMappedFileAfterACut) {
  std::string path = dir.path() + "\\c.wav";
  Bytes before = makeWave(path, 40000);
  OpenFileResult r;
  storage::HfHandle* h = open(path, &r);
  ASSERT_NE(h, nullptr);
  ASSERT_TRUE(r.mapped);
  ASSERT_EQ(storage::HfCut(h, 4 * 1000, 4 * 500), 2000u);  // frames 1000..1499
  document::HfSampleFile samples(h);
  SaveSource src;
  src.samples = &samples;
  src.format = r.format;
  src.cues = &cues;
  src.chunks = &chunks;
  SaveArgs a;
  a.path = path;
  a.filterIndex = 0;
  a.releaseSourceFile = [](const std::string& p) {
    return storage::VfReleaseSourceFile(p, [](uint32_t, uint32_t) {});
  };
  ui::ScriptedMessageBoxes boxes;
  boxes.queueAnswer(ui::kIdYes);
  SaveResult sr;
  ASSERT_EQ(saveThroughFilter(table, load, a, &src, &sr), kSaveOk);
  ASSERT_EQ(boxes.count(), 1u);
  EXPECT_EQ(boxes.shown()[0].caption, path);
  EXPECT_FALSE(storage::HfHasReadOnlyBlocks(h));
  Bytes after = storage::testing_util::readWholeFile(path);
  Bytes want(before.begin() + 44, before.begin() + 44 + 4000);
  want.insert(want.end(), before.begin() + 44 + 6000, before.end());
  ASSERT_EQ(after.size(), 44 + want.size());
  EXPECT_TRUE(std::equal(want.begin(), want.end(), after.begin() + 44));
  storage::HfClose(h);
}

}  // namespace
}  // namespace formats
