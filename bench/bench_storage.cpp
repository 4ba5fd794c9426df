// Storage benchmark: for each source size it writes a 16-bit stereo WAV file, maps its data into a
// virtual file and measures opening, cold and warm sequential reads, the first write to a mapped block,
// inserts and cuts in the middle (time and exact block reads and writes from a cold cache until an explicit
// write-back), splicing and copying a 64 MB range, closing with compaction, and peak memory. Reference
// figures from the same filesystem (direct reads in 64 KB and 1 MB pieces with the page cache evicted,
// sequential writes, a 64 KB memcpy) come first, and figures are also given as ratios to them.
//
// Prints one JSON object on stdout; progress goes to stderr.
//   bench_storage [--sizes 256M,1G,1900M] [--dir build/bench-data]
#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "include/sorn_bytes.h"
#include "platform/file.h"
#include "storage/cache.h"
#include "storage/store.h"
#include "storage/vfile.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kBlock = 0x10000;
constexpr uint32_t kWavHeader = 44;
constexpr uint32_t kRange = 64u << 20;  // the spliced and copied range
constexpr uint32_t kCacheKB = 2048;     // the default wave cache

double msSince(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}
double mbPerS(uint64_t bytes, double ms) {
  return ms > 0 ? bytes / 1048576.0 / (ms / 1000.0) : 0;
}

// "256M" -> bytes; 0 when malformed.
uint64_t parseSize(const std::string& s) {
  char* end = nullptr;
  double v = std::strtod(s.c_str(), &end);
  if (end == s.c_str() || v <= 0) return 0;
  uint64_t unit = 1;
  if (*end == 'K' || *end == 'k') unit = 1024;
  if (*end == 'M' || *end == 'm') unit = 1u << 20;
  if (*end == 'G' || *end == 'g') unit = 1u << 30;
  return uint64_t(v * double(unit)) & ~uint64_t(3);  // whole stereo 16-bit frames
}

// ---- Plain file I/O for the references and the source files ----

// Drops the file's pages from the system cache, so the next read comes from the disk.
void evict(const std::string& path) {
#if !defined(_WIN32)
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return;
  ::fdatasync(fd);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  ::close(fd);
#else
  (void)path;
#endif
}

// Writes header + size bytes sequentially in 1 MB pieces and syncs; returns MB/s (0 on failure).
double writeFile(const std::string& path, const std::vector<uint8_t>& header, uint64_t size) {
  std::vector<uint8_t> buf(1u << 20);
  uint32_t x = 12345;
  for (size_t i = 0; i < buf.size(); i += 2) {
    x = x * 1103515245u + 12345u;
    buf[i] = uint8_t(x >> 16);
    buf[i + 1] = uint8_t(x >> 24);
  }
  auto t0 = Clock::now();
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  bool ok = header.empty() || std::fwrite(header.data(), 1, header.size(), f) == header.size();
  for (uint64_t done = 0; ok && done < size;) {
    size_t n = size_t(std::min<uint64_t>(buf.size(), size - done));
    buf[0] = uint8_t(done >> 20);  // no two pieces alike
    ok = std::fwrite(buf.data(), 1, n, f) == n;
    done += n;
  }
  ok = std::fflush(f) == 0 && ok;
#if !defined(_WIN32)
  ok = ::fsync(fileno(f)) == 0 && ok;
#endif
  ok = std::fclose(f) == 0 && ok;
  return ok ? mbPerS(header.size() + size, msSince(t0)) : 0;
}

// Reads the whole file in pieces of the given size, after evicting it; returns MB/s.
double readFile(const std::string& path, uint32_t piece) {
  evict(path);
  std::vector<uint8_t> buf(piece);
  uint64_t total = 0;
  auto t0 = Clock::now();
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return 0;
  std::setvbuf(f, nullptr, _IONBF, 0);
  for (size_t n; (n = std::fread(buf.data(), 1, piece, f)) > 0;) total += n;
  std::fclose(f);
  return mbPerS(total, msSince(t0));
}

