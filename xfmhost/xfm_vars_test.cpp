// Variables blocks: layout, bounded copies, nested handles and the profile text against hand-made bytes.
#include "xfmhost/xfm_vars.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "xfmhost/xfm_info.h"
#include "xfmhost/xfm_test_util.h"

namespace xfmhost {
namespace {

class FakeGraphs : public GraphStore {
 public:
  std::map<uint16_t, std::vector<GraphPoint>> graphs;
  bool points(uint16_t h, std::vector<GraphPoint>* p) const override {
    auto it = graphs.find(h);
    if (it == graphs.end()) return false;
    *p = it->second;
    return true;
  }
  bool setPoints(uint16_t h, const std::vector<GraphPoint>& p) override {
    if (!graphs.count(h)) return false;
    graphs[h] = p;
    return true;
  }
};

TEST(XfmVarsTest, LayoutIsPackedInTypeOrder) {
  std::vector<VarField> f = fieldLayout("bcdfGhils");
  const uint32_t offsets[] = {0, 4, 5, 13, 17, 19, 23, 25, 29};
  ASSERT_EQ(f.size(), 9u);
  for (size_t i = 0; i < f.size(); ++i) EXPECT_EQ(f[i].offset, offsets[i]) << i;
  EXPECT_EQ(f[4].type, 'g');
  EXPECT_EQ(f[8].size, 256u);
  EXPECT_EQ(fieldLayout("l?l")[1].offset, 4u);  // a letter that is no type takes no room
}

TEST(XfmVarsTest, CopiesStayInsideTheBlock) {
  std::vector<uint8_t> block(100, 0);
  uint8_t buf[200] = {1, 2, 3, 4};
  const struct {
    uint32_t offset, length;
    bool ok;
  } table[] = {{0, 100, true},  {99, 1, true},      {100, 0, true},     {100, 1, false},   {0, 101, false},
               {50, 51, false}, {0x10000, 4, true}, {0xffff, 2, false}, {4, 0x10004, true}};
  for (const auto& t : table) {
    EXPECT_EQ(blockWrite(block.data(), block.size(), buf, t.offset, t.length), t.ok)
        << t.offset << "+" << t.length;
    EXPECT_EQ(blockRead(block.data(), block.size(), buf, t.offset, t.length), t.ok)
        << t.offset << "+" << t.length;
  }
  EXPECT_FALSE(blockRead(nullptr, 0, buf, 0, 0));
  std::vector<uint8_t> b(8, 0);
  uint8_t src[3] = {7, 8, 9};
  ASSERT_TRUE(blockWrite(b.data(), b.size(), src, 5, 3));
  EXPECT_EQ(b, (std::vector<uint8_t>{0, 0, 0, 0, 0, 7, 8, 9}));
  EXPECT_FALSE(blockWrite(b.data(), b.size(), src, 6, 3));
  EXPECT_EQ(b[6], 8);  // a refused copy writes nothing
}

TEST(XfmVarsTest, FifteenNestedHandles) {
  NestedSlots s;
  for (int i = 1; i <= 15; ++i) EXPECT_EQ(s.claim(), i);
  EXPECT_EQ(s.claim(), 0);
  s.release(7);
  EXPECT_FALSE(s.used(7));
  EXPECT_EQ(s.claim(), 7);
  s.release(0);
  s.release(16);
  EXPECT_TRUE(s.used(15));
}

// A block of type "bcdfgils" written by hand: b 0x12345678, c 200, d 0.5, f 2.25, g handle 3, i -5,
// l -100000, s "a,b".
Bytes handBlock() {
  Bytes b(4 + 1 + 8 + 4 + 2 + 2 + 4 + 256);
  b.u32(0, 0x12345678);
  b.v[4] = 200;
  b.u32(5, 0x00000000);
  b.u32(9, 0x3fe00000);   // 0.5
  b.u32(13, 0x40100000);  // 2.25f
  b.u16(17, 3);
  b.u16(19, 0xfffb);
  b.u32(21, 0xfffe7960);
  b.text(25, "a,b");
  return b;
}

TEST(XfmVarsTest, ProfileTextOfAHandMadeBlock) {
  FakeGraphs g;
  g.graphs[3] = {{0, 50}, {16384, 50}};
  Bytes b = handBlock();
  EXPECT_EQ(encodeProfile("bcdfgils", b.v.data(), b.v.size(), &g),
            "22136,200,0.5,2.25,2,0,50,16384,50,-5,-100000,a\x8c"
            "b");
  EXPECT_EQ(encodeProfile("", b.v.data(), b.v.size(), &g), "");
  EXPECT_EQ(encodeProfile("lhl", b.v.data(), b.v.size(), &g), "305419896,-536870912");  // h is not written
}

TEST(XfmVarsTest, ProfileTextIntoAHandMadeBlock) {
  FakeGraphs g;
  g.graphs[3] = {{0, 1}, {10, 1}};
  Bytes b = handBlock();
  ProfileRead r = decodeProfile("70000,-1,-2.5,0.125,3,0,9,5,8,100,7,123,4,x\x8cy", "bcdfgils", b.v.data(),
                                b.v.size(), &g);
  EXPECT_TRUE(r.complete);
  EXPECT_EQ(r.fieldsRead, 8u);
  Bytes want = handBlock();
  want.u32(0, 70000 & 0xffff);  // the profile keeps only the low 16 bits and clears the high half
  want.v[4] = 0xff;
  want.u32(5, 0);
  want.u32(9, 0xc0040000);   // -2.5
  want.u32(13, 0x3e000000);  // 0.125f
  want.u16(19, 123);
  want.u32(21, 4);
  std::memset(want.v.data() + 25, 0, 256);
  want.text(25, "x,y");
  EXPECT_EQ(b.v, want.v);
  EXPECT_EQ(g.graphs[3], (std::vector<GraphPoint>{{0, 9}, {5, 8}, {100, 7}}));
}

TEST(XfmVarsTest, ShortOrBadTextsStopAndKeepTheRest) {
  Bytes b(12);
  b.u32(0, 1);
  b.u32(4, 2);
  b.u32(8, 3);
  ProfileRead r = decodeProfile("10", "lll", b.v.data(), b.v.size(), nullptr);
  EXPECT_FALSE(r.complete);
  EXPECT_EQ(r.fieldsRead, 1u);
  EXPECT_EQ(b.v[0], 10);
  EXPECT_EQ(b.v[4], 2);
  r = decodeProfile("11,x,13", "lll", b.v.data(), b.v.size(), nullptr);
  EXPECT_EQ(r.fieldsRead, 1u);
  EXPECT_EQ(b.v[8], 3);
  r = decodeProfile("", "lll", b.v.data(), b.v.size(), nullptr);
  EXPECT_EQ(r.fieldsRead, 0u);
  // A block smaller than its type string: the fields that do not fit are never touched.
  r = decodeProfile("1,2,3", "lll", b.v.data(), 8, nullptr);
  EXPECT_EQ(r.fieldsRead, 2u);
  EXPECT_EQ(b.v[8], 3);
}

TEST(XfmVarsTest, BadGraphsAreRejectedAndTheOldOneKept) {
  FakeGraphs g;
  const std::vector<GraphPoint> old = {{0, 1}, {100, 2}};
  g.graphs[0] = old;
  g.graphs[1] = old;
  Bytes b(6);
  b.u16(0, 0);
  b.u16(2, 1);
  b.u16(4, 0);
  const struct {
    const char* text;
    size_t read;
    size_t rejected;
  } table[] = {
      {"1,0,5,7", 1, 1},   // one point: skipped; then 7 points that are not there
      {"70,0,5,7", 0, 0},  // count 70: the rest cannot be told apart
      {"-2,0,5", 0, 0},
      {"3,0,1,50,2,50,3,2,0,1,100,2,9", 3, 1},  // x not increasing: skipped, the next graph read
      {"2,0,1,0,2,2,0,1,100,2,9", 3, 1},        // equal x
      {"0,2,0,7,100,8,9", 3, 1},                // no points: nothing set, reading goes on
  };
  for (const auto& t : table) {
    g.graphs[0] = old;
    g.graphs[1] = old;
    ProfileRead r = decodeProfile(t.text, "ggi", b.v.data(), b.v.size(), &g);
    EXPECT_EQ(r.fieldsRead, t.read) << t.text;
    EXPECT_EQ(r.graphsRejected, t.rejected) << t.text;
    EXPECT_EQ(g.graphs[0], old) << t.text;
  }
  EXPECT_EQ(g.graphs[1], (std::vector<GraphPoint>{{0, 7}, {100, 8}}));
}

TEST(XfmVarsTest, StringsAreCutAt255) {
  Bytes b(256);
  std::memset(b.v.data(), 'z', 256);
  std::string longText(300, 'q');
  decodeProfile(longText, "s", b.v.data(), b.v.size(), nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b.v.data())), std::string(255, 'q'));
  EXPECT_EQ(b.v[255], 0);
  std::memset(b.v.data(), 'w', 256);  // no end inside the field
  EXPECT_EQ(encodeProfile("s", b.v.data(), b.v.size(), nullptr), std::string(255, 'w'));
}

