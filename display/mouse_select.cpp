// Mouse selection state machine of the waveform display.
#include "display/mouse_select.h"

#include <algorithm>

namespace display {

int32_t AutoScrollStep(int32_t d, int32_t pixels) {
  int32_t step;
  if (d <= 7)
    step = 1;
  else if (d <= 9)
    step = 2;
  else if (d <= 14)
    step = pixels / 100;
  else if (d <= 19)
    step = pixels / 75;
  else if (d <= 29)
    step = pixels / 50;
  else if (d <= 39)
    step = pixels / 33;
  else if (d <= 49)
    step = pixels / 25;
  else if (d <= 59)
    step = pixels / 12;
  else
    step = pixels / 6;
  return std::max(1, step);  // narrow windows would otherwise stall at 0
}

int ChannelZone(uint32_t flags, int32_t top, int32_t bottom, int32_t y) {
  const int32_t h = bottom - top;
  if (flags & WDF_NORIGHT) {
    if (y < (top + bottom) / 2 - 8) return 1;
    if (y > bottom - h / 4) return 2;
    return 0;
  }
  if (flags & WDF_NOLEFT) {
    if (y < top + h / 4) return 1;
    if (y > (top + bottom) / 2 + 8) return 2;
    return 0;
  }
  if (y < top + h / 12) return 1;
  if (y > bottom - h / 12) return 2;
  return 0;
}

int32_t HandleDragOffset(int32_t y, int32_t pressY, int32_t topLimit, int32_t bottomLimit) {
  if (y < topLimit + 2) return topLimit - pressY + 2;
  if (y > bottomLimit - 2) return bottomLimit - pressY - 2;
  return y - pressY;
}

double HandleDragValue(int32_t boxTop, int32_t offset, int32_t topLimit, int32_t bottomLimit, double low,
                       double high) {
  const int32_t span = bottomLimit - topLimit - 2;
  if (span <= 0 || !(high > low)) return 0;
  double f = static_cast<double>(boxTop + offset - topLimit + 2) / span;
  f = std::max(0.0, std::min(1.0, f));  // a box dragged onto the limits stays inside the range
  return -(low + f * (high - low));
}

uint32_t HandleDragFlags(bool stereo, bool lowerChannel) {
  return stereo ? (lowerChannel ? 1u | 4u : 1u | 2u) : 1u;
}

double SelectionMouse::positionAt(int32_t x) const {
  x = std::max(view_.left(), std::min(x, view_.right() + 1));
  return view_.boundaryAt(x) - 0.5;
}

void SelectionMouse::extendTo(double p) {
  const double a = view_.anchor();
  if (p > a)
    view_.setSelection(SafeTrunc(a + 0.9999), SafeTrunc(p + 0.4999));
  else if (p < a)
    view_.setSelection(SafeTrunc(p + 0.9999), SafeTrunc(a + 0.4999));
  else
    view_.setSelection(SafeTrunc(a + 0.9999), SafeTrunc(a + 0.9999) - 1);
}

MouseActions SelectionMouse::stopTimers() {
  MouseActions act;
  act.killRightTimer = rightTimer_;
  act.killLeftTimer = leftTimer_;
  rightTimer_ = leftTimer_ = false;
  return act;
}

MouseActions SelectionMouse::buttonDown(bool rightButton, int32_t x, int32_t y, bool shift, uint32_t msg,
                                        uint32_t wParam, int32_t lParam) {
  MouseActions act;
  if (view_.flags() & WDF_PASSCLICKS) {
    view_.notify(WDN_CLICK, wParam, msg, lParam);
    return act;
  }
  if (view_.channels() == 2) {
    const int zone = ChannelZone(view_.flags(), clientTop_, clientBottom_, y);
    if (zone == 1) {
      view_.setFlags(WDF_NORIGHT, WDF_CHANNEL_MASK);
      act.cursor = MouseCursor::kUpperChannel;
    } else if (zone == 2) {
      view_.setFlags(WDF_NOLEFT, WDF_CHANNEL_MASK);
      act.cursor = MouseCursor::kLowerChannel;
    } else if (view_.flags() & WDF_CHANNEL_MASK) {
      view_.setFlags(0, WDF_CHANNEL_MASK);
    }
  }
  const double p = positionAt(x);
  const int32_t s = view_.selStart(), e = view_.selEnd();
  if (shift || rightButton) {
    if ((s + static_cast<double>(e)) * 0.5 > p) {
      view_.setAnchor(e + 0.5);
      view_.setSelection(SafeTrunc(p + 0.9999), e);
    } else {
      view_.setAnchor(s - 0.5);
      view_.setSelection(s, SafeTrunc(p + 0.4999));
    }
  } else {
    view_.setAnchor(p);
    const int32_t at = SafeTrunc(p + 0.9999);
    view_.setSelection(at, at - 1);
  }
  view_.setSelecting(true);  // after the first selection, which is therefore always reported
  act.capture = true;
  return act;
}

MouseActions SelectionMouse::move(int32_t x, int32_t y) {
  MouseActions act;
  if (!(view_.flags() & WDF_SELECTING)) {
    act.cursor = MouseCursor::kArrow;
    if (view_.channels() == 2) {
      const int zone = ChannelZone(view_.flags(), clientTop_, clientBottom_, y);
      if (zone == 1) act.cursor = MouseCursor::kUpperChannel;
      if (zone == 2) act.cursor = MouseCursor::kLowerChannel;
    }
    return act;
  }
  extendTo(positionAt(x));
  // Auto-scroll follows the unclamped pointer.
  if (x > view_.right() + 6) {
    step_ = AutoScrollStep(x - view_.right(), view_.pixels());
    if (!rightTimer_) act.startRightTimer = rightTimer_ = true;
  } else if (rightTimer_) {
    act.killRightTimer = true;
    rightTimer_ = false;
  }
  if (x < view_.left() - 5) {
    step_ = AutoScrollStep(view_.left() - x, view_.pixels());
    if (!leftTimer_) act.startLeftTimer = leftTimer_ = true;
  } else if (leftTimer_) {
    act.killLeftTimer = true;
    leftTimer_ = false;
  }
  return act;
}

MouseActions SelectionMouse::timer(int id) {
  if (!(view_.flags() & WDF_SELECTING)) return stopTimers();
  if (id == kTimerScrollRight && rightTimer_) {
    view_.scroll(-step_);
    extendTo(view_.last());
  } else if (id == kTimerScrollLeft && leftTimer_) {
    view_.scroll(step_);
    extendTo(view_.first());
  }
  return MouseActions{};
}

MouseActions SelectionMouse::buttonUp(int32_t x, int32_t y) {
  if (!(view_.flags() & WDF_SELECTING)) return MouseActions{};
  MouseActions act = stopTimers();
  const double p = positionAt(x);
  // Cleared first, so the final selection is reported even when unchanged: that tells the parent the
  // button was released.
  view_.setSelecting(false);
  extendTo(p);
  act.release = true;
  return act;
}

MouseActions SelectionMouse::doubleClick(int32_t x, int32_t y, uint32_t wParam, int32_t lParam) {
  if (view_.flags() & WDF_PASSCLICKS) {
    view_.notify(WDN_DBLCLK, wParam, 0, lParam);
    return MouseActions{};
  }
  view_.setSelection(SafeTrunc(view_.first() + 0.9999), SafeTrunc(view_.last() - 0.0001));
  return MouseActions{};
}

}  // namespace display
