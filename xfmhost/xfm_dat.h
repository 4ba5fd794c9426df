// The transform cache "xfm.dat" in the program's directory, so a start with unchanged plug-ins loads none
// of them, and the decision the start-up scan takes from the directory listing and the cache.
//
// xfm.dat, little-endian, read and written field by field:
//   0  u16 entry count n
//   2  u32 checksum: sum over all *.xfm files of (low 32 bits of creation time + low 32 bits of size)
//   6  u16 version, 3
//   8  u16 display colour depth (bits per pixel) when written
//   10 n records: the 476-byte XfmEntry (XfmInfo, file name, a meaningless handle, a bitmap word that is
//      nonzero when a bitmap follows), each followed when it has a bitmap by the 24-byte bitmap header
//      (type, width, height, bytes per row: i32; planes, bits per pixel: u16; bits address: u32) and
//      bytes per row x height x planes pixel bytes
//   end-4  "KOVA"
// A cache is trusted only when checksum, version, depth and trailer match and its records fill the file
// exactly up to the trailer; a record whose texts run past their fields is cut, one whose type string
// describes more than its block or whose bitmap is larger than the rest of the file makes the cache bad.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "include/xfm_abi.h"

namespace xfmhost {

constexpr uint16_t kXfmDatVersion = 3;
constexpr uint32_t kXfmDatMagic = 0x41564F4Bu;  // "KOVA"
constexpr size_t kXfmDatHeaderBytes = 10;
constexpr size_t kBitmapHeaderBytes = 24;

// A device-dependent bitmap as GetBitmapBits gives it: the header fields and the pixel rows.
struct BitmapBits {
  int32_t type = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bytesPerRow = 0;
  uint16_t planes = 1;
  uint16_t bitsPerPixel = 0;
  uint32_t bitsAddress = 0;  // stored, never used
  std::vector<uint8_t> pixels;
};
// Whether the header describes a bitmap whose pixel bytes are exactly pixels.size() and whose rows hold
// at least width pixels (so building it reads nothing past the bytes).
bool bitmapConsistent(const BitmapBits& b);

// One transform as the cache keeps it.
struct CachedTransform {
  XfmInfo info{};
  std::string fileName;  // at most XFM_FILE_CHARS - 1 characters
  std::optional<BitmapBits> bitmap;
};

struct XfmDat {
  uint32_t checksum = 0;
  uint16_t depth = 0;
  std::vector<CachedTransform> entries;
};

std::vector<uint8_t> encodeXfmDat(const XfmDat& dat);

enum class CacheStatus {
  kValid,    // matches: use its entries
  kAbsent,   // no file
  kStale,    // another checksum, version, depth or trailer: rebuild
  kCorrupt,  // short, a bad record or bitmap: rebuild and delete the file
};
struct CacheCheck {
  CacheStatus status = CacheStatus::kAbsent;
  // The plug-in set changed (checksum, version or trailer differ): the saved profiles of the transforms
  // found are deleted. A colour depth change alone keeps them.
  bool setChanged = false;
  size_t count = 0;  // the count the header gives (0 when unreadable)
};
// Checks and, when valid, decodes a cache against the current checksum and depth. *dat is filled only when
// the result is kValid.
CacheCheck decodeXfmDat(const std::vector<uint8_t>& bytes, uint32_t checksum, uint16_t depth, XfmDat* dat);

// A *.xfm file of the program's directory.
struct XfmFileInfo {
  std::string name;  // without directory
  uint64_t size = 0;
  uint64_t creationTime = 0;  // the system's file time; its low 32 bits enter the checksum
};
uint32_t xfmChecksum(const std::vector<XfmFileInfo>& files);

// What the start-up scan does.
struct ScanPlan {
  bool useCache = false;
  bool setChanged = false;
  bool deleteCache = false;              // the cache was corrupt
  size_t capacity = 0;                   // table capacity: the larger of the cached and found counts
  std::vector<CachedTransform> cached;   // with useCache: the table, in cache order
  std::vector<std::string> toQuery;      // without useCache: the files to load and ask (QueryXfm)
  std::vector<std::string> nameTooLong;  // files whose names do not fit the entry: never loaded
};
// cache is std::nullopt when xfm.dat does not exist or cannot be read.
ScanPlan planScan(const std::vector<XfmFileInfo>& files, const std::optional<std::vector<uint8_t>>& cache,
                  uint16_t depth);

}  // namespace xfmhost
