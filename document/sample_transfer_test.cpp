// Tests of frame transfer over storage: negative starts, the end of the file, chunking through a scratch
// of any size, progress and stopping, one-channel writes past the end, short writes, silence, blank
// inserts, cuts, lengths, unknown layouts and the zero-crossing search.
#include "document/sample_transfer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace document {
namespace {

template <class T>
std::vector<uint8_t> toBytes(const std::vector<T>& v) {
  std::vector<uint8_t> out(v.size() * sizeof(T));
  if (!v.empty()) std::memcpy(out.data(), v.data(), out.size());
  return out;
}

template <class T>
std::vector<T> fromBytes(const std::vector<uint8_t>& b) {
  std::vector<T> out(b.size() / sizeof(T));
  if (!out.empty()) std::memcpy(out.data(), b.data(), out.size() * sizeof(T));
  return out;
}

// Debug lines written by the transfer layer during a test.
std::mutex gLinesLock;
std::vector<std::string> gLines;
void recordLine(const char* line) {
  std::lock_guard<std::mutex> g(gLinesLock);
  gLines.push_back(line);
}

class SampleTransfer : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SampleScratchInit(kSampleScratchBytes));
    gLines.clear();
    SampleSetDebugOutput(recordLine);
  }
  void TearDown() override {
    SampleSetDebugOutput(nullptr);
    SampleSetDither(nullptr);
    SampleScratchInit(kSampleScratchBytes);
  }
};

// A 16-bit mono file whose frame i holds 1000 + i.
std::vector<int16_t> ramp16(size_t frames) {
  std::vector<int16_t> v(frames);
  for (size_t i = 0; i < frames; ++i) v[i] = int16_t(1000 + i);
  return v;
}

TEST_F(SampleTransfer, NegativeStartDeliversSilenceFirst) {
  MemorySampleFile file(XF_MONO | XF_16BIT);
  file.setBytes(toBytes(ramp16(100)));
  std::vector<int16_t> out(10, 77);
  EXPECT_EQ(SampleRead(&file, out.data(), -4, 10, XF_MONO | XF_16BIT), 10u);
  EXPECT_EQ(out, (std::vector<int16_t>{0, 0, 0, 0, 1000, 1001, 1002, 1003, 1004, 1005}));

  // Entirely before the file: all silence, and the file is not read.
  const uint32_t calls = file.readCalls();
  EXPECT_EQ(SampleRead(&file, out.data(), -20, 10, XF_MONO | XF_16BIT), 10u);
  EXPECT_EQ(out, std::vector<int16_t>(10, 0));
  EXPECT_EQ(file.readCalls(), calls);
}

TEST_F(SampleTransfer, NegativeStartSilencePerDestination) {
  struct Case {
    uint16_t word;
    std::vector<uint8_t> firstFrame;  // frame -2 read into a buffer of 0xEE bytes
  } cases[] = {
      {XF_MONO | XF_8BIT, {128}},  // same layout as the file: the direct path
      {XF_MONO | XF_16BIT, {0, 0}},
      {XF_MONO | XF_32BIT, {0, 0, 0, 0}},
      {XF_STEREO | XF_8BIT, {128, 128}},
      {XF_STEREO | XF_8BIT | XF_DST_RIGHT, {0xEE, 128}},
      {XF_STEREO | XF_16BIT | XF_DST_LEFT, {0, 0, 0xEE, 0xEE}},
      {XF_MONO | XF_8BIT | XF_DST_LEFT, {128}},  // a channel choice on a mono buffer does not apply
  };
  MemorySampleFile file(XF_MONO | XF_8BIT);
  file.setBytes({200, 201, 202});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    const size_t fb = XfLayoutOf(c.word).frameBytes();
    std::vector<uint8_t> out(4 * fb, 0xEE);
    ASSERT_EQ(SampleRead(&file, out.data(), -2, 4, c.word), 4u);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + fb), c.firstFrame);
    EXPECT_EQ(std::vector<uint8_t>(out.begin() + fb, out.begin() + 2 * fb), c.firstFrame);
  }
}

