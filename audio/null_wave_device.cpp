// The null sound device (see null_wave_device.h).
#include "audio/null_wave_device.h"

#include <algorithm>

namespace audio {

NullWaveDevice::NullWaveDevice(WaveDirection direction) : direction_(direction) {}

DeviceStatus NullWaveDevice::open(uint32_t id, const DeviceFormat& format) {
  if (open_) return DeviceStatus::kAllocated;
  if (openFailure_ != DeviceStatus::kOk) return openFailure_;
  if (!format.valid()) return DeviceStatus::kBadFormat;
  format_ = format;
  id_ = id;
  open_ = true;
  running_ = direction_ == WaveDirection::kOutput;  // output plays as soon as it has data, input waits
  position_ = 0;
  fifo_ = 0;
  headDone_ = 0;
  streamOffset_ = 0;
  returnedInputs_ = 0;
  ++opens_;
  return DeviceStatus::kOk;
}

void NullWaveDevice::forgetQueue() {
  for (DeviceBuffer* b : queue_) {
    b->queued = false;
    b->done = true;
    b->prepared = false;
  }
  for (DeviceBuffer* b : pending_) {
    b->queued = false;
    b->done = true;
    b->prepared = false;
  }
  for (DeviceBuffer* b : done_) b->prepared = false;
  queue_.clear();
  pending_.clear();
  held_.clear();
  done_.clear();
}

DeviceStatus NullWaveDevice::close(bool force) {
  if (!open_) return DeviceStatus::kInvalidHandle;
  if (!queue_.empty() || !held_.empty() || !pending_.empty()) {
    if (!force) return DeviceStatus::kStillPlaying;
    for (DeviceBuffer* b : held_) queue_.push_back(b);
  }
  forgetQueue();
  droppedAtClose_ = fifo_;
  fifo_ = 0;
  open_ = false;
  running_ = false;
  ++closes_;
  return DeviceStatus::kOk;
}

DeviceStatus NullWaveDevice::prepare(DeviceBuffer* b) {
  if (!open_) return DeviceStatus::kInvalidHandle;
  if (!b || !b->data || b->bytes == 0) return DeviceStatus::kInvalidParam;
  b->prepared = true;
  return DeviceStatus::kOk;
}

DeviceStatus NullWaveDevice::unprepare(DeviceBuffer* b) {
  if (!open_) return DeviceStatus::kInvalidHandle;
  if (!b) return DeviceStatus::kInvalidParam;
  if (b->queued) return DeviceStatus::kStillPlaying;
  b->prepared = false;
  return DeviceStatus::kOk;
}

DeviceStatus NullWaveDevice::write(DeviceBuffer* b) {
  if (!open_) return DeviceStatus::kInvalidHandle;
  if (direction_ != WaveDirection::kOutput || !b || b->queued) return DeviceStatus::kInvalidParam;
  if (!b->prepared) return DeviceStatus::kUnprepared;
  b->queued = true;
  b->done = false;
  queue_.push_back(b);
  written_.insert(written_.end(), b->data, b->data + b->bytes);
  ++writes_;
  return DeviceStatus::kOk;
}

DeviceStatus NullWaveDevice::add(DeviceBuffer* b) {
  if (!open_) return DeviceStatus::kInvalidHandle;
  if (direction_ != WaveDirection::kInput || !b || b->queued) return DeviceStatus::kInvalidParam;
  if (!b->prepared) return DeviceStatus::kUnprepared;
  b->queued = true;
  b->done = false;
  b->recorded = 0;
  queue_.push_back(b);
  ++writes_;
  return DeviceStatus::kOk;
}

void NullWaveDevice::handBack(DeviceBuffer* b, bool now) {
  if (neverReturn_) {
    held_.push_back(b);
    return;
  }
  if (!now) {
    // Handed back by a reset or pause: still the device's until its message is delivered.
    pending_.push_back(b);
    return;
  }
  b->queued = false;
  b->done = true;
  done_.push_back(b);
  ++notifications_;
  notify();
}

DeviceStatus NullWaveDevice::reset() {
  if (!open_) return DeviceStatus::kInvalidHandle;
  ++resets_;
  std::deque<DeviceBuffer*> q;
  q.swap(queue_);
  bool head = true;
  for (DeviceBuffer* b : q) {
    if (direction_ == WaveDirection::kInput) b->recorded = head ? headDone_ : 0;
    head = false;
    handBack(b, false);
  }
  headDone_ = 0;
  position_ = 0;
  if (direction_ == WaveDirection::kInput) running_ = false;
  return DeviceStatus::kOk;
}

DeviceStatus NullWaveDevice::pause() {
  if (!open_) return DeviceStatus::kInvalidHandle;
  running_ = false;
  if (direction_ == WaveDirection::kInput && !queue_.empty() && headDone_ > 0) {
    DeviceBuffer* b = queue_.front();
    queue_.pop_front();
    b->recorded = headDone_;
    headDone_ = 0;
    ++returnedInputs_;
    handBack(b, false);
  }
  return DeviceStatus::kOk;
}

DeviceStatus NullWaveDevice::restart() {
  if (!open_) return DeviceStatus::kInvalidHandle;
  running_ = true;
  return DeviceStatus::kOk;
}

DeviceStatus NullWaveDevice::position(uint64_t* frames) {
  if (!open_) return DeviceStatus::kInvalidHandle;
  *frames = positionCountsHeld_ ? position_ : position_ - fifo_;
  return DeviceStatus::kOk;
}

DeviceBuffer* NullWaveDevice::takeDone() {
  if (done_.empty()) return nullptr;
  DeviceBuffer* b = done_.front();
  done_.pop_front();
  return b;
}

void NullWaveDevice::deliver() {
  if (pending_.empty()) return;
  for (DeviceBuffer* b : pending_) {
    b->queued = false;
    b->done = true;
    done_.push_back(b);
  }
  pending_.clear();
  ++notifications_;
  notify();
}

void NullWaveDevice::advance(uint64_t frames) {
  deliver();
  const uint32_t fb = format_.frameBytes();
  while (open_ && running_ && frames > 0 && !queue_.empty() && fb > 0) {
    DeviceBuffer* b = queue_.front();
    uint32_t target = b->bytes;
    if (direction_ == WaveDirection::kInput) {
      auto s = shortReturns_.find(returnedInputs_);
      if (s != shortReturns_.end()) target -= std::min(target, s->second);
    }
    const uint32_t left = target > headDone_ ? target - headDone_ : 0;
    const uint32_t take = uint32_t(std::min<uint64_t>(frames, (left + fb - 1) / fb));
    const uint32_t takeBytes = std::min(left, take * fb);
    if (direction_ == WaveDirection::kOutput) {
      played_.insert(played_.end(), b->data + headDone_, b->data + headDone_ + takeBytes);
    } else if (takeBytes) {
      if (source_)
        source_(b->data + headDone_, takeBytes, streamOffset_);
      else
        std::fill(b->data + headDone_, b->data + headDone_ + takeBytes, uint8_t(0));
      streamOffset_ += takeBytes;
    }
    headDone_ += takeBytes;
    position_ += take;
    frames -= take;
    if (direction_ == WaveDirection::kOutput) fifo_ = std::min<uint64_t>(latency_, position_);
    if (headDone_ >= target) {
      queue_.pop_front();
      if (direction_ == WaveDirection::kInput) {
        b->recorded = target;
        ++returnedInputs_;
      }
      headDone_ = 0;
      handBack(b, true);
    }
  }
  // With nothing queued the device goes on sounding what it holds.
  if (open_ && running_ && queue_.empty() && direction_ == WaveDirection::kOutput)
    fifo_ -= std::min<uint64_t>(fifo_, frames);
}

}  // namespace audio
