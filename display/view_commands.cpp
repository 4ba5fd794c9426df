// View commands: zoom, scroll, page and step.
#include "display/view_commands.h"

#include <algorithm>
#include <cmath>

#include "resources/command_ids.h"

namespace display {
namespace {

// Shows the boundaries first .. first + width where possible: a range that runs past an end is moved
// back inside before it is clamped, so zooming out at the start of the wave still doubles the width.
void ShowSpan(WaveView& v, double first, double width) {
  const double end = v.length() - 0.5;
  width = std::min(width, end + 0.5);
  if (first + width > end) first = end - width;
  if (first < -0.5) first = -0.5;
  // Whole samples: a boundary first lands on sample first + 0.5.
  const double a = std::floor(first + 0.5 + 0.5);
  const double b = std::floor(first + width - 0.5 + 0.5);
  v.setView(a, b);
}

void ZoomAboutCentre(WaveView& v, double factor) {
  const double centre = (v.first() + v.last()) * 0.5;
  const double width = std::max(4.0, v.width() * factor);
  ShowSpan(v, centre - width * 0.5, width);
}

void ZoomVertical(WaveView& v, double factor) {
  double fullLow, fullHigh;
  FullVerticalRange(v, &fullLow, &fullHigh);
  const double centre = (v.vLow() + v.vHigh()) * 0.5;
  double span = (v.vHigh() - v.vLow()) * factor;
  span = std::max(kMinVerticalSpan, std::min(span, fullHigh - fullLow));
  double low = centre - span * 0.5;
  if (low < fullLow) low = fullLow;
  if (low + span > fullHigh) low = fullHigh - span;
  v.setVRange(low, low + span);
}

// One pixel column's worth of samples, at least one sample.
double Step(const WaveView& v) {
  return std::max(1.0, v.samplesPerPixel());
}

// Brings sample s into view, moving the view by as little as possible.
void ShowSample(WaveView& v, int32_t s) {
  if (s - 0.5 < v.first())
    v.moveViewTo(s - 0.5);
  else if (s + 0.5 > v.last())
    v.moveViewTo(s + 0.5 - v.width());
}

void Nudge(WaveView& v, int32_t dxStart, int32_t dxEnd) {
  v.nudgeSelection(dxStart, dxEnd);
  ShowSample(v, dxStart != 0 ? v.selStart() : std::max(v.selEnd(), 0));
}

void CursorTo(WaveView& v, int32_t s) {
  v.setSelection(s, s - 1);
  ShowSample(v, std::min(s, v.length() - 1));
}

}  // namespace

void FullVerticalRange(const WaveView& view, double* low, double* high) {
  *low = -1;
  *high = (view.flags() & WDF_SPECTRAL) ? 0 : 1;
}

bool CanZoomOut(const WaveView& view) {
  return view.first() > -0.5 || view.last() < view.length() - 0.5;
}

bool RunViewCommand(WaveView& v, int id) {
  double low, high;
  switch (id) {
    case IDM_ZOOM_FULL:
      v.setView(0, v.length() - 1);
      FullVerticalRange(v, &low, &high);
      v.setVRange(low, high);
      return true;
    case IDM_VIEW_WHOLE:
      v.setView(0, v.length() - 1);
      return true;
    case IDM_ZOOM_OUT:
    case IDM_ZOOM_OUT_KEY:
      ZoomAboutCentre(v, 2);
      return true;
    case IDM_ZOOM_IN:
    case IDM_ZOOM_IN_KEY:
      ZoomAboutCentre(v, 0.5);
      return true;
    case IDM_ZOOM_SELECTION:
      if (!v.selectionEmpty()) v.setView(v.selStart(), v.selEnd());
      return true;
    case IDM_VZOOM_IN:
      ZoomVertical(v, 0.5);
      return true;
    case IDM_VZOOM_OUT:
      ZoomVertical(v, 2);
      return true;
    case IDM_VZOOM_FULL:
    case IDM_VZOOM_FULL2:
      FullVerticalRange(v, &low, &high);
      v.setVRange(low, high);
      return true;
    case IDM_SCROLL_START:
      v.moveViewTo(-0.5);
      return true;
    case IDM_SCROLL_END:
      v.moveViewTo(v.length() - 0.5 - v.width());
      return true;
    case IDM_SCROLL_BACK:
      v.moveViewTo(v.first() - Step(v));
      return true;
    case IDM_SCROLL_FORWARD:
      v.moveViewTo(v.first() + Step(v));
      return true;
    case IDM_PAGE_UP:
      v.moveViewTo(v.first() - v.width());
      return true;
    case IDM_PAGE_DOWN:
      v.moveViewTo(v.first() + v.width());
      return true;
    case IDM_HOME:
      CursorTo(v, 0);
      return true;
    case IDM_END:
      CursorTo(v, v.length());
      return true;
    case IDM_CURSOR_RIGHT:
      Nudge(v, 1, 1);
      return true;
    case IDM_CURSOR_LEFT:
      Nudge(v, -1, -1);
      return true;
    case IDM_EXTEND_RIGHT:
      Nudge(v, 0, 1);
      return true;
    case IDM_EXTEND_LEFT:
      Nudge(v, 0, -1);
      return true;
    default:
      return false;
  }
}

}  // namespace display