TEST_F(SampleTransfer, ReadsStopAtTheEnd) {
  struct Case {
    int32_t start;
    uint32_t count, expected;
  } cases[] = {{45, 10, 5}, {50, 10, 0}, {60, 1, 0}, {-3, 100, 53}, {0, 50, 50}, {49, 0, 0}};
  MemorySampleFile file(XF_MONO | XF_16BIT);
  file.setBytes(toBytes(ramp16(50)));
  for (uint16_t word : {uint16_t(XF_MONO | XF_16BIT), uint16_t(XF_STEREO | XF_32BIT)}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << word << " at " << c.start << " count " << c.count);
      std::vector<uint8_t> out(size_t(c.count + 1) * 8);
      EXPECT_EQ(SampleRead(&file, out.data(), c.start, c.count, word), c.expected);
    }
  }
}

TEST_F(SampleTransfer, PartialFrameAtTheEndIsNotAFrame) {
  MemorySampleFile file(XF_STEREO | XF_16BIT);
  std::vector<uint8_t> bytes(4 * 10 + 3, 1);
  file.setBytes(bytes);
  std::vector<uint8_t> out(100);
  EXPECT_EQ(SampleRead(&file, out.data(), 0, 20, XF_STEREO | XF_16BIT), 10u);
  EXPECT_EQ(SampleRead(&file, out.data(), 0, 20, XF_MONO | XF_16BIT), 10u);
  uint32_t remainder = 99;
  EXPECT_EQ(SampleLength(&file, &remainder), 10u);
  EXPECT_EQ(remainder, 3u);
}

TEST_F(SampleTransfer, ConvertedReadsAdvanceChunkByChunk) {
  // The same read through scratches of several sizes (down to one frame of the wider side) matches one
  // conversion of the whole range.
  std::mt19937 rng(5);
  const uint32_t frames = 1000;
  std::vector<int16_t> stereo(frames * 2);
  for (auto& s : stereo) s = int16_t(rng());
  MemorySampleFile file(XF_STEREO | XF_16BIT);
  file.setBytes(toBytes(stereo));
  std::vector<float> want(frames);
  ConvertFrames(MakeConvertPlan(XF_STEREO | XF_16BIT, XF_MONO | XF_32BIT, 0, nullptr), stereo.data(),
                want.data(), frames);
  for (uint32_t scratchBytes : {8u, 12u, 24u, 4000u, kSampleScratchBytes}) {
    SCOPED_TRACE(scratchBytes);
    ASSERT_TRUE(SampleScratchInit(scratchBytes));
    EXPECT_EQ(SampleScratchSize(), scratchBytes);
    std::vector<float> out(frames);
    const uint32_t callsBefore = file.readCalls();
    ASSERT_EQ(SampleRead(&file, out.data(), 0, frames, XF_MONO | XF_32BIT), frames);
    EXPECT_EQ(0, std::memcmp(out.data(), want.data(), frames * 4));
    const uint32_t perChunk = scratchBytes / 4;
    EXPECT_EQ(file.readCalls() - callsBefore, (frames + perChunk - 1) / perChunk);
  }
  EXPECT_FALSE(SampleScratchInit(7));  // smaller than one frame: refused, the old scratch stays
  EXPECT_EQ(SampleScratchSize(), kSampleScratchBytes);
}

TEST_F(SampleTransfer, LargeConvertedReadMatchesPerFrameConversion) {
  const uint32_t frames = 100000;
  std::vector<uint8_t> u8(frames * 2);
  for (uint32_t i = 0; i < u8.size(); ++i) u8[i] = uint8_t(i * 31 + i / 7);
  MemorySampleFile file(XF_STEREO | XF_8BIT);
  file.setBytes(u8);
  std::vector<int16_t> out(frames * 2);
  ASSERT_EQ(SampleRead(&file, out.data(), 0, frames, XF_STEREO | XF_16BIT), frames);
  for (uint32_t i = 0; i < frames * 2; ++i)
    ASSERT_EQ(out[i], int16_t((int(u8[i]) - 128) * 256)) << "sample " << i;
}

TEST_F(SampleTransfer, ScratchIsAllocatedOnFirstUseWhenMissing) {
  SampleScratchRelease();
  EXPECT_EQ(SampleScratchSize(), 0u);
  MemorySampleFile file(XF_MONO | XF_16BIT);
  file.setBytes(toBytes(ramp16(10)));
  std::vector<uint8_t> out(10);
  EXPECT_EQ(SampleRead(&file, out.data(), 0, 10, XF_MONO | XF_8BIT), 10u);
  EXPECT_EQ(out[0], Convert16To8(1000));
  EXPECT_EQ(SampleScratchSize(), kSampleScratchBytes);
}

