// Drawing plan of the waveform display.
#include "display/paint_plan.h"

#include <algorithm>
#include <cmath>

#include "display/colors.h"

namespace display {
namespace {

constexpr int kCueLabelRows = 3;
constexpr int32_t kBoxChunkFrames = 2048;
constexpr size_t kMaxRecordedFrames = 1 << 16;  // far more than a zoomed-in view shows

void Fill(std::vector<PaintOp>* ops, int color, int32_t l, int32_t t, int32_t r, int32_t b) {
  if (r <= l || b <= t) return;
  PaintOp op;
  op.kind = PaintOp::kFill;
  op.color = color;
  op.r = {l, t, r, b};
  ops->push_back(std::move(op));
}

// The column of a boundary at position p (a sample's left edge is k - 0.5), or -1 outside the view.
int32_t BoundaryColumn(const WaveView& v, double p) {
  if (v.samplesPerPixel() <= 0 || p < v.first() || p > v.last()) return -1;
  return v.left() + SafeTrunc((p - v.first()) / v.width() * v.pixels() + 0.5);
}

}  // namespace

std::vector<ChannelArea> ChannelAreas(const WaveView& v, const PixelRect& client, const PixelRect& margins) {
  const DisplayAreas a = ComputeAreas(client, margins);
  const bool stereo = v.channels() == 2;
  const int32_t h = ChannelHeight(a.wave, stereo);
  std::vector<ChannelArea> out;
  auto add = [&](const PixelRect& r, bool excluded) {
    ChannelArea c;
    c.rect = {r.left, r.top, r.right + 1, r.bottom};
    c.height = std::max(0, std::min(h, r.bottom - r.top));
    c.excluded = excluded;
    out.push_back(c);
  };
  if (!stereo) {
    add(a.wave, false);
  } else {
    add(a.upper, (v.flags() & WDF_NOLEFT) != 0);
    add(a.lower, (v.flags() & WDF_NORIGHT) != 0);
  }
  return out;
}

int32_t SampleRow(const WaveView& v, const ChannelArea& a, double value) {
  return a.rect.top + a.height - v.valueRow(value, a.height);
}

void PlanFrame(const WaveView& v, const PixelRect& client, const PixelRect& margins, bool hasDocument,
               std::vector<PaintOp>* ops) {
  Fill(ops, kPaintButtonShadow, client.left, client.top, client.right, client.bottom);
  const int background = (v.flags() & WDF_WAVEFORM) ? kColorBackground
                         : hasDocument              ? kPaintBlack
                                                    : kPaintButtonShadow;
  for (const ChannelArea& c : ChannelAreas(v, client, margins)) {
    const PixelRect& r = c.rect;
    if (r.right <= r.left || r.bottom <= r.top) continue;
    Fill(ops, kPaintBlack, r.left - 1, r.top - 1, r.right + 1, r.top);             // top
    Fill(ops, kPaintBlack, r.left - 1, r.top - 1, r.left, r.bottom + 1);           // left
    Fill(ops, kPaintButtonFace, r.left - 1, r.bottom, r.right + 1, r.bottom + 1);  // bottom
    Fill(ops, kPaintButtonFace, r.right, r.top - 1, r.right + 1, r.bottom + 1);    // right
    Fill(ops, background, r.left, r.top, r.right, r.bottom);
  }
  if (v.channels() == 2) {
    const DisplayAreas a = ComputeAreas(client, margins);
    const int32_t mid = (a.wave.bottom + a.wave.top - 1) / 2;
    Fill(ops, kPaintButtonShadow, a.wave.left, mid, a.wave.right + 1, mid + 1);
  }
}

std::vector<CueLayout> LayoutCues(const WaveView& v, const PixelRect& area, const std::vector<CueMark>& cues,
                                  const TextMeasure& measure) {
  std::vector<const CueMark*> sorted;
  for (const CueMark& c : cues) sorted.push_back(&c);
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const CueMark* a, const CueMark* b) { return a->position < b->position; });
  std::vector<CueLayout> out;
  int32_t rowEnd[kCueLabelRows];
  std::fill(rowEnd, rowEnd + kCueLabelRows, INT32_MIN);
  for (const CueMark* c : sorted) {
    CueLayout l;
    l.region = c->length > 0;
    l.x = BoundaryColumn(v, c->position - 0.5);
    if (l.region) l.xEnd = BoundaryColumn(v, static_cast<double>(c->position) + c->length - 0.5);
    const bool startShown = l.x >= v.left() && l.x <= v.right();
    const bool endShown = l.xEnd >= v.left() && l.xEnd <= v.right();
    if (!startShown) l.x = -1;
    if (!endShown) l.xEnd = -1;
    // A region whose start is left of the view still shows its label at the left edge while it lasts.
    const bool spans = l.region && !startShown && c->position - 0.5 < v.first() &&
                       static_cast<double>(c->position) + c->length - 0.5 > v.first();
    if (!startShown && !endShown && !spans) continue;
    if (measure && !c->label.empty() && (startShown || spans)) {
      const TextExtent ext = measure(c->label);
      const int32_t left = (startShown ? l.x : v.left()) + 2;
      for (int row = 0; row < kCueLabelRows; ++row) {
        if (rowEnd[row] >= left) continue;
        const int32_t top = area.top + 1 + row * ext.height;
        if (top + ext.height > area.bottom) break;
        l.label = {left, top, left + ext.width, top + ext.height};
        l.text = c->label;
        rowEnd[row] = left + ext.width + 2;
        break;
      }
    }
    out.push_back(std::move(l));
  }
  return out;
}

