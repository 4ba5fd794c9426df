// Level meter core: layout, block measurement and bar ballistics (see meter.h).
//
// Bar positions are kept in filled pixels of a bar's inner width W (0..W): the bar fills the inner columns
// left .. left + drawn - 1, and a line at position p (1..W) is the column left + p - 1, so a peak line sits
// on the last filled column of the level that set it. Position 0 is "no line" for peaks; valleys use
// kMeterValleyForgotten for that and draw nothing at 0 (an empty bar has no column to mark).
#include "audio/meter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "include/sorn_bytes.h"

namespace audio {

MeterSettings MeterSettingsSanitized(MeterSettings s) {
  if (s.fadeTime < 0) s.fadeTime = kMeterDefaultFadeTime;
  if (s.peakTime < 0) s.peakTime = kMeterDefaultPeakTime;
  if (s.valleyTime < 0) s.valleyTime = kMeterDefaultValleyTime;
  return s;
}

namespace {

MeterRect Inset(const MeterRect& r, int32_t d) {
  MeterRect i{r.left + d, r.top + d, r.right - d, r.bottom - d};
  i.right = std::max(i.right, i.left);
  i.bottom = std::max(i.bottom, i.top);
  return i;
}

MeterRect Clamped(MeterRect r, const MeterRect& client) {
  r.left = std::max(r.left, client.left);
  r.top = std::max(r.top, client.top);
  r.right = std::max(r.right, r.left);
  r.bottom = std::max(r.bottom, r.top);
  return r;
}

// The formulas for bars with borders and a scale strip th pixels high (th may be 0).
MeterLayout Standard(const MeterRect& c, int32_t th, int channels) {
  MeterLayout l;
  l.channels = channels;
  const int32_t barRight = c.right - 20, clipLeft = c.right - 18, clipRight = c.right - 1;
  const int32_t lowest = c.bottom - th - 1;
  if (channels == 1) {
    l.bar[0] = {c.left + 1, c.top + 1, barRight, lowest};
    l.clip[0] = {clipLeft, c.top + 1, clipRight, lowest};
  } else {
    const int32_t m = (c.bottom + c.top - th) / 2;
    l.bar[0] = {c.left + 1, c.top + 1, barRight, m - 1};
    l.bar[1] = {c.left + 1, m + 1, barRight, lowest};
    l.clip[0] = {clipLeft, c.top + 1, clipRight, m - 1};
    l.clip[1] = {clipLeft, m + 1, clipRight, lowest};
  }
  l.scale = th > 0 ? MeterRect{c.left, c.bottom - th, c.right, c.bottom} : MeterRect{};
  return l;
}

// Bars without borders sharing the whole height, for meters only a few pixels high.
MeterLayout Compact(const MeterRect& c, int channels) {
  MeterLayout l;
  l.channels = channels;
  l.bordered = false;
  const int32_t mid = channels == 1 ? c.bottom : c.top + c.height() / 2;
  l.bar[0] = {c.left + 1, c.top, c.right - 20, mid};
  l.clip[0] = {c.right - 18, c.top, c.right - 1, mid};
  if (channels == 2) {
    l.bar[1] = {c.left + 1, mid, c.right - 20, c.bottom};
    l.clip[1] = {c.right - 18, mid, c.right - 1, c.bottom};
  }
  return l;
}

// A bordered bar needs three rows: the borders and one row of level.
bool BarsFit(const MeterLayout& l) {
  for (int ch = 0; ch < l.channels; ++ch)
    if (l.bar[ch].height() < 3) return false;
  return true;
}

}  // namespace

MeterRect MeterLayout::barInner(int ch) const {
  return bordered ? Inset(bar[ch], 1) : bar[ch];
}
MeterRect MeterLayout::clipInner(int ch) const {
  return bordered ? Inset(clip[ch], 1) : clip[ch];
}

MeterLayout MeterLayoutFor(const MeterRect& client, int32_t textHeight, int channels) {
  channels = channels == 2 ? 2 : 1;
  const int32_t th = std::max<int32_t>(0, textHeight);
  MeterLayout l = Standard(client, th, channels);
  if (!BarsFit(l)) l = Standard(client, 0, channels);  // no room for the scale
  if (!BarsFit(l)) l = Compact(client, channels);
  for (int ch = 0; ch < 2; ++ch) {
    l.bar[ch] = ch < channels ? Clamped(l.bar[ch], client) : MeterRect{};
    l.clip[ch] = ch < channels ? Clamped(l.clip[ch], client) : MeterRect{};
  }
  l.scale = Clamped(l.scale, client);
  return l;
}

double MeterFraction(double level, int range, bool* clip) {
  if (!(level == level)) return 0;  // NaN
  if (level >= 1) {
    if (clip) *clip = true;
    return 1;
  }
  if (level <= 1e-6) return 0;
  const double r = std::max(range, 1);
  return std::max(0.0, 20 * std::log10(level) + r) / r;
}

void MeterInit(MeterState* m, const MeterSettings& settings) {
  *m = MeterState{};
  m->settings = MeterSettingsSanitized(settings);
}

namespace {

int32_t InnerWidth(const MeterState& m, int c) {
  return std::max(0, m.layout.barInner(c).width());
}

int32_t PixelsOf(const MeterState& m, int c) {
  const int32_t w = InnerWidth(m, c);
  const double px = std::trunc(w * std::min(1.0, std::max(0.0, m.ch[c].shown)));
  return std::min(w, std::max(0, static_cast<int32_t>(px)));
}

bool ValleyVisible(int32_t v) {
  return v > 0 && v != kMeterValleyForgotten;
}

void Push(MeterPaintList* ops, const MeterRect& r, MeterColor color) {
  if (ops && !r.empty()) ops->push_back({r, color});
}

MeterRect Column(const MeterRect& inner, int32_t pos) {
  return {inner.left + pos - 1, inner.top, inner.left + pos, inner.bottom};
}

// Paints over a line that is going away in what lies under it: the bar colour inside the bar, else black.
void EraseLine(const MeterState& m, int c, int32_t pos, MeterPaintList* ops) {
  if (pos <= 0 || pos > InnerWidth(m, c)) return;
  Push(ops, Column(m.layout.barInner(c), pos), pos <= m.ch[c].drawn ? MeterColor::kRed : MeterColor::kBlack);
}

bool Expired(uint32_t now, uint32_t set, int holdMs) {
  return holdMs != 0 && static_cast<uint32_t>(now - set) > static_cast<uint32_t>(holdMs);
}

// Paints the change of a bar since it was last drawn and moves its peak and valley lines.
void UpdateBar(MeterState* m, int c, uint32_t now, MeterPaintList* ops) {
  MeterChannel& ch = m->ch[c];
  const MeterRect inner = m->layout.barInner(c);
  const int32_t px = PixelsOf(*m, c);
  if (px > ch.drawn)
    Push(ops, {inner.left + ch.drawn, inner.top, inner.left + px, inner.bottom}, MeterColor::kRed);
  if (px < ch.drawn)
    Push(ops, {inner.left + px, inner.top, inner.left + ch.drawn, inner.bottom}, MeterColor::kBlack);
  ch.drawn = px;

  if (ch.peak > 0 && Expired(now, ch.peakSet, m->settings.peakTime)) {
    EraseLine(*m, c, ch.peak, ops);
    ch.peak = 0;
  }
  if (ch.drawn > ch.peak) {
    EraseLine(*m, c, ch.peak, ops);
    ch.peak = ch.drawn;
    ch.peakSet = now;
  }
  if (m->settings.showValleys) {
    if (ch.valley != kMeterValleyForgotten && Expired(now, ch.valleySet, m->settings.valleyTime)) {
      EraseLine(*m, c, ch.valley, ops);
      ch.valley = kMeterValleyForgotten;
    }
    if (ch.drawn < ch.valley) {
      if (ValleyVisible(ch.valley)) EraseLine(*m, c, ch.valley, ops);
      ch.valley = ch.drawn;
      ch.valleySet = now;
    }
  }
  // The lines go on last: an erased line may have shared a column with one that stays.
  if (ch.peak > 0) Push(ops, Column(inner, ch.peak), MeterColor::kYellow);
  if (m->settings.showValleys && ValleyVisible(ch.valley))
    Push(ops, Column(inner, ch.valley), MeterColor::kYellow);
}

void ForgetLines(MeterState* m) {
  for (MeterChannel& ch : m->ch) {
    ch.peak = 0;
    ch.valley = kMeterValleyForgotten;
  }
}

}  // namespace

void MeterSetLayout(MeterState* m, const MeterRect& client, int32_t textHeight, int channels,
                    bool clearClips) {
  m->layout = MeterLayoutFor(client, textHeight, channels);
  ForgetLines(m);
  for (int c = 0; c < 2; ++c) {
    m->ch[c].drawn = PixelsOf(*m, c);
    if (clearClips) m->ch[c].clip = false;
  }
}

void MeterSetLevels(MeterState* m, double left, double right, uint32_t now, MeterPaintList* ops) {
  const bool off = left == -1 || right == -1;
  if (m->settings.range < kMeterShownMinRange) m->settings.range = kMeterShownMinRange;
  double fall = 1;  // the first update after a reset shows the level at once
  if (m->updated && m->settings.fadeTime > 0)
    fall = static_cast<uint32_t>(now - m->lastUpdate) / static_cast<double>(m->settings.fadeTime);
  for (int c = 0; c < m->layout.channels; ++c) {
    MeterChannel& ch = m->ch[c];
    if (off) {
      ch.shown = 0;
      ch.peakSet = ch.valleySet = now;
    } else {
      bool clip = false;
      const double target = MeterFraction(c == 0 ? left : right, m->settings.range, &clip);
      ch.shown = ch.shown > target ? std::max(target, ch.shown - fall) : target;
      if (clip && !ch.clip) {
        ch.clip = true;
        Push(ops, m->layout.clipInner(c), MeterColor::kRed);
      }
    }
    UpdateBar(m, c, now, ops);
  }
  m->updated = !off;
  m->lastUpdate = now;
}

bool MeterFeed(MeterState* m, const void* data, size_t bytes, int bitsPerSample, int channels, uint32_t now,
               MeterPaintList* ops) {
  if (!data) {
    MeterSetLevels(m, -1, -1, now, ops);
    return true;
  }
  if ((bitsPerSample != 8 && bitsPerSample != 16) || (channels != 1 && channels != 2)) return false;
  if (bytes < 4) return true;
  const size_t bytesPerFrame = static_cast<size_t>(bitsPerSample / 8) * channels;
  const size_t frames = bytes / bytesPerFrame;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  const bool adjust = m->settings.dcAdjust != 0;
  int32_t peak[2] = {0, 0};
  for (size_t f = 0; f < frames; ++f) {
    for (int c = 0; c < channels; ++c) {
      int32_t s;
      if (bitsPerSample == 8) {
        s = (static_cast<int32_t>(*p++) - 128) * 256;
      } else {
        s = SornGetS16LE(p);
        p += 2;
      }
      peak[c] = std::max(peak[c], std::abs(s - (adjust ? m->dc[c] : 0)));
      m->dcSum[c] += s;
    }
  }
  m->dcCount += static_cast<int32_t>(std::min<size_t>(frames, 0x7fffffff - m->dcCount));
  if (m->dcCount > kMeterDcFrames) {
    for (int c = 0; c < 2; ++c) {
      if (adjust) m->dc[c] = static_cast<int32_t>(m->dcSum[c] / m->dcCount);
      m->dcSum[c] = 0;
    }
    m->dcCount = 0;
  }
  const double l = peak[0] / 32767.0;
  MeterSetLevels(m, l, channels == 2 ? peak[1] / 32767.0 : l, now, ops);
  return true;
}

void MeterClearClips(MeterState* m, MeterPaintList* ops) {
  for (MeterChannel& ch : m->ch) {
    ch.clip = false;
    ch.shown = 0;
    ch.drawn = 0;
  }
  ForgetLines(m);
  m->updated = false;
  if (ops) {
    const MeterPaintList all = MeterFullPaint(*m);
    ops->insert(ops->end(), all.begin(), all.end());
  }
}

void MeterSetDcAdjust(MeterState* m, bool on) {
  m->settings.dcAdjust = on ? 1 : 0;
  for (int c = 0; c < 2; ++c) m->dc[c] = 0, m->dcSum[c] = 0;
  m->dcCount = 0;
}

void MeterSetRange(MeterState* m, int dB) {
  m->settings.range = std::min(kMeterMaxRange, std::max(kMeterMinRange, dB));
  ForgetLines(m);
}

MeterPaintList MeterFullPaint(const MeterState& m) {
  MeterPaintList ops;
  for (int c = 0; c < m.layout.channels; ++c) {
    const MeterChannel& ch = m.ch[c];
    const MeterRect inner = m.layout.barInner(c);
    const int32_t w = InnerWidth(m, c), px = std::min(ch.drawn, w);
    Push(&ops, {inner.left + px, inner.top, inner.right, inner.bottom}, MeterColor::kBlack);
    Push(&ops, {inner.left, inner.top, inner.left + px, inner.bottom}, MeterColor::kRed);
    if (ch.peak > 0 && ch.peak <= w) Push(&ops, Column(inner, ch.peak), MeterColor::kYellow);
    if (m.settings.showValleys && ValleyVisible(ch.valley) && ch.valley <= w)
      Push(&ops, Column(inner, ch.valley), MeterColor::kYellow);
    Push(&ops, m.layout.clipInner(c), ch.clip ? MeterColor::kRed : MeterColor::kBlack);
  }
  return ops;
}

int MeterHitBar(const MeterLayout& l, int32_t x, int32_t y) {
  for (int c = 0; c < l.channels; ++c)
    if (l.bar[c].contains(x, y)) return c;
  return -1;
}

int MeterHitClip(const MeterLayout& l, int32_t x, int32_t y) {
  for (int c = 0; c < l.channels; ++c)
    if (l.clip[c].contains(x, y)) return c;
  return -1;
}

}  // namespace audio
