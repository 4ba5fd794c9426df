// The exported services in-process under Wine: every slot filled and equal to the export of its name (the
// test program carries the same export list as the editor), the answers without a document or a handle, the
// bounded nested block copies, the delayed writer without Init, the graph services, the cancel flag across
// the progress services, and Limits on a real edit control with its alert and the [Tips] switch.
// clang-format off
#include "platform/win32.h"  // before the other system headers
// clang-format on

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "xfmhost/progress_window.h"
#include "ui/message_box.h"
#include "xfmhost/xfm_exports_win.h"
#include "xfmhost/xfm_host.h"
#include "xfmhost/xfm_services.h"

namespace xfmhost {
namespace {

struct Slot {
  const char* name;
  size_t offset;
};
#define SLOT(n) \
  { #n, offsetof(XfmContext, n) }
const Slot kSlots[] = {SLOT(cwCenter),
                       SLOT(vocReadOld),
                       SLOT(vocWriteAtOld),
                       SLOT(progressMeter),
                       SLOT(progressCreate),
                       SLOT(progressDestroy),
                       SLOT(presetsInitIni),
                       SLOT(presetHandlePRESETNAME),
                       SLOT(HandleID_PRESETS),
                       SLOT(HandleID_ADD),
                       SLOT(presetHandleDEL),
                       SLOT(graphapiCreate),
                       SLOT(graphapiCount),
                       SLOT(graphapiGetPoint),
                       SLOT(graphapiGetValueAt),
                       SLOT(graphapiDraw),
                       SLOT(graphapiClear),
                       SLOT(graphapiInverse),
                       SLOT(graphapiDestroy),
                       SLOT(graphapiWM_LBUTTONDOWN),
                       SLOT(graphapiWM_LBUTTONUP),
                       SLOT(graphapiWM_LBUTTONDBLCLK),
                       SLOT(graphapiWM_MOUSEMOVE),
                       SLOT(graphapiSetDblClkScales),
                       SLOT(graphapiSetDblClkNames),
                       SLOT(graphapiSetDialog),
                       SLOT(FFT),
                       SLOT(WindowFFT),
                       SLOT(IWindowFFT),
                       SLOT(SetWindowType),
                       SLOT(getTempName),
                       SLOT(SetFFT16bit),
                       SLOT(SetFFT8bit),
                       SLOT(SetStereoFFT16bit),
                       SLOT(SetStereoFFT8bit),
                       SLOT(SetStereoFFT16bitInterleaved),
                       SLOT(SetStereoFFT8bitInterleaved),
                       SLOT(GetStereoFFT16bitInterleaved),
                       SLOT(GetStereoFFT8bitInterleaved),
                       SLOT(OpenXfmEx),
                       SLOT(SetXfmVar),
                       SLOT(CallXfm),
                       SLOT(delayWrite),
                       SLOT(delayWriteInit),
                       SLOT(delayWriteDestroy),
                       SLOT(graphapiCopyGraph),
                       SLOT(vocCutOld),
                       SLOT(vocInsertBlank),
                       SLOT(DeleteXfmVars),
                       SLOT(graphapiSetPoint),
                       SLOT(LFFT),
                       SLOT(Convolute),
                       SLOT(PreviewStart),
                       SLOT(PreviewStop),
                       SLOT(PreviewUpdate),
                       SLOT(DisplayInit),
                       SLOT(Limits),
                       SLOT(vocReadEx),
                       SLOT(vocWriteEx),
                       SLOT(ConvoluteEx),
                       SLOT(vocCutEx),
                       SLOT(vocInsertEx),
                       SLOT(vocGetMinMax),
                       SLOT(delayWriteInitEx),
                       SLOT(delayWriteEx),
                       SLOT(delayWriteDestroyEx)};

void* at(const XfmContext& c, size_t offset) {
  void* p;
  std::memcpy(&p, reinterpret_cast<const char*>(&c) + offset, sizeof p);
  return p;
}

TEST(XfmServices, EverySlotIsFilledWithTheExportOfItsName) {
  XfmContext c;
  std::memset(&c, 0, sizeof c);
  fillServiceSlots(&c);
  HMODULE exe = GetModuleHandleA(nullptr);
  for (const Slot& s : kSlots) {
    void* slot = at(c, s.offset);
    EXPECT_NE(slot, nullptr) << s.name;
    EXPECT_EQ(slot, reinterpret_cast<void*>(GetProcAddress(exe, s.name))) << s.name;
  }
  EXPECT_EQ(c.cancel, cancelFlag());
  // The converting accessors are the exports of theirs.
  setOldAccess(&c, OldAccess::kBoth8to16, true);
  EXPECT_EQ(at(c, offsetof(XfmContext, vocReadOld)),
            reinterpret_cast<void*>(GetProcAddress(exe, "vocRead8to16Old")));
  EXPECT_EQ(at(c, offsetof(XfmContext, vocCutOld)),
            reinterpret_cast<void*>(GetProcAddress(exe, "vocCut16to8Old")));
  EXPECT_EQ(at(c, offsetof(XfmContext, delayWrite)),
            reinterpret_cast<void*>(GetProcAddress(exe, "delayWrite16to8")));
  setOldAccess(&c, OldAccess::kSingle, false);
  EXPECT_EQ(at(c, offsetof(XfmContext, vocWriteAtOld)),
            reinterpret_cast<void*>(GetProcAddress(exe, "vocWriteAtSingleOld")));
  EXPECT_EQ(at(c, offsetof(XfmContext, vocInsertBlank)),
            reinterpret_cast<void*>(GetProcAddress(exe, "vocInsertBlank")));
  // Exports without a slot.
  for (const char* name : {"AlertLimits", "OpenXfm", "DoXfm", "CloseXfm", "CreateXfmVars", "bGetXfmData",
                           "bSetXfmData", "vocInsertOld", "vocInsert16to8Old", "vocReadSingle8to16Old"})
    EXPECT_NE(GetProcAddress(exe, name), nullptr) << name;
}

TEST(XfmServices, WithoutADocumentOrHandleNothingHappens) {
  hostHooks().document = nullptr;
  XfmContext c;
  std::memset(&c, 0, sizeof c);
  fillServiceSlots(&c);
  uint8_t buf[64] = {};
  EXPECT_EQ(c.vocReadOld(buf, 0, 16), 1u);
  EXPECT_EQ(c.vocWriteAtOld(buf, 0, 16), 1u);
  EXPECT_EQ(c.vocInsertBlank(0, 16), 1u);
  EXPECT_EQ(c.vocCutOld(0, 16), 1u);
  auto single = reinterpret_cast<XfmVocOldFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(nullptr), "vocReadSingleOld")));
  ASSERT_NE(single, nullptr);
  EXPECT_EQ(single(buf, 0, 4), 1u);
  EXPECT_EQ(c.vocReadEx(1234, buf, 0, 4, XFM_IO_STEREO | XFM_IO_16BIT), 0);
  EXPECT_EQ(c.vocWriteEx(0, buf, 0, 4, XFM_IO_STEREO | XFM_IO_16BIT), 0);
  EXPECT_EQ(c.vocInsertEx(0, 0, 4, 1), 0);
  EXPECT_EQ(c.vocCutEx(0, 0, 4), 0);
  int16_t a = 1, b = 1;
  EXPECT_EQ(c.vocGetMinMax(0, 0, 10, &a, &b, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
  // Nested handles that are free.
  EXPECT_EQ(xfm_bGetXfmData(buf, 1, 0, 4), 0);
  EXPECT_EQ(xfm_bSetXfmData(15, buf, 0, 4), 0);
  EXPECT_EQ(c.SetXfmVar(0, 0, 1, buf), 0);
  EXPECT_EQ(xfm_DoXfm(16, 0, 10, 1), 0);
  EXPECT_EQ(c.CallXfm("x", -3, 0, 10, 1, 0), 0);
  EXPECT_EQ(xfm_CloseXfm(2), 0);
  EXPECT_EQ(xfm_OpenXfm("No Such Transform"), 0);
  EXPECT_EQ(xfm_OpenXfm(nullptr), 0);
  EXPECT_EQ(c.OpenXfmEx("No Such Transform", 0, 44100, 0, nullptr, nullptr), 0);
  EXPECT_EQ(xfm_CreateXfmVars("No Such Transform"), 0);
}

TEST(XfmServices, DelayedWriterWithoutInitTakesNothing) {
  XfmContext c;
  std::memset(&c, 0, sizeof c);
  fillServiceSlots(&c);
  uint8_t buf[32] = {};
  EXPECT_EQ(c.delayWrite(buf, 20), 20);
  EXPECT_EQ(c.delayWriteEx(0, buf, 5), 5);
  EXPECT_EQ(c.delayWriteDestroy(), 0);
  EXPECT_EQ(c.delayWriteDestroyEx(0), 0);
  // Ex form: 1 on success, and a second writer is refused while one is active.
  EXPECT_EQ(c.delayWriteInitEx(10, 0, 100, XFM_IO_MONO | XFM_IO_16BIT), 1);
  EXPECT_EQ(c.delayWriteInitEx(10, 0, 100, XFM_IO_MONO | XFM_IO_16BIT), 0);
  EXPECT_EQ(c.delayWriteEx(0, buf, 5), 0);
  EXPECT_EQ(c.delayWriteDestroyEx(0), 1);
}

TEST(XfmServices, GraphServicesThroughTheSlots) {
  XfmContext c;
  std::memset(&c, 0, sizeof c);
  fillServiceSlots(&c);
  const int32_t g = c.graphapiCreate(0, 1000, 0, 100, 0, 100);
  ASSERT_GE(g, 0);
  EXPECT_EQ(c.graphapiCount(g), 2);
  EXPECT_EQ(c.graphapiSetPoint(g, 1, 400, 40, 0), 1);
  EXPECT_EQ(c.graphapiSetPoint(g, 2, 1000, 100, 1), 1);
  int32_t xy[2] = {};
  EXPECT_EQ(c.graphapiGetPoint(g, 1, xy), 1);
  EXPECT_EQ(xy[0], 400);
  EXPECT_EQ(xy[1], 40);
  EXPECT_EQ(c.graphapiGetPoint(g, 3, xy), 0);
  double v = 0;
  EXPECT_EQ(c.graphapiGetValueAt(g, 0.2, &v), 1);
  EXPECT_DOUBLE_EQ(v, 20.0);
  EXPECT_EQ(c.graphapiCopyGraph(g, g), 1);
  EXPECT_EQ(c.graphapiClear(g), 1);
  EXPECT_EQ(c.graphapiCount(g), 2);
  EXPECT_EQ(c.graphapiDestroy(g), 1);
  EXPECT_EQ(c.graphapiCount(g), -1);
  EXPECT_EQ(c.graphapiDestroy(0xffff), 0);
}

TEST(XfmServices, CancelFlagFollowsTheProgressWindow) {
  XfmContext c;
  std::memset(&c, 0, sizeof c);
  fillServiceSlots(&c);
  *cancelFlag() = 0;
  ASSERT_EQ(c.progressCreate("Probing", reinterpret_cast<XfmWindow>(intptr_t(-1))), 1);
  EXPECT_EQ(c.progressMeter(1, 4), 1);
  EXPECT_EQ(*c.cancel, 0);
  // The window's Cancel: the meter reports the stop and the flag at 44 is set.
  HWND w = static_cast<HWND>(xfmhost::progressWindow());
  ASSERT_NE(w, nullptr);
  PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(c.progressMeter(2, 4), 0);
  EXPECT_NE(*c.cancel, 0);
  c.progressDestroy();
  *cancelFlag() = 0;
}

// Limits and AlertLimits through the slots are the dialog services (dialog_services_wintest.cpp shows them
// with the real "Value Out Of Range" dialog); the slots' identity with the exports is checked above.

}  // namespace
}  // namespace xfmhost
