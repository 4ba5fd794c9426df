// Building WAVE files in memory for the tests of the RIFF core.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "include/sorn_bytes.h"

namespace wavpcm {
namespace testing {

using Bytes = std::vector<uint8_t>;

inline void putStr(Bytes* b, const std::string& s) {
  b->insert(b->end(), s.begin(), s.end());
}

// A chunk with its header; padded to even size unless pad is false.
inline Bytes chunk(const std::string& id, const Bytes& body, bool pad = true) {
  Bytes b;
  putStr(&b, id);
  SornAppendU32LE(&b, static_cast<uint32_t>(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  if (pad && (body.size() & 1)) b.push_back(0);
  return b;
}
inline Bytes chunkSized(const std::string& id, uint32_t size, const Bytes& body) {
  Bytes b;
  putStr(&b, id);
  SornAppendU32LE(&b, size);
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

inline Bytes fmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
  Bytes b;
  SornAppendU16LE(&b, tag);
  SornAppendU16LE(&b, channels);
  SornAppendU32LE(&b, rate);
  SornAppendU32LE(&b, rate * channels * bits / 8);
  SornAppendU16LE(&b, static_cast<uint16_t>(channels * bits / 8));
  SornAppendU16LE(&b, bits);
  return b;
}

// WAVE_FORMAT_EXTENSIBLE with the given sub-format tag (1 PCM, 3 float).
inline Bytes fmtExtensible(uint16_t sub, uint16_t channels, uint32_t rate, uint16_t bits) {
  Bytes b = fmtBody(0xFFFE, channels, rate, bits);
  SornAppendU16LE(&b, 22);
  SornAppendU16LE(&b, bits);
  SornAppendU32LE(&b, channels == 1 ? 4 : 3);
  SornAppendU16LE(&b, sub);
  const uint8_t tail[14] = {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
  b.insert(b.end(), tail, tail + 14);
  return b;
}

// "RIFF" size "WAVE" + chunks; riffSize < 0 means the true size.
inline Bytes riff(const std::vector<Bytes>& chunks, int64_t riffSize = -1) {
  Bytes body;
  putStr(&body, "WAVE");
  for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
  Bytes b;
  putStr(&b, "RIFF");
  SornAppendU32LE(&b, riffSize < 0 ? static_cast<uint32_t>(body.size()) : static_cast<uint32_t>(riffSize));
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

inline Bytes ramp(size_t n, uint8_t start = 1) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(start + i * 7);
  return b;
}

}  // namespace testing
}  // namespace wavpcm