int HandleAt(const std::vector<SampleHandle>& handles, int32_t x, int32_t y) {
  for (size_t i = 0; i < handles.size(); ++i) {
    const PixelRect& b = handles[i].box;
    if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) return static_cast<int>(i);
  }
  return -1;
}

WavePainter::WavePainter() : scratch_(static_cast<size_t>(kBoxChunkFrames) * 2) {}

void WavePainter::planBackground(const PaintInput& in, const std::vector<ChannelArea>& areas, int32_t x0,
                                 int32_t x1, std::vector<PaintOp>* ops) {
  const WaveView& v = *in.view;
  int32_t s1 = 0, s2 = -1;
  const bool sel = SelectionColumns(v, v.selStart(), v.selEnd(), &s1, &s2);
  for (const ChannelArea& c : areas) {
    const int32_t l = std::max(x0, c.rect.left), r = std::min(x1 + 1, c.rect.right);
    Fill(ops, kColorBackground, l, c.rect.top, r, c.rect.bottom);
    if (sel && !c.excluded)
      Fill(ops, kColorHiliteBackground, std::max(l, s1), c.rect.top, std::min(r, s2 + 1), c.rect.bottom);
  }
}

void WavePainter::planLines(const PaintInput& in, const std::vector<ChannelArea>& areas, int32_t x0,
                            int32_t x1, std::vector<PaintOp>* ops) {
  const WaveView& v = *in.view;
  int32_t s1 = 0, s2 = -1;
  if (!SelectionColumns(v, v.selStart(), v.selEnd(), &s1, &s2)) s2 = s1 - 1;
  for (const ChannelArea& c : areas) {
    const int32_t l = std::max(x0, c.rect.left), r = std::min(x1 + 1, c.rect.right);
    if (l >= r) continue;
    auto hline = [&](int color, int32_t y) {
      if (y >= c.rect.top && y < c.rect.bottom) Fill(ops, color, l, y, r, y + 1);
    };
    if ((v.flags() & WDF_GRID) && in.gridY) {
      for (int16_t e : *in.gridY) {
        if (e < 0) break;
        const int32_t y = in.margins.top + e;
        if (y < c.rect.top || y >= c.rect.bottom - 1) continue;
        // Grid colour outside the selected columns, the highlight grid colour inside.
        Fill(ops, kColorGrid, l, y, r, y + 1);
        Fill(ops, kColorHiliteGrid, std::max(l, s1), y, std::min(r, s2 + 1), y + 1);
      }
    }
    if ((v.flags() & WDF_GRID) && in.gridX) {
      for (int16_t e : *in.gridX) {
        if (e < 0) break;
        const int32_t x = in.margins.left + e;
        if (x < l || x >= r || x >= c.rect.right - 1) continue;
        Fill(ops, x >= s1 && x <= s2 ? kColorHiliteGrid : kColorGrid, x, c.rect.top, x + 1, c.rect.bottom);
      }
    }
    hline(kColorCenterLine, c.rect.top + NormalizedRow(0, v.vLow(), v.vHigh(), c.height));
    if (v.flags() & WDF_BOUNDARY) {
      const double a = in.boundaryAmplitude;
      hline(kColorBoundaryLines, c.rect.top + NormalizedRow(a, v.vLow(), v.vHigh(), c.height));
      hline(kColorBoundaryLines, c.rect.top + NormalizedRow(-a, v.vLow(), v.vHigh(), c.height));
    }
  }
}

