// The graph display window "SORNDISPLAY" under the real window system: registration twice, the data it keeps,
// a rendering of a mono spectrum whose highest line pixel sits at its peak's column, bars filling what the
// line outlines, a stereo graph with the left channel's colour above the right one's, and tiny windows that
// paint without a fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "display/graph_display_win.h"
#include "platform/win32.h"

namespace display {
namespace {

uint32_t Rgb(COLORREF c) {  // the render's 0x00RRGGBB
  return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
}

class GraphDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(GraphDisplayRegister(GetModuleHandleA(nullptr)));
    ASSERT_TRUE(GraphDisplayRegister(GetModuleHandleA(nullptr)));  // again: not an error
    wnd_ = CreateWindowExA(0, kGraphDisplayClass, "", WS_POPUP, 0, 0, 500, 300, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(wnd_, nullptr);
  }
  void TearDown() override {
    if (wnd_) DestroyWindow(wnd_);
  }
  // Pixels of colour c: (x, y) of each.
  std::vector<std::pair<int, int>> Find(COLORREF c, int* w = nullptr, int* h = nullptr) {
    std::vector<uint32_t> px;
    int width = 0, height = 0;
    EXPECT_TRUE(GraphDisplayRender(wnd_, &px, &width, &height));
    std::vector<std::pair<int, int>> out;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (px[size_t(y) * width + x] == Rgb(c)) out.push_back({x, y});
    if (w) *w = width;
    if (h) *h = height;
    return out;
  }
  HWND wnd_ = nullptr;
};

GraphData Spectrum(int channels, size_t peakBin) {
  GraphData d;
  d.channels = channels;
  for (int c = 0; c < channels; ++c) {
    d.series[c].assign(1024, -100.0f);
    d.series[c][peakBin * (c + 1)] = -10.0f;
  }
  d.xMax = 22050;
  return d;
}

TEST_F(GraphDisplay, KeepsItsDataAndRefusesOtherWindows) {
  EXPECT_NE(GraphDisplayData(wnd_), nullptr);
  EXPECT_TRUE(GraphDisplayData(wnd_)->series[0].empty());
  GraphData d = Spectrum(1, 100);
  EXPECT_TRUE(GraphDisplaySetData(wnd_, d));
  EXPECT_EQ(GraphDisplayData(wnd_)->series[0], d.series[0]);
  HWND other = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  EXPECT_FALSE(GraphDisplaySetData(other, d));
  EXPECT_EQ(GraphDisplayData(other), nullptr);
  std::vector<uint32_t> px;
  int w, h;
  EXPECT_FALSE(GraphDisplayRender(other, &px, &w, &h));
  DestroyWindow(other);
}

TEST_F(GraphDisplay, LineReachesItsPeakAndBarsFillBelowIt) {
  GraphData d = Spectrum(1, 256);  // a quarter of the way along
  ASSERT_TRUE(GraphDisplaySetData(wnd_, d));
  const auto line = Find(GraphDisplaySeriesColor(0));
  ASSERT_GT(line.size(), 300u);
  const int x0 = std::min_element(line.begin(), line.end())->first;
  const int x1 = std::max_element(line.begin(), line.end())->first;
  const auto top = *std::min_element(line.begin(), line.end(),
                                     [](const auto& a, const auto& b) { return a.second < b.second; });
  EXPECT_NEAR(double(top.first - x0) / (x1 - x0 + 1), 0.25, 0.01);
  d.lines = false;
  ASSERT_TRUE(GraphDisplaySetData(wnd_, d));
  const auto bars = Find(GraphDisplaySeriesColor(0));
  EXPECT_GT(bars.size(), 2 * line.size());
  // The peak's bar runs from the line's top down to the floor.
  const int below =
      int(std::count_if(bars.begin(), bars.end(), [&](const auto& p) { return p.first == top.first; }));
  const int floorY = std::max_element(bars.begin(), bars.end(), [](const auto& a, const auto& b) {
                       return a.second < b.second;
                     })->second;
  EXPECT_GE(below, floorY - top.second);
}

TEST_F(GraphDisplay, StereoPutsLeftAboveRight) {
  ASSERT_TRUE(GraphDisplaySetData(wnd_, Spectrum(2, 200)));
  int w = 0, h = 0;
  const auto left = Find(GraphDisplaySeriesColor(0), &w, &h);
  const auto right = Find(GraphDisplaySeriesColor(1));
  ASSERT_GT(left.size(), 200u);
  ASSERT_GT(right.size(), 200u);
  int leftLow = 0, rightHigh = h;
  for (const auto& p : left) leftLow = std::max(leftLow, p.second);
  for (const auto& p : right) rightHigh = std::min(rightHigh, p.second);
  EXPECT_LT(leftLow, rightHigh);
  EXPECT_LT(leftLow, h / 2 + 2);
}

TEST_F(GraphDisplay, TinyWindowsPaint) {
  for (int size : {0, 1, 3, 20, 40}) {
    SetWindowPos(wnd_, nullptr, 0, 0, size, size, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(GraphDisplaySetData(wnd_, Spectrum(2, 10)));
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    RECT rc;
    GetClientRect(wnd_, &rc);
    EXPECT_EQ(GraphDisplayRender(wnd_, &px, &w, &h), rc.right > 0 && rc.bottom > 0) << size;
    UpdateWindow(wnd_);
  }
}

}  // namespace
}  // namespace display