double memcpyRate() {
  std::vector<uint8_t> a(kBlock, 1), b(kBlock);
  const int rounds = 20000;
  auto t0 = Clock::now();
  for (int i = 0; i < rounds; ++i) {
    a[i % kBlock] = uint8_t(i);
    std::memcpy(b.data(), a.data(), kBlock);
  }
  volatile uint8_t sink = b[123];
  (void)sink;
  return mbPerS(uint64_t(rounds) * kBlock, msSince(t0));
}

std::vector<uint8_t> wavHeader(uint32_t dataBytes) {
  std::vector<uint8_t> h(kWavHeader);
  std::memcpy(&h[0], "RIFF", 4);
  SornPutU32LE(&h[4], 36 + dataBytes);
  std::memcpy(&h[8], "WAVEfmt ", 8);
  SornPutU32LE(&h[16], 16);
  SornPutU16LE(&h[20], 1);
  SornPutU16LE(&h[22], 2);
  SornPutU32LE(&h[24], 44100);
  SornPutU32LE(&h[28], 44100 * 4);
  SornPutU16LE(&h[32], 4);
  SornPutU16LE(&h[34], 16);
  std::memcpy(&h[36], "data", 4);
  SornPutU32LE(&h[40], dataBytes);
  return h;
}

// Peak resident memory in MB since the last reset (-1 where unknown).
double peakRssMb() {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  return -1;
}
void resetPeakRss() {
  std::ofstream out("/proc/self/clear_refs");
  if (out) out << "5";
}

// ---- Store measurements ----

// Every dirty block written back and nothing cached; read-ahead stopped (a request without a hint is served
// after any read-ahead in flight and leaves none behind); counters at zero.
void coldCache() {
  storage::WaveCache* c = storage::VfGetCache();
  storage::CacheFlushAll(c);
  auto forget = [&] {
    for (int s = 0; s < storage::kVfSlotCount; ++s)
      if (storage::VfSlotInUse(s)) storage::CacheForgetSlot(c, uint32_t(s));
  };
  forget();
  uint8_t b;
  storage::CacheRead(c, &b, 0, uint32_t(storage::VfTempSlot(1)), -1, 0, 1);
  forget();
  platform::resetIoCounters();
}

struct Edit {
  double ms = 0;
  uint64_t reads = 0, writes = 0;
};

// Runs an edit from a cold cache (cursor already near the edit point) and counts its block I/O up to an
// explicit write-back.
template <class F>
Edit measureEdit(storage::HfHandle* h, uint32_t at, F op) {
  uint8_t b;
  storage::HfRead(h, at, 1, &b);
  coldCache();
  Edit e;
  auto t0 = Clock::now();
  op();
  e.ms = msSince(t0);
  storage::CacheFlushAll(storage::VfGetCache());
  platform::IoCounters io = platform::ioCounters();
  e.reads = io.reads;
  e.writes = io.writes;
  return e;
}

struct Reference {
  double read64k = 0, read1m = 0, write = 0, memcpy = 0;
};

using Figures = std::vector<std::pair<std::string, std::string>>;

std::string num(double v) {
  char s[64];
  std::snprintf(s, sizeof s, "%.3f", v);
  return s;
}
std::string num(uint64_t v) {
  return std::to_string(v);
}

