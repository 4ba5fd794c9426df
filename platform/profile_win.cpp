// Private-profile settings on Windows: the system's own calls, which the native build imitates.
#include <vector>

#include "platform/profile.h"
#include "platform/win32.h"

namespace platform {

uint32_t profileGetString(const char* section, const char* key, const char* def, char* buf, uint32_t size,
                          const char* file) {
  if (!buf || size == 0) return 0;
  return GetPrivateProfileStringA(section, key, def, buf, size, file);
}

int32_t profileGetInt(const char* section, const char* key, int32_t def, const char* file) {
  // The call returns UINT but parses a sign; the bits are the signed value.
  return int32_t(GetPrivateProfileIntA(section, key, INT(def), file));
}

bool profileWriteString(const char* section, const char* key, const char* value, const char* file) {
  return WritePrivateProfileStringA(section, key, value, file) != FALSE;
}

std::string windowsDirectory() {
  char buf[MAX_PATH + 1];
  UINT n = GetWindowsDirectoryA(buf, sizeof buf);
  if (n == 0 || n >= sizeof buf) return std::string();
  return std::string(buf, n);
}

std::string environmentVariable(const char* name) {
  if (!name) return std::string();
  DWORD n = GetEnvironmentVariableA(name, nullptr, 0);
  if (n == 0) return std::string();
  std::vector<char> buf(n + 1);
  DWORD m = GetEnvironmentVariableA(name, buf.data(), DWORD(buf.size()));
  if (m == 0 || m >= buf.size()) return std::string();
  return std::string(buf.data(), m);
}

}  // namespace platform
