// xfm.dat against hand-made files, and the scan decision from a directory listing and a cache.
#include "xfmhost/xfm_dat.h"

#include <gtest/gtest.h>

#include <random>

#include "xfmhost/xfm_info.h"
#include "xfmhost/xfm_test_util.h"

namespace xfmhost {
namespace {

// One 476-byte record written by hand.
std::vector<uint8_t> record(const std::string& name, const std::string& file, uint32_t flags, bool bitmap) {
  Bytes r(kEntryBytes);
  r.text(0, name);
  r.u16(240, 0x0c);
  r.u32(244, flags);
  r.u32(248, 8);
  r.text(252, "ll");
  r.text(348, "yy");
  r.text(448, file);
  r.u32(468, 0xdeadbeef);  // a handle from the writer's session: ignored
  r.u32(472, bitmap ? 0x12340000u : 0);
  return r.v;
}

// A 16 x 15 bitmap at 4 bits per pixel: 8 bytes per row, one plane.
std::vector<uint8_t> bitmapBytes(uint8_t fill) {
  Bytes h(24);
  h.u32(0, 0);
  h.u32(4, 16);
  h.u32(8, 15);
  h.u32(12, 8);
  h.u16(16, 1);
  h.u16(18, 4);
  h.u32(20, 0);
  h.v.insert(h.v.end(), 8 * 15, fill);
  return h.v;
}

std::vector<uint8_t> header(uint16_t n, uint32_t checksum, uint16_t version, uint16_t depth) {
  Bytes h(10);
  h.u16(0, n);
  h.u32(2, checksum);
  h.u16(6, version);
  h.u16(8, depth);
  return h.v;
}

const std::vector<uint8_t> kTrailer = {0x4B, 0x4F, 0x56, 0x41};

std::vector<uint8_t> twoProbes(uint32_t checksum, uint16_t depth) {
  Bytes f;
  f.append(header(2, checksum, 3, depth));
  f.append(record("Probes\\Gen Probe", "genprobe.xfm", XFM_GENERATE, false));
  f.append(record("Probes\\Probe", "probe.xfm", XFM_TRANSFORM, true));
  f.append(bitmapBytes(0x5a));
  f.append(kTrailer);
  return f.v;
}

TEST(XfmDatTest, HandMadeCacheDecodesAndEncodesToTheSameBytes) {
  std::vector<uint8_t> bytes = twoProbes(0x11223344, 16);
  EXPECT_EQ(bytes.size(), 10u + 2 * 476 + (24 + 8 * 15 * 1) + 4);
  XfmDat dat;
  CacheCheck c = decodeXfmDat(bytes, 0x11223344, 16, &dat);
  ASSERT_EQ(c.status, CacheStatus::kValid);
  EXPECT_FALSE(c.setChanged);
  ASSERT_EQ(dat.entries.size(), 2u);
  EXPECT_STREQ(dat.entries[0].info.name, "Probes\\Gen Probe");
  EXPECT_EQ(dat.entries[0].fileName, "genprobe.xfm");
  EXPECT_FALSE(dat.entries[0].bitmap);
  EXPECT_EQ(dat.entries[1].info.flags, XFM_TRANSFORM);
  ASSERT_TRUE(dat.entries[1].bitmap);
  EXPECT_EQ(dat.entries[1].bitmap->width, 16);
  EXPECT_EQ(dat.entries[1].bitmap->bitsPerPixel, 4);
  EXPECT_EQ(dat.entries[1].bitmap->pixels, std::vector<uint8_t>(120, 0x5a));

  std::vector<uint8_t> again = encodeXfmDat(dat);
  ASSERT_EQ(again.size(), bytes.size());
  // The writer leaves the session handle at 468 as 0 and marks a bitmap with 1; everything else is equal.
  bytes[10 + 468] = bytes[10 + 469] = bytes[10 + 470] = bytes[10 + 471] = 0;
  bytes[10 + 476 + 468] = bytes[10 + 476 + 469] = bytes[10 + 476 + 470] = bytes[10 + 476 + 471] = 0;
  Bytes fix;
  fix.v = bytes;
  fix.u32(10 + 476 + 472, 1);
  EXPECT_EQ(again, fix.v);
}

TEST(XfmDatTest, MismatchesTellASetChangeFromADepthChange) {
  std::vector<uint8_t> good = twoProbes(77, 16);
  XfmDat dat;
  CacheCheck c = decodeXfmDat(good, 78, 16, &dat);
  EXPECT_EQ(c.status, CacheStatus::kStale);
  EXPECT_TRUE(c.setChanged);
  c = decodeXfmDat(good, 77, 32, &dat);
  EXPECT_EQ(c.status, CacheStatus::kStale);
  EXPECT_FALSE(c.setChanged);
  EXPECT_EQ(c.count, 2u);

  std::vector<uint8_t> v2 = good;
  v2[6] = 2;
  EXPECT_TRUE(decodeXfmDat(v2, 77, 16, &dat).setChanged);
  std::vector<uint8_t> trailer = good;
  trailer.back() = 'B';
  EXPECT_TRUE(decodeXfmDat(trailer, 77, 16, &dat).setChanged);
}

TEST(XfmDatTest, EveryTruncationAndStrayByteIsRefused) {
  std::vector<uint8_t> good = twoProbes(5, 8);
  XfmDat dat;
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + n);
    EXPECT_NE(decodeXfmDat(cut, 5, 8, &dat).status, CacheStatus::kValid) << n;
    if (n < good.size() - 4) {  // the same cut with a proper trailer after it
      cut.insert(cut.end(), kTrailer.begin(), kTrailer.end());
      EXPECT_NE(decodeXfmDat(cut, 5, 8, &dat).status, CacheStatus::kValid) << n;
    }
  }
  std::vector<uint8_t> extra = good;
  extra.insert(extra.end() - 4, 0);
  EXPECT_EQ(decodeXfmDat(extra, 5, 8, &dat).status, CacheStatus::kCorrupt);
}

