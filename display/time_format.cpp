// Time texts: decimal, custom frames, SMPTE drop frame and fixed-precision numbers.
#include "display/time_format.h"

#include <cmath>
#include <cstdio>

namespace display {
namespace {

std::string Printf(const char* format, long long a, long long b, long long c) {
  char text[96];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

// Magnitude and sign of a position; the most negative value is kept away from overflow.
int64_t Magnitude(int64_t frames, bool* negative) {
  *negative = frames < 0;
  if (frames == INT64_MIN) return INT64_MAX;
  return frames < 0 ? -frames : frames;
}

std::string WithSign(bool negative, std::string text) {
  return negative ? "-" + text : text;
}

std::string SmpteDrop(double seconds, bool countForm) {
  if (countForm) return Printf("%lld", static_cast<long long>(std::trunc(seconds * 29.97)), 0, 0);
  // Frame number inside the current ten-minute block; 1798 numbers per minute because two frame numbers
  // are skipped at every minute start except each tenth.
  const int64_t d = static_cast<int64_t>(std::trunc(std::fmod(seconds, 600.0) * 29.97 + 0.00001));
  const int64_t e = d % 1798;
  int64_t second = e / 30, frame = e % 30, minute = d / 1798;
  if (e <= 1 && d / 1798 > 0) {
    second = 59;
    frame = e % 30 + 28;
    minute = d / 1798 - 1;
  }
  minute += 10 * static_cast<int64_t>(std::trunc((seconds + 0.00001) / 600.0));
  return Printf("%lld:%02lld:%02lld", minute, second, frame);
}

}  // namespace

std::string FormatDropFrameSeconds(double seconds) {
  if (!std::isfinite(seconds)) seconds = 0;
  if (seconds < 0) return "-" + SmpteDrop(-seconds, false);
  return SmpteDrop(seconds, false);
}

int EffectiveFrameRate(int timeCodeFrames) {
  return timeCodeFrames < 1 ? kDefaultTimeCodeFrames : timeCodeFrames;
}

std::string FormatDecimalTime(int64_t frames, uint32_t rate, bool shortForm) {
  bool negative;
  int64_t n = Magnitude(frames, &negative);
  if (rate == 0) n = 0;  // no rate: the text of position 0
  const int64_t r = rate == 0 ? 1 : rate;
  const int64_t s = n / r;
  const int64_t ms = (n % r) * 1000 / r;
  if (shortForm) return WithSign(negative, Printf("%2lld:%02lld", s / 60, s % 60, 0));
  return WithSign(negative, Printf("%2lld:%02lld.%03lld", s / 60, s % 60, ms));
}

std::string FormatFrameTime(int64_t frames, uint32_t rate, int fps, bool drop, bool countForm,
                            bool shortForm) {
  bool negative;
  int64_t n = Magnitude(frames, &negative);
  if (rate == 0) n = 0;
  const int64_t r = rate == 0 ? 1 : rate;
  if (drop) return WithSign(negative, SmpteDrop(static_cast<double>(n) / static_cast<double>(r), countForm));

  const int64_t f = EffectiveFrameRate(fps);
  if (countForm) {
    const double count = std::trunc(static_cast<double>(f) / static_cast<double>(r) * static_cast<double>(n));
    return WithSign(negative, Printf("%lld", static_cast<long long>(count), 0, 0));
  }
  const int64_t s = n / r;
  std::string text = Printf("%lld:", s / 60, 0, 0);
  if (shortForm) return WithSign(negative, text + Printf("%02lld", s % 60, 0, 0));
  const int64_t ff = f * (n % r) / r;  // f < 2^15 and n % r < 2^32: no overflow
  const char* format = f <= 9 ? "%02lld:%01lld" : f >= 100 ? "%02lld:%03lld" : "%02lld:%02lld";
  return WithSign(negative, text + Printf(format, s % 60, ff, 0));
}

std::string FormatNumber(double value, long precision) {
  int digits = 0;
  long p = 1;
  while (digits < 6 && p * 10 <= precision) {
    p *= 10;
    ++digits;
  }
  if (!std::isfinite(value)) value = 0;
  const double limit = 1e15 / static_cast<double>(p);  // keeps |v| x p inside a 64-bit integer
  double magnitude = std::fabs(value) > limit ? limit : std::fabs(value);
  const double rounded = std::trunc(magnitude * p + 0.5) / p;
  const bool negative = value < 0 && rounded > 0;
  const double whole = std::trunc(rounded);
  std::string text = (negative ? "-" : "") + Printf("%lld", static_cast<long long>(whole), 0, 0);
  if (digits > 0) {
    const long long fraction = static_cast<long long>(std::trunc((rounded - whole + 1e-10) * p));
    char format[8];
    std::snprintf(format, sizeof format, "%%0%dlld", digits);
    char part[32];
    std::snprintf(part, sizeof part, format, fraction);
    text += ".";
    text += part;
  }
  return text;
}

}  // namespace display
