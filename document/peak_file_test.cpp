// Tests of peak files: the exact bytes written, reopening without reading samples, the save policy, and
// every kind of damaged or stale file being rebuilt instead of trusted.
#include "document/peak_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "document/peak_test_util.h"
#include "include/sorn_bytes.h"
#include "platform/fault_injection.h"
#include "platform/file.h"
#include "platform/test_dir.h"

namespace document {
namespace {

using peaktest::makeWave;
using peaktest::summaryMatchesWave;

std::vector<uint8_t> readFile(const std::string& path) {
  platform::File* f = nullptr;
  std::vector<uint8_t> out;
  if (platform::fileOpen(path, platform::kFileRead | platform::kFileShareRead, &f) !=
      platform::FileStatus::Ok)
    return out;
  uint64_t size = 0;
  platform::fileOps().size(f, &size);
  out.resize(size_t(size));
  uint32_t done = 0;
  if (size) platform::fileOps().read(f, 0, out.data(), uint32_t(size), &done);
  platform::fileClose(f);
  return out;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  platform::File* f = nullptr;
  ASSERT_EQ(platform::fileOpen(path, platform::kFileWrite | platform::kFileCreate, &f),
            platform::FileStatus::Ok);
  uint32_t done = 0;
  if (!bytes.empty()) platform::fileOps().write(f, 0, bytes.data(), uint32_t(bytes.size()), &done);
  platform::fileClose(f);
}

void setFileTime(const std::string& path, int64_t seconds) {
  platform::File* f = nullptr;
  ASSERT_EQ(platform::fileOpen(path, platform::kFileWrite, &f), platform::FileStatus::Ok);
  ASSERT_EQ(platform::fileOps().setTime(f, seconds), platform::FileStatus::Ok);
  platform::fileClose(f);
}

std::vector<int16_t> stereoSamples(uint32_t frames) {
  std::mt19937 rng(7);
  return peaktest::randomSamples(rng, size_t(frames) * 2);
}

class PeakFile : public testing::Test {
 protected:
  void SetUp() override {
    wavePath = dir.file("take.wav");
    writeFile(wavePath, {'R', 'I', 'F', 'F'});  // the wave file itself is only asked for its time
    setFileTime(wavePath, 1500000000);
  }
  // A fully built summary of wave saved next to wavePath.
  void buildAndSave(SampleFile* wave, uint16_t channels) {
    PeakSummary s(wave, channels, 256);
    PeakExtremes x;
    ASSERT_TRUE(s.query(0, SampleLength(wave) - 1, &x));
    ASSERT_TRUE(PeakSave(&s, wavePath, false));
  }

  platform::TestDir dir{"peak"};
  std::string wavePath;
};

TEST_F(PeakFile, AThousandFrameStereoSummaryIs124Bytes) {
  auto wave = makeWave(2, 16, stereoSamples(1000));
  buildAndSave(wave.get(), 2);
  const std::vector<uint8_t> b = readFile(PeakFilePath(wavePath));
  ASSERT_EQ(b.size(), 124u);
  const std::vector<uint8_t> start = {0xF1, 0x06, 0, 0, 0x00, 0x01, 0, 0, 0x04, 0, 0, 0, 0x40, 0x1F, 0, 0};
  EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 16), start);
  EXPECT_EQ(SornGetU32LE(b.data() + 16), 0u);           // reserved
  EXPECT_EQ(SornGetU32LE(b.data() + 20), 0xFFFFFFFFu);  // no hint
  EXPECT_EQ(SornGetU32LE(b.data() + 24), 0xFFFFFFFFu);  // no changed range
  EXPECT_EQ(SornGetU32LE(b.data() + 28), 0u);
  for (size_t at : {32, 36, 40, 52, 56}) EXPECT_EQ(SornGetU32LE(b.data() + at), 0u) << at;
  const uint64_t time = (1500000000ull + 11644473600ull) * 10000000ull;
  EXPECT_EQ(SornGetU32LE(b.data() + 44), uint32_t(time));
  EXPECT_EQ(SornGetU32LE(b.data() + 48), uint32_t(time >> 32));
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 60, b.begin() + 64), (std::vector<uint8_t>{2, 0, 0x12, 0x10}));
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 64, b.begin() + 76), std::vector<uint8_t>(12, 0));  // sentinel
  EXPECT_EQ(SornGetU32LE(b.data() + 76), 256u);
  EXPECT_EQ(SornGetU32LE(b.data() + 88), 512u);
  EXPECT_EQ(SornGetU32LE(b.data() + 100), 768u);
  EXPECT_EQ(SornGetU32LE(b.data() + 112), 1000u);
  // The extremes of entry 1, left minimum first.
  int16_t lo[2] = {32767, 32767}, hi[2] = {-32768, -32768};
  const auto samples = stereoSamples(1000);
  for (uint32_t f = 0; f < 256; ++f)
    for (int c = 0; c < 2; ++c) {
      lo[c] = std::min(lo[c], samples[2 * f + c]);
      hi[c] = std::max(hi[c], samples[2 * f + c]);
    }
  const int16_t stored[4] = {SornGetS16LE(&b[80]), SornGetS16LE(&b[82]), SornGetS16LE(&b[84]),
                             SornGetS16LE(&b[86])};
  EXPECT_EQ(stored[0], lo[0]);
  EXPECT_EQ(stored[1], hi[0]);
  EXPECT_EQ(stored[2], lo[1]);
  EXPECT_EQ(stored[3], hi[1]);
}

