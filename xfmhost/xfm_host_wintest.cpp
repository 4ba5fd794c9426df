// The host's scan, menus and nested API in-process under Wine, over copies of the test probes (built into
// bin/ beside this test) in a folder of their own: the first scan asks every probe and writes xfm.dat, the
// second asks none and gives the same table; the menu items land in the Transform and Generate popups under
// their category; the greying follows the format masks; the nested handles copy only inside the block.
// clang-format off
#include "platform/win32.h"  // before the other system headers
// clang-format on

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "xfmhost/xfm_exports_win.h"
#include "xfmhost/xfm_host.h"

namespace xfmhost {
namespace {

const char* const kProbes[] = {"probe.xfm", "oldprobe.xfm", "genprobe.xfm", "lenprobe.xfm", "probe04.xfm"};

std::string exeDir() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string p = path;
  return p.substr(0, p.find_last_of("\\/"));
}

std::string menuText(HMENU menu, int position) {
  char text[128] = {};
  GetMenuStringA(menu, UINT(position), text, sizeof text, MF_BYPOSITION);
  return text;
}

class HostScan : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmp[MAX_PATH];
    GetTempPathA(sizeof tmp, tmp);
    dir_ = std::string(tmp) + "xfmhost_scan_test";
    CreateDirectoryA(dir_.c_str(), nullptr);
    for (const char* p : kProbes) {
      const std::string from = exeDir() + "\\" + p, to = dir_ + "\\" + p;
      ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from;
      DeleteFileA((dir_ + "\\" + std::string(p).substr(0, std::strlen(p) - 4) + ".log").c_str());
    }
    DeleteFileA((dir_ + "\\xfm.dat").c_str());
    HostHooks& h = hostHooks();
    h = HostHooks();
    h.programDir = dir_;
    h.settingsFile = dir_ + "\\scan.ini";
    DeleteFileA(h.settingsFile.c_str());
  }
  void TearDown() override { shutDownTransforms(); }
  std::string dir_;
};

