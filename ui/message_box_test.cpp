#include "ui/message_box.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(MessageBox, ScriptedSinkRecordsAndAnswers) {
  ScriptedMessageBoxes boxes;
  boxes.queueAnswer(kIdNo);
  EXPECT_EQ(ShowMessageBox("Save changes?", "Attention!", kMbYesNoCancel | kMbIconQuestion), kIdNo);
  EXPECT_EQ(ShowMessageBox("Second", nullptr, kMbOkCancel), kIdOk);  // queue empty: default button
  auto shown = boxes.shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, "Save changes?");
  EXPECT_EQ(shown[0].caption, "Attention!");
  EXPECT_EQ(shown[0].answer, kIdNo);
  EXPECT_EQ(shown[1].caption, kDefaultCaption);
}

TEST(MessageBox, SinkIsRestoredAfterScope) {
  {
    ScriptedMessageBoxes outer;
    {
      ScriptedMessageBoxes inner;
      ShowMessageBox("x", "y", kMbOk);
      EXPECT_EQ(inner.count(), 1u);
    }
    ShowMessageBox("z", "y", kMbOk);
    EXPECT_EQ(outer.count(), 1u);
  }
}

struct DefaultCase {
  unsigned flags;
  int answer;
};

class MessageBoxDefault : public ::testing::TestWithParam<DefaultCase> {};

TEST_P(MessageBoxDefault, DefaultButton) {
  EXPECT_EQ(defaultAnswer(GetParam().flags), GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(Table, MessageBoxDefault,
                         ::testing::Values(DefaultCase{kMbOk, kIdOk}, DefaultCase{kMbOkCancel, kIdOk},
                                           DefaultCase{kMbOkCancel | kMbDefButton2, kIdCancel},
                                           DefaultCase{kMbYesNo, kIdYes},
                                           DefaultCase{kMbYesNo | kMbDefButton2, kIdNo},
                                           DefaultCase{kMbYesNoCancel | kMbDefButton3, kIdCancel},
                                           DefaultCase{kMbAbortRetryIgnore | kMbDefButton2, kIdRetry},
                                           DefaultCase{kMbRetryCancel | kMbIconExclamation, kIdRetry}));

}  // namespace
}  // namespace ui
