// Randomized test of the marker set against a model that knows nothing of the adjustment rules: the wave
// is a row of frames, each carrying the set of ranges it belongs to, and a point marker sits before one
// frame. Deleting frames deletes them from the row; inserting frames puts new frames into the row (inside
// a range they join it, at a point they make it a range). Every cue's position and length must then equal
// what the row says, after every step.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <random>
#include <vector>

#include "markers/marker_set.h"
#include "platform/test_scale.h"

namespace markers {
namespace {

using platform::testScale;

struct ModelCue {
  bool point;
  uint32_t pointAt;  // points only
};

class Model {
 public:
  // Ranges live in the frames' masks, one bit per slot; a slot is a cue id here (ids 1..63).
  std::vector<uint64_t> frames;
  std::map<uint32_t, ModelCue> cues;

  bool span(uint32_t id, uint32_t* s, uint32_t* n) const {
    const ModelCue& c = cues.at(id);
    if (c.point) {
      *s = c.pointAt;
      *n = 0;
      return true;
    }
    const uint64_t bit = 1ull << id;
    int64_t first = -1, last = -1;
    for (size_t f = 0; f < frames.size(); ++f) {
      if (!(frames[f] & bit)) continue;
      if (first < 0) first = int64_t(f);
      if (last >= 0 && last != int64_t(f) - 1) return false;  // not contiguous
      last = int64_t(f);
    }
    if (first < 0) return false;
    *s = uint32_t(first);
    *n = uint32_t(last - first + 1);
    return true;
  }

  void setRange(uint32_t id, uint32_t s, uint32_t n) {
    const uint64_t bit = 1ull << id;
    for (auto& m : frames) m &= ~bit;
    for (uint32_t f = s; f < s + n; ++f) frames[f] |= bit;
    cues[id] = ModelCue{n == 0, s};
  }

  void deleteFrames(uint32_t p, uint32_t count) {
    frames.erase(frames.begin() + p, frames.begin() + p + count);
    for (auto it = cues.begin(); it != cues.end();) {
      ModelCue& c = it->second;
      bool gone = false;
      if (c.point) {
        // The point before frame s goes with that frame, unless it sits at the edit point itself.
        if (c.pointAt > p && c.pointAt < p + count)
          gone = true;
        else if (c.pointAt >= p + count)
          c.pointAt -= count;
      } else {
        bool any = false;
        for (uint64_t m : frames) any |= (m >> it->first) & 1;
        gone = !any;
      }
      it = gone ? cues.erase(it) : std::next(it);
    }
  }

  void insertFrames(uint32_t p, uint32_t count) {
    uint64_t joined = 0;
    for (auto& [id, c] : cues) {
      uint32_t s = 0, n = 0;
      span(id, &s, &n);
      if (!c.point && s <= p && p < s + n) joined |= 1ull << id;
    }
    frames.insert(frames.begin() + p, count, joined);
    for (auto& [id, c] : cues) {
      if (!c.point) continue;
      if (c.pointAt == p) {
        c.point = false;
        for (uint32_t f = p; f < p + count; ++f) frames[f] |= 1ull << id;
      } else if (c.pointAt > p) {
        c.pointAt += count;
      }
    }
  }
};

TEST(MarkerSetRandom, FollowsAFrameModel) {
  const unsigned seed = std::random_device{}();
  std::printf("marker set random seed %u\n", seed);
  std::mt19937 rng(seed);
  auto pick = [&](uint32_t lo, uint32_t hi) { return std::uniform_int_distribution<uint32_t>(lo, hi)(rng); };

  const int steps = 1000 * testScale();
  MarkerSet set;
  Model model;
  model.frames.assign(300, 0);
  for (int step = 0; step < steps; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    const uint32_t len = uint32_t(model.frames.size());
    const uint32_t op = pick(0, 9);
    if (op <= 2) {  // add a cue with a random id, sometimes one in use
      const uint32_t id = pick(0, 3) == 0 ? pick(1, 63) : set.smallestFreeId();
      if (id > 63) continue;  // the model has 63 slots
      const uint32_t s = pick(0, len);
      const uint32_t n = (s < len && pick(0, 1)) ? pick(1, len - s) : 0;
      const bool fresh = !model.cues.count(id);
      ASSERT_EQ(set.addCue(id, s, n), fresh);
      if (fresh) model.setRange(id, s, n);
    } else if (op == 3 && !model.cues.empty()) {  // delete a cue
      auto it = std::next(model.cues.begin(), pick(0, uint32_t(model.cues.size() - 1)));
      ASSERT_TRUE(set.deleteCue(it->first));
      model.setRange(it->first, 0, 0);
      model.cues.erase(it->first);
    } else if (op == 4 && model.cues.size() >= 2) {  // merge two
      auto a = std::next(model.cues.begin(), pick(0, uint32_t(model.cues.size() - 1)));
      auto b = std::next(model.cues.begin(), pick(0, uint32_t(model.cues.size() - 1)));
      if (a == b) continue;
      uint32_t as = 0, an = 0, bs = 0, bn = 0;
      model.span(a->first, &as, &an);
      model.span(b->first, &bs, &bn);
      const uint32_t s = std::min(as, bs), e = std::max(as + an, bs + bn);
      const uint32_t bid = b->first;
      ASSERT_TRUE(set.mergeCues(a->first, bid));
      model.setRange(bid, 0, 0);
      model.cues.erase(bid);
      model.setRange(a->first, s, e - s);
    } else if (op <= 6 && len > 0) {  // delete frames
      const uint32_t p = pick(0, len - 1);
      const uint32_t count = pick(1, std::min(len - p, 60u));
      set.adjustForDeletion(p, count);
      model.deleteFrames(p, count);
    } else if (len < 1500) {  // insert frames
      const uint32_t p = pick(0, len);
      const uint32_t count = pick(1, 40);
      set.adjustForInsertion(p, count);
      model.insertFrames(p, count);
    }

    ASSERT_EQ(set.cueCount(), model.cues.size());
    for (uint32_t i = 0; i < set.cueCount(); ++i) {
      const Cue* c = set.cueAt(i);
      ASSERT_TRUE(model.cues.count(c->id)) << "unexpected cue " << c->id;
      uint32_t s = 0, n = 0;
      ASSERT_TRUE(model.span(c->id, &s, &n)) << "model range of cue " << c->id << " broken";
      ASSERT_EQ(c->position, s) << "cue " << c->id;
      ASSERT_EQ(c->length, n) << "cue " << c->id;
      if (i > 0) {
        const Cue* prev = set.cueAt(i - 1);
        ASSERT_TRUE(prev->position < c->position || (prev->position == c->position && prev->id < c->id));
      }
    }
  }
}

}  // namespace
}  // namespace markers
