// In-memory settings source and the profile integer rule shared with it.
#include "ui/settings_source.h"

#include <cctype>

namespace ui {

bool readDecimal(const char* p, int32_t* out) {
  while (*p == ' ' || *p == '\t') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
  int64_t v = 0;
  for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
    v = v * 10 + (*p - '0');
    if (v > INT64_C(0x80000000)) v = INT64_C(0x80000000);
  }
  if (negative) v = -v;
  if (v > INT32_MAX) v = INT32_MAX;
  *out = static_cast<int32_t>(v);
  return true;
}

int32_t parseProfileInt(const std::string& text, int32_t def) {
  int32_t v;
  return readDecimal(text.c_str(), &v) ? v : def;
}

std::string MemorySettingsSource::name(const char* section, const char* key) {
  std::string n = std::string(section) + '\n' + key;
  for (char& c : n) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return n;
}

std::string MemorySettingsSource::getString(const char* section, const char* key, const char* def,
                                            uint32_t maxChars) {
  auto it = values_.find(name(section, key));
  std::string v = it != values_.end() ? it->second : std::string(def ? def : "");
  if (v.size() > maxChars) v.resize(maxChars);
  return v;
}

int32_t MemorySettingsSource::getInt(const char* section, const char* key, int32_t def) {
  auto it = values_.find(name(section, key));
  return it == values_.end() ? def : parseProfileInt(it->second, def);
}

bool MemorySettingsSource::writeString(const char* section, const char* key, const char* value) {
  if (!value) {
    values_.erase(name(section, key));
  } else {
    values_[name(section, key)] = value;
  }
  return true;
}

bool MemorySettingsSource::has(const char* section, const char* key) const {
  return values_.count(name(section, key)) != 0;
}

std::string MemorySettingsSource::value(const char* section, const char* key) const {
  auto it = values_.find(name(section, key));
  return it == values_.end() ? std::string() : it->second;
}

size_t MemorySettingsSource::keyCount() const {
  return values_.size();
}

}  // namespace ui
