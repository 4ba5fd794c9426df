// The ruler engine shared by the time ruler under the display, the value ruler beside it, the level
// meter's scale and the analysis window: the choice of tick step for a range and a plot size, the tick
// labels, and the layout of ticks and labels along the axis. Text is measured through a callback, so the
// layout is computed without a device context and tested with a fixed-width measurer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace display {

// Ruler style bits.
constexpr uint16_t kRulerVertical = 0x1;
constexpr uint16_t kRulerHorizontal = 0x2;
constexpr uint16_t kRulerGrid = 0x20;
constexpr uint16_t kRulerTicks = 0x40;
constexpr uint16_t kRulerSeconds = 0x80;    // seconds, decimal labels (m:ss.ddd)
constexpr uint16_t kRulerFrames = 0x100;    // seconds, frame labels (m:ss:ff)
constexpr uint16_t kRulerSteps136 = 0x200;  // steps 1, 3, 6, 12 instead of 1, 2, 5, 10
constexpr uint16_t kRulerLastMayRunOver = 0x400;
constexpr uint16_t kRulerDropFrame = 0x800;  // with kRulerFrames: SMPTE drop frame at 29.97
constexpr uint16_t kRulerInteger = 0x1000;   // the step is never below 1

struct TextExtent {
  int32_t width = 0, height = 0;
};
using TextMeasure = std::function<TextExtent(const std::string&)>;

struct RulerStep {
  double first = 0;  // first major tick (one step before the range's start)
  double step = 1;   // signed like hi - lo
  int subdivisions = 1;
  long precision = 1;  // label precision; negative: labels show minutes
};

// The last choice, reused while its label spacing still fits and the style is the same.
struct RulerStepCache {
  bool valid = false;
  uint16_t style = 0;
  RulerStep step;
};

// The step of the tables (seconds, frames, fractions) or of the nice-number sequence for a target spacing
// in value units; hi is the axis end (labels switch to minutes from 60 seconds on). first is not set.
RulerStep RulerStepForTarget(uint16_t style, double target, double hi, int frameRate);

// Chooses the major step for values lo .. hi over plotSize pixels with at most maxLabels labels.
// Returns false (and no step) when the range is empty or not finite.
bool RulerChooseStep(uint16_t style, double lo, double hi, int32_t plotSize, int maxLabels, int frameRate,
                     const TextMeasure& measure, RulerStepCache* cache, RulerStep* out);

std::string RulerFormatLabel(double value, uint16_t style, long precision, int frameRate);

// A value label that fits room pixels across: the label itself when it does, else the value in thousands
// or millions ("20k", "-2.5k", "1M") with the fewest decimals that still name it exactly; empty when no
// such form fits, so a label is left out rather than clipped into another number.
std::string RulerFitLabel(const std::string& label, double value, int32_t room, const TextMeasure& measure);

struct RulerTick {
  double value = 0;
  int32_t position = 0;  // pixel along the axis
  std::string label;
  bool labelShown = false;
  int32_t labelStart = 0, labelEnd = 0;  // extent of the shown label along the axis
};

struct RulerLayout {
  std::string unit;
  int32_t unitEnd = 0;  // the unit text occupies plotStart .. unitEnd along the axis
  std::vector<RulerTick> ticks;
};

// Major ticks of an axis from plotStart over plotSize pixels. Labels are centred on their tick and left
// out where they would overlap the unit text, the previous label, or (without kRulerLastMayRunOver) pass
// the end of the axis. An empty range gives the unit text alone.
RulerLayout RulerLayoutAxis(uint16_t style, int32_t plotStart, int32_t plotSize, double lo, double hi,
                            const std::string& unit, int maxLabels, int frameRate, const TextMeasure& measure,
                            RulerStepCache* cache);

// The integer axis of the level meter scale and the analysis window: integer bounds (divided by rate for
// the time styles), whole steps on plain axes, the first tick rounded up to a multiple of the step, and no
// step reuse between calls.
bool RulerChooseStepInt(uint16_t style, int64_t lo, int64_t hi, int32_t plotSize, int maxLabels,
                        uint32_t rate, int frameRate, const TextMeasure& measure, RulerStep* out);
RulerLayout RulerLayoutIntAxis(uint16_t style, int32_t plotStart, int32_t plotSize, int64_t lo, int64_t hi,
                               const std::string& unit, int maxLabels, uint32_t rate, int frameRate,
                               const TextMeasure& measure);

// The time ruler's axis for LoTimeMode: style, unit text and the range (the visible boundaries plus the
// time offset, in seconds for the time styles). Rate 0 leaves the range in samples.
struct TimeAxis {
  uint16_t style = 0;
  const char* unit = "";
  double lo = 0, hi = 0;
};
TimeAxis TimeRulerAxis(int loTimeMode, double first, double last, int64_t timeOffset, uint32_t rate);
// Labels a ruler of this many pixels has room for: one per 60 pixels across, one per 15 down.
inline int MaxLabels(int32_t pixels, bool vertical) {
  return pixels / (vertical ? 15 : 60);
}

// Value ruler scales (TimeModeV): sample values, normalized, percentage; spectral view shows Hz.
enum ValueScale : int { kScaleSamples = 0, kScaleNormalized = 1, kScalePercent = 2, kScaleHz = 3 };

// The values at the top and bottom of the value ruler for the vertical range (low, high): full scale F and
// offset o by scale and sample size, top = o - low x F, bottom = o - high x F.
void ValueAxisRange(int scale, int bits, uint32_t rate, double low, double high, double* top, double* bottom);

}  // namespace display
