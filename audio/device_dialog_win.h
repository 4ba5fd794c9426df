// The "Select Wave Device" dialog (dialog 114) and the winmm enumeration of the installed devices. The
// choices themselves are worked out by device_choice.h; this file only shows them.
#pragma once

#include <vector>

#include "audio/device_choice.h"
#include "platform/win32.h"

namespace audio {

// The installed devices of the four kinds (wave out, wave in, MIDI out, MIDI in), in device-number order.
// A device whose query fails keeps its place with an empty name and no formats.
void DeviceEnumerate(std::vector<DeviceInfo> (&devices)[kDeviceKinds]);

// Shows the dialog over owner with *choice selected. OK stores the new choice (quirk flag from the new
// playback device and meterFix) and returns true; Cancel or closing the window returns false and changes
// nothing.
bool DeviceDialogRun(HINSTANCE instance, HWND owner, const std::vector<DeviceInfo> (&devices)[kDeviceKinds],
                     int meterFix, DeviceChoice* choice);

}  // namespace audio
