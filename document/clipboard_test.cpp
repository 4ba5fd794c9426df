// The CF_WAVE block (exact header bytes, round trip, a fuzz run of malformed blocks), copy and cut with
// both clipboards and their failure paths, and every kind of paste against a model of the frames, each
// undone back to the exact original.
#include "document/clipboard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "document/edit_test_util.h"
#include "document/undo_command.h"
#include "storage/undo_store.h"
#include "include/sorn_bytes.h"
#include "ui/message_box.h"

namespace document {
namespace {

using testing_util::EditFixture;

// The Windows clipboard as a byte block; can refuse to open or be limited in size.
class FakeSystemClipboard : public SystemClipboard {
 public:
  uint64_t maxBlockBytes() override { return maxBytes; }
  bool put(std::vector<uint8_t> b) override {
    if (!openable) return false;
    block = std::move(b);
    has = true;
    return true;
  }
  int get(std::vector<uint8_t>* b) override {
    if (!openable) return kPasteCannotOpen;
    if (!has) return kPasteNoWaveData;
    *b = block;
    return 0;
  }
  bool hasWave() override { return has; }
  std::vector<uint8_t> block;
  bool has = false;
  bool openable = true;
  uint64_t maxBytes = 0xFFFFFFFFu;
};

// An internal clipboard whose file can never be written.
class BrokenClipboard : public InternalClipboard {
 public:
  bool present() override { return false; }
  int store(WaveDocument*, uint32_t, uint32_t, int) override { return kCopyNoClipboardFile; }
  Clip load() override { return nullptr; }
};

class ClipboardTest : public EditFixture {
 protected:
  // The clip lives in the store: it goes before the store does.
  void TearDown() override {
    internal.clear();
    EditFixture::TearDown();
  }

