// The "Tone Generator"'s signals, without Windows: a sine, white noise or silence of a length in seconds,
// a frequency and a level. Samples are float on the 16-bit scale, as the host's writers take them for
// XF_32BIT, already on the wave's grid: integers in [-32768, 32767] for 16-bit waves, multiples of 256 in
// [-32768, 32512] for 8-bit ones, any float for 32-bit ones. The level is a per cent of the largest
// positive value the wave holds (32512, 32767 or 32768.0): the sine's and the noise's peak amplitude.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tonegen {

enum Waveform : int32_t { kSine = 0, kNoise = 1, kSilence = 2 };

constexpr double kMinSeconds = 0.001, kMaxSeconds = 3600.0, kDefaultSeconds = 1.0;
constexpr double kMinFrequency = 1.0, kDefaultFrequency = 1000.0;
constexpr double kMinPercent = 0.1, kMaxPercent = 100.0, kDefaultPercent = 50.0;
constexpr double kMinDb = -60.0, kMaxDb = 0.0;

struct Settings {
  int32_t waveform = kSine;
  double seconds = kDefaultSeconds;
  double frequency = kDefaultFrequency;
  double percent = kDefaultPercent;
};
// Puts every field in its range for a wave of this rate (the frequency at most half the rate).
Settings clampSettings(Settings s, uint32_t rate);
// The highest frequency for a rate: rate / 2.
double maxFrequency(uint32_t rate);

double percentToDb(double percent);
double dbToPercent(double db);
double fullScale(int bits);
float toGrid(double v, int bits);

// Frames of the given length: seconds x rate rounded to the nearest frame, within [0, 2^31 - 1].
int32_t frameCount(double seconds, uint32_t rate);

// The signal from frame 0 on. render() may be called for any frame range in any chunks; a frame's value
// depends only on its index (noise too: each frame's values come from a generator seeded by the frame
// index), so the result does not depend on the chunking.
class Generator {
 public:
  Generator(const Settings& s, uint32_t rate, int channels, int bits);
  void render(int64_t firstFrame, int32_t frames, float* out) const;
  double amplitude() const { return amplitude_; }

 private:
  Settings s_;
  uint32_t rate_;
  int channels_, bits_;
  double amplitude_;
};

}  // namespace tonegen
