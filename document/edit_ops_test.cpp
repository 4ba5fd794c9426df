// The editing commands against plain references, each followed by Undo, which must give back the exact
// bytes: reverse and invert in every format and channel choice, trim, delete, silence, generated silence,
// drawn samples, zero-cross adjust (including waves where a channel never crosses) and the sample rate.
#include "document/edit_ops.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>

#include "document/edit_test_util.h"
#include "document/undo_command.h"
#include "ui/message_box.h"

namespace document {
namespace {

using testing_util::EditFixture;

class EditOpsTest : public EditFixture {};

struct Format {
  uint16_t channels, bits;
};
const Format kFormats[] = {{1, 8}, {2, 8}, {1, 16}, {2, 16}, {1, 32}, {2, 32}};

// The bytes of one channel choice of frame i.
void swapFrames(std::vector<uint8_t>* b, uint32_t fs, uint32_t offset, uint32_t size, uint32_t i,
                uint32_t j) {
  for (uint32_t k = 0; k < size; ++k)
    std::swap((*b)[size_t(i) * fs + offset + k], (*b)[size_t(j) * fs + offset + k]);
}

TEST_F(EditOpsTest, ReverseMatchesTheReferenceAndTwiceIsIdentity) {
  // Lengths around the work buffer's passes (88,200 bytes), odd and even.
  for (const Format f : kFormats) {
    const uint32_t fs = f.channels * f.bits / 8u;
    const uint32_t h = 88200 / fs / 2;
    for (uint32_t frames : {1u, 2u, 7u, 2 * (h - 1), 2 * (h - 1) + 1, 5 * h + 3}) {
      for (int channel : {0, 1, 2}) {
        if (f.channels == 1 && channel) continue;
        SCOPED_TRACE(testing::Message()
                     << f.channels << "ch " << f.bits << "bit " << frames << " frames ch" << channel);
        auto doc = makeDoc(f.channels, f.bits, frames + 20, frames * 7 + channel);
        const auto before = bytes(doc.get());
        auto expect = before;
        const uint32_t a = 10, b = 10 + frames - 1;
        const uint32_t size = channel ? fs / 2 : fs, offset = channel == 2 ? fs / 2 : 0;
        for (uint32_t i = a, j = b; i < j; ++i, --j) swapFrames(&expect, fs, offset, size, i, j);
        EditResult r = Reverse(doc.get(), sel(a, b, channel), editUi());
        ASSERT_EQ(r.status, kEditOk);
        EXPECT_EQ(r.selStart, a);
        EXPECT_EQ(r.selEnd, b);
        ASSERT_EQ(bytes(doc.get()), expect);
        ASSERT_EQ(Reverse(doc.get(), sel(a, b, channel), editUi()).status, kEditOk);
        ASSERT_EQ(bytes(doc.get()), before);
        EXPECT_EQ(UndoCommand(doc.get()).levels, 1);
        EXPECT_EQ(bytes(doc.get()), expect);
        EXPECT_EQ(UndoCommand(doc.get()).levels, 1);
        EXPECT_EQ(bytes(doc.get()), before);
        EXPECT_EQ(doc->sampleChanges(), 0);
      }
    }
  }
  EXPECT_TRUE(storeOk(nullptr));
}

TEST_F(EditOpsTest, ReverseWithoutASelectionUsesTheVisibleRange) {
  auto doc = makeDoc(1, 16, 100, 3);
  auto expect = bytes(doc.get());
  for (uint32_t i = 20, j = 99; i < j; ++i, --j) swapFrames(&expect, 2, 0, 2, i, j);
  // The view reaches past the end: the range stops at the last frame.
  EditResult r = Reverse(doc.get(), sel(5, 4, 0, 20, 500), editUi());
  EXPECT_EQ(r.status, kEditOk);
  EXPECT_EQ(r.selStart, 20u);
  EXPECT_EQ(r.selEnd, 99u);
  EXPECT_EQ(bytes(doc.get()), expect);
}

TEST_F(EditOpsTest, InvertValues) {
  struct Case {
    uint16_t bits;
    double in, out;
  };
  const Case cases[] = {
      {16, -32768, -32768}, {16, 32767, -32767}, {16, 0, 0},          {16, 1, -1},
      {16, -1, 1},          {8, 0, 255},         {8, 128, 127},       {8, 255, 0},
      {8, 1, 254},          {32, 1.5, -1.5},     {32, 40000, -40000}, {32, -32768, 32768},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bits << " bits, " << c.in);
    auto doc = WaveDocument::createEmpty(1, c.bits, 8000, kCreateNewWave);
    uint8_t raw[4] = {0, 0, 0, 0};
    if (c.bits == 8) raw[0] = uint8_t(c.in);
    if (c.bits == 16) {
      int16_t v = int16_t(c.in);
      std::memcpy(raw, &v, 2);
    }
    if (c.bits == 32) {
      float v = float(c.in);
      std::memcpy(raw, &v, 4);
    }
    for (int i = 0; i < 3; ++i) doc->samples()->write(uint64_t(i) * (c.bits / 8), raw, c.bits / 8);
    const auto before = bytes(doc.get());
    ASSERT_EQ(Invert(doc.get(), sel(1, 1), editUi()).status, kEditOk);
    auto b = bytes(doc.get());
    const uint8_t* p = b.data() + c.bits / 8;
    double got = c.bits == 8 ? p[0] : 0;
    if (c.bits == 16) {
      int16_t v;
      std::memcpy(&v, p, 2);
      got = v;
    }
    if (c.bits == 32) {
      float v;
      std::memcpy(&v, p, 4);
      got = v;
    }
    EXPECT_EQ(got, c.out);
    EXPECT_EQ(std::memcmp(b.data(), before.data(), c.bits / 8), 0) << "frame 0 untouched";
    UndoCommand(doc.get());
    EXPECT_EQ(bytes(doc.get()), before);
  }
}

TEST_F(EditOpsTest, InvertOneChannelLeavesTheOtherAndTwiceIsIdentity) {
  for (const Format f : kFormats) {
    if (f.channels != 2) continue;
    auto doc = makeDoc(2, f.bits, 60000, f.bits);
    const auto before = bytes(doc.get());
    ASSERT_EQ(Invert(doc.get(), sel(3, 59990, 2), editUi()).status, kEditOk);
    const auto after = bytes(doc.get());
    const uint32_t half = f.bits / 8u;
    for (uint32_t i = 0; i < 60000; ++i)
      ASSERT_EQ(std::memcmp(&after[size_t(i) * 2 * half], &before[size_t(i) * 2 * half], half), 0) << i;
    ASSERT_EQ(Invert(doc.get(), sel(3, 59990, 2), editUi()).status, kEditOk);
    EXPECT_EQ(bytes(doc.get()), before);
  }
}

TEST_F(EditOpsTest, StopMidwayKeepsTheDoneChunksAndUndoCoversAll) {
  auto doc = makeDoc(2, 16, 200000, 5);
  const auto before = bytes(doc.get());
  EditUi ui = editUi();
  int calls = 0;
  ui.progressMeter = [&](uint32_t, uint32_t) { return ++calls == 1 ? kDocStop : 0; };
  EditResult r = Invert(doc.get(), sel(0, 199999), ui);
  EXPECT_EQ(r.status, kEditStopped);
  EXPECT_NE(bytes(doc.get()), before);
  ASSERT_EQ(doc->undo()->levels.size(), 1u);
  EXPECT_EQ(doc->undo()->levels.back().end, 199999u);
  UndoCommand(doc.get());
  EXPECT_EQ(bytes(doc.get()), before);
}

TEST_F(EditOpsTest, TrimKeepsExactlyTheSelectionAndOneUndoRestoresAll) {
  auto doc = stereo16(1000);
  ASSERT_TRUE(doc->cues().addCue(1, 150, 0));
  ASSERT_TRUE(doc->cues().addCue(2, 900, 0));
  const auto before = frames(doc.get());
  EditResult r = Trim(doc.get(), sel(100, 199), editUi());
  ASSERT_EQ(r.status, kEditOk);
  EXPECT_EQ(doc->lengthFrames(), 100u);
  EXPECT_EQ(frames(doc.get()), std::vector<int16_t>(before.begin() + 200, before.begin() + 400));
  EXPECT_EQ(r.selStart, 0u);
  EXPECT_EQ(r.selEnd, 99u);
  EXPECT_TRUE(r.setView);
  EXPECT_EQ(r.viewEnd, 99u);
  ASSERT_EQ(doc->undo()->levels.size(), 2u);
  EXPECT_EQ(doc->undo()->levels[0].title, "Undo Trim");
  EXPECT_EQ(doc->undo()->levels[1].chain, 1);
  EXPECT_EQ(doc->undo()->levels[0].editSerial, doc->undo()->levels[1].editSerial);
  EXPECT_EQ(doc->cues().findCue(1)->position, 50u);
  UndoOutcome o = UndoCommand(doc.get());
  EXPECT_EQ(o.levels, 2);
  EXPECT_EQ(frames(doc.get()), before);
  EXPECT_EQ(o.selStart, 100u);
  EXPECT_EQ(o.selEnd, 199u);
  EXPECT_EQ(doc->cues().findCue(1)->position, 150u);
  EXPECT_EQ(doc->sampleChanges(), 0);
  EXPECT_TRUE(storeOk(doc.get()));
}

TEST_F(EditOpsTest, TrimAtTheEdges) {
  struct Case {
    int64_t a, b;
  };
  for (Case c : {Case{0, 499}, Case{500, 999}, Case{0, 999}}) {
    auto doc = stereo16(1000, uint32_t(c.a + 3));
    const auto before = frames(doc.get());
    ASSERT_EQ(Trim(doc.get(), sel(c.a, c.b), editUi()).status, kEditOk);
    EXPECT_EQ(frames(doc.get()),
              std::vector<int16_t>(before.begin() + 2 * c.a, before.begin() + 2 * (c.b + 1)));
    // Two levels even when one side is empty: the head's range is empty at 0.
    ASSERT_EQ(doc->undo()->levels.size(), 2u);
    EXPECT_EQ(doc->undo()->levels[0].start, uint32_t(c.b + 1));
    EXPECT_EQ(UndoCommand(doc.get()).levels, 2);
    EXPECT_EQ(frames(doc.get()), before);
    EXPECT_EQ(doc->sampleChanges(), 0);
  }
}

TEST_F(EditOpsTest, DeleteRemovesTheSelectionAndKeepsTheViewWidth) {
  auto doc = stereo16(2000);
  ASSERT_TRUE(doc->cues().addCue(1, 1500, 0));
  const auto before = frames(doc.get());
  EditResult r = DeleteSelection(doc.get(), sel(400, 499, 0, 1500, 1999), editUi());
  ASSERT_EQ(r.status, kEditOk);
  EXPECT_EQ(doc->lengthFrames(), 1900u);
  EXPECT_EQ(r.selStart, 400u);
  EXPECT_EQ(r.selEnd, 399u);
  // The view of 500 frames slides left to end at the new last frame.
  EXPECT_EQ(r.viewStart, 1400u);
  EXPECT_EQ(r.viewEnd, 1899u);
  EXPECT_EQ(doc->cues().findCue(1)->position, 1400u);
  EXPECT_EQ(doc->undo()->levels.back().title, "Undo Delete");
  UndoCommand(doc.get());
  EXPECT_EQ(frames(doc.get()), before);
  EXPECT_EQ(doc->cues().findCue(1)->position, 1500u);
}

TEST_F(EditOpsTest, DeleteWithNothingSelectedDoesNothingAndOneChannelSilences) {
  auto doc = stereo16(1000);
  const auto before = frames(doc.get());
  EXPECT_EQ(DeleteSelection(doc.get(), sel(5, 4), editUi()).status, kEditNothing);
  EXPECT_EQ(DeleteSelection(doc.get(), sel(5, -1), editUi()).status, kEditNothing);
  EXPECT_TRUE(doc->undo()->empty());
  EditResult r = DeleteSelection(doc.get(), sel(10, 19, 1), editUi());
  ASSERT_EQ(r.status, kEditOk);
  EXPECT_EQ(doc->lengthFrames(), 1000u);
  auto after = frames(doc.get());
  for (int i = 10; i < 20; ++i) {
    EXPECT_EQ(after[2 * i], 0);
    EXPECT_EQ(after[2 * i + 1], before[2 * i + 1]);
  }
  EXPECT_EQ(doc->undo()->levels.back().command, kCmdSilence);
  UndoCommand(doc.get());
  EXPECT_EQ(frames(doc.get()), before);
}

TEST_F(EditOpsTest, SilenceInEveryFormatAndChannel) {
  for (const Format f : kFormats) {
    for (int channel : {0, 1, 2}) {
      if (f.channels == 1 && channel) continue;
      auto doc = makeDoc(f.channels, f.bits, 300, channel + f.bits);
      const auto before = bytes(doc.get());
      ASSERT_EQ(Silence(doc.get(), sel(100, 199, channel), editUi()).status, kEditOk);
      auto expect = before;
      const uint32_t fs = f.channels * f.bits / 8u, half = fs / 2;
      for (uint32_t i = 100; i < 200; ++i)
        for (uint32_t k = 0; k < fs; ++k) {
          const bool inChannel = !channel || (channel == 1 ? k < half : k >= half);
          if (inChannel) expect[i * fs + k] = f.bits == 8 ? 128 : 0;
        }
      EXPECT_EQ(bytes(doc.get()), expect) << f.channels << "/" << f.bits << " ch" << channel;
      UndoCommand(doc.get());
      EXPECT_EQ(bytes(doc.get()), before);
    }
  }
}

TEST_F(EditOpsTest, SilenceWithUndoOffAsksFirst) {
  auto doc = stereo16(100);
  const auto before = frames(doc.get());
  storage::UndoSetEnabled(false);
  answers = {ui::kIdCancel};
  EXPECT_EQ(Silence(doc.get(), sel(0, 9), editUi()).status, kEditDeclined);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0], "Please Confirm: Are you sure you want to silence the selection?");
  EXPECT_EQ(frames(doc.get()), before);
  // A playing script is not asked.
  EditUi ui = editUi();
  ui.scriptPlaying = true;
  EXPECT_EQ(Silence(doc.get(), sel(0, 9), ui).status, kEditOk);
  EXPECT_EQ(questions.size(), 1u);
  storage::UndoSetEnabled(true);
}

