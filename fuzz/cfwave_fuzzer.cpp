// Fuzz target for the Windows clipboard's CF_WAVE blocks (outside bytes from any program): the parser must
// stay inside the block and report only layouts the editor holds, with a data range of whole frames.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "document/clipboard.h"

namespace {
void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "cfwave_fuzzer: %s\n", what);
    std::abort();
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  document::CfWaveInfo info;
  if (!document::ParseCfWave(data, size, &info)) return 0;
  check(info.channels == 1 || info.channels == 2, "channels");
  check(info.bits == 8 || info.bits == 16, "bits");
  check(info.rate > 0, "rate");
  if (info.hasData) {
    check(info.dataOffset <= size && info.dataBytes <= size - info.dataOffset, "data range outside the block");
    check(info.dataBytes % (size_t(info.channels) * (info.bits / 8)) == 0, "data not whole frames");
  }
  return 0;
}
