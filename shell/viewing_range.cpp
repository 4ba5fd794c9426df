// Viewing-range texts (see viewing_range.h).
#include "shell/viewing_range.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

#include "display/time_format.h"

namespace shell {
namespace {

constexpr int64_t kMaxPosition = int64_t(1) << 31;

std::string trimmed(const std::string& text) {
  size_t a = 0, b = text.size();
  while (a < b && std::isspace(static_cast<unsigned char>(text[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(text[b - 1]))) --b;
  return text.substr(a, b - a);
}

// Decimal digits only (at least one, at most 12).
bool digits(const std::string& s, int64_t* value) {
  if (s.empty() || s.size() > 12) return false;
  int64_t v = 0;
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    v = v * 10 + (c - '0');
  }
  *value = v;
  return true;
}

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> parts(1);
  for (char c : s) {
    if (c == sep)
      parts.emplace_back();
    else
      parts.back().push_back(c);
  }
  return parts;
}

int64_t ceilDiv(int64_t a, int64_t b) {
  return (a + b - 1) / b;
}

// "[m:]ss[.ddd]" or plain seconds: milliseconds (digits past the third are dropped).
bool decimalMs(const std::string& text, int64_t* ms) {
  std::vector<std::string> colon = split(text, ':');
  if (colon.size() > 2) return false;
  int64_t minutes = 0;
  if (colon.size() == 2 && !digits(trimmed(colon[0]), &minutes)) return false;
  std::vector<std::string> dot = split(colon.back(), '.');
  if (dot.size() > 2) return false;
  int64_t seconds = 0, fraction = 0;
  if (!digits(dot[0], &seconds)) return false;
  if (colon.size() == 2 && seconds >= 60) return false;
  if (dot.size() == 2) {
    std::string f = dot[1].substr(0, 3);
    if (dot[1].empty() || !digits(dot[1], &fraction)) return false;
    while (f.size() < 3) f.push_back('0');
    digits(f, &fraction);
  }
  *ms = (minutes * 60 + seconds) * 1000 + fraction;
  return true;
}

// "[m:]ss:ff": minutes, seconds and frames.
bool frameParts(const std::string& text, int fps, int64_t* minutes, int64_t* seconds, int64_t* frames) {
  std::vector<std::string> parts = split(text, ':');
  if (parts.size() != 2 && parts.size() != 3) return false;
  *minutes = 0;
  if (parts.size() == 3 && !digits(parts[0], minutes)) return false;
  if (!digits(parts[parts.size() - 2], seconds) || !digits(parts.back(), frames)) return false;
  return (parts.size() == 2 || *seconds < 60) && *frames < fps;
}

}  // namespace

std::string FormatViewPosition(int64_t frame, uint32_t rate, int timeMode, int timeCodeFrames) {
  switch (timeMode) {
    case display::kTimeSamples:
      return std::to_string(frame);
    case display::kTimeCustomFrames:
      return trimmed(display::FormatFrameTime(frame, rate, timeCodeFrames, false, false));
    case display::kTimeSmpteDrop:
      return trimmed(display::FormatFrameTime(frame, rate, timeCodeFrames, true, false));
    default:
      return trimmed(display::FormatDecimalTime(frame, rate));
  }
}

std::string ViewFormatName(int timeMode) {
  switch (timeMode) {
    case display::kTimeSamples:
      return "Samples";
    case display::kTimeCustomFrames:
      return "Custom Frames (m:ss:ff)";
    case display::kTimeSmpteDrop:
      return "SMPTE Drop (m:ss:ff)";
    default:
      return "Decimal (m:ss.ddd)";
  }
}

bool ParseViewPosition(const std::string& input, uint32_t rate, int timeMode, int timeCodeFrames,
                       int64_t* frame) {
  const std::string text = trimmed(input);
  if (rate == 0 && timeMode != display::kTimeSamples) return false;
  int64_t p = 0;
  switch (timeMode) {
    case display::kTimeSamples:
      if (!digits(text, &p)) return false;
      break;
    case display::kTimeCustomFrames: {
      const int fps = display::EffectiveFrameRate(timeCodeFrames);
      int64_t m, s, f;
      if (!frameParts(text, fps, &m, &s, &f)) return false;
      // The first sample whose frame count reaches the typed one.
      p = ceilDiv(((m * 60 + s) * fps + f) * int64_t(rate), fps);
      break;
    }
    case display::kTimeSmpteDrop: {
      int64_t m, s, f;
      if (!frameParts(text, 30, &m, &s, &f)) return false;
      // Drop-frame labels skip frame numbers 0 and 1 at each minute that is not a tenth.
      if (s == 0 && f < 2 && m % 10 != 0) return false;
      const int64_t number = (m * 60 + s) * 30 + f - 2 * (m - m / 10);
      const int64_t guess = int64_t(std::ceil(double(number) / 29.97 * double(rate)));
      if (guess >= kMaxPosition) return false;
      // The text is worked out in floating point: take the first sample near the guess that shows it.
      char want[48];
      std::snprintf(want, sizeof want, "%lld:%02lld:%02lld", static_cast<long long>(m),
                    static_cast<long long>(s), static_cast<long long>(f));
      p = -1;
      for (int64_t c = guess - 3; c <= guess + 3 && p < 0; ++c)
        if (c >= 0 && FormatViewPosition(c, rate, timeMode, timeCodeFrames) == want) p = c;
      if (p < 0) p = guess;
      break;
    }
    default: {
      int64_t ms;
      if (!decimalMs(text, &ms)) return false;
      p = ceilDiv(ms * int64_t(rate), 1000);
      break;
    }
  }
  if (p < 0 || p >= kMaxPosition) return false;
  *frame = p;
  return true;
}

bool ReadViewingRange(const std::string& startText, const std::string& endText, uint32_t rate, int timeMode,
                      int timeCodeFrames, uint32_t length, int64_t* first, int64_t* last,
                      std::string* error) {
  const std::string format = ViewFormatName(timeMode);
  int64_t a = 0, b = 0;
  if (!ParseViewPosition(startText, rate, timeMode, timeCodeFrames, &a)) {
    *error = "The start \"" + trimmed(startText) + "\" is not a time in the format " + format + ".";
    return false;
  }
  if (!ParseViewPosition(endText, rate, timeMode, timeCodeFrames, &b)) {
    *error = "The end \"" + trimmed(endText) + "\" is not a time in the format " + format + ".";
    return false;
  }
  const int64_t lastSample = length ? int64_t(length) - 1 : 0;
  if (a > lastSample || b > lastSample) {
    *error = "The range must lie within the wave: from " +
             FormatViewPosition(0, rate, timeMode, timeCodeFrames) + " to " +
             FormatViewPosition(lastSample, rate, timeMode, timeCodeFrames) + ".";
    return false;
  }
  if (b <= a) {
    *error = "The end of the range must come after its start.";
    return false;
  }
  *first = a;
  *last = b;
  return true;
}

}  // namespace shell
