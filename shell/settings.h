// Every setting the program reads from "SORN.INI" while it starts, with its default, the normalisation
// and range checks applied when it is loaded, and the routine that writes the whole set back at exit.
//
// Loading clamps every value that other parts divide by or allocate with into the range the settings
// dialog allows, so a hand-edited file cannot make a block size of 0 or a negative cache reach them.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/settings_source.h"

namespace shell {

// A colour in memory: red | green << 8 | blue << 16.
using Colour = uint32_t;
constexpr Colour makeColour(int r, int g, int b) {
  return static_cast<Colour>(r) | static_cast<Colour>(g) << 8 | static_cast<Colour>(b) << 16;
}
// "r,g,b": the integers before the first comma, after the first and after the second comma; a missing
// part is 0 and each part is clamped to 0..255 so one bad value cannot spill into another channel.
Colour parseColour(const std::string& text);
std::string formatColour(Colour c);  // "%ld,%ld,%ld"

// The 13 display colours, in the order they are read.
enum DisplayColour {
  kColWaveform,
  kColBackground,
  kColZoomed,
  kColGrid,
  kColWaveformSel,
  kColBackgroundSel,
  kColZoomedSel,
  kColGridSel,
  kColCenter,
  kColBoundary,
  kColCursor,
  kColSpectralLow,
  kColSpectralHigh,
  kDisplayColourCount
};
extern const char* const kDisplayColourKeys[kDisplayColourCount];
extern const char* const kDisplayColourDefaults[kDisplayColourCount];

// Display flags kept in [Settings] DisplayMode.
constexpr int32_t kDisplayWaveform = 0x01;
constexpr int32_t kDisplaySpectral = 0x02;
// At load: bit 0 when neither view bit is set; bits 4 and 5 set; bit 3 cleared.
int32_t normaliseDisplayModeAtLoad(int32_t mode);
// At save: bit 0 when neither view bit is set; bit 4 set; bit 3 cleared.
int32_t normaliseDisplayModeForSave(int32_t mode);

// The chosen device of one kind, for the save routine: its product name is written only when a device
// of that kind exists.
struct ChosenDevice {
  bool exists = false;
  std::string productName;
};

// Limits applied at load (and by the settings dialog).
constexpr int32_t kMinPeakBlockSize = 64, kMaxPeakBlockSize = 16384;
constexpr int32_t kMinUndoLevels = 1;
constexpr int32_t kMinCacheSizeKB = 1024;
constexpr double kMinBufferSeconds = 1.0, kMaxBufferSeconds = 20.0;
constexpr int32_t kMinNumBuffers = 2, kMaxNumBuffers = 32;
constexpr int32_t kMaxDisplayTimeLimit = 30000;
constexpr int32_t kMinQuality = 30, kMaxQuality = 1000;
constexpr int32_t kMinPreviewBufMs = 100, kMaxPreviewBufMs = 5000;
constexpr double kMinDither = 0.0, kMaxDither = 9.0;
constexpr double kMaxMegsFree = 1048576.0;  // 1 TB of reserve is more than any disk needs

struct Settings {
  // [Size]
  int32_t xLoc = INT32_MIN;  // the window system's default position (0x80000000)
  int32_t yLoc = 0;
  int32_t clientWidth = 610;   // X
  int32_t clientHeight = 340;  // Y
  int32_t noPlayBar = 0;
  int32_t cueList = 0, playList = 0, analyzer = 0;

  // [Settings]
  int32_t meterFix = 0;
  int32_t autoFillInfo = 0;
  int32_t autoPlayOnLoad = 1;
  int32_t displayMode = 49;   // normalised from the default 57
  bool spectralView = false;  // bit 1 of DisplayMode at load
  int32_t peakBlockSize = 256;
  int32_t savePeakFiles = 1;
  double boundaryLine = -1.0;
  int32_t undoLevels = 5;
  int32_t maxDisplayTime = 0;
  int32_t cacheSizeKB = 2048;
  int32_t useSystemCache = 0;
  int32_t useASync = 0;

  // [System]
  std::string wantedWaveOut, wantedWaveIn, wantedMidiOut, wantedMidiIn;  // names as read
  ChosenDevice waveOut, waveIn, midiOut, midiIn;                         // set by the device choice
  double bufferSize = 4.0;
  int32_t numBuffers = 8;
  int32_t saveMode = 0;
  int32_t viewingMode = 0;
  bool pasteHilite = true;
  bool smoothDelete = false;  // always off
  bool liveUpdate = false;
  bool autoConvertTo32 = false;  // always off
  bool tempCompressed = true;
  bool useOldStyleBoxes = false;
  bool convert16to8New = false;
  bool undo = true;
  bool playFromCursor = true;
  bool filePreviewInfo = true;
  bool autoDownFilter = false, autoUpFilter = false;
  double autoDither32to16 = 1.0;
  int32_t autoDownQuality = 80, autoUpQuality = 120;
  int32_t minPreviewBufInMs = 250;
  double megsFreeOnTemp1 = 10.0, megsFreeOnTemp2 = 10.0;
  bool autoCrossfade = true;
  double autoCrossfadeSize = 3.0;
  double analysisRange = 120.0;
  int32_t analysisSize = 2048, analysisHalfSize = 1024;
  int32_t analysisWindowType = 5;
  bool fileSaveExtraInfo = true;
  bool toolHelp = true;
  bool previewFiles = false;
  int32_t spectrumResolution = 7;
  int32_t timeCodeFrames = 30;
  int32_t timeModeV = 0, timeMode = 0, loTimeMode = 0, hiTimeMode = 0;
  int32_t windowType = 3;
  int32_t spectralMode = 0;
  double spectrumRange = 120.0;

