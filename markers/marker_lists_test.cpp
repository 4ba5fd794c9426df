// Cue list and play list window logic: list lines, titles, Add, Merge, Delete, Add Before, loop counts and
// where play-list playback starts.
#include "markers/marker_lists.h"

#include <gtest/gtest.h>

namespace markers {
namespace {

std::string samples(int64_t frames) {
  return std::to_string(frames);
}

TEST(MarkerLists, CueLinesShowStartEndLabelAndId) {
  Cue point;
  point.id = 3;
  point.position = 200;
  point.label = "Cue 3";
  EXPECT_EQ(CueListLine(point, samples), " 200\t Cue 3 \t\t[3]");
  Cue range;
  range.id = 12;
  range.position = 100;
  range.length = 50;
  range.label = "Verse one";
  EXPECT_EQ(CueListLine(range, samples), " 100 to 149\t Verse one \t\t[12]");
  // The end is the last frame of the range, formatted like the start.
  range.position = 0;
  range.length = 1;
  EXPECT_EQ(CueListLine(range, [](int64_t f) { return "<" + std::to_string(f) + ">"; }),
            " <0> to <0>\t Verse one \t\t[12]");
}

TEST(MarkerLists, PlayLinesShowLoopsAndLabel) {
  MarkerSet set;
  ASSERT_TRUE(set.addCue(1, 10, 90, "Intro"));
  PlayEntry e;
  e.cueId = 1;
  e.loops = 4;
  EXPECT_EQ(PlayListLine(e, set), "(4)\tIntro");
  e.cueId = 9;  // a cue that went: no label
  EXPECT_EQ(PlayListLine(e, set), "(4)\t");
}

TEST(MarkerLists, WindowTitles) {
  struct Case {
    const char* main;
    bool doc;
    const char* want;
  };
  const Case cases[] = {
      {"tone.wav - Sorn Edit", true, "Cue List - tone.wav"},
      {"tone.wav* - Sorn Edit", true, "Cue List - tone.wav*"},
      {"Untitled - Sorn Edit", true, "Cue List - Untitled"},
      {"a - b.wav;2 - Sorn Edit", true, "Cue List - a - b.wav;2"},
      {"Sorn Edit", false, "Cue List / Ranges"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ListWindowTitle("Cue List", "Cue List / Ranges", c.main, "Sorn Edit", c.doc), c.want) << c.main;
}

TEST(MarkerLists, AddMakesARangeOrAPointWithTheSmallestFreeId) {
  MarkerSet set;
  ASSERT_TRUE(set.addCue(1, 5, 0));
  ASSERT_TRUE(set.addCue(3, 7, 0));
  EXPECT_EQ(AddCueForSelection(set, 100, 199), 2u);
  const Cue* c = set.findCue(2);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->position, 100u);
  EXPECT_EQ(c->length, 100u);
  EXPECT_EQ(c->label, "Cue 2");
  EXPECT_EQ(AddCueForSelection(set, 300, 299), 4u);  // a cursor: point marker
  EXPECT_EQ(set.findCue(4)->length, 0u);
  EXPECT_EQ(set.findCue(4)->position, 300u);
  EXPECT_EQ(AddCueForSelection(set, 50, -1), 5u);  // "no selection" end of -1
  EXPECT_EQ(set.findCue(5)->length, 0u);
  EXPECT_EQ(AddCueAt(set, 4410), 6u);
  EXPECT_EQ(set.findCue(6)->position, 4410u);
  EXPECT_EQ(set.findCue(6)->length, 0u);
  // A single-frame selection is a range of one frame, not a point.
  EXPECT_EQ(AddCueForSelection(set, 9, 9), 7u);
  EXPECT_EQ(set.findCue(7)->length, 1u);
}

TEST(MarkerLists, MergeTakesListOrder) {
  MarkerSet set;
  ASSERT_TRUE(set.addCue(1, 200, 50));
  ASSERT_TRUE(set.addCue(2, 100, 10));
  // Selected as [1, 2] but cue 2 comes first in the list: 2 absorbs 1.
  EXPECT_TRUE(MergeSelectedCues(set, {1, 2}));
  EXPECT_EQ(set.cueCount(), 1u);
  const Cue* c = set.findCue(2);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->position, 100u);
  EXPECT_EQ(c->length, 150u);
  EXPECT_FALSE(MergeSelectedCues(set, {2}));
  EXPECT_FALSE(MergeSelectedCues(set, {2, 2}));
  EXPECT_FALSE(MergeSelectedCues(set, {2, 7}));
  ASSERT_TRUE(set.addCue(3, 10, 0));
  ASSERT_TRUE(set.addCue(4, 20, 0));
  EXPECT_FALSE(MergeSelectedCues(set, {2, 3, 4}));
  EXPECT_EQ(set.cueCount(), 3u);
}

TEST(MarkerLists, DeleteRemovesEverySelectedCue) {
  MarkerSet set;
  for (uint32_t id = 1; id <= 4; ++id) ASSERT_TRUE(set.addCue(id, id * 10, 0));
  EXPECT_EQ(DeleteCues(set, {2, 4, 9}), 2u);
  EXPECT_EQ(set.cueCount(), 2u);
  EXPECT_NE(set.findCue(1), nullptr);
  EXPECT_NE(set.findCue(3), nullptr);
}

TEST(MarkerLists, AddBeforeInsertsRangesInOrder) {
  MarkerSet set;
  ASSERT_TRUE(set.addCue(1, 0, 100, "A"));
  ASSERT_TRUE(set.addCue(2, 100, 100, "B"));
  ASSERT_TRUE(set.addCue(3, 300, 0, "point"));
  ASSERT_TRUE(set.addCue(4, 400, 50, "D"));
  EXPECT_EQ(InsertCuesBefore(set, 0, {4}), 1u);        // empty list: appended
  EXPECT_EQ(InsertCuesBefore(set, 0, {1, 3, 2}), 2u);  // before D; the point marker is skipped
  EXPECT_EQ(InsertCuesBefore(set, 99, {1}), 1u);       // "[End]": at the end
  std::vector<uint32_t> order;
  for (uint32_t i = 0; i < set.playCount(); ++i) {
    PlayEntry e;
    ASSERT_TRUE(set.getPlay(i, &e));
    order.push_back(e.cueId);
    EXPECT_EQ(e.loops, 1u);
    EXPECT_EQ(e.length, set.findCue(e.cueId)->length);
  }
  EXPECT_EQ(order, (std::vector<uint32_t>{1, 2, 4, 1}));
  EXPECT_EQ(InsertCuesBefore(set, 0, {77}), 0u);
}

TEST(MarkerLists, LoopCounts) {
  struct Case {
    const char* text;
    uint32_t loops;
  };
  const Case cases[] = {{"3", 3}, {" 12", 12}, {"0", 1},  {"-5", 1},
                        {"", 1},  {"abc", 1},  {"7x", 7}, {"99999999999", 0xFFFFFFFFu}};
  for (const Case& c : cases) EXPECT_EQ(ParseLoopCount(c.text), c.loops) << c.text;
}

TEST(MarkerLists, PlaybackStartAndAutoCue) {
  EXPECT_EQ(PlayStartIndex(1, 3), 1);
  EXPECT_EQ(PlayStartIndex(3, 3), 0);   // "[End]"
  EXPECT_EQ(PlayStartIndex(-1, 3), 0);  // nothing selected
  EXPECT_EQ(PlayStartIndex(0, 0), -1);
  EXPECT_EQ(NextAutoCueIndex(0, 3), 1);
  EXPECT_EQ(NextAutoCueIndex(2, 3), 0);
  EXPECT_EQ(NextAutoCueIndex(3, 3), 0);
  EXPECT_EQ(NextAutoCueIndex(0, 0), -1);
}

}  // namespace
}  // namespace markers
