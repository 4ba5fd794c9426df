// The winmm sound device (see wave_device_win.h).
#include "audio/wave_device_win.h"

// clang-format off
#include "platform/win32.h"  // before the other system headers
#include <mmsystem.h>
// clang-format on

#include <algorithm>

namespace audio {

DeviceStatus DeviceStatusFromMm(uint32_t r) {
  switch (r) {
    case MMSYSERR_NOERROR:
      return DeviceStatus::kOk;
    case MMSYSERR_BADDEVICEID:
      return DeviceStatus::kBadDeviceId;
    case MMSYSERR_NOTENABLED:
    case MMSYSERR_NODRIVER:
      return DeviceStatus::kNoDevice;
    case MMSYSERR_ALLOCATED:
    case MMSYSERR_HANDLEBUSY:
      return DeviceStatus::kAllocated;
    case MMSYSERR_INVALHANDLE:
      return DeviceStatus::kInvalidHandle;
    case MMSYSERR_NOMEM:
      return DeviceStatus::kNoMemory;
    case MMSYSERR_NOTSUPPORTED:
      return DeviceStatus::kNotSupported;
    case MMSYSERR_INVALFLAG:
    case MMSYSERR_INVALPARAM:
      return DeviceStatus::kInvalidParam;
    case WAVERR_BADFORMAT:
      return DeviceStatus::kBadFormat;
    case WAVERR_STILLPLAYING:
      return DeviceStatus::kStillPlaying;
    case WAVERR_UNPREPARED:
      return DeviceStatus::kUnprepared;
    case WAVERR_SYNC:
      return DeviceStatus::kSyncOnly;
    default:
      return DeviceStatus::kError;
  }
}

namespace {

bool IsOut(WaveDirection d) {
  return d == WaveDirection::kOutput;
}
HWAVEOUT Out(void* h) {
  return static_cast<HWAVEOUT>(h);
}
HWAVEIN In(void* h) {
  return static_cast<HWAVEIN>(h);
}

}  // namespace

WinWaveDevice::WinWaveDevice(WaveDirection direction) : direction_(direction) {}

WinWaveDevice::~WinWaveDevice() {
  if (handle_) close(true);
}

DeviceStatus WinWaveDevice::open(uint32_t id, const DeviceFormat& f) {
  if (handle_) return DeviceStatus::kAllocated;
  if (!f.valid()) return DeviceStatus::kBadFormat;
  WAVEFORMATEX wf = {};
  wf.wFormatTag = WAVE_FORMAT_PCM;
  wf.nChannels = f.channels;
  wf.nSamplesPerSec = f.rate;
  wf.nBlockAlign = WORD(f.frameBytes());
  wf.nAvgBytesPerSec = f.rate * f.frameBytes();
  wf.wBitsPerSample = f.bits;
  const DWORD callback = window_ ? CALLBACK_WINDOW : CALLBACK_NULL;
  const DWORD_PTR target = reinterpret_cast<DWORD_PTR>(window_);
  MMRESULT r;
  if (IsOut(direction_)) {
    // Ask first; a synchronous driver answers WAVERR_SYNC and is then opened as such.
    DWORD sync = 0;
    r = waveOutOpen(nullptr, id, &wf, 0, 0, WAVE_FORMAT_QUERY);
    if (r == WAVERR_SYNC) {
      sync = WAVE_ALLOWSYNC;
      r = waveOutOpen(nullptr, id, &wf, 0, 0, WAVE_FORMAT_QUERY | sync);
    }
    if (r != MMSYSERR_NOERROR) return DeviceStatusFromMm(r);
    HWAVEOUT h = nullptr;
    r = waveOutOpen(&h, id, &wf, target, 0, callback | sync);
    if (r == WAVERR_SYNC && !sync) r = waveOutOpen(&h, id, &wf, target, 0, callback | WAVE_ALLOWSYNC);
    if (r == MMSYSERR_NOERROR) handle_ = h;
  } else {
    r = waveInOpen(nullptr, id, &wf, 0, 0, WAVE_FORMAT_QUERY);
    if (r != MMSYSERR_NOERROR) return DeviceStatusFromMm(r);
    HWAVEIN h = nullptr;
    r = waveInOpen(&h, id, &wf, target, 0, callback);
    if (r == MMSYSERR_NOERROR) handle_ = h;
  }
  if (r != MMSYSERR_NOERROR) return DeviceStatusFromMm(r);
  lastHandle_ = handle_;
  format_ = f;
  lastRaw_ = 0;
  high_ = 0;
  written_ = 0;
  return DeviceStatus::kOk;
}

DeviceStatus WinWaveDevice::close(bool force) {
  if (!handle_) return DeviceStatus::kInvalidHandle;
  if (force) {
    reset();
    for (auto it = headers_.begin(); it != headers_.end();) {
      WAVEHDR* h = static_cast<WAVEHDR*>(it->first);
      DeviceBuffer* b = it->second;
      const MMRESULT r = IsOut(direction_) ? waveOutUnprepareHeader(Out(handle_), h, sizeof *h)
                                           : waveInUnprepareHeader(In(handle_), h, sizeof *h);
      if (r == MMSYSERR_NOERROR) {
        b->queued = false;
        b->done = true;
        b->prepared = false;
        b->system = nullptr;
        delete h;
      } else {
        leaked_.push_back(h);  // the driver still holds it: neither it nor the buffer may be freed
      }
      it = headers_.erase(it);
    }
    order_.clear();
  } else if (!order_.empty()) {
    return DeviceStatus::kStillPlaying;
  } else if (IsOut(direction_)) {
    drain();
  }
  const MMRESULT r = IsOut(direction_) ? waveOutClose(Out(handle_)) : waveInClose(In(handle_));
  if (r != MMSYSERR_NOERROR && !force) return DeviceStatusFromMm(r);
  // Headers still prepared (never queued) die with the handle.
  for (auto& [header, b] : headers_) {
    b->prepared = false;
    b->system = nullptr;
    delete static_cast<WAVEHDR*>(header);
  }
  headers_.clear();
  order_.clear();
  handle_ = nullptr;
  done_.clear();
  return DeviceStatusFromMm(r);
}

DeviceStatus WinWaveDevice::prepare(DeviceBuffer* b) {
  if (!handle_) return DeviceStatus::kInvalidHandle;
  if (!b || !b->data || b->bytes == 0 || b->queued) return DeviceStatus::kInvalidParam;
  WAVEHDR* h = static_cast<WAVEHDR*>(b->system);
  if (!h) {
    h = new WAVEHDR();
    b->system = h;
  }
  if (!(h->dwFlags & WHDR_PREPARED)) {
    *h = WAVEHDR();
    h->lpData = reinterpret_cast<LPSTR>(b->data);
    h->dwBufferLength = b->bytes;
    h->dwUser = reinterpret_cast<DWORD_PTR>(b);
    MMRESULT r = MMSYSERR_NOERROR;
    // Some drivers need asking again before the prepared flag shows.
    for (int tries = 0; tries < 3 && !(h->dwFlags & WHDR_PREPARED); ++tries) {
      r = IsOut(direction_) ? waveOutPrepareHeader(Out(handle_), h, sizeof *h)
                            : waveInPrepareHeader(In(handle_), h, sizeof *h);
      if (r != MMSYSERR_NOERROR) break;
    }
    if (!(h->dwFlags & WHDR_PREPARED)) {
      delete h;
      b->system = nullptr;
      return r != MMSYSERR_NOERROR ? DeviceStatusFromMm(r) : DeviceStatus::kError;
    }
  }
  headers_[h] = b;
  b->prepared = true;
  return DeviceStatus::kOk;
}

DeviceStatus WinWaveDevice::unprepare(DeviceBuffer* b) {
  if (!handle_) return DeviceStatus::kInvalidHandle;
  if (!b) return DeviceStatus::kInvalidParam;
  WAVEHDR* h = static_cast<WAVEHDR*>(b->system);
  if (!h) {
    b->prepared = false;
    return DeviceStatus::kOk;
  }
  if (b->queued) {
    if (!(h->dwFlags & WHDR_DONE)) return DeviceStatus::kStillPlaying;
    // Finished (a reset marks headers done at once); its message, when it comes, finds no header.
    b->queued = false;
    b->done = true;
    b->recorded = h->dwBytesRecorded;
    order_.erase(std::remove(order_.begin(), order_.end(), static_cast<void*>(h)), order_.end());
  }
  const MMRESULT r = IsOut(direction_) ? waveOutUnprepareHeader(Out(handle_), h, sizeof *h)
                                       : waveInUnprepareHeader(In(handle_), h, sizeof *h);
  if (r != MMSYSERR_NOERROR) return DeviceStatusFromMm(r);
  headers_.erase(h);
  done_.erase(std::remove(done_.begin(), done_.end(), b), done_.end());
  delete h;
  b->system = nullptr;
  b->prepared = false;
  return DeviceStatus::kOk;
}

DeviceStatus WinWaveDevice::submit(DeviceBuffer* b) {
  if (!handle_) return DeviceStatus::kInvalidHandle;
  if (!b || b->queued) return DeviceStatus::kInvalidParam;
  WAVEHDR* h = static_cast<WAVEHDR*>(b->system);
  if (!b->prepared || !h) return DeviceStatus::kUnprepared;
  h->dwBytesRecorded = 0;
  b->recorded = 0;
  b->queued = true;
  b->done = false;
  order_.push_back(h);
  const MMRESULT r = IsOut(direction_) ? waveOutWrite(Out(handle_), h, sizeof *h)
                                       : waveInAddBuffer(In(handle_), h, sizeof *h);
  if (r != MMSYSERR_NOERROR) {
    b->queued = false;
    b->done = true;
    order_.pop_back();
  } else if (IsOut(direction_) && format_.frameBytes()) {
    written_ += h->dwBufferLength / format_.frameBytes();
  }
  return DeviceStatusFromMm(r);
}

// Some drivers (the emulated ones among them) hand a buffer back as soon as they have copied it into a
// mixer of their own, so the last buffers are still sounding when the last one is back; closing then
// would cut them off. Such a driver's position also runs ahead of what sounds by about its mixer's
// latency, so once it gets there a little more is waited. A driver that hands buffers back when they have
// played is at the end already and closes at once. The wait is bounded, for a position that never gets
// there.
void WinWaveDevice::drain() {
  constexpr int kDrainStepMs = 5;
  constexpr int kDrainLimitMs = 1500;
  constexpr int kDrainTailMs = 400;
  bool early = false;
  for (int waited = 0; waited < kDrainLimitMs; waited += kDrainStepMs) {
    uint64_t played = 0;
    if (position(&played) != DeviceStatus::kOk) return;
    if (played >= written_) break;
    early = true;
    Sleep(kDrainStepMs);
  }
  if (early) Sleep(kDrainTailMs);
}

DeviceStatus WinWaveDevice::write(DeviceBuffer* b) {
  return IsOut(direction_) ? submit(b) : DeviceStatus::kInvalidParam;
}

DeviceStatus WinWaveDevice::add(DeviceBuffer* b) {
  return IsOut(direction_) ? DeviceStatus::kInvalidParam : submit(b);
}

DeviceStatus WinWaveDevice::reset() {
  if (!handle_) return DeviceStatus::kInvalidHandle;
  const MMRESULT r = IsOut(direction_) ? waveOutReset(Out(handle_)) : waveInReset(In(handle_));
  lastRaw_ = 0;
  high_ = 0;
  written_ = 0;
  if (!window_) poll();
  return DeviceStatusFromMm(r);
}

DeviceStatus WinWaveDevice::pause() {
  if (!handle_) return DeviceStatus::kInvalidHandle;
  return DeviceStatusFromMm(IsOut(direction_) ? waveOutPause(Out(handle_)) : waveInStop(In(handle_)));
}

DeviceStatus WinWaveDevice::restart() {
  if (!handle_) return DeviceStatus::kInvalidHandle;
  return DeviceStatusFromMm(IsOut(direction_) ? waveOutRestart(Out(handle_)) : waveInStart(In(handle_)));
}

DeviceStatus WinWaveDevice::position(uint64_t* frames) {
  if (!handle_) return DeviceStatus::kInvalidHandle;
  MMTIME t = {};
  t.wType = TIME_SAMPLES;
  const MMRESULT r = IsOut(direction_) ? waveOutGetPosition(Out(handle_), &t, sizeof t)
                                       : waveInGetPosition(In(handle_), &t, sizeof t);
  if (r != MMSYSERR_NOERROR) return DeviceStatusFromMm(r);
  uint32_t raw = 0;
  switch (t.wType) {
    case TIME_SAMPLES:
      raw = t.u.sample;
      break;
    case TIME_BYTES:  // drivers that only count bytes
      raw = format_.frameBytes() ? t.u.cb / format_.frameBytes() : 0;
      break;
    case TIME_MS:
      raw = uint32_t(double(format_.rate) * t.u.ms * 0.001);
      break;
    default:
      return DeviceStatus::kNotSupported;
  }
  // The driver's count is 32 bits: a smaller value than the last one after a long run is a wrap.
  if (raw < lastRaw_ && lastRaw_ - raw > 0x80000000u) high_ += uint64_t(1) << 32;
  lastRaw_ = raw;
  *frames = high_ + raw;
  return DeviceStatus::kOk;
}

DeviceBuffer* WinWaveDevice::takeDone() {
  if (done_.empty()) return nullptr;
  DeviceBuffer* b = done_.front();
  done_.pop_front();
  return b;
}

void WinWaveDevice::handBack(void* header) {
  auto it = headers_.find(header);
  if (it == headers_.end()) return;  // a header already taken back (or not ours): never touch it
  DeviceBuffer* b = it->second;
  if (!b->queued) return;
  WAVEHDR* h = static_cast<WAVEHDR*>(header);
  b->queued = false;
  b->done = true;
  b->recorded = h->dwBytesRecorded;
  order_.erase(std::remove(order_.begin(), order_.end(), header), order_.end());
  done_.push_back(b);
}

bool WinWaveDevice::onDeviceMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  const bool out = IsOut(direction_);
  const UINT doneMsg = out ? MM_WOM_DONE : MM_WIM_DATA;
  const UINT openMsg = out ? MM_WOM_OPEN : MM_WIM_OPEN;
  const UINT closeMsg = out ? MM_WOM_CLOSE : MM_WIM_CLOSE;
  void* from = reinterpret_cast<void*>(wParam);
  if (msg == openMsg || msg == closeMsg) return from != nullptr && (from == handle_ || from == lastHandle_);
  if (msg != doneMsg || from == nullptr || from != handle_) return false;
  handBack(reinterpret_cast<void*>(lParam));
  notify();
  return true;
}