  VirtualClipboard internal;
  FakeSystemClipboard system;
  PasteSpecialSettings settings;
};

TEST_F(ClipboardTest, CfWaveHeaderBytes) {
  auto doc = stereo16(3);
  std::vector<uint8_t> b;
  ASSERT_EQ(BuildCfWave(doc.get(), 0, 3, 0, 0xFFFFFFFFu, &b), kCopyOk);
  ASSERT_EQ(b.size(), 56u);
  auto u32 = [&](size_t o) { return SornGetU32LE(&b[o]); };
  auto u16 = [&](size_t o) { return uint32_t(SornGetU16LE(&b[o])); };
  EXPECT_EQ(std::memcmp(b.data(), "RIFF", 4), 0);
  EXPECT_EQ(u32(4), 48u);
  EXPECT_EQ(std::memcmp(b.data() + 8, "WAVEfmt ", 8), 0);
  EXPECT_EQ(u32(16), 16u);
  EXPECT_EQ(u16(20), 1u);
  EXPECT_EQ(u16(22), 2u);
  EXPECT_EQ(u32(24), 44100u);
  EXPECT_EQ(u32(28), 176400u);
  EXPECT_EQ(u16(32), 4u);
  EXPECT_EQ(u16(34), 16u);
  EXPECT_EQ(std::memcmp(b.data() + 36, "data", 4), 0);
  EXPECT_EQ(u32(40), 12u);
  const auto s = frames(doc.get());
  EXPECT_EQ(std::memcmp(b.data() + 44, s.data(), 12), 0);
  // One channel goes out as mono.
  ASSERT_EQ(BuildCfWave(doc.get(), 0, 3, 2, 0xFFFFFFFFu, &b), kCopyOk);
  EXPECT_EQ(b.size(), 50u);
  EXPECT_EQ(u16(22), 1u);
  EXPECT_EQ(u16(32), 2u);
  EXPECT_EQ(u16(44), uint16_t(s[1]));
}

TEST_F(ClipboardTest, CfWaveRoundTripInEveryFormat) {
  for (uint16_t ch : {1, 2})
    for (uint16_t bits : {8, 16, 32}) {
      auto doc = makeDoc(ch, bits, 1001, ch * bits, 22050);
      std::vector<uint8_t> b;
      ASSERT_EQ(BuildCfWave(doc.get(), 0, 1001, 0, 0xFFFFFFFFu, &b), kCopyOk);
      Clip clip;
      ASSERT_EQ(ClipFromCfWave(b.data(), b.size(), &clip), kCopyOk);
      EXPECT_EQ(clip->rate(), 22050u);
      EXPECT_EQ(clip->channels(), ch);
      EXPECT_EQ(clip->lengthFrames(), 1001u);
      if (bits == 32) {
        // Float waves go out as 16-bit PCM, clipped.
        EXPECT_EQ(clip->bits(), 16);
        std::vector<int16_t> want(size_t(1001) * ch);
        SampleRead(doc->samples(), want.data(), 0, 1001, XfLayoutWord(ch, 16) | XF_CLIP);
        EXPECT_EQ(frames(clip.get()), want);
      } else {
        EXPECT_EQ(bytes(clip.get()), bytes(doc.get())) << ch << "/" << bits;
      }
    }
}

// A well-formed block with optional extra chunks, for the parser tests.
std::vector<uint8_t> block(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint32_t fmtSize,
                           const std::vector<uint8_t>& data, bool listBeforeData) {
  std::vector<uint8_t> b;
  auto put = [&](const void* p, size_t n) { b.insert(b.end(), (const uint8_t*)p, (const uint8_t*)p + n); };
  auto u32 = [&](uint32_t v) { put(&v, 4); };
  auto u16 = [&](uint16_t v) { put(&v, 2); };
  put("RIFF", 4);
  u32(0);
  put("WAVEfmt ", 8);
  u32(fmtSize);
  u16(tag);
  u16(channels);
  u32(rate);
  u32(rate * channels * bits / 8);
  u16(uint16_t(channels * bits / 8));
  u16(bits);
  for (uint32_t i = 16; i < fmtSize; ++i) b.push_back(0);
  if (fmtSize & 1) b.push_back(0);
  if (listBeforeData) {
    put("LIST", 4);
    u32(5);
    put("INFOx", 5);
    b.push_back(0);  // pad
  }
  put("data", 4);
  u32(uint32_t(data.size()));
  put(data.data(), data.size());
  uint32_t riff = uint32_t(b.size() - 8);
  std::memcpy(&b[4], &riff, 4);
  return b;
}

TEST_F(ClipboardTest, CfWaveParserRules) {
  const std::vector<uint8_t> data = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  struct Case {
    const char* name;
    std::vector<uint8_t> b;
    bool ok;
    size_t dataBytes;
  };
  const Case cases[] = {
      {"plain", block(1, 2, 8000, 16, 16, data, false), true, 8},  // cut to whole frames
      {"fmt 18 and a padded LIST first", block(1, 1, 8000, 8, 18, data, true), true, 9},
      {"odd fmt size", block(1, 1, 8000, 8, 17, data, false), true, 9},
      {"float tag", block(3, 1, 8000, 16, 16, data, false), false, 0},
      {"extensible", block(0xFFFE, 1, 8000, 16, 40, data, false), false, 0},
      {"no channels", block(1, 0, 8000, 16, 16, data, false), false, 0},
      {"three channels", block(1, 3, 8000, 16, 16, data, false), false, 0},
      {"24 bits", block(1, 1, 8000, 24, 16, data, false), false, 0},
      {"rate 0", block(1, 1, 0, 16, 16, data, false), false, 0},
      {"fmt too short", block(1, 1, 8000, 16, 14, data, false), false, 0},
  };
  for (const Case& c : cases) {
    CfWaveInfo info;
    EXPECT_EQ(ParseCfWave(c.b.data(), c.b.size(), &info), c.ok) << c.name;
    if (c.ok) {
      EXPECT_TRUE(info.hasData) << c.name;
      EXPECT_EQ(info.dataBytes, c.dataBytes) << c.name;
    }
  }
  // A data chunk that claims more than the block holds is cut to the block.
  auto b = block(1, 1, 8000, 16, 16, data, false);
  b[b.size() - data.size() - 4] = 0xFF;
  b[b.size() - data.size() - 1] = 0x7F;
  CfWaveInfo info;
  ASSERT_TRUE(ParseCfWave(b.data(), b.size(), &info));
  EXPECT_EQ(info.dataBytes, 8u);
  // No data chunk: valid, nothing to paste.
  b.resize(36);
  ASSERT_TRUE(ParseCfWave(b.data(), b.size(), &info));
  EXPECT_FALSE(info.hasData);
  Clip clip;
  ASSERT_EQ(ClipFromCfWave(b.data(), b.size(), &clip), kCopyOk);
  EXPECT_EQ(clip->lengthFrames(), 0u);
}

TEST_F(ClipboardTest, CfWaveParserSurvivesMalformedBlocks) {
  const uint32_t seed = uint32_t(std::random_device{}());
  std::printf("CF_WAVE fuzz seed %u\n", seed);
  SCOPED_TRACE(seed);
  std::mt19937 rng(seed);
  const int runs = 100000 * storage::testing_util::testScale();
  std::vector<std::vector<uint8_t>> seeds = {
      block(1, 2, 44100, 16, 16, std::vector<uint8_t>(40, 3), false),
      block(1, 1, 8000, 8, 18, std::vector<uint8_t>(33, 200), true),
      block(1, 1, 8000, 16, 17, std::vector<uint8_t>(10, 1), true),
  };
  int accepted = 0;
  for (int i = 0; i < runs; ++i) {
    std::vector<uint8_t> b = seeds[rng() % seeds.size()];
    const int edits = 1 + rng() % 4;
    for (int e = 0; e < edits; ++e) {
      switch (rng() % 5) {
        case 0:
          b.resize(rng() % (b.size() + 1));
          break;
        case 1:
          if (!b.empty()) b[rng() % b.size()] = uint8_t(rng());
          break;
        case 2:  // a size field somewhere gets a wild value
          if (b.size() >= 8) {
            const uint32_t v = rng() % 3 == 0 ? 0xFFFFFFFFu : rng() % 2 ? 0x7FFFFFFFu : rng() % 64;
            std::memcpy(&b[(rng() % (b.size() - 3))], &v, 4);
          }
          break;
        case 3:
          b.insert(b.begin() + (b.empty() ? 0 : rng() % b.size()), uint8_t(rng()));
          break;
        default:
          if (b.size() > 20) b.erase(b.begin() + 12 + rng() % (b.size() - 12));
          break;
      }
    }
    // Exactly sized, so a read past the end is caught.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[b.size() + 1]);
    std::memcpy(exact.get(), b.data(), b.size());
    CfWaveInfo info;
    if (!ParseCfWave(exact.get(), b.size(), &info)) continue;
    ++accepted;
    ASSERT_TRUE(info.channels == 1 || info.channels == 2);
    ASSERT_TRUE(info.bits == 8 || info.bits == 16);
    ASSERT_LE(info.dataOffset + info.dataBytes, b.size());
    ASSERT_EQ(info.dataBytes % (info.channels * info.bits / 8), 0u);
    if (i % 64 == 0) {
      Clip clip;
      ASSERT_EQ(ClipFromCfWave(exact.get(), b.size(), &clip), kCopyOk);
      ASSERT_EQ(clip->lengthFrames(), info.dataBytes / (info.channels * info.bits / 8));
    }
  }
  EXPECT_GT(accepted, 0);
}

TEST_F(ClipboardTest, CopyThenPasteAtTheCursorAndUndo) {
  auto doc = stereo16(1000);
  ASSERT_TRUE(doc->cues().addCue(1, 700, 0));
  ASSERT_TRUE(doc->cues().addCue(2, 50, 0));
  const auto before = frames(doc.get());
  ASSERT_EQ(CopyCommand(doc.get(), sel(100, 199), false, &internal, &system, editUi()).status, kEditOk);
  ASSERT_TRUE(internal.present());
  Clip clip = internal.load();
  ASSERT_EQ(clip->lengthFrames(), 100u);
  EditResult r = Paste(doc.get(), sel(500, 499, 0, 0, 999), clip.get(), kCmdPaste, settings, true, editUi());
  ASSERT_EQ(r.status, kEditOk);
  auto model = before;
  model.insert(model.begin() + 1000, before.begin() + 200, before.begin() + 400);
  EXPECT_EQ(frames(doc.get()), model);
  EXPECT_EQ(r.selStart, 500u);
  EXPECT_EQ(r.selEnd, 599u);
  EXPECT_EQ(r.viewEnd, 1099u);
  EXPECT_EQ(doc->undo()->levels.back().title, "Undo Paste");
  EXPECT_EQ(doc->cues().findCue(1)->position, 800u);
  EXPECT_EQ(doc->cues().findCue(2)->position, 50u);
  // Without PasteHilite the cursor goes after the pasted frames.
  r = Paste(doc.get(), sel(0, -1), clip.get(), kCmdPaste, settings, false, editUi());
  EXPECT_EQ(r.selStart, 100u);
  EXPECT_EQ(r.selEnd, 99u);
  UndoCommand(doc.get());
  UndoCommand(doc.get());
  EXPECT_EQ(frames(doc.get()), before);
  EXPECT_EQ(doc->cues().findCue(1)->position, 700u);
  EXPECT_EQ(doc->cues().findCue(2)->position, 50u);
  EXPECT_EQ(doc->sampleChanges(), 0);
  EXPECT_TRUE(storeOk(doc.get(),
                      {storage::HfFirstBlock(internal.clip()->file()), storage::HfFirstBlock(clip->file())}));
}

TEST_F(ClipboardTest, PasteOverASelectionAndAtTheEnd) {
  auto doc = stereo16(1000);
  const auto before = frames(doc.get());
  auto clipDoc = stereo16(30, 77);
  const auto c = frames(clipDoc.get());
  ASSERT_EQ(Paste(doc.get(), sel(10, 209), clipDoc.get(), kCmdPaste, settings, true, editUi()).status,
            kEditOk);
  auto model = before;
  model.erase(model.begin() + 20, model.begin() + 420);
  model.insert(model.begin() + 20, c.begin(), c.end());
  EXPECT_EQ(frames(doc.get()), model);
  UndoCommand(doc.get());
  EXPECT_EQ(frames(doc.get()), before);
  // At the very end the clip is appended.
  ASSERT_EQ(Paste(doc.get(), sel(1000, 999), clipDoc.get(), kCmdPaste, settings, true, editUi()).status,
            kEditOk);
  model = before;
  model.insert(model.end(), c.begin(), c.end());
  EXPECT_EQ(frames(doc.get()), model);
  UndoCommand(doc.get());
  EXPECT_EQ(frames(doc.get()), before);
}

TEST_F(ClipboardTest, PlainPasteIsAnExactCopy) {
  // -32768 in 16 bits and float values beyond full scale come through untouched.
  for (uint16_t bits : {16, 32}) {
    auto doc = makeDoc(2, bits, 100, 1);
    auto clipDoc = makeDoc(2, bits, 50, 2);
    if (bits == 16) {
      int16_t m[2] = {-32768, -32768};
      SampleWrite(clipDoc->samples(), m, 3, 1, XF_STEREO | XF_16BIT);
    }
    const auto c = bytes(clipDoc.get());
    ASSERT_EQ(Paste(doc.get(), sel(20, 19), clipDoc.get(), kCmdPaste, settings, true, editUi()).status,
              kEditOk);
    const auto b = bytes(doc.get());
    const size_t fs = 2 * bits / 8;
    EXPECT_TRUE(std::equal(c.begin(), c.end(), b.begin() + 20 * fs)) << bits;
    // Mix Paste at unity with destination volume 0 (inserting) is exact as well.
    PasteSpecialSettings mix;
    mix.overlap = false;
    ASSERT_EQ(Paste(doc.get(), sel(0, -1), clipDoc.get(), kCmdMixPaste, mix, true, editUi()).status, kEditOk);
    const auto b2 = bytes(doc.get());
    EXPECT_TRUE(std::equal(c.begin(), c.end(), b2.begin())) << bits;
  }
}

TEST_F(ClipboardTest, PasteConvertsChannelsAndBitsAndKeepsTheDocumentRate) {
  auto doc = stereo16(100);
  auto clipDoc = makeDoc(1, 8, 10, 3, 8000);
  const auto c = bytes(clipDoc.get());
  ASSERT_EQ(Paste(doc.get(), sel(0, -1), clipDoc.get(), kCmdPaste, settings, true, editUi()).status, kEditOk);
  EXPECT_EQ(doc->rate(), 44100u);
  const auto f = frames(doc.get());
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(f[2 * i], int16_t((c[i] - 128) * 256));
    EXPECT_EQ(f[2 * i + 1], int16_t((c[i] - 128) * 256));
  }
}

TEST_F(ClipboardTest, CutRemovesAndUndoRestores) {
  auto doc = stereo16(1000);
  ASSERT_TRUE(doc->cues().addCue(1, 700, 0));
  const auto before = frames(doc.get());
  EditResult r = Cut(doc.get(), sel(100, 199, 0, 0, 999), &internal, &system, editUi());
  ASSERT_EQ(r.status, kEditOk);
  EXPECT_EQ(doc->lengthFrames(), 900u);
  EXPECT_EQ(r.selStart, 100u);
  EXPECT_EQ(r.selEnd, 99u);
  EXPECT_EQ(doc->cues().findCue(1)->position, 600u);
  EXPECT_EQ(doc->undo()->levels.back().command, kCmdCut);
  EXPECT_EQ(doc->undo()->levels.back().title, "Undo Cut");
  Clip clip = internal.load();
  EXPECT_EQ(frames(clip.get()), std::vector<int16_t>(before.begin() + 200, before.begin() + 400));
  UndoCommand(doc.get());
  EXPECT_EQ(frames(doc.get()), before);
  EXPECT_EQ(doc->cues().findCue(1)->position, 700u);
  // Cut then paste back where it was: the original again.
  Cut(doc.get(), sel(100, 199), &internal, &system, editUi());
  clip = internal.load();
  Paste(doc.get(), sel(100, 99), clip.get(), kCmdPaste, settings, true, editUi());
  EXPECT_EQ(frames(doc.get()), before);
}

TEST_F(ClipboardTest, AFailedCutChangesNothingAndRecordsNothing) {
  auto doc = stereo16(1000);
  const auto before = frames(doc.get());
  BrokenClipboard broken;
  EditResult r = Cut(doc.get(), sel(100, 199), &broken, &system, editUi());
  EXPECT_EQ(r.status, kEditCopyFailed);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0], "Low on Hard Drive or RAM: Not enough space left to copy");
  EXPECT_EQ(frames(doc.get()), before);
  EXPECT_TRUE(doc->undo()->empty());
  EXPECT_EQ(doc->undo()->pendingSaved, nullptr);
  EXPECT_EQ(doc->sampleChanges(), 0);
  EXPECT_EQ(UndoCommand(doc.get()).levels, 0);
  EXPECT_EQ(frames(doc.get()), before);
}

