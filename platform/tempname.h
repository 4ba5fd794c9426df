// Unique file names in a directory, for temp files and for the name service plug-ins call.
//
// Every function here is bounded: a name never exceeds kMaxPathChars characters, and at most maxTries
// names are tried. Existence is checked through fileOps(), so tests can fake full or odd directories.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/file.h"

namespace platform {

// The longest full path name the program builds (the Windows path limit less its terminator).
constexpr size_t kMaxPathChars = 259;
constexpr uint32_t kDefaultNameTries = 10000;

// The file name (no directory) to try on the given attempt, counting from 0.
using TempLeafFn = std::function<std::string(uint32_t attempt)>;

// Finds dir + separator + leafFor(attempt) that no file has, for attempt = 0 .. maxTries - 1.
// InvalidArgument when dir is empty or a name would be longer than kMaxPathChars; Exists when every try
// is taken; any other status of the existence check as it comes. Another process may take the name
// before the caller creates it: open it with kFileCreateNew, or use createUniqueFile.
FileStatus makeUniqueName(const std::string& dir, const TempLeafFn& leafFor, uint32_t maxTries,
                          std::string* out);

// The plain rule: prefix, a decimal number from a process-wide sequence, then ext ("~WVX12.TMP").
FileStatus makeTempName(const std::string& dir, const std::string& prefix, const std::string& ext,
                        std::string* out, uint32_t maxTries = kDefaultNameTries);

// Finds a name by the plain rule and creates the file (flags | kFileCreateNew), trying further names when
// another handle or process created one first. On success *f is open and *name (when given) is its path.
FileStatus createUniqueFile(const std::string& dir, const std::string& prefix, const std::string& ext,
                            unsigned flags, File** f, std::string* name,
                            uint32_t maxTries = kDefaultNameTries);

}  // namespace platform