TEST_F(SampleTransfer, ProgressReportsChunksAndCanStop) {
  const uint32_t frames = 150000;
  MemorySampleFile file(XF_MONO | XF_16BIT);
  file.setBytes(std::vector<uint8_t>(frames * 2, 0));
  struct Seen {
    uint32_t bytes, done, total;
  };
  for (uint16_t word : {uint16_t(XF_MONO | XF_16BIT), uint16_t(XF_MONO | XF_8BIT)}) {
    SCOPED_TRACE(word);
    const uint32_t outFrame = XfLayoutOf(word).frameBytes();
    std::vector<uint8_t> out(frames * 2);
    std::vector<Seen> seen;
    auto record = [&](uint32_t bytes, uint32_t done, uint32_t total) {
      seen.push_back({bytes, done, total});
      return 0;
    };
    ASSERT_EQ(SampleRead(&file, out.data(), -5, frames, word, record), frames);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().done, frames);
    uint32_t sum = 0;
    for (const Seen& s : seen) {
      EXPECT_EQ(s.total, frames);
      EXPECT_LE(s.bytes / outFrame, 65536u);
      sum += s.bytes;
      EXPECT_EQ(s.done, 5 + sum / outFrame);
    }

    // Stopping after the first chunk delivers just that much.
    seen.clear();
    auto stopAtOnce = [&](uint32_t bytes, uint32_t done, uint32_t total) {
      seen.push_back({bytes, done, total});
      return kSampleStop;
    };
    const uint32_t got = SampleRead(&file, out.data(), 0, frames, word, stopAtOnce);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(got, seen[0].done);
    EXPECT_LT(got, frames);
  }
}

TEST_F(SampleTransfer, ProgressMayReadSamplesItself) {
  // A progress callback that pumps messages can end up reading samples again; a converted read must not
  // hold the scratch while it calls out.
  MemorySampleFile file(XF_MONO | XF_16BIT);
  file.setBytes(toBytes(ramp16(1000)));
  ASSERT_TRUE(SampleScratchInit(400));
  std::vector<float> out(1000);
  int nested = 0;
  auto progress = [&](uint32_t, uint32_t, uint32_t) {
    uint8_t one[4];
    nested += int(SampleRead(&file, one, 3, 4, XF_MONO | XF_8BIT));
    return 0;
  };
  EXPECT_EQ(SampleRead(&file, out.data(), 0, 1000, XF_MONO | XF_32BIT, progress), 1000u);
  EXPECT_EQ(nested, 4 * 10);
  EXPECT_EQ(out[999], 1999.0f);
}

TEST_F(SampleTransfer, WriteWithNegativeStartSkipsSourceFrames) {
  for (uint16_t word : {uint16_t(XF_MONO | XF_16BIT), uint16_t(XF_MONO | XF_32BIT)}) {
    SCOPED_TRACE(word);
    MemorySampleFile file(XF_MONO | XF_16BIT);
    file.setBytes(toBytes(std::vector<int16_t>(20, -5)));
    std::vector<int16_t> src16 = ramp16(10);
    std::vector<float> src32(src16.begin(), src16.end());
    const void* src = word & XF_32BIT ? static_cast<const void*>(src32.data()) : src16.data();
    EXPECT_EQ(SampleWrite(&file, src, -3, 10, word), 7u);
    auto got = fromBytes<int16_t>(file.bytes());
    EXPECT_EQ(std::vector<int16_t>(got.begin(), got.begin() + 8),
              (std::vector<int16_t>{1003, 1004, 1005, 1006, 1007, 1008, 1009, -5}));
    EXPECT_EQ(SampleWrite(&file, src, -10, 10, word), 0u);
    EXPECT_EQ(SampleWrite(&file, src, -11, 10, word), 0u);
    EXPECT_EQ(fromBytes<int16_t>(file.bytes()), got);
  }
}

