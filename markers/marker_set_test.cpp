// Tests of the marker set: ids and text limits, the play list, and the rules that carry cues through
// deletions, insertions, stretch replacements, rate changes and merges.
#include "markers/marker_set.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace markers {
namespace {

struct Spot {
  uint32_t position, length;
  bool operator==(const Spot& o) const { return position == o.position && length == o.length; }
};
constexpr Spot kGone{0xDEAD, 0xDEAD};

std::ostream& operator<<(std::ostream& os, const Spot& s) {
  if (s == kGone) return os << "gone";
  return os << s.position << "+" << s.length;
}

Spot spotOf(const MarkerSet& set, uint32_t id) {
  const Cue* c = set.findCue(id);
  return c ? Spot{c->position, c->length} : kGone;
}

// One cue before and after one adjustment.
struct Case {
  const char* what;
  Spot cue;
  Spot expected;
};

void runCases(const std::vector<Case>& cases, void (*adjust)(MarkerSet&)) {
  for (const Case& c : cases) {
    MarkerSet set;
    ASSERT_TRUE(set.addCue(1, c.cue.position, c.cue.length));
    adjust(set);
    EXPECT_EQ(spotOf(set, 1), c.expected) << c.what;
  }
}

TEST(MarkerSetAdjust, DeletingFrames100To199) {
  runCases(
      {
          {"range wholly inside goes", {120, 31}, kGone},
          {"range exactly the deletion goes", {100, 100}, kGone},
          {"point inside goes", {150, 0}, kGone},
          {"point on the last deleted frame goes", {199, 0}, kGone},
          {"point on the first deleted frame stays", {100, 0}, {100, 0}},
          {"point on the first frame after moves to the edit point", {200, 0}, {100, 0}},
          {"point after moves back", {300, 0}, {200, 0}},
          {"point before stays", {99, 0}, {99, 0}},
          {"range ending inside is cut at the edit point", {50, 100}, {50, 50}},
          {"range ending just before stays", {50, 50}, {50, 50}},
          {"range containing the deletion shrinks", {50, 200}, {50, 100}},
          {"range ending on the last deleted frame is cut", {50, 150}, {50, 50}},
          {"range starting inside keeps its tail", {150, 100}, {100, 50}},
          {"range starting on the first frame after moves back", {200, 10}, {100, 10}},
      },
      [](MarkerSet& s) { s.adjustForDeletion(100, 100); });
}

TEST(MarkerSetAdjust, Inserting10FramesAt100) {
  runCases(
      {
          {"point at the insertion point becomes a range over the new frames", {100, 0}, {100, 10}},
          {"point before stays", {99, 0}, {99, 0}},
          {"point after moves", {101, 0}, {111, 0}},
          {"range around the insertion grows", {90, 20}, {90, 30}},
          {"range starting at the insertion point grows", {100, 5}, {100, 15}},
          {"range ending just before stays", {90, 10}, {90, 10}},
          {"range after moves", {150, 5}, {160, 5}},
      },
      [](MarkerSet& s) { s.adjustForInsertion(100, 10); });
}

TEST(MarkerSetAdjust, ReplacingStretch100To199By50Frames) {
  runCases(
      {
          {"before stays", {50, 10}, {50, 10}},
          {"point inside maps proportionally", {150, 0}, {125, 0}},
          {"point after moves by the difference", {250, 0}, {200, 0}},
          {"range inside maps both ends, halves up", {120, 20}, {110, 11}},
          {"range over the stretch keeps the outside frames", {90, 120}, {90, 70}},
          {"range after moves", {300, 10}, {250, 10}},
      },
      [](MarkerSet& s) { s.adjustForReplacement(100, 100, 50); });
}

TEST(MarkerSetAdjust, EmptyStretchReplacementIsAnInsertionAndEmptyResultADeletion) {
  MarkerSet a;
  a.addCue(1, 100, 0);
  a.adjustForReplacement(100, 0, 10);  // would divide by zero if taken literally
  EXPECT_EQ(spotOf(a, 1), (Spot{100, 10}));
  MarkerSet b;
  b.addCue(1, 150, 0);
  b.addCue(2, 250, 0);
  b.adjustForReplacement(100, 100, 0);
  EXPECT_EQ(spotOf(b, 1), kGone);
  EXPECT_EQ(spotOf(b, 2), (Spot{150, 0}));
}

TEST(MarkerSetAdjust, RescaleRoundsHalfUpWithoutOverflow) {
  runCases({{"doubles", {1000, 300}, {2000, 600}}}, [](MarkerSet& s) { s.rescale(22050, 44100); });
  runCases({{"3 halves to 2", {3, 3}, {2, 2}}}, [](MarkerSet& s) { s.rescale(44100, 22050); });
  runCases({{"a short range stays a range", {600, 1}, {100, 1}}},
           [](MarkerSet& s) { s.rescale(48000, 8000); });
  runCases({{"large positions", {0x7FFFFFF0u, 0}, {0x7FFFFFF0u, 0}}},
           [](MarkerSet& s) { s.rescale(44100, 44100); });
  runCases({{"saturates", {0xF0000000u, 0}, {0xFFFFFFFFu, 0}}}, [](MarkerSet& s) { s.rescale(1, 2); });
  MarkerSet set;
  EXPECT_FALSE(set.rescale(0, 44100));
}

TEST(MarkerSetAdjust, SuppressionSkipsAdjustments) {
  MarkerSet set;
  set.addCue(1, 300, 0);
  {
    SuppressAdjust off(set);
    set.adjustForDeletion(0, 100);
    set.adjustForInsertion(0, 100);
    set.adjustForReplacement(0, 10, 20);
  }
  EXPECT_EQ(spotOf(set, 1), (Spot{300, 0}));
  set.adjustForDeletion(0, 100);
  EXPECT_EQ(spotOf(set, 1), (Spot{200, 0}));
}

TEST(MarkerSet, MergeSpansBothAndRemovesTheSecond) {
  MarkerSet set;
  set.addCue(1, 100, 10);
  set.addCue(2, 200, 50);
  ASSERT_TRUE(set.mergeCues(1, 2));
  EXPECT_EQ(spotOf(set, 1), (Spot{100, 150}));
  EXPECT_EQ(spotOf(set, 2), kGone);
  set.addCue(3, 110, 5);  // inside the first: length unchanged
  ASSERT_TRUE(set.mergeCues(1, 3));
  EXPECT_EQ(spotOf(set, 1), (Spot{100, 150}));
  set.addCue(4, 50, 0);  // given out of order: still spans both
  ASSERT_TRUE(set.mergeCues(1, 4));
  EXPECT_EQ(spotOf(set, 1), (Spot{50, 200}));
  EXPECT_FALSE(set.mergeCues(1, 1));
  EXPECT_FALSE(set.mergeCues(1, 9));
}

TEST(MarkerSet, IdsAreUniqueAndTheSmallestFreeOneIsOffered) {
  MarkerSet set;
  EXPECT_EQ(set.smallestFreeId(), 1u);
  ASSERT_TRUE(set.addCue(1, 0, 0));
  ASSERT_TRUE(set.addCue(2, 0, 0));
  ASSERT_TRUE(set.addCue(4, 0, 0));
  EXPECT_EQ(set.smallestFreeId(), 3u);
  EXPECT_FALSE(set.addCue(2, 5, 0));
  EXPECT_FALSE(set.addCue(0, 5, 0));
  EXPECT_EQ(set.cueCount(), 3u);
  set.deleteCue(1);
  EXPECT_EQ(set.smallestFreeId(), 1u);
}

TEST(MarkerSet, DefaultsAndTextLimits) {
  MarkerSet set;
  ASSERT_TRUE(set.addCue(7, kKeep, kKeep));
  const Cue* c = set.findCue(7);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->position, 0u);
  EXPECT_EQ(c->length, 0u);
  EXPECT_EQ(c->label, "Cue 7");
  EXPECT_EQ(c->description, "");
  EXPECT_EQ(c->extra, "");
  EXPECT_EQ(c->purpose, FourCc('r', 'g', 'n', ' '));

