// Choosing the wave and MIDI devices: finding the saved product names among the installed devices, the
// position quirk flag of the playback device, the texts that describe the playback device in the status
// bar, and what the "Select Wave Device" dialog shows and does, as plain functions over device lists (the
// Windows build enumerates the devices; tests use made-up ones).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace audio {

// One installed device: its product name and, for wave devices, the standard-format bits it supports
// (0x1 11 kHz 8-bit mono, 0x2 8-bit stereo, 0x4 16-bit mono, 0x8 16-bit stereo; 0x10..0x80 the same at
// 22 kHz, 0x100..0x800 at 44 kHz) and its channel count.
struct DeviceInfo {
  std::string name;
  uint32_t formats = 0;
  uint16_t channels = 1;
};

enum class DeviceKind : uint8_t { kWaveOut, kWaveIn, kMidiOut, kMidiIn };
constexpr int kDeviceKinds = 4;
extern const char* const kDeviceKeys[kDeviceKinds];  // "WaveOut", "WaveIn", "MidiOut", "MidiIn"
constexpr size_t kDeviceNameMax = 127;

// The first device whose name equals saved, ignoring case; 0 when none does (or saved is empty).
uint32_t DeviceFindByName(const std::vector<DeviceInfo>& devices, const std::string& saved);

// 2 when "MeterFix" is nonzero, else 1 when the product name begins "SB", else 0.
int DeviceQuirkFlag(const std::string& productName, int meterFix);

// The texts describing the playback device: " %s Installed" and its capability (" Stereo 16-bit 44K
// capability"), or " No Waveform device installed" and " Cannot Play waveforms" without one.
struct DeviceStatusTexts {
  std::string installed;
  std::string capability;
};
DeviceStatusTexts DeviceDescribe(const DeviceInfo* device);
std::string DeviceCapabilityText(const DeviceInfo& device);

// A capability grid: rows 11K, 22K, 44K; columns 8-bit mono, 8-bit stereo, 16-bit mono, 16-bit stereo;
// row by row, "Yes" or "-".
using CapabilityGrid = std::array<const char*, 12>;
CapabilityGrid DeviceCapabilityGrid(uint32_t formats);
constexpr int kRecordGridFirstCell = 3123;  // the 12 cells of "Recording Capabilities"
constexpr int kPlayGridFirstCell = 3135;    // ... of "Playback Capabilities"

// The devices in use and the switches the dialog sets.
struct DeviceChoice {
  uint32_t id[kDeviceKinds] = {0, 0, 0, 0};
  int quirkFlag = 0;
  bool convert16to8 = false;
};

// Start-up: each kind's saved name looked up in its device list, then the quirk flag.
DeviceChoice DeviceChooseAtStart(const std::vector<DeviceInfo> (&devices)[kDeviceKinds],
                                 const std::string (&saved)[kDeviceKinds], int meterFix, bool convert16to8);
// The dialog's OK: the list selections (-1: none selected, the old number stays), the quirk flag from the
// new playback device and "MeterFix", the 8-bit switch.
DeviceChoice DeviceDialogApply(const DeviceChoice& old, const int (&selection)[kDeviceKinds],
                               const std::vector<DeviceInfo> (&devices)[kDeviceKinds], int meterFix,
                               bool convert16to8);
// The names to save; empty for a kind without devices (its key is not written).
std::string DeviceSavedName(const std::vector<DeviceInfo>& devices, uint32_t id);

// Reading and writing the "System" keys of a settings file (and "MeterFix" of "Settings").
void DeviceLoadNames(const char* file, std::string (&saved)[kDeviceKinds], int* meterFix);
bool DeviceSaveNames(const char* file, const DeviceChoice& choice,
                     const std::vector<DeviceInfo> (&devices)[kDeviceKinds]);

}  // namespace audio
