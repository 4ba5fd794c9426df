// The sound device layer: one small interface over a wave-output or wave-input device, so the playback
// and recording engines drive a real device (winmm, wave_device_win.h) and the null device of the tests
// (null_wave_device.h) the same way. Buffers belong to the engine; the device only holds pointers to them
// between a write (or add) and the moment it hands them back as done. Done buffers are queued inside the
// device and the engine drains the queue (takeDone) when the device's notify callback runs; the callback
// never runs while a device call is in progress for the caller, so the engine may call the device from it.
//
// Every device result is a DeviceStatus; the winmm codes are translated once, in the winmm device.
#pragma once

#include <cstdint>
#include <functional>

namespace audio {

enum class DeviceStatus : int {
  kOk = 0,
  kError,          // unspecified device error
  kBadDeviceId,    // no device with that number
  kNoDevice,       // no sound device installed, or the driver is missing
  kAllocated,      // the device is in use by another program or player
  kNoMemory,       // the driver could not allocate memory
  kNotSupported,   // the driver does not support the call
  kBadFormat,      // the sample format is not supported by the device
  kSyncOnly,       // the device is synchronous and needs to be opened as such
  kStillPlaying,   // buffers are still queued
  kUnprepared,     // the buffer was not prepared
  kInvalidHandle,  // the device is not open
  kInvalidParam,   // a bad argument (e.g. writing to an input device)
  kNotOpen = kInvalidHandle,
};
constexpr int kDeviceStatusCount = int(DeviceStatus::kInvalidParam) + 1;

// The text of a status, as the user reads it after the caption; never null.
const char* DeviceStatusText(DeviceStatus status);

enum class WaveDirection : uint8_t { kOutput, kInput };

// Integer PCM as the device sees it: 8-bit unsigned or 16-bit signed, 1 or 2 channels.
struct DeviceFormat {
  uint32_t rate = 0;
  uint16_t channels = 0;
  uint16_t bits = 0;
  uint32_t frameBytes() const { return uint32_t(channels) * (bits / 8u); }
  bool valid() const { return rate > 0 && (channels == 1 || channels == 2) && (bits == 8 || bits == 16); }
};

// One buffer of device audio. The engine fills data/bytes (output) or provides data/bytes as capacity
// (input); the device sets recorded (input) and its own flags. user is the engine's to use.
struct DeviceBuffer {
  uint8_t* data = nullptr;
  uint32_t bytes = 0;     // bytes to play, or the capacity of an input buffer
  uint32_t recorded = 0;  // input: bytes the device filled when it handed the buffer back
  uintptr_t user = 0;
  bool prepared = false;   // between prepare and unprepare
  bool queued = false;     // written or added and not yet handed back
  bool done = true;        // handed back (or never given to the device)
  void* system = nullptr;  // the device's own record for the buffer (the winmm header)
};

class WaveDevice {
 public:
  virtual ~WaveDevice() = default;
  virtual WaveDirection direction() const = 0;
  // Opens device number id (0 = the first) for format, asking first whether the format is supported.
  virtual DeviceStatus open(uint32_t id, const DeviceFormat& format) = 0;
  // Closes the device; refused (kStillPlaying) while buffers are queued, unless forced: a forced close
  // forgets queued buffers (they are marked done and not prepared).
  virtual DeviceStatus close(bool force = false) = 0;
  virtual bool isOpen() const = 0;
  virtual DeviceStatus prepare(DeviceBuffer* b) = 0;
  virtual DeviceStatus unprepare(DeviceBuffer* b) = 0;
  // Output: queues a prepared buffer for playing.
  virtual DeviceStatus write(DeviceBuffer* b) = 0;
  // Input: queues a prepared buffer for filling.
  virtual DeviceStatus add(DeviceBuffer* b) = 0;
  // Stops at once and hands every queued buffer back as done; the position goes back to 0.
  virtual DeviceStatus reset() = 0;
  // Output: pause / restart. Input: stop (the buffer being filled comes back with what it holds) / start.
  virtual DeviceStatus pause() = 0;
  virtual DeviceStatus restart() = 0;
  // Frames played or recorded since the open (or the last reset).
  virtual DeviceStatus position(uint64_t* frames) = 0;
  // The next buffer the device handed back, oldest first; null when none is waiting.
  virtual DeviceBuffer* takeDone() = 0;
  // Called after buffers were handed back (from the thread that delivers the device's messages).
  void setNotify(std::function<void()> notify) { notify_ = std::move(notify); }

 protected:
  void notify() {
    if (notify_) notify_();
  }

 private:
  std::function<void()> notify_;
};

}  // namespace audio