  const std::string longText(300, 'x');
  ASSERT_TRUE(set.addCue(8, 1, 2, longText.c_str(), longText.c_str()));
  EXPECT_EQ(set.findCue(8)->label.size(), 63u);
  EXPECT_EQ(set.findCue(8)->description.size(), 127u);
  ASSERT_TRUE(set.setCue(8, kKeep, kKeep, nullptr, nullptr, longText.c_str()));
  EXPECT_EQ(set.findCue(8)->extra.size(), 63u);
  EXPECT_EQ(set.findCue(8)->label.size(), 63u);  // null keeps

  ASSERT_TRUE(set.setCue(8, kKeep, kKeep, "a\0b", nullptr, nullptr, FourCc('m', 'a', 'r', 'k')));
  EXPECT_EQ(set.findCue(8)->label, "a");
  EXPECT_EQ(set.findCue(8)->purpose, FourCc('m', 'a', 'r', 'k'));
  ASSERT_TRUE(set.setCue(8, 5, kKeep));  // purpose 0 keeps the current one
  EXPECT_EQ(set.findCue(8)->purpose, FourCc('m', 'a', 'r', 'k'));
  EXPECT_EQ(spotOf(set, 8), (Spot{5, 2}));
  EXPECT_FALSE(set.setCue(99, 1, 1));
}

TEST(MarkerSet, RangesNeverPassTheLastFrame) {
  MarkerSet set;
  ASSERT_TRUE(set.addCue(1, 0xFFFFFFF0u, 100));
  EXPECT_EQ(spotOf(set, 1), (Spot{0xFFFFFFF0u, 16}));
  set.adjustForInsertion(0, 100);
  const Cue* c = set.findCue(1);
  EXPECT_LE(uint64_t(c->position) + c->length, 0x100000000ull);
}

