// The column planner: for each pixel column of the wave area, the frame range it covers and the minimum
// and maximum sample value of each channel there, which the painter draws as one vertical stroke.
//
// Three ways to get a column's values, by samples per pixel (spp = width / pixels):
//   spp > peak block size + 2   from the peak summary over frames floor(pL) .. floor(pR)
//                               (no summary: block size 0, and the column stays empty);
//   spp > 1.75                  from the samples: the frames strictly after pL up to pR, plus the two edge
//                               values linearly interpolated at pL and pR;
//   otherwise (zoomed in)       a windowed-sinc curve: the value at pR from N taps around it, joined to the
//                               previous column's value at pL.
// pL and pR are the column's left and right edges in sample positions (sample k at position k).
//
// Samples come through a reader callback as floats on the 16-bit scale, channels interleaved, in chunks
// of a fixed scratch size, so any peak block size (up to 16384) works without overflowing the scratch.
// The scratch is a window over the wave that moves forward with the columns: a plan reads each of its
// frames once (the frames shown, plus half the interpolation taps either side when zoomed in).
// Frames before 0, at or past the length, or not delivered by a short read are taken as 0; for the edge
// interpolation positions outside the wave take the nearest sample instead.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace display {

constexpr double kEmptyColumnMark = 1967.1996;  // a cache entry whose min is this is empty
constexpr int kDefaultInterpolationTaps = 39;
constexpr int32_t kMaxPeakBlockSize = 16384;

// Reads count frames from frame first into dst (count x channels floats); returns the frames delivered
// (fewer at the end of the data; 0 or less is a failure).
using FrameReader = std::function<int32_t(int64_t first, int32_t count, float* dst)>;

// The peak summary as the display sees it: its block size and min/max per channel over a frame range.
struct PeakSource {
  int32_t blockSize = 0;
  std::function<bool(int64_t first, int64_t last, float* mins, float* maxs)> minMax;
};

enum class ColumnMode { kEmpty, kPeaks, kSamples, kInterpolated, kCached };

struct ColumnPlan {
  double pL = 0, pR = 0;
  ColumnMode mode = ColumnMode::kEmpty;
  bool selected = false;
  double min[2] = {0, 0}, max[2] = {0, 0};
};

struct PlanView {
  double first = -0.5;  // first visible boundary
  double width = 0;     // visible span in samples
  int32_t pixels = 0;
  int32_t length = 0;
  int channels = 1;
  int32_t selStart = 0, selEnd = -1;
  int interpolationTaps = kDefaultInterpolationTaps;
};

// Per column and channel the last (min, max); columns shifted in by a scroll are empty.
class ColumnCache {
 public:
  void resize(int channels, int32_t pixels);  // pixels + 10 columns, all empty
  void clear();
  // Moves the entries dx columns right (dx > 0) or left; the vacated columns become empty.
  void shift(int32_t dx);
  bool get(int32_t column, double* mins, double* maxs) const;
  void put(int32_t column, const double* mins, const double* maxs);
  int32_t columns() const { return columns_; }

 private:
  int channels_ = 1;
  int32_t columns_ = 0;
  std::vector<double> data_;  // per column: min, max of channel 0, then of channel 1
};

class ColumnPlanner {
 public:
  explicit ColumnPlanner(int32_t chunkFrames = 4096);

  // Plans columns c0 .. c1 (0-based inside the area) into out (resized to c1 - c0 + 1). A reader failure
  // leaves the column empty.
  void plan(const PlanView& view, const PeakSource* peaks, const FrameReader& reader, int32_t c0, int32_t c1,
            std::vector<ColumnPlan>* out, ColumnCache* cache = nullptr);

  // Frames asked of the reader since construction (tests and benchmarks).
  int64_t framesRequested() const { return framesRequested_; }

  // Windowed-sinc value at position p from taps[0..n) holding frames floor(p) - n/2 ... (n odd).
  static double Interpolate(const float* taps, int n, int stride, double p);

 private:
  bool samplesColumn(const PlanView& v, const FrameReader& reader, double pL, double pR, ColumnPlan* c);
  bool interpolatedColumn(const PlanView& v, const FrameReader& reader, double pL, double pR, ColumnPlan* c);
  bool interpolateAt(const PlanView& v, const FrameReader& reader, double p, double* values);
  // Frames first .. first + count - 1 (count at most the window's capacity), zero where the wave or the
  // reader lacks them; null when the reader fails. Served from the frame window, which keeps what it holds
  // from first on and reads the rest, ahead up to what the current plan needs, so each frame of a paint is
  // read once however the columns' ranges overlap.
  const float* readChunk(const PlanView& v, const FrameReader& reader, int64_t first, int32_t count);

  int32_t chunkFrames_;
  int32_t capacity_;            // frames the window holds
  std::vector<float> scratch_;  // the frame window
  int64_t windowFirst_ = 0;
  int32_t windowCount_ = 0;
  int64_t readLimit_ = 0;  // frames from here on are not needed by the current plan
  int64_t framesRequested_ = 0;
  bool memoValid_ = false;
  double memoPosition_ = -2.0;
  double memoValues_[2] = {0, 0};
};

// Whether column [pL, pR] is drawn selected for selection s .. e at spp samples per pixel.
bool ColumnSelected(double pL, double pR, double spp, int32_t s, int32_t e);

}  // namespace display
