// The recording engine (see record_engine.h).
#include "audio/record_engine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "audio/meter_feed.h"
#include "display/time_format.h"

namespace audio {

uint32_t RecordOverwriteFrames(const RecordTarget& t) {
  if (!t.hasDocument || t.selStart < 0 || uint32_t(t.selStart) >= t.documentFrames) return 0;
  const uint64_t rest = t.documentFrames - uint32_t(t.selStart);
  if (t.selEnd >= t.selStart) return uint32_t(std::min<uint64_t>(rest, uint64_t(t.selEnd - t.selStart) + 1));
  return uint32_t(rest);
}

DeviceFormat RecordDeviceFormat(const RecordTarget& t, bool monitor, bool convert16to8) {
  DeviceFormat f;
  if (!t.hasDocument) {
    f.rate = 22050;
    f.channels = 1;
    f.bits = convert16to8 ? 8 : 16;
    return f;
  }
  f.rate = t.format.rate;
  f.channels = t.format.channels;
  if (f.channels == 2 &&
      (t.editChannel == document::kChannelLeft || t.editChannel == document::kChannelRight))
    f.channels = 1;
  // Float documents record 16-bit integers, which the sample transfer writes exactly; an input opened as
  // 32-bit integer PCM and written as float would be noise.
  f.bits = t.format.bits == 8 ? 8 : 16;
  if (monitor && convert16to8) f.bits = 8;
  return f;
}

RecordEngine::RecordEngine(WaveDevice* device, RecordListener* listener)
    : device_(device), listener_(listener) {
  device_->setNotify([this] { service(); });
}

RecordEngine::~RecordEngine() {
  device_->setNotify(nullptr);
  if (device_->isOpen()) {
    listener_ = nullptr;
    closeNow(true);
  }
}

int RecordEngine::record(const RecordTarget& target) {
  if (device_->isOpen()) return int(DeviceStatus::kAllocated);
  if (!target.hasDocument || !target.write) return int(DeviceStatus::kInvalidParam);
  monitor_ = false;
  const int r = begin(target, 0);
  AudioMessage m;
  if (listener_ && RecordErrorMessage(r, false, &m)) listener_->recordMessage(m);
  return r;
}

int RecordEngine::monitorToggle(const RecordTarget& target) {
  if (device_->isOpen()) {
    if (monitor_) stop();
    return 0;
  }
  monitor_ = true;
  const int r = begin(target, kMonitorBufferMs);
  AudioMessage m;
  if (r != 0) {
    monitor_ = false;
    if (listener_ && RecordErrorMessage(r, true, &m)) listener_->recordMessage(m);
  }
  return r;
}

int RecordEngine::begin(const RecordTarget& target, uint32_t ms) {
  target_ = target;
  format_ = RecordDeviceFormat(target, monitor_, settings_.convert16to8);
  if (!format_.valid()) return int(DeviceStatus::kBadFormat);
  bpf_ = format_.frameBytes();
  docBpf_ = target.hasDocument ? document::FrameBytes(target.format) : bpf_;
  bufferBytes_ = RecordBufferBytes(format_.rate, bpf_, settings_.bufferSeconds, settings_.numBuffers, ms);
  word_ = DeviceWord(format_);
  if (format_.channels == 1 && target.hasDocument && target.format.channels == 2)
    word_ |= target.editChannel == document::kChannelLeft ? document::XF_DST_LEFT : document::XF_DST_RIGHT;

  start_ = monitor_ ? 0 : std::max(target.selStart, 0);
  written_ = shortfall_ = 0;
  sequence_ = returned_ = 0;
  limit_ =
      (!monitor_ && target.selEnd >= target.selStart) ? int64_t(target.selEnd) - target.selStart + 1 : -1;
  ratio_ = 1.0;
  capacityKB_ = uint64_t(std::trunc(double(target.usedKB) / ratio_)) + target.freeKB;
  beforeKB_ = uint64_t(start_) * docBpf_ / 1024;
  budgetStop_ = limitStop_ = false;
  stopCount_ = 0;
  paused_ = false;

  const DeviceStatus st = device_->open(deviceId_, format_);
  if (st != DeviceStatus::kOk) return int(st);
  try {
    buffers_.resize(size_t(settings_.numBuffers));
    for (Buffer& b : buffers_) b.data.assign(bufferBytes_, 0);
  } catch (const std::bad_alloc&) {
    closeNow(false);
    return kRecordBufferAlloc;
  }
  for (size_t k = 0; k < buffers_.size(); ++k) {
    Buffer& b = buffers_[k];
    b.hdr.data = b.data.data();
    b.hdr.bytes = bufferBytes_;
    b.hdr.user = sequence_++;
    DeviceStatus s = device_->prepare(&b.hdr);
    if (s == DeviceStatus::kOk) s = device_->add(&b.hdr);
    if (s == DeviceStatus::kOk && k == 0) s = device_->restart();
    if (s != DeviceStatus::kOk) {
      RecordListener* l = listener_;
      listener_ = nullptr;
      closeNow(true);
      listener_ = l;
      return int(s);
    }
    if (k == 0 && listener_) listener_->recordStarted(monitor_);
  }
  return 0;
}

bool RecordEngine::allBack() const {
  for (const Buffer& b : buffers_)
    if (b.hdr.queued) return false;
  return true;
}

void RecordEngine::requestStop() {
  if (stopCount_ > 0) return;
  stopCount_ = 1;
  device_->reset();
}

void RecordEngine::store(DeviceBuffer* h) {
  const uint32_t got = std::min(h->recorded, h->bytes);
  const uint32_t bufferFrames = bufferBytes_ / bpf_;
  uint32_t frames = got / bpf_;
  const bool showMeter = monitor_ || options_.showOnPlay;
  if (!monitor_ && frames > 0) {
    if (limit_ >= 0) frames = uint32_t(std::min<int64_t>(frames, limit_));
    const int64_t at = int64_t(start_) + int64_t(bufferFrames) * int64_t(h->user) - int64_t(shortfall_);
    uint32_t done = 0;
    if (frames > 0 && at >= 0 && at <= 0x7FFFFFFF) done = target_.write(h->data, int32_t(at), frames, word_);
    done = std::min(done, frames);
    if (done < frames) budgetStop_ = true;  // the store came up short: keep what is there and stop
    if (done > 0 && listener_) listener_->recordWritten(int32_t(at), done);
    written_ += done;
    if (limit_ >= 0) limit_ -= done;
  }
  if (showMeter && listener_ && got > 0) listener_->recordMeter(MeterInputPart(*h, bufferBytes_, format_));
  if (got / bpf_ < bufferFrames) shortfall_ += bufferFrames - got / bpf_;
  if (monitor_) return;

  if (++returned_ % 9 == 0 && options_.tempCompressed && target_.space) {
    uint64_t used = 0, free = 0;
    target_.space(&used, &free);
    ratio_ = free < capacityKB_ ? double(used) / double(capacityKB_ - free) : 1.0;
    ratio_ = std::clamp(ratio_, 0.001, 10.0);
  }
  const int64_t remaining = int64_t(std::trunc(double(capacityKB_) * ratio_)) -
                            int64_t(written_ * docBpf_ / 1024) - int64_t(beforeKB_) -
                            int64_t(kBudgetReserveKB);
  if (remaining < 0) budgetStop_ = true;
  if (limit_ == 0) limitStop_ = true;
  if ((budgetStop_ || limitStop_) && stopCount_ == 0) requestStop();
}

void RecordEngine::status(uint32_t queued) {
  if (!listener_ || !target_.hasDocument || monitor_) return;
  RecordStatus s;
  const int64_t remainingKB = int64_t(std::trunc(double(capacityKB_) * ratio_)) -
                              int64_t(written_ * docBpf_ / 1024) - int64_t(beforeKB_) -
                              int64_t(kBudgetReserveKB);
  const int64_t leftFrames = std::max<int64_t>(remainingKB, 0) * 1024 / std::max<uint32_t>(docBpf_, 1);
  char text[96];
  std::snprintf(text, sizeof text, " %s left (%ld)",
                display::FormatDecimalTime(leftFrames, format_.rate).c_str(), long(queued));
  s.left = text;
  const uint64_t length = std::max<uint64_t>(target_.documentFrames, uint64_t(start_) + written_);
  std::snprintf(text, sizeof text, " %ld Samples", long(length));
  s.samples = text;
  std::snprintf(text, sizeof text, " %ld K", long(length * docBpf_ / 1024));
  s.size = text;
  if (options_.timeMode == display::kTimeSamples) {
    std::snprintf(text, sizeof text, " Time: %ld", long(written_));
  } else {
    const std::string t =
        options_.timeMode == display::kTimeDecimal
            ? display::FormatDecimalTime(int64_t(written_), format_.rate)
            : display::FormatFrameTime(int64_t(written_), format_.rate, options_.timeCodeFrames,
                                       options_.timeMode == display::kTimeSmpteDrop, false);
    std::snprintf(text, sizeof text, " Time: %s", t.c_str());
  }
  s.time = text;
  s.allowance = buffers_.empty() ? 1.0 : double(queued) / double(buffers_.size());
  listener_->recordStatus(s);
}

void RecordEngine::requeue(DeviceBuffer* h) {
  h->user = sequence_++;
  h->recorded = 0;
  DeviceStatus s = device_->prepare(h);
  if (s == DeviceStatus::kOk) s = device_->add(h);
  // A buffer the device would not take back: with none left queued nothing would ever come back.
  if (s != DeviceStatus::kOk && allBack()) closeNow(true);
}

void RecordEngine::service() {
  while (DeviceBuffer* h = device_->takeDone()) {
    if (!device_->isOpen() || h->user >= sequence_) continue;
    uint32_t queued = 0;
    for (const Buffer& b : buffers_) queued += b.hdr.queued ? 1 : 0;
    if (stopCount_ > 0)
      for (Buffer& b : buffers_)
        if (b.hdr.prepared && !b.hdr.queued && &b.hdr != h) device_->unprepare(&b.hdr);
    if (h->prepared) device_->unprepare(h);
    store(h);
    status(queued);
    if (stopCount_ > 0) {
      if (allBack()) closeNow(false);
    } else {
      requeue(h);
    }
  }
}

void RecordEngine::stop() {
  if (!device_->isOpen()) return;
  ++stopCount_;
  if (stopCount_ >= 3) {
    closeNow(true);
    return;
  }
  device_->reset();
  if (allBack()) closeNow(false);
}

bool RecordEngine::pause() {
  if (!device_->isOpen() || stopCount_ > 0 || monitor_) return false;
  const DeviceStatus s = paused_ ? device_->restart() : device_->pause();
  if (s != DeviceStatus::kOk) return false;
  paused_ = !paused_;
  return true;
}

void RecordEngine::closeNow(bool force) {
  if (force) {
    device_->reset();
    // Buffers handed back by the reset still hold audio: keep it.
    while (DeviceBuffer* h = device_->takeDone())
      if (h->user < sequence_ && !monitor_) store(h);
    for (Buffer& b : buffers_)
      if (b.hdr.prepared) device_->unprepare(&b.hdr);
  }
  if (device_->close(force) != DeviceStatus::kOk && !force) device_->close(true);
  while (device_->takeDone()) {
  }
  bool held = false;
  for (const Buffer& b : buffers_) held = held || b.hdr.queued;
  if (held) abandoned_.push_back(std::move(buffers_));
  buffers_.clear();
  RecordResult r;
  r.monitor = monitor_;
  r.first = start_;
  r.frames = uint32_t(written_);
  r.budgetStop = budgetStop_;
  r.limitStop = limitStop_;
  stopCount_ = 0;
  paused_ = false;
  monitor_ = false;
  if (listener_) listener_->recordClosed(r);
}

int64_t RecordEngine::position() {
  uint64_t p = 0;
  if (!device_->isOpen() || device_->position(&p) != DeviceStatus::kOk) return -1;
  return int64_t(start_) + int64_t(p);
}

}  // namespace audio
