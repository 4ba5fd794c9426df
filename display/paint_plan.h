// The drawing plan of the waveform display: what a paint puts where, as a list of filled rectangles and
// texts with colour codes, computed without a device context. The window replays the list with GDI; the
// tests rasterise it into a pixel array. Covers the frame, backgrounds and selection highlight, grid, zero
// and boundary lines, the waveform columns (through the column planner), the sample boxes with the
// draggable handles, the insertion cursor, and cue markers and regions with their labels.
//
// Rows: a channel of height h starting at row T shows a sample value v (16-bit scale) on row
// T + h - WaveView::valueRow(v, h) (rows counted up from T + h, the bottom of the value range), and a
// normalized value on row T + NormalizedRow(v, L, H, h); for the even heights the snapped window gives,
// both put 0 on the same row.
// Rectangles are half-open (right and bottom exclusive), as GDI fills them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "display/columns.h"
#include "display/display_source.h"
#include "display/geometry.h"
#include "display/ruler.h"
#include "display/view_model.h"

namespace display {

// Colours beyond the thirteen display codes of colors.h (0 is the button-shadow colour, as WaveColorCode
// returns for an excluded channel).
constexpr int kPaintButtonShadow = 0;
constexpr int kPaintButtonFace = 20;
constexpr int kPaintBlack = 21;
constexpr int kPaintMarker = 22;  // cue marker lines and labels
constexpr int kPaintRegion = 23;  // region end lines

struct PaintOp {
  enum Kind : uint8_t { kFill, kText };
  Kind kind = kFill;
  int color = 0;
  PixelRect r;  // kText: r.left, r.top is where the text starts
  std::string text;
};

// A cue point (length 0) or a region (length > 0 frames from position) with its label.
struct CueMark {
  int32_t position = 0;
  int32_t length = 0;
  std::string label;
};

// Where a cue is drawn: the column of its start boundary (position - 0.5), of a region's end boundary
// (-1 when not in view or no region), and its label's box (empty when the label is not shown).
struct CueLayout {
  int32_t x = -1, xEnd = -1;
  PixelRect label;
  std::string text;
  bool region = false;
};

// A draggable sample box: its rectangle, the sample, the channel (0 upper or mono, 1 lower) and the
// vertical drag limits (the channel's top and bottom rows).
struct SampleHandle {
  PixelRect box;
  int32_t sample = 0;
  int channel = 0;
  int32_t topLimit = 0, bottomLimit = 0;
};

struct PaintInput {
  const WaveView* view = nullptr;
  PixelRect client, margins;
  DisplaySource* source = nullptr;              // null: no document, nothing is read
  const std::vector<int16_t>* gridX = nullptr;  // offsets from the margins' left
  const std::vector<int16_t>* gridY = nullptr;  // offsets from the margins' top
  double boundaryAmplitude = 0.707945784384;
  int interpolationTaps = kDefaultInterpolationTaps;
  const std::vector<CueMark>* cues = nullptr;
  TextMeasure measure;  // for the cue labels; none: labels are not placed
};

struct PaintPlan {
  std::vector<PaintOp> ops;
  std::vector<SampleHandle> handles;  // for the whole view, whatever the painted columns
  bool interpolated = false;          // the zoomed-in interpolator was used
};

// The channel areas of the view's channel count: one in mono, upper and lower in stereo.
struct ChannelArea {
  PixelRect rect;      // interior, half-open
  int32_t height = 0;  // rows that show values, from rect.top
  bool excluded = false;
};
std::vector<ChannelArea> ChannelAreas(const WaveView& v, const PixelRect& client, const PixelRect& margins);

// Row of a sample value v (16-bit scale) in a channel area.
int32_t SampleRow(const WaveView& v, const ChannelArea& a, double value);

// The frame: margin strips, sunken borders, the middle line of stereo, channel backgrounds (Background in
// waveform view, else black with a document, button shadow without one).
void PlanFrame(const WaveView& v, const PixelRect& client, const PixelRect& margins, bool hasDocument,
               std::vector<PaintOp>* ops);

// Cue layouts of the cues in view, sorted by position. Labels go on the first of three text rows where
// they do not overlap the previous label; a label with no free row is not shown.
std::vector<CueLayout> LayoutCues(const WaveView& v, const PixelRect& area, const std::vector<CueMark>& cues,
                                  const TextMeasure& measure);

// The handle under a point, or -1.
int HandleAt(const std::vector<SampleHandle>& handles, int32_t x, int32_t y);

class WavePainter {
 public:
  WavePainter();

  // Plans the waveform view for columns x0 .. x1 (client coordinates, inclusive). Uses and fills the
  // column cache.
  void plan(const PaintInput& in, int32_t x0, int32_t x1, PaintPlan* out);

  // What the spectral view draws over its spectrogram: the insertion line and the cue markers.
  void planOverlays(const PaintInput& in, int32_t x0, int32_t x1, std::vector<PaintOp>* ops);

  ColumnCache& cache() { return cache_; }
  ColumnPlanner& planner() { return planner_; }
  // Frames read for sample boxes since construction.
  int64_t boxFramesRead() const { return boxFramesRead_; }

 private:
  void planBackground(const PaintInput& in, const std::vector<ChannelArea>& areas, int32_t x0, int32_t x1,
                      std::vector<PaintOp>* ops);
  void planLines(const PaintInput& in, const std::vector<ChannelArea>& areas, int32_t x0, int32_t x1,
                 std::vector<PaintOp>* ops);
  void planColumns(const PaintInput& in, const std::vector<ChannelArea>& areas, int32_t x0, int32_t x1,
                   PaintPlan* out);
  void planBoxes(const PaintInput& in, const std::vector<ChannelArea>& areas, int32_t x0, int32_t x1,
                 PaintPlan* out);
  void planInsertion(const PaintInput& in, const std::vector<ChannelArea>& areas, int32_t x0, int32_t x1,
                     std::vector<PaintOp>* ops);
  void planCues(const PaintInput& in, int32_t x0, int32_t x1, std::vector<PaintOp>* ops);

  ColumnPlanner planner_;
  ColumnCache cache_;
  std::vector<ColumnPlan> columns_;
  std::vector<float> scratch_;
  int64_t boxFramesRead_ = 0;
  // Zoomed in, the frames the column planner read in this paint (consecutive, from recordedFirst_), so the
  // sample boxes do not read them again.
  std::vector<float> recorded_;
  int64_t recordedFirst_ = 0;
};

}  // namespace display
