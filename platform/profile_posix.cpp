// Private-profile settings natively: an ini reader and writer that answers like the Win32 calls do (the
// conformance test in profile_test.cpp runs the same cases against the real calls under Wine).
//
// Reading: the first section whose trimmed name matches (case-insensitively), then the first line in it
// whose trimmed key matches; a key line without '=' has no value, so the default is returned. Values are
// trimmed; one pair of matching surrounding quotes is stripped (from the default too, which also loses
// trailing blanks). Integers parse like the system's: blanks, a sign, an optional 0x/0o/0b prefix, digits
// up to the first non-digit, wrapping at 32 bits; an empty or missing value gives the default.
//
// Writing keeps every other line as it was (comments, blank lines, spacing), replaces the key's line with
// "Key=value" (the key keeps its spelling), adds a missing key after the section's last entry and a missing
// section at the end, and writes the file through a temporary file and a rename, with CRLF line ends.
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/profile.h"

namespace platform {
namespace {

std::mutex gProfileLock;

bool blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && blank(s[b])) ++b;
  while (e > b && blank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

bool sameName(const std::string& a, const char* b) {
  size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string profilePath(const char* file) {
  std::string f = file ? file : "";
  if (f.find('/') != std::string::npos) return f;
  std::string dir = windowsDirectory();
  return dir.empty() || dir.back() == '/' ? dir + f : dir + "/" + f;
}

// The file as lines without their line ends; empty when it cannot be read.
std::vector<std::string> readLines(const std::string& path) {
  std::vector<std::string> lines;
  FILE* fp = std::fopen(path.c_str(), "rb");
  if (!fp) return lines;
  std::string cur;
  int c;
  bool any = false;
  while ((c = std::fgetc(fp)) != EOF) {
    any = true;
    if (c == '\n') {
      if (!cur.empty() && cur.back() == '\r') cur.pop_back();
      lines.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(char(c));
    }
  }
  std::fclose(fp);
  if (any && !cur.empty()) lines.push_back(cur);
  return lines;
}

// A parsed view of one line.
struct Line {
  enum Kind { Other, Section, Key } kind = Other;
  std::string name;  // trimmed section or key name
  bool hasValue = false;
  std::string value;  // trimmed, for a key line with '='
};

Line parse(const std::string& raw) {
  Line l;
  size_t b = 0;
  while (b < raw.size() && blank(raw[b])) ++b;
  if (b == raw.size() || raw[b] == ';') return l;
  if (raw[b] == '[') {
    size_t close = raw.rfind(']');
    if (close == std::string::npos || close < b) return l;
    l.kind = Line::Section;
    l.name = trim(raw.substr(b + 1, close - b - 1));
    return l;
  }
  l.kind = Line::Key;
  size_t eq = raw.find('=', b);
  l.name = trim(raw.substr(b, eq == std::string::npos ? std::string::npos : eq - b));
  if (eq != std::string::npos) {
    l.hasValue = true;
    l.value = trim(raw.substr(eq + 1));
  }
  return l;
}

// [begin, end) of the first section named name: begin is its header line; -1 when there is none.
bool findSection(const std::vector<std::string>& lines, const char* name, size_t* begin, size_t* end) {
  for (size_t i = 0; i < lines.size(); ++i) {
    Line l = parse(lines[i]);
    if (l.kind != Line::Section || !sameName(l.name, name)) continue;
    size_t j = i + 1;
    while (j < lines.size() && parse(lines[j]).kind != Line::Section) ++j;
    *begin = i;
    *end = j;
    return true;
  }
  return false;
}

// The line of the first key named key in [begin + 1, end), or end.
size_t findKey(const std::vector<std::string>& lines, size_t begin, size_t end, const char* key) {
  for (size_t i = begin + 1; i < end; ++i) {
    Line l = parse(lines[i]);
    if (l.kind == Line::Key && sameName(l.name, key)) return i;
  }
  return end;
}

// Copies value into buf the way the system does: size - 1 characters at most; one pair of matching
// quotes stripped. The closing quote is dropped only when the buffer is at least as long as the value
// after its opening quote, so a value that only just fits loses its last character too (as the system's).
uint32_t copyValue(const std::string& value, char* buf, uint32_t size, bool stripQuotes) {
  const char* v = value.c_str();
  char quote = 0;
  if (stripQuotes && (v[0] == '\'' || v[0] == '"') && v[1] && value.back() == v[0]) quote = *v++;
  size_t len = std::strlen(v);
  size_t n = len < size - 1 ? len : size - 1;
  std::memcpy(buf, v, n);
  buf[n] = '\0';
  if (quote && size >= len && n > 0) buf[--n] = '\0';
  return uint32_t(n);
}

// Names (of sections, or of the keys with values in one section) as "a\0b\0\0"; a list that does not
// fit is cut at size - 2 characters, as the system does.
uint32_t copyList(const std::vector<std::string>& names, char* buf, uint32_t size) {
  if (size < 2) {
    if (size == 1) buf[0] = '\0';
    return 0;
  }
  uint32_t pos = 0;
  for (const std::string& n : names) {
    for (char c : n) {
      if (pos + 2 >= size) {
        buf[pos] = '\0';
        buf[pos + 1] = '\0';
        return size - 2;
      }
      buf[pos++] = c;
    }
    if (pos + 2 >= size) {
      buf[pos] = '\0';
      buf[pos + 1] = '\0';
      return size - 2;
    }
    buf[pos++] = '\0';
  }
  buf[pos] = '\0';
  return pos;
}

bool ensureDirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return true;
  std::string dir = path.substr(0, slash);
  struct stat st;
  if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  if (!ensureDirectoryOf(dir)) return false;
  return mkdir(dir.c_str(), 0777) == 0 || errno == EEXIST;
}

bool writeLines(const std::string& path, const std::vector<std::string>& lines) {
  if (!ensureDirectoryOf(path)) return false;
  std::string tmp = path + ".tmp" + std::to_string(long(getpid()));
  FILE* fp = std::fopen(tmp.c_str(), "wb");
  if (!fp) return false;
  bool ok = true;
  for (const std::string& l : lines) ok = ok && std::fputs(l.c_str(), fp) >= 0 && std::fputs("\r\n", fp) >= 0;
  ok = (std::fclose(fp) == 0) && ok;
  if (ok && std::rename(tmp.c_str(), path.c_str()) == 0) return true;
  std::remove(tmp.c_str());
  return false;
}

// Parses like the system's string-to-integer with automatic base: wraps at 32 bits.
int32_t parseInt(const char* s) {
  while (*s && static_cast<unsigned char>(*s) <= ' ') ++s;
  bool minus = false;
  if (*s == '+' || *s == '-') minus = *s++ == '-';
  unsigned base = 10;
  if (s[0] == '0' && s[1] == 'x')
    base = 16, s += 2;
  else if (s[0] == '0' && s[1] == 'o')
    base = 8, s += 2;
  else if (s[0] == '0' && s[1] == 'b')
    base = 2, s += 2;
  uint32_t total = 0;
  for (; *s; ++s) {
    unsigned char c = static_cast<unsigned char>(*s);
    unsigned digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'a' && c <= 'z')
      digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'Z')
      digit = c - 'A' + 10;
    else
      break;
    if (digit >= base) break;
    total = total * base + digit;
  }
  return int32_t(minus ? 0u - total : total);
}

