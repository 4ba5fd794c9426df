// What the cue list and play list windows share as windows: controls that follow the window's size
// (anchored to the right or bottom edge, or stretched), and the window position kept in [Position]
// (<prefix>X, <prefix>Y, <prefix>W, <prefix>H). Included only by *_win.cpp files.
#pragma once

#include <vector>

#include "platform/win32.h"

namespace markers {

struct Anchor {
  int id;
  bool moveX, moveY;  // keep the distance to the right / bottom edge
  bool growX, growY;  // keep both edges' distances: the control stretches
};

class ListWindowFrame {
 public:
  // Records the controls' places in the dialog's first layout.
  void init(HWND dlg, const std::vector<Anchor>& anchors);
  // Moves and stretches the controls for the current client size.
  void layout(HWND dlg);
  // Places the window as the settings file says (defX, defY and the dialog's own size by default), kept on
  // the screen.
  static void restorePosition(HWND dlg, const char* prefix, int defX, int defY);
  static void savePosition(HWND dlg, const char* prefix);

 private:
  struct Placed {
    Anchor anchor;
    RECT rect;
  };
  std::vector<Placed> placed_;
  SIZE client_ = {0, 0};
};

}  // namespace markers
