// Windows build of storage_tests only: starts the test framework's thread-local watcher thread once, before
// the first test. The framework starts that thread the first time a test uses SCOPED_TRACE; that happened
// while the store's cache thread of the same test was still starting, and two threads starting at once
// crash the 32-bit emulator this suite runs under (a plain CreateThread pair does it, no store code needed).
// With the watcher already running, every test starts only its one cache thread.
#include <gtest/gtest.h>

#include "platform/win32.h"

namespace storage {
namespace {

class WatcherFirst : public ::testing::Environment {
 public:
  void SetUp() override {
    SCOPED_TRACE("start the framework's thread-local watcher now");
    Sleep(200);  // let it reach its wait before any other thread starts
  }
};

const ::testing::Environment* const kWatcherFirst = ::testing::AddGlobalTestEnvironment(new WatcherFirst);

}  // namespace
}  // namespace storage