uint32_t getStringLocked(const char* section, const char* key, const char* def, char* buf, uint32_t size,
                         const char* file) {
  if (!buf || size == 0) return 0;
  std::vector<std::string> lines = readLines(profilePath(file));
  if (!section) {
    std::vector<std::string> names;
    for (const std::string& raw : lines) {
      Line l = parse(raw);
      if (l.kind == Line::Section) names.push_back(l.name);
    }
    return copyList(names, buf, size);
  }
  size_t begin = 0, end = 0;
  bool found = findSection(lines, section, &begin, &end);
  if (!key && found) {
    std::vector<std::string> names;
    for (size_t i = begin + 1; i < end; ++i) {
      Line l = parse(lines[i]);
      if (l.kind == Line::Key && l.hasValue) names.push_back(l.name);
    }
    return copyList(names, buf, size);
  }
  // Here either a key was asked for, or the key list of a missing section, which is the default too.
  if (found && key) {
    size_t at = findKey(lines, begin, end, key);
    if (at != end) {
      Line l = parse(lines[at]);
      if (l.hasValue) return copyValue(l.value, buf, size, true);
    }
  }
  std::string d = def ? def : "";
  while (!d.empty() && d.back() == ' ') d.pop_back();
  return copyValue(d, buf, size, true);
}

}  // namespace

uint32_t profileGetString(const char* section, const char* key, const char* def, char* buf, uint32_t size,
                          const char* file) {
  std::lock_guard<std::mutex> lock(gProfileLock);
  return getStringLocked(section, key, def, buf, size, file);
}

int32_t profileGetInt(const char* section, const char* key, int32_t def, const char* file) {
  char buf[30];  // the system reads integers through a buffer this size
  std::lock_guard<std::mutex> lock(gProfileLock);
  if (getStringLocked(section, key, "", buf, sizeof buf, file) == 0) return def;
  return parseInt(buf);
}

bool profileWriteString(const char* section, const char* key, const char* value, const char* file) {
  if (!section) return !key && !value;  // the system's "flush the cache" call: nothing is cached here
  if (!file || !*file) return false;
  std::lock_guard<std::mutex> lock(gProfileLock);
  std::string path = profilePath(file);
  std::vector<std::string> lines = readLines(path);
  size_t begin = 0, end = 0;
  bool found = findSection(lines, section, &begin, &end);
  if (!key) {
    if (!found) return true;
    lines.erase(lines.begin() + begin, lines.begin() + end);
    return writeLines(path, lines);
  }
  size_t at = found ? findKey(lines, begin, end, key) : end;
  if (!value) {
    if (!found || at == end) return true;
    lines.erase(lines.begin() + at);
    return writeLines(path, lines);
  }
  std::string v = trim(value);
  if (!found) {
    lines.push_back("[" + std::string(section) + "]");
    lines.push_back(std::string(key) + "=" + v);
  } else if (at != end) {
    lines[at] = parse(lines[at]).name + "=" + v;
  } else {
    size_t last = begin;  // after the section's last entry, before any blank lines or comments that follow
    for (size_t i = begin + 1; i < end; ++i)
      if (parse(lines[i]).kind == Line::Key) last = i;
    lines.insert(lines.begin() + last + 1, std::string(key) + "=" + v);
  }
  return writeLines(path, lines);
}

std::string windowsDirectory() {
  std::string dir = environmentVariable("SORN_WINDIR");
  if (!dir.empty()) return dir;
  std::string home = environmentVariable("HOME");
  return (home.empty() ? std::string(".") : home) + "/.sorn96";
}

std::string environmentVariable(const char* name) {
  const char* v = name ? std::getenv(name) : nullptr;
  return v ? std::string(v) : std::string();
}

}  // namespace platform
