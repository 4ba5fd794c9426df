// The level meter's settings file section and its context-menu commands: loading and saving the "Meter"
// keys, the check marks of the menu, and what each command does to the meter. Portable, so the command
// behaviour is tested without a window.
#pragma once

#include <cstdint>

#include "audio/meter.h"

namespace audio {

extern const char kMeterSection[];  // "Meter"

// Reads the "Meter" section of a settings file (defaults for missing keys; negative times replaced).
MeterSettings MeterLoadSettings(const char* file);
// Writes every key with "%d". Returns false when the file could not be written.
bool MeterSaveSettings(const MeterSettings& s, const char* file);

// The high word of the owner notification telling whether DC adjustment is on or off.
constexpr int kMeterNotifyDcOn = 2;
constexpr int kMeterNotifyDcOff = 3;

// Whether a context-menu item shows a check mark.
bool MeterMenuChecked(const MeterSettings& s, int command);

struct MeterCommandResult {
  bool handled = false;    // a meter menu command
  bool startStop = false;  // pass the start/stop request to the owner
  int dcNotify = 0;        // kMeterNotifyDcOn / Off when DC adjustment changed
  bool repaint = false;    // the whole meter must be repainted
};

// Carries out a context-menu command (328..339), appending what to paint at once.
MeterCommandResult MeterCommand(MeterState* m, int command, uint32_t now, MeterPaintList* ops);

// The "ShowOnPlay" switch; switching it off resets the bars.
void MeterSetShowOnPlay(MeterState* m, bool on, uint32_t now, MeterPaintList* ops);

}  // namespace audio
