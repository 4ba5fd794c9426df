// The description record: the current and the old layout read from hand-made bytes, the version gate and
// the checks on what a plug-in wrote.
#include "xfmhost/xfm_info.h"

#include <gtest/gtest.h>

#include <cstring>

#include "xfmhost/xfm_test_util.h"

namespace xfmhost {
namespace {

TEST(XfmInfoTest, TypeLettersHaveTheirSizesInEitherCase) {
  const struct {
    char letter;
    int bytes;
  } table[] = {{'b', 4}, {'c', 1},   {'d', 8}, {'f', 4},   {'g', 2}, {'h', 4}, {'i', 2},
               {'l', 4}, {'s', 256}, {'B', 4}, {'S', 256}, {'x', 0}, {'y', 0}, {' ', 0}};
  for (const auto& t : table) EXPECT_EQ(typeFieldBytes(t.letter), t.bytes) << t.letter;
  EXPECT_EQ(typeStringBytes("bcdfghils"), 285u);
  char unterminated[XFM_TYPES_CHARS];
  std::memset(unterminated, 'c', sizeof unterminated);
  EXPECT_EQ(typeStringBytes(unterminated, sizeof unterminated), 96u);
}

TEST(XfmInfoTest, CurrentLayoutIsReadFieldByField) {
  Bytes b(kInfoBytes);
  b.text(0, "Filters\\FFT Filter");
  b.text(80, "(c) Somebody");
  b.text(160, "Filter Selection (using FFT)");
  b.u16(240, 0x2a);
  b.u32(244, 0x3811d);
  b.u32(248, 300);
  b.text(252, "ddgs");
  b.text(348, "yyyn");
  b.u16(444, 7);
  XfmInfo info;
  ASSERT_EQ(acceptQueryResult(1156, b.v.data(), &info), QueryStatus::kAccepted);
  EXPECT_STREQ(info.name, "Filters\\FFT Filter");
  EXPECT_STREQ(info.copyright, "(c) Somebody");
  EXPECT_STREQ(info.description, "Filter Selection (using FFT)");
  EXPECT_EQ(info.formatMask, 0x2a);
  EXPECT_EQ(info.flags, 0x3811du);
  EXPECT_EQ(info.varsSize, 300u);
  EXPECT_STREQ(info.types, "ddgs");
  EXPECT_STREQ(info.presets, "yyyn");
  EXPECT_EQ(info.oldLayout, 7);

  uint8_t again[kInfoBytes];
  encodeInfo(info, again);
  EXPECT_EQ(std::memcmp(again, b.v.data(), kInfoBytes), 0);
}

TEST(XfmInfoTest, OldLayoutMovesToTheNewPlacesAndClearsWord444) {
  Bytes b(kInfoBytes);
  b.text(0, "Old\\Probe");
  b.text(40, "Copyright old");
  b.text(120, "An old transform");
  b.u16(190, 0x04);
  b.u32(192, XFM_TRANSFORM | XFM_FFT);
  b.u32(196, 16);
  b.text(200, "lld");
  b.text(248, "yny");
  b.u16(444, 0x5555);  // nothing an old plug-in writes reaches here, but a stray word must not survive
  XfmInfo info;
  ASSERT_EQ(acceptQueryResult(1100, b.v.data(), &info), QueryStatus::kAccepted);
  EXPECT_STREQ(info.name, "Old\\Probe");
  EXPECT_STREQ(info.copyright, "Copyright old");
  EXPECT_STREQ(info.description, "An old transform");
  EXPECT_EQ(info.formatMask, 0x04);
  EXPECT_EQ(info.flags, XFM_TRANSFORM | XFM_FFT);
  EXPECT_EQ(info.varsSize, 16u);
  EXPECT_STREQ(info.types, "lld");
  EXPECT_STREQ(info.presets, "yny");
  EXPECT_EQ(info.oldLayout, 0);
}

TEST(XfmInfoTest, OldTextsFillingTheirFieldsAreCutInsideThem) {
  Bytes b(kInfoBytes);
  std::memset(b.v.data(), 'A', 296);
  b.u32(196, 4096);
  XfmInfo info;
  ASSERT_EQ(acceptQueryResult(1000, b.v.data(), &info), QueryStatus::kAccepted);
  EXPECT_EQ(std::strlen(info.name), 39u);
  EXPECT_EQ(std::strlen(info.copyright), 79u);
  EXPECT_EQ(std::strlen(info.description), 69u);
  EXPECT_EQ(std::strlen(info.types), 47u);
  EXPECT_EQ(std::strlen(info.presets), 47u);
}

TEST(XfmInfoTest, VersionIsTheLow16BitsAndMustLieInRange) {
  Bytes b(kInfoBytes);
  XfmInfo info;
  const struct {
    uint32_t result;
    QueryStatus status;
  } table[] = {{999, QueryStatus::kBadVersion},
               {1000, QueryStatus::kAccepted},
               {1156, QueryStatus::kAccepted},
               {1157, QueryStatus::kBadVersion},
               {0, QueryStatus::kBadVersion},
               {0xABCD0000u + 1156, QueryStatus::kAccepted},
               {0x10000u + 999, QueryStatus::kBadVersion},
               {130, QueryStatus::kBadVersion}};
  for (const auto& t : table) EXPECT_EQ(acceptQueryResult(t.result, b.v.data(), &info), t.status) << t.result;
}

TEST(XfmInfoTest, UnterminatedFieldsEndInsideAndOversizedTypesAreRefused) {
  Bytes b(kInfoBytes);
  std::memset(b.v.data(), 0xff, kInfoBytes);
  b.u32(248, 0xffffffffu);
  XfmInfo info;
  ASSERT_EQ(acceptQueryResult(1156, b.v.data(), &info), QueryStatus::kAccepted);
  EXPECT_EQ(std::strlen(info.name), 79u);
  EXPECT_EQ(std::strlen(info.types), 95u);
  EXPECT_EQ(std::strlen(info.presets), 95u);

  Bytes s(kInfoBytes);
  s.text(252, "sl");
  s.u32(248, 259);
  EXPECT_EQ(acceptQueryResult(1156, s.v.data(), &info), QueryStatus::kTypesTooLong);
  s.u32(248, 260);
  EXPECT_EQ(acceptQueryResult(1156, s.v.data(), &info), QueryStatus::kAccepted);
}

// Natively the record keeps its 32-bit layout, so on this little-endian machine the codec's bytes are the
// struct's bytes: the header's offsets and the codec agree.
TEST(XfmInfoTest, CodecAgreesWithTheHeaderLayout) {
  XfmInfo info;
  std::memset(&info, 0, sizeof info);
  std::strcpy(info.name, "A\\B");
  std::strcpy(info.copyright, "c");
  std::strcpy(info.description, "d");
  info.formatMask = 0x1234;
  info.flags = 0x89abcdef;
  info.varsSize = 0x01020304;
  std::strcpy(info.types, "lg");
  std::strcpy(info.presets, "yy");
  info.oldLayout = 0x4321;
  uint8_t bytes[kInfoBytes];
  encodeInfo(info, bytes);
  ASSERT_EQ(sizeof info, kInfoBytes);
  EXPECT_EQ(std::memcmp(bytes, &info, kInfoBytes), 0);
  static_assert(sizeof(XfmEntry) == kEntryBytes, "entry size");
  static_assert(sizeof(XfmContext) == 384, "context size");
}

}  // namespace
}  // namespace xfmhost
