// The settings key table against what the load and save routines really do: they visit exactly the
// table's keys in its order, every key that is read is written back unless its row says why not, and every
// key written and read again brings back the value that was saved, changing that key alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "shell/settings.h"

namespace shell {
namespace {

using Name = std::pair<std::string, std::string>;  // section, key

// Passes everything to an in-memory file and notes every key read and written, in order.
class RecordingSource : public ui::SettingsSource {
 public:
  std::string getString(const char* section, const char* key, const char* def, uint32_t maxChars) override {
    reads.push_back({section, key});
    return file.getString(section, key, def, maxChars);
  }
  int32_t getInt(const char* section, const char* key, int32_t def) override {
    reads.push_back({section, key});
    return file.getInt(section, key, def);
  }
  bool writeString(const char* section, const char* key, const char* value) override {
    writes.push_back({section, key});
    return file.writeString(section, key, value);
  }
  ui::MemorySettingsSource file;
  std::vector<Name> reads, writes;
};

bool loads(const SettingKey& k) {
  return k.use != SettingUse::kSaveOnly;
}
bool saves(const SettingKey& k) {
  return k.use != SettingUse::kLoadOnly;
}

std::vector<Name> tableNames(bool (*pick)(const SettingKey&), bool withRecent) {
  std::vector<Name> names;
  for (const SettingKey& k : settingKeys()) {
    if (!withRecent && k.use == SettingUse::kLoadAndSaveRecent) continue;
    if (pick(k)) names.push_back({k.section, k.key});
  }
  return names;
}

// A settings value with every chosen device present, so that the device keys are written too.
Settings withDevices() {
  Settings s;
  for (ChosenDevice* d : {&s.waveOut, &s.waveIn, &s.midiOut, &s.midiIn}) *d = {true, "A device"};
  return s;
}

TEST(SettingsTable, LoadReadsExactlyTheTableKeysInItsOrder) {
  RecordingSource src;
  loadSettings(src);
  EXPECT_EQ(src.reads, tableNames(loads, true));
  EXPECT_TRUE(src.writes.empty());
}

TEST(SettingsTable, SaveWritesExactlyTheTableKeysInItsOrder) {
  RecordingSource exit, recent;
  saveSettings(withDevices(), exit);
  saveRecentFilter(withDevices(), recent);
  EXPECT_EQ(exit.writes, tableNames(saves, false));
  std::vector<Name> recentKeys;
  for (const SettingKey& k : settingKeys())
    if (k.use == SettingUse::kLoadAndSaveRecent) recentKeys.push_back({k.section, k.key});
  EXPECT_EQ(recent.writes, recentKeys);
  EXPECT_FALSE(recentKeys.empty());
  EXPECT_TRUE(exit.reads.empty());
}

TEST(SettingsTable, EveryKeyReadIsWrittenUnlessItsRowSaysWhy) {
  std::set<Name> written;
  for (const Name& n : tableNames(saves, true))
    EXPECT_TRUE(written.insert(n).second) << "written twice: " << n.second;
  std::set<Name> read;
  for (const SettingKey& k : settingKeys()) {
    const bool oneWay = k.use == SettingUse::kLoadOnly || k.use == SettingUse::kSaveOnly;
    EXPECT_EQ(oneWay, k.why != nullptr && *k.why != 0) << k.key;
    if (loads(k)) read.insert({k.section, k.key});
  }
  for (const SettingKey& k : settingKeys()) {
    const Name n{k.section, k.key};
    if (k.use == SettingUse::kLoadOnly) continue;
    EXPECT_TRUE(written.count(n)) << k.key;
    if (k.use != SettingUse::kSaveOnly) {
      EXPECT_TRUE(read.count(n)) << k.key;
    }
  }
  // A key only read, and not written through another row, is one the save routine leaves alone.
  size_t readOnly = 0;
  for (const Name& n : read) readOnly += written.count(n) ? 0 : 1;
  EXPECT_EQ(readOnly, 8u);  // the [Size] window keys
}

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Gives the key's field a value other than its default, inside its range.
void changeField(Settings& s, const SettingKey& k, int index) {
  const bool bounded = k.lo > -HUGE_VAL;
  switch (k.type) {
    case SettingType::kInt:
    case SettingType::kIntText:
    case SettingType::kRealAsInt:
      s.*k.integer = bounded ? static_cast<int32_t>(k.lo) + 1 : s.*k.integer + 3;
      break;
    case SettingType::kDisplayMode:
      s.*k.integer = kDisplaySpectral | 0x30;
      break;
    case SettingType::kReal:
      s.*k.real = bounded ? k.lo + 0.25 : s.*k.real + 1.5;
      break;
    case SettingType::kIntAsReal:
      s.*k.real += 4;
      break;
    case SettingType::kYesNo:
      s.*k.flag = !(s.*k.flag);
      break;
    case SettingType::kText:
      s.*k.text = "WAV";
      break;
    case SettingType::kDevice:
      s.*k.device = ChosenDevice{true, std::string("Device ") + k.key};
      break;
    case SettingType::kColour:
      if (k.displayColour >= 0) s.display[k.displayColour] = makeColour(index + 1, 2, 3);
      break;
    case SettingType::kAlwaysNo:
    case SettingType::kConstant:
      break;
  }
}

void expectFieldKept(const Settings& want, const Settings& got, const SettingKey& k) {
  switch (k.type) {
    case SettingType::kInt:
    case SettingType::kIntText:
    case SettingType::kRealAsInt:
    case SettingType::kDisplayMode:
      EXPECT_EQ(got.*k.integer, want.*k.integer) << k.key;
      break;
    case SettingType::kReal:
    case SettingType::kIntAsReal:
      EXPECT_DOUBLE_EQ(got.*k.real, want.*k.real) << k.key;
      break;
    case SettingType::kYesNo:
      EXPECT_EQ(got.*k.flag, want.*k.flag) << k.key;
      break;
    case SettingType::kText:
      EXPECT_EQ(got.*k.text, want.*k.text) << k.key;
      break;
    case SettingType::kDevice:
      EXPECT_EQ(got.*k.text, (want.*k.device).productName) << k.key;
      break;
    case SettingType::kColour:
      EXPECT_EQ(got.display[k.displayColour], want.display[k.displayColour]) << k.key;
      break;
    case SettingType::kAlwaysNo:
    case SettingType::kConstant:
      break;
  }
}

void saveAll(const Settings& s, ui::MemorySettingsSource* out) {
  saveSettings(s, *out);
  saveRecentFilter(s, *out);
}

TEST(SettingsTable, EveryKeyWrittenAndReadBackKeepsItsValueAndChangesOnlyItself) {
  const Settings base;
  ui::MemorySettingsSource baseFile;
  saveAll(base, &baseFile);
  int index = 0, checked = 0;
  for (const SettingKey& k : settingKeys()) {
    ++index;
    if (!loads(k) || !saves(k)) continue;
    if (k.type == SettingType::kAlwaysNo) {
      ui::MemorySettingsSource yes, out;
      yes.set(k.section, k.key, "Yes");
      saveAll(loadSettings(yes), &out);
      EXPECT_EQ(out.value(k.section, k.key), "No") << k.key;
      continue;
    }
    Settings changed = base;
    changeField(changed, k, index);
    ui::MemorySettingsSource file;
    saveAll(changed, &file);
    const std::string name = upper(k.section) + "\n" + upper(k.key);
    std::vector<std::string> differ;
    for (const auto& kv : file.all()) {
      auto it = baseFile.all().find(kv.first);
      if (it == baseFile.all().end() || it->second != kv.second) differ.push_back(kv.first);
    }
    EXPECT_EQ(differ, std::vector<std::string>{name}) << k.key << " = " << file.value(k.section, k.key);
    expectFieldKept(changed, loadSettings(file), k);
    ++checked;
  }
  EXPECT_GE(checked, 70);  // the whole file's worth of keys, not a handful
}

// The keys of the file, which other versions of the program read and write too: none may go missing from
// the table or change its name or section.
TEST(SettingsTable, HoldsEveryKeyOfTheFile) {
  const std::vector<std::pair<const char*, std::vector<const char*>>> file = {
      {"Size", {"XLoc", "YLoc", "X", "Y", "NoPlayBar", "CueList", "PlayList", "Analyzer"}},
      {"Settings",
       {"MeterFix", "AutoFillInfo", "AutoPlayOnLoad", "DisplayMode", "PeakBlockSize", "SavePeakFiles",
        "BoundaryLine", "UndoLevels", "MaxDisplayTime", "CacheSize", "UseSystemCache", "UseASync", "NT"}},
      {"System",
       {"WaveOut",
        "WaveIn",
        "MidiOut",
        "MidiIn",
        "BufferSize",
        "NumBuffers",
        "SaveMode",
        "ViewingMode",
        "PasteHilite",
        "SmoothDelete",
        "LiveUpdate",
        "AutoConvertTo32",
        "TempCompressed",
        "UseOldStyleBoxes",
        "Convert16to8New",
        "Undo",
        "PlayFromCursor",
        "FilePreviewInfo",
        "AutoDownFilter",
        "AutoUpFilter",
        "AutoDither32to16",
        "AutoDownQuality",
        "AutoUpQuality",
        "MinPreviewBufInMs",
        "MegsFreeOnTemp1",
        "MegsFreeOnTemp2",
        "AutoCrossfade",
        "AutoCrossfadeSize",
        "AnalysisRange",
        "AnalysisSize",
        "AnalysisWindowType",
        "FileSaveExtraInfo",
        "ToolHelp",
        "PreviewFiles",
        "SpectrumResolution",
        "TimeCodeFrames",
        "TimeModeV",
        "TimeMode",
        "LoTimeMode",
        "HiTimeMode",
        "WindowType",
        "SpectralMode",
        "SpectrumRange"}},
      {"Paste Special", {"Right", "Left", "CrossfadeTime", "Loops", "Overlap", "Loop", "Crossfade"}},
      {"Silence", {"Duration"}},
      {"Recent", {"FileFilter", "FileOptions"}},
      {"Colors",
       {"SpectralReverse", "Waveform", "Background", "SpectralHigh", "SpectralLow", "Waveform", "Background",
        "Zoomed", "Grid", "WaveformSel", "BackgroundSel", "ZoomedSel", "GridSel", "Center", "Boundary",
        "Cursor", "SpectralLow", "SpectralHigh"}}};
  std::vector<Name> expected;
  for (const auto& section : file)
    for (const char* key : section.second) expected.push_back({section.first, key});
  std::vector<Name> table;
  for (const SettingKey& k : settingKeys()) table.push_back({k.section, k.key});
  EXPECT_EQ(table, expected);
}

TEST(SettingsTable, EmptyFileLoadsTheDefaultsOfTheSettingsValue) {
  // The table's defaults and the defaults of a fresh value agree: what a first start reads is what the
  // program would have used without a file (display mode and the colour ends as normalised at load).
  ui::MemorySettingsSource empty, fromFile, fromValue;
  saveAll(loadSettings(empty), &fromFile);
  saveAll(Settings(), &fromValue);
  EXPECT_EQ(fromFile.all(), fromValue.all());
}

}  // namespace
}  // namespace shell
