// Display benchmark: plans repaints of a 1.9 GB stereo 16-bit wave without a 1.9 GB file. The wave is a
// synthetic sample file (a triangle per channel, computed on read, reads counted) and its peak summary is
// adopted as a synthetic table of one entry per 256 frames, as a peak file would load it.
//
// Reports, as one JSON object on stdout:
//   - the time to plan a full view (every column from the peak summary, column cache emptied first, as
//     after a zoom) per repaint, mean and worst, for the column planner alone and for the whole drawing
//     plan;
//   - for zoomed-in views at random positions (0.05 to 258 samples per column, i.e. up to the peak block
//     size + 2, where samples are read), the frames read from the wave against the frames shown.
//   bench_display [--size 1900M] [--columns 1000] [--repeats 20] [--views 5]
#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "display/document_source.h"
#include "display/paint_plan.h"
#include "display/synthetic_wave.h"
#include "document/peak_summary.h"
#include "document/wave_format.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

uint64_t ParseSize(const char* s) {
  char* end = nullptr;
  const double v = std::strtod(s, &end);
  uint64_t unit = 1;
  if (*end == 'K' || *end == 'k') unit = 1024;
  if (*end == 'M' || *end == 'm') unit = 1u << 20;
  if (*end == 'G' || *end == 'g') unit = 1u << 30;
  return v > 0 ? static_cast<uint64_t>(v * static_cast<double>(unit)) : 0;
}

struct Timing {
  double mean = 0, worst = 0;
};

}  // namespace

using display::SyntheticEntries;
using display::SyntheticWave;

