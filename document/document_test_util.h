// Test helpers for documents: a store fixture with scripted undo questions, and the raw core edits the
// editing commands are made of (save range, change, record level), so undo can be tested before the
// commands exist.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "document/sample_transfer.h"
#include "document/wave_document.h"
#include "storage/store_test_util.h"
#include "storage/undo_store.h"

namespace document {
namespace testing_util {

class DocumentFixture : public storage::testing_util::StoreFixture {
 protected:
  void SetUp() override {
    ASSERT_EQ(init(), 0);
    storage::UndoReset();
    storage::UndoUi u;
    u.ask = [this](const std::string& text, const std::string& caption, unsigned) {
      questions.push_back(caption + ": " + text);
      int a = answers.empty() ? 6 : answers.front();
      if (!answers.empty()) answers.erase(answers.begin());
      return a;
    };
    storage::UndoSetUi(u);
    baselineFree = storage::VfEmptyCount() + storage::VfValidFreeCount();
  }
  void TearDown() override {
    storage::UndoReset();
    StoreFixture::TearDown();
  }

  std::unique_ptr<WaveDocument> stereo16(uint32_t frames, uint32_t seed = 1) {
    auto doc = WaveDocument::createEmpty(2, 16, 44100, kCreateNewWave);
    EXPECT_NE(doc, nullptr);
    std::vector<int16_t> s(size_t(frames) * 2);
    uint32_t x = seed;
    for (auto& v : s) {
      x = x * 1103515245u + 12345u;
      v = int16_t(x >> 16);
    }
    if (frames) {
      EXPECT_EQ(SampleWrite(doc->samples(), s.data(), 0, frames, XF_STEREO | XF_16BIT), frames);
    }
    doc->resetCounters();
    return doc;
  }
  static std::vector<int16_t> frames(WaveDocument* doc) {
    std::vector<int16_t> s(size_t(doc->lengthFrames()) * doc->channels());
    if (!s.empty()) SampleRead(doc->samples(), s.data(), 0, doc->lengthFrames(), doc->layoutWord());
    return s;
  }
  bool storeOk(WaveDocument* doc, std::vector<uint16_t> heads = {}) {
    if (doc && storage::HfFirstBlock(doc->file())) heads.push_back(storage::HfFirstBlock(doc->file()));
    if (doc && doc->undo())
      for (const auto& l : doc->undo()->levels)
        if (l.saved && storage::HfFirstBlock(l.saved)) heads.push_back(storage::HfFirstBlock(l.saved));
    std::string why;
    bool ok = storage::VfCheckInvariants(heads, &why);
    EXPECT_TRUE(ok) << why;
    return ok;
  }

  std::vector<std::string> questions;
  std::vector<int> answers;
  uint32_t baselineFree = 0;
};

// A randomized test's undo history: the model before each undoable edit and the levels that edit recorded.
// The node keeps at most 128 levels, so the oldest edits drop out of the history as their levels go.
template <typename Snapshot>
void trimUndoHistory(std::vector<Snapshot>* history, std::vector<size_t>* levelsOf, size_t levelsHeld) {
  size_t sum = 0;
  for (size_t k : *levelsOf) sum += k;
  while (sum > levelsHeld && !levelsOf->empty()) {
    sum -= levelsOf->front();
    levelsOf->erase(levelsOf->begin());
    history->erase(history->begin());
  }
}

// The edits, as the editing commands do them: save the range, change the samples, record the level.
inline storage::UndoRecord recordOf(WaveDocument* doc, int32_t command, uint32_t start, uint32_t end) {
  storage::UndoRecord r;
  r.rate = doc->rate();
  r.bits = doc->bits();
  r.channels = doc->channels();
  r.command = command;
  r.start = start;
  r.end = end;
  r.title = "Undo";
  return r;
}

inline bool editDelete(WaveDocument* doc, uint32_t first, uint32_t last, int32_t command = 2200) {
  if (!storage::UndoSaveRange(doc->undo(), doc->file(), first, last)) return false;
  SampleCut(doc->samples(), int32_t(first), last - first + 1);
  storage::UndoRecordLevel(doc->undo(), recordOf(doc, command, first, first - 1));
  doc->addSampleChanges(1);
  return true;
}

// Replaces frames first..last (last = first - 1 for a cursor) with data (interleaved in the document's
// layout).
inline bool editPaste(WaveDocument* doc, uint32_t first, uint32_t last, const std::vector<int16_t>& data,
                      int32_t command = 2100) {
  const uint32_t n = uint32_t(data.size() / doc->channels());
  if (!storage::UndoSaveRange(doc->undo(), doc->file(), first, last)) return false;
  if (last + 1 > first) SampleCut(doc->samples(), int32_t(first), last + 1 - first);
  SampleInsertBlank(doc->samples(), int32_t(first), n, true);
  SampleWrite(doc->samples(), data.data(), int32_t(first), n, doc->layoutWord());
  storage::UndoRecordLevel(doc->undo(), recordOf(doc, command, first, first + n - 1));
  doc->addSampleChanges(1);
  return true;
}

// Keeps first..last: the tail goes first, then the head, chained to it.
inline bool editTrim(WaveDocument* doc, uint32_t first, uint32_t last) {
  const uint32_t len = doc->lengthFrames();
  if (last + 1 < len) {
    if (!storage::UndoSaveRange(doc->undo(), doc->file(), last + 1, len - 1)) return false;
    SampleCut(doc->samples(), int32_t(last + 1), len - 1 - last);
    storage::UndoRecordLevel(doc->undo(), recordOf(doc, 2210, last + 1, last));
    doc->addSampleChanges(1);
  }
  if (first > 0) {
    if (!storage::UndoSaveRange(doc->undo(), doc->file(), 0, first - 1)) return false;
    SampleCut(doc->samples(), 0, first);
    storage::UndoLevel* l = storage::UndoRecordLevel(doc->undo(), recordOf(doc, 2210, 0, 0xFFFFFFFFu));
    if (l && last + 1 < len) l->chain = 1;
    doc->addSampleChanges(1);
  }
  return true;
}

// Sets one sample of one channel (1 left, 2 right) to value, as a drawn sample change does.
inline void editSampleAdjust(WaveDocument* doc, uint32_t frame, int channel, int16_t value) {
  int16_t f[2];
  SampleRead(doc->samples(), f, int32_t(frame), 1, doc->layoutWord());
  storage::UndoOpenLevel(doc->undo());
  storage::UndoRecord r = recordOf(doc, 3257, frame, frame);
  r.editChannel = channel;
  storage::UndoLevel* l = storage::UndoRecordLevel(doc->undo(), r);
  if (l) l->value = f[channel == 2 ? 1 : 0];
  f[channel == 2 ? 1 : 0] = value;
  SampleWrite(doc->samples(), f, int32_t(frame), 1, doc->layoutWord());
  doc->addSampleChanges(1);
}

}  // namespace testing_util
}  // namespace document