TEST_F(PeakFile, MonoEntriesAreEightBytes) {
  auto wave = makeWave(1, 16, std::vector<int16_t>(1000, -3));
  buildAndSave(wave.get(), 1);
  const std::vector<uint8_t> b = readFile(PeakFilePath(wavePath));
  ASSERT_EQ(b.size(), 64u + 5 * 8);
  EXPECT_EQ(b[62], 0x11);
  EXPECT_EQ(b[63], 0x10);
  EXPECT_EQ(SornGetU32LE(b.data() + 72), 256u);
  EXPECT_EQ(SornGetS16LE(&b[76]), -3);
}

TEST_F(PeakFile, ReopeningWithAValidFileReadsNoSamples) {
  const auto samples = stereoSamples(70000);
  auto wave = makeWave(2, 16, samples);
  PeakSummary built(wave.get(), 2, 256);
  PeakExtremes want;
  ASSERT_TRUE(built.query(0, 69999, &want));
  ASSERT_TRUE(PeakSave(&built, wavePath, false));

  auto again = makeWave(2, 16, samples);
  const uint32_t before = again->readCalls();
  PeakFileStatus status;
  auto s = PeakCreate(wavePath, again.get(), 2, 256, &status);
  ASSERT_TRUE(s);
  EXPECT_EQ(status, PeakFileStatus::Ok) << peakFileStatusText(status);
  PeakExtremes got;
  ASSERT_TRUE(s->query(0, 69999, &got));
  EXPECT_EQ(again->readCalls(), before);
  EXPECT_EQ(s->entryCount(), built.entryCount());
  EXPECT_EQ(std::memcmp(got.min, want.min, sizeof got.min), 0);
  EXPECT_EQ(std::memcmp(got.max, want.max, sizeof got.max), 0);
  EXPECT_EQ(s->capacity(), 8000u);
  EXPECT_TRUE(summaryMatchesWave(*s, again.get()));
}

TEST_F(PeakFile, APartialSummaryIsReusedAndCompletedFromTheSamples) {
  auto wave = makeWave(1, 16, std::vector<int16_t>(100000, 9));
  PeakSummary s(wave.get(), 1, 256);
  PeakExtremes x;
  s.query(0, 10, &x);  // one buffer
  ASSERT_TRUE(PeakSave(&s, wavePath, false));
  PeakFileStatus status;
  auto again = PeakCreate(wavePath, wave.get(), 1, 256, &status);
  EXPECT_EQ(status, PeakFileStatus::Ok);
  EXPECT_EQ(again->builtLength(), 32768u);
  ASSERT_TRUE(again->query(0, 99999, &x));
  EXPECT_EQ(again->builtLength(), 100000u);
  EXPECT_TRUE(summaryMatchesWave(*again, wave.get()));
}

