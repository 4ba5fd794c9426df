// Names of the filter entry points; see filter_module.h.
#include "formats/filter_module.h"

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

}  // namespace formats