TEST_F(ClipboardTest, CutOfOneChannelSilencesItAndCopiesItAsMono) {
  auto doc = stereo16(500);
  const auto before = frames(doc.get());
  ASSERT_EQ(Cut(doc.get(), sel(10, 59, 2), &internal, &system, editUi()).status, kEditOk);
  EXPECT_EQ(doc->lengthFrames(), 500u);
  EXPECT_EQ(doc->undo()->levels.back().command, kCmdCutChannel);
  const auto f = frames(doc.get());
  for (int i = 10; i < 60; ++i) {
    EXPECT_EQ(f[2 * i + 1], 0);
    EXPECT_EQ(f[2 * i], before[2 * i]);
  }
  Clip clip = internal.load();
  ASSERT_EQ(clip->channels(), 1);
  const auto c = frames(clip.get());
  for (int i = 0; i < 50; ++i) EXPECT_EQ(c[i], before[2 * (10 + i) + 1]);
  // Pasted into the left channel it overlaps (no length change).
  ASSERT_EQ(Paste(doc.get(), sel(200, 199, 1), clip.get(), kCmdPaste, settings, true, editUi()).status,
            kEditOk);
  EXPECT_EQ(doc->lengthFrames(), 500u);
  const auto g = frames(doc.get());
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(g[2 * (200 + i)], c[i]);
    EXPECT_EQ(g[2 * (200 + i) + 1], before[2 * (200 + i) + 1]);
  }
  UndoCommand(doc.get());
  UndoCommand(doc.get());
  EXPECT_EQ(frames(doc.get()), before);
}

