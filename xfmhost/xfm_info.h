// The description record a transform gives about itself (XfmInfo) as bytes: reading it field by field from
// the buffer QueryXfm filled (or from xfm.dat), converting the old 296-byte layout, and refusing what does
// not hold together. Everything a plug-in or the cache wrote is untrusted: every text is cut to end inside
// its field and a type string describing more bytes than the variables block is refused.
#pragma once

#include <cstddef>
#include <cstdint>

#include "include/xfm_abi.h"

namespace xfmhost {

constexpr size_t kInfoBytes = 448;
constexpr size_t kEntryBytes = 476;

// Bytes of one variables-block field of the type letter (either case); 0 for a letter that is no type.
int typeFieldBytes(char letter);
// Bytes the whole type string describes (letters up to the first 0 or the end of the field).
uint32_t typeStringBytes(const char* types, size_t chars = XFM_TYPES_CHARS);

// Makes every text of the record end inside its field.
void terminateTexts(XfmInfo* info);
// True when the type string fits the block the record asks for.
bool typesFitBlock(const XfmInfo& info);

// The 448 bytes of a record, little-endian, and back. decodeInfo ends every text inside its field.
void decodeInfo(const uint8_t* bytes, XfmInfo* info);
void encodeInfo(const XfmInfo& info, uint8_t* bytes);

enum class QueryStatus {
  kAccepted,
  kBadVersion,    // outside XFM_VERSION_MIN..XFM_VERSION: skipped without a message
  kTypesTooLong,  // the type string describes more bytes than the block: skipped
};
// Judges what QueryXfm returned (its 32-bit result, masked here to the 16-bit version) and the 448-byte
// buffer it filled (the host zero-fills it first). Versions below XFM_VERSION are read in the old layout.
// On kAccepted *info holds the record.
QueryStatus acceptQueryResult(uint32_t result, const uint8_t* buffer, XfmInfo* info);

}  // namespace xfmhost
