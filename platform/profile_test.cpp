// Conformance of the settings calls: the same cases run natively (against the emulation) and in the Windows
// build under Wine (against the system's own calls), and both must pass, so the two builds read and write
// settings files alike.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/file.h"
#include "platform/test_dir.h"

namespace platform {
namespace {

// A uniquely named settings file in the Windows directory (natively a temp directory via SORN_WINDIR),
// given by its bare name as the program gives "SORN.INI", and removed afterwards.
class ProfileFile {
 public:
  explicit ProfileFile(const std::string& text = std::string()) {
#ifndef _WIN32
    winDir_.reset(new TestDir("windir"));
    setenv("SORN_WINDIR", winDir_->path().c_str(), 1);
#endif
    static int counter = 0;
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    name_ = "PT" + std::to_string(stamp % 1000000) + "_" + std::to_string(++counter) + ".INI";
    path_ = joinPath(windowsDirectory(), name_);
    if (!text.empty()) write(text);
  }
  ~ProfileFile() {
    profileWriteString(nullptr, nullptr, nullptr, name_.c_str());  // the system's cache let go first
    fileOps().remove(path_.c_str());
#ifndef _WIN32
    unsetenv("SORN_WINDIR");
#endif
  }
  const char* name() const {
    return name_.c_str();
  }

  // The file's bytes, after the system has written out what it holds.
  std::string raw() const {
    profileWriteString(nullptr, nullptr, nullptr, name_.c_str());
    File* f = nullptr;
    if (fileOpen(path_, kFileRead | kFileShareRead | kFileShareWrite, &f) != FileStatus::Ok) return "<none>";
    std::string s(65536, '\0');
    uint32_t done = 0;
    fileOps().read(f, 0, &s[0], uint32_t(s.size()), &done);
    fileClose(f);
    s.resize(done);
    return s;
  }

 private:
  void write(const std::string& text) {
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    File* f = nullptr;
    ASSERT_EQ(fileOpen(path_, kFileWrite | kFileCreate, &f), FileStatus::Ok) << path_;
    uint32_t done = 0;
    EXPECT_EQ(fileOps().write(f, 0, crlf.data(), uint32_t(crlf.size()), &done), FileStatus::Ok);
    fileClose(f);
  }

