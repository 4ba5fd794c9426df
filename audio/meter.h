// The level meter's portable core: the "Meter" settings, the layout of bars, clip boxes and scale in the
// meter window, the measurement of device audio blocks (peak per channel, running DC offset) and the bar
// ballistics (fall-off, peak-hold and valley lines, clip indicators). Every update returns the rectangles
// to fill and their colours, so the window only paints; times come in as parameters (milliseconds of a
// wrapping 32-bit tick count), which keeps the behaviour deterministic under test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace audio {

// Right and bottom exclusive.
struct MeterRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  bool contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Section "Meter" of the settings file, each written back with "%d".
struct MeterSettings {
  int showOnPlay = 0;     // feed the meter during playback and recording
  int dcAdjust = 1;       // remove the running DC offset before measuring
  int showValleys = 0;    // draw the valley line
  int range = 60;         // dB span of the bar
  int fadeTime = 1000;    // ms for the shown level to fall across the whole bar; 0 = follow at once
  int peakTime = 1500;    // ms a peak line is held; 0 = held until cleared
  int valleyTime = 2500;  // ms a valley line is held; 0 = held until cleared
};

constexpr int kMeterMinRange = 6;
constexpr int kMeterMaxRange = 120;
constexpr int kMeterShownMinRange = 12;  // a smaller range is raised to this at the next level update
constexpr int kMeterDefaultFadeTime = 1000;
constexpr int kMeterDefaultPeakTime = 1500;
constexpr int kMeterDefaultValleyTime = 2500;
constexpr int32_t kMeterValleyForgotten = 6000;  // above any bar, so the next bar edge sets the valley
constexpr int32_t kMeterDcFrames = 400;  // the DC offset is refreshed after more than this many frames

// Negative times become their defaults (a saved -1 included).
MeterSettings MeterSettingsSanitized(MeterSettings s);

// Layout of the client area for one or two bars. Bars and clip boxes have a one-pixel sunken border when
// there is room for it; a meter too low for the scale strip leaves the scale out, and one too low even for
// bordered bars uses borderless bars that share the height.
struct MeterLayout {
  int channels = 1;
  bool bordered = true;
  MeterRect bar[2], clip[2];
  MeterRect scale;  // empty when the scale is left out
  MeterRect barInner(int ch) const;
  MeterRect clipInner(int ch) const;
};
MeterLayout MeterLayoutFor(const MeterRect& client, int32_t textHeight, int channels);

// Bar fraction (0..1) of a peak level for a range in dB; *clip is set when the level reaches full scale.
double MeterFraction(double level, int range, bool* clip);

struct MeterChannel {
  double shown = 0;      // displayed level, a fraction of the bar
  int32_t drawn = 0;     // filled pixels of the bar's inner width, as last painted
  int32_t peak = 0;      // peak line in filled-pixel units; 0 = none
  uint32_t peakSet = 0;  // tick of the peak line's last move
  int32_t valley = kMeterValleyForgotten;
  uint32_t valleySet = 0;
  bool clip = false;
};

struct MeterState {
  MeterSettings settings;
  MeterLayout layout;
  MeterChannel ch[2];
  bool updated = false;  // an update has happened since the bars were reset
  uint32_t lastUpdate = 0;
  int32_t dc[2] = {0, 0};  // running DC offsets, 16-bit values
  int64_t dcSum[2] = {0, 0};
  int32_t dcCount = 0;
};

enum class MeterColor : uint8_t { kBlack, kRed, kYellow };
struct MeterPaintOp {
  MeterRect rect;
  MeterColor color;
};
using MeterPaintList = std::vector<MeterPaintOp>;

void MeterInit(MeterState* m, const MeterSettings& settings);

// Lays the meter out for a client area and text height and one or two bars. The lines are forgotten (their
// pixel positions belong to the old layout); clip flags are cleared when asked. The caller repaints all.
void MeterSetLayout(MeterState* m, const MeterRect& client, int32_t textHeight, int channels,
                    bool clearClips);

// Updates the bars with peak levels (fractions of full scale; -1 = off, which empties the bars and restarts
// the line timers) at tick now, appending what to paint.
void MeterSetLevels(MeterState* m, double left, double right, uint32_t now, MeterPaintList* ops);

// Measures a block of interleaved device audio (8-bit unsigned or 16-bit signed, 1 or 2 channels) and
// updates the bars. Null data resets the bars; fewer than 4 bytes are ignored. Returns false for a format
// it cannot measure (nothing is changed then).
bool MeterFeed(MeterState* m, const void* data, size_t bytes, int bitsPerSample, int channels, uint32_t now,
               MeterPaintList* ops);

// Clears both clip flags, drops the held lines and empties the bars.
void MeterClearClips(MeterState* m, MeterPaintList* ops);

// Switches DC adjustment; the offsets and their running sums start again.
void MeterSetDcAdjust(MeterState* m, bool on);

// Sets the range (limited to 6..120 dB); held lines are dropped since their positions meant other levels.
void MeterSetRange(MeterState* m, int dB);

// Everything a full repaint fills (bars, lines, clip boxes), from the current state; the scale and the
// borders are drawn by the window.
MeterPaintList MeterFullPaint(const MeterState& m);

// Which bar or clip box holds a client point; -1 for none.
int MeterHitBar(const MeterLayout& l, int32_t x, int32_t y);
int MeterHitClip(const MeterLayout& l, int32_t x, int32_t y);

}  // namespace audio
