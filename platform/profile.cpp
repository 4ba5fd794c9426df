// The parts of the settings layer common to both builds.
#include "platform/profile.h"

#include <vector>

namespace platform {

std::string profileGet(const char* section, const char* key, const char* def, const char* file) {
  std::vector<char> buf(4096);
  uint32_t n = profileGetString(section, key, def, buf.data(), uint32_t(buf.size()), file);
  return std::string(buf.data(), n);
}

}  // namespace platform
