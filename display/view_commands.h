// The view commands the main window hands to the display: horizontal zoom (full, out, in, to the
// selection, whole wave), vertical zoom, scrolling to the ends, by a page (one view width) or by a step
// (one pixel column's worth of samples, at least one sample), and the cursor and selection-edge moves of
// the arrow, Home and End keys.
#pragma once

#include "display/view_model.h"

namespace display {

// Smallest vertical span the vertical zoom goes down to (normalized units; 16 steps of a 16-bit sample).
constexpr double kMinVerticalSpan = 16.0 / 32768.0;

// Runs command `id` on the view. Returns false for ids that are not view commands.
bool RunViewCommand(WaveView& view, int id);

// True while zoom-out would change something (the whole wave is not in view).
bool CanZoomOut(const WaveView& view);
// The full vertical range of the current mode: (-1, 1) for the waveform, (-1, 0) for the spectral view.
void FullVerticalRange(const WaveView& view, double* low, double* high);

}  // namespace display
