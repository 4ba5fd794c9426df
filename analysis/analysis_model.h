// What the frequency analysis window shows and decides, without the window: its settings ([System]
// AnalysisSize, AnalysisWindowType, AnalysisRange) and their limits, its place ([Position] Analyze*), the
// spectrum arrays per channel with the last frequency of each, the update for command 282 (a live frame at
// the play position, or the selection in precise mode), the scan, the pitch text and the graph it draws.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "display/graph_plot.h"
#include "processing/analysis.h"

namespace document {
class WaveDocument;
}

namespace analysis {

struct AnalysisSettings {
  int32_t size = processing::kAnalysisDefaultSize;          // "AnalysisSize": FFT size N
  int32_t windowType = processing::kAnalysisDefaultWindow;  // "AnalysisWindowType": index into kWindowNames
  double range = 120.0;                                     // "AnalysisRange": dB shown
};

constexpr double kMinRange = 24.0;
constexpr double kMaxRange = 240.0;
constexpr int kWindowCount = 6;
// The window list in the order of the window selection's indexes.
extern const char* const kWindowNames[kWindowCount];

// The settings as the window uses them: a size that is not a power of two from 128 to 32768 becomes 2048, a
// window index outside the list 5, a range is clamped (ClampRange).
AnalysisSettings SanitizeSettings(AnalysisSettings s);
// Below 24 becomes 24, above 240 becomes 240; not a number becomes 120.
double ClampRange(double r);
// The range edit's text: a number, blanks around it allowed; false (out unchanged) when it is none.
bool ParseRange(const std::string& text, double* out);
// The text the range edit shows for a range ("120.0", "24.5").
std::string RangeText(double r);
// The offered FFT sizes, 128 .. 32768, and the index of a size among them (-1 when it is not offered).
std::vector<uint32_t> SizeChoices();
int SizeIndex(uint32_t n);

// The window's place in [Position]: AnalyzeX, AnalyzeY, AnalyzeW, AnalyzeH. A stored value that would put it
// out of reach (off the screen) or shrink it below half its own size gives the default instead.
struct Placement {
  int x = 310, y = 234, w = 0, h = 0;
};
Placement ClampPlacement(Placement stored, Placement defaults, int screenW, int screenH);

// 16-bit frames of a document's samples through the sample transfer (8-bit and float samples converted,
// clipped); rate and channels are the document's.
processing::SampleSource DocumentSource(document::WaveDocument* doc);

class AnalysisModel {
 public:
  explicit AnalysisModel(AnalysisSettings s = AnalysisSettings());

  const AnalysisSettings& settings() const { return settings_; }
  // Each returns true when the setting changed. A new size reallocates both spectrum arrays (N / 2
  // values at -range); a size that is not offered is refused.
  bool setSize(uint32_t n);
  bool setWindowType(int type);
  bool setRange(double r);  // clamped

  // No document: both arrays hold -range, the frequencies are 0, one channel.
  void clear();
  // Command 282. src null: clear(). playPosition != 0: the frame around it in live mode (the arrays move
  // toward the new spectrum, the frequencies stay as they were). playPosition 0: the selection [selStart,
  // selEnd] (a cursor when selEnd < selStart) in precise mode, with new frequencies.
  void update(const processing::SampleSource* src, int64_t selStart, int64_t selEnd, int64_t playPosition);
  // The average spectrum of [start, end] per channel into the arrays; the frequencies stay. Returns false
  // when there was nothing to scan or the scan was stopped (what was averaged so far is kept).
  bool scan(const processing::SampleSource& src, int64_t start, int64_t end,
            processing::ScanProgress* progress);

  int channels() const { return channels_; }
  uint32_t rate() const { return rate_; }
  const std::vector<float>& spectrum(int channel) const { return spectrum_[channel ? 1 : 0]; }
  double frequency(int channel) const { return frequency_[channel ? 1 : 0]; }
  // " %7.5g Hz (%s)" for one channel, " L=%7.5g Hz (%s), R=%7.5g Hz (%s)" for two.
  std::string text() const;
  // What the graph display draws: the arrays over 0 .. rate / 2 Hz, 0 dB at the top, -range at the bottom.
  display::GraphData graph(bool lines) const;

  // Live updates from playback come only for small transforms; large ones show the wait cursor.
  bool wantsPlayPosition() const { return settings_.size <= 512; }
  bool needsWaitCursor() const { return settings_.size >= 4097; }
  // The work buffers of a transform above 1024 are freed after each computation; smaller ones (the live
  // updates among them) keep theirs.
  static constexpr int32_t kKeepBuffersUpTo = 1024;
  size_t bufferBytes() const { return analyzer_.bufferBytes(); }

 private:
  void resetArrays();
  void releaseLargeBuffers();

  AnalysisSettings settings_;
  processing::SpectrumAnalyzer analyzer_;
  std::vector<float> spectrum_[2];
  double frequency_[2] = {0, 0};
  int channels_ = 1;
  uint32_t rate_ = 44100;
};

// Scan is offered while a document with a non-empty selection is open.
bool CanScan(bool hasDocument, int64_t selStart, int64_t selEnd);

}  // namespace analysis
