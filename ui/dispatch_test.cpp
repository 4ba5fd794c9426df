#include "ui/dispatch.h"

#include <gtest/gtest.h>

#include <vector>

namespace ui {
namespace {

TEST(Dispatch, RegisteredCommandRunsAndOthersAreGreyed) {
  CommandTable t;
  std::vector<std::pair<int, intptr_t>> calls;
  t.setHandler(1100, [&](int id, intptr_t p) { calls.push_back({id, p}); });
  EXPECT_TRUE(t.isAvailable(1100));
  EXPECT_FALSE(t.isAvailable(1050));
  EXPECT_TRUE(t.dispatch(1100, 7));
  EXPECT_FALSE(t.dispatch(1050, 0));
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].first, 1100);
  EXPECT_EQ(calls[0].second, 7);
  t.setHandler(1100, nullptr);
  EXPECT_FALSE(t.isAvailable(1100));
}

TEST(Dispatch, OnlyTheLowWordIsTheCommand) {
  CommandTable t;
  int hits = 0;
  t.setHandler(3290, [&](int id, intptr_t) { hits += id == 3290; });
  EXPECT_TRUE(t.dispatch(0x10000 | 3290, 0));
  EXPECT_EQ(hits, 1);
}

TEST(Dispatch, TransformsByIndex) {
  CommandTable t;
  std::vector<int> indices;
  t.setTransformHandler([] { return 3; }, [&](int i, intptr_t) { indices.push_back(i); });
  EXPECT_TRUE(t.dispatch(7000, 0));
  EXPECT_TRUE(t.dispatch(7002, 0));
  EXPECT_FALSE(t.dispatch(7003, 0));  // past the installed transforms
  EXPECT_FALSE(t.dispatch(7999, 0));  // toolbar press
  EXPECT_FALSE(t.dispatch(8999, 0));
  EXPECT_EQ(indices, (std::vector<int>{0, 2}));
  EXPECT_FALSE(t.isAvailable(7003));
}

TEST(Dispatch, TransformRangeIsNotTheTable) {
  CommandTable t;
  int hits = 0;
  t.setHandler(7001, [&](int, intptr_t) { ++hits; });
  EXPECT_FALSE(t.dispatch(7001, 0));
  EXPECT_EQ(hits, 0);
}

TEST(Dispatch, RecentFilesByNumber) {
  CommandTable t;
  std::vector<int> seen;
  EXPECT_FALSE(t.isAvailable(14000));
  t.setRecentFileHandler([&](int n) { seen.push_back(n); });
  EXPECT_TRUE(t.dispatch(14000, 0));
  EXPECT_TRUE(t.dispatch(14020, 0));
  EXPECT_FALSE(t.dispatch(14021, 0));
  EXPECT_EQ(seen, (std::vector<int>{0, 20}));
}

TEST(Dispatch, AfterCommandRunsOnlyForHandledCommands) {
  CommandTable t;
  std::vector<int> after;
  t.setHandler(199, [](int, intptr_t) {});
  t.setAfterCommand([&](int id) { after.push_back(id); });
  t.dispatch(199, 0);
  t.dispatch(198, 0);
  EXPECT_EQ(after, (std::vector<int>{199}));
}

TEST(Dispatch, HandlerMayReplaceItselfWhileRunning) {
  CommandTable t;
  int first = 0, second = 0;
  t.setHandler(5, [&](int, intptr_t) {
    ++first;
    t.setHandler(5, [&](int, intptr_t) { ++second; });
  });
  t.dispatch(5, 0);
  t.dispatch(5, 0);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 1);
}

TEST(Dispatch, GlobalTable) {
  commandTable().clear();
  int hits = 0;
  registerCommand(1051, [&](int, intptr_t) { ++hits; });
  EXPECT_TRUE(isCommandAvailable(1051));
  EXPECT_TRUE(dispatchCommand(1051, 0));
  EXPECT_EQ(hits, 1);
  commandTable().clear();
  EXPECT_FALSE(isCommandAvailable(1051));
}

}  // namespace
}  // namespace ui
