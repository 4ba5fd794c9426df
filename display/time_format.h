// Sample positions as the texts the user reads: decimal minutes:seconds, custom frames (m:ss:ff) and
// SMPTE drop frame (29.97 frames per second), plus a plain number with a fixed count of decimals.
//
// Positions are frame counts at a sample rate. A rate of 0 (no document) gives the text of position 0
// rather than dividing by zero; a custom frame rate below 1 is taken as 30. Negative positions (a time
// offset can make them so) are shown as the text of the magnitude with a leading "-".
#pragma once

#include <cstdint>
#include <string>

namespace display {

// Time display formats, as stored in TimeMode / LoTimeMode / HiTimeMode.
enum TimeMode : int {
  kTimeDecimal = 0,
  kTimeSamples = 1,
  kTimeCustomFrames = 2,
  kTimeSmpteDrop = 3,
};

constexpr int kDefaultTimeCodeFrames = 30;

// The custom frame rate in use: values below 1 become 30 (the setting is unbounded).
int EffectiveFrameRate(int timeCodeFrames);

// "%2ld:%02ld.%03ld" of minutes, seconds and milliseconds ("%2ld:%02ld" in the short form).
// 66150 frames at 44100 give " 0:01.500".
std::string FormatDecimalTime(int64_t frames, uint32_t rate, bool shortForm = false);

// Custom frames at fps frames per second ("m:ss:ff", or the frame count in count form), or SMPTE drop
// frame when drop is set (fps is then not used: the rate is 29.97).
std::string FormatFrameTime(int64_t frames, uint32_t rate, int fps, bool drop, bool countForm,
                            bool shortForm = false);

// SMPTE drop-frame text ("m:ss:ff") of a time in seconds.
std::string FormatDropFrameSeconds(double seconds);

// value rounded to precision (1, 10, 100 ... 1000000) with as many decimals as precision has zeros.
std::string FormatNumber(double value, long precision);

}  // namespace display
