// Start-up device choice: for wave output and input and MIDI output and input, the first device whose
// product name equals the name kept in [System] (any letter case), else device 0; and what the chosen
// wave output device can do, for the status texts.
#include <string>
#include <vector>

#include "audio/device_choice.h"
#include "audio/device_dialog_win.h"
#include "shell/app_state.h"
#include "shell/win_shell.h"

namespace shell {

void chooseDevicesByName(Settings* s, int ids[4], DeviceStatus* status) {
  std::vector<audio::DeviceInfo> devices[audio::kDeviceKinds];
  audio::DeviceEnumerate(devices);
  const std::string saved[audio::kDeviceKinds] = {s->wantedWaveOut, s->wantedWaveIn, s->wantedMidiOut,
                                                  s->wantedMidiIn};
  const audio::DeviceChoice c = audio::DeviceChooseAtStart(devices, saved, s->meterFix, s->convert16to8New);
  ChosenDevice* chosen[audio::kDeviceKinds] = {&s->waveOut, &s->waveIn, &s->midiOut, &s->midiIn};
  for (int k = 0; k < audio::kDeviceKinds; ++k) {
    ids[k] = int(c.id[k]);
    chosen[k]->exists = !devices[k].empty();
    chosen[k]->productName = audio::DeviceSavedName(devices[k], c.id[k]);
  }
  // A device whose query failed has no name: it is described as no device at all.
  const audio::DeviceInfo* out =
      c.id[0] < devices[0].size() && !devices[0][c.id[0]].name.empty() ? &devices[0][c.id[0]] : nullptr;
  const audio::DeviceStatusTexts t = audio::DeviceDescribe(out);
  status->deviceText = t.installed;
  status->capabilityText = t.capability;
  status->quirkFlag = c.quirkFlag;
}

}  // namespace shell
