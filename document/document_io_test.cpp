// Opening, joining, saving and closing documents through a fake reader: in-place opening copies nothing,
// one changed sample routes Save to quick save, a length change through the writer, multi-file opens get
// regions, the "Save changes" question, titles and counters, and closing returns the store to its
// baseline.
#include "document/document_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "document/document_test_util.h"
#include "document/peak_file.h"
#include "document/undo_command.h"
#include "platform/file.h"

namespace document {
namespace {

using testing_util::DocumentFixture;

// A file format only these tests know: "FAKE", rate, channels, bits (u32 each), 28 bytes of padding, then
// the samples as stored. The writer writes the same.
constexpr uint32_t kFakeHeader = 44;

void writeFake(const std::string& path, uint32_t rate, uint16_t channels, uint16_t bits,
               const std::vector<uint8_t>& data) {
  std::ofstream out(path, std::ios::binary);
  uint32_t h[11] = {0x454B4146u, rate, channels, bits};
  out.write(reinterpret_cast<const char*>(h), sizeof h);
  out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

class FakeReader : public DocumentReader {
 public:
  int identify(const std::string& path, int32_t filterIndex, FileIdentity* out) override {
    ++identifies;
    identifyFilters.push_back(filterIndex);
    std::vector<uint8_t> b = storage::testing_util::readWholeFile(path);
    if (b.size() < kFakeHeader || std::memcmp(b.data(), "FAKE", 4) != 0) return kOpenNotRecognised;
    uint32_t h[4];
    std::memcpy(h, b.data(), sizeof h);
    out->rate = h[1];
    out->channels = uint16_t(h[2]);
    out->bits = uint16_t(h[3]);
    out->filterIndex = 3;
    out->filterOptions = 1;
    out->inPlace = inPlace;
    out->dataOffset = kFakeHeader;
    const uint32_t align = FrameBytes(out->channels, out->bits);
    out->dataLength = align ? uint32_t((b.size() - kFakeHeader) / align * align) : 0;
    return 0;
  }
  int readMetadata(const std::string&, const FileIdentity&, markers::MarkerSet* cues,
                   markers::ChunkStore*) override {
    cues->addCue(cues->smallestFreeId(), 1, 0, "from the file");
    return 0;
  }
  int readSamples(const std::string& path, const FileIdentity& id, storage::HfHandle* file, markers::MarkerSet*,
                  markers::ChunkStore*, const DocProgress& progress) override {
    std::vector<uint8_t> b = storage::testing_util::readWholeFile(path);
    uint32_t n = id.dataLength;
    if (stopAfterBytes && stopAfterBytes < n) n = stopAfterBytes;
    storage::HfWrite(file, 0, n, b.data() + kFakeHeader);
    if (progress) progress(n, id.dataLength);
    return n < id.dataLength ? kOpenStopped : 0;
  }
  int write(const std::string& path, int32_t filterIndex, int32_t, WaveDocument* doc, uint32_t first,
            uint32_t count, uint32_t mask, const DocProgress&) override {
    writes.push_back({path, filterIndex, first, count, mask});
    std::vector<uint8_t> data(size_t(count) * doc->blockAlign());
    if (!data.empty()) storage::HfRead(doc->file(), first * doc->blockAlign(), uint32_t(data.size()), data.data());
    writeFake(path, doc->rate(), doc->channels(), doc->bits(), data);
    return writeStatus;
  }

  struct Write {
    std::string path;
    int32_t filter;
    uint32_t first, count, mask;
  };
  std::vector<Write> writes;
  int identifies = 0;
  std::vector<int32_t> identifyFilters;
  bool inPlace = true;
  uint32_t stopAfterBytes = 0;
  int writeStatus = 0;
};

class DocumentIoTest : public DocumentFixture {
 protected:
  void SetUp() override {
    DocumentFixture::SetUp();
    host.ask = [this](const std::string& text, const std::string& caption, unsigned flags) {
      boxesShown.push_back(caption + ": " + text);
      boxFlags.push_back(flags);
      int a = boxAnswers.empty() ? 6 : boxAnswers.front();
      if (!boxAnswers.empty()) boxAnswers.erase(boxAnswers.begin());
      return a;
    };
    host.showTitle = [this](const std::string& t) { title = t; };
    host.addRecentFile = [this](const std::string& p) { recent.push_back(p); };
    host.saveDialog = [this](const SaveDialogRequest& r, SaveDialogResult* out) {
      dialogs.push_back(r.title);
      if (dialogName.empty()) return false;
      out->name = dialogName;
      out->filterIndex = 3;
      return true;
    };
  }
  std::string path(const std::string& name) { return dir.path() + "/" + name; }
  std::vector<uint8_t> stereoBytes(uint32_t frames, uint32_t seed) {
    std::vector<uint8_t> b(size_t(frames) * 4);
    for (size_t i = 0; i < b.size(); ++i) b[i] = uint8_t((i * 31 + seed) >> 2);
    return b;
  }

  DocumentHost host;
  FakeReader reader;
  std::vector<std::string> boxesShown, recent, dialogs;
  std::vector<int> boxAnswers;
  std::vector<unsigned> boxFlags;
  std::string title, dialogName;
};

TEST_F(DocumentIoTest, OpeningInPlaceCopiesNothingAndOneSampleChangeQuickSaves) {
  const std::string a = path("a.wav");
  const auto bytes = stereoBytes(100000, 1);
  writeFake(a, 44100, 2, 16, bytes);
  platform::resetIoCounters();
  int error = -1;
  auto doc = OpenAsCurrent(host, reader, {a}, 0, &error);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(platform::ioCounters().bytesWritten, 0u);
  EXPECT_EQ(storage::VfTempFileSize(1), 0);
  EXPECT_EQ(doc->lengthFrames(), 100000u);
  EXPECT_FALSE(doc->flags() & kDocLengthChanged);
  for (uint16_t d : storage::HfChain(doc->file())) EXPECT_TRUE(storage::VfBlockFlags(d) & storage::VF_READONLY);
  EXPECT_EQ(title, "a.wav - Sorn Edit");
  EXPECT_EQ(recent, std::vector<std::string>{a});
  ASSERT_EQ(doc->cues().cueCount(), 1u);

  int16_t f[2] = {1234, -4321};
  SampleWrite(doc->samples(), f, 50000, 1, XF_STEREO | XF_16BIT);
  doc->addSampleChanges(1);
  EXPECT_EQ(MainWindowTitle(doc.get()), "a.wav* - Sorn Edit");
  EXPECT_EQ(ChooseSaveRoute(doc.get(), a), SaveRoute::Quick);
  EXPECT_EQ(SaveDocument(host, reader, doc.get(), SaveRequest()), 0);
  EXPECT_TRUE(reader.writes.empty());
  EXPECT_EQ(doc->sampleChanges(), 0);
  EXPECT_EQ(title, "a.wav - Sorn Edit");

  auto expect = bytes;
  std::memcpy(expect.data() + 50000 * 4, f, 4);
  auto onDisk = storage::testing_util::readWholeFile(a);
  ASSERT_EQ(onDisk.size(), bytes.size() + kFakeHeader);
  EXPECT_TRUE(std::equal(expect.begin(), expect.end(), onDisk.begin() + kFakeHeader));
}

TEST_F(DocumentIoTest, AStoppedQuickSaveShowsNoErrorAndLeavesTheDocumentModified) {
  const std::string a = path("a.wav");
  writeFake(a, 44100, 2, 16, stereoBytes(70000, 4));  // 280,000 bytes: five blocks
  int error = -1;
  auto doc = OpenAsCurrent(host, reader, {a}, 0, &error);
  ASSERT_NE(doc, nullptr);
  int16_t f[2] = {7, -7};
  SampleWrite(doc->samples(), f, 10, 1, XF_STEREO | XF_16BIT);      // block 0
  SampleWrite(doc->samples(), f, 60000, 1, XF_STEREO | XF_16BIT);   // block 3
  doc->addSampleChanges(2);
  std::vector<std::string> logged;
  host.debug = [&](const std::string& t) { logged.push_back(t); };
  host.progressMeter = [](uint32_t, uint32_t) { return kDocStop; };
  EXPECT_FALSE(QuickSaveDocument(host, doc.get()));
  EXPECT_TRUE(boxesShown.empty());  // a stop is not a failure
  EXPECT_EQ(doc->sampleChanges(), 2);
  EXPECT_EQ(logged, std::vector<std::string>{"quick save: 1 blocks written\n"});
  host.progressMeter = nullptr;
  EXPECT_TRUE(QuickSaveDocument(host, doc.get()));
  EXPECT_EQ(doc->sampleChanges(), 0);
  EXPECT_EQ(logged.back(), "quick save: 1 blocks written\n");  // only the block still changed
}

// A quick save the file does not allow (here: the document now names another file) is told with an OK box
// and the information icon, and the change stays to be saved.
TEST_F(DocumentIoTest, AQuickSaveThatIsNotPossibleSaysSoWithTheInformationIcon) {
  const std::string a = path("a.wav");
  writeFake(a, 44100, 2, 16, stereoBytes(70000, 4));
  int error = -1;
  auto doc = OpenAsCurrent(host, reader, {a}, 0, &error);
  ASSERT_NE(doc, nullptr);
  int16_t f[2] = {7, -7};
  SampleWrite(doc->samples(), f, 10, 1, XF_STEREO | XF_16BIT);
  doc->addSampleChanges(1);
  doc->setName(path("elsewhere.wav"));
  EXPECT_FALSE(QuickSaveDocument(host, doc.get()));
  ASSERT_EQ(boxesShown.size(), 1u);
  EXPECT_EQ(
      boxesShown[0],
      "Cannot Quick Save: QuickSave is not possible because either the file length has changed since the "
      "original, or the file is in use");
  EXPECT_EQ(boxFlags[0], 0x40u);  // MB_OK | MB_ICONINFORMATION
  EXPECT_EQ(doc->sampleChanges(), 1);
}

TEST_F(DocumentIoTest, ALengthChangeSavesThroughTheWriter) {
  const std::string a = path("a.wav"), b = path("b.wav");
  writeFake(a, 22050, 2, 16, stereoBytes(70000, 2));
  int error = -1;
  auto doc = OpenAsCurrent(host, reader, {a}, 0, &error);
  ASSERT_NE(doc, nullptr);
  SampleCut(doc->samples(), 10, 100);
  doc->addSampleChanges(1);
  EXPECT_TRUE(doc->flags() & kDocLengthChanged);
  EXPECT_EQ(ChooseSaveRoute(doc.get(), a), SaveRoute::Filter);
  SaveRequest as;
  as.askName = true;
  dialogName = b;
  EXPECT_EQ(SaveDocument(host, reader, doc.get(), as), 0);
  ASSERT_EQ(reader.writes.size(), 1u);
  EXPECT_EQ(reader.writes[0].mask, 0x18u);
  EXPECT_EQ(reader.writes[0].count, 69900u);
  EXPECT_EQ(doc->name(), b);
  EXPECT_FALSE(doc->modified());
  EXPECT_EQ(dialogs, std::vector<std::string>{"Save Waveform As"});

  // A selection save of the right channel only; an empty selection is refused with 3.
  SaveRequest sel;
  sel.selectionOnly = true;
  sel.selStart = 5;
  sel.selEnd = 9;
  sel.editChannel = 2;
  EXPECT_EQ(SaveDocument(host, reader, doc.get(), sel), 0);
  EXPECT_EQ(reader.writes.back().mask, 12u);
  EXPECT_EQ(reader.writes.back().count, 5u);
  sel.selEnd = 4;
  EXPECT_EQ(SaveDocument(host, reader, doc.get(), sel), 3);
  dialogName.clear();
  EXPECT_EQ(SaveDocument(host, reader, doc.get(), as), 1);
}

TEST_F(DocumentIoTest, TwoFilesJoinIntoOneUntitledDocumentWithARegionEach) {
  const std::string a = path("A.wav"), b = path("B.wav");
  writeFake(a, 44100, 2, 16, stereoBytes(1000, 3));
  std::vector<uint8_t> mono8(500);
  for (size_t i = 0; i < mono8.size(); ++i) mono8[i] = uint8_t(128 + (i % 50));
  writeFake(b, 44100, 1, 8, mono8);
  int error = -1;
  auto doc = OpenAsCurrent(host, reader, {a, b}, 0, &error);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(doc->lengthFrames(), 1500u);
  EXPECT_EQ(doc->name(), "");
  EXPECT_EQ(title, "Untitled* - Sorn Edit");
  EXPECT_TRUE(doc->modified());
  std::vector<std::string> labels;
  for (uint32_t i = 0; i < doc->cues().cueCount(); ++i)
    if (doc->cues().cueAt(i)->isRange()) labels.push_back(doc->cues().cueAt(i)->label);
  EXPECT_EQ(labels, (std::vector<std::string>{"A.wav", "B.wav"}));
  // The 8-bit mono file was converted: its sample 10 (128 + 10) is 10 * 256 in both channels.
  int16_t f[2];
  SampleRead(doc->samples(), f, 1010, 1, XF_STEREO | XF_16BIT);
  EXPECT_EQ(f[0], 10 * 256);
  EXPECT_EQ(f[1], 10 * 256);
  EXPECT_TRUE(storeOk(doc.get()));
}

// Re-Open reads the file through the filter it was read with and says "Re-Loading" while it does; a plain
// open picks the filter itself and says "Loading".
TEST_F(DocumentIoTest, ReopenUsesTheDocumentsFilterAndItsOwnTitle) {
  const std::string a = path("A.wav");
  writeFake(a, 22050, 2, 16, stereoBytes(300, 5));
  std::vector<std::string> titles;
  host.showTitle = [&titles](const std::string& t) { titles.push_back(t); };
  int error = -1;
  auto doc = OpenAsCurrent(host, reader, {a}, 0, &error);
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(reader.identifyFilters, (std::vector<int32_t>{-1}));
  ASSERT_FALSE(titles.empty());
  EXPECT_EQ(titles.front(), "Loading A.wav");
  const int32_t filter = doc->filterIndex();
  EXPECT_EQ(filter, 3);
  ASSERT_TRUE(CloseDocument(host, reader, &doc, false));

  titles.clear();
  reader.identifyFilters.clear();
  doc = ReopenAsCurrent(host, reader, a, filter, &error);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(reader.identifyFilters, (std::vector<int32_t>{3}));
  ASSERT_FALSE(titles.empty());
  EXPECT_EQ(titles.front(), "Re-Loading A.wav");
  for (const std::string& t : titles) EXPECT_NE(t, "Loading A.wav");
  EXPECT_EQ(titles.back(), "A.wav - Sorn Edit");
  EXPECT_EQ(doc->lengthFrames(), 300u);
  EXPECT_FALSE(doc->modified());
  EXPECT_EQ(recent, (std::vector<std::string>{a, a}));
}

TEST_F(DocumentIoTest, AFileOfAnotherRateIsRefusedWithAMessage) {
  const std::string a = path("A.wav"), b = path("B.wav");
  writeFake(a, 44100, 2, 16, stereoBytes(1000, 3));
  writeFake(b, 8000, 2, 16, stereoBytes(1000, 4));
  int error = -1;
  std::unique_ptr<WaveDocument> doc;
  EXPECT_EQ(OpenFileList(host, reader, &doc, {a, b}, 0, &error), 1);
  EXPECT_EQ(error, kOpenNotRecognised);
  ASSERT_EQ(boxesShown.size(), 1u);
  EXPECT_NE(boxesShown[0].find("B.wav has a sample rate of 8000 Hz"), std::string::npos);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->lengthFrames(), 1000u);
}

TEST_F(DocumentIoTest, OpenAsConvertsTheFileAndKeepsItsCues) {
  // A reader that delivers a cue and a play-list entry with the samples, as a file filter does.
  struct CueReader : FakeReader {
    int readSamples(const std::string& path, const FileIdentity& id, storage::HfHandle* file,
                    markers::MarkerSet* cues, markers::ChunkStore* chunks, const DocProgress& progress) override {
      cues->addCue(7, 100, 50, "Intro");
      cues->insertPlay(0, 7, markers::kKeep, 3);
      return FakeReader::readSamples(path, id, file, cues, chunks, progress);
    }
  } cueReader;
  const std::string a = path("A.wav");
  writeFake(a, 44100, 2, 16, stereoBytes(1000, 3));
  const WaveFormat common{44100, 1, 8};
  int error = -1;
  std::unique_ptr<WaveDocument> doc;
  EXPECT_EQ(OpenFileList(host, cueReader, &doc, {a}, kListUntitled | kListConvert, &error, -1, &common), 1);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(doc->channels(), 1);
  EXPECT_EQ(doc->bits(), 8);
  EXPECT_EQ(doc->lengthFrames(), 1000u);
  EXPECT_EQ(doc->name(), a);
  EXPECT_TRUE(doc->modified());
  const markers::Cue* c = doc->cues().findCue(7);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->position, 100u);
  EXPECT_EQ(c->length, 50u);
  EXPECT_EQ(c->label, "Intro");
  ASSERT_EQ(doc->cues().playCount(), 1u);
  markers::PlayEntry e;
  ASSERT_TRUE(doc->cues().getPlay(0, &e));
  EXPECT_EQ(e.loops, 3u);
  EXPECT_TRUE(storeOk(doc.get()));
}

TEST_F(DocumentIoTest, AStoppedReadKeepsThePartAndMarksItModified) {
  const std::string a = path("a.wav");
  writeFake(a, 44100, 2, 16, stereoBytes(1000, 5));
  reader.inPlace = false;
  reader.stopAfterBytes = 400;
  int error = -1;
  auto doc = OpenAsCurrent(host, reader, {a}, 0, &error);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(error, kOpenStopped);
  EXPECT_EQ(doc->lengthFrames(), 100u);
  EXPECT_TRUE(doc->modified());
  EXPECT_TRUE(recent.empty());
}

TEST_F(DocumentIoTest, SaveChangesQuestionDecidesWhetherCloseGoesOn) {
  const std::string a = path("a.wav");
  writeFake(a, 44100, 2, 16, stereoBytes(1000, 6));
  int error = -1;
  std::unique_ptr<WaveDocument> doc = OpenAsCurrent(host, reader, {a}, 0, &error);
  ASSERT_NE(doc, nullptr);
  EXPECT_TRUE(CloseDocument(host, reader, &doc, true));  // unmodified: no question
  EXPECT_TRUE(boxesShown.empty());
  EXPECT_EQ(title, "Sorn Edit");

  doc = OpenAsCurrent(host, reader, {a}, 0, &error);
  doc->addFormatChanges(1);
  boxAnswers = {2};  // Cancel
  EXPECT_FALSE(CloseDocument(host, reader, &doc, true));
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(boxesShown.size(), 1u);
  EXPECT_EQ(boxesShown[0], "Current file not saved: Save changes to " + a + "?");
  boxAnswers = {7};  // No
  EXPECT_TRUE(CloseDocument(host, reader, &doc, true));
  EXPECT_EQ(doc, nullptr);
  EXPECT_TRUE(reader.writes.empty());
}

TEST_F(DocumentIoTest, ClosingReturnsTheStoreToItsBaseline) {
  const std::string a = path("a.wav");
  writeFake(a, 44100, 2, 16, stereoBytes(200000, 7));
  int error = -1;
  {
    std::unique_ptr<WaveDocument> doc = OpenAsCurrent(host, reader, {a}, 0, &error);
    ASSERT_NE(doc, nullptr);
    ASSERT_GE(storage::VfFindSourceFile(a), 0);
    testing_util::editDelete(doc.get(), 100, 70000);
    testing_util::editPaste(doc.get(), 5, 4, std::vector<int16_t>(20000, 3));
    UndoCommand(doc.get());
    EXPECT_TRUE(CloseDocument(host, reader, &doc, false));
  }
  EXPECT_LT(storage::VfFindSourceFile(a), 0);
  EXPECT_EQ(storage::VfEmptyCount() + storage::VfValidFreeCount(), baselineFree);
  EXPECT_TRUE(storage::UndoNodes().empty());
}

TEST_F(DocumentIoTest, PeakFileIsWrittenOnCloseAndSparesTheScanOnReopen) {
  host.settings.savePeakFiles = true;
  const std::string a = path("a.wav");
  writeFake(a, 44100, 2, 16, stereoBytes(300000, 8));
  int error = -1;
  auto doc = OpenAsCurrent(host, reader, {a}, 0, &error);
  ASSERT_NE(doc, nullptr);
  ASSERT_NE(doc->peaks(), nullptr);
  EXPECT_EQ(doc->peaks()->builtLength(), 300000u);  // scanned on open
  EXPECT_EQ(doc->scannedLength(), 0u);
  EXPECT_TRUE(CloseDocument(host, reader, &doc, false));
  std::vector<uint8_t> pk = storage::testing_util::readWholeFile(PeakFilePath(a));
  ASSERT_FALSE(pk.empty());

  platform::resetIoCounters();
  doc = OpenAsCurrent(host, reader, {a}, 0, &error);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->peaks()->builtLength(), 300000u);
  // Only the peak file itself was read, no sample.
  EXPECT_EQ(platform::ioCounters().bytesRead, pk.size());
}