TEST_F(ClipboardTest, WindowsClipboardRoundTripAndUndoOfItsPaste) {
  auto doc = stereo16(1000);
  const auto before = frames(doc.get());
  ASSERT_EQ(CopyCommand(doc.get(), sel(300, 399), true, &internal, &system, editUi()).status, kEditOk);
  EXPECT_TRUE(system.hasWave());
  EXPECT_FALSE(internal.present());
  int error = -1;
  Clip clip = ReadWindowsClipboard(&system, editUi(), &error);
  ASSERT_NE(clip, nullptr);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(frames(clip.get()), std::vector<int16_t>(before.begin() + 600, before.begin() + 800));
  ASSERT_EQ(Paste(doc.get(), sel(0, -1), clip.get(), kCmdWinClipPaste, settings, true, editUi()).status,
            kEditOk);
  EXPECT_EQ(doc->lengthFrames(), 1100u);
  UndoOutcome o = UndoCommand(doc.get());
  EXPECT_EQ(o.levels, 1);
  EXPECT_EQ(doc->lengthFrames(), 1000u);
  EXPECT_EQ(frames(doc.get()), before);
}

// Repeat posts the command of the last level: each paste records its own id (2100, 415 or 2110), and
// Undo still takes each of them back to the original.
TEST_F(ClipboardTest, EachPasteRecordsTheCommandThatRan) {
  auto doc = stereo16(600);
  const auto before = frames(doc.get());
  auto clipDoc = stereo16(40);
  PasteSpecialSettings mix;
  for (int32_t command : {kCmdWinClipPaste, kCmdPaste, kCmdMixPaste, kCmdWinClipPaste}) {
    const PasteSpecialSettings& s = command == kCmdMixPaste ? mix : settings;
    ASSERT_EQ(Paste(doc.get(), sel(100, 99), clipDoc.get(), command, s, true, editUi()).status, kEditOk);
    EXPECT_EQ(storage::UndoLastCommand(), command);
    EXPECT_EQ(UndoCommand(doc.get()).levels, 1) << command;
    EXPECT_EQ(frames(doc.get()), before) << command;
  }
}