TEST_F(HostScan, CacheMenusGreyingAndNestedBlocks) {
  scanTransforms(32);
  const int asked = queryCalls();
  const TransformTable& t = transformTable();
  ASSERT_EQ(t.size(), 5u);
  std::vector<std::string> names;
  for (size_t i = 0; i < t.size(); ++i) names.push_back(t.at(i).info.name);
  EXPECT_EQ(names,
            (std::vector<std::string>{"Probes\\Current Probe", "Probes\\Generator Probe",
                                      "Probes\\Length Probe", "Probes\\Mono 16", "Probes\\Old Probe"}));
  EXPECT_NE(t.at(0).bitmap, nullptr);  // the current probe's TOOLBARICON
  EXPECT_EQ(t.at(1).bitmap, nullptr);
  EXPECT_EQ(std::string(t.at(4).fileName), "oldprobe.xfm");
  EXPECT_EQ(GetFileAttributesA((dir_ + "\\xfm.dat").c_str()) != INVALID_FILE_ATTRIBUTES, true);

  // The second scan comes from the cache: nobody asked, the same table, the picture rebuilt.
  shutDownTransforms();
  scanTransforms(32);
  EXPECT_EQ(queryCalls(), asked);
  ASSERT_EQ(transformTable().size(), 5u);
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(std::string(transformTable().at(i).info.name), names[i]);
  EXPECT_NE(transformTable().at(0).bitmap, nullptr);
  // Another colour depth rebuilds it.
  shutDownTransforms();
  scanTransforms(16);
  EXPECT_EQ(queryCalls(), asked + 5);

  // Menus: the Transform popup (position 3) and the Generate popup (4) get a "Probes" popup each.
  HMENU bar = CreateMenu();
  for (const char* top : {"File", "Edit", "View", "Transform", "Generate", "Analyze"}) {
    HMENU sub = CreatePopupMenu();
    AppendMenuA(sub, MF_STRING, 1, "Existing");
    AppendMenuA(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), top);
  }
  insertTransformMenus(bar);
  HMENU transform = GetSubMenu(bar, 3), generate = GetSubMenu(bar, 4), analyze = GetSubMenu(bar, 5);
  ASSERT_GE(GetMenuItemCount(transform), 4);
  EXPECT_EQ(GetMenuState(transform, 1, MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));
  EXPECT_EQ(menuText(transform, 2), "Probes");
  HMENU probes = GetSubMenu(transform, 2);
  ASSERT_NE(probes, nullptr);
  ASSERT_EQ(GetMenuItemCount(probes), 4);
  const struct {
    const char* text;
    UINT id;
  } items[] = {
      {"Current Probe...", 7000}, {"Length Probe...", 7002}, {"Mono 16...", 7003}, {"Old Probe...", 7004}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(menuText(probes, i), items[i].text);
    EXPECT_EQ(GetMenuItemID(probes, i), items[i].id);
  }
  EXPECT_EQ(menuText(transform, 3), "Special");
  EXPECT_EQ(GetMenuItemID(GetSubMenu(transform, 3), 0), 3150u);
  ASSERT_NE(GetSubMenu(generate, 2), nullptr);
  EXPECT_EQ(menuText(GetSubMenu(generate, 2), 0), "Generator Probe...");
  EXPECT_EQ(GetMenuItemID(GetSubMenu(generate, 2), 0), 7001u);
  EXPECT_EQ(GetMenuItemCount(analyze), 1);  // nothing to analyse: no separator either
  DestroyMenu(bar);

  // Greying.
  MenuState stereo;
  stereo.waveOpen = true;
  stereo.waveFrames = 1000;
  stereo.waveChannels = 2;
  EXPECT_TRUE(transformEnabled(0, stereo));
  EXPECT_FALSE(transformEnabled(3, stereo));  // Mono 16 on a stereo wave
  MenuState left = stereo;
  left.oneChannelSelected = true;
  EXPECT_TRUE(transformEnabled(3, left));
  MenuState busy = stereo;
  busy.audioBusy = true;
  EXPECT_FALSE(transformEnabled(0, busy));
  MenuState none;
  EXPECT_FALSE(transformEnabled(0, none));
  EXPECT_TRUE(transformEnabled(1, none));  // the generator makes its own wave
  EXPECT_FALSE(transformEnabled(9, stereo));
  EXPECT_TRUE(transformChangesLength(7002));
  EXPECT_FALSE(transformChangesLength(7000));

  // Nested: a handle with the old probe's 8-byte block, copies only inside it.
  const int32_t h = xfm_OpenXfm("probes\\old probe");  // any case
  ASSERT_GT(h, 0);
  uint8_t b[16] = {};
  EXPECT_EQ(xfm_bGetXfmData(b, h, 0, 8), 1);
  int32_t v[2];
  std::memcpy(v, b, 8);
  EXPECT_EQ(v[0], 11);
  EXPECT_EQ(v[1], 22);
  EXPECT_EQ(xfm_bGetXfmData(b, h, 4, 5), 0);
  EXPECT_EQ(xfm_bSetXfmData(h, b, 8, 1), 0);
  EXPECT_EQ(xfm_bSetXfmData(h, b, 0xFFFF, 2), 0);
  const int32_t nv[2] = {-5, 99};
  EXPECT_EQ(xfm_SetXfmVar(h, 0, 8, nv), 1);
  EXPECT_EQ(xfm_bGetXfmData(b, h, 4, 4), 1);
  std::memcpy(v, b, 4);
  EXPECT_EQ(v[0], 99);
  EXPECT_EQ(xfm_OpenXfm("Old Probe"), 0);  // OpenXfm wants the full name
  const int32_t ex = xfm_OpenXfmEx("Old Probe", 0, 22050, 0, nullptr, nullptr);
  ASSERT_GT(ex, 0);
  EXPECT_NE(ex, h);
  EXPECT_EQ(xfm_CloseXfm(ex), 1);
  EXPECT_EQ(xfm_CloseXfm(h), 1);
  EXPECT_EQ(xfm_bGetXfmData(b, h, 0, 4), 0);
  const int32_t vars = xfm_CreateXfmVars("Probes\\Old Probe");
  ASSERT_NE(vars, 0);
  GlobalFree(reinterpret_cast<HGLOBAL>(intptr_t(vars)));
  // Every XfmInit above found every slot filled.
  std::ifstream log(dir_ + "\\oldprobe.log");
  std::stringstream text;
  text << log.rdbuf();
  int inits = 0;
  std::string line;
  while (std::getline(text, line)) {
    if (line.rfind("oldinit slots", 0) != 0) continue;
    ++inits;
    int ok = 0, total = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "oldinit slots %d of %d", &ok, &total), 2) << line;
    EXPECT_EQ(ok, total) << line;
  }
  EXPECT_EQ(inits, 3);
}

}  // namespace
}  // namespace xfmhost