TEST_F(EditOpsTest, GenerateSilenceInsertsAtTheCursor) {
  auto doc = makeDoc(1, 8, 100, 9, 8000);
  const auto before = bytes(doc.get());
  EditResult r = GenerateSilence(doc.get(), sel(10, 9, 0, 0, 99), 0.5, editUi());
  ASSERT_EQ(r.status, kEditOk);
  EXPECT_EQ(doc->lengthFrames(), 4100u);
  EXPECT_EQ(r.selStart, 10u);
  EXPECT_EQ(r.selEnd, 4009u);
  EXPECT_EQ(r.viewEnd, 4099u);
  auto b = bytes(doc.get());
  for (uint32_t i = 10; i < 4010; ++i) ASSERT_EQ(b[i], 128) << i;
  EXPECT_EQ(b[4010], before[10]);
  EXPECT_EQ(doc->undo()->levels.back().title, "Undo Generate Silence");
  UndoCommand(doc.get());
  EXPECT_EQ(bytes(doc.get()), before);
}

TEST_F(EditOpsTest, GenerateSilenceReplacesTheSelection) {
  auto doc = stereo16(1000);
  const auto before = frames(doc.get());
  EditResult r = GenerateSilence(doc.get(), sel(100, 899), 0.01, editUi());  // 441 frames
  ASSERT_EQ(r.status, kEditOk);
  EXPECT_EQ(doc->lengthFrames(), 641u);
  UndoCommand(doc.get());
  EXPECT_EQ(frames(doc.get()), before);
}

