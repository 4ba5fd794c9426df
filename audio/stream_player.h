// The secondary players on their own output device: the play queue, which plays a list of files back to
// back (each entry's bytes come from a pull callback over the file filter's read call), and the stream
// player, which previews one file in the open dialog from a pull callback up to a byte limit. Consecutive
// entries of the same format continue on the open device; another format waits until every buffer is
// back, closes the device and opens it again. Like the main engine it is driven through the device's
// notify callback, so no device call is made from inside a device callback.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "audio/wave_device.h"

namespace audio {

// Fills up to capacity bytes at dst; returns the bytes given, 0 at the end.
using StreamPull = std::function<uint32_t(uint8_t* dst, uint32_t capacity)>;

struct QueueEntry {
  DeviceFormat format;
  StreamPull pull;
  uint64_t byteLimit = UINT64_MAX;  // never more than this many bytes of the entry
};

constexpr uint32_t kQueueBuffers = 3;
constexpr uint32_t kQueueBufferBytes = 32768;
constexpr uint32_t kStreamBuffers = 4;
constexpr int kStreamDoneCode = 3;  // the stream player's done callback code
// A quarter second of a format, in whole frames.
uint32_t StreamBufferBytes(const DeviceFormat& f);

class QueueListener {
 public:
  virtual ~QueueListener() = default;
  virtual void entryStarted(size_t index) {}  // the owner's message with (2, index)
  virtual void queueEnded() {}                // (1, 0) for the queue; done code 3 for the stream player
};

class QueuePlayer {
 public:
  // busy tells whether the main playback holds the output device (then nothing starts).
  QueuePlayer(WaveDevice* device, QueueListener* listener, std::function<bool()> busy = nullptr);
  ~QueuePlayer();
  void setDeviceId(uint32_t id) { deviceId_ = id; }

  // The play queue: three 32768-byte buffers.
  int playQueue(std::vector<QueueEntry> entries);
  // The stream player: four quarter-second buffers; a running stream is stopped first.
  int playStream(QueueEntry entry);
  void stop();
  void service();
  bool active() const { return device_->isOpen() || running_; }

 private:
  struct Buffer {
    std::vector<uint8_t> data;
    DeviceBuffer hdr;
  };
  int start(std::vector<QueueEntry> entries, uint32_t buffers, uint32_t bytes);
  int openEntry();
  uint32_t fill(Buffer* b);
  bool queue(Buffer* b);
  bool allBack() const;
  void finish();

  WaveDevice* device_;
  QueueListener* listener_;
  std::function<bool()> busy_;
  uint32_t deviceId_ = 0;
  std::vector<QueueEntry> entries_;
  size_t entry_ = 0;
  uint64_t entryBytes_ = 0;
  bool entryDone_ = false;  // the current entry gave its last byte
  uint32_t tailLeft_ = 0;   // silence still to follow the device's last entry
  bool sounded_ = false;    // the open device has been given audio
  bool stopping_ = false;
  bool running_ = false;
  uint32_t bufferCount_ = 0, bufferBytes_ = 0;
  std::vector<Buffer> buffers_;
};

}  // namespace audio