// Measures one size; false (with a reason) when the store could not take it.
bool measureSize(const std::string& dir, uint64_t size, const Reference& ref, Figures* out,
                 std::string* why) {
  std::string path = platform::joinPath(dir, "bench-" + std::to_string(size >> 20) + "M.wav");
  std::fprintf(stderr, "bench_storage: writing %s\n", path.c_str());
  if (writeFile(path, wavHeader(uint32_t(size)), size) <= 0) {
    *why = "could not write the source file";
    return false;
  }
  resetPeakRss();
  storage::StoreUi ui;
  int init = storage::VfInit(dir, "", 0, 0, kCacheKB, ui);
  if (init != storage::VF_OK && init != storage::VF_WARN_TEMP1_ROOT && init != storage::VF_WARN_TEMP2_ROOT) {
    *why = "store did not start";
    std::remove(path.c_str());
    return false;
  }
  Figures& f = *out;
  evict(path);
  platform::resetIoCounters();
  int st = 0;
  auto t0 = Clock::now();
  storage::HfHandle* h = storage::HfOpen(path, kWavHeader, uint32_t(size), 1, 0, nullptr, true, &st);
  double openMs = msSince(t0);
  uint64_t openBytes = platform::ioCounters().bytesRead;
  if (!h) {
    *why = "HfOpen failed with status " + std::to_string(st);
    storage::VfShutdown();
    std::remove(path.c_str());
    return false;
  }
  f.push_back({"open_ms", num(openMs)});
  f.push_back({"open_data_bytes", num(openBytes)});

  // Sequential reads in 64 KB pieces: cold (system cache evicted, store cache empty), then warm.
  std::vector<uint8_t> buf(kBlock);
  auto readAll = [&](uint64_t limit) {
    uint64_t total = 0;
    auto r0 = Clock::now();
    for (uint32_t at = 0; at < limit; at += kBlock) total += storage::HfRead(h, at, kBlock, buf.data());
    return mbPerS(total, msSince(r0));
  };
  evict(path);
  double cold = readAll(size);
  const uint64_t warmBytes = std::min<uint64_t>(size, 256u << 20);
  readAll(warmBytes);  // pages now in the system cache
  double warm = readAll(warmBytes);
  f.push_back({"cold_read_mb_s", num(cold)});
  f.push_back({"cold_read_ratio", num(ref.read64k > 0 ? cold / ref.read64k : 0)});
  f.push_back({"warm_read_mb_s", num(warm)});
  f.push_back({"warm_read_ratio", num(ref.memcpy > 0 ? warm / ref.memcpy : 0)});

  const uint32_t mid = uint32_t(size / 2) + 1000;
  Edit first = measureEdit(h, mid, [&] {
    uint8_t two[2] = {1, 2};
    storage::HfWrite(h, mid, 2, two);
  });
  f.push_back({"first_write_block_reads", num(first.reads)});
  f.push_back({"first_write_block_writes", num(first.writes)});

  // Warm-up: the first edits of a thread allocate its scratch buffers (page faults), once per process.
  if (storage::HfHandle* w = storage::HfCreate(1, 0, nullptr, false, &st)) {
    storage::HfWrite(w, 0, kBlock, buf.data());
    storage::HfInsert(w, 100, 1, true, 0);
    storage::HfCut(w, 100, 1);
    storage::HfClose(w);
  }
  struct Named {
    const char* name;
    std::function<void()> op;
  };
  const uint32_t at = mid + 3 * kBlock;  // a block not touched yet
  std::vector<Named> edits = {
      {"insert1", [&] { storage::HfInsert(h, at, 1, true, 0); }},
      {"insert64k", [&] { storage::HfInsert(h, at + 4 * kBlock, kBlock, true, 0); }},
      {"cut1", [&] { storage::HfCut(h, at + 8 * kBlock, 1); }},
      {"cut64k", [&] { storage::HfCut(h, at + 12 * kBlock, kBlock); }},
  };
  for (const Named& n : edits) {
    Edit e = measureEdit(h, at, n.op);
    f.push_back({std::string(n.name) + "_ms", num(e.ms)});
    f.push_back({std::string(n.name) + "_block_reads", num(e.reads)});
    f.push_back({std::string(n.name) + "_block_writes", num(e.writes)});
  }

  // A 64 MB copy from the middle, spliced back in at the middle.
  const uint32_t range = uint32_t(std::min<uint64_t>(kRange, size / 4));
  uint32_t from = uint32_t(size / 2 - range / 2);
  t0 = Clock::now();
  storage::HfHandle* c = storage::HfCopy(h, from, range, 0, false, &st, nullptr);
  double copyMs = msSince(t0);
  uint32_t copied = c ? storage::HfGetLength(c) : 0;
  f.push_back({"copy_mb_s", num(mbPerS(copied, copyMs))});
  f.push_back({"copy_ratio", num(ref.write > 0 ? mbPerS(copied, copyMs) / ref.write : 0)});
  double spliceMs = 0;
  if (c) {
    uint8_t b;
    storage::HfRead(h, mid, 1, &b);
    t0 = Clock::now();
    int r = storage::HfInsertFile(h, c, mid);
    spliceMs = msSince(t0);
    if (r != storage::VF_OK) storage::HfClose(c);
  }
  f.push_back({"insertfile_ms", num(spliceMs)});

  t0 = Clock::now();
  storage::HfClose(h);
  f.push_back({"close_compact_ms", num(msSince(t0))});
  f.push_back({"peak_rss_mb", num(peakRssMb())});
  storage::VfShutdown();
  std::remove(path.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string sizesArg = "256M,1G,1900M", dir = "build/bench-data";
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--sizes" && i + 1 < argc) {
      sizesArg = argv[++i];
    } else if (a == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else {
      std::fprintf(stderr, "usage: bench_storage [--sizes 256M,1G,1900M] [--dir build/bench-data]\n");
      return 2;
    }
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  std::vector<std::pair<std::string, uint64_t>> sizes;
  for (size_t p = 0; p <= sizesArg.size();) {
    size_t q = sizesArg.find(',', p);
    if (q == std::string::npos) q = sizesArg.size();
    std::string s = sizesArg.substr(p, q - p);
    uint64_t bytes = parseSize(s);
    if (bytes == 0 || bytes > 0xFFFFFFF0u) {
      std::fprintf(stderr, "bench_storage: bad size \"%s\"\n", s.c_str());
      return 2;
    }
    sizes.push_back({s, bytes});
    p = q + 1;
  }

  // References on the same filesystem, with a file as large as the smallest size (at most 256 MB).
  Reference ref;
  uint64_t refBytes = 256u << 20;
  for (auto& s : sizes) refBytes = std::min(refBytes, s.second);
  std::string refPath = platform::joinPath(dir, "bench-reference.raw");
  std::fprintf(stderr, "bench_storage: references\n");
  ref.write = writeFile(refPath, {}, refBytes);
  ref.read64k = readFile(refPath, kBlock);
  ref.read1m = readFile(refPath, 1u << 20);
  ref.memcpy = memcpyRate();
  std::remove(refPath.c_str());

  std::vector<std::pair<std::string, Figures>> done;
  std::vector<std::string> skipped;
  for (auto& s : sizes) {
    int64_t freeBytes = platform::diskFree(dir);
    // The source, the copied range and the edits' blocks in temp storage, with a margin.
    if (freeBytes >= 0 && uint64_t(freeBytes) < s.second + 2 * kRange + (256u << 20)) {
      skipped.push_back(s.first + ": not enough disk space");
      continue;
    }
    Figures f;
    std::string why;
    std::fprintf(stderr, "bench_storage: %s\n", s.first.c_str());
    if (measureSize(dir, s.second, ref, &f, &why))
      done.push_back({s.first, f});
    else
      skipped.push_back(s.first + ": " + why);
  }

  std::printf(
      "{\"reference\": {\"read64k_mb_s\": %s, \"read1m_mb_s\": %s, \"write_mb_s\": %s, \"memcpy_mb_s\": "
      "%s},\n",
      num(ref.read64k).c_str(), num(ref.read1m).c_str(), num(ref.write).c_str(), num(ref.memcpy).c_str());
  std::printf(" \"sizes\": {");
  for (size_t i = 0; i < done.size(); ++i) {
    std::printf("%s\n  \"%s\": {", i ? "," : "", done[i].first.c_str());
    const Figures& f = done[i].second;
    for (size_t k = 0; k < f.size(); ++k)
      std::printf("%s\"%s\": %s", k ? ", " : "", f[k].first.c_str(), f[k].second.c_str());
    std::printf("}");
  }
  std::printf("},\n \"skipped\": [");
  for (size_t i = 0; i < skipped.size(); ++i) std::printf("%s\"%s\"", i ? ", " : "", skipped[i].c_str());
  std::printf("]}\n");
  return 0;
}
