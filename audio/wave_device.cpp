// Texts of the device layer's status codes.
#include "audio/wave_device.h"

namespace audio {

const char* DeviceStatusText(DeviceStatus status) {
  switch (status) {
    case DeviceStatus::kOk:
      return "The command completed successfully.";
    case DeviceStatus::kError:
      return "An unspecified error occurred in the wave device.";
    case DeviceStatus::kBadDeviceId:
      return "The specified wave device does not exist.";
    case DeviceStatus::kNoDevice:
      return "No wave device is installed, or its driver is missing.";
    case DeviceStatus::kAllocated:
      return "The wave device is already in use. Close the program or player that uses it and try again.";
    case DeviceStatus::kNoMemory:
      return "The wave device driver could not allocate enough memory.";
    case DeviceStatus::kNotSupported:
      return "The wave device driver does not support this function.";
    case DeviceStatus::kBadFormat:
      return "The sample format is not supported by the wave device.";
    case DeviceStatus::kSyncOnly:
      return "The wave device is synchronous and cannot be used this way.";
    case DeviceStatus::kStillPlaying:
      return "The wave device still holds buffers.";
    case DeviceStatus::kUnprepared:
      return "A wave buffer was used without being prepared.";
    case DeviceStatus::kInvalidHandle:
      return "The wave device is not open.";
    case DeviceStatus::kInvalidParam:
      return "A wave device function was called with an invalid argument.";
  }
  return "Unknown wave device error.";
}

}  // namespace audio
