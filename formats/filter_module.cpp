// Names of the filter entry points; see filter_module.h.
#include "formats/filter_module.h"

#include <cctype>
#include <cstring>

#include "formats/progress.h"

namespace formats {

const char* filterEntryName(FilterEntry e) {
  static const char* const kNames[] = {
      "QuerySornFilter",           "FilterUnderstandsFormat",  "OpenFilterInput",
      "OpenFilterInput2",          "ReadFilterInput",          "SeekFilterInput",
      "CloseFilterInput",          "FilterGetFileSize",        "FilterOptions",
      "FilterGetOptions",          "FilterSetOptions",         "GetDataOffset",
      "FilterGetFirstSpecialData", "FilterGetNextSpecialData", "OpenFilterOutput",
      "WriteFilterOutput",         "CloseFilterOutput",        "FilterWriteSpecialData",
      "GetSuggestedSampleType",    "GetSuggestedSampleType2",
  };
  static_assert(sizeof kNames / sizeof kNames[0] == size_t(FilterEntry::Count), "one name per entry");
  int i = int(e);
  return i >= 0 && i < int(FilterEntry::Count) ? kNames[i] : "";
}

int filterBitmapId(const char* description) {
  const char* tilde = description ? std::strchr(description, '~') : nullptr;
  if (!tilde || !std::isdigit(static_cast<unsigned char>(tilde[1]))) return 0;
  long id = 0;
  for (const char* p = tilde + 1; std::isdigit(static_cast<unsigned char>(*p)) && id <= 0xFFFF; ++p)
    id = id * 10 + (*p - '0');
  return id > 0 && id <= 0xFFFF ? int(id) : 0;  // resource ids are 16-bit
}

}  // namespace formats