TEST_F(SampleTransfer, OneChannelWritePastTheEndPadsTheOtherWithSilence) {
  struct Case {
    uint16_t fileWord;
    uint16_t channelBit;
  } cases[] = {
      {XF_STEREO | XF_8BIT, XF_DST_RIGHT},
      {XF_STEREO | XF_8BIT, XF_DST_LEFT},
      {XF_STEREO | XF_16BIT, XF_DST_RIGHT},
      {XF_STEREO | XF_32BIT, XF_DST_LEFT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fileWord << " " << c.channelBit);
    const XfLayout layout = XfLayoutOf(c.fileWord);
    const uint32_t fb = layout.frameBytes(), sb = fb / 2;
    MemorySampleFile file(c.fileWord);
    const std::vector<uint8_t> old(4 * fb, 0x5A);
    file.setBytes(old);
    // Six mono 16-bit frames at frame 2: frames 2-3 exist, 4-7 are new.
    std::vector<int16_t> src = {256, 512, 768, 1024, 1280, 1536};
    ASSERT_EQ(SampleWrite(&file, src.data(), 2, 6, uint16_t(XF_MONO | XF_16BIT | c.channelBit)), 6u);
    const auto bytes = file.bytes();
    ASSERT_EQ(bytes.size(), 8u * fb);
    const uint32_t written = c.channelBit == XF_DST_LEFT ? 0 : sb, other = sb - written;
    std::vector<uint8_t> silence(sb);
    FillSilence(silence.data(), XfLayoutOf(uint16_t(XF_MONO | (c.fileWord & XF_SIZE_MASK))), 1);
    for (uint32_t f = 0; f < 8; ++f) {
      SCOPED_TRACE(f);
      std::vector<uint8_t> otherBytes(bytes.begin() + f * fb + other, bytes.begin() + f * fb + other + sb);
      if (f < 4)
        EXPECT_EQ(otherBytes, std::vector<uint8_t>(sb, 0x5A));
      else
        EXPECT_EQ(otherBytes, silence);
      if (f < 2) {
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + f * fb, bytes.begin() + (f + 1) * fb),
                  std::vector<uint8_t>(fb, 0x5A));
      }
    }
    // And the written channel reads back as what was written.
    std::vector<int16_t> back(6);
    const uint16_t readWord =
        uint16_t(XF_MONO | XF_16BIT | (c.channelBit == XF_DST_LEFT ? XF_SRC_LEFT : XF_SRC_RIGHT));
    ASSERT_EQ(SampleRead(&file, back.data(), 2, 6, readWord), 6u);
    EXPECT_EQ(back, src);
  }
}

TEST_F(SampleTransfer, ShortWritesReportWholeFramesWritten) {
  for (uint16_t word : {uint16_t(XF_STEREO | XF_16BIT), uint16_t(XF_MONO | XF_16BIT),
                        uint16_t(XF_MONO | XF_16BIT | XF_DST_LEFT)}) {
    SCOPED_TRACE(word);
    MemorySampleFile file(XF_STEREO | XF_16BIT, 4 * 10 + 2);  // room for ten frames and a half
    std::vector<int16_t> src(40, 3);
    EXPECT_EQ(SampleWrite(&file, src.data(), 0, 20, word), 10u);
    EXPECT_EQ(SampleLength(&file), 10u);
  }
}

TEST_F(SampleTransfer, WriteDitherResetsPerCall) {
  struct CountingDither : SampleDither {
    void reset() override { ++resets; }
    float shape(int, float v) override {
      ++shaped;
      return v;
    }
    int resets = 0, shaped = 0;
  } dither;
  SampleSetDither(&dither);
  MemorySampleFile file(XF_STEREO | XF_16BIT);
  std::vector<float> src(20, 100.0f);
  ASSERT_EQ(SampleWrite(&file, src.data(), 0, 10, XF_STEREO | XF_32BIT | XF_DITHER), 10u);
  ASSERT_EQ(SampleWrite(&file, src.data(), 10, 10, XF_STEREO | XF_32BIT | XF_DITHER), 10u);
  EXPECT_EQ(dither.resets, 2);
  EXPECT_EQ(dither.shaped, 40);
  ASSERT_EQ(SampleWrite(&file, src.data(), 0, 10, XF_STEREO | XF_32BIT), 10u);  // no XF_DITHER
  EXPECT_EQ(dither.resets, 2);
  EXPECT_EQ(dither.shaped, 40);

  // Reads narrowing float to 16 bits dither too (saving a float wave to a 16-bit file reads this way),
  // carrying the states on from one chunked read to the next rather than resetting them.
  MemorySampleFile floats(XF_MONO | XF_32BIT);
  floats.setBytes(std::vector<uint8_t>(4 * 10, 0));
  std::vector<int16_t> out(10);
  ASSERT_EQ(SampleRead(&floats, out.data(), 0, 10, XF_MONO | XF_16BIT | XF_CLIP | XF_DITHER), 10u);
  EXPECT_EQ(dither.shaped, 50);
  EXPECT_EQ(dither.resets, 2);
}

