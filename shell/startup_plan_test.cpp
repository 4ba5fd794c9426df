#include "shell/startup_plan.h"

#include <gtest/gtest.h>

namespace shell {
namespace {

using Cmds = std::vector<PostedCommand>;

TEST(StartupPlan, FirstInstanceReopensTheWindows) {
  StartupFacts f;
  f.cueList = f.playList = f.analyzer = 1;
  EXPECT_EQ(planStartupCommands(f).commands, (Cmds{{137, 0}, {136, 0}, {5060, 0}}));
}

TEST(StartupPlan, SecondInstanceReopensNothing) {
  StartupFacts f;
  f.firstInstance = false;
  f.cueList = f.playList = f.analyzer = 1;
  EXPECT_TRUE(planStartupCommands(f).commands.empty());
}

TEST(StartupPlan, OnlyTheOpenWindows) {
  StartupFacts f;
  f.playList = 1;
  EXPECT_EQ(planStartupCommands(f).commands, (Cmds{{136, 0}}));
}

struct VfCase {
  int result;
  Cmds expected;
};

class StartupPlanStore : public ::testing::TestWithParam<VfCase> {};

TEST_P(StartupPlanStore, SettingsPageAfterStoreWarning) {
  StartupFacts f;
  f.vfInitResult = GetParam().result;
  EXPECT_EQ(planStartupCommands(f).commands, GetParam().expected) << GetParam().result;
}

INSTANTIATE_TEST_SUITE_P(Table, StartupPlanStore,
                         ::testing::Values(VfCase{0, {}}, VfCase{20, {{3290, 0}}}, VfCase{21, {{3290, 1}}},
                                           VfCase{4, {{3290, 0}}}, VfCase{13, {{3290, 0}}}));

TEST(StartupPlan, HardStoreFailures) {
  EXPECT_FALSE(vfInitFailed(0));
  EXPECT_FALSE(vfInitFailed(20));
  EXPECT_FALSE(vfInitFailed(21));
  for (int r : {2, 4, 12, 13, 1}) EXPECT_TRUE(vfInitFailed(r)) << r;
}

TEST(StartupPlan, ClipModePastesLast) {
  StartupFacts f;
  f.clipMode = true;
  f.cueList = 1;
  f.vfInitResult = 20;
  EXPECT_EQ(planStartupCommands(f).commands, (Cmds{{137, 0}, {3290, 0}, {2100, 0}}));
}

struct PlayCase {
  bool autoPlayOnLoad;
  char override_;
  bool opened, hasSamples;
  bool play;
};

class StartupPlanAutoplay : public ::testing::TestWithParam<PlayCase> {};

TEST_P(StartupPlanAutoplay, PlayPostedOnlyWhenAllowed) {
  const PlayCase& c = GetParam();
  StartupFacts f;
  f.hadPendingName = true;
  f.documentOpened = c.opened;
  f.documentHasSamples = c.hasSamples;
  f.autoPlayOnLoad = c.autoPlayOnLoad;
  f.autoplayOverride = c.override_;
  f.cueList = 1;
  StartupPlan p = planStartupCommands(f);
  bool posted = !p.commands.empty() && p.commands.front().id == 199;
  EXPECT_EQ(posted, c.play);
  EXPECT_EQ(p.setAutoplayMarker, c.play);  // the marker only goes with a posted Play
  EXPECT_EQ(p.autoplayOverrideAfter, c.play ? ' ' : c.override_);
  EXPECT_EQ(p.commands.back().id, 137);  // Play comes before the reopened windows
}

INSTANTIATE_TEST_SUITE_P(Table, StartupPlanAutoplay,
                         ::testing::Values(PlayCase{true, ' ', true, true, true},
                                           PlayCase{true, 'N', true, true, false},
                                           PlayCase{false, 'Y', true, true, true},
                                           PlayCase{false, ' ', true, true, false},
                                           PlayCase{true, ' ', true, false, false},   // no samples
                                           PlayCase{true, 'Y', false, false, false},  // open failed
                                           PlayCase{true, 'X', true, true, true}));

TEST(StartupPlan, OsGeneration) {
  EXPECT_EQ(osGeneration(3, 10), 1);
  EXPECT_EQ(osGeneration(3, 50), 2);
  EXPECT_EQ(osGeneration(3, 95), 2);
  EXPECT_EQ(osGeneration(4, 0), 3);
  EXPECT_EQ(osGeneration(6, 1), 3);
  EXPECT_EQ(osGeneration(10, 0), 3);
}

TEST(StartupPlan, PlacementFirstAndSecondInstance) {
  PlacementInput in;
  in.xLoc = 100;
  in.yLoc = 50;
  in.frameLeft = in.frameRight = 4;
  in.frameTop = 42;
  in.frameBottom = 4;
  Placement p = placeMainWindow(in);
  EXPECT_EQ(p.x, 100);
  EXPECT_EQ(p.y, 50);
  EXPECT_EQ(p.width, 610 + 8);
  EXPECT_EQ(p.height, 340 + 4 + 46 - 4);
  in.osGen = 2;
  EXPECT_EQ(placeMainWindow(in).height, 340 + 5 + 46 - 4);
  in.firstInstance = false;
  Placement q = placeMainWindow(in);
  EXPECT_EQ(q.x, kDefaultPosition);
  EXPECT_EQ(q.y, 0);
}

TEST(StartupPlan, PlacementClampedToTheScreen) {
  PlacementInput in;
  in.xLoc = 5000;
  in.yLoc = 4000;
  in.screenWidth = 1024;
  in.screenHeight = 768;
  Placement p = placeMainWindow(in);
  EXPECT_EQ(p.x, 994);
  EXPECT_EQ(p.y, 738);
  in.xLoc = kDefaultPosition;
  in.yLoc = 0;
  EXPECT_EQ(placeMainWindow(in).x, kDefaultPosition);
  in.xLoc = -1500;  // a monitor to the left stays reachable
  EXPECT_EQ(placeMainWindow(in).x, -1500);
}

}  // namespace
}  // namespace shell
