#include "shell/app_state.h"

#include <gtest/gtest.h>

#include "ui/message_box.h"

namespace shell {
namespace {

TEST(AppState, TitleAndSuffix) {
  AppState a;
  EXPECT_EQ(mainWindowTitle(a), "Sorn Edit 96");
  EXPECT_EQ(normaliseSuffix("NoNe"), "");
  EXPECT_EQ(normaliseSuffix(" beta"), " beta");
  a.suffixText = normaliseSuffix(" beta");
  EXPECT_EQ(mainWindowTitle(a), "Sorn Edit 96 beta");
}

TEST(AppState, DocumentWorkRefusedWithoutStore) {
  ui::ScriptedMessageBoxes boxes;
  bool saved = app().storeAvailable;
  app().storeAvailable = true;
  EXPECT_FALSE(refuseDocumentWork());
  EXPECT_EQ(boxes.count(), 0u);
  app().storeAvailable = false;
  EXPECT_TRUE(refuseDocumentWork());
  ASSERT_EQ(boxes.count(), 1u);
  EXPECT_EQ(boxes.shown()[0].caption, "Error");
  app().storeAvailable = saved;
}

struct CloseCase {
  bool clip, autosave;
  int clipResult, autosaveResult, askResult;  // -1: hook missing, 0 fails / cancels, 1 succeeds
  bool close;
  bool asked;
};

class Closing : public ::testing::TestWithParam<CloseCase> {};

TEST_P(Closing, ReadyToClose) {
  const CloseCase& c = GetParam();
  CloseSteps h;
  bool asked = false;
  if (c.clipResult >= 0) h.clipModeClose = [&] { return c.clipResult == 1; };
  if (c.autosaveResult >= 0) h.autosaveClose = [&] { return c.autosaveResult == 1; };
  if (c.askResult >= 0)
    h.askToSave = [&] {
      asked = true;
      return c.askResult == 1;
    };
  CommandLine cl;
  cl.clipMode = c.clip;
  cl.autosaveMode = c.autosave;
  EXPECT_EQ(readyToClose(h, cl), c.close);
  EXPECT_EQ(asked, c.asked);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Closing,
    ::testing::Values(CloseCase{false, false, -1, -1, -1, true, false},  // nothing to save
                      CloseCase{false, false, 1, 1, 0, false, true},     // user cancels
                      CloseCase{false, false, 1, 1, 1, true, true},
                      CloseCase{true, false, 1, -1, 0, true, false},   // clip copy done
                      CloseCase{true, false, 0, -1, 0, false, true},   // copy failed: ask
                      CloseCase{false, true, -1, 1, 0, true, false},   // saved
                      CloseCase{false, true, -1, 0, 1, true, true}));  // save failed: ask

}  // namespace
}  // namespace shell
