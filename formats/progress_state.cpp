// What the progress window shows; see progress_state.h.
#include "formats/progress_state.h"

#include <cmath>
#include <cstdio>

namespace formats {

std::string progressEtaText(uint32_t seconds) {
  std::string t = "ETA: ";
  char buf[32];
  uint32_t rest = seconds;
  if (rest > 3598) {
    uint32_t hours = (rest + 1) / 3600;
    rest = rest > hours * 3600 ? rest - hours * 3600 : 0;
    if (hours == 1) {
      t += "1 Hour ";
    } else {
      std::snprintf(buf, sizeof buf, "%u Hours ", unsigned(hours));
      t += buf;
    }
  }
  if (rest > 59) {
    uint32_t minutes = rest / 60;
    rest -= minutes * 60;
    if (minutes == 1) {
      t += "1 Minute ";
    } else {
      std::snprintf(buf, sizeof buf, "%u Minutes ", unsigned(minutes));
      t += buf;
    }
  }
  if (rest == 1) {
    t += "1 Second";
  } else if (rest > 1) {
    std::snprintf(buf, sizeof buf, "%u Seconds", unsigned(rest));
    t += buf;
  }
  return t;
}

std::string progressPercentText(int hundredths) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%2d %c", hundredths / 100, '%');
  return buf;
}

bool ProgressState::create(const std::string& title, uint32_t nowMs) {
  if (suppressed()) return false;
  title_ = title;
  lastPercent_ = -1.0;
  lastSeconds_ = -1;
  lastBar_ = -100;
  startMs_ = nowMs;
  cancelled_ = false;
  paused_ = false;
  return true;
}

ProgressState::Meter ProgressState::meter(uint32_t done, uint32_t total, uint32_t nowMs) {
  Meter m;
  if (suppressed()) return m;
  double p = total ? double(done) / double(total) * 100.0 : 0.0;
  if (p != 0 && p != lastPercent_) {
    double elapsed = double(uint32_t(nowMs - startMs_));
    double left = (elapsed / p * 100.0 - elapsed) / 1000.0;
    uint32_t s = left <= 0 ? 0 : left >= 4294967295.0 ? 0xFFFFFFFFu : uint32_t(left);
    if (int64_t(s) + 1 != lastSeconds_) {
      lastSeconds_ = int64_t(s) + 1;
      m.etaChanged = true;
      m.eta = progressEtaText(s);
    }
    lastPercent_ = p;
  }
  m.bar = int(std::trunc(p * 100.0));
  return m;
}

bool ProgressState::barValue(int b, bool* percentChanged) {
  *percentChanged = false;
  if (b <= lastBar_) return false;
  *percentChanged = lastBar_ < 0 || b / 100 != lastBar_ / 100;
  lastBar_ = b;
  return true;
}

void ProgressState::togglePause(uint32_t nowMs) {
  if (!paused_) {
    paused_ = true;
    pauseStartMs_ = nowMs;
  } else {
    paused_ = false;
    startMs_ += nowMs - pauseStartMs_;  // the estimate leaves the pause out
  }
}

}  // namespace formats
