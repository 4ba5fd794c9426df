// The playback engine (see play_engine.h).
#include "audio/play_engine.h"

#include <algorithm>
#include <new>

#include "audio/meter_feed.h"

namespace audio {

PlayRange PlayChooseRange(const PlayChoice& c, bool playFromCursor) {
  PlayRange r;
  if (c.hasExplicit) {
    r.start = r.base = c.explicitFirst;
    r.length = c.explicitLast - c.explicitFirst + 1;
  } else if (c.selEnd >= c.selStart) {
    r.start = r.base = c.selStart;
    r.length = c.selEnd - c.selStart + 1;
  } else if (playFromCursor && c.cursor >= c.viewFirst && c.cursor < c.viewLast) {
    r.start = c.cursor;
    r.length = c.viewLast - c.cursor + 1;
    r.base = c.viewFirst;
  } else {
    r.start = r.base = c.viewFirst;
    r.length = c.viewLast - c.viewFirst + 1;
  }
  if (r.length < 0) r.length = 0;
  return r;
}

std::vector<PlaySegment> PlayListSegments(const markers::MarkerSet& cues, uint32_t documentFrames,
                                          uint32_t firstEntry) {
  std::vector<PlaySegment> out;
  for (uint32_t i = firstEntry; i < cues.playCount(); ++i) {
    markers::PlayEntry e;
    if (!cues.getPlay(i, &e)) continue;
    const markers::Cue* cue = cues.findCue(e.cueId);
    if (!cue) continue;
    const uint64_t length = e.length ? e.length : cue->length;
    const uint64_t end = std::min<uint64_t>(uint64_t(cue->position) + length, documentFrames);
    if (length == 0 || cue->position >= end || end > 0x7FFFFFFFu) continue;
    out.push_back({int32_t(cue->position), int32_t(end), std::max<uint32_t>(e.loops, 1)});
  }
  return out;
}

void PlayFrameMap::add(uint64_t device, int32_t doc, uint32_t frames) {
  if (frames == 0) return;
  if (!runs_.empty()) {
    Run& last = runs_.back();
    if (last.device + last.frames == device && int64_t(last.doc) + last.frames == doc) {
      last.frames += frames;
      return;
    }
  }
  runs_.push_back({device, doc, frames});
}

void PlayFrameMap::dropBefore(uint64_t device) {
  while (runs_.size() > 1 && runs_.front().device + runs_.front().frames <= device) runs_.pop_front();
}

int64_t PlayFrameMap::lookup(uint64_t device) const {
  if (runs_.empty()) return -1;
  if (device < runs_.front().device) return runs_.front().doc;
  // Runs are in device order; the one holding the frame is found from the back (the device is near the
  // newest runs only when few buffers are queued, but the list is short either way).
  for (auto it = runs_.rbegin(); it != runs_.rend(); ++it) {
    if (device >= it->device) {
      if (device < it->device + it->frames) return int64_t(it->doc) + int64_t(device - it->device);
      return int64_t(it->doc) + it->frames;  // in padding after this run, or past the end
    }
  }
  return runs_.front().doc;
}

uint32_t PlayPositionFactor(int quirkFlag, bool every8bit, uint16_t documentBits, bool oldSystem) {
  if (!every8bit || documentBits != 16) return 1;
  if ((quirkFlag & 2) || ((quirkFlag & 1) && oldSystem)) return 2;
  return 1;
}

PlayEngine::PlayEngine(WaveDevice* device, PlayListener* listener) : device_(device), listener_(listener) {
  device_->setNotify([this] { service(); });
}

PlayEngine::~PlayEngine() {
  device_->setNotify(nullptr);
  if (device_->isOpen()) {
    listener_ = nullptr;
    closeNow(true);
  }
}

void PlayEngine::report(int result, bool silent) {
  AudioMessage m;
  if (listener_ && PlayErrorMessage(result, silent, &m)) listener_->playMessage(m);
}

int PlayEngine::toggle(const PlaySource& src, const PlayChoice& choice, bool loopMode, bool silent) {
  if (active()) {
    restart_ = true;
    stop();
    return 0;
  }
  loopMode_ = loopMode;
  const int r = start(src, PlayChooseRange(choice, settings_.playFromCursor), loopMode ? kLoopModePasses : 0);
  report(r, silent);
  return r;
}

int PlayEngine::togglePlayList(const PlaySource& src, const std::vector<PlaySegment>& list, bool silent) {
  if (active()) {
    restart_ = true;
    stop();
    return 0;
  }
  loopMode_ = false;
  const int r = startSegments(src, list, list.empty() ? 0 : list.front().first);
  report(r, silent);
  return r;
}

int PlayEngine::start(const PlaySource& src, const PlayRange& range, uint32_t loops) {
  const int64_t end = int64_t(range.start) + std::max(range.length, 0);
  std::vector<PlaySegment> one;
  if (range.length > 0 && end <= 0x7FFFFFFF && range.base <= range.start)
    one.push_back({range.base, int32_t(end), loops + 1});
  return startSegments(src, one, range.start);
}

int PlayEngine::startSegments(const PlaySource& src, const std::vector<PlaySegment>& list,
                              int32_t firstStart) {
  if (device_->isOpen()) return int(DeviceStatus::kAllocated);
  return begin(src, list, firstStart);
}

int PlayEngine::begin(const PlaySource& src, const std::vector<PlaySegment>& list, int32_t firstStart) {
  src_ = src;
  format_ = PlayDeviceFormat(src.format, settings_.convert16to8);
  if (!format_.valid() || !src.read) return int(DeviceStatus::kBadFormat);
  bpf_ = format_.frameBytes();
  word_ = uint16_t(DeviceWord(format_) | document::XF_CLIP);
  bufferBytes_ = PlayBufferBytes(format_.rate, bpf_, settings_.bufferSeconds, settings_.numBuffers);
  padFrames_ = PlayPadFrames(format_.rate, bpf_);
  tailLeft_ = padFrames_;

  segments_ = list;
  segment_ = 0;
  ended_ = segments_.empty();
  passesLeft_ = ended_ ? 0 : std::max<uint32_t>(segments_[0].passes, 1) - 1;
  readPos_ = firstStart;
  deviceWritten_ = 0;
  lastTick_ = 0;
  map_.clear();
  stopCount_ = 0;
  paused_ = false;
  restart_ = false;

  const DeviceStatus st = device_->open(deviceId_, format_);
  if (st != DeviceStatus::kOk) return int(st);
  try {
    buffers_.resize(size_t(settings_.numBuffers));
    // 256 spare bytes per buffer, as drivers that read a little past the end expect.
    for (Buffer& b : buffers_) b.data.assign(size_t(bufferBytes_) + 256, 0);
  } catch (const std::bad_alloc&) {
    closeNow(false);
    return kPlayBufferAlloc;
  }
  device_->pause();

  uint32_t written = 0;
  for (size_t k = 0; k < buffers_.size(); ++k) {
    Buffer& b = buffers_[k];
    if (fill(&b) == 0) break;
    b.hdr.user = k;
    DeviceStatus s = device_->prepare(&b.hdr);
    if (s == DeviceStatus::kOk) s = device_->write(&b.hdr);
    if (s != DeviceStatus::kOk) {
      // The failure is reported by the caller; a transport that never showed playing needs no close.
      PlayListener* l = listener_;
      if (written == 0) listener_ = nullptr;
      closeNow(true);
      listener_ = l;
      return int(s);
    }
    if (++written == 1) {
      tickRunning_ = true;
      if (listener_) listener_->playStarted();
    }
    if (written == 3) startClock();
  }
  if (written == 0) {
    // Nothing to play (an empty range): restarting a device with no buffer would wait for a done
    // message that never comes, with the transport stuck in "playing".
    PlayListener* l = listener_;
    listener_ = nullptr;
    closeNow(false);
    listener_ = l;
    return 0;
  }
  if (written < 3) startClock();
  return 0;
}

void PlayEngine::startClock() {
  device_->restart();
  startMs_ = clock_ ? clock_() : 0;
  pausedMs_ = 0;
}

bool PlayEngine::nextPass() {
  if (passesLeft_ > 0) {
    --passesLeft_;
    readPos_ = segments_[segment_].first;
    return true;
  }
  if (++segment_ >= segments_.size()) return false;
  passesLeft_ = std::max<uint32_t>(segments_[segment_].passes, 1) - 1;
  readPos_ = segments_[segment_].first;
  return true;
}

uint32_t PlayEngine::fill(Buffer* b) {
  const uint32_t wanted = bufferBytes_ / bpf_;
  uint8_t* dst = b->data.data();
  uint32_t done = 0;
  while (done < wanted && !ended_) {
    const PlaySegment& s = segments_[segment_];
    if (readPos_ >= s.end) {
      if (!nextPass()) ended_ = true;
      continue;
    }
    const uint32_t count = std::min<uint32_t>(wanted - done, uint32_t(s.end - readPos_));
    uint32_t got = src_.read(dst + size_t(done) * bpf_, readPos_, count, word_);
    got = std::min(got, count);
    if (got == 0) {  // the document is shorter than the range: this pass is over
      readPos_ = s.end;
      continue;
    }
    map_.add(deviceWritten_ + done, readPos_, got);
    readPos_ += int32_t(got);
    done += got;
  }
  const document::XfLayout layout = document::XfLayoutOf(DeviceWord(format_));
  if (format_.channels == 2 && done > 0) {
    if (src_.editChannel == document::kChannelLeft)
      document::FillSilence(dst, layout, done, document::kChannelRight);
    else if (src_.editChannel == document::kChannelRight)
      document::FillSilence(dst, layout, done, document::kChannelLeft);
  }
  // After the last frame of the data comes padFrames_ of silence (in this buffer, or the next when it is
  // full): a device that drops what it still holds when it is closed drops silence, not the end of the wave.
  if (ended_ && tailLeft_ > 0 && (deviceWritten_ > 0 || done > 0)) {
    const uint32_t pad = std::min(wanted - done, tailLeft_);
    document::FillSilence(dst + size_t(done) * bpf_, layout, pad);
    done += pad;
    tailLeft_ -= pad;
  }
  b->deviceStart = deviceWritten_;
  b->frames = done;
  b->hdr.data = dst;
  b->hdr.bytes = done * bpf_;
  deviceWritten_ += done;
  return done * bpf_;
}

bool PlayEngine::allBack() const {
  for (const Buffer& b : buffers_)
    if (b.hdr.queued) return false;
  return true;
}

void PlayEngine::finishStop() {
  for (Buffer& b : buffers_)
    if (b.hdr.prepared && !b.hdr.queued) device_->unprepare(&b.hdr);
  if (allBack()) closeNow(false);
}

bool PlayEngine::drained() {
  bool sounded = deviceFrames() >= deviceWritten_;
  if (sounded && clock_ && format_.rate) {
    // Nor can it have sounded faster than real time: a device may count frames it has passed on to a sound
    // server as played. The margin covers the server starting late.
    constexpr uint64_t kMarginMs = 150;
    const uint64_t elapsed = clock_() - startMs_ - pausedMs_;
    sounded = elapsed >= deviceWritten_ * 1000 / format_.rate + kMarginMs;
  }
  if (sounded) return true;
  // A device whose position stops short closes anyway, half a second after everything should have sounded.
  const uint64_t ticks = format_.rate ? uint64_t(bufferBytes_ / std::max(bpf_, 1u)) * buffers_.size() * 100 / format_.rate : 0;
  return drainTicks_ > ticks + 50;
}

void PlayEngine::endNaturally() {
  draining_ = false;
  stopCount_ = 1;
  tickRunning_ = false;
  if (listener_) listener_->playStopping();
  finishStop();
}

void PlayEngine::service() {
  while (DeviceBuffer* h = device_->takeDone()) {
    if (!device_->isOpen() || h->user >= buffers_.size() || &buffers_[h->user].hdr != h) continue;
    if (stopCount_ > 0) {
      finishStop();
      continue;
    }
    Buffer& b = buffers_[h->user];
    if (h->prepared) device_->unprepare(h);
    const uint32_t bytes = ended_ && tailLeft_ == 0 ? 0 : fill(&b);
    DeviceStatus s = DeviceStatus::kError;
    if (bytes > 0) {
      s = device_->prepare(h);
      if (s == DeviceStatus::kOk) s = device_->write(h);
    }
    if (s != DeviceStatus::kOk) {
      // The end of the data: a device may hand buffers back before they have sounded (its own buffering),
      // so the close waits until its position reaches the last frame written (see tick()).
      if (bytes == 0 && ended_ && !drained()) {
        draining_ = true;
        continue;
      }
      // The end, or a buffer the device would not take back: stop once all are back.
      endNaturally();
    }
  }
  if (device_->isOpen()) {
    uint64_t oldest = deviceWritten_;
    for (const Buffer& b : buffers_)
      if (b.hdr.queued) oldest = std::min(oldest, b.deviceStart);
    map_.dropBefore(oldest);
  }
}

void PlayEngine::stop() {
  if (!device_->isOpen()) return;
  ++stopCount_;
  if (stopCount_ >= 3) {
    closeNow(true);
    return;
  }
  if (stopCount_ == 1) {
    tickRunning_ = false;
    if (listener_) listener_->playStopping();
  }
  device_->reset();
  if (allBack()) finishStop();
}

bool PlayEngine::pause() {
  if (!device_->isOpen() || stopCount_ > 0) return false;
  const DeviceStatus s = paused_ ? device_->restart() : device_->pause();
  if (s != DeviceStatus::kOk) return false;
  paused_ = !paused_;
  if (clock_) {
    if (paused_)
      pauseStartMs_ = clock_();
    else
      pausedMs_ += clock_() - pauseStartMs_;
  }
  return true;
}

void PlayEngine::freeBuffers() {
  bool held = false;
  for (const Buffer& b : buffers_) held = held || b.hdr.queued;
  // A device that could not be made to give its buffers back may still write to them: keep them.
  if (held) abandoned_.push_back(std::move(buffers_));
  buffers_.clear();
}

void PlayEngine::closeNow(bool force) {
  if (force) {
    device_->reset();
    for (Buffer& b : buffers_)
      if (b.hdr.prepared) device_->unprepare(&b.hdr);
  }
  if (device_->close(force) != DeviceStatus::kOk && !force) device_->close(true);
  while (device_->takeDone()) {
  }
  freeBuffers();
  map_.clear();
  draining_ = false;
  drainTicks_ = 0;
  stopCount_ = 0;
  paused_ = false;
  tickRunning_ = false;
  const bool again = restart_;
  restart_ = false;
  if (listener_) listener_->playClosed(again);
}

uint64_t PlayEngine::deviceFrames() {
  uint64_t p = 0;
  if (!device_->isOpen() || device_->position(&p) != DeviceStatus::kOk) return 0;
  return p * PlayPositionFactor(quirkFlag_, settings_.convert16to8, src_.format.bits);
}

int64_t PlayEngine::position() {
  if (!device_->isOpen()) return -1;
  const int64_t p = map_.lookup(deviceFrames());
  return p >= 0 ? p : readPos_;
}

PlayEngine::Tick PlayEngine::tick() {
  Tick t;
  if (!device_->isOpen() || !tickRunning_) return t;
  t.playing = true;
  const uint64_t now = deviceFrames();
  t.position = position();
  if (now < lastTick_) lastTick_ = 0;
  std::vector<SoundingBuffer> views;
  views.reserve(buffers_.size());
  for (const Buffer& b : buffers_) views.push_back({b.data.data(), b.deviceStart, b.frames});
  t.meter = MeterPlayedPart(views.data(), views.size(), lastTick_, now, format_);
  lastTick_ = now;
  if (draining_ && stopCount_ == 0 && !paused_ && allBack()) {
    ++drainTicks_;
    if (drained()) endNaturally();
  }
  return t;
}

}  // namespace audio
