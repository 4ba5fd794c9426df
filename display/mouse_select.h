// Selection with the mouse on the waveform display: click, drag with auto-scroll past either edge,
// shift-click or right-click to extend, double-click to select the visible range, the stereo channel zones
// at the top and bottom, and clicks passed to the parent. The window layer turns mouse and timer messages
// into these calls and carries out the returned actions (capture, timers, cursor shape, beep).
#pragma once

#include <cstdint>

#include "display/view_model.h"

namespace display {

// Auto-scroll timers: 1 scrolls towards the end (pointer right of the area), 2 towards the start.
constexpr int kTimerScrollRight = 1;
constexpr int kTimerScrollLeft = 2;
constexpr int kAutoScrollMs = 20;

enum class MouseCursor { kUnchanged, kArrow, kUpperChannel, kLowerChannel };

struct MouseActions {
  bool capture = false;
  bool release = false;
  bool startRightTimer = false, killRightTimer = false;
  bool startLeftTimer = false, killLeftTimer = false;
  MouseCursor cursor = MouseCursor::kUnchanged;
};

// Pixels scrolled per timer tick for a pointer d pixels outside the area of `pixels` columns; at least 1.
int32_t AutoScrollStep(int32_t d, int32_t pixels);

// Stereo channel zone of a pointer at y in a client area from top to bottom: 1 upper channel only,
// 2 lower channel only, 0 both. Depends on which channel bits are set.
int ChannelZone(uint32_t flags, int32_t top, int32_t bottom, int32_t y);

// Dragging a sample handle: the vertical offset of the dragged box for a pointer at y (pressed at pressY),
// kept two pixels inside the drag limits (the channel's top and bottom rows).
int32_t HandleDragOffset(int32_t y, int32_t pressY, int32_t topLimit, int32_t bottomLimit);
// The new normalized value of a sample whose box (top row boxTop) was moved by offset, for the vertical
// range (low, high): -(low + f x (high - low)) with f = (boxTop + offset - topLimit + 2) /
// (bottomLimit - topLimit - 2); clamped to the range and 0 for degenerate limits.
double HandleDragValue(int32_t boxTop, int32_t offset, int32_t topLimit, int32_t bottomLimit, double low,
                       double high);
// Flags of the sample-dragged notification: 1 in mono, 1|2 for the upper and 1|4 for the lower channel.
uint32_t HandleDragFlags(bool stereo, bool lowerChannel);

class SelectionMouse {
 public:
  explicit SelectionMouse(WaveView& view) : view_(view) {}

  // Client rectangle's top and bottom, for the channel zones.
  void setClient(int32_t top, int32_t bottom) {
    clientTop_ = top;
    clientBottom_ = bottom;
  }

  // msg, wParam and lParam are passed to the parent unchanged with WDF_PASSCLICKS.
  MouseActions buttonDown(bool rightButton, int32_t x, int32_t y, bool shift, uint32_t msg = 0,
                          uint32_t wParam = 0, int32_t lParam = 0);
  MouseActions move(int32_t x, int32_t y);
  MouseActions buttonUp(int32_t x, int32_t y);
  MouseActions doubleClick(int32_t x, int32_t y, uint32_t wParam = 0, int32_t lParam = 0);
  MouseActions timer(int id);

  bool rightTimerOn() const { return rightTimer_; }
  bool leftTimerOn() const { return leftTimer_; }
  int32_t scrollStep() const { return step_; }

 private:
  double positionAt(int32_t x) const;  // P = S(x) - 0.5 with x clamped to the area
  void extendTo(double p);             // selection between the anchor and p
  MouseActions stopTimers();

  WaveView& view_;
  int32_t clientTop_ = 0, clientBottom_ = 0;
  bool rightTimer_ = false, leftTimer_ = false;
  int32_t step_ = 1;
};

}  // namespace display
