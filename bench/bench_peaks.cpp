// Peak scan benchmark: the "Scanning File..." pass of opening a wave without its peak file. It writes a
// 16-bit stereo WAV, maps its data into a virtual file as the program does, and measures in the same run,
// with the file's pages in the system cache: the warm sequential read through the store (64 KB pieces),
// the fold of samples into peak entries alone (from memory), and the whole scan (reads, conversion check
// and fold, a progress callback after each entry as the query makes it). The scan's goal is at least 70%
// of the warm read.
//
// Prints one JSON object on stdout; progress goes to stderr.
//   bench_peaks [--size 256M] [--dir build/bench-data] [--repeats 3]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "document/hf_sample_file.h"
#include "document/peak_summary.h"
#include "platform/file.h"
#include "storage/store.h"
#include "storage/vfile.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kBlock = 0x10000;
constexpr uint32_t kWavHeader = 44;
constexpr uint32_t kCacheKB = 2048;  // the default wave cache

double msSince(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}
double mbPerS(uint64_t bytes, double ms) {
  return ms > 0 ? bytes / 1048576.0 / (ms / 1000.0) : 0;
}

uint64_t parseSize(const std::string& s) {
  char* end = nullptr;
  double v = std::strtod(s.c_str(), &end);
  if (end == s.c_str() || v <= 0) return 0;
  uint64_t unit = 1;
  if (*end == 'K' || *end == 'k') unit = 1024;
  if (*end == 'M' || *end == 'm') unit = 1u << 20;
  if (*end == 'G' || *end == 'g') unit = 1u << 30;
  return uint64_t(v * double(unit)) & ~uint64_t(3);
}

void put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// A canonical 44-byte header and a noisy signal (so no entry is trivially constant).
bool writeWav(const std::string& path, uint32_t dataBytes) {
  uint8_t h[kWavHeader] = {'R',  'I',  'F', 'F', 0, 0, 0,  0, 'W', 'A', 'V',  'E',  'f', 'm',
                           't',  ' ',  16,  0,   0, 0, 1,  0, 2,   0,   0x44, 0xAC, 0,   0,
                           0x10, 0xB1, 2,   0,   4, 0, 16, 0, 'd', 'a', 't',  'a'};
  put32(h + 4, dataBytes + 36);
  put32(h + 40, dataBytes);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(h, 1, sizeof h, f) == sizeof h;
  std::vector<uint8_t> buf(1u << 20);
  uint32_t x = 99;
  for (size_t i = 0; i < buf.size(); ++i) {
    x = x * 1103515245u + 12345u;
    buf[i] = uint8_t(x >> 23);
  }
  for (uint64_t done = 0; ok && done < dataBytes;) {
    size_t n = size_t(std::min<uint64_t>(buf.size(), dataBytes - done));
    buf[0] = uint8_t(done >> 20);
    ok = std::fwrite(buf.data(), 1, n, f) == n;
    done += n;
  }
  return std::fclose(f) == 0 && ok;
}

