// What the progress window shows, without the window: the estimate of the time left, the percentage and
// bar value, pausing (which moves the start forward so the estimate ignores the pause), the cancel flag, and
// the nesting key with which a transform run inside another keeps its caller's window. The Windows window
// (progress_win.cpp) draws what this decides.
#pragma once

#include <cstdint>
#include <string>

namespace formats {

// "ETA: " then hours, minutes and seconds as the string table spells them ("1 Hour ", "%d Hours ",
// "1 Minute ", "%d Minutes ", "1 Second", "%d Seconds"; nothing for zero seconds).
std::string progressEtaText(uint32_t seconds);
// The percentage text of a bar value in hundredths of a percent: "%2d %".
std::string progressPercentText(int hundredths);

class ProgressState {
 public:
  // progressCreate: resets for a new operation started at nowMs. Ignored (false) while suppressed.
  bool create(const std::string& title, uint32_t nowMs);
  const std::string& title() const { return title_; }

  struct Meter {
    bool etaChanged = false;
    std::string eta;
    int bar = -1;  // the bar value to send (hundredths of a percent), -1 when the display part is suppressed
  };
  // The display part of progressMeter for done of total at nowMs.
  Meter meter(uint32_t done, uint32_t total, uint32_t nowMs);

  // Command 121: true when value b must be drawn (only a larger value than the last is); *percentChanged
  // tells whether the whole percent, and with it the text, changed.
  bool barValue(int b, bool* percentChanged);

  void cancel() { cancelled_ = true; }
  bool cancelled() const { return cancelled_; }
  void togglePause(uint32_t nowMs);
  bool paused() const { return paused_; }

  // Nesting: entering takes effect only when no key is set, leaving only with the key that is set.
  void enterSuppression(uint32_t key) {
    if (suppressKey_ == 0) suppressKey_ = key;
  }
  void leaveSuppression(uint32_t key) {
    if (suppressKey_ == key) suppressKey_ = 0;
  }
  bool suppressed() const { return suppressKey_ != 0; }

 private:
  std::string title_ = "Generating Stuff";
  uint32_t startMs_ = 0;
  double lastPercent_ = -1.0;
  int64_t lastSeconds_ = -1;
  int lastBar_ = -100;
  bool cancelled_ = false;
  bool paused_ = false;
  uint32_t pauseStartMs_ = 0;
  uint32_t suppressKey_ = 0;
};

}  // namespace formats