void WinWaveDevice::poll() {
  bool any = false;
  // In queue order, so buffers come back as they were played or filled.
  const std::deque<void*> queued = order_;
  for (void* header : queued) {
    if (!(static_cast<WAVEHDR*>(header)->dwFlags & WHDR_DONE)) break;
    handBack(header);
    any = true;
  }
  if (any) notify();
}

std::vector<DeviceInfo> WaveOutDevices() {
  std::vector<DeviceInfo> v;
  const UINT n = waveOutGetNumDevs();
  for (UINT i = 0; i < n; ++i) {
    WAVEOUTCAPSA c = {};
    if (waveOutGetDevCapsA(i, &c, sizeof c) != MMSYSERR_NOERROR) c.szPname[0] = 0;
    v.push_back({c.szPname, c.dwFormats, c.wChannels});
  }
  return v;
}

std::vector<DeviceInfo> WaveInDevices() {
  std::vector<DeviceInfo> v;
  const UINT n = waveInGetNumDevs();
  for (UINT i = 0; i < n; ++i) {
    WAVEINCAPSA c = {};
    if (waveInGetDevCapsA(i, &c, sizeof c) != MMSYSERR_NOERROR) c.szPname[0] = 0;
    v.push_back({c.szPname, c.dwFormats, c.wChannels});
  }
  return v;
}

std::vector<DeviceInfo> MidiOutDevices() {
  std::vector<DeviceInfo> v;
  const UINT n = midiOutGetNumDevs();
  for (UINT i = 0; i < n; ++i) {
    MIDIOUTCAPSA c = {};
    if (midiOutGetDevCapsA(i, &c, sizeof c) != MMSYSERR_NOERROR) c.szPname[0] = 0;
    v.push_back({c.szPname, 0, 0});
  }
  return v;
}

std::vector<DeviceInfo> MidiInDevices() {
  std::vector<DeviceInfo> v;
  const UINT n = midiInGetNumDevs();
  for (UINT i = 0; i < n; ++i) {
    MIDIINCAPSA c = {};
    if (midiInGetDevCapsA(i, &c, sizeof c) != MMSYSERR_NOERROR) c.szPname[0] = 0;
    v.push_back({c.szPname, 0, 0});
  }
  return v;
}

}  // namespace audio