TEST(XfmDatTest, BitmapLargerThanTheRestOfTheFileMakesTheCacheBad) {
  std::vector<uint8_t> good = twoProbes(5, 8);
  size_t bmp = 10 + 2 * 476;
  XfmDat dat;
  const struct {
    size_t at;
    uint32_t value;
  } table[] = {{8, 0x7fffffff}, {12, 0x7fffffff}, {8, 16},      {4, 0},  {12, 0},
               {12, 7},         {16, 0},          {16, 0xffff}, {18, 64}};
  for (const auto& t : table) {
    Bytes b;
    b.v = good;
    if (t.at >= 16) {
      b.u16(bmp + t.at, uint16_t(t.value));
    } else {
      b.u32(bmp + t.at, t.value);
    }
    EXPECT_EQ(decodeXfmDat(b.v, 5, 8, &dat).status, CacheStatus::kCorrupt) << t.at << " " << t.value;
  }
}

TEST(XfmDatTest, RecordsAreUntrusted) {
  Bytes f;
  f.append(header(1, 5, 3, 8));
  std::vector<uint8_t> r = record("Name", "x.xfm", XFM_TRANSFORM, false);
  std::fill(r.begin(), r.begin() + 240, 'N');  // texts without an end
  std::fill(r.begin() + 448, r.begin() + 468, 'F');
  f.append(r);
  f.append(kTrailer);
  XfmDat dat;
  ASSERT_EQ(decodeXfmDat(f.v, 5, 8, &dat).status, CacheStatus::kValid);
  EXPECT_EQ(std::strlen(dat.entries[0].info.name), 79u);
  EXPECT_EQ(dat.entries[0].fileName.size(), 19u);

  f.u32(10 + 248, 7);  // "ll" needs 8 bytes
  EXPECT_EQ(decodeXfmDat(f.v, 5, 8, &dat).status, CacheStatus::kCorrupt);
}

