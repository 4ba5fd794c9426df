// Fuzz target for the filter cache flt.dat (a file anyone can edit): a cache is either refused or gives a
// table of at most 48 entries whose texts end inside their fields, and that table encodes and decodes to
// itself.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/filter_table.h"
#include "include/sorn_bytes.h"

namespace {
void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "fltdat_fuzzer: %s\n", what);
    std::abort();
  }
}

bool terminated(const char* field, size_t size) { return std::memchr(field, 0, size) != nullptr; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  // Decode against the checksum the bytes claim, so the decoder gets past that gate.
  uint32_t checksum = 0;
  if (size >= 6) checksum = SornGetU32LE(data + 2);
  formats::FilterTable table;
  if (!formats::decodeFltDat(bytes, checksum, &table)) {
    check(table.size() == 0, "a refused cache left entries behind");
    return 0;
  }
  check(table.size() <= SORN_FILTER_TABLE_MAX, "more entries than the table holds");
  for (size_t i = 0; i < table.size(); ++i) {
    const FilterTableEntry& e = table.at(i);
    check(terminated(e.info.name, sizeof e.info.name), "name runs past its field");
    check(terminated(e.info.description, sizeof e.info.description), "description runs past its field");
    check(terminated(e.info.extension, sizeof e.info.extension), "extension runs past its field");
    check(terminated(e.dllName, sizeof e.dllName), "DLL name runs past its field");
  }
  formats::FilterTable again;
  check(formats::decodeFltDat(formats::encodeFltDat(table, checksum), checksum, &again), "re-encoded cache refused");
  check(again.size() == table.size(), "re-encoded cache changed its size");
  return 0;
}
