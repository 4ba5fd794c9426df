// The play queue and the stream player (see stream_player.h).
#include "audio/stream_player.h"

#include <algorithm>

namespace audio {

uint32_t StreamBufferBytes(const DeviceFormat& f) {
  const uint32_t fb = std::max<uint32_t>(f.frameBytes(), 1);
  const uint32_t bytes = f.rate * fb / 16 * 4;
  return std::max<uint32_t>(bytes / fb, 32) * fb;
}

QueuePlayer::QueuePlayer(WaveDevice* device, QueueListener* listener, std::function<bool()> busy)
    : device_(device), listener_(listener), busy_(std::move(busy)) {
  device_->setNotify([this] { service(); });
}

QueuePlayer::~QueuePlayer() {
  device_->setNotify(nullptr);
  if (device_->isOpen()) {
    device_->reset();
    for (Buffer& b : buffers_)
      if (b.hdr.prepared) device_->unprepare(&b.hdr);
    device_->close(true);
  }
}

int QueuePlayer::playQueue(std::vector<QueueEntry> entries) {
  return start(std::move(entries), kQueueBuffers, kQueueBufferBytes);
}

int QueuePlayer::playStream(QueueEntry entry) {
  if (active()) {  // a previous stream goes at once
    QueueListener* l = listener_;
    listener_ = nullptr;
    stop();
    if (device_->isOpen()) {
      device_->reset();
      for (Buffer& b : buffers_)
        if (b.hdr.prepared) device_->unprepare(&b.hdr);
      device_->close(true);
    }
    running_ = false;
    buffers_.clear();
    listener_ = l;
  }
  const uint32_t bytes = StreamBufferBytes(entry.format);
  std::vector<QueueEntry> one;
  one.push_back(std::move(entry));
  return start(std::move(one), kStreamBuffers, bytes);
}

int QueuePlayer::start(std::vector<QueueEntry> entries, uint32_t buffers, uint32_t bytes) {
  if (active() || (busy_ && busy_())) return int(DeviceStatus::kAllocated);
  if (entries.empty()) return 0;
  entries_ = std::move(entries);
  entry_ = 0;
  bufferCount_ = buffers;
  bufferBytes_ = bytes;
  stopping_ = false;
  buffers_.assign(bufferCount_, Buffer());
  for (Buffer& b : buffers_) b.data.assign(bufferBytes_, 0);
  running_ = true;
  const int r = openEntry();
  if (r != 0) {
    running_ = false;
    buffers_.clear();
  }
  return r;
}

int QueuePlayer::openEntry() {
  const DeviceStatus st = device_->open(deviceId_, entries_[entry_].format);
  if (st != DeviceStatus::kOk) return int(st);
  entryBytes_ = 0;
  entryDone_ = false;
  // Half a second of silence ends what the open device plays: a device that drops what it still holds
  // when it is closed then drops silence.
  tailLeft_ = 2 * StreamBufferBytes(entries_[entry_].format);
  sounded_ = false;
  if (listener_) listener_->entryStarted(entry_);
  device_->pause();
  uint32_t written = 0;
  for (Buffer& b : buffers_)
    if (queue(&b)) ++written;
  device_->restart();
  if (written == 0) finish();
  return 0;
}

uint32_t QueuePlayer::fill(Buffer* b) {
  const uint32_t fb = std::max<uint32_t>(entries_[entry_].format.frameBytes(), 1);
  uint32_t bytes = 0;
  while (bytes < bufferBytes_ && !stopping_) {
    QueueEntry& e = entries_[entry_];
    uint32_t n = 0;
    if (!entryDone_) {
      const uint64_t room = std::min<uint64_t>(bufferBytes_ - bytes, e.byteLimit - entryBytes_);
      n = room ? std::min<uint32_t>(e.pull(b->data.data() + bytes, uint32_t(room)), uint32_t(room)) : 0;
    }
    if (n > 0) {
      bytes += n;
      entryBytes_ += n;
      continue;
    }
    entryDone_ = true;
    // The next entry continues in this buffer when the device can play it as it is.
    const size_t next = entry_ + 1;
    if (next < entries_.size() && entries_[next].format.rate == e.format.rate &&
        entries_[next].format.channels == e.format.channels && entries_[next].format.bits == e.format.bits) {
      entry_ = next;
      entryBytes_ = 0;
      entryDone_ = false;
      if (listener_) listener_->entryStarted(entry_);
      continue;
    }
    break;
  }
  bytes -= bytes % fb;
  if (bytes > 0) sounded_ = true;
  if (entryDone_ && !stopping_ && sounded_ && tailLeft_ > 0) {
    const uint32_t pad = std::min(bufferBytes_ - bytes, tailLeft_) / fb * fb;
    std::fill(b->data.begin() + bytes, b->data.begin() + bytes + pad,
              uint8_t(entries_[entry_].format.bits == 8 ? 0x80 : 0));
    bytes += pad;
    tailLeft_ = pad ? tailLeft_ - pad : 0;
  }
  return bytes;
}

bool QueuePlayer::queue(Buffer* b) {
  const uint32_t n = fill(b);
  if (n == 0) return false;
  b->hdr.data = b->data.data();
  b->hdr.bytes = n;
  DeviceStatus s = device_->prepare(&b->hdr);
  if (s == DeviceStatus::kOk) s = device_->write(&b->hdr);
  return s == DeviceStatus::kOk;
}

bool QueuePlayer::allBack() const {
  for (const Buffer& b : buffers_)
    if (b.hdr.queued) return false;
  return true;
}

void QueuePlayer::finish() {
  for (Buffer& b : buffers_)
    if (b.hdr.prepared && !b.hdr.queued) device_->unprepare(&b.hdr);
  if (!allBack()) return;
  device_->close();
  while (device_->takeDone()) {
  }
  if (!stopping_ && entry_ + 1 < entries_.size()) {
    ++entry_;  // another format: the device opens again for it
    if (openEntry() == 0) return;
  }
  running_ = false;
  buffers_.clear();
  if (listener_) listener_->queueEnded();
}

void QueuePlayer::service() {
  while (DeviceBuffer* h = device_->takeDone()) {
    if (!device_->isOpen()) continue;
    Buffer* b = nullptr;
    for (Buffer& x : buffers_)
      if (&x.hdr == h) b = &x;
    if (!b) continue;
    if (h->prepared) device_->unprepare(h);
    if (stopping_ || (entryDone_ && tailLeft_ == 0) || !queue(b)) finish();
  }
}

void QueuePlayer::stop() {
  if (!device_->isOpen()) return;
  stopping_ = true;
  device_->reset();
  if (allBack()) finish();
}

}  // namespace audio