TEST(XfmDatTest, ChecksumSumsLowCreationTimeAndSizeWrapping) {
  std::vector<XfmFileInfo> files = {{"a.xfm", 0x1'0000'0010ull, 0xffff'ffff'ffff'fff0ull}, {"b.xfm", 5, 7}};
  EXPECT_EQ(xfmChecksum(files), uint32_t(0x10 + 0xfffffff0u + 5 + 7));
}

TEST(XfmDatTest, ScanUsesAMatchingCacheAndRebuildsOnANewFileOrSize) {
  std::vector<XfmFileInfo> files = {{"genprobe.xfm", 1000, 1}, {"probe.xfm", 2000, 2}};
  uint32_t sum = xfmChecksum(files);
  std::vector<uint8_t> cache = twoProbes(sum, 24);

  ScanPlan first = planScan(files, std::nullopt, 24);
  EXPECT_FALSE(first.useCache);
  EXPECT_FALSE(first.setChanged);
  EXPECT_EQ(first.toQuery, (std::vector<std::string>{"genprobe.xfm", "probe.xfm"}));

  ScanPlan second = planScan(files, cache, 24);
  EXPECT_TRUE(second.useCache);
  EXPECT_TRUE(second.toQuery.empty());
  EXPECT_EQ(second.cached.size(), 2u);

  std::vector<XfmFileInfo> grown = files;
  grown[1].size += 1;
  ScanPlan resized = planScan(grown, cache, 24);
  EXPECT_FALSE(resized.useCache);
  EXPECT_TRUE(resized.setChanged);
  EXPECT_EQ(resized.toQuery.size(), 2u);

  std::vector<XfmFileInfo> added = files;
  added.push_back({"third.xfm", 10, 10});
  ScanPlan more = planScan(added, cache, 24);
  EXPECT_TRUE(more.setChanged);
  EXPECT_EQ(more.toQuery.size(), 3u);
  EXPECT_EQ(more.capacity, 3u);

  ScanPlan depth = planScan(files, cache, 32);
  EXPECT_FALSE(depth.useCache);
  EXPECT_FALSE(depth.setChanged);
  EXPECT_FALSE(depth.deleteCache);

  std::vector<uint8_t> broken(cache.begin(), cache.begin() + 500);
  broken.insert(broken.end(), kTrailer.begin(), kTrailer.end());
  ScanPlan bad = planScan(files, broken, 24);
  EXPECT_FALSE(bad.useCache);
  EXPECT_TRUE(bad.deleteCache);
  EXPECT_EQ(bad.toQuery.size(), 2u);
}

TEST(XfmDatTest, NamesThatDoNotFitTheEntryAreNeverLoaded) {
  std::vector<XfmFileInfo> files = {{"abcdefghijklmno.xfm", 1, 1}, {"abcdefghijklmnop.xfm", 1, 1}};
  ScanPlan p = planScan(files, std::nullopt, 8);
  EXPECT_EQ(p.toQuery, std::vector<std::string>{"abcdefghijklmno.xfm"});
  EXPECT_EQ(p.nameTooLong, std::vector<std::string>{"abcdefghijklmnop.xfm"});
}

TEST(XfmDatTest, RandomCachesRoundTrip) {
  std::mt19937 rng(42);
  for (int round = 0; round < 200 * testScale(); ++round) {
    XfmDat dat;
    dat.checksum = rng();
    dat.depth = uint16_t(rng() % 33);
    size_t n = rng() % 6;
    for (size_t i = 0; i < n; ++i) {
      CachedTransform t;
      std::snprintf(t.info.name, sizeof t.info.name, "Cat%u\\T%u", unsigned(rng() % 3), unsigned(rng()));
      t.info.flags = rng();
      t.info.formatMask = uint16_t(rng());
      t.info.varsSize = 1000;
      std::strcpy(t.info.types, "dgs");
      t.fileName = "t" + std::to_string(i) + ".xfm";
      if (rng() % 2) {
        BitmapBits b;
        b.width = int32_t(1 + rng() % 40);
        b.height = int32_t(1 + rng() % 20);
        b.bitsPerPixel = uint16_t(1 << (rng() % 6));
        b.bytesPerRow = int32_t((b.width * b.bitsPerPixel + 15) / 16 * 2);
        b.pixels.resize(size_t(b.bytesPerRow) * b.height);
        for (uint8_t& x : b.pixels) x = uint8_t(rng());
        t.bitmap = b;
      }
      dat.entries.push_back(t);
    }
    std::vector<uint8_t> bytes = encodeXfmDat(dat);
    XfmDat back;
    ASSERT_EQ(decodeXfmDat(bytes, dat.checksum, dat.depth, &back).status, CacheStatus::kValid);
    EXPECT_EQ(encodeXfmDat(back), bytes);
  }
}

}  // namespace
}  // namespace xfmhost
