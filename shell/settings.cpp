// Loading, normalising and saving the settings of "SORN.INI".
#include "shell/settings.h"

#include <cmath>
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
bool readYesNo(ui::SettingsSource& src, const char* sec, const char* key, const char* def) {
  std::string v = src.getString(sec, key, def, kYesNoChars);
  return !v.empty() && (v[0] == 'Y' || v[0] == 'y');
}

// Reals are text converted like atof: text without a number reads as 0.
double readReal(ui::SettingsSource& src, const char* sec, const char* key, const char* def) {
  std::string v = src.getString(sec, key, def, kRealChars);
  return std::strtod(v.c_str(), nullptr);
}

int32_t readIntText(ui::SettingsSource& src, const char* sec, const char* key, const char* def, uint32_t chars) {
  return ui::parseProfileInt(src.getString(sec, key, def, chars), 0);
}

// A real kept as an integer, converted without undefined behaviour for huge or non-finite values.
int32_t realToInt(double v) {
  if (!std::isfinite(v)) return 0;
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

template <typename T>
void clampTo(T* v, T lo, T hi) {
  if (*v < lo) *v = lo;
  if (*v > hi) *v = hi;
}

void finiteOr(double* v, double def) {
  if (!std::isfinite(*v)) *v = def;
}

void writeInt(ui::SettingsSource& dst, const char* sec, const char* key, long v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%ld", v);
  dst.writeString(sec, key, buf);
}

void writeReal(ui::SettingsSource& dst, const char* sec, const char* key, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", v);
  dst.writeString(sec, key, buf);
}

void writeYesNo(ui::SettingsSource& dst, const char* sec, const char* key, bool v) {
  dst.writeString(sec, key, v ? "Yes" : "No");
}

void readSizeAndSettings(ui::SettingsSource& src, Settings& s) {
  s.xLoc = src.getInt(kSize, "XLoc", INT32_MIN);
  s.yLoc = src.getInt(kSize, "YLoc", 0);
  s.clientWidth = src.getInt(kSize, "X", 610);
  s.clientHeight = src.getInt(kSize, "Y", 340);
  s.noPlayBar = src.getInt(kSize, "NoPlayBar", 0);
  s.cueList = src.getInt(kSize, "CueList", 0);
  s.playList = src.getInt(kSize, "PlayList", 0);
  s.analyzer = src.getInt(kSize, "Analyzer", 0);

  s.meterFix = src.getInt(kSettingsSec, "MeterFix", 0);
  s.autoFillInfo = src.getInt(kSettingsSec, "AutoFillInfo", 0);
  s.autoPlayOnLoad = src.getInt(kSettingsSec, "AutoPlayOnLoad", 1);
  s.displayMode = src.getInt(kSettingsSec, "DisplayMode", 57);
  s.peakBlockSize = src.getInt(kSettingsSec, "PeakBlockSize", 256);
  s.savePeakFiles = src.getInt(kSettingsSec, "SavePeakFiles", 1);
  s.boundaryLine = readReal(src, kSettingsSec, "BoundaryLine", "-1");
  s.undoLevels = src.getInt(kSettingsSec, "UndoLevels", 5);
  s.maxDisplayTime = src.getInt(kSettingsSec, "MaxDisplayTime", 0);
  s.cacheSizeKB = readIntText(src, kSettingsSec, "CacheSize", "2048", 15);
  s.useSystemCache = src.getInt(kSettingsSec, "UseSystemCache", 0);
  s.useASync = src.getInt(kSettingsSec, "UseASync", 0);
}

void readSystem(ui::SettingsSource& src, Settings& s) {
  s.wantedWaveOut = src.getString(kSystem, "WaveOut", "", kDeviceChars);
  s.wantedWaveIn = src.getString(kSystem, "WaveIn", "", kDeviceChars);
  s.wantedMidiOut = src.getString(kSystem, "MidiOut", "", kDeviceChars);
  s.wantedMidiIn = src.getString(kSystem, "MidiIn", "", kDeviceChars);
  s.bufferSize = readReal(src, kSystem, "BufferSize", "4.0");
  s.numBuffers = src.getInt(kSystem, "NumBuffers", 8);
  s.saveMode = readIntText(src, kSystem, "SaveMode", "0", 4);
  s.viewingMode = readIntText(src, kSystem, "ViewingMode", "0", 4);
  s.pasteHilite = readYesNo(src, kSystem, "PasteHilite", "YES");
  readYesNo(src, kSystem, "SmoothDelete", "YES");  // read for compatibility; the option stays off
  s.liveUpdate = readYesNo(src, kSystem, "LiveUpdate", "NO");
  readYesNo(src, kSystem, "AutoConvertTo32", "NO");  // likewise
  s.tempCompressed = readYesNo(src, kSystem, "TempCompressed", "YES");
  s.useOldStyleBoxes = readYesNo(src, kSystem, "UseOldStyleBoxes", "NO");
  s.convert16to8New = readYesNo(src, kSystem, "Convert16to8New", "NO");
  s.undo = readYesNo(src, kSystem, "Undo", "YES");
  s.playFromCursor = readYesNo(src, kSystem, "PlayFromCursor", "YES");
  s.filePreviewInfo = readYesNo(src, kSystem, "FilePreviewInfo", "YES");
  s.autoDownFilter = readYesNo(src, kSystem, "AutoDownFilter", "NO");
  s.autoUpFilter = readYesNo(src, kSystem, "AutoUpFilter", "NO");
  s.autoDither32to16 = readReal(src, kSystem, "AutoDither32to16", "1.0");
  s.autoDownQuality = realToInt(readReal(src, kSystem, "AutoDownQuality", "80"));
  s.autoUpQuality = realToInt(readReal(src, kSystem, "AutoUpQuality", "120"));
  s.minPreviewBufInMs = realToInt(readReal(src, kSystem, "MinPreviewBufInMs", "250"));
  s.megsFreeOnTemp1 = readReal(src, kSystem, "MegsFreeOnTemp1", "10");
  s.megsFreeOnTemp2 = readReal(src, kSystem, "MegsFreeOnTemp2", "10");
  s.autoCrossfade = readYesNo(src, kSystem, "AutoCrossfade", "YES");
  s.autoCrossfadeSize = readReal(src, kSystem, "AutoCrossfadeSize", "3.0");
  s.analysisRange = readReal(src, kSystem, "AnalysisRange", "120.0");
  s.analysisSize = realToInt(readReal(src, kSystem, "AnalysisSize", "2048"));
  s.analysisWindowType = realToInt(readReal(src, kSystem, "AnalysisWindowType", "5"));
  s.fileSaveExtraInfo = readYesNo(src, kSystem, "FileSaveExtraInfo", "YES");
  s.toolHelp = readYesNo(src, kSystem, "ToolHelp", "YES");
  s.previewFiles = readYesNo(src, kSystem, "PreviewFiles", "NO");
  s.spectrumResolution = src.getInt(kSystem, "SpectrumResolution", 7);
  s.timeCodeFrames = src.getInt(kSystem, "TimeCodeFrames", 30);
  s.timeModeV = src.getInt(kSystem, "TimeModeV", 0);
  s.timeMode = src.getInt(kSystem, "TimeMode", 0);
  s.loTimeMode = src.getInt(kSystem, "LoTimeMode", 0);
  s.hiTimeMode = src.getInt(kSystem, "HiTimeMode", 0);
  s.windowType = src.getInt(kSystem, "WindowType", 3);
  s.spectralMode = src.getInt(kSystem, "SpectralMode", 0);
  s.spectrumRange = readReal(src, kSystem, "SpectrumRange", "120");
}

void readOthers(ui::SettingsSource& src, Settings& s) {
  s.pasteRight = readReal(src, kPaste, "Right", "1.0");
  s.pasteLeft = readReal(src, kPaste, "Left", "1.0");
  s.crossfadeTime = readReal(src, kPaste, "CrossfadeTime", "50");
  s.loops = src.getInt(kPaste, "Loops", 3);
  s.overlap = src.getInt(kPaste, "Overlap", 1);
  s.loop = src.getInt(kPaste, "Loop", 0);
  s.crossfade = src.getInt(kPaste, "Crossfade", 0);
  s.silenceDuration = readReal(src, kSilence, "Duration", "10.0");
  s.fileFilter = src.getString(kRecent, "FileFilter", "", 23);
  s.fileOptions = readIntText(src, kRecent, "FileOptions", "1", 15);

  s.spectralReverse = src.getInt(kColors, "SpectralReverse", 1);
  s.waveformColour = parseColour(src.getString(kColors, "Waveform", "0,255,0", kRealChars));
  s.backgroundColour = parseColour(src.getString(kColors, "Background", "0,0,0", kRealChars));
  s.paletteHigh = parseColour(src.getString(kColors, "SpectralHigh", "240,255,220", kRealChars));
  s.paletteLow = parseColour(src.getString(kColors, "SpectralLow", "0,32,32", kRealChars));
  for (int i = 0; i < kDisplayColourCount; ++i) {
    s.display[i] =
        parseColour(src.getString(kColors, kDisplayColourKeys[i], kDisplayColourDefaults[i], kRealChars));
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

void normaliseSettings(Settings* s) {
  s->displayMode = normaliseDisplayModeAtLoad(s->displayMode);
  s->spectralView = (s->displayMode & kDisplaySpectral) != 0;
  clampTo(&s->peakBlockSize, kMinPeakBlockSize, kMaxPeakBlockSize);
  if (s->undoLevels < kMinUndoLevels) s->undoLevels = kMinUndoLevels;
  clampTo(&s->maxDisplayTime, 0, kMaxDisplayTimeLimit);
  if (s->cacheSizeKB < kMinCacheSizeKB) s->cacheSizeKB = kMinCacheSizeKB;
  finiteOr(&s->bufferSize, 4.0);
  clampTo(&s->bufferSize, kMinBufferSeconds, kMaxBufferSeconds);
  clampTo(&s->numBuffers, kMinNumBuffers, kMaxNumBuffers);
  clampTo(&s->autoDownQuality, kMinQuality, kMaxQuality);
  clampTo(&s->autoUpQuality, kMinQuality, kMaxQuality);
  clampTo(&s->minPreviewBufInMs, kMinPreviewBufMs, kMaxPreviewBufMs);
  finiteOr(&s->autoDither32to16, 1.0);
  clampTo(&s->autoDither32to16, kMinDither, kMaxDither);
  finiteOr(&s->megsFreeOnTemp1, 10.0);
  finiteOr(&s->megsFreeOnTemp2, 10.0);
  clampTo(&s->megsFreeOnTemp1, 0.0, kMaxMegsFree);
  clampTo(&s->megsFreeOnTemp2, 0.0, kMaxMegsFree);
  s->analysisHalfSize = s->analysisSize / 2;
  finiteOr(&s->boundaryLine, -1.0);
  finiteOr(&s->autoCrossfadeSize, 3.0);
  finiteOr(&s->analysisRange, 120.0);
  finiteOr(&s->spectrumRange, 120.0);
  finiteOr(&s->pasteRight, 1.0);
  finiteOr(&s->pasteLeft, 1.0);
  finiteOr(&s->crossfadeTime, 50.0);
  finiteOr(&s->silenceDuration, 10.0);
  s->smoothDelete = false;
  s->autoConvertTo32 = false;
}

Settings loadSettings(ui::SettingsSource& src) {
  Settings s;
  readSizeAndSettings(src, s);
  readSystem(src, s);
  readOthers(src, s);
  normaliseSettings(&s);
  return s;
}

void saveSettings(const Settings& s, ui::SettingsSource& dst) {
  writeInt(dst, kSettingsSec, "MeterFix", s.meterFix);
  writeInt(dst, kSettingsSec, "AutoFillInfo", s.autoFillInfo);
  writeInt(dst, kSettingsSec, "AutoPlayOnLoad", s.autoPlayOnLoad);
  writeInt(dst, kSettingsSec, "DisplayMode", normaliseDisplayModeForSave(s.displayMode));
  writeInt(dst, kSettingsSec, "PeakBlockSize", s.peakBlockSize);
  writeInt(dst, kSettingsSec, "SavePeakFiles", s.savePeakFiles);
  writeReal(dst, kSettingsSec, "BoundaryLine", s.boundaryLine);
  writeInt(dst, kSettingsSec, "UndoLevels", s.undoLevels);
  writeInt(dst, kSettingsSec, "MaxDisplayTime", s.maxDisplayTime);
  writeInt(dst, kSettingsSec, "CacheSize", s.cacheSizeKB);
  writeInt(dst, kSettingsSec, "UseSystemCache", s.useSystemCache);
  writeInt(dst, kSettingsSec, "UseASync", s.useASync);
  dst.writeString(kSettingsSec, "NT", "No");

  const struct {
    const char* key;
    const ChosenDevice* dev;
  } devices[] = {
      {"WaveOut", &s.waveOut}, {"WaveIn", &s.waveIn}, {"MidiOut", &s.midiOut}, {"MidiIn", &s.midiIn}};
  for (const auto& d : devices) {
    if (d.dev->exists) dst.writeString(kSystem, d.key, d.dev->productName.c_str());
  }
  writeReal(dst, kSystem, "BufferSize", s.bufferSize);
  writeInt(dst, kSystem, "NumBuffers", s.numBuffers);
  writeInt(dst, kSystem, "SaveMode", s.saveMode);
  writeInt(dst, kSystem, "ViewingMode", s.viewingMode);
  writeYesNo(dst, kSystem, "PasteHilite", s.pasteHilite);
  writeYesNo(dst, kSystem, "SmoothDelete", false);
  writeYesNo(dst, kSystem, "LiveUpdate", s.liveUpdate);
  writeYesNo(dst, kSystem, "AutoConvertTo32", false);
  writeYesNo(dst, kSystem, "TempCompressed", s.tempCompressed);
  writeYesNo(dst, kSystem, "UseOldStyleBoxes", s.useOldStyleBoxes);
  writeYesNo(dst, kSystem, "Convert16to8New", s.convert16to8New);
  writeYesNo(dst, kSystem, "Undo", s.undo);
  writeYesNo(dst, kSystem, "PlayFromCursor", s.playFromCursor);
  writeYesNo(dst, kSystem, "FilePreviewInfo", s.filePreviewInfo);
  writeYesNo(dst, kSystem, "AutoDownFilter", s.autoDownFilter);
  writeYesNo(dst, kSystem, "AutoUpFilter", s.autoUpFilter);
  writeReal(dst, kSystem, "AutoDither32to16", s.autoDither32to16);
  writeInt(dst, kSystem, "AutoDownQuality", s.autoDownQuality);
  writeInt(dst, kSystem, "AutoUpQuality", s.autoUpQuality);
  writeInt(dst, kSystem, "MinPreviewBufInMs", s.minPreviewBufInMs);
  writeReal(dst, kSystem, "MegsFreeOnTemp1", s.megsFreeOnTemp1);
  writeReal(dst, kSystem, "MegsFreeOnTemp2", s.megsFreeOnTemp2);
  writeYesNo(dst, kSystem, "AutoCrossfade", s.autoCrossfade);
  writeReal(dst, kSystem, "AutoCrossfadeSize", s.autoCrossfadeSize);
  writeReal(dst, kSystem, "AnalysisRange", s.analysisRange);
  writeInt(dst, kSystem, "AnalysisSize", s.analysisSize);
  writeInt(dst, kSystem, "AnalysisWindowType", s.analysisWindowType);
  writeYesNo(dst, kSystem, "FileSaveExtraInfo", s.fileSaveExtraInfo);
  writeYesNo(dst, kSystem, "ToolHelp", s.toolHelp);
  writeYesNo(dst, kSystem, "PreviewFiles", s.previewFiles);
  writeInt(dst, kSystem, "SpectrumResolution", s.spectrumResolution);
  writeInt(dst, kSystem, "TimeCodeFrames", s.timeCodeFrames);
  writeInt(dst, kSystem, "TimeModeV", s.timeModeV);
  writeInt(dst, kSystem, "TimeMode", s.timeMode);
  writeInt(dst, kSystem, "LoTimeMode", s.loTimeMode);
  writeInt(dst, kSystem, "HiTimeMode", s.hiTimeMode);
  writeInt(dst, kSystem, "WindowType", s.windowType);
  writeInt(dst, kSystem, "SpectralMode", s.spectralMode);
  writeReal(dst, kSystem, "SpectrumRange", s.spectrumRange);

  writeReal(dst, kPaste, "Right", s.pasteRight);
  writeReal(dst, kPaste, "Left", s.pasteLeft);
  writeReal(dst, kPaste, "CrossfadeTime", s.crossfadeTime);
  writeInt(dst, kPaste, "Loops", realToInt(s.loops));
  writeInt(dst, kPaste, "Overlap", s.overlap);
  writeInt(dst, kPaste, "Loop", s.loop);
  writeInt(dst, kPaste, "Crossfade", s.crossfade);
  writeReal(dst, kSilence, "Duration", s.silenceDuration);

  writeInt(dst, kColors, "SpectralReverse", s.spectralReverse);
  for (int i = 0; i < kDisplayColourCount; ++i) {
    dst.writeString(kColors, kDisplayColourKeys[i], formatColour(s.display[i]).c_str());
  }
}

void saveRecentFilter(const Settings& s, ui::SettingsSource& dst) {
  dst.writeString(kRecent, "FileFilter", s.fileFilter.c_str());
  writeInt(dst, kRecent, "FileOptions", s.fileOptions);
}

}  // namespace shell
