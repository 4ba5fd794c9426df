// The display's view model: which samples are visible, the selection, the vertical range and the display
// flags, and the mappings between pixel columns and sample positions. The window layer owns one per
// display and forwards its notifications to the parent as WM_NOTIFY records.
//
// Boundary coordinates: sample k occupies k - 0.5 .. k + 0.5. The visible range [first, last] is held in
// that coordinate (first >= -0.5, last <= length - 0.5, at least four samples wide unless the document is
// shorter); the selection is a pair of inclusive sample indices, end = start - 1 meaning an empty
// selection (a cursor before sample start).
//
// Guards beyond the plain formulas: a width or pixel count of 0 (empty document, display reset) never
// divides, non-finite results never reach an integer conversion, and a negative selection start is
// clamped to 0.
#pragma once

#include <cstdint>
#include <functional>

namespace display {

// Display flags; the low seven bits are the user's display mode ("DisplayMode").
constexpr uint32_t WDF_WAVEFORM = 0x1;
constexpr uint32_t WDF_SPECTRAL = 0x2;
constexpr uint32_t WDF_GRID = 0x8;
constexpr uint32_t WDF_BOUNDARY = 0x10;
constexpr uint32_t WDF_OFFSCREEN = 0x20;
constexpr uint32_t WDF_PASSCLICKS = 0x40;
constexpr uint32_t WDF_NOLEFT = 0x100;
constexpr uint32_t WDF_NORIGHT = 0x200;
constexpr uint32_t WDF_BUFFEREDPAINT = 0x400;
constexpr uint32_t WDF_ERASE = 0x2000000;
constexpr uint32_t WDF_SAMPLEDRAG = 0x4000000;
constexpr uint32_t WDF_ERASED = 0x8000000;
constexpr uint32_t WDF_INTERP = 0x10000000;
constexpr uint32_t WDF_SELECTING = 0x40000000;
constexpr uint32_t WDF_FULLREDRAW = 0x80000000;
constexpr uint32_t WDF_CHANNEL_MASK = WDF_NOLEFT | WDF_NORIGHT;
constexpr uint32_t WDF_MODE_MASK = 0x7f;

// Notification codes sent to the parent (WM_NOTIFY, the code field of the record).
constexpr int WDN_VIEWCHANGED = 100;    // a = first, b = last
constexpr int WDN_SELCHANGED = 101;     // a = start, b = end
constexpr int WDN_LENGTHCHANGED = 102;  // a = new length
constexpr int WDN_FLAGSCHANGED = 103;   // a = first, b = last, extra = new flags
constexpr int WDN_VRANGECHANGED = 104;  // a = L, b = H
constexpr int WDN_SAMPLEDRAGGED = 105;  // a = new normalized value, extra = sample, flags = 1 / 1|2 / 1|4
constexpr int WDN_CLICK = 110;          // a = wParam, b = mouse message, extra = lParam
constexpr int WDN_DBLCLK = 111;         // a = wParam, extra = lParam

struct WaveDispNotify {
  int code = 0;
  double a = 0, b = 0;
  int32_t extra = 0;
  uint32_t flags = 0;  // the sender's value, ORed with WDF_SELECTING while a drag is in progress
};
using NotifySink = std::function<void(const WaveDispNotify&)>;

// trunc(v) as an int32: NaN gives 0, values beyond the range saturate (no undefined conversion).
int32_t SafeTrunc(double v);
// floor(v) with the same guards.
int32_t SafeFloor(double v);

class WaveView {
 public:
  explicit WaveView(NotifySink sink = {});

  void setSink(NotifySink sink) { sink_ = std::move(sink); }

  // Wave area columns left .. right inclusive (pixels = right - left + 1; below 1 means no area).
  void setArea(int32_t left, int32_t right);
  int32_t left() const { return left_; }
  int32_t right() const { return right_; }
  int32_t pixels() const { return pixels_; }

  double first() const { return first_; }
  double last() const { return last_; }
  double width() const { return width_; }
  int32_t length() const { return length_; }
  int32_t selStart() const { return selStart_; }
  int32_t selEnd() const { return selEnd_; }
  bool selectionEmpty() const { return selEnd_ < selStart_; }
  uint32_t flags() const { return flags_; }
  int channels() const { return channels_; }
  double vLow() const { return vLow_; }
  double vHigh() const { return vHigh_; }
  double centreTerm() const { return centre_; }
  double scale() const { return scale_; }
  double anchor() const { return anchor_; }
  void setAnchor(double a) { anchor_ = a; }

