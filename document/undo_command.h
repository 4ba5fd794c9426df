// The Undo command (102): applies the newest undo level of the document, and the levels chained below it,
// splicing each level's saved samples back. What the display must do afterwards (selection, view, edit
// channel) comes back as an outcome, so the command itself needs no window.
#pragma once

#include <cstdint>
#include <functional>

#include "document/wave_document.h"

namespace document {

// Command ids whose levels the Undo command knows.
constexpr int32_t kCmdAdjustRate = 109;
constexpr int32_t kCmdConvertType = 120;
constexpr int32_t kCmdPaste = 2100;
constexpr int32_t kCmdPasteWindows = 415;
constexpr int32_t kCmdMixPaste = 2110;
constexpr int32_t kCmdCut = 2150;
constexpr int32_t kCmdDelete = 2200;
constexpr int32_t kCmdTrim = 2210;
constexpr int32_t kCmdReverse = 3080;
constexpr int32_t kCmdInvert = 3100;
constexpr int32_t kCmdSilence = 3140;
constexpr int32_t kCmdMusic = 3150;
constexpr int32_t kCmdSampleAdjust = 3257;
constexpr int32_t kCmdGenerateSilence = 4100;
constexpr int32_t kCmdTransformFirst = 7000;
constexpr int32_t kCmdTransformLast = 7099;
constexpr int32_t kCmdCutChannel = 10275;

struct UndoOutcome {
  int levels = 0;            // levels undone (0: nothing happened)
  bool failed = false;       // a level could not be applied (no room to splice); it stays on the node
  uint32_t selStart = 0;     // the selection to show
  uint32_t selEnd = 0;
  int editChannel = -1;      // stereo: the edit channel to set (0 both, 1 left, 2 right); -1 leave it
  uint32_t viewEndAtLeast = 0;  // the view should reach at least this frame (clamped to the length)
  uint32_t viewWiden = 0;       // frames to widen the view by (cut and delete)
  double viewScale = 1.0;       // sample type conversion: scale the view by this rate ratio
};

// Whether transform command 7000 + n changes the length of its range (its cue positions are then rescaled
// instead of shifted). Empty: no transform does.
using TransformLengthQuery = std::function<bool(int32_t command)>;

// Undo (102). Acts only when the document's undo node state is positive.
UndoOutcome UndoCommand(WaveDocument* doc, const TransformLengthQuery& changesLength = nullptr);

}  // namespace document