std::string num(double v) {
  char t[64];
  std::snprintf(t, sizeof t, "%.3f", v);
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  std::string sizeArg = "256M", dir = "build/bench-data";
  int repeats = 3;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--size" && i + 1 < argc) {
      sizeArg = argv[++i];
    } else if (a == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else if (a == "--repeats" && i + 1 < argc) {
      repeats = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: bench_peaks [--size 256M] [--dir build/bench-data] [--repeats 3]\n");
      return 2;
    }
  }
  const uint64_t size = parseSize(sizeArg);
  if (size == 0 || size > 0xFFFFFFF0u) {
    std::fprintf(stderr, "bench_peaks: bad size \"%s\"\n", sizeArg.c_str());
    return 2;
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  const std::string path = platform::joinPath(dir, "bench-peaks.wav");
  std::fprintf(stderr, "bench_peaks: writing %s\n", path.c_str());
  if (!writeWav(path, uint32_t(size))) {
    std::fprintf(stderr, "bench_peaks: could not write the source file\n");
    return 1;
  }
  storage::StoreUi ui;
  const int init = storage::VfInit(dir, "", 0, 0, kCacheKB, ui);
  if (init != storage::VF_OK && init != storage::VF_WARN_TEMP1_ROOT && init != storage::VF_WARN_TEMP2_ROOT) {
    std::fprintf(stderr, "bench_peaks: store did not start\n");
    std::remove(path.c_str());
    return 1;
  }
  int st = 0;
  storage::HfHandle* h = storage::HfOpen(path, kWavHeader, uint32_t(size), 1, 0, nullptr, true, &st);
  if (!h) {
    std::fprintf(stderr, "bench_peaks: HfOpen failed with status %d\n", st);
    storage::VfShutdown();
    std::remove(path.c_str());
    return 1;
  }
  storage::HfSetFormat(h, 2, 16);
  document::HfSampleFile wave(h);
  const uint32_t frames = uint32_t(size / 4);

  // Warm read through the store: once to bring the pages in, then timed; the best of the repeats.
  std::vector<uint8_t> buf(kBlock);
  double warm = 0;
  for (int r = 0; r <= repeats; ++r) {
    uint64_t total = 0;
    auto t0 = Clock::now();
    for (uint32_t at = 0; at < size; at += kBlock) total += storage::HfRead(h, at, kBlock, buf.data());
    if (r > 0) warm = std::max(warm, mbPerS(total, msSince(t0)));
  }

  // The whole scan, as opening does it: a fresh summary queried over the whole wave with a progress
  // callback after each entry.
  double scan = 0;
  uint64_t entries = 0, callbacks = 0;
  for (int r = 0; r < repeats; ++r) {
    document::PeakSummary peaks(&wave, 2, 0);
    document::PeakExtremes e;
    callbacks = 0;
    auto t0 = Clock::now();
    peaks.query(0, frames - 1, &e, [&callbacks](uint32_t, uint32_t, uint32_t) {
      ++callbacks;
      return 0;
    });
    scan = std::max(scan, mbPerS(uint64_t(peaks.builtLength()) * 4, msSince(t0)));
    entries = peaks.entryCount();
  }

  // The fold alone: a 64 KB buffer of samples summarised again and again through a summary of a wave in
  // memory, which is the per-sample loop with nothing to read from disk.
  document::MemorySampleFile memory(document::XF_STEREO | document::XF_16BIT);
  std::vector<uint8_t> bytes(8u << 20);
  storage::HfRead(h, 0, uint32_t(bytes.size()), bytes.data());
  memory.setBytes(bytes);
  double foldRate = 0;
  for (int r = 0; r < repeats; ++r) {
    auto t0 = Clock::now();
    uint64_t done = 0;
    for (int k = 0; k < 16; ++k) {
      document::PeakSummary peaks(&memory, 2, 0);
      document::PeakExtremes e;
      peaks.query(0, uint32_t(bytes.size() / 4) - 1, &e);
      done += bytes.size();
    }
    foldRate = std::max(foldRate, mbPerS(done, msSince(t0)));
  }

  storage::HfClose(h);
  storage::VfShutdown();
  std::remove(path.c_str());
  std::printf(
      "{\"size_mb\": %s, \"warm_read_mb_s\": %s, \"scan_mb_s\": %s, \"scan_ratio\": %s, \"scan_goal_ratio\": "
      "0.7, \"memory_fold_mb_s\": %s, \"entries\": %llu, \"progress_callbacks\": %llu}\n",
      num(size / 1048576.0).c_str(), num(warm).c_str(), num(scan).c_str(),
      num(warm > 0 ? scan / warm : 0).c_str(), num(foldRate).c_str(),
      static_cast<unsigned long long>(entries), static_cast<unsigned long long>(callbacks));
  return 0;
}
