// Settings, buffer sizes, formats and messages shared by the playback and recording engines.
#include "audio/transport.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/profile.h"

namespace audio {

const char kTextUnsupportedFormat[] =
    "The current sample format is not supported by the wave device or driver.  Some boards cannot play "
    "non-standard sample rates at all, while others need to be configured under Control Panel to do so.";
const char kCaptionUnsupportedFormat[] = "Unsupported Sample Format";
const char kCaptionWaveSystemError[] = "Wave System Error";
const char kTextBufferTooLarge[] = "Play/Record Buffer Size Too Large";
const char kCaptionError[] = "Error";
const char kCaptionRecordError[] = "RecordVoc Error";
const char kCaptionMonitorError[] = "Specified audio format not supported";

SampleReader SampleFileReader(document::SampleFile* file) {
  return [file](void* dst, int32_t start, uint32_t count, uint16_t word) {
    return document::SampleRead(file, dst, start, count, word);
  };
}

SampleWriter SampleFileWriter(document::SampleFile* file) {
  return [file](const void* src, int32_t start, uint32_t count, uint16_t word) {
    return document::SampleWrite(file, src, start, count, word);
  };
}

namespace {
bool IsYes(const std::string& v) {
  return !v.empty() && (v[0] == 'Y' || v[0] == 'y');
}
}  // namespace

AudioSettings AudioSettingsSanitized(AudioSettings s) {
  if (!(s.bufferSeconds >= kMinBufferSeconds))
    s.bufferSeconds = s.bufferSeconds > 0 ? kMinBufferSeconds : 4.0;
  s.bufferSeconds = std::min(s.bufferSeconds, kMaxBufferSeconds);
  s.numBuffers = std::clamp(s.numBuffers, kMinBuffers, kMaxBuffers);
  return s;
}

AudioSettings AudioLoadSettings(const char* file) {
  AudioSettings s;
  const std::string size = platform::profileGet("System", "BufferSize", "4.0", file);
  char* end = nullptr;
  const double v = std::strtod(size.c_str(), &end);
  if (end != size.c_str() && std::isfinite(v)) s.bufferSeconds = v;
  s.numBuffers = platform::profileGetInt("System", "NumBuffers", 8, file);
  s.playFromCursor = IsYes(platform::profileGet("System", "PlayFromCursor", "YES", file));
  s.convert16to8 = IsYes(platform::profileGet("System", "Convert16to8New", "NO", file));
  return AudioSettingsSanitized(s);
}

uint32_t PlayBufferBytes(uint32_t rate, uint32_t frameBytes, double seconds, int numBuffers) {
  if (frameBytes == 0) return 0;
  numBuffers = std::clamp(numBuffers, kMinBuffers, kMaxBuffers);
  const double total = std::trunc(double(frameBytes) * rate * seconds);
  const uint64_t groups = uint64_t(std::max(0.0, total)) / uint64_t(numBuffers) / (uint64_t(frameBytes) * 32);
  // A buffer of 0 bytes would start the device with nothing queued and no done message ever coming.
  return uint32_t(std::max<uint64_t>(groups, 1) * 32 * frameBytes);
}

uint32_t RecordBufferBytes(uint32_t rate, uint32_t frameBytes, double seconds, int numBuffers, uint32_t ms) {
  if (frameBytes == 0) return 0;
  if (ms > 0) {
    const uint64_t frames = uint64_t(std::trunc(double(rate) * frameBytes * ms * 0.001 / frameBytes));
    return uint32_t(std::max<uint64_t>(frames, kMinBufferFrames) * frameBytes);
  }
  numBuffers = std::clamp(numBuffers, kMinBuffers, kMaxBuffers);
  const uint64_t total = uint64_t(std::max(0.0, std::trunc(double(rate) * frameBytes * seconds)));
  const uint64_t bytes = (total / uint64_t(numBuffers) + 4093) & ~uint64_t(4095);
  return uint32_t(std::max<uint64_t>(bytes, 4096));
}

uint32_t PlayPadFrames(uint32_t rate, uint32_t frameBytes) {
  if (frameBytes == 0) return 0;
  return (rate < 22050 ? 2100u : 16400u) / frameBytes;
}

DeviceFormat PlayDeviceFormat(const document::WaveFormat& doc, bool convert16to8) {
  DeviceFormat f;
  f.rate = doc.rate;
  f.channels = doc.channels;
  f.bits = (doc.bits == 8 || convert16to8) ? 8 : 16;
  return f;
}

uint16_t DeviceWord(const DeviceFormat& f) {
  return document::XfLayoutWord(f.channels, f.bits);
}

bool PlayErrorMessage(int result, bool silent, AudioMessage* out) {
  if (result == 0 || silent || result == kPlayHeaderAlloc || result == kPlayHeaderLock) return false;
  if (result == kPlayBufferAlloc || result == kPlayBufferLock) {
    *out = {kTextBufferTooLarge, kCaptionError, AudioIcon::kWarning};
  } else if (result == int(DeviceStatus::kBadFormat)) {
    *out = {kTextUnsupportedFormat, kCaptionUnsupportedFormat, AudioIcon::kInformation};
  } else {
    *out = {DeviceStatusText(DeviceStatus(result)), kCaptionWaveSystemError, AudioIcon::kWarning};
  }
  return true;
}

bool RecordErrorMessage(int result, bool monitor, AudioMessage* out) {
  if (result == 0) return false;
  if (result < 0) {
    *out = {kTextBufferTooLarge, kCaptionError, AudioIcon::kWarning};
  } else {
    *out = {DeviceStatusText(DeviceStatus(result)), monitor ? kCaptionMonitorError : kCaptionRecordError,
            AudioIcon::kWarning};
  }
  return true;
}

}  // namespace audio
