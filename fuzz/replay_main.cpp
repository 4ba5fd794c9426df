// Replays a fuzz corpus without libFuzzer: runs LLVMFuzzerTestOneInput over every file of the directories
// (or single files) named on the command line. Built with each fuzz target in the ordinary native and
// Windows builds, so ctest re-checks the corpus, including under Wine.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

namespace {

bool readFile(const fs::path& p, std::vector<uint8_t>* out) {
  FILE* f = std::fopen(p.string().c_str(), "rb");
  if (!f) return false;
  out->clear();
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out->insert(out->end(), buf, buf + n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

// Under Wine a Unix absolute path normally resolves through the current drive; when it does not, the
// Z: drive maps the Unix root.
fs::path resolve(const std::string& arg) {
  fs::path p(arg);
#ifdef _WIN32
  std::error_code ec;
  if (!fs::exists(p, ec) && !arg.empty() && arg[0] == '/') p = fs::path("Z:" + arg);
#endif
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s corpus-dir-or-file...\n", argv[0]);
    return 2;
  }
  int files = 0;
  for (int i = 1; i < argc; ++i) {
    fs::path p = resolve(argv[i]);
    std::error_code ec;
    std::vector<fs::path> list;
    if (fs::is_directory(p, ec)) {
      for (const fs::directory_entry& e : fs::directory_iterator(p, ec))
        if (e.is_regular_file()) list.push_back(e.path());
    } else if (fs::is_regular_file(p, ec)) {
      list.push_back(p);
    } else {
      std::fprintf(stderr, "replay: cannot find %s\n", argv[i]);
      return 1;
    }
    for (const fs::path& f : list) {
      std::vector<uint8_t> bytes;
      if (!readFile(f, &bytes)) {
        std::fprintf(stderr, "replay: cannot read %s\n", f.string().c_str());
        return 1;
      }
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
      ++files;
    }
  }
  std::printf("replayed %d inputs\n", files);
  // An empty corpus would make the test pass without checking anything.
  return files > 0 ? 0 : 1;
}
