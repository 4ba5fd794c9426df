// Where settings are read from and written to. The program uses the private-profile file "SORN.INI"
// (ProfileSettingsSource); tests use an in-memory file (MemorySettingsSource) or a temporary ini, so the
// settings code never touches the user's real settings.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace ui {

// The name of the settings file, passed bare so that it lives in the Windows directory.
constexpr const char* kSettingsFileName = "SORN.INI";

class SettingsSource {
 public:
  virtual ~SettingsSource() = default;
  // The value, or def when the key is absent, cut to at most maxChars characters.
  virtual std::string getString(const char* section, const char* key, const char* def, uint32_t maxChars) = 0;
  // Signed decimal up to the first non-digit; def when the key is absent or holds no digit.
  virtual int32_t getInt(const char* section, const char* key, int32_t def) = 0;
  // A null value deletes the key.
  virtual bool writeString(const char* section, const char* key, const char* value) = 0;
};

// The private-profile calls of the platform layer on one file.
class ProfileSettingsSource : public SettingsSource {
 public:
  explicit ProfileSettingsSource(std::string file = kSettingsFileName) : file_(std::move(file)) {}
  std::string getString(const char* section, const char* key, const char* def, uint32_t maxChars) override;
  int32_t getInt(const char* section, const char* key, int32_t def) override;
  bool writeString(const char* section, const char* key, const char* value) override;

 private:
  std::string file_;
};

// An ini file held in memory: names compare case-insensitively, as in the profile calls.
class MemorySettingsSource : public SettingsSource {
 public:
  std::string getString(const char* section, const char* key, const char* def, uint32_t maxChars) override;
  int32_t getInt(const char* section, const char* key, int32_t def) override;
  bool writeString(const char* section, const char* key, const char* value) override;

  bool has(const char* section, const char* key) const;
  std::string value(const char* section, const char* key) const;  // "" when absent
  size_t keyCount() const;
  const std::map<std::string, std::string>& all() const { return values_; }
  void set(const char* section, const char* key, const std::string& v) {
    writeString(section, key, v.c_str());
  }

 private:
  static std::string name(const char* section, const char* key);
  std::map<std::string, std::string> values_;  // "SECTION\nKEY" upper-cased → value
};

// A signed decimal as the profile integer call and the C library's atol read it: leading blanks, a sign,
// digits up to the first non-digit, saturated at the 32-bit range instead of overflowing. readDecimal is
// false and parseProfileInt gives def when there is no digit.
bool readDecimal(const char* text, int32_t* out);
int32_t parseProfileInt(const std::string& text, int32_t def);

}  // namespace ui
