// The level meter window, class "SornMeter7": one process-wide meter, a child of the main window, showing
// a bar per channel with fall-off, peak and valley lines, clip boxes and a dB scale. The audio engines feed
// it blocks of device audio; the user clears clips by clicking a clip box, asks the owner to start or stop
// metering by double-clicking a bar, and sets it up through the right-button menu. Its owner receives
// WM_COMMAND with lParam = the meter window: the meter's id alone for start/stop, and id | 0x20000 or
// id | 0x30000 when DC adjustment is on or off (also once at creation with the loaded setting). The "Meter"
// settings are read from the settings file at creation and written back when the window is destroyed.
#pragma once

#include <cstddef>

#include "platform/win32.h"

namespace audio {

extern const char kMeterClass[];  // "SornMeter7"

bool MeterRegister(HINSTANCE instance);
void MeterUnregister(HINSTANCE instance);

// Creates the meter as a visible child with control id `id`, reading its settings from settingsFile (a
// bare name lives in the Windows directory; null: defaults, nothing saved). Returns null when it cannot be
// created or a meter already exists. The context menu is loaded from the instance passed to MeterRegister.
HWND MeterCreate(HWND parent, int x, int y, int w, int h, int id, const char* settingsFile);
HWND MeterWindow();  // the meter, or null

// Measures a block of device audio (8- or 16-bit, 1 or 2 channels) and updates the bars; null data resets
// them. Returns false for a format the meter cannot measure.
bool MeterFeed(const void* data, size_t bytes, int bitsPerSample, int channels);
// Peak levels as fractions of full scale; -1 turns the bars off.
void MeterSetLevels(double left, double right);
// Lays the meter out for 1 or 2 bars, optionally clearing the clip indicators.
void MeterSetChannels(int channels, bool clearClips);
// The bar's range in dB (6 .. 120).
void MeterSetRange(int dB);
// The "ShowOnPlay" switch: feed the meter during playback and recording. Switching it off resets the bars.
void MeterShowOnPlay(bool on);
bool MeterIsShownOnPlay();

}  // namespace audio
