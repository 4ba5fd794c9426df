// Tests of what only the native settings emulation decides: line ends, keeping the file's other lines
// byte for byte, where new keys go, the default directory, and failures. (What both builds share is in
// profile_test.cpp.)
#ifndef _WIN32
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/profile.h"
#include "platform/test_dir.h"

namespace platform {
namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void spit(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

TEST(ProfileEmulation, ReadsUnixLineEndsAndAnUnterminatedLastLine) {
  TestDir dir;
  const std::string f = dir.file("a.ini");
  spit(f, "[A]\nx=1\ny = two");
  EXPECT_EQ(profileGet("a", "x", "", f.c_str()), "1");
  EXPECT_EQ(profileGet("a", "y", "", f.c_str()), "two");
}

TEST(ProfileEmulation, WritesKeepOtherLinesByteForByte) {
  TestDir dir;
  const std::string f = dir.file("b.ini");
  spit(f,
       "; top comment\r\n"
       "\r\n"
       "[One]\r\n"
       "  spaced   =  kept as is  \r\n"
       "old=1\r\n"
       "\r\n"
       "; about Two\r\n"
       "[Two]\r\n"
       "k=v\r\n");
  ASSERT_TRUE(profileWriteString("one", "OLD", "2", f.c_str()));
  ASSERT_TRUE(profileWriteString("One", "added", "3", f.c_str()));
  ASSERT_TRUE(profileWriteString("Three", "n", "4", f.c_str()));
  EXPECT_EQ(slurp(f),
            "; top comment\r\n"
            "\r\n"
            "[One]\r\n"
            "  spaced   =  kept as is  \r\n"
            "old=2\r\n"
            "added=3\r\n"  // after the section's last entry, before its trailing blank line and comment
            "\r\n"
            "; about Two\r\n"
            "[Two]\r\n"
            "k=v\r\n"
            "[Three]\r\n"
            "n=4\r\n");
  ASSERT_TRUE(profileWriteString("One", nullptr, nullptr, f.c_str()));
  EXPECT_EQ(slurp(f), "; top comment\r\n\r\n[Two]\r\nk=v\r\n[Three]\r\nn=4\r\n");
}

TEST(ProfileEmulation, QuotedValueThatJustFitsLosesItsLastCharacterLikeTheSystem) {
  TestDir dir;
  const std::string f = dir.file("q.ini");
  spit(f, "[Q]\nq=\"quoted\"\n");
  char buf[16];
  EXPECT_EQ(profileGetString("Q", "q", "", buf, 7, f.c_str()), 5u);
  EXPECT_STREQ(buf, "quote");
  EXPECT_EQ(profileGetString("Q", "q", "", buf, 8, f.c_str()), 6u);
  EXPECT_STREQ(buf, "quoted");
}

TEST(ProfileEmulation, LongValuesAndLists) {
  TestDir dir;
  const std::string f = dir.file("l.ini");
  const std::string big(5000, 'v');
  ASSERT_TRUE(profileWriteString("L", "big", big.c_str(), f.c_str()));
  EXPECT_EQ(profileGet("L", "big", "", f.c_str()), big.substr(0, 4095));
  ASSERT_TRUE(profileWriteString("L", "second", "2", f.c_str()));
  char buf[8];
  // "big\0second\0" does not fit in 8: cut at size - 2 with two terminators.
  EXPECT_EQ(profileGetString("L", nullptr, "", buf, sizeof buf, f.c_str()), 6u);
  EXPECT_EQ(std::string(buf, 8), std::string("big\0se\0\0", 8));
}

TEST(ProfileEmulation, BareNamesLiveInTheDefaultDirectoryCreatedOnWrite) {
  TestDir home;
  const char* oldHome = getenv("HOME");
  std::string saved = oldHome ? oldHome : "";
  setenv("HOME", home.path().c_str(), 1);
  unsetenv("SORN_WINDIR");
  EXPECT_EQ(windowsDirectory(), home.path() + "/.sorn96");
  EXPECT_EQ(profileGet("S", "k", "none", "SORN.INI"), "none");  // reading creates nothing
  EXPECT_TRUE(slurp(home.path() + "/.sorn96/SORN.INI").empty());
  ASSERT_TRUE(profileWriteString("S", "k", "v", "SORN.INI"));
  EXPECT_EQ(slurp(home.path() + "/.sorn96/SORN.INI"), "[S]\r\nk=v\r\n");
  if (oldHome) setenv("HOME", saved.c_str(), 1);
}

TEST(ProfileEmulation, UnwritableFileReportsFailureAndChangesNothing) {
  TestDir dir;
  const std::string f = dir.file("plainfile");
  spit(f, "not a directory");
  const std::string inside = f + "/x.ini";  // its "directory" is a file
  EXPECT_FALSE(profileWriteString("S", "k", "v", inside.c_str()));
  EXPECT_EQ(slurp(f), "not a directory");
  EXPECT_FALSE(profileWriteString("S", "k", "v", ""));
  EXPECT_TRUE(profileWriteString(nullptr, nullptr, nullptr, "any.ini"));  // flush: nothing cached
}

}  // namespace
}  // namespace platform
#endif  // _WIN32
