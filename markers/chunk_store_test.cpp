// Chunk store: order, case-insensitive lookup by list type and id, replace-or-add, removal by type index.
#include "markers/chunk_store.h"

#include <gtest/gtest.h>

namespace markers {
namespace {

TEST(ChunkStore, LookupIgnoresCaseAndCountsPerListType) {
  ChunkStore s;
  s.add("INFO", "IART", "me", 3, 1);
  s.add("WAVE", "smpl", "\1\2", 2, 0);
  s.add("info", "ICMT", "hi", 3, 1);
  ASSERT_EQ(s.size(), 3u);
  ASSERT_NE(s.nth("Info", 1), nullptr);
  EXPECT_EQ(s.nth("Info", 1)->chunkId, "ICMT");
  EXPECT_EQ(s.nth("", 1)->chunkId, "smpl");
  EXPECT_EQ(s.nth("INFO", 2), nullptr);
  ASSERT_NE(s.find("wave", "SMPL"), nullptr);
  EXPECT_EQ(s.find("wave", "SMPL")->bytes.size(), 2u);
  EXPECT_EQ(s.find("INFO", "IART", 1), nullptr);
}

TEST(ChunkStore, ReplaceChangesInPlaceOrAppends) {
  ChunkStore s;
  s.add("INFO", "IART", "a", 2, 1);
  s.add("INFO", "ICMT", "b", 2, 1);
  s.replace("INFO", "iart", 0, "xyz", 4, 1);
  EXPECT_EQ(s.at(0)->bytes, (std::vector<uint8_t>{'x', 'y', 'z', 0}));
  s.replace("INFO", "INAM", 0, "n", 2, 1);
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s.at(2)->chunkId, "INAM");
  EXPECT_TRUE(s.remove("INFO", 1));
  EXPECT_EQ(s.at(1)->chunkId, "INAM");
  EXPECT_FALSE(s.remove("WAVE", 0));
}

}  // namespace
}  // namespace markers
