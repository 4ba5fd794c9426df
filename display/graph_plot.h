// The graph display (window class "SORNDISPLAY"): one or two series of values over a linear axis, such as
// the frequency analysis window's dB spectrum per channel. A stereo graph is split into two panes, left
// channel above, right below. Values are clipped to [top - range, top]; each pixel column shows the largest
// value of the bins it covers, drawn as a line through the columns or as bars up from the bottom. This file
// is the portable layout (panes, points, axis ticks); graph_display_win.cpp draws it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "display/ruler.h"

namespace display {

struct GraphData {
  std::vector<float> series[2];  // values of bins 0 .. n - 1 (the second only for two channels)
  int channels = 1;
  double top = 0.0;      // value at the top edge of a pane
  double range = 120.0;  // the pane spans top - range .. top (at least 1)
  bool lines = true;     // Line View; false: bars
  double xMax = 0.0;     // axis value at the right edge (bin n would sit there); 0: no horizontal axis labels
  std::string xUnit = "Hz";
  std::string yUnit = "dB";
};

struct GraphPoint {
  int32_t x = 0, y = 0;
};

struct GraphPane {
  int32_t left = 0, top = 0, right = 0, bottom = 0;  // the plot area (exclusive right and bottom)
  std::vector<GraphPoint> points;                    // one per column, left to right
  RulerLayout yAxis;                                 // positions run down from the pane's top
};

struct GraphPlan {
  std::vector<GraphPane> panes;  // one per channel
  RulerLayout xAxis;             // positions run right from the panes' left edge, under the last pane
  int32_t axisHeight = 0;        // the strip under the last pane that holds xAxis
  int32_t marginLeft = 0;        // the strip left of the panes that holds the y labels
};

// Pixel row of value v in a pane from top to bottom (exclusive), clipped to the pane.
int32_t GraphRow(double v, double top, double range, int32_t paneTop, int32_t paneBottom);

// The largest of the bins that column c of width columns covers (bins [c*n/width, (c+1)*n/width), at least
// one); nan when n is 0.
double GraphColumnValue(const std::vector<float>& bins, int32_t column, int32_t width);

// Lays the graph out in a client area of width x height pixels. Text sizes come from measure.
GraphPlan GraphLayout(const GraphData& data, int32_t width, int32_t height, const TextMeasure& measure);

}  // namespace display