TEST_F(SampleTransfer, UnknownLayoutsConvertNothing) {
  MemorySampleFile file(XF_STEREO);  // no size: plain bytes
  file.setBytes(std::vector<uint8_t>(40, 9));
  std::vector<uint8_t> buf(80, 1);
  EXPECT_EQ(SampleRead(&file, buf.data(), 0, 10, XF_STEREO | XF_16BIT), 0u);
  EXPECT_EQ(SampleWrite(&file, buf.data(), 0, 10, XF_STEREO | XF_16BIT), 0u);
  MemorySampleFile good(XF_MONO | XF_16BIT);
  good.setBytes(std::vector<uint8_t>(40, 9));
  EXPECT_EQ(SampleRead(&good, buf.data(), 0, 10, XF_MONO | XF_8BIT | XF_16BIT), 0u);
  EXPECT_EQ(file.bytes(), std::vector<uint8_t>(40, 9));
  EXPECT_EQ(buf, std::vector<uint8_t>(80, 1));
  ASSERT_EQ(gLines.size(), 3u);
  EXPECT_EQ(gLines[0], "Unknown Conversion Case(2) 00020012\n");
  EXPECT_EQ(gLines[2], "Unknown Conversion Case(2) 00110019\n");
  EXPECT_EQ(SampleLength(&file), 40u);  // a file without a size counts bytes
}

// An unknown size on one side is reported by the stage that meets it first: the channel stage when the
// channels must be mixed, spread or picked (Case 1), else the size stage (Case 2); nothing is converted.
TEST_F(SampleTransfer, UnknownSizesAreReportedByTheStageThatMeetsThem) {
  struct Row {
    uint16_t fileWord, callerWord;
    bool read;
    const char* line;
  };
  const Row rows[] = {
      {XF_STEREO, XF_MONO | XF_16BIT, true, "Unknown Conversion Case(1) 00020011\n"},
      {XF_MONO | XF_16BIT, XF_STEREO, true, "Unknown Conversion Case(1) 00110002\n"},
      {XF_STEREO, XF_STEREO | XF_16BIT | XF_SRC_LEFT, true, "Unknown Conversion Case(1) 00020812\n"},
      {XF_STEREO | XF_8BIT | XF_16BIT, XF_MONO | XF_8BIT, false, "Unknown Conversion Case(1) 0009001A\n"},
      {XF_STEREO, XF_MONO | XF_16BIT | XF_DST_RIGHT, false, "Unknown Conversion Case(1) 02110002\n"},
      {XF_MONO, XF_MONO | XF_16BIT, true, "Unknown Conversion Case(2) 00010011\n"},
      {XF_STEREO | XF_16BIT, XF_STEREO, false, "Unknown Conversion Case(2) 00020012\n"},
      {XF_MONO | XF_16BIT, XF_MONO | XF_8BIT | XF_16BIT | XF_DST_LEFT, true,
       "Unknown Conversion Case(2) 00110119\n"},
  };
  for (const Row& row : rows) {
    gLines.clear();
    MemorySampleFile file(row.fileWord);
    file.setBytes(std::vector<uint8_t>(64, 9));
    std::vector<uint8_t> buf(64, 1);
    const uint32_t n = row.read ? SampleRead(&file, buf.data(), 0, 4, row.callerWord)
                                : SampleWrite(&file, buf.data(), 0, 4, row.callerWord);
    EXPECT_EQ(n, 0u) << row.line;
    EXPECT_EQ(file.bytes(), std::vector<uint8_t>(64, 9)) << row.line;
    EXPECT_EQ(buf, std::vector<uint8_t>(64, 1)) << row.line;
    EXPECT_EQ(gLines, std::vector<std::string>{row.line});
  }
}