// The scan on open reports its progress in steps of many entries, not after each one (every report pumps
// the window system's messages), ends with the whole length done, and a Stop keeps the length scanned.
TEST_F(DocumentIoTest, TheScanReportsProgressInLargeStepsAndAStopKeepsWhatItScanned) {
  const uint32_t frames = 1000000;  // 3,907 entries of 256 frames
  const std::string a = path("a.wav");
  writeFake(a, 44100, 2, 16, stereoBytes(frames, 3));
  std::vector<std::pair<uint32_t, uint32_t>> reports;
  std::vector<std::string> begun;
  host.progressBegin = [&](const std::string& t) { begun.push_back(t); };
  host.progressMeter = [&](uint32_t done, uint32_t total) {
    reports.push_back({done, total});
    return 0;
  };
  int error = -1;
  auto doc = OpenAsCurrent(host, reader, {a}, 0, &error);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(std::count(begun.begin(), begun.end(), "Scanning File..."), 1);
  ASSERT_FALSE(reports.empty());
  EXPECT_LE(reports.size(), frames / 65536 + 2);
  EXPECT_EQ(reports.back(), std::make_pair(frames, frames));
  for (size_t i = 1; i < reports.size(); ++i) EXPECT_GT(reports[i].first, reports[i - 1].first);
  EXPECT_EQ(doc->scannedLength(), 0u);
  EXPECT_TRUE(CloseDocument(host, reader, &doc, false));

  // Stopped at the third report: the table keeps what was read, and the document says how far it got.
  reports.clear();
  host.progressMeter = [&](uint32_t done, uint32_t total) {
    reports.push_back({done, total});
    return reports.size() == 3 ? kDocStop : 0;
  };
  doc = OpenAsCurrent(host, reader, {a}, 0, &error);
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_GE(doc->scannedLength(), reports.back().first);
  EXPECT_LT(doc->scannedLength(), frames);
  EXPECT_EQ(doc->peaks()->builtLength(), doc->scannedLength());
  PeakExtremes e;
  EXPECT_TRUE(doc->peaks()->query(0, 1000, &e));  // the view still gets its peaks
  EXPECT_TRUE(CloseDocument(host, reader, &doc, false));
}

