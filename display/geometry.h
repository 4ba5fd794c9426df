// Pixel geometry of the waveform display that the painter and the window need and that can be computed
// without a window: the snapped window height, the wave and channel areas inside the margins, the columns
// of the selection highlight, the insertion cursor column, the columns to repaint after a selection
// change, and the sample boxes (with the draggable handles) shown when zoomed far in.
#pragma once

#include <cstdint>
#include <vector>

#include "display/view_model.h"

namespace display {

struct PixelRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// Heights are kept at 4n + 7 pixels (at least 7) so the two channel areas of a stereo display are equal.
int32_t SnapDisplayHeight(int32_t h);

struct DisplayAreas {
  PixelRect wave, upper, lower;
};
// Wave area inside the client rectangle and the margins; the upper and lower channel areas of stereo.
DisplayAreas ComputeAreas(const PixelRect& client, const PixelRect& margins);

// Height of one channel in rows: mono the whole area, stereo half of it less the gap.
int32_t ChannelHeight(const PixelRect& wave, bool stereo);

// Highlighted columns x1 .. x2 of selection s .. e (false for an empty selection or no width).
bool SelectionColumns(const WaveView& v, int32_t s, int32_t e, int32_t* x1, int32_t* x2);

// Column of the dotted insertion line for an empty selection at s, or -1 when its boundary is not in view.
int32_t InsertionColumn(const WaveView& v, int32_t s);

// Row below the channel top of a normalized value v for the vertical range (low, high) in a channel h rows
// high: trunc(f x h + 10.000000001) - 10 with f = (-v - low) / (high - low). Used for the zero line, the
// boundary lines and the grid. An empty range puts everything on the top row.
int32_t NormalizedRow(double v, double low, double high, int32_t h);

// Where the B rows of a spectrogram land in a channel h rows high for the range (low, high): dest rows
// starting offset rows below the channel top (the default range (-1, 0) gives offset 0, dest h).
void SpectralRows(double low, double high, int32_t h, int32_t* offset, int32_t* dest);

// Colour code of a waveform stroke or box: digital colours above 1.75 samples per pixel, analog ones at
// and below, the highlight variant in selected columns; 0 (button shadow) in an excluded channel.
int WaveColorCode(double spp, bool selected, bool channelExcluded);

struct SampleRange {
  int32_t first, last;  // inclusive
};
// Samples whose highlight changes when the selection goes from (s0, e0) to (s1, e1): at most two ranges.
std::vector<SampleRange> SelectionRedrawRanges(int32_t s0, int32_t e0, int32_t s1, int32_t e1);

struct SampleBox {
  int32_t sample;
  int32_t x;
  int32_t halfBefore, halfAfter;  // extent left/up and right/down of the centre pixel
  bool handle;                    // draggable (5 x 5 boxes of channels that are not excluded)
};
// Boxes of the samples in view when zoomed in (spp < 1.75); empty otherwise. Rebuilt for the whole view,
// so a stale handle never points at a sample that has moved.
std::vector<SampleBox> SampleBoxes(const WaveView& v, bool channelExcluded);

}  // namespace display
