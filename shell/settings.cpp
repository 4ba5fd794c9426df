// Loading, normalising and saving the settings of "SORN.INI".
#include "shell/settings.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

namespace shell {

const char* const kDisplayColourKeys[kDisplayColourCount] = {
    "Waveform", "Background", "Zoomed",   "Grid",   "WaveformSel", "BackgroundSel", "ZoomedSel",
    "GridSel",  "Center",     "Boundary", "Cursor", "SpectralLow", "SpectralHigh"};
const char* const kDisplayColourDefaults[kDisplayColourCount] = {
    "0,255,0", "0,0,0",   "0,128,0", "0,0,128",   "0,0,128", "0,255,255",  "0,0,255",
    "0,255,0", "255,0,0", "128,0,0", "255,255,0", "0,32,13", "240,255,220"};

namespace {

constexpr const char* kSize = "Size";
constexpr const char* kSettingsSec = "Settings";
constexpr const char* kSystem = "System";
constexpr const char* kPaste = "Paste Special";
constexpr const char* kSilence = "Silence";
constexpr const char* kRecent = "Recent";
constexpr const char* kColors = "Colors";

constexpr uint32_t kYesNoChars = 8;
constexpr uint32_t kRealChars = 63;
constexpr uint32_t kDeviceChars = 127;

long partAfterComma(const std::string& text, int commas) {
  size_t pos = 0;
  for (int i = 0; i < commas; ++i) {
    pos = text.find(',', pos);
    if (pos == std::string::npos) return 0;
    ++pos;
  }
  return ui::parseProfileInt(text.substr(pos), 0);
}

int clampByte(long v) {
  return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v);
}

// The yes/no rule: true when the first character is Y or y. (The two keys stored upper-cased compare
// their upper-cased text with "Y", which gives the same answer.)
bool readYesNo(ui::SettingsSource& src, const SettingKey& k) {
  std::string v = src.getString(k.section, k.key, k.textDefault, k.maxChars);
  return !v.empty() && (v[0] == 'Y' || v[0] == 'y');
}

// Reals are text converted like atof: text without a number reads as 0.
double readReal(ui::SettingsSource& src, const SettingKey& k) {
  std::string v = src.getString(k.section, k.key, k.textDefault, k.maxChars);
  return std::strtod(v.c_str(), nullptr);
}

// A real kept as an integer, converted without undefined behaviour for huge or non-finite values.
int32_t realToInt(double v) {
  if (!std::isfinite(v)) return 0;
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

void writeInt(ui::SettingsSource& dst, const SettingKey& k, long v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%ld", v);
  dst.writeString(k.section, k.key, buf);
}

void writeReal(ui::SettingsSource& dst, const SettingKey& k, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", v);
  dst.writeString(k.section, k.key, buf);
}

// ---------------------------------------------------------------------------------------------------------
// The rows of the table, one maker per type; each sets the text length its reader uses.

constexpr uint32_t kIntChars = 0;  // integers read with an integer default are not cut

// The field a row reads into and writes from, by its type.
void bind(SettingKey& k, int32_t Settings::*f) {
  k.integer = f;
}
void bind(SettingKey& k, double Settings::*f) {
  k.real = f;
}
void bind(SettingKey& k, bool Settings::*f) {
  k.flag = f;
}
void bind(SettingKey& k, std::string Settings::*f) {
  k.text = f;
}
void bind(SettingKey& k, Colour Settings::*f) {
  k.colour = f;
}
void bind(SettingKey&, std::nullptr_t) {}
void setDefault(SettingKey& k, int32_t def) {
  k.intDefault = def;
}
void setDefault(SettingKey& k, const char* def) {
  k.textDefault = def;
}

template <typename Field, typename Default>
SettingKey row(const char* sec, const char* key, SettingType type, uint32_t chars, Field field, Default def) {
  SettingKey k;
  k.section = sec;
  k.key = key;
  k.type = type;
  k.maxChars = chars;
  bind(k, field);
  setDefault(k, def);
  return k;
}
SettingKey ranged(SettingKey k, double lo, double hi) {
  k.lo = lo;
  k.hi = hi;
  return k;
}
SettingKey intKey(const char* sec, const char* key, int32_t Settings::*f, int32_t def) {
  return row(sec, key, SettingType::kInt, kIntChars, f, def);
}
SettingKey intTextKey(const char* sec, const char* key, int32_t Settings::*f, const char* def,
                      uint32_t chars) {
  return row(sec, key, SettingType::kIntText, chars, f, def);
}
SettingKey realAsIntKey(const char* sec, const char* key, int32_t Settings::*f, const char* def) {
  return row(sec, key, SettingType::kRealAsInt, kRealChars, f, def);
}
SettingKey intAsRealKey(const char* sec, const char* key, double Settings::*f, int32_t def) {
  return row(sec, key, SettingType::kIntAsReal, kIntChars, f, def);
}
SettingKey realKey(const char* sec, const char* key, double Settings::*f, const char* def) {
  return row(sec, key, SettingType::kReal, kRealChars, f, def);
}
SettingKey yesNoKey(const char* sec, const char* key, bool Settings::*f, const char* def) {
  return row(sec, key, SettingType::kYesNo, kYesNoChars, f, def);
}
SettingKey alwaysNoKey(const char* sec, const char* key, const char* def) {
  return row(sec, key, SettingType::kAlwaysNo, kYesNoChars, nullptr, def);
}
SettingKey textKey(const char* sec, const char* key, std::string Settings::*f, const char* def,
                   uint32_t chars) {
  return row(sec, key, SettingType::kText, chars, f, def);
}
SettingKey deviceKey(const char* key, std::string Settings::*wanted, ChosenDevice Settings::*chosen) {
  SettingKey k = row(kSystem, key, SettingType::kDevice, kDeviceChars, wanted, "");
  k.device = chosen;
  return k;
}
SettingKey colourKey(const char* key, Colour Settings::*f, const char* def) {
  return row(kColors, key, SettingType::kColour, kRealChars, f, def);
}
SettingKey displayColourKey(int index) {
  SettingKey k = row(kColors, kDisplayColourKeys[index], SettingType::kColour, kRealChars, nullptr,
                     kDisplayColourDefaults[index]);
  k.displayColour = index;
  return k;
}
SettingKey displayModeKey(int32_t def) {
  return row(kSettingsSec, "DisplayMode", SettingType::kDisplayMode, kIntChars, &Settings::displayMode, def);
}
SettingKey constantKey(const char* sec, const char* key, const char* text) {
  return row(sec, key, SettingType::kConstant, 0, nullptr, text);
}
SettingKey with(SettingKey k, SettingUse use, const char* why) {
  k.use = use;
  k.why = why;
  return k;
}

// The main window writes its own placement and open windows when it closes.
constexpr const char* kWindowKey = "written by the main window as it closes, not by the save routine";
// The palette's pen, brush and spectral ends share their keys with display colours, which write them back.
constexpr const char* kSharedColour = "shares its key with a display colour, which is the one written";

// One row per key, in the order of the file's sections; a list rather than logic, so it stays whole.
std::vector<SettingKey> makeSettingKeys() {
  constexpr double kNone = HUGE_VAL;
  using S = Settings;
  std::vector<SettingKey> t = {
      with(intKey(kSize, "XLoc", &S::xLoc, INT32_MIN), SettingUse::kLoadOnly, kWindowKey),
      with(intKey(kSize, "YLoc", &S::yLoc, 0), SettingUse::kLoadOnly, kWindowKey),
      with(intKey(kSize, "X", &S::clientWidth, 610), SettingUse::kLoadOnly, kWindowKey),
      with(intKey(kSize, "Y", &S::clientHeight, 340), SettingUse::kLoadOnly, kWindowKey),
      with(intKey(kSize, "NoPlayBar", &S::noPlayBar, 0), SettingUse::kLoadOnly,
           "read for files of older versions; no version of this program writes it"),
      with(intKey(kSize, "CueList", &S::cueList, 0), SettingUse::kLoadOnly, kWindowKey),
      with(intKey(kSize, "PlayList", &S::playList, 0), SettingUse::kLoadOnly, kWindowKey),
      with(intKey(kSize, "Analyzer", &S::analyzer, 0), SettingUse::kLoadOnly, kWindowKey),

      intKey(kSettingsSec, "MeterFix", &S::meterFix, 0),
      intKey(kSettingsSec, "AutoFillInfo", &S::autoFillInfo, 0),
      intKey(kSettingsSec, "AutoPlayOnLoad", &S::autoPlayOnLoad, 1),
      displayModeKey(57),
      ranged(intKey(kSettingsSec, "PeakBlockSize", &S::peakBlockSize, 256), kMinPeakBlockSize,
             kMaxPeakBlockSize),
      intKey(kSettingsSec, "SavePeakFiles", &S::savePeakFiles, 1),
      realKey(kSettingsSec, "BoundaryLine", &S::boundaryLine, "-1"),
      ranged(intKey(kSettingsSec, "UndoLevels", &S::undoLevels, 5), kMinUndoLevels, kNone),
      ranged(intKey(kSettingsSec, "MaxDisplayTime", &S::maxDisplayTime, 0), 0, kMaxDisplayTimeLimit),
      ranged(intTextKey(kSettingsSec, "CacheSize", &S::cacheSizeKB, "2048", 15), kMinCacheSizeKB, kNone),
      intKey(kSettingsSec, "UseSystemCache", &S::useSystemCache, 0),
      intKey(kSettingsSec, "UseASync", &S::useASync, 0),
      with(constantKey(kSettingsSec, "NT", "No"), SettingUse::kSaveOnly,
           "tells other readers of the file which build wrote it; nothing here reads it"),

      deviceKey("WaveOut", &S::wantedWaveOut, &S::waveOut),
      deviceKey("WaveIn", &S::wantedWaveIn, &S::waveIn),
      deviceKey("MidiOut", &S::wantedMidiOut, &S::midiOut),
      deviceKey("MidiIn", &S::wantedMidiIn, &S::midiIn),
      ranged(realKey(kSystem, "BufferSize", &S::bufferSize, "4.0"), kMinBufferSeconds, kMaxBufferSeconds),
      ranged(intKey(kSystem, "NumBuffers", &S::numBuffers, 8), kMinNumBuffers, kMaxNumBuffers),
      intTextKey(kSystem, "SaveMode", &S::saveMode, "0", 4),
      intTextKey(kSystem, "ViewingMode", &S::viewingMode, "0", 4),
      yesNoKey(kSystem, "PasteHilite", &S::pasteHilite, "YES"),
      alwaysNoKey(kSystem, "SmoothDelete", "YES"),
      yesNoKey(kSystem, "LiveUpdate", &S::liveUpdate, "NO"),
      alwaysNoKey(kSystem, "AutoConvertTo32", "NO"),
      yesNoKey(kSystem, "TempCompressed", &S::tempCompressed, "YES"),
      yesNoKey(kSystem, "UseOldStyleBoxes", &S::useOldStyleBoxes, "NO"),
      yesNoKey(kSystem, "Convert16to8New", &S::convert16to8New, "NO"),
      yesNoKey(kSystem, "Undo", &S::undo, "YES"),
      yesNoKey(kSystem, "PlayFromCursor", &S::playFromCursor, "YES"),
      yesNoKey(kSystem, "FilePreviewInfo", &S::filePreviewInfo, "YES"),
      yesNoKey(kSystem, "AutoDownFilter", &S::autoDownFilter, "NO"),
      yesNoKey(kSystem, "AutoUpFilter", &S::autoUpFilter, "NO"),
      ranged(realKey(kSystem, "AutoDither32to16", &S::autoDither32to16, "1.0"), kMinDither, kMaxDither),
      ranged(realAsIntKey(kSystem, "AutoDownQuality", &S::autoDownQuality, "80"), kMinQuality, kMaxQuality),
      ranged(realAsIntKey(kSystem, "AutoUpQuality", &S::autoUpQuality, "120"), kMinQuality, kMaxQuality),
      ranged(realAsIntKey(kSystem, "MinPreviewBufInMs", &S::minPreviewBufInMs, "250"), kMinPreviewBufMs,
             kMaxPreviewBufMs),
      ranged(realKey(kSystem, "MegsFreeOnTemp1", &S::megsFreeOnTemp1, "10"), 0.0, kMaxMegsFree),
      ranged(realKey(kSystem, "MegsFreeOnTemp2", &S::megsFreeOnTemp2, "10"), 0.0, kMaxMegsFree),
      yesNoKey(kSystem, "AutoCrossfade", &S::autoCrossfade, "YES"),
      realKey(kSystem, "AutoCrossfadeSize", &S::autoCrossfadeSize, "3.0"),
      realKey(kSystem, "AnalysisRange", &S::analysisRange, "120.0"),
      realAsIntKey(kSystem, "AnalysisSize", &S::analysisSize, "2048"),
      realAsIntKey(kSystem, "AnalysisWindowType", &S::analysisWindowType, "5"),
      yesNoKey(kSystem, "FileSaveExtraInfo", &S::fileSaveExtraInfo, "YES"),
      yesNoKey(kSystem, "ToolHelp", &S::toolHelp, "YES"),
      yesNoKey(kSystem, "PreviewFiles", &S::previewFiles, "NO"),
      intKey(kSystem, "SpectrumResolution", &S::spectrumResolution, 7),
      intKey(kSystem, "TimeCodeFrames", &S::timeCodeFrames, 30),
      intKey(kSystem, "TimeModeV", &S::timeModeV, 0),
      intKey(kSystem, "TimeMode", &S::timeMode, 0),
      intKey(kSystem, "LoTimeMode", &S::loTimeMode, 0),
      intKey(kSystem, "HiTimeMode", &S::hiTimeMode, 0),
      intKey(kSystem, "WindowType", &S::windowType, 3),
      intKey(kSystem, "SpectralMode", &S::spectralMode, 0),
      realKey(kSystem, "SpectrumRange", &S::spectrumRange, "120"),

      realKey(kPaste, "Right", &S::pasteRight, "1.0"),
      realKey(kPaste, "Left", &S::pasteLeft, "1.0"),
      realKey(kPaste, "CrossfadeTime", &S::crossfadeTime, "50"),
      intAsRealKey(kPaste, "Loops", &S::loops, 3),
      intKey(kPaste, "Overlap", &S::overlap, 1),
      intKey(kPaste, "Loop", &S::loop, 0),
      intKey(kPaste, "Crossfade", &S::crossfade, 0),
      realKey(kSilence, "Duration", &S::silenceDuration, "10.0"),
      with(textKey(kRecent, "FileFilter", &S::fileFilter, "", 23), SettingUse::kLoadAndSaveRecent, nullptr),
      with(intTextKey(kRecent, "FileOptions", &S::fileOptions, "1", 15), SettingUse::kLoadAndSaveRecent,
           nullptr),

      intKey(kColors, "SpectralReverse", &S::spectralReverse, 1),
      with(colourKey("Waveform", &S::waveformColour, "0,255,0"), SettingUse::kLoadOnly, kSharedColour),
      with(colourKey("Background", &S::backgroundColour, "0,0,0"), SettingUse::kLoadOnly, kSharedColour),
      with(colourKey("SpectralHigh", &S::paletteHigh, "240,255,220"), SettingUse::kLoadOnly, kSharedColour),
      with(colourKey("SpectralLow", &S::paletteLow, "0,32,32"), SettingUse::kLoadOnly, kSharedColour),
  };
  for (int i = 0; i < kDisplayColourCount; ++i) t.push_back(displayColourKey(i));
  return t;
}

// ---------------------------------------------------------------------------------------------------------
// Reading, normalising and writing one key.

Colour& colourField(Settings& s, const SettingKey& k) {
  return k.displayColour >= 0 ? s.display[k.displayColour] : s.*k.colour;
}
Colour colourField(const Settings& s, const SettingKey& k) {
  return k.displayColour >= 0 ? s.display[k.displayColour] : s.*k.colour;
}

void loadKey(ui::SettingsSource& src, const SettingKey& k, Settings& s) {
  switch (k.type) {
    case SettingType::kInt:
    case SettingType::kDisplayMode:
      s.*k.integer = src.getInt(k.section, k.key, k.intDefault);
      break;
    case SettingType::kIntText:
      s.*k.integer = ui::parseProfileInt(src.getString(k.section, k.key, k.textDefault, k.maxChars), 0);
      break;
    case SettingType::kRealAsInt:
      s.*k.integer = realToInt(readReal(src, k));
      break;
    case SettingType::kIntAsReal:
      s.*k.real = src.getInt(k.section, k.key, k.intDefault);
      break;
    case SettingType::kReal:
      s.*k.real = readReal(src, k);
      break;
    case SettingType::kYesNo:
      s.*k.flag = readYesNo(src, k);
      break;
    case SettingType::kAlwaysNo:
      readYesNo(src, k);  // read as other versions do; the option stays off
      break;
    case SettingType::kText:
    case SettingType::kDevice:
      s.*k.text = src.getString(k.section, k.key, k.textDefault, k.maxChars);
      break;
    case SettingType::kColour:
      colourField(s, k) = parseColour(src.getString(k.section, k.key, k.textDefault, k.maxChars));
      break;
    case SettingType::kConstant:
      break;
  }
}

template <typename T>
void clampTo(T* v, double lo, double hi) {
  if (*v < lo) *v = static_cast<T>(lo);
  if (*v > hi) *v = static_cast<T>(hi);
}

// A real that is not finite takes its key's default; then every value is clamped to its key's range.
void normaliseKey(const SettingKey& k, Settings& s) {
  if (k.type == SettingType::kReal) {
    double* v = &(s.*k.real);
    if (!std::isfinite(*v)) *v = std::strtod(k.textDefault, nullptr);
    clampTo(v, k.lo, k.hi);
  } else if (k.integer) {
    clampTo(&(s.*k.integer), k.lo, k.hi);
  }
}

void saveKey(const Settings& s, const SettingKey& k, ui::SettingsSource& dst) {
  switch (k.type) {
    case SettingType::kInt:
    case SettingType::kIntText:
    case SettingType::kRealAsInt:
      writeInt(dst, k, s.*k.integer);
      break;
    case SettingType::kDisplayMode:
      writeInt(dst, k, normaliseDisplayModeForSave(s.*k.integer));
      break;
    case SettingType::kIntAsReal:
      writeInt(dst, k, realToInt(s.*k.real));
      break;
    case SettingType::kReal:
      writeReal(dst, k, s.*k.real);
      break;
    case SettingType::kYesNo:
    case SettingType::kAlwaysNo:
      dst.writeString(k.section, k.key, k.type == SettingType::kYesNo && s.*k.flag ? "Yes" : "No");
      break;
    case SettingType::kText:
      dst.writeString(k.section, k.key, (s.*k.text).c_str());
      break;
    case SettingType::kDevice:
      if ((s.*k.device).exists) dst.writeString(k.section, k.key, (s.*k.device).productName.c_str());
      break;
    case SettingType::kColour:
      dst.writeString(k.section, k.key, formatColour(colourField(s, k)).c_str());
      break;
    case SettingType::kConstant:
      dst.writeString(k.section, k.key, k.textDefault);
      break;
  }
}

}  // namespace

Colour parseColour(const std::string& text) {
  return makeColour(clampByte(partAfterComma(text, 0)), clampByte(partAfterComma(text, 1)),
                    clampByte(partAfterComma(text, 2)));
}

std::string formatColour(Colour c) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%ld,%ld,%ld", static_cast<long>(c & 0xFF),
                static_cast<long>((c >> 8) & 0xFF), static_cast<long>((c >> 16) & 0xFF));
  return buf;
}