TEST_F(ClipboardTest, WindowsClipboardFailures) {
  auto doc = stereo16(1000);
  // Too big for the Windows clipboard: No cancels, Yes copies to the internal clipboard.
  system.maxBytes = 100;
  answers = {ui::kIdNo};
  EXPECT_EQ(CopyRange(doc.get(), 0, 100, 0, &internal, &system, editUi()), kCopyDeclined);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0],
            "Warning: Not enough memory to use Windows clipboard.  Use internal clipboard instead?");
  EXPECT_FALSE(internal.present());
  answers = {ui::kIdYes};
  EXPECT_EQ(CopyRange(doc.get(), 0, 100, 0, &internal, &system, editUi()), kCopyFellBack);
  EXPECT_TRUE(internal.present());
  EXPECT_EQ(CopyRange(doc.get(), 0, 100, kCopyNoAsk, &internal, &system, editUi()), kCopyFellBack);
  EXPECT_EQ(questions.size(), 2u);
  // A clipboard that cannot be opened.
  system.maxBytes = 0xFFFFFFFFu;
  system.openable = false;
  EXPECT_EQ(CopyRange(doc.get(), 0, 100, 0, &internal, &system, editUi()), kCopyNoWindowsClipboard);
  EXPECT_EQ(CopyRange(nullptr, 0, 100, 0, &internal, &system, editUi()), kCopyNoDocument);

  struct Read {
    bool openable, has;
    std::vector<uint8_t> block;
    int error;
    const char* message;
  };
  const Read reads[] = {
      {false, false, {}, kPasteCannotOpen, "Paste Failure: Cannot get data for pasting"},
      {true, false, {}, kPasteNoWaveData, "Paste Error: Can't get data off of Windows clipboard(1)"},
      {true,
       true,
       {'R', 'I', 'F', 'F'},
       kPasteNoMemoryOrInvalid,
       "Paste Error: Not enough memory or clipboard data invalid"},
  };
  for (const Read& r : reads) {
    questions.clear();
    system.openable = r.openable;
    system.has = r.has;
    system.block = r.block;
    int error = 0;
    EXPECT_EQ(ReadWindowsClipboard(&system, editUi(), &error), nullptr);
    EXPECT_EQ(error, r.error);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], r.message);
  }
}

