// The recording engine: captures audio from a wave-input WaveDevice into the document from the selection
// start (a non-empty selection limits the length), within the disk budget of the temporary store, and
// also serves as the input monitor for the level meter (10 ms buffers, nothing written). Portable: the main
// window forwards the input device's messages (the device then calls service()), shows the texts the
// listener receives and selects the new audio when the engine reports it closed.
//
// Each returned buffer is written at S + (buffer frames x its sequence number) - the frames missing from
// earlier short buffers, so a short buffer leaves no gap; the length limit cuts a buffer before it is
// written and only what was written counts, so the new audio ends exactly at the limit.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audio/transport.h"
#include "audio/wave_device.h"

namespace audio {

// Where and what to record. Without a document the input is 22050 Hz mono 16-bit (8-bit with
// Convert16to8New) and can only be monitored.
struct RecordTarget {
  bool hasDocument = true;
  document::WaveFormat format;  // the document's
  uint32_t documentFrames = 0;
  int32_t selStart = 0, selEnd = -1;  // inclusive; end < start: a cursor, no length limit
  int editChannel = 0;  // of a stereo document: 1 records into the upper (left) channel only, 2 the lower
  SampleWriter write;
  // The temporary store's space in KB at the start, and (when given) a query of it while recording.
  uint64_t usedKB = 0;
  uint64_t freeKB = 0;
  std::function<void(uint64_t* usedKB, uint64_t* freeKB)> space;
};

// Frames of existing audio a recording from target's selection start would overwrite (the whole rest of
// the document without a length limit): the shell asks before recording over them.
uint32_t RecordOverwriteFrames(const RecordTarget& target);

// The input format used for a target: the document's rate; mono when recording into one channel; 8-bit
// documents record 8-bit, everything else 16-bit (32-bit float documents receive exact 16-bit values).
DeviceFormat RecordDeviceFormat(const RecordTarget& target, bool monitor, bool convert16to8);

struct RecordOptions {
  bool liveUpdate = false;     // "LiveUpdate": the display is redrawn as audio arrives
  bool tempCompressed = true;  // "TempCompressed": re-estimate the store's space ratio every 9 buffers
  bool showOnPlay = false;     // feed the meter while recording ("ShowOnPlay")
  int timeMode = 0;            // "LoTimeMode" for the " Time:" text: 0 decimal, 1 samples, 2 frames, 3 drop
  int timeCodeFrames = 30;
};

// The status texts after each buffer.
struct RecordStatus {
  std::string left;        // " %s left (%ld)": remaining budget as time, buffers queued
  std::string samples;     // " %ld Samples": document length
  std::string size;        // " %ld K": document size
  std::string time;        // " Time: ..." recorded so far
  double allowance = 1.0;  // queued / buffers: the spectral view skips columns below 0.5
};

struct RecordResult {
  bool monitor = false;
  int32_t first = 0;        // the record start S
  uint32_t frames = 0;      // frames written: the selection becomes [first, first + frames - 1]
  bool budgetStop = false;  // stopped because the disk budget ran out (or storage came up short)
  bool limitStop = false;   // stopped at the length limit
};

class RecordListener {
 public:
  virtual ~RecordListener() = default;
  // Input started: Play off, Stop on, Pause on unless monitoring, Record off.
  virtual void recordStarted(bool monitor) {}
  // Frames [first, first + frames) were written: live update repaints them.
  virtual void recordWritten(int32_t first, uint32_t frames) {}
  virtual void recordMeter(const MeterBlock& block) {}
  virtual void recordStatus(const RecordStatus& s) {}
  // The input closed ("CLOSE" in the time field unless monitoring; buttons back; meter reset; after a
  // recording select the new audio).
  virtual void recordClosed(const RecordResult& r) {}
  virtual void recordMessage(const AudioMessage& m) {}
};

constexpr uint32_t kMonitorBufferMs = 10;
constexpr uint32_t kBudgetReserveKB = 256;

class RecordEngine {
 public:
  RecordEngine(WaveDevice* device, RecordListener* listener);
  ~RecordEngine();

  void setSettings(const AudioSettings& s) { settings_ = AudioSettingsSanitized(s); }
  void setOptions(const RecordOptions& o) { options_ = o; }
  const RecordOptions& options() const { return options_; }
  void setDeviceId(uint32_t id) { deviceId_ = id; }

  // The Record command on a document: records from the selection start; a failure is reported with the
  // "RecordVoc Error" caption. Returns the start result.
  int record(const RecordTarget& target);
  // The Monitor command while idle: opens the input with 10 ms buffers for the meter only (target may have
  // no document); a failure is reported as "Specified audio format not supported". While monitoring it
  // stops. (While playing or recording the shell toggles ShowOnPlay instead.)
  int monitorToggle(const RecordTarget& target);

  void stop();   // the Stop command
  bool pause();  // the Pause/Continue command; false when nothing changed
  void service();

  bool active() const { return device_->isOpen(); }
  bool monitoring() const { return active() && monitor_; }
  bool paused() const { return paused_; }
  int stopCount() const { return stopCount_; }
  const DeviceFormat& format() const { return format_; }
  uint32_t bufferBytes() const { return bufferBytes_; }
  uint16_t writeWord() const { return word_; }
  // S plus the frames the device has recorded; -1 when idle.
  int64_t position();

 private:
  struct Buffer {
    std::vector<uint8_t> data;
    DeviceBuffer hdr;
  };
  int begin(const RecordTarget& target, uint32_t ms);
  void store(DeviceBuffer* h);
  void requeue(DeviceBuffer* h);
  void status(uint32_t queued);
  bool allBack() const;
  void closeNow(bool force);
  void requestStop();

  WaveDevice* device_;
  RecordListener* listener_;
  AudioSettings settings_;
  RecordOptions options_;
  uint32_t deviceId_ = 0;

  RecordTarget target_;
  DeviceFormat format_;
  uint16_t word_ = 0;
  uint32_t bpf_ = 0;
  uint32_t docBpf_ = 0;
  uint32_t bufferBytes_ = 0;
  std::vector<Buffer> buffers_;
  std::vector<std::vector<Buffer>> abandoned_;

  bool monitor_ = false;
  int32_t start_ = 0;        // S
  uint64_t written_ = 0;     // frames written
  uint64_t shortfall_ = 0;   // frames missing from short buffers
  uint32_t sequence_ = 0;    // number of the next buffer queued
  int64_t limit_ = -1;       // frames still allowed; -1 none
  uint64_t capacityKB_ = 0;  // C
  double ratio_ = 1.0;       // r
  uint64_t beforeKB_ = 0;    // KB before the start point
  uint32_t returned_ = 0;
  bool budgetStop_ = false, limitStop_ = false;
  int stopCount_ = 0;
  bool paused_ = false;
};

}  // namespace audio
