// Test helpers for the engines: waves in memory whose every frame tells its own position, decoders for the
// bytes a null device received, and listeners that record what the engines told the main window.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "audio/play_engine.h"
#include "audio/record_engine.h"
#include "document/sample_transfer.h"

namespace audio {
namespace audiotest {

inline int testScale() {
  const char* s = std::getenv("SORN_TEST_SCALE");
  const int v = s ? std::atoi(s) : 1;
  return v > 0 ? v : 1;
}

// Frame i holds i + 1 on the left (and -(i + 1) on the right), so a device's 16-bit stream decodes back to
// document positions and silence (0) stands apart. Frames up to 32766.
inline std::unique_ptr<document::MemorySampleFile> CounterWave(uint16_t channels, uint32_t frames,
                                                               uint16_t bits = 16) {
  auto wave = std::make_unique<document::MemorySampleFile>(document::XfLayoutWord(channels, bits));
  std::vector<int16_t> s;
  for (uint32_t i = 0; i < frames; ++i) {
    s.push_back(int16_t(i + 1));
    if (channels == 2) s.push_back(int16_t(-int32_t(i + 1)));
  }
  if (frames) document::SampleWrite(wave.get(), s.data(), 0, frames, document::XfLayoutWord(channels, 16));
  return wave;
}

// The left samples of a 16-bit device stream, as document positions (-1 for silence).
inline std::vector<int32_t> Positions(const std::vector<uint8_t>& bytes, uint32_t channels) {
  std::vector<int32_t> out;
  const size_t fb = 2 * channels;
  for (size_t i = 0; i + fb <= bytes.size(); i += fb) {
    const int16_t v = int16_t(bytes[i] | (bytes[i + 1] << 8));
    out.push_back(v == 0 ? -1 : v - 1);
  }
  return out;
}

inline int16_t Sample16(const std::vector<uint8_t>& bytes, size_t index) {
  return int16_t(bytes[2 * index] | (bytes[2 * index + 1] << 8));
}

struct PlayLog : PlayListener {
  int started = 0, stopping = 0, closed = 0, restarts = 0;
  std::vector<AudioMessage> messages;
  std::function<void(bool)> onClosed;
  void playStarted() override { ++started; }
  void playStopping() override { ++stopping; }
  void playClosed(bool restart) override {
    ++closed;
    restarts += restart ? 1 : 0;
    if (onClosed) onClosed(restart);
  }
  void playMessage(const AudioMessage& m) override { messages.push_back(m); }
};

struct RecordLog : RecordListener {
  int started = 0, closed = 0;
  RecordResult result;
  std::vector<MeterBlock> meters;
  std::vector<RecordStatus> statuses;
  std::vector<AudioMessage> messages;
  void recordStarted(bool) override { ++started; }
  void recordMeter(const MeterBlock& b) override { meters.push_back(b); }
  void recordStatus(const RecordStatus& s) override { statuses.push_back(s); }
  void recordClosed(const RecordResult& r) override {
    ++closed;
    result = r;
  }
  void recordMessage(const AudioMessage& m) override { messages.push_back(m); }
};

}  // namespace audiotest
}  // namespace audio
