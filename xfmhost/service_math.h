// What the host services for plug-ins decide, without their windows: the progress window's estimate of the
// time left (ignoring paused time) and its bar in hundredths of a percent, the number text of a corrected
// dialog field, and what Limits and AlertLimits do with a typed value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace xfmhost {

// ---- Progress ----

// The percentage done/total x 100; none when total <= 0 (no estimate, no bar movement). Never negative.
std::optional<double> progressPercent(int32_t done, int32_t total);
// Whole seconds left after elapsedMs at percent p (> 0): trunc((elapsed / p x 100 - elapsed) / 1000),
// never below 0 (done beyond total) and at most 0xFFFFFFFE.
uint32_t progressSecondsLeft(uint32_t elapsedMs, double percent);
// "ETA: " then "1 Hour " / "%d Hours ", "1 Minute " / "%d Minutes ", "1 Second" / "%d Seconds" of the shown
// seconds t (the estimate plus one); parts that come out zero are left out.
std::string progressEtaText(uint32_t shownSeconds);
// The bar value in hundredths of a percent for percent p: trunc(p x 100), within 0..10000.
int32_t progressBarValue(double percent);
// The percentage control's text: "%2d %" of the whole percent.
std::string progressPercentText(int32_t hundredths);

// The operation's clock: the elapsed time leaves paused spans out.
class ProgressClock {
 public:
  void start(uint32_t nowMs);
  void togglePause(uint32_t nowMs);
  bool paused() const { return paused_; }
  uint32_t elapsedMs(uint32_t nowMs) const;

 private:
  uint32_t startMs_ = 0;
  uint32_t pauseMs_ = 0;
  bool paused_ = false;
};

// progressMeter's display part, from one call to the next.
class ProgressMeterState {
 public:
  void reset();  // progressCreate
  struct Update {
    bool etaChanged = false;
    std::string eta;   // when etaChanged
    int32_t bar = -1;  // the value for command 121, -1 for none
  };
  Update meter(int32_t done, int32_t total, uint32_t elapsedMs);
  // Command 121: only a larger value than the last is drawn; *percentChanged when the whole percent (and so
  // the text) changed.
  bool drawBar(int32_t hundredths, bool* percentChanged);

 private:
  double lastPercent_ = -1.0;
  int64_t lastShown_ = -1;
  int32_t lastBar_ = -100;
};

// ---- Limits ----

// The number text of a corrected field: integer digits written exactly (none below 1), then at most 9
// fraction digits of (magnitude + 4.656683928435187e-10), trailing zeros after the point and then a bare
// point removed. 0 -> "0", 0.5 -> ".5", -0.25 -> "-.25", 1e9 -> "1000000000".
std::string limitsNumberText(double v);
// The value of a field's text (its first 29 characters) as the check reads it; 0 when it has no number.
double limitsParse(const std::string& text);

constexpr uint16_t kFocusLoss = 512;  // EN_KILLFOCUS

struct LimitsDecision {
  bool replaceText = false;  // write text into the control
  std::string text;
  bool alert = false;    // beep and AlertLimits(owner, value, min, max)
  bool storeId = false;  // context 320 = the control id
  bool clearId = false;  // context 320 = 0
  bool repaint = false;  // the control changes colour
  double result = 0;     // for the caller's result (when it gave one)
  int32_t returns = 0;
};
// Limits for the value v of control id with notification code; storedId is context 320.
LimitsDecision limitsDecide(double v, double minimum, double maximum, uint16_t id, uint16_t code,
                            uint16_t storedId);

// AlertLimits: whether [Tips] "1" switches the alert off (a value starting with y or Y).
bool alertSuppressed(const std::string& tipsValue);
// The alert's text for v, min and max.
std::string alertLimitsText(double v, double minimum, double maximum);

}  // namespace xfmhost
