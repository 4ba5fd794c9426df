// The null sound device: a WaveDevice without sound, driven by a manual clock, for tests of the engines.
// advance(frames) lets that many frames pass: an output device plays its queued buffers in order (only
// while running: after open it runs until paused) and hands each back when the clock passes its end; an
// input device (running after restart) fills its queued buffers from a source of input bytes and hands
// each back when full. Nothing happens between calls, so tests need no sleeps.
//
// Faults a test can ask for: fail the next opens with a status, never hand buffers back (also not on a
// reset), hand the n-th input buffer back a number of bytes short (the input stream goes on from where the
// short buffer ended, as when a driver returns a partial buffer).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <vector>

#include "audio/wave_device.h"

namespace audio {

class NullWaveDevice : public WaveDevice {
 public:
  explicit NullWaveDevice(WaveDirection direction);

  WaveDirection direction() const override { return direction_; }
  DeviceStatus open(uint32_t id, const DeviceFormat& format) override;
  DeviceStatus close(bool force = false) override;
  bool isOpen() const override { return open_; }
  DeviceStatus prepare(DeviceBuffer* b) override;
  DeviceStatus unprepare(DeviceBuffer* b) override;
  DeviceStatus write(DeviceBuffer* b) override;
  DeviceStatus add(DeviceBuffer* b) override;
  DeviceStatus reset() override;
  DeviceStatus pause() override;
  DeviceStatus restart() override;
  DeviceStatus position(uint64_t* frames) override;
  DeviceBuffer* takeDone() override;

  // --- the clock
  void advance(uint64_t frames);
  // Runs the notify callback for buffers a reset or pause handed back (a real device reports those
  // later, through its messages; advance delivers them first too).
  void deliver();

  // --- faults
  void failOpen(DeviceStatus status) { openFailure_ = status; }  // kOk: opens succeed again
  void setNeverReturn(bool on) { neverReturn_ = on; }
  // Output: the device buffers frames of its own, handing each buffer back that long before it has
  // sounded (its position counts what has sounded); a close drops what it still holds.
  void setLatency(uint32_t frames) { latency_ = frames; }
  // Its position then counts the frames taken from buffers, sounded or not (as some drivers do).
  void setPositionCountsHeld(bool on) { positionCountsHeld_ = on; }
  // Frames the device held unsounded when it was last closed.
  uint64_t droppedAtClose() const { return droppedAtClose_; }
  // The input buffer handed back as number ordinal (0 = the first) comes back short by that many bytes.
  void setShortReturn(uint32_t ordinal, uint32_t shortBytes) { shortReturns_[ordinal] = shortBytes; }
  // Input bytes: fills dst with count bytes of the input stream starting at stream byte offset.
  using InputSource = std::function<void(uint8_t* dst, uint32_t count, uint64_t offset)>;
  void setInputSource(InputSource source) { source_ = std::move(source); }

  // --- what happened
  const DeviceFormat& format() const { return format_; }
  uint32_t openedId() const { return id_; }
  bool running() const { return running_; }
  size_t queuedCount() const { return queue_.size(); }
  // Output: every byte written, in order (also bytes a reset dropped before they were played).
  const std::vector<uint8_t>& written() const { return written_; }
  // Output: the bytes actually played by the clock.
  const std::vector<uint8_t>& played() const { return played_; }
  uint32_t opens() const { return opens_; }
  uint32_t closes() const { return closes_; }
  uint32_t resets() const { return resets_; }
  uint32_t writes() const { return writes_; }
  uint32_t notifications() const { return notifications_; }

 private:
  void handBack(DeviceBuffer* b, bool now);
  void forgetQueue();

  WaveDirection direction_;
  DeviceFormat format_;
  uint32_t id_ = 0;
  bool open_ = false;
  bool running_ = false;
  uint64_t position_ = 0;
  uint32_t headDone_ = 0;  // bytes of the head buffer already played or filled
  std::deque<DeviceBuffer*> queue_;
  std::deque<DeviceBuffer*> done_;
  std::deque<DeviceBuffer*> held_;     // consumed but never handed back (setNeverReturn)
  std::deque<DeviceBuffer*> pending_;  // handed back by reset or pause, reported by deliver()
  DeviceStatus openFailure_ = DeviceStatus::kOk;
  bool neverReturn_ = false;
  uint32_t latency_ = 0;
  bool positionCountsHeld_ = false;
  uint64_t fifo_ = 0;  // frames taken from buffers but not sounded yet
  uint64_t droppedAtClose_ = 0;
  std::map<uint32_t, uint32_t> shortReturns_;
  uint32_t returnedInputs_ = 0;
  InputSource source_;
  uint64_t streamOffset_ = 0;
  std::vector<uint8_t> written_, played_;
  uint32_t opens_ = 0, closes_ = 0, resets_ = 0, writes_ = 0, notifications_ = 0;
};

}  // namespace audio
