// Shared between file.cpp and the per-system file implementations: the operating system's uncounted
// table and the helpers the portable wrappers need. Not for use outside platform/.
#pragma once

#include <string>

#include "platform/file.h"

namespace platform {
namespace detail {

// The raw system calls behind realFileOps(); file.cpp wraps each entry to count it.
const FileOps& systemFileOps();

// The absolute form of a path (relative to the current directory when it is not absolute).
std::string systemAbsolutePath(const std::string& path);

}  // namespace detail
}  // namespace platform
