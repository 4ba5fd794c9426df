// Device choice (see device_choice.h).
#include "audio/device_choice.h"

#include <cctype>

#include "platform/profile.h"

namespace audio {

const char* const kDeviceKeys[kDeviceKinds] = {"WaveOut", "WaveIn", "MidiOut", "MidiIn"};

namespace {

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// Bits of a format kind (col 0..3) at a rate row (0..2).
uint32_t Bit(int row, int col) {
  return 1u << (row * 4 + col);
}

// "16-bit " / "8-bit " and the highest rate for mono (stereo = false) or stereo formats.
std::string KindText(uint32_t formats, bool stereo) {
  const int c8 = stereo ? 1 : 0, c16 = stereo ? 3 : 2;
  bool any16 = false;
  int top = -1;
  for (int row = 0; row < 3; ++row) {
    if (formats & Bit(row, c16)) any16 = true;
    if (formats & (Bit(row, c8) | Bit(row, c16))) top = row;
  }
  static const char* const kRates[] = {"11K ", "22K ", "44K "};
  return std::string(any16 ? "16-bit " : "8-bit ") + (top < 0 ? "??K " : kRates[top]);
}

}  // namespace

uint32_t DeviceFindByName(const std::vector<DeviceInfo>& devices, const std::string& saved) {
  if (saved.empty()) return 0;
  for (size_t i = 0; i < devices.size(); ++i)
    if (SameText(devices[i].name, saved)) return uint32_t(i);
  return 0;
}

int DeviceQuirkFlag(const std::string& productName, int meterFix) {
  if (meterFix != 0) return 2;
  return productName.compare(0, 2, "SB") == 0 ? 1 : 0;
}

std::string DeviceCapabilityText(const DeviceInfo& d) {
  // A device that names no channel count but lists stereo formats is stereo too.
  constexpr uint32_t kStereoBits = 0x2 | 0x8 | 0x20 | 0x80 | 0x200 | 0x800;
  const bool stereo = d.channels >= 2 || (d.formats & kStereoBits) != 0;
  std::string text = stereo ? " Stereo " : " Mono ";
  const std::string main = KindText(d.formats, stereo);
  text += main;
  if (stereo) {
    const std::string mono = KindText(d.formats, false);
    if (mono != main) text += "/ Mono " + mono;
  }
  return text + "capability";
}

DeviceStatusTexts DeviceDescribe(const DeviceInfo* device) {
  if (!device) return {" No Waveform device installed", " Cannot Play waveforms"};
  return {" " + device->name + " Installed", DeviceCapabilityText(*device)};
}

CapabilityGrid DeviceCapabilityGrid(uint32_t formats) {
  CapabilityGrid g;
  for (int i = 0; i < 12; ++i) g[size_t(i)] = (formats & (1u << i)) ? "Yes" : "-";
  return g;
}

DeviceChoice DeviceChooseAtStart(const std::vector<DeviceInfo> (&devices)[kDeviceKinds],
                                 const std::string (&saved)[kDeviceKinds], int meterFix, bool convert16to8) {
  DeviceChoice c;
  for (int k = 0; k < kDeviceKinds; ++k) c.id[k] = DeviceFindByName(devices[k], saved[k]);
  const auto& out = devices[int(DeviceKind::kWaveOut)];
  const uint32_t o = c.id[int(DeviceKind::kWaveOut)];
  c.quirkFlag = o < out.size() ? DeviceQuirkFlag(out[o].name, meterFix) : (meterFix ? 2 : 0);
  c.convert16to8 = convert16to8;
  return c;
}

DeviceChoice DeviceDialogApply(const DeviceChoice& old, const int (&selection)[kDeviceKinds],
                               const std::vector<DeviceInfo> (&devices)[kDeviceKinds], int meterFix,
                               bool convert16to8) {
  DeviceChoice c = old;
  for (int k = 0; k < kDeviceKinds; ++k)
    if (selection[k] >= 0 && size_t(selection[k]) < devices[k].size()) c.id[k] = uint32_t(selection[k]);
  const auto& out = devices[int(DeviceKind::kWaveOut)];
  const uint32_t o = c.id[int(DeviceKind::kWaveOut)];
  c.quirkFlag = o < out.size() ? DeviceQuirkFlag(out[o].name, meterFix) : (meterFix ? 2 : 0);
  c.convert16to8 = convert16to8;
  return c;
}

std::string DeviceSavedName(const std::vector<DeviceInfo>& devices, uint32_t id) {
  if (devices.empty()) return std::string();
  const std::string& n = devices[id < devices.size() ? id : 0].name;
  return n.substr(0, kDeviceNameMax);
}

void DeviceLoadNames(const char* file, std::string (&saved)[kDeviceKinds], int* meterFix) {
  for (int k = 0; k < kDeviceKinds; ++k) {
    saved[k] = platform::profileGet("System", kDeviceKeys[k], "", file);
    if (saved[k].size() > kDeviceNameMax) saved[k].resize(kDeviceNameMax);
  }
  if (meterFix) *meterFix = platform::profileGetInt("Settings", "MeterFix", 0, file);
}

bool DeviceSaveNames(const char* file, const DeviceChoice& choice,
                     const std::vector<DeviceInfo> (&devices)[kDeviceKinds]) {
  bool ok = true;
  for (int k = 0; k < kDeviceKinds; ++k) {
    if (devices[k].empty()) continue;
    ok = platform::profileWriteString("System", kDeviceKeys[k],
                                      DeviceSavedName(devices[k], choice.id[k]).c_str(), file) &&
         ok;
  }
  return ok;
}

}  // namespace audio
