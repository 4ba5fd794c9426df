// xfm.dat and the start-up scan decision; see xfm_dat.h.
#include "xfmhost/xfm_dat.h"

#include <algorithm>
#include <cstring>

#include "include/sorn_bytes.h"
#include "xfmhost/xfm_info.h"

namespace xfmhost {
namespace {

// Bytes of pixel data the header describes, 0 when it describes no valid bitmap.
uint64_t headerPixelBytes(int32_t width, int32_t height, int32_t bytesPerRow, uint16_t planes, uint16_t bpp) {
  if (width <= 0 || height <= 0 || bytesPerRow <= 0 || planes == 0 || bpp == 0 || bpp > 32) return 0;
  // Rows of a device-dependent bitmap are padded to 16 bits; fewer bytes per row would make the bitmap
  // built from them read past the stored pixels.
  uint64_t minRow = (uint64_t(width) * bpp + 15) / 16 * 2;
  if (uint64_t(bytesPerRow) < minRow) return 0;
  return uint64_t(bytesPerRow) * uint64_t(height) * planes;
}

void putBitmap(std::vector<uint8_t>* out, const BitmapBits& b) {
  SornAppendU32LE(out, uint32_t(b.type));
  SornAppendU32LE(out, uint32_t(b.width));
  SornAppendU32LE(out, uint32_t(b.height));
  SornAppendU32LE(out, uint32_t(b.bytesPerRow));
  SornAppendU16LE(out, b.planes);
  SornAppendU16LE(out, b.bitsPerPixel);
  SornAppendU32LE(out, b.bitsAddress);
  out->insert(out->end(), b.pixels.begin(), b.pixels.end());
}

}  // namespace

bool bitmapConsistent(const BitmapBits& b) {
  uint64_t n = headerPixelBytes(b.width, b.height, b.bytesPerRow, b.planes, b.bitsPerPixel);
  return n != 0 && n == b.pixels.size();
}

std::vector<uint8_t> encodeXfmDat(const XfmDat& dat) {
  std::vector<uint8_t> out;
  SornAppendU16LE(&out, uint16_t(dat.entries.size()));
  SornAppendU32LE(&out, dat.checksum);
  SornAppendU16LE(&out, kXfmDatVersion);
  SornAppendU16LE(&out, dat.depth);
  for (const CachedTransform& t : dat.entries) {
    size_t at = out.size();
    out.resize(at + kEntryBytes, 0);
    encodeInfo(t.info, out.data() + at);
    size_t n = std::min(t.fileName.size(), size_t(XFM_FILE_CHARS - 1));
    std::memcpy(out.data() + at + 448, t.fileName.data(), n);
    // The variables handle at 468 stays 0 on disk; the bitmap word only says whether a bitmap follows.
    bool bitmap = t.bitmap && bitmapConsistent(*t.bitmap);
    SornPutU32LE(out.data() + at + 472, bitmap ? 1u : 0u);
    if (bitmap) putBitmap(&out, *t.bitmap);
  }
  SornAppendU32LE(&out, kXfmDatMagic);
  return out;
}

CacheCheck decodeXfmDat(const std::vector<uint8_t>& bytes, uint32_t checksum, uint16_t depth, XfmDat* dat) {
  CacheCheck check;
  if (bytes.size() < kXfmDatHeaderBytes + 4) {
    check.status = CacheStatus::kCorrupt;
    check.setChanged = true;  // no trailer to match
    return check;
  }
  const uint8_t* p = bytes.data();
  size_t end = bytes.size() - 4;
  check.count = SornGetU16LE(p);
  bool trailer = SornGetU32LE(p + end) == kXfmDatMagic;
  bool sameSet = SornGetU32LE(p + 2) == checksum && SornGetU16LE(p + 6) == kXfmDatVersion && trailer;
  check.setChanged = !sameSet;
  if (!sameSet || SornGetU16LE(p + 8) != depth) {
    check.status = CacheStatus::kStale;
    return check;
  }
  XfmDat got;
  got.checksum = checksum;
  got.depth = depth;
  got.entries.reserve(std::min(check.count, end / kEntryBytes));
  size_t at = kXfmDatHeaderBytes;
  for (size_t i = 0; i < check.count; ++i) {
    if (end - at < kEntryBytes) {
      check.status = CacheStatus::kCorrupt;
      return check;
    }
    CachedTransform t;
    decodeInfo(p + at, &t.info);
    char name[XFM_FILE_CHARS];
    std::memcpy(name, p + at + 448, sizeof name);
    name[sizeof name - 1] = 0;
    t.fileName = name;
    bool hasBitmap = SornGetU32LE(p + at + 472) != 0;
    at += kEntryBytes;
    if (!typesFitBlock(t.info)) {
      check.status = CacheStatus::kCorrupt;
      return check;
    }
    if (hasBitmap) {
      if (end - at < kBitmapHeaderBytes) {
        check.status = CacheStatus::kCorrupt;
        return check;
      }
      BitmapBits b;
      b.type = int32_t(SornGetU32LE(p + at));
      b.width = int32_t(SornGetU32LE(p + at + 4));
      b.height = int32_t(SornGetU32LE(p + at + 8));
      b.bytesPerRow = int32_t(SornGetU32LE(p + at + 12));
      b.planes = SornGetU16LE(p + at + 16);
      b.bitsPerPixel = SornGetU16LE(p + at + 18);
      b.bitsAddress = SornGetU32LE(p + at + 20);
      at += kBitmapHeaderBytes;
      uint64_t n = headerPixelBytes(b.width, b.height, b.bytesPerRow, b.planes, b.bitsPerPixel);
      if (n == 0 || n > end - at) {
        check.status = CacheStatus::kCorrupt;
        return check;
      }
      b.pixels.assign(p + at, p + at + n);
      at += size_t(n);
      t.bitmap = std::move(b);
    }
    got.entries.push_back(std::move(t));
  }
  if (at != end) {  // bytes between the last record and the trailer: not a file this program wrote
    check.status = CacheStatus::kCorrupt;
    return check;
  }
  check.status = CacheStatus::kValid;
  *dat = std::move(got);
  return check;
}

uint32_t xfmChecksum(const std::vector<XfmFileInfo>& files) {
  uint32_t sum = 0;
  for (const XfmFileInfo& f : files) sum += uint32_t(f.creationTime) + uint32_t(f.size);
  return sum;
}

ScanPlan planScan(const std::vector<XfmFileInfo>& files, const std::optional<std::vector<uint8_t>>& cache,
                  uint16_t depth) {
  ScanPlan plan;
  plan.capacity = files.size();
  uint32_t checksum = xfmChecksum(files);
  if (cache) {
    XfmDat dat;
    CacheCheck check = decodeXfmDat(*cache, checksum, depth, &dat);
    plan.capacity = std::max(plan.capacity, check.count);
    plan.setChanged = check.setChanged;
    if (check.status == CacheStatus::kValid) {
      plan.useCache = true;
      plan.cached = std::move(dat.entries);
      return plan;
    }
    plan.deleteCache = check.status == CacheStatus::kCorrupt;
  }
  for (const XfmFileInfo& f : files) {
    if (f.name.size() >= XFM_FILE_CHARS) {
      plan.nameTooLong.push_back(f.name);
    } else {
      plan.toQuery.push_back(f.name);
    }
  }
  return plan;
}

}  // namespace xfmhost