TEST_F(ClipboardTest, PastePlans) {
  struct Case {
    const char* name;
    uint32_t len;
    int64_t start, end;
    int channel;
    int32_t command;
    bool overlap, loop, crossfade;
    uint32_t clip;
    // expected
    bool isOverlap;
    uint32_t n, remove, insert, saveFirst, saveLast, mixStart, levelStart, levelEnd;
  };
  const uint32_t none = 0xFFFFFFFFu;
  // Crossfade 10 ms at 1000 Hz: X = 20 frames, 10 each side.
  const Case cases[] = {
      {"cursor", 100, 40, 39, 0, kCmdPaste, true, false, false, 30, false, 30, 0, 30, 40, 39, 40, 40, 69},
      {"selection", 100, 40, 59, 0, kCmdPaste, true, false, false, 30, false, 30, 20, 30, 40, 59, 40, 40, 69},
      {"end", 100, 100, 99, 0, kCmdPaste, true, false, false, 30, false, 30, 0, 0, 100, 99, 100, 100, 129},
      {"one channel overlaps", 100, 90, 89, 1, kCmdPaste, false, false, false, 30, true, 30, 0, 0, 90, 99, 90,
       90, 119},
      {"mix overlap", 100, 10, 19, 0, kCmdMixPaste, true, false, false, 30, true, 30, 0, 0, 10, 39, 10, 10,
       39},
      {"mix loop 3", 200, 10, 9, 0, kCmdMixPaste, true, true, false, 30, true, 90, 0, 0, 10, 99, 10, 10, 99},
      {"crossfade insert", 100, 40, 59, 0, kCmdMixPaste, false, false, true, 50, false, 50, 20, 30, 30, 69,
       30, 30, 79},
      {"crossfade insert at 0", 100, 0, -1, 0, kCmdMixPaste, false, false, true, 50, false, 50, 0, 40, 0, 9,
       0, 0, 49},
      {"crossfade insert at 3", 100, 3, 2, 0, kCmdMixPaste, false, false, true, 50, false, 50, 0, 37, 0, 12,
       0, 0, 49},
      {"crossfade insert at the end", 100, 95, 94, 0, kCmdMixPaste, false, false, true, 50, false, 50, 0, 35,
       85, 99, 85, 85, 134},
      {"crossfade into an empty wave", 0, 0, -1, 0, kCmdMixPaste, false, false, true, 50, false, 50, 0, 0, 0,
       none, 0, 0, 49},
  };
  for (const Case& c : cases) {
    PasteSpecialSettings s;
    s.overlap = c.overlap;
    s.loop = c.loop;
    s.loops = 3.7;
    s.crossfade = c.crossfade;
    s.crossfadeMs = 10;
    EditRange r = sel(c.start, c.end, c.channel);
    PastePlan p;
    ASSERT_TRUE(PlanPaste(c.len, 1000, 4, r, c.channel, c.clip, c.command, s, &p)) << c.name;
    EXPECT_EQ(p.overlap, c.isOverlap) << c.name;
    EXPECT_EQ(p.n, c.n) << c.name;
    EXPECT_EQ(p.removeCount, c.remove) << c.name;
    EXPECT_EQ(p.insertCount, c.insert) << c.name;
    EXPECT_EQ(p.saveFirst, c.saveFirst) << c.name;
    EXPECT_EQ(p.saveLast, c.saveLast) << c.name;
    EXPECT_EQ(p.mixStart, c.mixStart) << c.name;
    EXPECT_EQ(p.levelStart, c.levelStart) << c.name;
    EXPECT_EQ(p.levelEnd, c.levelEnd) << c.name;
  }
  PastePlan p;
  EXPECT_FALSE(PlanPaste(100, 1000, 4, sel(0, -1), 0, 0, kCmdPaste, settings, &p));
  // Loops are capped so the wave still fits 32-bit byte addresses.
  PasteSpecialSettings s;
  s.loop = true;
  s.loops = 1e12;
  ASSERT_TRUE(PlanPaste(100, 1000, 4, sel(0, -1), 0, 1000, kCmdMixPaste, s, &p));
  EXPECT_LE((uint64_t(p.n) + 100) * 4, 0xFFFFFFFFull);
}

