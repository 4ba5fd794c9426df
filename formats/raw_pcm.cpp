// Remembered raw PCM values; see raw_pcm.h.
#include "formats/raw_pcm.h"

#include <string>

#include "ui/settings_source.h"

namespace formats {
namespace {

constexpr const char* kRecent = "Recent";
constexpr const char* kPcmFilter = "PCM Filter";

void writeInt(ui::SettingsSource* s, const char* section, const char* key, int64_t v) {
  s->writeString(section, key, std::to_string(v).c_str());
}

// A value read from the settings file, kept to what a format can hold (0 = unknown, filled later).
uint16_t small(int32_t v) {
  return v > 0 && v <= 0xFFFF ? uint16_t(v) : 0;
}

}  // namespace

RawPcmValues readRecentRaw(ui::SettingsSource* settings) {
  RawPcmValues v;
  if (!settings) return v;
  int32_t rate = settings->getInt(kRecent, "Samplerate", 44100);
  v.format.rate = rate > 0 ? uint32_t(rate) : 0;
  v.format.bits = small(settings->getInt(kRecent, "BitsPerSample", 16));
  v.format.channels = small(settings->getInt(kRecent, "Channels", 2));
  v.byteOrder = settings->getInt(kRecent, "ByteOrder", 0);
  v.compression = settings->getInt(kRecent, "Compression", 0);
  v.options = uint32_t(settings->getInt(kRecent, "FileOptions", 1));
  fillUnknown(&v.format, document::WaveFormat{44100, 2, 16});
  return v;
}

void writeRecentRaw(ui::SettingsSource* settings, const RawPcmValues& v) {
  if (!settings) return;
  writeInt(settings, kRecent, "Samplerate", v.format.rate);
  writeInt(settings, kRecent, "BitsPerSample", v.format.bits);
  writeInt(settings, kRecent, "Channels", v.format.channels);
  writeInt(settings, kRecent, "ByteOrder", v.byteOrder);
  writeInt(settings, kRecent, "Compression", v.compression);
  writeInt(settings, kRecent, "FileOptions", v.options);
}

document::WaveFormat readPcmFilterDialog(ui::SettingsSource* settings) {
  document::WaveFormat f{44100, 2, 16};
  if (!settings) return f;
  int32_t rate = settings->getInt(kPcmFilter, "SampleRate", 44100);
  f.rate = rate > 0 ? uint32_t(rate) : 0;
  f.bits = small(settings->getInt(kPcmFilter, "BitsPerSample", 16));
  f.channels = small(settings->getInt(kPcmFilter, "Channels", 2));
  fillUnknown(&f, document::WaveFormat{44100, 2, 16});
  return f;
}

void writePcmFilterDialog(ui::SettingsSource* settings, const document::WaveFormat& f) {
  if (!settings) return;
  writeInt(settings, kPcmFilter, "SampleRate", f.rate);
  writeInt(settings, kPcmFilter, "BitsPerSample", f.bits);
  writeInt(settings, kPcmFilter, "Channels", f.channels);
}

void fillUnknown(document::WaveFormat* f, const document::WaveFormat& d) {
  if (f->rate == 0) f->rate = d.rate;
  if (f->bits == 0) f->bits = d.bits;
  if (f->channels == 0) f->channels = d.channels;
}

}  // namespace formats
