// The settings source over the platform layer's private-profile calls (kept in its own file so that
// code using only the in-memory source does not pull in the platform layer).
#include <vector>

#include "platform/profile.h"
#include "ui/settings_source.h"

namespace ui {

std::string ProfileSettingsSource::getString(const char* section, const char* key, const char* def,
                                             uint32_t maxChars) {
  std::vector<char> buf(static_cast<size_t>(maxChars) + 1);
  uint32_t n = platform::profileGetString(section, key, def ? def : "", buf.data(),
                                          static_cast<uint32_t>(buf.size()), file_.c_str());
  return std::string(buf.data(), n < buf.size() ? n : buf.size() - 1);
}

int32_t ProfileSettingsSource::getInt(const char* section, const char* key, int32_t def) {
  return platform::profileGetInt(section, key, def, file_.c_str());
}

bool ProfileSettingsSource::writeString(const char* section, const char* key, const char* value) {
  return platform::profileWriteString(section, key, value, file_.c_str());
}

}  // namespace ui
