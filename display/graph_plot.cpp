// Layout of the graph display: panes, one point per pixel column, and the integer axes of the ruler engine.
#include "display/graph_plot.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace display {

namespace {

constexpr int32_t kGap = 4;  // between two panes

}  // namespace

int32_t GraphRow(double v, double top, double range, int32_t paneTop, int32_t paneBottom) {
  const int32_t h = paneBottom - paneTop;
  if (h <= 1) return paneTop;
  if (!(range >= 1.0)) range = 1.0;
  if (std::isnan(v)) v = top - range;
  const double t = std::clamp((top - v) / range, 0.0, 1.0);
  return paneTop + int32_t(std::lround(t * (h - 1)));
}

double GraphColumnValue(const std::vector<float>& bins, int32_t column, int32_t width) {
  const size_t n = bins.size();
  if (!n || width <= 0) return std::numeric_limits<double>::quiet_NaN();
  size_t first = size_t((uint64_t(column) * n) / uint64_t(width));
  size_t last = size_t((uint64_t(column + 1) * n) / uint64_t(width));  // exclusive
  first = std::min(first, n - 1);
  last = std::clamp(last, first + 1, n);
  double best = -std::numeric_limits<double>::infinity();
  for (size_t k = first; k < last; ++k)
    if (!std::isnan(bins[k])) best = std::max(best, double(bins[k]));
  return std::isinf(best) && best < 0 ? std::numeric_limits<double>::quiet_NaN() : best;
}

GraphPlan GraphLayout(const GraphData& data, int32_t width, int32_t height, const TextMeasure& measure) {
  GraphPlan plan;
  const int channels = data.channels == 2 ? 2 : 1;
  const double range = data.range >= 1.0 ? data.range : 1.0;
  const TextExtent digits = measure("-888");
  plan.marginLeft = std::max<int32_t>(digits.width + 6, measure(data.yUnit).width + 4);
  plan.axisHeight = data.xMax > 0 ? digits.height + 6 : 0;
  const int32_t plotW = std::max<int32_t>(0, width - plan.marginLeft - 2);
  const int32_t plotH = std::max<int32_t>(0, height - plan.axisHeight - 2);
  const int32_t paneH = channels == 2 ? std::max<int32_t>(0, (plotH - kGap) / 2) : plotH;
  for (int c = 0; c < channels; ++c) {
    GraphPane p;
    // A client area too small for the labels leaves empty panes inside it.
    p.left = std::min(plan.marginLeft, std::max<int32_t>(width, 0));
    p.right = p.left + plotW;
    p.top = std::min<int32_t>(1 + c * (paneH + kGap), std::max<int32_t>(height, 0));
    p.bottom = p.top + paneH;
    const std::vector<float>& bins = data.series[c];
    if (plotW > 0 && paneH > 0 && !bins.empty()) {
      p.points.reserve(size_t(plotW));
      for (int32_t x = 0; x < plotW; ++x)
        p.points.push_back(
            {p.left + x, GraphRow(GraphColumnValue(bins, x, plotW), data.top, range, p.top, p.bottom)});
    }
    if (paneH > 0)
      p.yAxis = RulerLayoutIntAxis(kRulerVertical, p.top, paneH, int64_t(std::lround(data.top)),
                                   int64_t(std::lround(data.top - range)), data.yUnit,
                                   MaxLabels(paneH, true) / 2 + 1, 0, 0, measure);
    plan.panes.push_back(std::move(p));
  }
  if (data.xMax > 0 && plotW > 0)
    plan.xAxis =
        RulerLayoutIntAxis(kRulerHorizontal, plan.marginLeft, plotW, 0, int64_t(std::lround(data.xMax)),
                           data.xUnit, MaxLabels(plotW, false), 0, 0, measure);
  return plan;
}

}  // namespace display