void WavePainter::planColumns(const PaintInput& in, const std::vector<ChannelArea>& areas, int32_t x0,
                              int32_t x1, PaintPlan* out) {
  const WaveView& v = *in.view;
  const int32_t c0 = std::max(x0, v.left()) - v.left(), c1 = std::min(x1, v.right()) - v.left();
  if (c1 < c0 || !in.source || v.length() <= 0) return;
  const int channels = v.channels();
  if (cache_.columns() != v.pixels() + 10) cache_.resize(channels, v.pixels());
  PlanView pv;
  pv.first = v.first();
  pv.width = v.width();
  pv.pixels = v.pixels();
  pv.length = v.length();
  pv.channels = channels;
  pv.selStart = v.selStart();
  pv.selEnd = v.selEnd();
  pv.interpolationTaps = in.interpolationTaps;
  const PeakSource peaks = PeaksOf(in.source);
  const double spp = v.samplesPerPixel();
  recorded_.clear();
  FrameReader reader = ReaderOf(in.source);
  if (spp < 1.75) {
    // Keep what the planner reads (the view's frames and a few taps) for the sample boxes.
    reader = [this, channels, src = in.source](int64_t first, int32_t count, float* dst) {
      const int32_t got = src->readFloat(first, count, dst);
      if (got <= 0) return got;
      if (recorded_.empty() || first != recordedFirst_ + static_cast<int64_t>(recorded_.size() / channels)) {
        recorded_.clear();
        recordedFirst_ = first;
      }
      if (recorded_.size() + static_cast<size_t>(got) * channels <= kMaxRecordedFrames * 2)
        recorded_.insert(recorded_.end(), dst, dst + static_cast<size_t>(got) * channels);
      return got;
    };
  }
  planner_.plan(pv, &peaks, reader, c0, c1, &columns_, &cache_);
  out->interpolated = spp <= 1.75 && spp > 0;
  for (int32_t col = c0; col <= c1; ++col) {
    const ColumnPlan& p = columns_[col - c0];
    if (p.mode == ColumnMode::kEmpty) continue;
    const int32_t x = v.left() + col;
    for (int ch = 0; ch < channels && ch < static_cast<int>(areas.size()); ++ch) {
      const ChannelArea& a = areas[ch];
      if (a.height <= 0) continue;
      const int32_t top = std::max(SampleRow(v, a, p.max[ch]), a.rect.top);
      const int32_t bottom = std::min(SampleRow(v, a, p.min[ch]), a.rect.bottom - 1);
      Fill(&out->ops, WaveColorCode(spp, p.selected, a.excluded), x, top, x + 1, bottom + 1);
    }
  }
}

void WavePainter::planBoxes(const PaintInput& in, const std::vector<ChannelArea>& areas, int32_t x0,
                            int32_t x1, PaintPlan* out) {
  const WaveView& v = *in.view;
  if (!in.source || v.length() <= 0) return;
  const int channels = v.channels();
  for (int ch = 0; ch < channels && ch < static_cast<int>(areas.size()); ++ch) {
    const ChannelArea& a = areas[ch];
    const std::vector<SampleBox> boxes = SampleBoxes(v, a.excluded);
    if (boxes.empty() || a.height <= 0) continue;
    // Values of the boxed samples, read in chunks; frames a short read did not deliver are silence.
    for (size_t i = 0; i < boxes.size();) {
      const int32_t chunk0 = boxes[i].sample;
      const int32_t n = std::min<int32_t>(kBoxChunkFrames, boxes.back().sample - chunk0 + 1);
      std::fill(scratch_.begin(), scratch_.begin() + static_cast<size_t>(n) * channels, 0.0f);
      const int64_t recordedEnd = recordedFirst_ + static_cast<int64_t>(recorded_.size() / channels);
      if (!recorded_.empty() && chunk0 >= recordedFirst_ && chunk0 + n <= recordedEnd) {
        const size_t at = static_cast<size_t>(chunk0 - recordedFirst_) * channels;
        std::copy(recorded_.begin() + at, recorded_.begin() + at + static_cast<size_t>(n) * channels,
                  scratch_.begin());
      } else {
        const int32_t got = in.source->readFloat(chunk0, n, scratch_.data());
        boxFramesRead_ += std::max(0, got);
      }
      for (; i < boxes.size() && boxes[i].sample < chunk0 + n; ++i) {
        const SampleBox& b = boxes[i];
        const float value = scratch_[static_cast<size_t>(b.sample - chunk0) * channels + ch];
        const int32_t y = SampleRow(v, a, value);
        const PixelRect r = {b.x - b.halfBefore, y - b.halfBefore, b.x + b.halfAfter + 1,
                             y + b.halfAfter + 1};
        const bool selected = b.sample >= v.selStart() && b.sample <= v.selEnd();
        const int color = a.excluded ? kPaintButtonShadow
                          : selected ? kColorHiliteDigitalWaveform
                                     : kColorDigitalWaveform;
        if (b.x >= x0 && b.x <= x1) {
          Fill(&out->ops, color, std::max(r.left, a.rect.left), std::max(r.top, a.rect.top),
               std::min(r.right, a.rect.right), std::min(r.bottom, a.rect.bottom));
        }
        if (b.handle) out->handles.push_back({r, b.sample, ch, a.rect.top, a.rect.bottom - 1});
      }
    }
  }
}

