// Tests of sample storage over a virtual file: the same frame conversions (reads and writes of other
// layouts, one-channel writes, silence, blank inserts, cuts, zero crossings) run over a virtual file and
// over memory give the same bytes; a mapped file reads converted; offsets beyond 32 bits are refused.
#include "document/hf_sample_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <vector>

#include "platform/test_dir.h"
#include "storage/store.h"

namespace document {
namespace {

class HfSampleFileTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(storage::VfInit(dir.path(), "", 0, 0, 0, storage::StoreUi{}), 0);
    ASSERT_TRUE(SampleScratchInit(kSampleScratchBytes));
  }
  void TearDown() override {
    for (storage::HfHandle* h : files) storage::HfClose(h);
    storage::VfShutdown();
  }
  storage::HfHandle* create() {
    int st = -1;
    storage::HfHandle* h = storage::HfCreate(1, 0, nullptr, true, &st);
    EXPECT_EQ(st, 0);
    files.push_back(h);
    return h;
  }
  static std::vector<uint8_t> contents(SampleFile* f) {
    std::vector<uint8_t> out(f->length());
    if (!out.empty()) {
      EXPECT_EQ(f->read(0, out.data(), uint32_t(out.size())), out.size());
    }
    return out;
  }

  platform::TestDir dir{"hfsample"};
  std::vector<storage::HfHandle*> files;
};

// Two 16-bit stereo channels: a slow sine on the left, a ramp on the right.
std::vector<int16_t> stereo16(uint32_t frames) {
  std::vector<int16_t> v(frames * 2);
  for (uint32_t i = 0; i < frames; ++i) {
    v[2 * i] = int16_t(20000 * std::sin(i * 0.01));
    v[2 * i + 1] = int16_t(int32_t(i * 7) % 60000 - 30000);
  }
  return v;
}

TEST_F(HfSampleFileTest, ConversionsMatchTheSameRunInMemory) {
  HfSampleFile hf(create());
  hf.setFormatWord(XF_STEREO | XF_16BIT);
  MemorySampleFile mem(XF_STEREO | XF_16BIT);
  EXPECT_EQ(hf.formatWord(), XF_STEREO | XF_16BIT);
  const uint32_t frames = 70000;  // 280,000 bytes: several blocks
  auto src = stereo16(frames);
  std::vector<float> mono(frames / 2);
  for (size_t i = 0; i < mono.size(); ++i) mono[i] = float(i % 3000) * 10.0f - 15000.0f;

  for (SampleFile* f : {static_cast<SampleFile*>(&hf), static_cast<SampleFile*>(&mem)}) {
    SCOPED_TRACE(f == &hf ? "virtual file" : "memory");
    EXPECT_EQ(SampleWrite(f, src.data(), 0, frames, XF_STEREO | XF_16BIT), frames);
    EXPECT_EQ(
        SampleWrite(f, mono.data(), 1000, uint32_t(mono.size()), XF_MONO | XF_32BIT | XF_DST_RIGHT | XF_CLIP),
        mono.size());
    EXPECT_EQ(SampleSilence(f, 50000, 3000, XF_STEREO | XF_16BIT | XF_DST_LEFT), 3000u);
    EXPECT_EQ(SampleInsertBlank(f, 12345, 20000, true), 20000u);
    EXPECT_EQ(SampleCut(f, 60000, 17000), 17000u);
    // Past the end: one-channel write of frames the file does not have yet.
    EXPECT_EQ(
        SampleWrite(f, mono.data(), int32_t(SampleLength(f)) - 10, 100, XF_MONO | XF_32BIT | XF_DST_LEFT),
        100u);
  }
  EXPECT_EQ(contents(&hf), mem.bytes());
  EXPECT_EQ(SampleLength(&hf), SampleLength(&mem));

  // Reads in other layouts agree too, negative starts included.
  for (uint16_t word : {uint16_t(XF_MONO | XF_8BIT), uint16_t(XF_STEREO | XF_32BIT),
                        uint16_t(XF_MONO | XF_16BIT | XF_SRC_RIGHT), uint16_t(XF_STEREO | XF_8BIT)}) {
    SCOPED_TRACE(word);
    std::vector<uint8_t> a(90000 * 8), b(90000 * 8);
    uint32_t na = SampleRead(&hf, a.data(), -100, 90000, word);
    uint32_t nb = SampleRead(&mem, b.data(), -100, 90000, word);
    EXPECT_EQ(na, nb);
    EXPECT_EQ(a, b);
  }
  for (int32_t n : {100, 5000, 40000}) {
    EXPECT_EQ(FindZeroCrossing(&hf, n, 1, 1), FindZeroCrossing(&mem, n, 1, 1)) << n;
  }
}

TEST_F(HfSampleFileTest, MappedSixteenBitFileReadsAsEightBit) {
  std::string path = dir.file("mono16.raw");
  std::vector<int16_t> samples(100000);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = int16_t(i * 13);
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(samples.data()), std::streamsize(samples.size() * 2));
  }
  int st = -1;
  storage::HfHandle* h = storage::HfOpen(path, 0, uint32_t(samples.size() * 2), 1, 0, nullptr, false, &st);
  ASSERT_NE(h, nullptr);
  files.push_back(h);
  HfSampleFile hf(h);
  hf.setFormatWord(XF_MONO | XF_16BIT);
  EXPECT_EQ(hf.formatWord(), XF_16BIT);  // mono is the absence of the stereo bit
  MemorySampleFile mem(XF_16BIT);
  mem.setBytes(contents(&hf));
  std::vector<uint8_t> a(samples.size()), b(samples.size());
  EXPECT_EQ(SampleRead(&hf, a.data(), 0, uint32_t(samples.size()), XF_MONO | XF_8BIT), samples.size());
  EXPECT_EQ(SampleRead(&mem, b.data(), 0, uint32_t(samples.size()), XF_MONO | XF_8BIT), samples.size());
  EXPECT_EQ(a, b);
  EXPECT_TRUE(storage::HfHasReadOnlyBlocks(h));  // reading copied nothing
}

TEST_F(HfSampleFileTest, OffsetsBeyondThirtyTwoBitsAreRefused) {
  HfSampleFile hf(create());
  uint8_t b[4] = {1, 2, 3, 4};
  EXPECT_EQ(hf.write(uint64_t(1) << 32, b, 4), 0u);
  EXPECT_EQ(hf.read(uint64_t(1) << 33, b, 4), 0u);
  EXPECT_EQ(hf.insert(uint64_t(1) << 32, 4, true, 0), 0u);
  EXPECT_EQ(hf.cut(uint64_t(1) << 32, 4), 0u);
  EXPECT_EQ(hf.length(), 0u);
  EXPECT_EQ(hf.write(0, b, 4), 4u);
  EXPECT_EQ(hf.length(), 4u);
}

}  // namespace
}  // namespace document