TEST_F(EditOpsTest, GenerateSilenceRefusesBadDurations) {
  auto doc = stereo16(100);
  const auto before = frames(doc.get());
  for (double d :
       {0.0, -1.0, 1e-9, std::nan(""), std::numeric_limits<double>::infinity(), 1e12, 1e5, 30000.0}) {
    EXPECT_EQ(GenerateSilence(doc.get(), sel(5, 4), d, editUi()).status, kEditBadValue) << d;
  }
  EXPECT_EQ(frames(doc.get()), before);
  EXPECT_TRUE(doc->undo()->empty());
}

TEST_F(EditOpsTest, DrawnSampleValues) {
  struct Case {
    double v;
    uint16_t bits;
    double stored;
  };
  const Case cases[] = {
      {1.0, 16, 32767},  {-1.0, 16, -32768}, {0.5, 16, 16384}, {-0.5, 16, -16384},
      {0.00001, 16, 0},  {0.0000153, 16, 1}, {1.0, 8, 32512},  {-1.0, 8, -32768},
      {0.999, 8, 32512}, {0.5, 8, 16384},    {0.25, 32, 8192}, {std::nan(""), 16, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(DrawnSampleValue(c.v, c.bits), c.stored) << c.v << " " << c.bits;
}

TEST_F(EditOpsTest, DrawingToTheTopOfAnEightBitWaveWritesTheTop) {
  auto doc = makeDoc(1, 8, 10, 1);
  const auto before = bytes(doc.get());
  ASSERT_EQ(AdjustSample(doc.get(), 4, 0, 1.0).status, kEditOk);
  EXPECT_EQ(bytes(doc.get())[4], 255);
  ASSERT_EQ(AdjustSample(doc.get(), 5, 0, -1.0).status, kEditOk);
  EXPECT_EQ(bytes(doc.get())[5], 0);
  EXPECT_EQ(doc->undo()->levels.back().title, "Undo Sample Adjustment");
  UndoCommand(doc.get());
  UndoCommand(doc.get());
  EXPECT_EQ(bytes(doc.get()), before);
}

TEST_F(EditOpsTest, DrawnSampleInOneChannelOfStereoIsUndoneExactly) {
  for (uint16_t bits : {16, 32}) {
    auto doc = makeDoc(2, bits, 10, bits);
    const auto before = bytes(doc.get());
    ASSERT_EQ(AdjustSample(doc.get(), 3, 2, -1.0).status, kEditOk);
    float f[2];
    SampleRead(doc->samples(), f, 3, 1, XF_STEREO | XF_32BIT);
    EXPECT_EQ(f[1], -32768.0f);
    EXPECT_EQ(doc->undo()->levels.back().editChannel, 2);
    UndoCommand(doc.get());
    EXPECT_EQ(bytes(doc.get()), before);
  }
  auto doc = stereo16(10);
  EXPECT_EQ(AdjustSample(doc.get(), 10, 1, 0.5).status, kEditNothing);
}

// A stereo wave whose left channel crosses every `leftPeriod` frames and whose right channel crosses
// every `rightPeriod` frames from `rightPhase` (0 = never).
std::unique_ptr<WaveDocument> crossings(EditFixture* f, uint32_t frames, uint32_t leftPeriod,
                                        uint32_t rightPeriod, uint32_t rightPhase) {
  auto doc = WaveDocument::createEmpty(2, 16, 44100, kCreateNewWave);
  std::vector<int16_t> s(size_t(frames) * 2);
  for (uint32_t i = 0; i < frames; ++i) {
    s[2 * i] = int16_t((i / (leftPeriod / 2)) % 2 ? 1000 : -1000);
    s[2 * i + 1] =
        rightPeriod ? int16_t(((i + rightPhase) / (rightPeriod / 2)) % 2 ? 1000 : -1000) : int16_t(500);
  }
  SampleWrite(doc->samples(), s.data(), 0, frames, XF_STEREO | XF_16BIT);
  (void)f;
  return doc;
}

TEST_F(EditOpsTest, ZeroCrossAdjustMono) {
  auto doc = WaveDocument::createEmpty(1, 16, 44100, kCreateNewWave);
  std::vector<int16_t> s(1000);
  for (uint32_t i = 0; i < 1000; ++i) s[i] = int16_t((i / 50) % 2 ? 100 : -100);  // rises at 100, 200, ...
  SampleWrite(doc->samples(), s.data(), 0, 1000, XF_MONO | XF_16BIT);
  EditResult r = ZeroCrossAdjust(doc.get(), sel(130, 870));
  EXPECT_EQ(r.selStart, 150u);
  EXPECT_EQ(r.selEnd, 849u);  // backward: after a positive sample, the first not positive
  r = ZeroCrossAdjust(doc.get(), sel(130, 129));
  EXPECT_EQ(r.selStart, 150u);
  EXPECT_EQ(r.selEnd, 149u);
}

TEST_F(EditOpsTest, ZeroCrossAdjustStereoFindsACommonCrossing) {
  auto doc = crossings(this, 4000, 100, 100, 98);  // left crosses at 150, right at 152
  EditResult r = ZeroCrossAdjust(doc.get(), sel(130, 129));
  EXPECT_EQ(r.selStart, 151u);
  EXPECT_EQ(r.selEnd, 150u);
}

TEST_F(EditOpsTest, ZeroCrossAdjustStereoEndsWhenAChannelNeverCrosses) {
  struct Case {
    uint32_t rightPeriod, rightPhase;
  };
  // Right never crosses; right crosses rarely and never near the left.
  for (Case c : {Case{0, 0}, Case{1000, 420}}) {
    auto doc = crossings(this, 20000, 100, c.rightPeriod, c.rightPhase);
    const auto t0 = std::chrono::steady_clock::now();
    EditResult r = ZeroCrossAdjust(doc.get(), sel(130, 15000));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(20));
    EXPECT_EQ(r.status, kEditOk);
    EXPECT_EQ(r.selStart, 130u);  // no common crossing: the start stays
  }
}

TEST_F(EditOpsTest, AdjustSampleRateKeepsSamplesAndCues) {
  auto doc = stereo16(1000);
  ASSERT_TRUE(doc->cues().addCue(1, 500, 100));
  const auto before = frames(doc.get());
  EXPECT_EQ(AdjustSampleRate(doc.get(), 22050).status, kEditOk);
  EXPECT_EQ(doc->rate(), 22050u);
  EXPECT_EQ(doc->formatChanges(), 1);
  EXPECT_EQ(doc->cues().findCue(1)->position, 500u);
  EXPECT_EQ(frames(doc.get()), before);
  EXPECT_EQ(AdjustSampleRate(doc.get(), 0).status, kEditBadValue);
  EXPECT_EQ(AdjustSampleRate(doc.get(), 22050).status, kEditNothing);
  EXPECT_EQ(doc->formatChanges(), 1);
}

TEST_F(EditOpsTest, ARefusedUndoSaveLeavesTheDocumentUnchanged) {
  auto doc = stereo16(50000);
  const auto before = frames(doc.get());
  storage::VfSetReserves(int64_t(1) << 60, 0);
  using Op = std::function<EditResult()>;
  const Op ops[] = {
      [&] { return Reverse(doc.get(), sel(0, 49999), editUi()); },
      [&] { return Invert(doc.get(), sel(0, 49999), editUi()); },
      [&] { return Silence(doc.get(), sel(0, 49999), editUi()); },
      [&] { return DeleteSelection(doc.get(), sel(0, 49999), editUi()); },
      [&] { return Trim(doc.get(), sel(0, 9), editUi()); },
      // The tail (empty) is recorded, then the head is refused: the tail level is taken back.
      [&] { return Trim(doc.get(), sel(40000, 49999), editUi()); },
      [&] { return GenerateSilence(doc.get(), sel(0, 49999), 0.1, editUi()); },
  };
  for (const Op& op : ops) {
    answers = {2, 7, 7};
    EXPECT_EQ(op().status, kEditDeclined);
  }
  storage::VfSetReserves(0, 0);
  EXPECT_EQ(frames(doc.get()), before);
  EXPECT_TRUE(doc->undo()->empty());
  EXPECT_EQ(doc->sampleChanges(), 0);
}

TEST_F(EditOpsTest, EditSerialsIncreaseByOnePerEdit) {
  auto doc = stereo16(100);
  const uint32_t s0 = CurrentEditSerial();
  Invert(doc.get(), sel(0, 9), editUi());
  Reverse(doc.get(), sel(0, 9), editUi());
  ASSERT_EQ(doc->undo()->levels.size(), 2u);
  EXPECT_EQ(doc->undo()->levels[0].editSerial, s0);
  EXPECT_EQ(doc->undo()->levels[1].editSerial, s0 + 1);
  EXPECT_EQ(CurrentEditSerial(), s0 + 2);
}

TEST_F(EditOpsTest, ReverseInPlaceLeavesTheFileQuickSavableAndChangesOnlyTheRange) {
  const std::string path = dir.path() + "/inplace.wav";
  const uint32_t frames = 300000;  // 1.2 MB of 16-bit stereo: many 64 KB blocks
  auto disk = storage::testing_util::writeSourceFile(path, size_t(frames) * 4, 8);
  {
    auto doc = WaveDocument::openInPlace(path, 0, frames * 4, 2, 16, 44100, kCreateUndo);
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(Reverse(doc.get(), sel(100000, 100999), editUi()).status, kEditOk);
    for (uint32_t i = 100000, j = 100999; i < j; ++i, --j) swapFrames(&disk, 4, 0, 4, i, j);
    ASSERT_TRUE(storage::HfCanQuickSave(doc->file(), path));
    storage::HfQuickSaveStatus st;
    ASSERT_TRUE(storage::HfQuickSave(doc->file(), path, nullptr, &st));
  }
  EXPECT_EQ(storage::testing_util::readWholeFile(path), disk);
}

TEST_F(EditOpsTest, SelectAllAndViewRules) {
  auto doc = stereo16(100);
  EditResult r = SelectAll(doc.get());
  EXPECT_EQ(r.selStart, 0u);
  EXPECT_EQ(r.selEnd, 99u);
  EXPECT_EQ(SelectAll(nullptr).status, kEditNothing);
  uint32_t a, b;
  ViewAfterShrink(10, 59, 1000, &a, &b);
  EXPECT_EQ(a, 10u);
  EXPECT_EQ(b, 59u);
  ViewAfterShrink(900, 999, 950, &a, &b);
  EXPECT_EQ(a, 850u);
  EXPECT_EQ(b, 949u);
  ViewAfterShrink(0, 999, 500, &a, &b);
  EXPECT_EQ(a, 0u);
  EXPECT_EQ(b, 499u);
}

}  // namespace
}  // namespace document