TEST_F(PeakFile, DamagedOrStaleFilesAreRebuilt) {
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> damage;
    PeakFileStatus expected;
  };
  const std::vector<Case> cases = {
      {"one byte short", [](auto& b) { b.pop_back(); }, PeakFileStatus::BadSize},
      {"one byte long", [](auto& b) { b.push_back(0); }, PeakFileStatus::BadSize},
      {"shorter than a header", [](auto& b) { b.resize(10); }, PeakFileStatus::BadSize},
      {"empty", [](auto& b) { b.clear(); }, PeakFileStatus::BadSize},
      {"count one more", [](auto& b) { SornPutU32LE(b.data() + 8, SornGetU32LE(b.data() + 8) + 1); },
       PeakFileStatus::BadSize},
      {"count huge", [](auto& b) { SornPutU32LE(b.data() + 8, 0xFFFFFFFFu); }, PeakFileStatus::BadSize},
      {"magic", [](auto& b) { b[0] ^= 1; }, PeakFileStatus::BadHeader},
      {"block size 0", [](auto& b) { SornPutU32LE(b.data() + 4, 0); }, PeakFileStatus::BadHeader},
      {"read word", [](auto& b) { b[62] = 0x11; }, PeakFileStatus::BadHeader},
      {"channel count", [](auto& b) { b[60] = 1; }, PeakFileStatus::OtherLayout},
      {"sentinel end", [](auto& b) { SornPutU32LE(b.data() + 64, 5); }, PeakFileStatus::BadEntries},
      {"ends not increasing",
       [](auto& b) { SornPutU32LE(b.data() + 64 + 12 * 2, SornGetU32LE(b.data() + 64 + 12)); },
       PeakFileStatus::BadEntries},
      {"minimum above maximum",
       [](auto& b) {
         b[64 + 12 + 4] = 0xFF;
         b[64 + 12 + 5] = 0x7F;
       },
       PeakFileStatus::BadEntries},
      {"source time", [](auto& b) { b[44] ^= 0x80; }, PeakFileStatus::Stale},
      {"last end past the wave", [](auto& b) { SornPutU32LE(b.data() + b.size() - 12, 3001); },
       PeakFileStatus::PastWave},
  };
  const auto samples = stereoSamples(3000);
  auto wave = makeWave(2, 16, samples);
  buildAndSave(wave.get(), 2);
  const std::vector<uint8_t> good = readFile(PeakFilePath(wavePath));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> bytes = good;
    c.damage(bytes);
    writeFile(PeakFilePath(wavePath), bytes);
    auto fresh = makeWave(2, 16, samples);
    PeakFileStatus status;
    auto s = PeakCreate(wavePath, fresh.get(), 2, 256, &status);
    ASSERT_TRUE(s);
    EXPECT_EQ(status, c.expected) << peakFileStatusText(status);
    EXPECT_EQ(s->entryCount(), 0u);
    PeakExtremes x;
    ASSERT_TRUE(s->query(0, 2999, &x));
    EXPECT_GT(fresh->readCalls(), 0u);
    EXPECT_TRUE(summaryMatchesWave(*s, fresh.get()));
    // Saving replaces the damaged file even though nothing changed since.
    EXPECT_TRUE(PeakSave(s.get(), wavePath, false));
    EXPECT_EQ(readFile(PeakFilePath(wavePath)), good);
  }
}

TEST_F(PeakFile, ChangesElsewhereMakeAFileUnusable) {
  auto wave = makeWave(2, 16, stereoSamples(3000));
  buildAndSave(wave.get(), 2);
  PeakFileStatus status;
  // Opened as mono.
  auto mono = makeWave(1, 16, std::vector<int16_t>(3000, 1));
  PeakCreate(wavePath, mono.get(), 1, 256, &status);
  EXPECT_EQ(status, PeakFileStatus::OtherLayout);
  // The wave file was written since.
  setFileTime(wavePath, 1500000001);
  PeakCreate(wavePath, wave.get(), 2, 256, &status);
  EXPECT_EQ(status, PeakFileStatus::Stale);
  setFileTime(wavePath, 1500000000);
  // The wave is shorter than the summary.
  auto shorter = makeWave(2, 16, stereoSamples(2999));
  PeakCreate(wavePath, shorter.get(), 2, 256, &status);
  EXPECT_EQ(status, PeakFileStatus::PastWave);
  PeakCreate(wavePath, wave.get(), 2, 256, &status);
  EXPECT_EQ(status, PeakFileStatus::Ok);
  // The wave file is gone: no time to compare with.
  platform::fileOps().remove(wavePath.c_str());
  PeakCreate(wavePath, wave.get(), 2, 256, &status);
  EXPECT_EQ(status, PeakFileStatus::Stale);
  EXPECT_FALSE(PeakSave(PeakCreate("", wave.get(), 2, 256).get(), wavePath, true));
}

