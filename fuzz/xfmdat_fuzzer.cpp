// Fuzz target for the transform cache xfm.dat (a file anyone can edit): a cache is refused or gives records
// whose texts end inside their fields, whose type strings fit their blocks and whose bitmaps hold exactly
// the pixels their headers describe; such a cache encodes to the very bytes it came from, apart from the
// session handle and the bitmap word, and decodes again to the same.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "xfmhost/xfm_dat.h"
#include "xfmhost/xfm_info.h"

namespace {
void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "xfmdat_fuzzer: %s\n", what);
    std::abort();
  }
}
bool terminated(const char* field, size_t size) {
  return std::memchr(field, 0, size) != nullptr;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  // Check against the checksum and depth the bytes claim, so the decoder gets past that gate.
  uint32_t checksum =
      size >= 6 ? uint32_t(data[2] | data[3] << 8 | data[4] << 16 | uint32_t(data[5]) << 24) : 0;
  uint16_t depth = size >= 10 ? uint16_t(data[8] | data[9] << 8) : 0;
  xfmhost::XfmDat dat;
  xfmhost::CacheCheck c = xfmhost::decodeXfmDat(bytes, checksum, depth, &dat);
  if (c.status != xfmhost::CacheStatus::kValid) {
    check(dat.entries.empty(), "a refused cache left entries behind");
    return 0;
  }
  check(dat.entries.size() == c.count, "entry count differs from the header");
  for (const xfmhost::CachedTransform& t : dat.entries) {
    check(terminated(t.info.name, sizeof t.info.name), "name runs past its field");
    check(terminated(t.info.copyright, sizeof t.info.copyright), "copyright runs past its field");
    check(terminated(t.info.description, sizeof t.info.description), "description runs past its field");
    check(terminated(t.info.types, sizeof t.info.types), "types run past their field");
    check(terminated(t.info.presets, sizeof t.info.presets), "presets run past their field");
    check(t.fileName.size() < XFM_FILE_CHARS, "file name too long");
    check(xfmhost::typesFitBlock(t.info), "type string larger than the block");
    if (t.bitmap) check(xfmhost::bitmapConsistent(*t.bitmap), "bitmap pixels differ from the header");
  }
  std::vector<uint8_t> again = xfmhost::encodeXfmDat(dat);
  check(again.size() == bytes.size(), "re-encoded cache changed its size");
  xfmhost::XfmDat back;
  check(xfmhost::decodeXfmDat(again, checksum, depth, &back).status == xfmhost::CacheStatus::kValid,
        "re-encoded cache refused");
  check(xfmhost::encodeXfmDat(back) == again, "second encoding differs");
  return 0;
}
