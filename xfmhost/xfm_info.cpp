// The transform description record as bytes; see xfm_info.h.
#include "xfmhost/xfm_info.h"

#include <cctype>
#include <cstring>

#include "include/sorn_bytes.h"

namespace xfmhost {
namespace {

void getText(char* dst, const uint8_t* src, size_t field) {
  std::memcpy(dst, src, field);
  dst[field - 1] = 0;
}

// A text of the old record moved into its wider new field.
void moveText(char* dst, size_t dstField, const uint8_t* src, size_t srcField) {
  std::memset(dst, 0, dstField);
  std::memcpy(dst, src, srcField < dstField ? srcField : dstField);
  dst[(srcField < dstField ? srcField : dstField) - 1] = 0;
}

}  // namespace

int typeFieldBytes(char letter) {
  switch (std::tolower(static_cast<unsigned char>(letter))) {
    case 'c':
      return 1;
    case 'g':
    case 'i':
      return 2;
    case 'b':
    case 'f':
    case 'h':
    case 'l':
      return 4;
    case 'd':
      return 8;
    case 's':
      return 256;
    default:
      return 0;
  }
}

uint32_t typeStringBytes(const char* types, size_t chars) {
  uint32_t total = 0;
  for (size_t i = 0; i < chars && types[i]; ++i) total += uint32_t(typeFieldBytes(types[i]));
  return total;
}

void terminateTexts(XfmInfo* info) {
  info->name[sizeof info->name - 1] = 0;
  info->copyright[sizeof info->copyright - 1] = 0;
  info->description[sizeof info->description - 1] = 0;
  info->types[sizeof info->types - 1] = 0;
  info->presets[sizeof info->presets - 1] = 0;
}

bool typesFitBlock(const XfmInfo& info) {
  return typeStringBytes(info.types, sizeof info.types) <= info.varsSize;
}

void decodeInfo(const uint8_t* p, XfmInfo* info) {
  std::memset(info, 0, sizeof *info);
  getText(info->name, p + 0, XFM_NAME_CHARS);
  getText(info->copyright, p + 80, XFM_COPYRIGHT_CHARS);
  getText(info->description, p + 160, XFM_DESCRIPTION_CHARS);
  info->formatMask = SornGetU16LE(p + 240);
  info->flags = SornGetU32LE(p + 244);
  info->varsSize = SornGetU32LE(p + 248);
  getText(info->types, p + 252, XFM_TYPES_CHARS);
  getText(info->presets, p + 348, XFM_TYPES_CHARS);
  info->oldLayout = SornGetU16LE(p + 444);
}

void encodeInfo(const XfmInfo& info, uint8_t* p) {
  std::memset(p, 0, kInfoBytes);
  std::memcpy(p + 0, info.name, XFM_NAME_CHARS);
  std::memcpy(p + 80, info.copyright, XFM_COPYRIGHT_CHARS);
  std::memcpy(p + 160, info.description, XFM_DESCRIPTION_CHARS);
  SornPutU16LE(p + 240, info.formatMask);
  SornPutU32LE(p + 244, info.flags);
  SornPutU32LE(p + 248, info.varsSize);
  std::memcpy(p + 252, info.types, XFM_TYPES_CHARS);
  std::memcpy(p + 348, info.presets, XFM_TYPES_CHARS);
  SornPutU16LE(p + 444, info.oldLayout);
}

QueryStatus acceptQueryResult(uint32_t result, const uint8_t* p, XfmInfo* info) {
  uint16_t version = uint16_t(result);
  if (version < XFM_VERSION_MIN || version > XFM_VERSION) return QueryStatus::kBadVersion;
  XfmInfo got;
  if (version == XFM_VERSION) {
    decodeInfo(p, &got);
  } else {
    std::memset(&got, 0, sizeof got);
    moveText(got.name, sizeof got.name, p + XFM_OLD_NAME_AT, XFM_OLD_NAME_CHARS);
    moveText(got.copyright, sizeof got.copyright, p + XFM_OLD_COPYRIGHT_AT, XFM_OLD_COPYRIGHT_CHARS);
    moveText(got.description, sizeof got.description, p + XFM_OLD_DESCRIPTION_AT, XFM_OLD_DESCRIPTION_CHARS);
    got.formatMask = SornGetU16LE(p + XFM_OLD_FORMAT_MASK_AT);
    got.flags = SornGetU32LE(p + XFM_OLD_FLAGS_AT);
    got.varsSize = SornGetU32LE(p + XFM_OLD_VARS_SIZE_AT);
    moveText(got.types, sizeof got.types, p + XFM_OLD_TYPES_AT, XFM_OLD_TYPES_CHARS);
    moveText(got.presets, sizeof got.presets, p + XFM_OLD_PRESETS_AT, XFM_OLD_PRESETS_CHARS);
    got.oldLayout = 0;
  }
  terminateTexts(&got);
  if (!typesFitBlock(got)) return QueryStatus::kTypesTooLong;
  *info = got;
  return QueryStatus::kAccepted;
}

}  // namespace xfmhost