TEST(MarkerSet, CuesStayInPositionOrder) {
  MarkerSet set;
  set.addCue(1, 500, 0);
  set.addCue(2, 100, 0);
  set.addCue(3, 300, 0);
  std::vector<uint32_t> ids;
  for (uint32_t i = 0; i < set.cueCount(); ++i) ids.push_back(set.cueIdAt(i));
  EXPECT_EQ(ids, (std::vector<uint32_t>{2, 3, 1}));
  set.setCue(2, 900, kKeep);
  EXPECT_EQ(set.cueIdAt(2), 2u);
  // A deletion that lands two points on one frame orders them by id.
  MarkerSet tie;
  tie.addCue(5, 100, 0);
  tie.addCue(2, 200, 0);
  tie.adjustForDeletion(100, 100);
  EXPECT_EQ(tie.cueIdAt(0), 2u);
  EXPECT_EQ(tie.cueIdAt(1), 5u);
  EXPECT_EQ(set.cueIdAt(3), 0u);
  EXPECT_EQ(set.cueAt(3), nullptr);
}

TEST(MarkerSet, CapacitiesGrowAsTheChunkReaderExpects) {
  MarkerSet set;
  EXPECT_EQ(set.cueCapacity(), 8u);
  EXPECT_EQ(set.playCapacity(), 16u);
  for (uint32_t id = 1; id <= 9; ++id) set.addCue(id, id, 0);
  EXPECT_EQ(set.cueCapacity(), 16u);
  for (uint32_t i = 0; i < 17; ++i) set.insertPlay(i, 1);
  EXPECT_EQ(set.playCapacity(), 32u);
  MarkerSet given(3, 5);
  EXPECT_EQ(given.cueCapacity(), 3u);
  EXPECT_EQ(given.playCapacity(), 5u);
}

TEST(MarkerSetPlayList, InsertSetDeleteAndPrune) {
  MarkerSet set;
  set.addCue(1, 100, 40);
  set.addCue(2, 300, 0);
  EXPECT_FALSE(set.insertPlay(0, 9));  // unknown cue
  ASSERT_TRUE(set.insertPlay(0, 1));
  PlayEntry e;
  ASSERT_TRUE(set.getPlay(0, &e));
  EXPECT_EQ(std::make_tuple(e.cueId, e.length, e.loops, e.fourth), std::make_tuple(1u, 40u, 1u, 0u));
  ASSERT_TRUE(set.insertPlay(0, 2, 7, 0, 3));  // loops 0 becomes 1
  ASSERT_TRUE(set.getPlay(0, &e));
  EXPECT_EQ(std::make_tuple(e.cueId, e.length, e.loops, e.fourth), std::make_tuple(2u, 7u, 1u, 3u));

  ASSERT_TRUE(set.setPlay(1, kKeep, kKeep, 4));
  ASSERT_TRUE(set.getPlay(1, &e));
  EXPECT_EQ(std::make_tuple(e.cueId, e.length, e.loops), std::make_tuple(1u, 40u, 4u));
  EXPECT_FALSE(set.setPlay(1, 9));            // unknown cue
  ASSERT_TRUE(set.setPlay(50, 1, kKeep, 2));  // past the end appends
  EXPECT_EQ(set.playCount(), 3u);
  ASSERT_TRUE(set.getPlay(2, &e));
  EXPECT_EQ(std::make_tuple(e.cueId, e.length, e.loops), std::make_tuple(1u, 40u, 2u));
  EXPECT_FALSE(set.setPlay(50, kKeep));
  EXPECT_FALSE(set.getPlay(3, &e));

  // The point cue's entry and the entries of a deleted cue go when the list is refreshed.
  set.addCue(3, 500, 10);
  set.insertPlay(0, 3);
  set.deleteCue(3);
  EXPECT_EQ(set.prunePlayList(), 2u);
  EXPECT_EQ(set.playCount(), 2u);
  EXPECT_TRUE(set.deletePlay(0));
  EXPECT_FALSE(set.deletePlay(5));
  EXPECT_EQ(set.playCount(), 1u);
}

TEST(MarkerSet, ListenerHearsChangesAndRemovals) {
  struct Heard {
    uint32_t index;
    int64_t position;
    uint32_t length;
    int kind;
    bool operator==(const Heard& o) const {
      return index == o.index && position == o.position && length == o.length && kind == o.kind;
    }
  };
  std::vector<Heard> heard;
  MarkerSet set;
  set.setListener([&](uint32_t i, int64_t p, uint32_t n, int k) { heard.push_back({i, p, n, k}); });
  set.addCue(1, 50, 0);
  set.addCue(2, 120, 10);
  set.addCue(3, 300, 0);
  heard.clear();
  set.adjustForDeletion(100, 100);  // 2 removed (index 2), 3 moves to 200 and is then second
  ASSERT_EQ(heard.size(), 2u);
  EXPECT_TRUE((heard[0] == Heard{2, -1, 0, kCueKindPoint}));
  EXPECT_TRUE((heard[1] == Heard{2, 200, 0, kCueKindPoint}));
  heard.clear();
  set.adjustForInsertion(50, 5);
  ASSERT_EQ(heard.size(), 2u);
  EXPECT_TRUE((heard[0] == Heard{1, 50, 5, kCueKindRange}));
  EXPECT_TRUE((heard[1] == Heard{2, 205, 0, kCueKindPoint}));
}

}  // namespace
}  // namespace markers
