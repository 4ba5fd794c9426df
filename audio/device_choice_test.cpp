// Device choice: saved names found again (case-insensitively, first of equals), the quirk flag, the
// capability grids and texts, the dialog's OK, and the settings keys written only for kinds that exist.
#include "audio/device_choice.h"

#include <gtest/gtest.h>

#include "platform/profile.h"
#include "platform/test_dir.h"

namespace audio {
namespace {

TEST(DeviceChoice, FindByName) {
  const std::vector<DeviceInfo> d = {{"Speakers", 0, 2}, {"USB Audio", 0, 2}, {"usb audio", 0, 2}};
  EXPECT_EQ(DeviceFindByName(d, "USB AUDIO"), 1u);  // case-only duplicates: the first
  EXPECT_EQ(DeviceFindByName(d, "usb audio"), 1u);
  EXPECT_EQ(DeviceFindByName(d, "Gone Card"), 0u);  // stale name: device 0
  EXPECT_EQ(DeviceFindByName(d, ""), 0u);
  EXPECT_EQ(DeviceFindByName({}, "Speakers"), 0u);
}

TEST(DeviceChoice, QuirkFlag) {
  EXPECT_EQ(DeviceQuirkFlag("SB16 Wave Out", 0), 1);
  EXPECT_EQ(DeviceQuirkFlag("Sb16", 0), 0);
  EXPECT_EQ(DeviceQuirkFlag("Speakers", 0), 0);
  EXPECT_EQ(DeviceQuirkFlag("Speakers", 1), 2);
  EXPECT_EQ(DeviceQuirkFlag("SB16", 5), 2);
  EXPECT_EQ(DeviceQuirkFlag("", 0), 0);
}

TEST(DeviceChoice, CapabilityGrid) {
  const CapabilityGrid g = DeviceCapabilityGrid(0x111);  // 8-bit mono at 11, 22 and 44 kHz only
  for (int row = 0; row < 3; ++row) {
    EXPECT_STREQ(g[size_t(row * 4 + 0)], "Yes");
    EXPECT_STREQ(g[size_t(row * 4 + 1)], "-");
    EXPECT_STREQ(g[size_t(row * 4 + 2)], "-");
    EXPECT_STREQ(g[size_t(row * 4 + 3)], "-");
  }
  const CapabilityGrid all = DeviceCapabilityGrid(0xFFF);
  for (const char* c : all) EXPECT_STREQ(c, "Yes");
}

TEST(DeviceChoice, Texts) {
  const DeviceInfo full{"Speakers", 0xFFF, 2};
  const DeviceStatusTexts t = DeviceDescribe(&full);
  EXPECT_EQ(t.installed, " Speakers Installed");
  EXPECT_EQ(t.capability, " Stereo 16-bit 44K capability");
  EXPECT_EQ(DeviceCapabilityText({"x", 0x111, 1}), " Mono 8-bit 44K capability");
  EXPECT_EQ(DeviceCapabilityText({"x", 0x800, 0}), " Stereo 16-bit 44K / Mono 8-bit ??K capability");
  EXPECT_EQ(DeviceCapabilityText({"x", 0x0, 1}), " Mono 8-bit ??K capability");
  // Stereo only up to 22 kHz 8-bit, mono 16-bit at 44 kHz.
  EXPECT_EQ(DeviceCapabilityText({"x", 0x022 | 0x404, 2}), " Stereo 8-bit 22K / Mono 16-bit 44K capability");
  // The start-up texts of the main window, as devices report their formats and channels.
  struct Case {
    uint32_t formats;
    uint16_t channels;
    const char* text;
  };
  for (const Case& c : {Case{0x555, 1, " Mono 16-bit 44K capability"}, Case{0x011, 1, " Mono 8-bit 22K capability"},
                        Case{0x0FF | 0x500, 2, " Stereo 16-bit 22K / Mono 16-bit 44K capability"},
                        Case{0x00F, 2, " Stereo 16-bit 11K capability"}})
    EXPECT_EQ(DeviceCapabilityText({"x", c.formats, c.channels}), c.text) << std::hex << c.formats;
  const DeviceStatusTexts none = DeviceDescribe(nullptr);
  EXPECT_EQ(none.installed, " No Waveform device installed");
  EXPECT_EQ(none.capability, " Cannot Play waveforms");
}

TEST(DeviceChoice, StartAndDialog) {
  std::vector<DeviceInfo> devices[kDeviceKinds] = {
      {{"Speakers", 0xFFF, 2}, {"SB Live", 0xFFF, 2}}, {{"Mic", 0x555, 1}}, {}, {}};
  const std::string saved[kDeviceKinds] = {"sb live", "Nothing", "Synth", ""};
  DeviceChoice c = DeviceChooseAtStart(devices, saved, 0, false);
  EXPECT_EQ(c.id[0], 1u);
  EXPECT_EQ(c.id[1], 0u);
  EXPECT_EQ(c.quirkFlag, 1);
  const int sel[kDeviceKinds] = {0, -1, -1, 3};
  DeviceChoice d = DeviceDialogApply(c, sel, devices, 0, true);
  EXPECT_EQ(d.id[0], 0u);
  EXPECT_EQ(d.quirkFlag, 0);
  EXPECT_TRUE(d.convert16to8);
  EXPECT_EQ(DeviceDialogApply(c, sel, devices, 1, false).quirkFlag, 2);

  platform::TestDir dir;
  const std::string ini = dir.path() + "/sorn.ini";
  ASSERT_TRUE(DeviceSaveNames(ini.c_str(), c, devices));
  EXPECT_EQ(platform::profileGet("System", "WaveOut", "", ini.c_str()), "SB Live");
  EXPECT_EQ(platform::profileGet("System", "WaveIn", "", ini.c_str()), "Mic");
  EXPECT_EQ(platform::profileGet("System", "MidiOut", "none", ini.c_str()), "none");  // no such devices
  platform::profileWriteString("Settings", "MeterFix", "1", ini.c_str());
  std::string back[kDeviceKinds];
  int meterFix = 0;
  DeviceLoadNames(ini.c_str(), back, &meterFix);
  EXPECT_EQ(back[0], "SB Live");
  EXPECT_EQ(meterFix, 1);
}

}  // namespace
}  // namespace audio
