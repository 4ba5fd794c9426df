// The winmm sound device: WaveDevice over waveOut* / waveIn*, and the enumeration of the installed wave
// and MIDI devices. The program opens it with CALLBACK_WINDOW to the main window, which forwards the
// device messages (MM_WOM_OPEN/DONE/CLOSE, MM_WIM_OPEN/DATA/CLOSE) to onDeviceMessage; the device then
// queues the returned buffer and calls its notify callback, so every device call stays on the window's
// thread (winmm forbids device calls inside its own callbacks). Without a window the device is polled.
// MMRESULTs become DeviceStatus here and nowhere else.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <vector>

#include "audio/device_choice.h"
#include "audio/wave_device.h"

namespace audio {

// The status of a winmm result code (MMSYSERR_*, WAVERR_*); unknown codes are kError.
DeviceStatus DeviceStatusFromMm(uint32_t mmresult);

class WinWaveDevice : public WaveDevice {
 public:
  explicit WinWaveDevice(WaveDirection direction);
  ~WinWaveDevice() override;

  // The window (an HWND) that receives the device's messages from the next open on; null: polled.
  void setCallbackWindow(void* hwnd) { window_ = hwnd; }
  // A message the window received: true when it was this device's (the caller then returns 0).
  bool onDeviceMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam);
  // Hands back the buffers the driver has finished with (for a device opened without a window).
  void poll();

  WaveDirection direction() const override { return direction_; }
  DeviceStatus open(uint32_t id, const DeviceFormat& format) override;
  DeviceStatus close(bool force = false) override;
  bool isOpen() const override { return handle_ != nullptr; }
  DeviceStatus prepare(DeviceBuffer* b) override;
  DeviceStatus unprepare(DeviceBuffer* b) override;
  DeviceStatus write(DeviceBuffer* b) override;
  DeviceStatus add(DeviceBuffer* b) override;
  DeviceStatus reset() override;
  DeviceStatus pause() override;
  DeviceStatus restart() override;
  DeviceStatus position(uint64_t* frames) override;
  DeviceBuffer* takeDone() override;

 private:
  void handBack(void* header);
  DeviceStatus submit(DeviceBuffer* b);
  void drain();

  // Frames written to an output device since the open or the last reset: a close waits until the
  // device's position has reached them (see drain()).
  uint64_t written_ = 0;

  WaveDirection direction_;
  void* window_ = nullptr;
  void* handle_ = nullptr;      // HWAVEOUT or HWAVEIN
  void* lastHandle_ = nullptr;  // for the close message that arrives after the close
  DeviceFormat format_;
  std::map<void*, DeviceBuffer*> headers_;  // WAVEHDR -> buffer, for every prepared buffer
  std::deque<void*> order_;                 // headers queued, oldest first
  std::deque<DeviceBuffer*> done_;
  std::vector<void*> leaked_;  // headers a broken driver kept after a forced close
  uint32_t lastRaw_ = 0;       // the driver's 32-bit position, extended to 64 bits
  uint64_t high_ = 0;
};

// The installed devices of each kind, in device-number order (wave devices with their formats).
std::vector<DeviceInfo> WaveOutDevices();
std::vector<DeviceInfo> WaveInDevices();
std::vector<DeviceInfo> MidiOutDevices();
std::vector<DeviceInfo> MidiInDevices();

}  // namespace audio