TEST(XfmVarsTest, ThreeFullGraphsFitTheSizedBuffer) {
  FakeGraphs g;
  for (uint16_t h = 0; h < 3; ++h) {
    std::vector<GraphPoint> p;
    for (int i = 0; i < 69; ++i) p.push_back({i * 237, 30000 - i});
    g.graphs[h] = p;
  }
  Bytes b(2 + 2 + 2 + 8 + 8);
  b.u16(0, 0);
  b.u16(2, 1);
  b.u16(4, 2);
  const char* types = "gggdd";
  std::string text = encodeProfile(types, b.v.data(), b.v.size(), &g);
  EXPECT_GT(text.size(), 1023u);  // what a 1024-character read would cut mid-number
  EXPECT_LT(text.size(), profileBufferChars(types));
  FakeGraphs back;
  for (uint16_t h = 0; h < 3; ++h) back.graphs[h] = {{0, 0}, {1, 1}};
  EXPECT_TRUE(decodeProfile(text, types, b.v.data(), b.v.size(), &back).complete);
  EXPECT_EQ(back.graphs, g.graphs);
  EXPECT_EQ(profileBufferChars("l"), 1024u);
  EXPECT_LE(profileBufferChars(std::string(95, 'g').c_str()), kMaxProfileChars);
}

