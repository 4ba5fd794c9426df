// What the playback and recording engines share: the "System" buffer settings, the buffer-size rules,
// the device format chosen for a document, the reader and writer through which samples move between an
// engine and the document, and the messages an engine asks the main window to show.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "audio/wave_device.h"
#include "document/sample_transfer.h"
#include "document/wave_format.h"

namespace audio {

// Reads count frames at frame start into dst, laid out as word (XF_* layout and options) says; returns
// the frames delivered. SampleRead over the document's samples has exactly this shape.
using SampleReader = std::function<uint32_t(void* dst, int32_t start, uint32_t count, uint16_t word)>;
// Writes count frames from src (laid out as word says) at frame start; returns the frames written.
using SampleWriter = std::function<uint32_t(const void* src, int32_t start, uint32_t count, uint16_t word)>;

SampleReader SampleFileReader(document::SampleFile* file);
SampleWriter SampleFileWriter(document::SampleFile* file);

// Section "System" of the settings file.
struct AudioSettings {
  double bufferSeconds = 4.0;  // "BufferSize": total buffered audio
  int numBuffers = 8;          // "NumBuffers", 2 .. 32
  bool playFromCursor = true;  // "PlayFromCursor": with no selection, play from the cursor when in view
  bool convert16to8 = false;   // "Convert16to8New": play every document as 8-bit
};
constexpr int kMinBuffers = 2;
constexpr int kMaxBuffers = 32;
constexpr double kMinBufferSeconds = 0.01;
constexpr double kMaxBufferSeconds = 20.0;
constexpr uint32_t kMinBufferFrames = 32;  // no buffer of a device holds less

// Reads the keys (missing ones keep their defaults; out-of-range values are clamped, text that is not a
// number gives the default).
AudioSettings AudioLoadSettings(const char* file);
AudioSettings AudioSettingsSanitized(AudioSettings s);

// Bytes of one playback buffer: whole multiples of 32 frames of the total buffered audio divided among
// the buffers; never less than 32 frames.
uint32_t PlayBufferBytes(uint32_t rate, uint32_t frameBytes, double seconds, int numBuffers);
// Bytes of one recording buffer: the share of the total rounded up to 4 KB pages (less 3 bytes), at
// least one page. Monitoring (ms > 0) uses ms-long buffers of at least 32 frames.
uint32_t RecordBufferBytes(uint32_t rate, uint32_t frameBytes, double seconds, int numBuffers,
                           uint32_t ms = 0);
// The least frames a buffer holding any audio is padded to with silence (drivers that drop short
// buffers): 2100 bytes' worth below 22050 Hz, else 16400 bytes' worth.
uint32_t PlayPadFrames(uint32_t rate, uint32_t frameBytes);

// The device format a document plays as: its rate and channels; 8-bit for an 8-bit document or when every
// document plays as 8-bit, else 16-bit (32-bit float samples are converted with clipping).
DeviceFormat PlayDeviceFormat(const document::WaveFormat& doc, bool convert16to8);
// The transfer word that reads or writes frames of a device format.
uint16_t DeviceWord(const DeviceFormat& f);

// A message for the main window's one message-box function.
enum class AudioIcon : uint8_t { kInformation, kWarning };
struct AudioMessage {
  std::string text;
  std::string caption;
  AudioIcon icon = AudioIcon::kWarning;
};

// Engine results: 0 success, a DeviceStatus (> 0) from the device, or a negative allocation failure.
constexpr int kPlayBufferAlloc = -3;
constexpr int kPlayBufferLock = -4;
constexpr int kPlayHeaderAlloc = -5;
constexpr int kPlayHeaderLock = -6;
constexpr int kRecordBufferAlloc = -13;
constexpr int kRecordBufferLock = -14;
constexpr int kRecordHeaderAlloc = -15;
constexpr int kRecordHeaderLock = -16;

extern const char kTextUnsupportedFormat[];     // string 119
extern const char kCaptionUnsupportedFormat[];  // string 120
extern const char kCaptionWaveSystemError[];    // "Wave System Error"
extern const char kTextBufferTooLarge[];        // string 94
extern const char kCaptionError[];              // string 83
extern const char kCaptionRecordError[];        // "RecordVoc Error"
extern const char kCaptionMonitorError[];       // "Specified audio format not supported"

// What to show for a playback result; false when nothing is shown (success, the silent header
// failures, or every failure when the program was started as "autoplayme").
bool PlayErrorMessage(int result, bool silent, AudioMessage* out);
// What to show for a recording (or, with monitor, a monitoring) start result.
bool RecordErrorMessage(int result, bool monitor, AudioMessage* out);

// A block of device audio for the level meter.
struct MeterBlock {
  const uint8_t* data = nullptr;
  uint32_t bytes = 0;
  int bits = 16;
  int channels = 1;
  bool empty() const { return data == nullptr || bytes == 0; }
};

}  // namespace audio
