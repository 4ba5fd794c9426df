// The internal clipboard file over a fake filter: a clip stored in one "run" is present and pastes back in
// the next, one channel goes out as mono, failures leave no file, and a settings key naming some other file
// never gets that file deleted.
#include "document/clipboard_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "document/edit_test_util.h"
#include "document/undo_command.h"
#include "platform/file.h"

namespace document {
namespace {

using testing_util::EditFixture;

// "CLIP", rate, channels, bits (u32 each), then the samples.
constexpr uint32_t kHeader = 16;

class ClipReader : public DocumentReader {
 public:
  int identify(const std::string& path, int32_t, FileIdentity* out) override {
    std::vector<uint8_t> b = storage::testing_util::readWholeFile(path);
    if (b.size() < kHeader || std::memcmp(b.data(), "CLIP", 4) != 0) return kOpenNotRecognised;
    uint32_t h[4];
    std::memcpy(h, b.data(), sizeof h);
    out->rate = h[1];
    out->channels = uint16_t(h[2]);
    out->bits = uint16_t(h[3]);
    out->inPlace = inPlace;
    out->dataOffset = kHeader;
    out->dataLength = uint32_t(b.size() - kHeader);
    return 0;
  }
  int readMetadata(const std::string&, const FileIdentity&, markers::MarkerSet*,
                   markers::ChunkStore*) override {
    return 0;
  }
  int readSamples(const std::string& path, const FileIdentity& id, storage::HfHandle* file,
                  markers::MarkerSet*, markers::ChunkStore*, const DocProgress&) override {
    std::vector<uint8_t> b = storage::testing_util::readWholeFile(path);
    if (id.dataLength) storage::HfWrite(file, 0, id.dataLength, b.data() + kHeader);
    return 0;
  }
  int write(const std::string& path, int32_t filterIndex, int32_t, WaveDocument* doc, uint32_t first,
            uint32_t count, uint32_t mask, const DocProgress&) override {
    masks.push_back(mask);
    filters.push_back(filterIndex);
    const uint16_t channels = mask == 8 ? doc->channels() : 1;
    const uint16_t pick = mask == 10 ? XF_SRC_LEFT : mask == 12 ? XF_SRC_RIGHT : 0;
    std::vector<uint8_t> data(size_t(count) * channels * doc->bits() / 8);
    SampleRead(doc->samples(), data.data(), int32_t(first), count,
               XfLayoutWord(channels, doc->bits()) | pick);
    std::ofstream out(path, std::ios::binary);
    uint32_t h[4] = {0x50494C43u, doc->rate(), channels, doc->bits()};
    out.write(reinterpret_cast<const char*>(h), sizeof h);
    // A failing writer leaves half a file behind, as a full disk would.
    out.write(reinterpret_cast<const char*>(data.data()),
              std::streamsize(fail ? data.size() / 2 : data.size()));
    return fail ? -1 : 0;
  }
  std::vector<uint32_t> masks;
  std::vector<int32_t> filters;
  bool inPlace = true;
  bool fail = false;
};

class ClipboardFileTest : public EditFixture {
 protected:
  ClipboardFileAccess access() {
    ClipboardFileAccess a;
    a.getPath = [this] { return key; };
    a.setPath = [this](const std::string& p) { key = p; };
    a.choosePath = [this](std::string* p, int64_t bytes) {
      requested = bytes;
      if (!room) return false;
      *p = dir.path() + "/" + kClipboardFileName;
      return true;
    };
    return a;
  }
  bool exists(const std::string& p) {
    return platform::fileOps().exists(p.c_str(), nullptr) == platform::FileStatus::Ok;
  }
  std::string key;  // [Recent] Clipboard
  bool room = true;
  int64_t requested = 0;
  ClipReader reader;
};

TEST_F(ClipboardFileTest, AClipStoredInOneRunPastesInTheNext) {
  for (bool inPlace : {true, false}) {
    key.clear();
    reader.inPlace = inPlace;
    auto doc = stereo16(1000);
    const auto before = frames(doc.get());
    {
      FileClipboard first(&reader, 4, 1, access());
      EXPECT_FALSE(first.present());
      ASSERT_EQ(CopyCommand(doc.get(), sel(100, 299), false, &first, nullptr, editUi()).status, kEditOk);
      EXPECT_EQ(requested, 800);
      EXPECT_EQ(reader.filters.back(), 4);
      EXPECT_EQ(reader.masks.back(), 8u);
    }
    ASSERT_EQ(key, dir.path() + "/" + kClipboardFileName);
    FileClipboard next(&reader, 4, 1, access());
    ASSERT_TRUE(next.present());
    Clip clip = next.load();
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(frames(clip.get()), std::vector<int16_t>(before.begin() + 200, before.begin() + 600));
    PasteSpecialSettings s;
    ASSERT_EQ(Paste(doc.get(), sel(1000, 999), clip.get(), kCmdPaste, s, true, editUi()).status, kEditOk);
    clip.reset();
    auto model = before;
    model.insert(model.end(), before.begin() + 200, before.begin() + 600);
    EXPECT_EQ(frames(doc.get()), model);
    UndoCommand(doc.get());
    EXPECT_EQ(frames(doc.get()), before);
  }
}

TEST_F(ClipboardFileTest, OneChannelIsStoredAsMono) {
  auto doc = stereo16(100);
  const auto before = frames(doc.get());
  FileClipboard cb(&reader, 0, 1, access());
  ASSERT_EQ(cb.store(doc.get(), 10, 20, kChannelRight), kCopyOk);
  EXPECT_EQ(reader.masks.back(), 12u);
  EXPECT_EQ(requested, 40);
  Clip clip = cb.load();
  ASSERT_NE(clip, nullptr);
  ASSERT_EQ(clip->channels(), 1);
  const auto c = frames(clip.get());
  for (int i = 0; i < 20; ++i) EXPECT_EQ(c[i], before[2 * (10 + i) + 1]);
}

TEST_F(ClipboardFileTest, FailuresLeaveNoFileBehind) {
  auto doc = stereo16(100);
  FileClipboard cb(&reader, 0, 1, access());
  ASSERT_EQ(cb.store(doc.get(), 0, 10, 0), kCopyOk);
  const std::string path = key;
  // The writer fails: the half-written file goes and the old one is gone too.
  reader.fail = true;
  EXPECT_EQ(cb.store(doc.get(), 0, 50, 0), kCopyNoClipboardFile);
  EXPECT_FALSE(exists(path));
  EXPECT_FALSE(cb.present());
  EXPECT_EQ(cb.load(), nullptr);
  // No drive with room.
  reader.fail = false;
  room = false;
  EXPECT_EQ(cb.store(doc.get(), 0, 50, 0), kCopyNoClipboardFile);
  // Through Cut: nothing is removed and no level is recorded.
  const auto before = frames(doc.get());
  EXPECT_EQ(Cut(doc.get(), sel(0, 9), &cb, nullptr, editUi()).status, kEditCopyFailed);
  EXPECT_EQ(frames(doc.get()), before);
  EXPECT_TRUE(doc->undo()->empty());
}

TEST_F(ClipboardFileTest, AKeyNamingAnotherFileNeverDeletesIt) {
  const std::string precious = dir.path() + "/music.wav";
  { std::ofstream(precious) << "not ours"; }
  key = precious;
  auto doc = stereo16(100);
  FileClipboard cb(&reader, 0, 1, access());
  ASSERT_EQ(cb.store(doc.get(), 0, 10, 0), kCopyOk);
  EXPECT_TRUE(exists(precious));
  EXPECT_EQ(key, dir.path() + "/" + kClipboardFileName);
}

}  // namespace
}  // namespace document