int main(int argc, char** argv) {
  uint64_t bytes = 1900ull << 20;
  int columns = 1000, repeats = 20, views = 5;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 < argc && a == "--size") {
      bytes = ParseSize(argv[++i]);
    } else if (i + 1 < argc && a == "--columns") {
      columns = std::atoi(argv[++i]);
    } else if (i + 1 < argc && a == "--repeats") {
      repeats = std::atoi(argv[++i]);
    } else if (i + 1 < argc && a == "--views") {
      views = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr,
                   "usage: bench_display [--size 1900M] [--columns 1000] [--repeats 20] [--views 5]\n");
      return 2;
    }
  }
  const uint64_t frames64 = bytes / 4;
  if (bytes < 4096 || frames64 > INT32_MAX || columns < 10 || columns > 30000 || repeats < 1 || views < 1) {
    std::fprintf(stderr, "bench_display: size, columns, repeats or views out of range\n");
    return 2;
  }
  const int32_t frames = static_cast<int32_t>(frames64);
  const uint32_t block = document::kPeakDefaultBlockSize;

  SyntheticWave wave(bytes);
  document::PeakSummary peaks(&wave, 2, block);
  std::fprintf(stderr, "bench_display: %" PRId32 " frames, adopting %" PRIu64 " peak entries\n", frames,
               frames64 / block + 1);
  const auto t0 = Clock::now();
  peaks.adopt(SyntheticEntries(frames64, block), block, 0);
  const double adoptMs = msSince(t0);
  display::DocumentDisplaySource source(&wave, &peaks, 44100);

  display::WaveView view;
  view.setChannels(2);
  view.setFlags(display::WDF_WAVEFORM, display::WDF_MODE_MASK);
  const display::PixelRect client{0, 0, columns + 8, 407}, margins{3, 0, 3, 0};
  const display::DisplayAreas areas = display::ComputeAreas(client, margins);
  view.setArea(areas.wave.left, areas.wave.right);
  view.setLength(frames);
  view.setView(0, frames - 1);

  display::PaintInput in;
  in.view = &view;
  in.client = client;
  in.margins = margins;
  in.source = &source;
  display::WavePainter painter;
  display::PaintPlan plan;

  // Full view: the whole drawing plan, and the column planner alone, with an empty cache each time.
  Timing full, planner;
  size_t ops = 0;
  for (int r = 0; r < repeats; ++r) {
    painter.cache().clear();
    auto t = Clock::now();
    painter.plan(in, view.left(), view.right(), &plan);
    const double ms = msSince(t);
    full.mean += ms / repeats;
    full.worst = std::max(full.worst, ms);
    ops = plan.ops.size();
  }
  display::PlanView pv;
  pv.first = view.first();
  pv.width = view.width();
  pv.pixels = view.pixels();
  pv.length = view.length();
  pv.channels = 2;
  const display::PeakSource peakSource = display::PeaksOf(&source);
  const display::FrameReader reader = display::ReaderOf(&source);
  display::ColumnPlanner columnPlanner;
  std::vector<display::ColumnPlan> cols;
  for (int r = 0; r < repeats; ++r) {
    auto t = Clock::now();
    columnPlanner.plan(pv, &peakSource, reader, 0, pv.pixels - 1, &cols);
    const double ms = msSince(t);
    planner.mean += ms / repeats;
    planner.worst = std::max(planner.worst, ms);
  }
  const uint64_t fullViewBytesRead = wave.bytesRead();

  // Zoomed in at random positions: frames read against frames shown.
  std::mt19937 rng(1996);
  const double spps[] = {0.05, 0.5, 1.0, 1.75, 2.0, 10.0, 100.0, block + 2.0};
  std::string zoomed;
  bool exact = true;
  for (double spp : spps) {
    int64_t worstExtra = 0, shownSum = 0, readSum = 0;
    for (int k = 0; k < views; ++k) {
      const double width = spp * view.pixels();
      const double first = std::uniform_real_distribution<double>(0, frames - width - 1)(rng);
      view.setView(std::floor(first), std::floor(first) + width - 1);
      painter.cache().clear();
      const uint64_t before = wave.bytesRead();
      painter.plan(in, view.left(), view.right(), &plan);
      const int64_t read = static_cast<int64_t>((wave.bytesRead() - before) / 4);
      int32_t a, b;
      view.viewSamples(&a, &b);
      const int64_t shown = int64_t{b} - a + 1;
      shownSum += shown;
      readSum += read;
      worstExtra = std::max(worstExtra, read - shown);
      // Allowed beyond the frames shown: the edge neighbours, and half the taps either side zoomed in.
      const int64_t slack = view.samplesPerPixel() <= 1.75 ? display::kDefaultInterpolationTaps + 1 : 2;
      if (read > shown + slack || read < shown) exact = false;
    }
    char buf[256];
    std::snprintf(buf, sizeof buf,
                  "%s\n    {\"samples_per_column\": %.2f, \"frames_shown\": %" PRId64
                  ", \"frames_read\": %" PRId64 ", \"worst_extra_per_view\": %" PRId64 "}",
                  zoomed.empty() ? "" : ",", spp, shownSum, readSum, worstExtra);
    zoomed += buf;
  }

  std::printf("{\"wave_bytes\": %" PRIu64 ", \"frames\": %" PRId32
              ", \"channels\": 2, \"peak_block\": %" PRIu32 ", \"columns\": %d, \"repeats\": %d,\n",
              bytes, frames, block, view.pixels(), repeats);
  std::printf(" \"peak_table_adopt_ms\": %.3f,\n", adoptMs);
  std::printf(" \"full_view_plan_ms\": {\"mean\": %.3f, \"worst\": %.3f, \"ops\": %zu},\n", full.mean,
              full.worst, ops);
  std::printf(" \"full_view_columns_only_ms\": {\"mean\": %.3f, \"worst\": %.3f},\n", planner.mean,
              planner.worst);
  std::printf(" \"full_view_frames_read\": %" PRIu64 ",\n", fullViewBytesRead / 4);
  std::printf(" \"target_ms_per_repaint\": 16, \"within_target\": %s,\n",
              full.worst <= 16 ? "true" : "false");
  std::printf(" \"zoomed_views_per_zoom\": %d, \"zoomed\": [%s],\n", views, zoomed.c_str());
  std::printf(" \"zoomed_reads_only_frames_shown\": %s}\n", exact ? "true" : "false");
  return exact ? 0 : 1;
}