TEST(XfmVarsTest, RescaleOfScriptGraphs) {
  std::vector<GraphPoint> p = {{0, 1}, {4096, 2}, {8192, 3}};
  ASSERT_TRUE(rescaleGraphX(&p, 0, 16384));
  EXPECT_EQ(p, (std::vector<GraphPoint>{{0, 1}, {8192, 2}, {16384, 3}}));
  std::vector<GraphPoint> same = {{0, 1}, {16384, 2}};
  EXPECT_TRUE(rescaleGraphX(&same, 0, 16384));
  EXPECT_EQ(same[1].x, 16384);
  std::vector<GraphPoint> flat = {{5, 1}, {5, 2}};
  EXPECT_FALSE(rescaleGraphX(&flat, 0, 100));  // last x = first x: no division by 0
  EXPECT_EQ(flat[1].x, 5);
  std::vector<GraphPoint> squeezed = {{0, 1}, {1, 1}, {2, 1}, {1000, 1}};
  EXPECT_FALSE(rescaleGraphX(&squeezed, 0, 10));  // x would no longer increase
  EXPECT_EQ(squeezed[3].x, 1000);
}

TEST(XfmVarsTest, RandomBlocksReachAFixedPoint) {
  std::mt19937 rng(3);
  const char letters[] = "bcdfghils";
  for (int round = 0; round < 300 * testScale(); ++round) {
    std::string types;
    for (int i = 0, n = int(rng() % 12); i < n; ++i) types += letters[rng() % 9];
    std::vector<uint8_t> block(typeStringBytes(types.c_str()) + rng() % 3);
    for (uint8_t& x : block) x = uint8_t(rng());
    FakeGraphs g;
    for (uint16_t h = 0; h < 4; ++h) g.graphs[h] = {{0, int32_t(rng() % 100)}, {int32_t(1 + rng() % 99), 3}};
    for (const VarField& f : fieldLayout(types.c_str())) {
      if (f.type == 'g') block[f.offset] = uint8_t(rng() % 5), block[f.offset + 1] = 0;
    }
    std::string first = encodeProfile(types.c_str(), block.data(), block.size(), &g);
    ASSERT_LT(first.size(), profileBufferChars(types.c_str()));
    std::vector<uint8_t> copy = block;
    ProfileRead r = decodeProfile(first, types.c_str(), copy.data(), copy.size(), &g);
    // Text fields of a block full of noise may hold commas stored as byte 140 and back; numbers of "%g"
    // lose digits once. After one pass the text stays the same.
    std::string second = encodeProfile(types.c_str(), copy.data(), copy.size(), &g);
    std::vector<uint8_t> again = copy;
    decodeProfile(second, types.c_str(), again.data(), again.size(), &g);
    EXPECT_EQ(encodeProfile(types.c_str(), again.data(), again.size(), &g), second) << types;
    (void)r;
  }
}

}  // namespace
}  // namespace xfmhost