TEST_F(ClipboardTest, MixPasteAtHalfVolumeMatchesTheReference) {
  auto doc = stereo16(1000);
  auto clipDoc = stereo16(200, 9);
  const auto before = frames(doc.get());
  const auto c = frames(clipDoc.get());
  PasteSpecialSettings s;
  s.leftVolume = 0.5;
  s.rightVolume = -1.0;
  ASSERT_EQ(Paste(doc.get(), sel(100, 99), clipDoc.get(), kCmdMixPaste, s, true, editUi()).status, kEditOk);
  auto f = frames(doc.get());
  for (int i = 0; i < 200; ++i) {
    const double l = std::max(-32767.0, std::min(32767.0, before[2 * (100 + i)] + 0.5 * c[2 * i]));
    const double inverted = std::max(-32767.0, std::min(32767.0, -double(c[2 * i + 1])));
    const double r = std::max(-32767.0, std::min(32767.0, before[2 * (100 + i) + 1] + inverted));
    ASSERT_LE(std::fabs(f[2 * (100 + i)] - l), 0.5) << i;
    ASSERT_LE(std::fabs(f[2 * (100 + i) + 1] - r), 0.5) << i;
  }
  UndoCommand(doc.get());
  EXPECT_EQ(frames(doc.get()), before);
}

