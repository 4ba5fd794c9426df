// Layout of the display, its rulers and the status fields in the main window.
#include "display/main_layout.h"

#include <algorithm>

namespace display {

MainLayout LayoutMainArea(const PixelRect& area, int32_t fieldWidth, int32_t textHeight, int32_t formatWidth) {
  MainLayout m;
  fieldWidth = std::max<int32_t>(fieldWidth, 1);
  textHeight = std::max<int32_t>(textHeight, 1);
  const int32_t statusHeight = textHeight + 4;
  const int32_t width = area.right - area.left - kValueRulerWidth;
  // The three position fields keep their width at the right, the length field is a third wider than a
  // field (" 1234567 Samples"), the size field two thirds of one, and the format field takes the rest.
  const int32_t fixed[6] = {0, fieldWidth + fieldWidth / 3, fieldWidth * 2 / 3, fieldWidth + 8, fieldWidth + 8,
                            fieldWidth + 8};
  int32_t fixedSum = 0;
  for (int32_t f : fixed) fixedSum += f;
  // When the format text would not fit beside the others, the position fields go to a second row.
  const bool twoRows = formatWidth > 0 && area.right - area.left - fixedSum < formatWidth;
  const int32_t rows = twoRows ? 2 : 1;
  const int32_t room = area.bottom - area.top - kTimeRulerHeight - rows * statusHeight;
  if (width < 16 || room < 7) return m;
  const int32_t h = SnapDisplayHeight(room);
  m.visible = true;
  m.display = {area.left, area.top, area.left + width, area.top + h};
  m.valueRuler = {m.display.right, area.top, area.right, area.top + h};
  m.timeRuler = {area.left, m.display.bottom, m.display.right, m.display.bottom + kTimeRulerHeight};
  const int32_t top = m.timeRuler.bottom, bottom = top + statusHeight;
  int32_t x = area.right;
  const int lastOfFirstRow = twoRows ? kStatusSize : kStatusTime;
  for (int i = lastOfFirstRow; i >= 1; --i) {
    const int32_t l = std::max(area.left, x - fixed[i]);
    m.status[i] = {l, top, x, bottom};
    x = l;
  }
  m.status[0] = {area.left, top, x, bottom};
  if (twoRows) {
    // Beg, End and Time share the second row equally.
    const int32_t third = (area.right - area.left) / 3;
    for (int i = 0; i < 3; ++i) {
      const int32_t l = area.left + i * third, r = i == 2 ? area.right : l + third;
      m.status[kStatusBeg + i] = {l, bottom, r, bottom + statusHeight};
    }
  }
  return m;
}

}  // namespace display

namespace display {
namespace {

PixelRect clipRight(PixelRect r, int32_t right) {
  r.right = std::max(r.left, std::min(r.right, right));
  return r;
}

}  // namespace

int32_t CdBarHeight(int32_t textHeight) {
  return 2 * std::max<int32_t>(textHeight, 1) + 10;
}

MainWindowLayout LayoutMainWindow(const PixelRect& client, const MainWindowMetrics& m) {
  MainWindowLayout l;
  const int32_t th = std::max<int32_t>(m.textHeight, 1);
  const int32_t right = client.right, bottom = client.bottom;
  int32_t y = client.top + std::max<int32_t>(m.toolbarHeight, 0);

  if (m.cdBarHeight > 0) {
    l.cdShown = true;
    const int32_t top = y + 2, h = std::max<int32_t>(m.cdBarHeight - 4, 1);
    l.cdTitle = clipRight({client.left + 4, top, client.left + 4 + 2 * std::max<int32_t>(m.fieldWidth, 1),
                           top + th + 6}, right);
    l.cdTime = clipRight({l.cdTitle.right + 4, top, l.cdTitle.right + 4 + std::max<int32_t>(m.cdTimeWidth, 1),
                          top + th + 6}, right);
    l.cdTracks = clipRight({std::min(right, l.cdTime.right + 4), top, right - 4, top + h}, right);
    if (l.cdTracks.right < l.cdTracks.left) l.cdTracks.right = l.cdTracks.left;
    y += m.cdBarHeight;
  }

  // The button row.
  const int32_t rowTop = y + 2, rowBottom = rowTop + th + 10;
  const int32_t transportWidth = std::max<int32_t>(m.buttonTextWidth * 3 / 4, 40);
  const int32_t zoomWidth = std::max<int32_t>(m.buttonTextWidth / 2, 30);
  int32_t x = client.left + 4;
  for (int i = 0; i < kMainButtonCount; ++i) {
    if (i == kButtonZoom) x += 8;
    const int32_t w = i < kButtonZoom ? transportWidth : zoomWidth;
    l.buttons[i] = {x, rowTop, x + w, rowBottom};
    l.buttonVisible[i] = x + w <= right - 2;
    x += w;
  }
  // The device and capability texts, one above the other, in what is left of the row (in the small font),
  // when it is worth showing.
  const int32_t textLeft = x + 8, room = right - 4 - textLeft;
  const int32_t half = (rowBottom - rowTop) / 2;
  if (room >= 80) {
    l.deviceText = {textLeft, rowTop, right - 4, rowTop + half};
    l.capabilityText = {textLeft, rowTop + half, right - 4, rowBottom};
  }

  // From the bottom up: the meter, the notice line, and the wave area between.
  const int32_t meterTop = std::max(rowBottom, bottom - kMeterHeight);
  l.meter = {client.left, meterTop, right, std::max(meterTop, bottom)};
  const int32_t noticeTop = std::max(rowBottom, meterTop - (th + 2));
  l.notice = {client.left + 4, noticeTop, std::max(client.left + 4, right - 4), meterTop};
  const PixelRect area{client.left, rowBottom + 2, right, std::max(rowBottom + 2, noticeTop - 1)};
  l.wave = LayoutMainArea(area, m.fieldWidth, th, m.formatWidth);
  return l;
}

}  // namespace display
