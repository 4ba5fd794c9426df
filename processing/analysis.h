// The numeric core of the frequency analysis: the dB spectrum of a frame per channel, the precise pitch
// from the phase difference of two transforms one sample apart (with a check for a stronger overtone
// standing in for the fundamental), the musical note of a frequency, the texts the analysis window shows,
// the smoothing of live updates, and the average spectrum over a selection. Samples arrive through a small
// reader callback, so none of this needs the document or a window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace processing {

// Reads frames of 16-bit samples (interleaved left, right for stereo) from frame first (>= 0); returns the
// frames delivered, fewer at the end of the wave.
using SampleReadFn = uint32_t (*)(void* data, int64_t first, uint32_t frames, int16_t* out);

struct SampleSource {
  void* data = nullptr;
  SampleReadFn read = nullptr;
  uint32_t rate = 44100;
  uint16_t channels = 1;
};

// The progress bar of a scan. The default shows nothing and never stops.
class ScanProgress {
 public:
  virtual ~ScanProgress() = default;
  virtual void open(const char* title, uint32_t steps) {}
  virtual void step() {}
  virtual bool cancelled() { return false; }
  virtual void close() {}
};

extern const char kScanTitle[];       // "Scanning..."
extern const char kScanLeftTitle[];   // "Scanning Left..."
extern const char kScanRightTitle[];  // "Scanning Right..."
const char* ScanTitle(int channels, int channel);

constexpr uint32_t kAnalysisMinSize = 128;
constexpr uint32_t kAnalysisMaxSize = 32768;
constexpr int kAnalysisDefaultSize = 2048;
constexpr int kAnalysisDefaultWindow = 5;

// One analysis setting (FFT size N and window type) with its work buffers. Spectrum arrays hold N / 2
// values in dB.
class SpectrumAnalyzer {
 public:
  explicit SpectrumAnalyzer(uint32_t size = kAnalysisDefaultSize, int windowType = kAnalysisDefaultWindow);

  // N must be a power of two from 128 to 32768; false (and no change) otherwise.
  bool setSize(uint32_t n);
  uint32_t size() const { return n_; }
  void setWindowType(int type);
  int windowType() const { return type_; }

  // Analyses N frames centred on the middle of [a, b] of the channel (0 left or mono, 1 right). Live mode
  // (precise false) moves each out[k], k = 0 .. N/2 - 1, toward the new dB value (SmoothToward) and
  // returns 0. Precise mode stores the dB values of bins 1 .. N/2 - 1 and returns the pitch in Hz (0 when
  // the frame is silent). out may be null. Frames before 0 or past the end of the wave count as silence.
  double analyseFrame(const SampleSource& src, int64_t a, int64_t b, float* out, int channel, bool precise);

  // The average spectrum of frames stepping over [start, end] (bins 1 .. N/2 - 1 of out). Returns the
  // frames averaged; 0 when end < start or nothing was read (out unchanged). A cancel keeps the average
  // of the frames done so far.
  uint32_t scan(const SampleSource& src, int64_t start, int64_t end, float* out, int channel,
                ScanProgress* progress);

  // Frees the work buffers (a large transform keeps about 40 N bytes); the next analysis makes them again.
  void releaseBuffers();
  // Bytes the work buffers hold now.
  size_t bufferBytes() const;

 private:
  bool prepare();
  void readFrames(const SampleSource& src, int64_t first, uint32_t frames, int channel);
  void transform(const double* samples, std::vector<double>& re, std::vector<double>& im);
  double phaseFrequency(uint32_t first, double rate, double* weight) const;

  uint32_t n_;
  int type_;
  std::vector<float> table_;  // window table for n_ and type_
  uint32_t tableN_ = 0;
  int tableType_ = -1;
  std::vector<double> x_;        // N + 1 samples of the frame
  std::vector<int16_t> raw_;     // frames as read
  std::vector<double> xr_, xi_;  // spectrum of x[0 .. N-1]
  std::vector<double> yr_, yi_;  // spectrum of x[1 .. N]
};

// The stored value moves toward the new value d: 0.75 of the way when rising, 0.25 when falling.
double SmoothToward(double v, double d);

// The note of a frequency as "A4 +0" or "G3 +34" (name, octave, cents); empty for f <= 0 or not finite.
std::string NoteName(double f);
// " %7.5g Hz (%s)" and " L=%7.5g Hz (%s), R=%7.5g Hz (%s)".
std::string FrequencyText(double f);
std::string FrequencyText(double left, double right);

}  // namespace processing