TEST_F(ClipboardTest, LoopPasteWithCrossfadeFadesOnlyTheOuterEnds) {
  auto doc = WaveDocument::createEmpty(1, 16, 1000, kCreateNewWave);
  std::vector<int16_t> zero(400, 0);
  SampleWrite(doc->samples(), zero.data(), 0, 400, XF_MONO | XF_16BIT);
  auto clipDoc = WaveDocument::createEmpty(1, 16, 1000, kCreateNewWave);
  std::vector<int16_t> ones(40, 1000);
  SampleWrite(clipDoc->samples(), ones.data(), 0, 40, XF_MONO | XF_16BIT);
  PasteSpecialSettings s;
  s.overlap = true;
  s.loop = true;
  s.loops = 3;
  s.crossfade = true;
  s.crossfadeMs = 8;  // 8 frames at 1000 Hz
  ASSERT_EQ(Paste(doc.get(), sel(100, 99), clipDoc.get(), kCmdMixPaste, s, true, editUi()).status, kEditOk);
  const auto f = frames(doc.get());
  for (int i = 0; i < 120; ++i) {
    double want = 1000;
    if (i < 8) want = 1000.0 * i / 8;
    if (i >= 112) want = 1000.0 * (1 - (i - 112) / 8.0);
    EXPECT_NEAR(f[100 + i], want, 0.5) << i;
  }
  EXPECT_EQ(f[99], 0);
  EXPECT_EQ(f[220], 0);
}

TEST_F(ClipboardTest, CrossfadeInsertNearTheStartUndoesExactly) {
  for (int64_t at : {0, 3, 990, 1000}) {
    auto doc = stereo16(1000, uint32_t(at + 1));
    auto clipDoc = stereo16(300, 4);
    const auto before = frames(doc.get());
    PasteSpecialSettings s;
    s.overlap = false;
    s.crossfade = true;
    s.crossfadeMs = 1;  // 44 frames each side at 44.1 kHz
    ASSERT_EQ(Paste(doc.get(), sel(at, at - 1), clipDoc.get(), kCmdMixPaste, s, true, editUi()).status,
              kEditOk);
    EXPECT_EQ(doc->lengthFrames(),
              1000u + 300u - std::min<int64_t>(44, at) - std::min<int64_t>(44, 1000 - at))
        << at;
    const auto& level = doc->undo()->levels.back();
    EXPECT_LE(level.start, uint32_t(at));
    UndoCommand(doc.get());
    EXPECT_EQ(frames(doc.get()), before) << at;
  }
}

TEST_F(ClipboardTest, EmptyClipOrNoDocumentPastesNothing) {
  auto doc = stereo16(100);
  auto empty = WaveDocument::createEmpty(2, 16, 44100, 0);
  EXPECT_EQ(Paste(doc.get(), sel(0, -1), empty.get(), kCmdPaste, settings, true, editUi()).status,
            kEditNothing);
  EXPECT_EQ(Paste(nullptr, sel(0, -1), doc.get(), kCmdPaste, settings, true, editUi()).status, kEditNothing);
  EXPECT_TRUE(doc->undo()->empty());
}

}  // namespace
}  // namespace document