TEST_F(SampleTransfer, SilencePerLayout) {
  struct Case {
    uint16_t fileWord, channelBits;
    std::vector<uint8_t> frame;  // every silenced frame of a file of 0x77 bytes
  } cases[] = {
      {XF_MONO | XF_8BIT, 0, {128}},
      {XF_STEREO | XF_8BIT, XF_DST_RIGHT, {0x77, 128}},
      {XF_MONO | XF_16BIT, XF_DST_LEFT, {0, 0}},  // no channel choice on mono
      {XF_STEREO | XF_16BIT, XF_DST_LEFT, {0, 0, 0x77, 0x77}},
      {XF_STEREO | XF_16BIT, 0, {0, 0, 0, 0}},
      {XF_STEREO | XF_32BIT, XF_DST_RIGHT, {0x77, 0x77, 0x77, 0x77, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fileWord << " " << c.channelBits);
    const uint32_t fb = XfLayoutOf(c.fileWord).frameBytes();
    MemorySampleFile file(c.fileWord);
    file.setBytes(std::vector<uint8_t>(10 * fb, 0x77));
    EXPECT_EQ(SampleSilence(&file, -2, 6, uint16_t(c.fileWord | c.channelBits)), 4u);
    const auto bytes = file.bytes();
    ASSERT_EQ(bytes.size(), 10u * fb);
    for (uint32_t f = 0; f < 10; ++f) {
      std::vector<uint8_t> frame(bytes.begin() + f * fb, bytes.begin() + (f + 1) * fb);
      EXPECT_EQ(frame, f < 4 ? c.frame : std::vector<uint8_t>(fb, 0x77)) << "frame " << f;
    }
  }
}

TEST_F(SampleTransfer, OneChannelSilencePastTheEndSilencesNewFramesWhole) {
  MemorySampleFile file(XF_STEREO | XF_16BIT);
  file.setBytes(toBytes(std::vector<int16_t>(8, 5)));  // four frames
  EXPECT_EQ(SampleSilence(&file, 2, 4, XF_STEREO | XF_16BIT | XF_DST_LEFT), 4u);
  EXPECT_EQ(fromBytes<int16_t>(file.bytes()), (std::vector<int16_t>{5, 5, 5, 5, 0, 5, 0, 5, 0, 0, 0, 0}));
}

TEST_F(SampleTransfer, InsertBlank) {
  struct Case {
    uint16_t word;
    int32_t start;
    bool fill;
    std::vector<uint8_t> expected;  // file of frames 1, 2, 3 (one byte per sample byte), insert 2 frames
  } cases[] = {
      {XF_MONO | XF_8BIT, 1, true, {1, 128, 128, 2, 3}},
      {XF_MONO | XF_8BIT, -5, true, {128, 128, 1, 2, 3}},  // before the start: at 0
      {XF_MONO | XF_8BIT, 9, true, {1, 2, 3, 128, 128}},   // past the end: at the end
      {XF_MONO | XF_8BIT, 3, false, {1, 2, 3, MemorySampleFile::kGapByte, MemorySampleFile::kGapByte}},
      {XF_MONO | XF_16BIT, 1, true, {1, 1, 0, 0, 0, 0, 2, 2, 3, 3}},
      {XF_STEREO | XF_16BIT, 2, true, {1, 1, 1, 1, 2, 2, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 3, 3, 3, 3}},
      {XF_MONO, 1, true, {1, 0, 0, 2, 3}},  // no size: bytes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.word << " at " << c.start);
    XfLayout l = XfLayoutOf(c.word);
    const uint32_t fb = l.valid() ? l.frameBytes() : 1;
    std::vector<uint8_t> initial;
    for (uint8_t v = 1; v <= 3; ++v) initial.insert(initial.end(), fb, v);
    MemorySampleFile file(c.word);
    file.setBytes(initial);
    EXPECT_EQ(SampleInsertBlank(&file, c.start, 2, c.fill), 2u);
    EXPECT_EQ(file.bytes(), c.expected);
  }
}

TEST_F(SampleTransfer, Cut) {
  struct Case {
    int32_t start;
    uint32_t count, removed;
    std::vector<int16_t> left;  // of a stereo file whose frame i holds (i, -i)
  } cases[] = {
      {2, 3, 3, {0, 1, 5, 6, 7}},           {-4, 6, 2, {2, 3, 4, 5, 6, 7}},
      {-4, 3, 0, {0, 1, 2, 3, 4, 5, 6, 7}}, {6, 10, 2, {0, 1, 2, 3, 4, 5}},
      {8, 1, 0, {0, 1, 2, 3, 4, 5, 6, 7}},  {0, 8, 8, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << " " << c.count);
    std::vector<int16_t> stereo;
    for (int16_t i = 0; i < 8; ++i) stereo.push_back(i), stereo.push_back(int16_t(-i));
    MemorySampleFile file(XF_STEREO | XF_16BIT);
    file.setBytes(toBytes(stereo));
    EXPECT_EQ(SampleCut(&file, c.start, c.count), c.removed);
    std::vector<int16_t> left(SampleLength(&file));
    SampleRead(&file, left.data(), 0, uint32_t(left.size()), XF_MONO | XF_16BIT | XF_SRC_LEFT);
    EXPECT_EQ(left, c.left);
  }
}

// ---------------------------------------------------------------------------------------------------------
// Zero crossings

TEST_F(SampleTransfer, ZeroCrossingCases) {
  std::vector<float> positive(3000, 100.0f);
  std::vector<float> edgeFound(3000, -1.0f), edgeMissed(3000, -1.0f), startsPositive(100, 3.0f);
  std::fill(edgeFound.begin() + 2047, edgeFound.end(), 1.0f);    // last frame of a window from 0
  std::fill(edgeMissed.begin() + 2048, edgeMissed.end(), 1.0f);  // first frame after it
  struct Case {
    const char* name;
    std::vector<float> samples;
    int32_t n;
    int direction;
    int32_t expected;
  } cases[] = {
      {"never negative", positive, 10, 1, 10},
      {"never positive backward", std::vector<float>(100, -2.0f), 50, -1, 50},
      {"forward", {5, 3, -2, -4, 0, 7}, 0, 1, 4},
      {"forward from inside", {5, -3, 2, -4, -1, 7}, 2, 1, 5},
      {"minus zero is not negative", {-1, -0.0f, 2}, 0, 1, 1},
      {"minus zero is not positive", {-3, -0.0f, 5}, 3, -1, 1},
      {"plus zero ends a negative run", {-1, 0.0f, -1}, 0, 1, 1},
      {"backward", {-5, -5, 4, 4}, 4, -1, 1},
      {"edge of the window", edgeFound, 0, 1, 2047},
      {"just past the window", edgeMissed, 0, 1, 0},
      {"backward into the silence before the file", startsPositive, 5, -1, 0},
      {"past the end", {-1, 1}, 10, 1, 10},
      {"no direction", {-1, 1}, 0, 0, 0},
      {"negative start forward", {-1, 1}, -10, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemorySampleFile file(XF_MONO | XF_32BIT);
    file.setBytes(toBytes(c.samples));
    EXPECT_EQ(FindZeroCrossing(&file, c.n, c.direction, kChannelLeft), c.expected);
  }
}

TEST_F(SampleTransfer, ZeroCrossingOnOneChannelOfStereo) {
  // Left crosses at frame 3; right stays positive for ever: searching it must end with n unchanged.
  std::vector<int16_t> stereo;
  const int16_t left[] = {10, -10, -10, 0, 10, 10, 10, 10};
  for (int16_t l : left) stereo.push_back(l), stereo.push_back(500);
  MemorySampleFile file(XF_STEREO | XF_16BIT);
  file.setBytes(toBytes(stereo));
  EXPECT_EQ(FindZeroCrossing(&file, 0, 1, kChannelLeft), 3);
  EXPECT_EQ(FindZeroCrossing(&file, 0, 1, kChannelRight), 0);
  EXPECT_EQ(FindZeroCrossing(&file, 0, 1, kChannelBoth), 0);  // any channel but left searches the right
  // Backward, the silence before the file ends the positive run: reported at frame 0.
  EXPECT_EQ(FindZeroCrossing(&file, 8, -1, kChannelRight), 0);

  // 8-bit samples: 127 is negative after conversion, 128 is zero.
  MemorySampleFile u8(XF_MONO | XF_8BIT);
  u8.setBytes({200, 127, 127, 128, 200});
  EXPECT_EQ(FindZeroCrossing(&u8, 0, 1, kChannelLeft), 3);
  EXPECT_EQ(FindZeroCrossing(&u8, 5, -1, kChannelLeft), 3);
}

}  // namespace
}  // namespace document
