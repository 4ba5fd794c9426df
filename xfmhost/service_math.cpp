// Progress and Limits decisions; see service_math.h.
#include "xfmhost/service_math.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace xfmhost {

std::optional<double> progressPercent(int32_t done, int32_t total) {
  if (total <= 0) return std::nullopt;
  double p = double(done) / double(total) * 100.0;
  return p < 0 ? 0.0 : p;
}

uint32_t progressSecondsLeft(uint32_t elapsedMs, double percent) {
  if (!(percent > 0)) return 0;
  double elapsed = double(elapsedMs);
  double left = std::trunc((elapsed / percent * 100.0 - elapsed) / 1000.0);
  if (!(left > 0)) return 0;  // done beyond total: nothing left, not a huge unsigned number
  return left >= 4294967294.0 ? 0xFFFFFFFEu : uint32_t(left);
}

std::string progressEtaText(uint32_t t) {
  std::string out = "ETA: ";
  char buf[32];
  uint32_t rest = t;
  if (rest > 3599) {
    uint32_t hours = rest / 3600;
    rest -= hours * 3600;
    if (hours == 1) {
      out += "1 Hour ";
    } else {
      std::snprintf(buf, sizeof buf, "%u Hours ", unsigned(hours));
      out += buf;
    }
  }
  if (rest > 59) {
    uint32_t minutes = rest / 60;
    rest -= minutes * 60;
    if (minutes == 1) {
      out += "1 Minute ";
    } else {
      std::snprintf(buf, sizeof buf, "%u Minutes ", unsigned(minutes));
      out += buf;
    }
  }
  if (rest == 1) {
    out += "1 Second";
  } else if (rest > 1) {
    std::snprintf(buf, sizeof buf, "%u Seconds", unsigned(rest));
    out += buf;
  }
  return out;
}

int32_t progressBarValue(double percent) {
  if (!(percent > 0)) return 0;
  double b = std::trunc(percent * 100.0);
  return b >= 10000.0 ? 10000 : int32_t(b);
}

std::string progressPercentText(int32_t hundredths) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%2d %c", int(hundredths / 100), '%');
  return buf;
}

void ProgressClock::start(uint32_t nowMs) {
  startMs_ = nowMs;
  paused_ = false;
}

void ProgressClock::togglePause(uint32_t nowMs) {
  if (!paused_) {
    pauseMs_ = nowMs;
    paused_ = true;
  } else {
    startMs_ += nowMs - pauseMs_;  // the pause moves the start forward, so the estimate leaves it out
    paused_ = false;
  }
}

uint32_t ProgressClock::elapsedMs(uint32_t nowMs) const {
  return (paused_ ? pauseMs_ : nowMs) - startMs_;
}

void ProgressMeterState::reset() {
  lastPercent_ = -1.0;
  lastShown_ = -1;
  lastBar_ = -100;
}

ProgressMeterState::Update ProgressMeterState::meter(int32_t done, int32_t total, uint32_t elapsedMs) {
  Update u;
  std::optional<double> p = progressPercent(done, total);
  if (!p) return u;
  if (*p != 0 && *p != lastPercent_) {
    int64_t shown = int64_t(progressSecondsLeft(elapsedMs, *p)) + 1;
    if (shown != lastShown_) {
      lastShown_ = shown;
      u.etaChanged = true;
      u.eta = progressEtaText(uint32_t(shown));
    }
    lastPercent_ = *p;
  }
  u.bar = progressBarValue(*p);
  return u;
}

bool ProgressMeterState::drawBar(int32_t b, bool* percentChanged) {
  *percentChanged = false;
  if (b <= lastBar_) return false;
  *percentChanged = lastBar_ < 0 || b / 100 != lastBar_ / 100;
  lastBar_ = b;
  return true;
}

std::string limitsNumberText(double v) {
  if (v == 0 || !std::isfinite(v)) return "0";
  std::string out = v < 0 ? "-" : "";
  double m = std::fabs(v) + 4.656683928435187e-10;
  double whole = std::floor(m);
  if (whole >= 1) {
    char buf[400];
    if (whole < 1.8e19) {
      std::snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(whole));
    } else {
      std::snprintf(buf, sizeof buf, "%.0f", whole);
    }
    out += buf;
  }
  double rest = m - whole;
  if (rest > 0) {
    out += '.';
    for (int i = 0; i < 9 && rest > 0; ++i) {
      rest *= 10;
      double d = std::trunc(rest);
      rest -= d;
      out += char('0' + int(d));
    }
    while (out.back() == '0') out.pop_back();  // only fraction digits: a point was written
    if (out.back() == '.') out.pop_back();
  }
  return out.empty() || out == "-" ? "0" : out;
}

double limitsParse(const std::string& text) {
  std::string t = text.substr(0, 29);
  return std::strtod(t.c_str(), nullptr);
}

LimitsDecision limitsDecide(double v, double minimum, double maximum, uint16_t id, uint16_t code,
                            uint16_t storedId) {
  LimitsDecision d;
  bool focusLoss = code == kFocusLoss;
  // A value that is no number (NaN) is out of range like one below the minimum.
  bool below = !(v >= minimum), above = v > maximum;
  double value = v;
  if (below || above) {
    if (focusLoss) {
      value = below ? minimum : maximum;
      d.replaceText = true;
      d.text = limitsNumberText(value);
      d.alert = true;
      // The field now holds a valid value: it is no longer shown in red.
      if (storedId == id && id != 0) {
        d.clearId = true;
        d.repaint = true;
      }
    } else {
      d.storeId = true;
      d.repaint = true;
    }
  } else if (storedId == id && id != 0) {
    d.clearId = true;
    d.repaint = true;
  }
  if (focusLoss) {
    d.result = value;
    d.returns = 1;
  } else {
    d.result = below ? minimum : above ? maximum : v;
    d.returns = 0;
  }
  return d;
}

bool alertSuppressed(const std::string& tipsValue) {
  return !tipsValue.empty() && (tipsValue[0] == 'y' || tipsValue[0] == 'Y');
}

std::string alertLimitsText(double v, double minimum, double maximum) {
  char buf[512];
  std::snprintf(buf, sizeof buf,
                "The value you have entered, \"%g\",  is outside the limits of %g and %g.  The closest valid "
                "value will be substituted in its place. \n\nEntered text will appear red when when it is "
                "outside the range of valid valaues.",
                v, minimum, maximum);
  return buf;
}

}  // namespace xfmhost