int32_t normaliseDisplayModeAtLoad(int32_t mode) {
  if (!(mode & (kDisplayWaveform | kDisplaySpectral))) mode |= kDisplayWaveform;
  return (mode | 0x30) & ~0x08;
}

int32_t normaliseDisplayModeForSave(int32_t mode) {
  if (!(mode & (kDisplayWaveform | kDisplaySpectral))) mode |= kDisplayWaveform;
  return (mode | 0x10) & ~0x08;
}

Settings::Settings() {
  for (int i = 0; i < kDisplayColourCount; ++i) display[i] = parseColour(kDisplayColourDefaults[i]);
}

int64_t Settings::reserve1Bytes() const {
  return static_cast<int64_t>(megsFreeOnTemp1 * 1048576.0);
}
int64_t Settings::reserve2Bytes() const {
  return static_cast<int64_t>(megsFreeOnTemp2 * 1048576.0);
}

const std::vector<SettingKey>& settingKeys() {
  static const std::vector<SettingKey> keys = makeSettingKeys();
  return keys;
}

void normaliseSettings(Settings* s) {
  s->displayMode = normaliseDisplayModeAtLoad(s->displayMode);
  s->spectralView = (s->displayMode & kDisplaySpectral) != 0;
  for (const SettingKey& k : settingKeys()) normaliseKey(k, *s);
  s->analysisHalfSize = s->analysisSize / 2;
  s->smoothDelete = false;
  s->autoConvertTo32 = false;
}

Settings loadSettings(ui::SettingsSource& src) {
  Settings s;
  for (const SettingKey& k : settingKeys()) {
    if (k.use != SettingUse::kSaveOnly) loadKey(src, k, s);
  }
  normaliseSettings(&s);
  return s;
}

void saveSettings(const Settings& s, ui::SettingsSource& dst) {
  for (const SettingKey& k : settingKeys()) {
    if (k.use == SettingUse::kLoadAndSave || k.use == SettingUse::kSaveOnly) saveKey(s, k, dst);
  }
}

void saveRecentFilter(const Settings& s, ui::SettingsSource& dst) {
  for (const SettingKey& k : settingKeys()) {
    if (k.use == SettingUse::kLoadAndSaveRecent) saveKey(s, k, dst);
  }
}

}  // namespace shell