  // Samples per pixel column; 0 while there is no area or no visible width.
  double samplesPerPixel() const;
  // width / length, 0 for an empty document.
  double zoomFraction() const;
  // First and last whole visible sample: trunc(first + 0.9999), trunc(last).
  void viewSamples(int32_t* a, int32_t* b) const;

  // The boundary S(x) = trunc(first + (x - left) x width / pixels + 0.9999) a pixel column stands for.
  int32_t boundaryAt(int32_t x) const;
  // trunc(S(x) - 0.5): the sample under column x.
  int32_t pixelToSample(int32_t x) const;
  // The column of sample s; -32000 / +32000 when s lies left / right of the view.
  int32_t sampleToPixel(int32_t s) const;
  // Column of the play cursor at sample s, or -1 when it is not drawn (s = -1, outside the view).
  int32_t cursorPixel(int32_t s) const;

  // Places the play cursor at sample s: returns its column, or -1 when it is not drawn (then the stored
  // cursor sample is -500000).
  int32_t setCursor(int32_t s);
  int32_t cursorSample() const { return cursorSample_; }

  // Shows samples a .. b with the clamps described at the top. Returns true when the view changed.
  bool setView(double a, double b);
  // New document length; sends length, then view (if it moved), then selection.
  void setLength(int32_t n);
  void setSelection(int32_t s, int32_t e);
  // Moves each end by dx x max(1, width / pixels) samples (never below 0).
  void nudgeSelection(int32_t dxStart, int32_t dxEnd);
  // Moves the visible range by dx pixels (dx > 0 shows earlier samples). Returns the pixels actually
  // scrolled (0 when refused); fullRedraw is set when the range hit an end and was put back there, so the
  // window must repaint everything instead of shifting pixels.
  int32_t scroll(int32_t dx, bool* fullRedraw = nullptr);
  // Shows a .. b. Unless forced, a move by less than a view width at (nearly) the same width is made as a
  // pixel scroll (returned; 0 when the view was set instead, or nothing changed).
  int32_t moveView(double a, double b, bool force, bool* fullRedraw = nullptr);
  // Moves the vertical range by dy pixels of a channel h rows high (both ends decrease by dy x (H - L) / h).
  bool scrollVRange(int32_t dy, int32_t channelHeight);
  // Keeps the width and moves the first boundary to `first`, clamped to the document.
  void moveViewTo(double first);

  // Vertical range: non-finite values are refused; L > H are swapped.
  bool setVRange(double low, double high);
  void setFlags(uint32_t value, uint32_t mask);
  // The drag-in-progress bit is internal state: it changes without a flags notification.
  void setSelecting(bool on) { flags_ = on ? flags_ | WDF_SELECTING : flags_ & ~WDF_SELECTING; }
  void setChannels(int channels) { channels_ = channels == 2 ? 2 : 1; }
  // The owner dropped its document: length 0, view (0, -1), range (0, 0), selection (0, -1), mode cleared.
  void reset();

  // Row (counted up from the bottom of a channel h pixels high) of a value on the 16-bit scale.
  int32_t valueRow(double v, int32_t h) const;

  // Sends a notification with the selecting bit added during a drag.
  void notify(int code, double a, double b, int32_t extra = 0, uint32_t flags = 0) const;

 private:
  void clampView(double* first, double* last) const;
  void recomputeVertical();

  NotifySink sink_;
  int32_t left_ = 0, right_ = -1, pixels_ = 0;
  double first_ = -0.5, last_ = -0.5, width_ = 0;
  int32_t length_ = 0;
  int32_t selStart_ = 0, selEnd_ = -1;
  uint32_t flags_ = 0;
  int channels_ = 1;
  double anchor_ = 0;
  int32_t cursorSample_ = -50000;
  double vLow_ = -1, vHigh_ = 1, centre_ = 0, scale_ = 1;
  double savedSpectral_[2] = {-1, 0};
  double savedWaveform_[2] = {-1, 1};
};

}  // namespace display
