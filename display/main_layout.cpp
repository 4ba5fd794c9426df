// Layout of the display, its rulers and the status fields in the main window.
#include "display/main_layout.h"

#include <algorithm>

namespace display {

MainLayout LayoutMainArea(const PixelRect& area, int32_t fieldWidth, int32_t textHeight) {
  MainLayout m;
  fieldWidth = std::max<int32_t>(fieldWidth, 1);
  textHeight = std::max<int32_t>(textHeight, 1);
  const int32_t statusHeight = textHeight + 4;
  const int32_t width = area.right - area.left - kValueRulerWidth;
  const int32_t room = area.bottom - area.top - kTimeRulerHeight - statusHeight;
  if (width < 16 || room < 7) return m;
  const int32_t h = SnapDisplayHeight(room);
  m.visible = true;
  m.display = {area.left, area.top, area.left + width, area.top + h};
  m.valueRuler = {m.display.right, area.top, area.right, area.top + h};
  m.timeRuler = {area.left, m.display.bottom, m.display.right, m.display.bottom + kTimeRulerHeight};
  // The status row under the time ruler: the three position fields keep their width at the right, the
  // length and size fields take one field width each, the format field the rest (at least nothing).
  const int32_t top = m.timeRuler.bottom, bottom = top + statusHeight;
  const int32_t fixed[6] = {0, fieldWidth, fieldWidth, fieldWidth + 8, fieldWidth + 8, fieldWidth + 8};
  int32_t x = area.right;
  for (int i = 5; i >= 1; --i) {
    const int32_t l = std::max(area.left, x - fixed[i]);
    m.status[i] = {l, top, x, bottom};
    x = l;
  }
  m.status[0] = {area.left, top, x, bottom};
  return m;
}

}  // namespace display
