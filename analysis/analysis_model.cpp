// The frequency analysis window's state and decisions.
#include "analysis/analysis_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "document/sample_transfer.h"
#include "document/wave_document.h"
#include "document/wave_format.h"

namespace analysis {

const char* const kWindowNames[kWindowCount] = {"Triangular", "Hanning",          "Hamming",
                                                "Blackmann",  "Welch (Gaussian)", "Blackmann-Harris"};

namespace {

bool offeredSize(int64_t n) {
  return n >= processing::kAnalysisMinSize && n <= processing::kAnalysisMaxSize && (n & (n - 1)) == 0;
}

uint32_t readDocument(void* data, int64_t first, uint32_t frames, int16_t* out) {
  auto* doc = static_cast<document::WaveDocument*>(data);
  if (!doc || first < 0 || first > INT32_MAX) return 0;
  const uint16_t word = document::XF_16BIT | document::XF_CLIP |
                        (doc->channels() == 2 ? document::XF_STEREO : document::XF_MONO);
  return document::SampleRead(doc->samples(), out, int32_t(first), frames, word);
}

}  // namespace

AnalysisSettings SanitizeSettings(AnalysisSettings s) {
  if (!offeredSize(s.size)) s.size = processing::kAnalysisDefaultSize;
  if (s.windowType < 0 || s.windowType >= kWindowCount) s.windowType = processing::kAnalysisDefaultWindow;
  s.range = ClampRange(s.range);
  return s;
}

double ClampRange(double r) {
  if (std::isnan(r)) return 120.0;
  return std::clamp(r, kMinRange, kMaxRange);
}

bool ParseRange(const std::string& text, double* out) {
  const char* s = text.c_str();
  char* end = nullptr;
  const double v = std::strtod(s, &end);
  if (end == s) return false;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end) return false;
  *out = ClampRange(v);
  return true;
}

std::string RangeText(double r) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", r);
  return buf;
}

std::vector<uint32_t> SizeChoices() {
  std::vector<uint32_t> out;
  for (uint32_t n = processing::kAnalysisMinSize; n <= processing::kAnalysisMaxSize; n *= 2) out.push_back(n);
  return out;
}

int SizeIndex(uint32_t n) {
  const std::vector<uint32_t> all = SizeChoices();
  auto it = std::find(all.begin(), all.end(), n);
  return it == all.end() ? -1 : int(it - all.begin());
}

Placement ClampPlacement(Placement p, Placement d, int screenW, int screenH) {
  if (p.w < d.w / 2 || p.w > screenW) p.w = d.w;
  if (p.h < d.h / 2 || p.h > screenH) p.h = d.h;
  if (p.x < 0 || p.x > screenW - 40) p.x = d.x;
  if (p.y < 0 || p.y > screenH - 40) p.y = d.y;
  return p;
}

processing::SampleSource DocumentSource(document::WaveDocument* doc) {
  processing::SampleSource s;
  s.data = doc;
  s.read = readDocument;
  if (doc) {
    s.rate = doc->rate();
    s.channels = doc->channels() == 2 ? 2 : 1;
  }
  return s;
}

bool CanScan(bool hasDocument, int64_t selStart, int64_t selEnd) {
  return hasDocument && selStart >= 0 && selEnd >= selStart;
}

AnalysisModel::AnalysisModel(AnalysisSettings s)
    : settings_(SanitizeSettings(s)), analyzer_(uint32_t(settings_.size), settings_.windowType) {
  resetArrays();
}

void AnalysisModel::resetArrays() {
  for (auto& a : spectrum_) a.assign(size_t(settings_.size) / 2, float(-settings_.range));
}

bool AnalysisModel::setSize(uint32_t n) {
  if (!offeredSize(n) || int32_t(n) == settings_.size) return false;
  settings_.size = int32_t(n);
  analyzer_.setSize(n);
  resetArrays();
  return true;
}

bool AnalysisModel::setWindowType(int type) {
  if (type < 0 || type >= kWindowCount || type == settings_.windowType) return false;
  settings_.windowType = type;
  analyzer_.setWindowType(type);
  return true;
}

bool AnalysisModel::setRange(double r) {
  r = ClampRange(r);
  if (r == settings_.range) return false;
  settings_.range = r;
  return true;
}

void AnalysisModel::clear() {
  channels_ = 1;
  frequency_[0] = frequency_[1] = 0;
  resetArrays();
}

void AnalysisModel::update(const processing::SampleSource* src, int64_t selStart, int64_t selEnd,
                           int64_t playPosition) {
  if (!src || !src->read) {
    clear();
    return;
  }
  channels_ = src->channels == 2 ? 2 : 1;
  rate_ = src->rate ? src->rate : 44100;
  processing::SampleSource s = *src;
  s.rate = rate_;
  for (int c = 0; c < channels_; ++c) {
    std::vector<float>& out = spectrum_[c];
    if (playPosition != 0) {
      analyzer_.analyseFrame(s, playPosition, playPosition, out.data(), c, false);
    } else {
      frequency_[c] = analyzer_.analyseFrame(s, selStart, selEnd, out.data(), c, true);
      out[0] = out.size() > 1 ? out[1] : out[0];  // precise mode leaves bin 0 out
    }
  }
  if (channels_ == 1) {
    spectrum_[1].assign(spectrum_[0].size(), float(-settings_.range));
    frequency_[1] = 0;
  }
  releaseLargeBuffers();
}

void AnalysisModel::releaseLargeBuffers() {
  if (settings_.size > kKeepBuffersUpTo) analyzer_.releaseBuffers();
}

bool AnalysisModel::scan(const processing::SampleSource& src, int64_t start, int64_t end,
                         processing::ScanProgress* progress) {
  if (!src.read || end < start) return false;
  channels_ = src.channels == 2 ? 2 : 1;
  rate_ = src.rate ? src.rate : 44100;
  processing::SampleSource s = src;
  s.rate = rate_;
  for (int c = 0; c < channels_; ++c) {
    std::vector<float>& out = spectrum_[c];
    if (!analyzer_.scan(s, start, end, out.data(), c, progress)) return false;
    out[0] = out.size() > 1 ? out[1] : out[0];
    if (progress && progress->cancelled()) {
      releaseLargeBuffers();
      return false;
    }
  }
  releaseLargeBuffers();
  return true;
}

std::string AnalysisModel::text() const {
  return channels_ == 2 ? processing::FrequencyText(frequency_[0], frequency_[1])
                        : processing::FrequencyText(frequency_[0]);
}

display::GraphData AnalysisModel::graph(bool lines) const {
  display::GraphData g;
  g.channels = channels_;
  g.series[0] = spectrum_[0];
  if (channels_ == 2) g.series[1] = spectrum_[1];
  g.top = 0;
  g.range = settings_.range;
  g.lines = lines;
  g.xMax = rate_ / 2.0;
  return g;
}

}  // namespace analysis