void WavePainter::planInsertion(const PaintInput& in, const std::vector<ChannelArea>& areas, int32_t x0,
                                int32_t x1, std::vector<PaintOp>* ops) {
  const WaveView& v = *in.view;
  if (!v.selectionEmpty() || (v.flags() & WDF_PASSCLICKS)) return;
  const int32_t x = InsertionColumn(v, v.selStart());
  if (x < 0 || x < x0 || x > x1 || x > v.right()) return;
  for (const ChannelArea& c : areas) {
    if (c.excluded || c.height <= 0) continue;
    const int32_t zero = c.rect.top + NormalizedRow(0, v.vLow(), v.vHigh(), c.height);
    // Every fourth row, in phase with the zero line, is a cursor dot with a background pixel three above.
    int32_t y = zero - ((zero - c.rect.top) / 4) * 4;
    for (; y < c.rect.bottom; y += 4) {
      Fill(ops, kColorCursor, x, y, x + 1, y + 1);
      if (y - 3 >= c.rect.top) Fill(ops, kColorBackground, x, y - 3, x + 1, y - 2);
    }
  }
}

void WavePainter::planCues(const PaintInput& in, int32_t x0, int32_t x1, std::vector<PaintOp>* ops) {
  if (!in.cues || in.cues->empty()) return;
  const WaveView& v = *in.view;
  const DisplayAreas a = ComputeAreas(in.client, in.margins);
  for (const CueLayout& l : LayoutCues(v, a.wave, *in.cues, in.measure)) {
    if (l.x >= x0 && l.x <= x1) Fill(ops, kPaintMarker, l.x, a.wave.top, l.x + 1, a.wave.bottom);
    if (l.xEnd >= x0 && l.xEnd <= x1) Fill(ops, kPaintRegion, l.xEnd, a.wave.top, l.xEnd + 1, a.wave.bottom);
    if (!l.text.empty() && l.label.right > x0 && l.label.left <= x1) {
      PaintOp op;
      op.kind = PaintOp::kText;
      op.color = kPaintMarker;
      op.r = l.label;
      op.text = l.text;
      ops->push_back(std::move(op));
    }
  }
}

void WavePainter::planOverlays(const PaintInput& in, int32_t x0, int32_t x1, std::vector<PaintOp>* ops) {
  ops->clear();
  if (!in.view || in.view->pixels() <= 0) return;
  x0 = std::max(x0, in.view->left());
  x1 = std::min(x1, in.view->right());
  if (x1 < x0) return;
  planInsertion(in, ChannelAreas(*in.view, in.client, in.margins), x0, x1, ops);
  planCues(in, x0, x1, ops);
}

void WavePainter::plan(const PaintInput& in, int32_t x0, int32_t x1, PaintPlan* out) {
  out->ops.clear();
  out->handles.clear();
  out->interpolated = false;
  if (!in.view) return;
  const WaveView& v = *in.view;
  const std::vector<ChannelArea> areas = ChannelAreas(v, in.client, in.margins);
  x0 = std::max(x0, v.left());
  x1 = std::min(x1, v.right());
  if (x1 < x0 || v.pixels() <= 0) return;
  planBackground(in, areas, x0, x1, &out->ops);
  planLines(in, areas, x0, x1, &out->ops);
  recorded_.clear();
  if (v.length() > 0 && v.samplesPerPixel() > 0) {
    planColumns(in, areas, x0, x1, out);
    if (v.samplesPerPixel() < 1.75) planBoxes(in, areas, x0, x1, out);
  }
  planInsertion(in, areas, x0, x1, &out->ops);
  planCues(in, x0, x1, &out->ops);
}

}  // namespace display