  std::unique_ptr<TestDir> winDir_;
  std::string name_, path_;
};

const char* const kSample =
    "; settings written by hand\n"
    "[Settings]\n"
    "DisplayMode=49\n"
    "  Padded  =   some value   \n"
    "Colour=240,255,220\n"
    "SmoothDelete=No\n"
    "Autoplay=Yes\n"
    "Empty=\n"
    "NoEquals\n"
    "; Hidden=1\n"
    "Dup=first\n"
    "Dup=second\n"
    "Inner Space = a  b \n"
    "Long=abcdefghij\n"
    "[Quotes]\n"
    "q1=\"quoted\"\n"
    "q2='single'\n"
    "q3=\"mismatched'\n"
    "q4=\"\n"
    "q5=\"a\"b\"\n"
    "q6= \" spaced \" \n"
    "[ Spaced Section ]\n"
    "k=v\n"
    "[Numbers]\n"
    "neg=-5\n"
    "plus=+7\n"
    "trail=12abc\n"
    "word=abc\n"
    "empty=\n"
    "gap=- 5\n"
    "min=-2147483648\n"
    "wrap=4294967295\n"
    "hex=-0x10\n"
    "quoted=\"-120\"\n"
    "[Settings]\n"
    "Later=only in the second copy\n";

struct StringCase {
  const char *section, *key, *def;
  uint32_t size;
  const char* expect;
};

TEST(ProfileConformance, ReadsStrings) {
  const StringCase cases[] = {
      {"Settings", "DisplayMode", "x", 64, "49"},
      {"SETTINGS", "displaymode", "x", 64, "49"},     // names compare case-insensitively
      {"settings", "PADDED", "x", 64, "some value"},  // key and value trimmed
      {"Settings", "Colour", "x", 64, "240,255,220"},
      {"Settings", "SmoothDelete", "x", 64, "No"},
      {"Settings", "Autoplay", "x", 64, "Yes"},
      {"Settings", "Empty", "def", 64, ""},        // present but empty: not the default
      {"Settings", "NoEquals", "def", 64, "def"},  // a line without '=' has no value
      {"Settings", "Hidden", "def", 64, "def"},    // comments are not keys
      {"Settings", "Dup", "x", 64, "first"},       // the first of two wins
      {"Settings", "Inner Space", "x", 64, "a  b"},
      {"Settings", "Later", "def", 64, "def"},  // only the first section of a name is read
      {"Settings", "Missing", "def", 64, "def"},
      {"Settings", "Missing", "def  ", 64, "def"},    // the default loses trailing blanks
      {"Settings", "Missing", "  def", 64, "  def"},  // but not leading ones
      {"Settings", "Missing", "\"qd\"", 64, "qd"},    // and its quotes
      {"Settings", "Missing", nullptr, 64, ""},
      {"Nowhere", "DisplayMode", "def", 64, "def"},
      {"Spaced Section", "k", "x", 64, "v"},
      {"Quotes", "q1", "x", 64, "quoted"},
      {"Quotes", "q2", "x", 64, "single"},
      {"Quotes", "q3", "x", 64, "\"mismatched'"},  // quotes must match to be stripped
      {"Quotes", "q4", "x", 64, "\""},
      {"Quotes", "q5", "x", 64, "a\"b"},      // one pair only
      {"Quotes", "q6", "x", 64, " spaced "},  // blanks inside quotes stay
      {"Settings", "Long", "x", 5, "abcd"},   // truncated to size - 1
      {"Settings", "Long", "x", 11, "abcdefghij"},
      {"Settings", "Long", "x", 10, "abcdefghi"},
      {"Settings", "Long", "x", 2, "a"},
      {"Settings", "Long", "x", 1, ""},
      {"Settings", "Missing", "default", 4, "def"},
      {"Quotes", "q1", "x", 4, "quo"},
      {"Quotes", "q1", "x", 9, "quoted"},
  };
  ProfileFile pf(kSample);
  for (const StringCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "[" << c.section << "] " << c.key << " size " << c.size);
    char buf[64];
    std::memset(buf, 'Z', sizeof buf);
    uint32_t n = profileGetString(c.section, c.key, c.def, buf, c.size, pf.name());
    EXPECT_STREQ(buf, c.expect);
    EXPECT_EQ(n, std::strlen(c.expect));
  }
  EXPECT_EQ(profileGet("settings", "colour", "", pf.name()), "240,255,220");
}

std::string listed(const char* section, const char* def, const char* file, uint32_t size = 1024) {
  std::string buf(size, 'Z');
  uint32_t n = profileGetString(section, nullptr, def, &buf[0], size, file);
  std::string out;
  for (uint32_t i = 0; i < n; ++i) out += buf[i] ? buf[i] : '|';
  return out;
}

TEST(ProfileConformance, ListsSectionsAndKeys) {
  ProfileFile pf(kSample);
  EXPECT_EQ(listed(nullptr, "", pf.name()), "Settings|Quotes|Spaced Section|Numbers|Settings|");
  EXPECT_EQ(listed("settings", "", pf.name()),
            "DisplayMode|Padded|Colour|SmoothDelete|Autoplay|Empty|Dup|Dup|Inner Space|Long|");
  EXPECT_EQ(listed("Nowhere", "def", pf.name()), "def");  // no such section: the default
}

struct IntCase {
  const char* key;
  int32_t def, expect;
};

TEST(ProfileConformance, ReadsSignedIntegers) {
  const IntCase cases[] = {
      {"neg", 42, -5},     {"plus", 42, 7},     {"trail", 42, 12},  // digits up to a non-digit
      {"word", 42, 0},  // a value without digits reads as 0, not the default
      {"empty", 42, 42},   {"missing", -3, -3}, {"gap", 42, 0},
      {"min", 0, INT_MIN}, {"wrap", 0, -1},  // 32-bit wrap-around
      {"hex", 0, -16},                       // the system reads a 0x prefix as hexadecimal
      {"quoted", 0, -120},                   // quotes are stripped before parsing
  };
  ProfileFile pf(kSample);
  for (const IntCase& c : cases)
    EXPECT_EQ(profileGetInt("NUMBERS", c.key, c.def, pf.name()), c.expect) << c.key;
  EXPECT_EQ(profileGetInt("Nowhere", "neg", 17, pf.name()), 17);
}

TEST(ProfileConformance, WritesKeysAndSections) {
  ProfileFile pf(kSample);
  const char* f = pf.name();
  ASSERT_TRUE(profileWriteString("settings", "DISPLAYMODE", "50", f));
  EXPECT_EQ(profileGet("Settings", "DisplayMode", "", f), "50");
  EXPECT_EQ(profileGet("Settings", "Colour", "", f), "240,255,220");  // neighbours untouched
  ASSERT_TRUE(profileWriteString("Settings", "XLoc", "-120", f));     // a new key in an existing section
  EXPECT_EQ(profileGetInt("Settings", "XLoc", 0, f), -120);
  ASSERT_TRUE(profileWriteString("Size", "CueList", "0", f));  // a new section
  EXPECT_EQ(profileGetInt("size", "cuelist", 9, f), 0);
  ASSERT_TRUE(profileWriteString("Size", "Blanks", "  padded  ", f));
  EXPECT_EQ(profileGet("Size", "Blanks", "", f), "padded");
  ASSERT_TRUE(profileWriteString("Size", "Quoted", "\"kept\"", f));
  EXPECT_EQ(profileGet("Size", "Quoted", "", f), "kept");
  ASSERT_TRUE(profileWriteString("Size", "Nothing", "", f));
  EXPECT_EQ(profileGet("Size", "Nothing", "def", f), "");
  EXPECT_EQ(profileGetInt("Size", "Nothing", 5, f), 5);

  ASSERT_TRUE(profileWriteString("Settings", "SmoothDelete", nullptr, f));  // null value: delete the key
  EXPECT_EQ(profileGet("Settings", "SmoothDelete", "gone", f), "gone");
  EXPECT_EQ(profileGet("Settings", "Autoplay", "", f), "Yes");
  ASSERT_TRUE(profileWriteString("Settings", "NeverThere", nullptr, f));
  ASSERT_TRUE(profileWriteString("Quotes", nullptr, nullptr, f));  // null key: delete the section
  EXPECT_EQ(profileGet("Quotes", "q1", "gone", f), "gone");
  EXPECT_EQ(profileGet("Spaced Section", "k", "", f), "v");
  EXPECT_EQ(profileGetInt("Numbers", "neg", 0, f), -5);

  std::string raw = pf.raw();
  EXPECT_NE(raw.find("; settings written by hand\r\n"), std::string::npos) << raw;
  EXPECT_NE(raw.find("DisplayMode=50\r\n"), std::string::npos) << raw;  // the key keeps its spelling
  EXPECT_NE(raw.find("[Size]\r\n"), std::string::npos) << raw;
  EXPECT_EQ(raw.find("SmoothDelete"), std::string::npos) << raw;
  EXPECT_EQ(raw.find("[Quotes]"), std::string::npos) << raw;
  EXPECT_EQ(raw.find("q2="), std::string::npos) << raw;
}

TEST(ProfileConformance, WritingCreatesTheFile) {
  ProfileFile pf;
  EXPECT_EQ(profileGet("Settings", "NT", "absent", pf.name()), "absent");
  ASSERT_TRUE(profileWriteString("Settings", "NT", "No", pf.name()));
  EXPECT_EQ(profileGet("settings", "nt", "", pf.name()), "No");
  EXPECT_EQ(pf.raw(), "[Settings]\r\nNT=No\r\n");
}

TEST(Profile, EnvironmentAndWindowsDirectory) {
  EXPECT_EQ(environmentVariable("SORN_SURELY_UNSET_VARIABLE"), "");
  EXPECT_FALSE(windowsDirectory().empty());
#ifndef _WIN32
  setenv("SORN_WINDIR", "/some/where", 1);
  EXPECT_EQ(windowsDirectory(), "/some/where");
  unsetenv("SORN_WINDIR");
  EXPECT_NE(windowsDirectory().find(".sorn96"), std::string::npos);
#endif
}

}  // namespace
}  // namespace platform
