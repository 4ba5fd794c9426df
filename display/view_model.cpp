// View model of the waveform display: clamps, mappings, selection, scrolling and flags.
#include "display/view_model.h"

#include <algorithm>
#include <cmath>

namespace display {

int32_t SafeTrunc(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}

int32_t SafeFloor(double v) {
  return std::isnan(v) ? 0 : SafeTrunc(std::floor(v));
}

WaveView::WaveView(NotifySink sink) : sink_(std::move(sink)) {
  recomputeVertical();
}

void WaveView::notify(int code, double a, double b, int32_t extra, uint32_t flags) const {
  if (!sink_) return;
  WaveDispNotify n;
  n.code = code;
  n.a = a;
  n.b = b;
  n.extra = extra;
  n.flags = flags | (flags_ & WDF_SELECTING);
  sink_(n);
}

void WaveView::setArea(int32_t left, int32_t right) {
  left_ = left;
  right_ = right;
  pixels_ = right >= left ? right - left + 1 : 0;
}

double WaveView::samplesPerPixel() const {
  if (pixels_ <= 0 || !(width_ > 0)) return 0;
  return width_ / pixels_;
}

double WaveView::zoomFraction() const {
  return length_ > 0 ? width_ / length_ : 0;
}

void WaveView::viewSamples(int32_t* a, int32_t* b) const {
  *a = SafeTrunc(first_ + 0.9999);
  *b = SafeTrunc(last_);
}

int32_t WaveView::boundaryAt(int32_t x) const {
  return SafeTrunc(first_ + static_cast<double>(x - left_) * samplesPerPixel() + 0.9999);
}

int32_t WaveView::pixelToSample(int32_t x) const {
  return SafeTrunc(boundaryAt(x) - 0.5);
}

int32_t WaveView::sampleToPixel(int32_t s) const {
  const double spp = samplesPerPixel();
  const double p = s - 0.5;
  if (spp <= 0 || first_ - spp > p || p > last_ + spp) return s < first_ + 1 ? -32000 : 32000;
  return left_ + SafeTrunc((s - first_ - 0.5) / width_ * pixels_ + 0.5);
}

int32_t WaveView::cursorPixel(int32_t s) const {
  if (s == -1 || samplesPerPixel() <= 0) return -1;
  if (s < first_ - 1 || s > last_ + 1) return -1;
  const int32_t x = left_ + SafeTrunc((s - first_ - 0.5) / width_ * pixels_);
  return x < left_ || x > right_ ? -1 : x;
}

int32_t WaveView::setCursor(int32_t s) {
  const int32_t x = cursorPixel(s);
  cursorSample_ = x < 0 ? -500000 : s;
  return x;
}

void WaveView::clampView(double* first, double* last) const {
  const double end = length_ - 0.5;
  if (*first + 4 >= *last) *first = *last - 4;
  if (*first < -0.5) *first = -0.5;
  if (*last > end) *last = end;
  if (*first + 4 >= *last) *last = *first + 4;
  if (*last > end) *last = end;
}

bool WaveView::setView(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return false;
  double first = a - 0.5;
  double last = std::min(b, static_cast<double>(length_) - 1) + 0.5;
  clampView(&first, &last);
  flags_ &= ~WDF_INTERP;
  if (first == first_ && last == last_) return false;
  first_ = first;
  last_ = last;
  width_ = last - first;
  notify(WDN_VIEWCHANGED, first_, last_);
  return true;
}

int32_t WaveView::moveView(double a, double b, bool force, bool* fullRedraw) {
  if (fullRedraw) *fullRedraw = false;
  if (std::isnan(a) || std::isnan(b)) return 0;
  const bool inside = (a - 0.5 >= first_ && a - 0.5 <= last_) || (b + 0.5 >= first_ && b + 0.5 <= last_);
  if (!force && width_ > 0 && pixels_ > 0 && std::fabs((b - a + 1) - width_) < 2 && inside) {
    const int32_t dx = SafeTrunc(-(a - 0.5 - first_) / width_ * pixels_);
    if (dx != 0) return scroll(dx, fullRedraw);
  }
  setView(a, b);
  return 0;
}

bool WaveView::scrollVRange(int32_t dy, int32_t channelHeight) {
  if (dy == 0 || channelHeight <= 0 || (flags_ & WDF_ERASED)) return false;
  const double shift = dy * (vHigh_ - vLow_) / channelHeight;
  return setVRange(vLow_ - shift, vHigh_ - shift);
}

void WaveView::moveViewTo(double first) {
  if (std::isnan(first)) return;
  const double w = width_;
  if (first + w > length_ - 0.5) first = length_ - 0.5 - w;
  if (first < -0.5) first = -0.5;
  setView(first + 0.5, first + w - 0.5);
}

void WaveView::setLength(int32_t n) {
  if (n < 0) n = 0;
  if (n == length_) return;
  length_ = n;
  double first = first_, last = last_;
  if (n <= last) last = n - 0.5;
  clampView(&first, &last);
  notify(WDN_LENGTHCHANGED, n, 0);
  if (first != first_ || last != last_) {
    first_ = first;
    last_ = last;
    width_ = last - first;
    notify(WDN_VIEWCHANGED, first_, last_);
  }
  if (selEnd_ >= n) {
    selEnd_ = n - 1;
    if (selEnd_ < selStart_) selStart_ = n;
  }
  if (selStart_ > n) selStart_ = n;
  notify(WDN_SELCHANGED, selStart_, selEnd_);
}

void WaveView::setSelection(int32_t s, int32_t e) {
  s = std::max(0, std::min(s, length_));
  e = std::min(e, length_ - 1);
  if (e < s) e = s - 1;
  if (s == selStart_ && e == selEnd_ && (flags_ & WDF_SELECTING)) return;
  selStart_ = s;
  selEnd_ = e;
  notify(WDN_SELCHANGED, s, e);
}

void WaveView::nudgeSelection(int32_t dxStart, int32_t dxEnd) {
  const double step = std::max(1.0, samplesPerPixel());
  int32_t s = std::max<int64_t>(0, int64_t{selStart_} + SafeTrunc(dxStart * step));
  int32_t e = std::max<int64_t>(-1, std::min<int64_t>(INT32_MAX, int64_t{selEnd_} + SafeTrunc(dxEnd * step)));
  if (e < s - 1) {
    if (dxEnd >= 0)
      e = s - 1;
    else
      s = e + 1;
  }
  setSelection(s, e);
}

int32_t WaveView::scroll(int32_t dx, bool* fullRedraw) {
  if (fullRedraw) *fullRedraw = false;
  const double spp = samplesPerPixel();
  if (dx == 0 || spp <= 0 || (flags_ & WDF_ERASED)) return 0;
  const double end = length_ - 0.5;
  if ((dx < 0 && last_ >= end) || (dx > 0 && first_ <= -0.5)) return 0;
  double first = first_ - dx * spp, last = last_ - dx * spp;
  bool hitEnd = false;
  if (last > end) {
    last = end;
    first = last - width_;
    hitEnd = true;
  }
  if (first < -0.5) {
    first = -0.5;
    last = first + width_;
    hitEnd = true;
  }
  if (fullRedraw) *fullRedraw = hitEnd;
  if (first != first_ || last != last_) {
    first_ = first;
    last_ = last;
    notify(WDN_VIEWCHANGED, first_, last_);
  }
  return dx;
}

void WaveView::recomputeVertical() {
  centre_ = (vLow_ + vHigh_) * 16384;
  scale_ = vHigh_ > vLow_ ? 2 / (vHigh_ - vLow_) : 0;
}

bool WaveView::setVRange(double low, double high) {
  if (!std::isfinite(low) || !std::isfinite(high)) return false;
  if (low > high) std::swap(low, high);
  vLow_ = low;
  vHigh_ = high;
  double* saved = (flags_ & WDF_SPECTRAL) ? savedSpectral_ : savedWaveform_;
  saved[0] = low;
  saved[1] = high;
  recomputeVertical();
  notify(WDN_VRANGECHANGED, vLow_, vHigh_);
  return true;
}

void WaveView::setFlags(uint32_t value, uint32_t mask) {
  const uint32_t old = flags_;
  uint32_t next = (old & ~mask) | (value & mask);
  if (mask == WDF_MODE_MASK && !(next & 0x37f)) next |= WDF_ERASE;
  if (next == old) return;
  const bool toSpectral = (next & WDF_SPECTRAL) && !(old & WDF_SPECTRAL);
  const bool toWaveform = (next & WDF_WAVEFORM) && !(old & WDF_WAVEFORM);
  flags_ = next;
  if (toSpectral || toWaveform) {
    if (toSpectral && (old & WDF_WAVEFORM)) savedWaveform_[0] = vLow_, savedWaveform_[1] = vHigh_;
    if (toWaveform && (old & WDF_SPECTRAL)) savedSpectral_[0] = vLow_, savedSpectral_[1] = vHigh_;
    const double* load = toSpectral ? savedSpectral_ : savedWaveform_;
    vLow_ = load[0];
    vHigh_ = load[1];
    recomputeVertical();
    notify(WDN_VRANGECHANGED, vLow_, vHigh_);
  }
  notify(WDN_FLAGSCHANGED, first_, last_, static_cast<int32_t>(flags_));
}

void WaveView::reset() {
  setChannels(1);
  setFlags(0, WDF_MODE_MASK);
  setLength(0);
  setView(0, -1);
  setVRange(0, 0);
  setSelection(0, -1);
}

int32_t WaveView::valueRow(double v, int32_t h) const {
  const double hp = h - 1;
  const int32_t g = SafeTrunc(hp * (scale_ * centre_ + 32768) / 65536 + 1000.9999) - 1000;
  int32_t m = SafeTrunc(g + 0.5 + hp * scale_ * v / 65536 + 100) - 100;
  return std::max(-3, std::min(m, h - 1 + 3));
}

}  // namespace display