  // [Paste Special]
  double pasteRight = 1.0, pasteLeft = 1.0;
  double crossfadeTime = 50.0;
  double loops = 3.0;
  int32_t overlap = 1, loop = 0, crossfade = 0;

  // [Silence]
  double silenceDuration = 10.0;

  // [Recent] (written at exit by the file-filter code)
  std::string fileFilter;
  int32_t fileOptions = 1;

  // [Colors]
  int32_t spectralReverse = 1;
  Colour waveformColour = makeColour(0, 255, 0);   // main-window pen
  Colour backgroundColour = makeColour(0, 0, 0);   // main-window brush
  Colour paletteHigh = makeColour(240, 255, 220);  // spectral palette ends
  Colour paletteLow = makeColour(0, 32, 32);
  Colour display[kDisplayColourCount];

  Settings();

  // Free-space reserves of the store in bytes (64-bit: thousands of megabytes do not wrap).
  int64_t reserve1Bytes() const;
  int64_t reserve2Bytes() const;
  // The cache size handed to the store: 0 when the system's cache is used.
  int32_t storeCacheSizeKB() const { return useSystemCache ? 0 : cacheSizeKB; }
};

// How the text of a key becomes a value of its field and is written back.
enum class SettingType {
  kInt,          // the profile integer rule with an integer default; written "%ld"
  kIntText,      // the same rule on the text cut to maxChars; written "%ld"
  kRealAsInt,    // a real (atof) kept as an integer, saturated; written "%ld"
  kIntAsReal,    // the profile integer rule kept in a real field; written "%ld" of its integer part
  kReal,         // atof: text without a number reads as 0; written "%g"
  kYesNo,        // true when the text starts with Y or y; written "Yes" or "No"
  kText,         // the text cut to maxChars, written as it stands
  kColour,       // "r,g,b" (parseColour); written by formatColour
  kDisplayMode,  // kInt, written through normaliseDisplayModeForSave
  kDevice,       // a device's product name: read into text, written from device when that device exists
  kAlwaysNo,     // a yes/no option that stays off: read and dropped, written "No"
  kConstant,     // not read; textDefault is the text written
};

// Which routines visit a key.
enum class SettingUse {
  kLoadAndSave,        // loadSettings and saveSettings
  kLoadAndSaveRecent,  // loadSettings and saveRecentFilter
  kLoadOnly,           // loadSettings only (why says who writes it, if anyone)
  kSaveOnly,           // saveSettings only (why says what it is for)
};

// One key of "SORN.INI": where it is, how it is read and written, its field, default and range. The one
// table of these drives loading, normalising and saving, so a key cannot be read and then forgotten.
struct SettingKey {
  const char* section = nullptr;
  const char* key = nullptr;
  SettingType type = SettingType::kInt;
  SettingUse use = SettingUse::kLoadAndSave;
  // The field, by type (the others are null): integer for kInt, kIntText, kRealAsInt and kDisplayMode;
  // real for kReal and kIntAsReal; flag for kYesNo; text for kText and kDevice (with device, the chosen
  // device written back); colour, or displayColour (an index into Settings::display, else -1), for kColour.
  int32_t Settings::*integer = nullptr;
  double Settings::*real = nullptr;
  bool Settings::*flag = nullptr;
  std::string Settings::*text = nullptr;
  ChosenDevice Settings::*device = nullptr;
  Colour Settings::*colour = nullptr;
  int displayColour = -1;
  int32_t intDefault = 0;                // kInt, kIntAsReal, kDisplayMode
  const char* textDefault = nullptr;     // every other type
  uint32_t maxChars = 0;                 // the longest text read
  double lo = -HUGE_VAL, hi = HUGE_VAL;  // what normaliseSettings clamps the value to
  const char* why = nullptr;             // for kLoadOnly and kSaveOnly keys
};

// Every key in the order loadSettings reads them; saveSettings and saveRecentFilter write theirs in this
// order too.
const std::vector<SettingKey>& settingKeys();

// Reads every key with its default and applies normaliseSettings.
Settings loadSettings(ui::SettingsSource& src);
// Clamps every value into its allowed range (what the settings dialog enforces), replaces values that
// are not finite with their defaults, and forces the options that are always off.
void normaliseSettings(Settings* s);
// The save routine run at exit: every key that loadSettings reads except the [Size] window keys, the
// temporary directories and the recent-file keys, plus [Settings] NT=No.
void saveSettings(const Settings& s, ui::SettingsSource& dst);
// [Recent] FileFilter and FileOptions.
void saveRecentFilter(const Settings& s, ui::SettingsSource& dst);

}  // namespace shell