TEST_F(PeakFile, SavingTwiceWritesOnceUnlessForced) {
  auto wave = makeWave(2, 16, stereoSamples(100000));
  PeakSummary s(wave.get(), 2, 256);
  PeakExtremes x;
  s.query(0, 10, &x);
  EXPECT_TRUE(PeakSave(&s, wavePath, false));
  EXPECT_NE(s.sourceTime(), 0u);
  EXPECT_FALSE(PeakSave(&s, wavePath, false));
  EXPECT_TRUE(PeakSave(&s, wavePath, true));
  s.query(0, 99999, &x);  // more entries than on disk
  EXPECT_TRUE(PeakSave(&s, wavePath, false));
  EXPECT_FALSE(PeakSave(&s, wavePath, false));
  setFileTime(wavePath, 1600000000);  // the wave changed on disk
  EXPECT_TRUE(PeakSave(&s, wavePath, false));
}

TEST_F(PeakFile, AFailedWriteLeavesNoFileBehind) {
  auto wave = makeWave(2, 16, stereoSamples(3000));
  PeakSummary s(wave.get(), 2, 256);
  PeakExtremes x;
  s.query(0, 2999, &x);
  for (uint64_t n = 1;; ++n) {
    SCOPED_TRACE(n);
    platform::FaultInjector faults;
    faults.setCounted(platform::kOpWrite | platform::kOpFlush);
    faults.failAt(n, platform::FileStatus::DiskFull);
    bool saved;
    {
      platform::ScopedFileOps scope(faults.ops());
      saved = PeakSave(&s, wavePath, true);
    }
    if (faults.failures() == 0) {
      ASSERT_TRUE(saved);
      break;
    }
    EXPECT_FALSE(saved);
    bool isDirectory = false;
    EXPECT_EQ(platform::fileOps().exists(PeakFilePath(wavePath).c_str(), &isDirectory),
              platform::FileStatus::NotFound);
  }
  PeakFileStatus status;
  PeakCreate(wavePath, wave.get(), 2, 256, &status);
  EXPECT_EQ(status, PeakFileStatus::Ok);
}

TEST_F(PeakFile, DeleteAndBadArguments) {
  auto wave = makeWave(2, 16, stereoSamples(1000));
  buildAndSave(wave.get(), 2);
  EXPECT_TRUE(PeakDeleteFile(wavePath));
  EXPECT_TRUE(PeakDeleteFile(wavePath));  // already gone
  PeakFileStatus status;
  PeakCreate(wavePath, wave.get(), 2, 256, &status);
  EXPECT_EQ(status, PeakFileStatus::Missing);
  EXPECT_EQ(PeakCreate(wavePath, wave.get(), 3, 256), nullptr);
  EXPECT_EQ(PeakCreate(wavePath, nullptr, 2, 256), nullptr);
  EXPECT_EQ(PeakCreate("", wave.get(), 2, 0)->blockSize(), 256u);
  for (auto s : {PeakFileStatus::Ok, PeakFileStatus::Missing, PeakFileStatus::BadSize,
                 PeakFileStatus::BadHeader, PeakFileStatus::OtherLayout, PeakFileStatus::BadEntries,
                 PeakFileStatus::Stale, PeakFileStatus::PastWave, PeakFileStatus::NoMemory})
    EXPECT_STRNE(peakFileStatusText(s), "unknown peak file status");
}

}  // namespace
}  // namespace document
