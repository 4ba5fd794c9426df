// The host with testflt.flt, a filter written in C from the contract header alone: raw data whose format
// the host must ask for, reads of 3 bytes that end inside frames, the filter's options, metadata items
// after the samples (one of them malformed), a refused sample type, and a disk that fills.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "formats/filter_loader.h"
#include "formats/filter_open.h"
#include "formats/filter_save.h"
#include "markers/chunk_store.h"
#include "markers/marker_set.h"
#include "platform/test_dir.h"
#include "ui/message_box.h"
#include "ui/settings_source.h"

namespace formats {
namespace {

using Bytes = std::vector<uint8_t>;

std::string testPluginDir() {
  const char* v = std::getenv("SORN_BINARY_DIR");
  return std::string(v ? v : "") + "/testplugins";
}

struct TestFilter : ::testing::Test {
  FilterLoader load = windowsFilterLoader(testPluginDir());
  FilterTable table;
  platform::TestDir dir{"testflt"};
  ui::MemorySettingsSource settings;
  ui::ScriptedMessageBoxes boxes;

  void SetUp() override {
    uint32_t error = 0;
    std::unique_ptr<FilterModule> m = load("testflt.flt", &error);
    ASSERT_TRUE(m) << "LoadLibrary error " << error;
    FilterInfo info{};
    ASSERT_EQ(m->query(&info), 1152u);
    EXPECT_TRUE(m->has(FilterEntry::OpenFilterInput2));
    EXPECT_FALSE(m->has(FilterEntry::OpenFilterInput));
    table.add(info, "testflt.flt");
  }
};

TEST_F(TestFilter, RawDataWithShortReadsAndOptions) {
  std::string path = dir.path() + "\\data.trw";
  Bytes bytes(1001);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 31 + 7);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), 1001);
  settings.set("PCM Filter", "SampleRate", "22050");
  ImportArgs a;
  a.path = path;
  a.flags = kOpenMetadata;
  a.settings = &settings;
  document::WaveFormat offered;
  a.rawFormatDialog = [&](document::WaveFormat* f) {
    offered = *f;
    f->channels = 2;
    f->bits = 16;
    return true;
  };
  document::WaveFormat doc;
  document::MemorySampleFile target;
  markers::MarkerSet cues;
  markers::ChunkStore chunks;
  ImportResult r;
  ASSERT_EQ(importThroughFilter(table, load, a, &doc, &target, &cues, &chunks, &r), kImportOk);
  EXPECT_EQ(offered.rate, 22050u);
  EXPECT_EQ(doc.rate, 22050u);
  EXPECT_EQ(r.dataBytes, 1000u);
  EXPECT_EQ(target.bytes(), Bytes(bytes.begin(), bytes.begin() + 1000));  // 3-byte reads, no shift
  EXPECT_EQ(settings.value("Recent", "FileOptions"), "2");                // 1 remembered, +1 by the filter
  EXPECT_EQ(settings.value("File Options 95", "Filter0"), "2");
  EXPECT_EQ(r.saveOptions, 2u);
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_EQ(chunks.at(0)->chunkId, "ICMT");
  EXPECT_EQ(cues.cueCount(), 0u);  // the label names no cue
  EXPECT_EQ(boxes.count(), 0u);

  a.rawFormatDialog = [](document::WaveFormat*) { return false; };
  document::MemorySampleFile other;
  EXPECT_EQ(importThroughFilter(table, load, a, &doc, &other, &cues, &chunks, &r), kImportRawCancelled);
}

TEST_F(TestFilter, RefusedTypeAndFullDisk) {
  document::MemorySampleFile eight(document::XF_MONO | document::XF_8BIT);
  eight.setBytes(Bytes(100, 0x80));
  SaveSource src;
  src.samples = &eight;
  src.format = {8000, 1, 8};
  SaveArgs a;
  a.path = dir.path() + "\\eight.trw";
  a.filterIndex = 0;
  a.settings = &settings;
  SaveResult r;
  boxes.queueAnswer(ui::kIdYes);
  EXPECT_EQ(saveThroughFilter(table, load, a, &src, &r), kSaveNotSaved);
  ASSERT_EQ(boxes.count(), 2u);
  EXPECT_EQ(
      boxes.shown()[0].text,
      "Contract Test Raw can not handle the current sample type.  Would you like to convert to 8000Hz, Mono "
      "16-bit and continue saving?");
  EXPECT_EQ(boxes.shown()[1].caption, "Cannot save in current format");

  document::MemorySampleFile sixteen(document::XF_STEREO | document::XF_16BIT);
  sixteen.setBytes(Bytes(4000, 1));
  src.samples = &sixteen;
  src.format = {8000, 2, 16};
  a.path = dir.path() + "\\full.trw";
  boxes.queueAnswer(ui::kIdNo);
  EXPECT_EQ(saveThroughFilter(table, load, a, &src, &r), kSaveOutOfSpace);
  EXPECT_EQ(boxes.shown().back().caption, "Error: Out of disk space");
  EXPECT_FALSE(std::ifstream(a.path).good());
  boxes.queueAnswer(ui::kIdYes);
  EXPECT_EQ(saveThroughFilter(table, load, a, &src, &r), kSaveOutOfSpace);
  std::ifstream kept(a.path, std::ios::binary | std::ios::ate);
  EXPECT_EQ(int(kept.tellg()), 800);  // the two 400-byte chunks that fitted
}

}  // namespace
}  // namespace formats
