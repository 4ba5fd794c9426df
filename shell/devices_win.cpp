// Start-up device choice: for wave output and input and MIDI output and input, the first device whose
// product name equals the name kept in [System] (any letter case), else device 0; and what the chosen
// wave output device can do, for the status texts.
// clang-format off
#include "platform/win32.h"  // before the other system headers
#include <mmsystem.h>
// clang-format on

#include <string>
#include <vector>

#include "shell/app_state.h"
#include "shell/win_shell.h"

namespace shell {
namespace {

template <typename Caps, typename GetCaps>
std::vector<std::string> productNames(UINT count, GetCaps get) {
  std::vector<std::string> names;
  for (UINT i = 0; i < count; ++i) {
    Caps caps = {};
    names.push_back(get(i, &caps, sizeof caps) == MMSYSERR_NOERROR ? std::string(caps.szPname)
                                                                   : std::string());
  }
  return names;
}

int choose(const std::vector<std::string>& names, const std::string& wanted, ChosenDevice* out) {
  out->exists = !names.empty();
  int id = chooseDeviceByName(names, wanted);
  out->productName = names.empty() ? std::string() : names[static_cast<size_t>(id)];
  return id;
}

}  // namespace

WaveOutCaps chooseDevicesByName(Settings* s, int ids[4]) {
  auto waveOut = productNames<WAVEOUTCAPSA>(
      waveOutGetNumDevs(), [](UINT i, WAVEOUTCAPSA* c, UINT n) { return waveOutGetDevCapsA(i, c, n); });
  auto waveIn = productNames<WAVEINCAPSA>(
      waveInGetNumDevs(), [](UINT i, WAVEINCAPSA* c, UINT n) { return waveInGetDevCapsA(i, c, n); });
  auto midiOut = productNames<MIDIOUTCAPSA>(
      midiOutGetNumDevs(), [](UINT i, MIDIOUTCAPSA* c, UINT n) { return midiOutGetDevCapsA(i, c, n); });
  auto midiIn = productNames<MIDIINCAPSA>(
      midiInGetNumDevs(), [](UINT i, MIDIINCAPSA* c, UINT n) { return midiInGetDevCapsA(i, c, n); });
  ids[0] = choose(waveOut, s->wantedWaveOut, &s->waveOut);
  ids[1] = choose(waveIn, s->wantedWaveIn, &s->waveIn);
  ids[2] = choose(midiOut, s->wantedMidiOut, &s->midiOut);
  ids[3] = choose(midiIn, s->wantedMidiIn, &s->midiIn);

  WaveOutCaps result;
  WAVEOUTCAPSA caps = {};
  if (!waveOut.empty() &&
      waveOutGetDevCapsA(static_cast<UINT>(ids[0]), &caps, sizeof caps) == MMSYSERR_NOERROR) {
    result.queried = true;
    result.productName = caps.szPname;
    result.formats = caps.dwFormats;
    result.channels = caps.wChannels;
  }
  return result;
}

}  // namespace shell
