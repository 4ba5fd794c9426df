// Raw PCM values: what the editor remembers for files whose filter cannot tell rate, bits or channels
// ([Recent] Samplerate, BitsPerSample, Channels, ByteOrder, Compression, FileOptions) and the last values
// given in the raw-format dialog ([PCM Filter] SampleRate, BitsPerSample, Channels).
#pragma once

#include <cstdint>

#include "document/wave_format.h"

namespace ui {
class SettingsSource;
}

namespace formats {

struct RawPcmValues {
  document::WaveFormat format{44100, 2, 16};
  int32_t byteOrder = 0;
  int32_t compression = 0;
  uint32_t options = 1;  // [Recent] FileOptions: the options of the current filter
};

// Missing values: 44100 Hz, 16 bits, 2 channels, options 1. A null source gives the defaults.
RawPcmValues readRecentRaw(ui::SettingsSource* settings);
void writeRecentRaw(ui::SettingsSource* settings, const RawPcmValues& values);

// [PCM Filter] values (defaults "44100", "16", "2").
document::WaveFormat readPcmFilterDialog(ui::SettingsSource* settings);
void writePcmFilterDialog(ui::SettingsSource* settings, const document::WaveFormat& format);

// Fills the unknown (0) fields of format from defaults.
void fillUnknown(document::WaveFormat* format, const document::WaveFormat& defaults);

}  // namespace formats
