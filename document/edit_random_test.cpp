// Random editing commands and undos against a plain model of the frames: delete, trim, reverse, invert,
// silence, generated silence, drawn samples, cut, paste and mix paste in either or both channels. After
// every step the document must equal the model and the store must be consistent; at the end everything
// left is undone back to the oldest state still recorded.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "document/clipboard.h"
#include "document/edit_test_util.h"
#include "document/undo_command.h"

namespace document {
namespace {

using testing_util::EditFixture;
using Frames = std::vector<int16_t>;  // stereo, interleaved

class EditRandomTest : public EditFixture {
 protected:
  void TearDown() override {
    clipboard.clear();
    EditFixture::TearDown();
  }
  VirtualClipboard clipboard;
};

int16_t clampSum(int v) {
  return int16_t(std::max(-32767, std::min(32767, v)));
}

// The model's side of each command.
struct Model {
  Frames f;
  Frames clip;  // interleaved in clipChannels
  int clipChannels = 0;
  uint32_t len() const { return uint32_t(f.size() / 2); }
  void forChannel(uint32_t a, uint32_t b, int ch, const std::function<void(int16_t&)>& fn) {
    for (uint32_t i = a; i <= b; ++i)
      for (int c = 0; c < 2; ++c)
        if (!ch || ch == c + 1) fn(f[2 * i + c]);
  }
  void reverse(uint32_t a, uint32_t b, int ch) {
    for (uint32_t i = a, j = b; i < j; ++i, --j)
      for (int c = 0; c < 2; ++c)
        if (!ch || ch == c + 1) std::swap(f[2 * i + c], f[2 * j + c]);
  }
  void erase(uint32_t a, uint32_t count) { f.erase(f.begin() + 2 * a, f.begin() + 2 * (a + count)); }
  void insert(uint32_t a, const Frames& stereo) { f.insert(f.begin() + 2 * a, stereo.begin(), stereo.end()); }
  // The clip as stereo frames (a mono clip in both channels).
  Frames clipStereo() const {
    if (clipChannels == 2) return clip;
    Frames s;
    for (int16_t v : clip) {
      s.push_back(v);
      s.push_back(v);
    }
    return s;
  }
  // The clip as one channel (a stereo clip mixed down: halved sum, rounded down).
  Frames clipMono() const {
    if (clipChannels == 1) return clip;
    Frames m;
    for (size_t i = 0; i + 1 < clip.size(); i += 2) m.push_back(int16_t((int(clip[i]) + clip[i + 1]) >> 1));
    return m;
  }
  void growTo(uint32_t frames) {
    if (len() < frames) f.resize(size_t(frames) * 2, 0);
  }
};

TEST_F(EditRandomTest, RandomCommandsAndUndosMatchTheModel) {
  const int steps = 1000 * storage::testing_util::testScale();
  const uint32_t seed = uint32_t(std::random_device{}());
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::printf("edit random test seed %u, %d steps\n", seed, steps);
  std::mt19937 rng(seed);
  auto pick = [&](uint32_t n) { return n ? uint32_t(rng() % n) : 0u; };
  constexpr uint32_t kMaxFrames = 40000;
  PasteSpecialSettings plain;
  PasteSpecialSettings mix;  // overlap at unity over the old sound: a clamped sum

  auto doc = stereo16(3000, seed);
  Model m;
  m.f = frames(doc.get());
  std::vector<Frames> history;
  std::vector<size_t> levelsOf;
  std::map<std::string, int> counts;
  for (int step = 0; step < steps; ++step) {
    const uint32_t len = m.len();
    uint32_t a = pick(len), b = len ? std::min(len - 1, a + pick(2000)) : 0;
    const int ch = int(pick(3));
    const EditUi ui = editUi();
    Frames before = m.f;
    size_t levels = 1;
    const int op = int(pick(14));
    std::string what;
    EditResult r;
    if (op == 0 && len) {
      what = "delete";
      r = DeleteSelection(doc.get(), sel(a, b, ch), ui);
      if (ch)
        m.forChannel(a, b, ch, [](int16_t& v) { v = 0; });
      else
        m.erase(a, b - a + 1);
    } else if (op == 1 && len) {
      what = "trim";
      r = Trim(doc.get(), sel(a, b), ui);
      m.f = Frames(m.f.begin() + 2 * a, m.f.begin() + 2 * (b + 1));
      levels = 2;
    } else if (op == 2 && len) {
      what = "reverse";
      r = Reverse(doc.get(), sel(a, b, ch), ui);
      m.reverse(a, b, ch);
    } else if (op == 3 && len) {
      what = "invert";
      r = Invert(doc.get(), sel(a, b, ch), ui);
      m.forChannel(a, b, ch, [](int16_t& v) { v = v == -32768 ? v : int16_t(-v); });
    } else if (op == 4 && len) {
      what = "silence";
      r = Silence(doc.get(), sel(a, b, ch), ui);
      m.forChannel(a, b, ch, [](int16_t& v) { v = 0; });
    } else if (op == 5 && len + 3000 < kMaxFrames) {
      what = "generate silence";
      const double seconds = (1 + pick(3000)) / 44100.0;
      uint32_t n = 0;
      ASSERT_TRUE(SilenceFrames(seconds, 44100, &n));
      const bool selection = pick(2) && len;
      const uint32_t at = selection ? a : pick(len + 1);
      r = GenerateSilence(doc.get(), selection ? sel(a, b) : sel(at, int64_t(at) - 1), seconds, ui);
      if (selection) m.erase(a, b - a + 1);
      m.insert(at, Frames(size_t(n) * 2, 0));
    } else if (op == 6 && len) {
      what = "drawn sample";
      const int c = 1 + int(pick(2));
      const double v = (int(pick(20001)) - 10000) / 10000.0;
      r = AdjustSample(doc.get(), a, c, v);
      m.f[2 * a + c - 1] = int16_t(DrawnSampleValue(v, 16));
    } else if (op == 7 && len) {
      what = "cut";
      r = Cut(doc.get(), sel(a, b, ch), &clipboard, nullptr, ui);
      m.clipChannels = ch ? 1 : 2;
      m.clip.clear();
      for (uint32_t i = a; i <= b; ++i)
        for (int c = 0; c < 2; ++c)
          if (!ch || ch == c + 1) m.clip.push_back(m.f[2 * i + c]);
      if (ch)
        m.forChannel(a, b, ch, [](int16_t& v) { v = 0; });
      else
        m.erase(a, b - a + 1);
    } else if (op == 8 && len) {
      what = "copy";
      r = CopyCommand(doc.get(), sel(a, b, ch), false, &clipboard, nullptr, ui);
      m.clipChannels = ch ? 1 : 2;
      m.clip.clear();
      for (uint32_t i = a; i <= b; ++i)
        for (int c = 0; c < 2; ++c)
          if (!ch || ch == c + 1) m.clip.push_back(m.f[2 * i + c]);
      levels = 0;
    } else if (op <= 11 && m.clipChannels && len + m.clip.size() < kMaxFrames) {
      Clip clip = clipboard.load();
      ASSERT_NE(clip, nullptr);
      const bool selection = pick(2) && len;
      const uint32_t at = selection ? a : pick(len + 1);
      const EditRange range = selection ? sel(a, b, ch) : sel(at, int64_t(at) - 1, ch);
      if (op == 11) {
        what = "mix paste";
        r = Paste(doc.get(), range, clip.get(), kCmdMixPaste, mix, true, ui);
      } else {
        what = "paste";
        r = Paste(doc.get(), range, clip.get(), op == 9 ? kCmdPaste : kCmdWinClipPaste, plain, true, ui);
      }
      if (ch || op == 11) {
        // Overlapping: one channel gets the clip mixed down (or as it is), both channels a clamped sum.
        const uint32_t n = uint32_t(ch ? m.clipMono().size() : m.clipStereo().size() / 2);
        m.growTo(at + n);
        if (ch) {
          const Frames mono = m.clipMono();
          for (uint32_t i = 0; i < n; ++i) {
            int16_t& d = m.f[2 * (at + i) + ch - 1];
            d = op == 11 ? clampSum(d + mono[i]) : mono[i];
          }
        } else {
          const Frames s = m.clipStereo();
          for (size_t i = 0; i < s.size(); ++i) m.f[2 * at + i] = clampSum(m.f[2 * at + i] + s[i]);
        }
      } else {
        if (selection) m.erase(a, b - a + 1);
        m.insert(at, m.clipStereo());
      }
    } else if (!history.empty() && op >= 12) {
      what = "undo";
      UndoOutcome o = UndoCommand(doc.get());
      EXPECT_GE(o.levels, 1);
      m.f = history.back();
      history.pop_back();
      levelsOf.pop_back();
      levels = 0;
    } else {
      continue;
    }
    ASSERT_TRUE(r.status == kEditOk || what == "undo")
        << "step " << step << " " << what << " status " << r.status;
    ++counts[what];
    if (levels) {
      history.push_back(std::move(before));
      levelsOf.push_back(levels);
    }
    testing_util::trimUndoHistory(&history, &levelsOf, doc->undo()->levels.size());
    ASSERT_EQ(doc->lengthFrames(), m.len()) << "step " << step << " " << what;
    ASSERT_EQ(frames(doc.get()), m.f) << "step " << step << " " << what;
    std::vector<uint16_t> heads;
    if (clipboard.clip()) heads.push_back(storage::HfFirstBlock(clipboard.clip()->file()));
    ASSERT_TRUE(storeOk(doc.get(), heads)) << "step " << step << " " << what;
  }
  for (const auto& c : counts) std::printf("  %s: %d\n", c.first.c_str(), c.second);
  while (!history.empty() && !doc->undo()->empty()) {
    UndoCommand(doc.get());
    m.f = history.back();
    history.pop_back();
  }
  EXPECT_EQ(frames(doc.get()), m.f);
}

}  // namespace
}  // namespace document