// Dropped files and Open replace the document playback or recording may be using: audio stops before the
// old document is closed and before anything is read.
TEST_F(DocumentIoTest, AudioStopsBeforeTheDocumentGoesOrIsReplaced) {
  const std::string a = path("a.wav");
  writeFake(a, 44100, 2, 16, stereoBytes(1000, 9));
  std::vector<std::string> events;
  bool playing = true;
  host.stopAudio = [&] {
    events.push_back(playing ? "stop while playing" : "stop");
    playing = false;
  };
  reader.identifies = 0;
  int error = -1;
  std::unique_ptr<WaveDocument> doc = OpenAsCurrent(host, reader, {a}, 0, &error);
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(events, std::vector<std::string>{"stop while playing"});
  playing = true;
  EXPECT_TRUE(CloseDocument(host, reader, &doc, true));
  EXPECT_EQ(events.back(), "stop while playing");
  EXPECT_EQ(doc, nullptr);
}

TEST_F(DocumentIoTest, TitlesCountersAndFileLists) {
  EXPECT_EQ(UniqueTitleText("C:\\w\\x.wav", [](const std::string& t) { return t == "x.wav - Sorn Edit"; }),
            "x.wav;1");
  EXPECT_EQ(UniqueTitleText("", nullptr), "Untitled");
  EXPECT_EQ(MainWindowTitle("x.wav", true), "x.wav* - Sorn Edit");
  EXPECT_EQ(ExpandFileList({"C:\\dir", "a.wav", "D:\\o\\b.wav", "c.wav"}, false),
            (std::vector<std::string>{"C:\\dir\\a.wav", "D:\\o\\b.wav", "D:\\o\\c.wav"}));
  EXPECT_EQ(ExpandFileList({"C:\\x.wav"}, false), std::vector<std::string>{"C:\\x.wav"});

  auto doc = stereo16(10);
  int calls = 0;
  doc->setCounterListener([&] { ++calls; });
  EXPECT_EQ(doc->addSampleChanges(-1), 1);
  EXPECT_TRUE(doc->modified());
  EXPECT_EQ(doc->addSampleChanges(-1), 0);
  EXPECT_FALSE(doc->modified());
  EXPECT_EQ(calls, 2);
}

TEST_F(DocumentIoTest, NewDocumentFillsItsInfoTexts) {
  auto doc = NewDocument(host, 22050, 8, 1, "1.0", "Sorn Audio");
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->rate(), 22050u);
  EXPECT_EQ(doc->bits(), 8);
  EXPECT_EQ(doc->lengthFrames(), 0u);
  const markers::Chunk* isft = doc->chunks().find("INFO", "ISFT");
  ASSERT_NE(isft, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(isft->bytes.data())), "Sorn Edit v.1.0 by Sorn Audio");
  const markers::Chunk* icrd = doc->chunks().find("INFO", "ICRD");
  ASSERT_NE(icrd, nullptr);
  EXPECT_EQ(icrd->bytes.size(), 11u);  // "YYYY-MM-DD" and its terminator
  EXPECT_EQ(title, "Untitled - Sorn Edit");
}

}  // namespace
}  // namespace document
