// Note names and the frequency texts of the analysis window.
#include <cmath>
#include <cstdio>

#include "processing/analysis.h"

namespace processing {

std::string NoteName(double f) {
  static const char* const kNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
  if (!(f > 0) || !std::isfinite(f)) return std::string();
  // The factor makes 440 Hz exactly 8.75 octaves above the reference, so A is 9 semitones into octave 8.
  const double o = std::log2(f * 0.9784976468406899608);
  double octave = std::floor(o);  // floor keeps the fraction in [0, 1) below the reference too
  const double s = (o - octave) * 12.0;
  int n = int(std::round(s));
  const double off = s - n;
  const long cents = long(off * 100.0);
  if (n >= 12) {
    n = 0;
    octave += 1;
  }
  char buf[48];
  std::snprintf(buf, sizeof buf, off > 0 ? "%s%ld +%ld" : "%s%ld -%ld", kNames[n], long(octave) - 4,
                cents < 0 ? -cents : cents);
  return buf;
}

std::string FrequencyText(double f) {
  char buf[96];
  std::snprintf(buf, sizeof buf, " %7.5g Hz (%s)", f, NoteName(f).c_str());
  return buf;
}

std::string FrequencyText(double left, double right) {
  char buf[160];
  std::snprintf(buf, sizeof buf, " L=%7.5g Hz (%s), R=%7.5g Hz (%s)", left, NoteName(left).c_str(), right,
                NoteName(right).c_str());
  return buf;
}

}  // namespace processing
