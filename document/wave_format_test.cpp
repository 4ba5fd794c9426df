// Tests of the format record and the transfer word: the word's bit values (shared with plug-ins), layout
// decoding, channel choices, validation, frame sizes and silence.
#include "document/wave_format.h"

#include <gtest/gtest.h>

#include <vector>

namespace document {
namespace {

TEST(TransferWord, BitValuesAreTheContractOnes) {
  struct Case {
    uint16_t bit, value;
  } cases[] = {{XF_MONO, 0x1},       {XF_STEREO, 0x2},     {XF_8BIT, 0x8},        {XF_16BIT, 0x10},
               {XF_32BIT, 0x20},     {XF_DST_LEFT, 0x100}, {XF_DST_RIGHT, 0x200}, {XF_SRC_RIGHT, 0x400},
               {XF_SRC_LEFT, 0x800}, {XF_CLIP, 0x1000},    {XF_DITHER, 0x2000}};
  for (const Case& c : cases) EXPECT_EQ(c.bit, c.value);
}

TEST(TransferWord, LayoutDecoding) {
  struct Case {
    uint16_t word;
    uint16_t channels, bits;
  } cases[] = {
      {0x9, 1, 8},   {0xA, 2, 8},     {0x11, 1, 16},   {0x12, 2, 16},  {0x21, 1, 32},
      {0x22, 2, 32}, {0x3011, 1, 16}, {0x3012, 2, 16}, {0x811, 1, 16}, {0x8, 1, 8},   // no channel bit: mono
      {0x3, 0, 0},   {0x0, 0, 0},     {0x2, 0, 0},     {0x18, 0, 0},   {0x3A, 0, 0},  // no size or two sizes
      {0x13, 2, 16},  // both channel bits: stereo
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    XfLayout l = XfLayoutOf(c.word);
    EXPECT_EQ(l.bits, c.bits);
    EXPECT_EQ(l.valid(), c.bits != 0);
    if (c.bits) {
      EXPECT_EQ(l.channels, c.channels);
      EXPECT_EQ(l.frameBytes(), c.channels * c.bits / 8u);
    } else {
      EXPECT_EQ(l.frameBytes(), 0u);
    }
  }
}

TEST(TransferWord, LayoutWordRoundTrips) {
  for (uint16_t ch : {1, 2})
    for (uint16_t bits : {8, 16, 32}) {
      uint16_t w = XfLayoutWord(ch, bits);
      XfLayout l = XfLayoutOf(w);
      EXPECT_EQ(l.channels, ch);
      EXPECT_EQ(l.bits, bits);
      EXPECT_EQ(w & ~XF_LAYOUT_MASK, 0);
    }
  EXPECT_EQ(XfLayoutWord(2, 16), 0x12);
  EXPECT_EQ(XfLayoutWord(1, 8), 0x9);
  EXPECT_EQ(XfLayoutWord(3, 16), 0);
  EXPECT_EQ(XfLayoutWord(1, 24), 0);
  EXPECT_EQ(XfLayoutWord(WaveFormat{44100, 2, 32}), 0x22);
}

TEST(TransferWord, ChannelChoices) {
  struct Case {
    uint16_t word;
    int src, dst;
  } cases[] = {
      {0, kChannelBoth, kChannelBoth},
      {XF_SRC_LEFT, kChannelLeft, kChannelBoth},
      {XF_SRC_RIGHT, kChannelRight, kChannelBoth},
      {XF_SRC_LEFT | XF_SRC_RIGHT, kChannelBoth, kChannelBoth},
      {XF_DST_LEFT, kChannelBoth, kChannelLeft},
      {XF_DST_RIGHT, kChannelBoth, kChannelRight},
      {XF_DST_LEFT | XF_DST_RIGHT, kChannelBoth, kChannelBoth},
      {XF_SRC_RIGHT | XF_DST_LEFT | XF_16BIT | XF_CLIP, kChannelRight, kChannelLeft},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    EXPECT_EQ(XfSourceChannel(c.word), c.src);
    EXPECT_EQ(XfDestChannel(c.word), c.dst);
  }
}

TEST(WaveFormatRecord, Validation) {
  struct Case {
    WaveFormat f;
    bool valid;
    uint32_t frameBytes;
    uint64_t perSecond;
  } cases[] = {
      {{44100, 2, 16}, true, 4, 176400},
      {{8000, 1, 8}, true, 1, 8000},
      {{48000, 2, 32}, true, 8, 384000},
      {{22050, 1, 32}, true, 4, 88200},
      {{44100, 0, 16}, false, 0, 0},
      {{44100, 3, 16}, false, 0, 0},
      {{44100, 2, 24}, false, 0, 0},
      {{44100, 1, 0}, false, 0, 0},
      {{0, 1, 16}, false, 2, 0},
      {{kMaxSampleRate, 1, 8}, true, 1, kMaxSampleRate},
      {{kMaxSampleRate + 1, 1, 8}, false, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.f.rate << "/" << c.f.channels << "/" << c.f.bits);
    EXPECT_EQ(IsValidWaveFormat(c.f), c.valid);
    EXPECT_EQ(FrameBytes(c.f), c.frameBytes);
    EXPECT_EQ(BytesPerSecond(c.f), c.perSecond);
  }
}

TEST(Silence, ValuesPerLayoutAndChannel) {
  struct Case {
    uint16_t word;
    int channel;
    std::vector<uint8_t> frame;  // one frame after filling a frame of 0xEE bytes
  } cases[] = {
      {0x9, kChannelBoth, {128}},
      {0x9, kChannelRight, {128}},  // a channel choice on mono fills the whole frame
      {0xA, kChannelBoth, {128, 128}},
      {0xA, kChannelLeft, {128, 0xEE}},
      {0xA, kChannelRight, {0xEE, 128}},
      {0x11, kChannelBoth, {0, 0}},
      {0x12, kChannelLeft, {0, 0, 0xEE, 0xEE}},
      {0x12, kChannelRight, {0xEE, 0xEE, 0, 0}},
      {0x21, kChannelBoth, {0, 0, 0, 0}},
      {0x22, kChannelBoth, {0, 0, 0, 0, 0, 0, 0, 0}},
      {0x22, kChannelRight, {0xEE, 0xEE, 0xEE, 0xEE, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.word << " channel " << c.channel);
    XfLayout l = XfLayoutOf(c.word);
    std::vector<uint8_t> buf(3 * l.frameBytes() + 1, 0xEE);
    FillSilence(buf.data(), l, 3, c.channel);
    for (uint32_t f = 0; f < 3; ++f)
      EXPECT_EQ(
          std::vector<uint8_t>(buf.begin() + f * l.frameBytes(), buf.begin() + (f + 1) * l.frameBytes()),
          c.frame);
    EXPECT_EQ(buf.back(), 0xEE);  // nothing past the frames
  }
  EXPECT_EQ(SilenceByte(8), 128);
  EXPECT_EQ(SilenceByte(16), 0);
  EXPECT_EQ(SilenceByte(32), 0);
}

}  // namespace
}  // namespace document
