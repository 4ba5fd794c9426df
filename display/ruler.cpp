// Ruler engine: step tables, nice numbers, labels and the tick layout.
#include "display/ruler.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "display/time_format.h"

namespace display {
namespace {

struct TableStep {
  double step;
  int subdivisions;
  long precision;
};

// Steps for seconds (and for fractional plain values): whole minutes and hours above 10, then 5, 2, 1
// per decade down to micro-units, each with the label precision it needs.
TableStep DecimalStep(double t) {
  static const TableStep kLarge[] = {{3600, 6, 1}, {1800, 6, 1}, {1200, 4, 1}, {600, 2, 1}, {300, 1, 1},
                                     {120, 2, 1},  {60, 2, 1},   {30, 2, 1},   {20, 2, 1},  {10, 2, 1}};
  for (const TableStep& s : kLarge)
    if (t >= s.step) return s;
  double decade = 1;
  long precision = 10;
  for (int i = 0; i < 6; ++i) {
    const TableStep steps[] = {
        {5 * decade, 5, precision}, {2 * decade, 2, precision}, {decade, 2, precision}};
    for (const TableStep& s : steps)
      if (t >= s.step) return s;
    decade /= 10;
    if (i > 0) precision *= 10;  // 1 and 0.1 share precision 10
  }
  return {t >= 5e-6 ? 5e-6 : 2e-6, t >= 5e-6 ? 5 : 2, 1000000};
}

int LargestDivisorAtMost(int n, int limit) {
  for (int d = limit; d >= 1; --d)
    if (n % d == 0) return d;
  return 1;
}

// Steps for frame labels at F frames per second: seconds and minutes above one second, whole frames
// that divide the second below it, then fractions of a frame.
TableStep FrameStep(double t, int F) {
  static const TableStep kLarge[] = {{3600, 6, 1}, {1800, 6, 1}, {1200, 4, 1}, {600, 2, 1},
                                     {300, 5, 1},  {120, 2, 1},  {60, 2, 1},   {30, 2, 1},
                                     {20, 2, 1},   {10, 2, 1},   {5, 5, 1},    {2, 2, 1}};
  for (const TableStep& s : kLarge)
    if (t >= s.step) return s;
  if (t >= 1) {
    if (F % 2 == 0) return {1, 2, 1};
    int d = 3;
    while (d < F && F % d != 0) ++d;
    return {1, d >= F ? 2 : d, 1};
  }
  if (t >= 2.0 / F) {
    for (int n = F / 2; n >= 1; --n) {
      if (F % n != 0 || static_cast<double>(n) / F > t) continue;
      const int d = n > 1 ? LargestDivisorAtMost(n, n / 2) : 1;
      return {static_cast<double>(n) / F, n / d, 1};
    }
  }
  static const TableStep kFractions[] = {{1, 2, 1},        {0.5, 5, 10},    {0.2, 2, 10},   {0.1, 2, 10},
                                         {0.05, 5, 100},   {0.02, 2, 100},  {0.01, 2, 100}, {0.005, 5, 1000},
                                         {0.002, 2, 1000}, {0.001, 2, 1000}};
  for (const TableStep& s : kFractions)
    if (t >= s.step / F) return {s.step / F, s.subdivisions, s.precision};
  return {0.0005 / F, 5, 10000};
}

// 1, 2, 5, 10 ... (or 1, 3, 6, 12 ...): the first step of the sequence above target.
TableStep NiceStep(double target, bool steps136) {
  const double a = steps136 ? 3 : 2, b = steps136 ? 6 : 5, decade = steps136 ? 12 : 10;
  double m = 1;
  while (m <= target) {
    if (target < a * m) return {a * m, steps136 ? 3 : 2, 1};
    if (target < b * m) return {b * m, steps136 ? 2 : 5, 1};
    m *= decade;
  }
  return {m, steps136 ? 4 : 5, 1};
}

int32_t AlongAxis(uint16_t style, const TextExtent& e) {
  return (style & kRulerVertical) ? e.height : e.width;
}

// Smallest spacing that fits a label of the given extent, and the spacing above which a smaller step would
// fit.
int32_t Pad(uint16_t style) {
  return (style & kRulerVertical) ? 1 : 8;
}

std::string Printf(const char* format, long long a, long long b, long long c) {
  char text[96];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

}  // namespace

std::string RulerFormatLabel(double v, uint16_t style, long precision, int frameRate) {
  if (!std::isfinite(v)) v = 0;
  const bool time = style & (kRulerSeconds | kRulerFrames);
  if (!time) {
    if (precision > 1) return FormatNumber(v, precision);
    return Printf("%lld", static_cast<long long>(std::trunc(std::fmax(-9e18, std::fmin(9e18, v)))), 0, 0);
  }
  if (precision >= 0) return FormatNumber(v, precision);
  if (v < 0) return "-" + RulerFormatLabel(-v, style, precision, frameRate);
  v = std::fmin(v, 9e15);
  const long p = -precision;
  if ((style & kRulerFrames) && (style & kRulerDropFrame)) return FormatDropFrameSeconds(v);
  const long long whole = static_cast<long long>(std::trunc(v));
  if (style & kRulerFrames) {
    const int F = EffectiveFrameRate(frameRate);
    return Printf("%lld:%02lld:%02lld", whole / 60, whole % 60,
                  static_cast<long long>(std::trunc((v - std::trunc(v)) * F)));
  }
  std::string text = Printf("%lld:%02lld", whole / 60, whole % 60, 0);
  if (p > 1) {
    const std::string number = FormatNumber(v, p);
    const size_t dot = number.find('.');
    if (dot != std::string::npos) text += number.substr(dot);
  }
  return text;
}

std::string RulerFitLabel(const std::string& label, double value, int32_t room, const TextMeasure& measure) {
  if (measure(label).width <= room) return label;
  if (!std::isfinite(value)) return std::string();
  struct Unit {
    double size;
    const char* suffix;
  };
  for (const Unit u : {Unit{1e3, "k"}, Unit{1e6, "M"}}) {
    if (std::fabs(value) < u.size) break;
    const double scaled = value / u.size;
    for (int decimals = 0; decimals <= 3; ++decimals) {
      char text[64];
      std::snprintf(text, sizeof text, "%.*f%s", decimals, scaled, u.suffix);
      // Only a form that names the tick's value exactly: a rounded one would read as another value.
      if (std::fabs(std::strtod(text, nullptr) * u.size - value) > 1e-9 * std::fabs(value)) continue;
      if (measure(text).width <= room) return text;
      break;  // more decimals are only wider
    }
  }
  return std::string();
}

RulerStep RulerStepForTarget(uint16_t style, double target, double hi, int frameRate) {
  const bool timeStyle = style & (kRulerSeconds | kRulerFrames);
  const bool frameStyle = (style & kRulerFrames) && !(style & kRulerSeconds);
  TableStep t;
  if (timeStyle || target < 0.5) {
    t = frameStyle ? FrameStep(target, EffectiveFrameRate(frameRate)) : DecimalStep(target);
    if (timeStyle && (t.step >= 5 || hi >= 60 || frameStyle)) t.precision = -t.precision;
  } else {
    t = NiceStep(target, style & kRulerSteps136);
  }
  RulerStep s;
  s.step = t.step;
  s.subdivisions = t.subdivisions;
  s.precision = t.precision;
  return s;
}

bool RulerChooseStep(uint16_t style, double lo, double hi, int32_t plotSize, int maxLabels, int frameRate,
                     const TextMeasure& measure, RulerStepCache* cache, RulerStep* out) {
  const double D = hi - lo;
  if (!std::isfinite(lo) || !std::isfinite(hi) || D == 0 || !std::isfinite(D)) return false;
  const double pixels = plotSize > 3 ? plotSize - 3 : 0;
  const int32_t pad = Pad(style);
  const int F = EffectiveFrameRate(frameRate);

  if (cache && cache->valid && cache->style == style && (cache->step.step > 0) == (D > 0)) {
    const RulerStep& s = cache->step;
    const int32_t ext = AlongAxis(style, measure(RulerFormatLabel(lo, style, s.precision, F)));
    const double spacing = pixels / std::fabs(D) * std::fabs(s.step);
    if (spacing > ext + pad && spacing < 2 * ext + pad) {
      *out = s;
      out->first = std::trunc(lo / s.step) * s.step;
      return true;
    }
  }

  const int labels = maxLabels > 0 ? maxLabels : 1;
  const double base = D / labels;
  RulerStep s;
  for (double k = (style & kRulerHorizontal) ? 0.4 : 0.7; k <= 10000000; k *= 1.2) {
    const RulerStep t = RulerStepForTarget(style, std::fabs(k * base), hi, F);
    s.step = D < 0 ? -t.step : t.step;
    s.subdivisions = t.subdivisions;
    s.precision = t.precision;
    s.first = std::trunc(lo / s.step) * s.step - s.step;
    const int32_t ext = AlongAxis(style, measure(RulerFormatLabel(s.first, style, s.precision, F)));
    // Besides room for the label, no more than maxLabels steps across the range, so no more labels than
    // asked for are drawn (a narrow label alone would allow up to two and a half times as many).
    if (pixels / std::fabs(D) * t.step > ext + pad && std::fabs(D) / t.step <= labels + 1e-9) break;
  }
  if ((style & kRulerInteger) && std::fabs(s.step) < 1) {
    s.step = D < 0 ? -1 : 1;
    s.subdivisions = 1;
    s.precision = 1;
    s.first = std::trunc(lo);
  }
  if (cache) {
    cache->valid = true;
    cache->style = style;
    cache->step = s;
  }
  *out = s;
  return true;
}

namespace {

// Ticks from s.first in steps while inside lo .. hi, with labels that fit.
void PlaceTicks(RulerLayout* layout, uint16_t style, int32_t plotStart, int32_t plotSize, double lo,
                double hi, const RulerStep& s, int maxLabels, int frameRate, const TextMeasure& measure) {
  const double D = hi - lo;
  const double low = std::fmin(lo, hi), high = std::fmax(lo, hi);
  const int32_t axisEnd = plotStart + plotSize;
  const double pixels = plotSize > 3 ? plotSize - 3 : 0;
  int32_t previousEnd = layout->unitEnd;
  int shown = 0;
  const int kMaxTicks = 100000;  // far more than any axis has pixels
  for (int i = 0; i < kMaxTicks; ++i) {
    const double v = s.first + i * s.step;
    if (D > 0 ? v > high : v < low) break;
    if (v < low || v > high) continue;
    RulerTick tick;
    tick.value = v;
    tick.position =
        plotStart + 1 + (static_cast<int32_t>(std::trunc((v - lo) / D * pixels + 10.000000001)) - 10);
    tick.label = RulerFormatLabel(v, style, s.precision, frameRate);
    const int32_t ext = AlongAxis(style, measure(tick.label));
    tick.labelStart = tick.position - ext / 2;
    tick.labelEnd = tick.labelStart + ext;
    tick.labelShown = tick.labelStart > previousEnd && shown < std::max(1, maxLabels) &&
                      ((style & kRulerLastMayRunOver) || tick.labelEnd <= axisEnd);
    if (tick.labelShown) {
      previousEnd = tick.labelEnd;
      ++shown;
    }
    layout->ticks.push_back(tick);
  }
}

RulerLayout StartLayout(uint16_t style, int32_t plotStart, const std::string& unit,
                        const TextMeasure& measure) {
  RulerLayout layout;
  layout.unit = unit;
  layout.unitEnd = unit.empty() ? plotStart : plotStart + AlongAxis(style, measure(unit));
  return layout;
}

}  // namespace

RulerLayout RulerLayoutAxis(uint16_t style, int32_t plotStart, int32_t plotSize, double lo, double hi,
                            const std::string& unit, int maxLabels, int frameRate, const TextMeasure& measure,
                            RulerStepCache* cache) {
  RulerLayout layout = StartLayout(style, plotStart, unit, measure);
  RulerStep s;
  if (RulerChooseStep(style, lo, hi, plotSize, maxLabels, frameRate, measure, cache, &s))
    PlaceTicks(&layout, style, plotStart, plotSize, lo, hi, s, maxLabels, frameRate, measure);
  return layout;
}

bool RulerChooseStepInt(uint16_t style, int64_t lo, int64_t hi, int32_t plotSize, int maxLabels,
                        uint32_t rate, int frameRate, const TextMeasure& measure, RulerStep* out) {
  const bool timeStyle = style & (kRulerSeconds | kRulerFrames);
  const double div = timeStyle && rate > 0 ? rate : 1;
  const double dlo = lo / div, dhi = hi / div, D = dhi - dlo;
  if (D == 0) return false;
  const double pixels = plotSize > 3 ? plotSize - 3 : 0;
  const int labels = maxLabels > 0 ? maxLabels : 1;
  RulerStep s;
  for (double k = (style & kRulerHorizontal) ? 0.4 : 0.7; k <= 10000000; k *= 1.2) {
    const double target = std::fabs(k * D / labels);
    // Plain axes step in whole units of the nice sequence (a step equal to the target is passed over).
    const RulerStep t = timeStyle ? RulerStepForTarget(style, target, dhi, frameRate) : [&] {
      RulerStep n;
      const TableStep nice = NiceStep(target, style & kRulerSteps136);
      n.step = nice.step;
      n.subdivisions = nice.subdivisions;
      return n;
    }();
    s = t;
    if (D < 0) s.step = -s.step;
    s.first = std::ceil(dlo / s.step) * s.step;  // rounded towards the axis, not moved back
    const int32_t ext = AlongAxis(style, measure(RulerFormatLabel(s.first, style, s.precision, frameRate)));
    if (pixels / std::fabs(D) * t.step > ext + Pad(style) && std::fabs(D) / t.step <= labels + 1e-9) break;
  }
  *out = s;
  return true;
}

RulerLayout RulerLayoutIntAxis(uint16_t style, int32_t plotStart, int32_t plotSize, int64_t lo, int64_t hi,
                               const std::string& unit, int maxLabels, uint32_t rate, int frameRate,
                               const TextMeasure& measure) {
  RulerLayout layout = StartLayout(style, plotStart, unit, measure);
  RulerStep s;
  if (!RulerChooseStepInt(style, lo, hi, plotSize, maxLabels, rate, frameRate, measure, &s)) return layout;
  const double div = (style & (kRulerSeconds | kRulerFrames)) && rate > 0 ? rate : 1;
  PlaceTicks(&layout, style, plotStart, plotSize, lo / div, hi / div, s, maxLabels, frameRate, measure);
  return layout;
}

TimeAxis TimeRulerAxis(int loTimeMode, double first, double last, int64_t timeOffset, uint32_t rate) {
  TimeAxis a;
  switch (loTimeMode) {
    case 1:
      a.unit = "smpl";
      break;
    case 2:
      a.style = kRulerFrames;
      a.unit = "msf";
      break;
    case 3:
      a.style = kRulerFrames | kRulerDropFrame;
      a.unit = "drop";
      break;
    default:
      a.style = kRulerSeconds;
      a.unit = "hms";
      break;
  }
  a.lo = first + static_cast<double>(timeOffset);
  a.hi = last + static_cast<double>(timeOffset);
  if (a.style != 0 && rate > 0) {
    a.lo /= rate;
    a.hi /= rate;
  }
  return a;
}

void ValueAxisRange(int scale, int bits, uint32_t rate, double low, double high, double* top,
                    double* bottom) {
  double F = 32768, o = 0;
  if (scale == kScaleSamples && bits == 8) F = 128, o = 128;
  if (scale == kScaleNormalized) F = 1;
  if (scale == kScalePercent) F = 100;
  if (scale == kScaleHz) F = rate / 2.0;
  *top = o - low * F;
  *bottom = o - high * F;
}

}  // namespace display
