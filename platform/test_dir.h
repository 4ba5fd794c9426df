// For tests: a fresh, uniquely named directory under the system temp directory, removed with its contents
// when the object goes. Portable (std::filesystem), so the same tests run natively and under Wine.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/file.h"

namespace platform {

class TestDir {
 public:
  explicit TestDir(const std::string& tag = "t") {
    static std::atomic<unsigned> counter{0};
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) base = fs::current_path();
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (unsigned tries = 0; tries < 1000; ++tries) {
      fs::path p = base / ("sorn-" + tag + "-" + std::to_string(stamp % 1000000007) + "-" +
                           std::to_string(counter.fetch_add(1)));
      if (fs::create_directory(p, ec)) {
        path_ = p.string();
        return;
      }
    }
  }
  ~TestDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TestDir(const TestDir&) = delete;
  TestDir& operator=(const TestDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return joinPath(path_, name); }

 private:
  std::string path_;
};

}  // namespace platform
