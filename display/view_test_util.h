// Test helper: a view model whose notifications are collected in a vector.
#pragma once

#include <vector>

#include "display/view_model.h"

namespace display {

struct RecordingView {
  std::vector<WaveDispNotify> log;
  WaveView view{[this](const WaveDispNotify& n) { log.push_back(n); }};

  // Codes received since the last call, then forgets them.
  std::vector<int> take() {
    std::vector<int> codes;
    for (const WaveDispNotify& n : log) codes.push_back(n.code);
    log.clear();
    return codes;
  }
};

// A document of `length` frames shown whole in an area of `pixels` columns starting at column `left`.
inline void ShowWhole(WaveView& v, int32_t length, int32_t pixels, int32_t left = 3) {
  v.setArea(left, left + pixels - 1);
  v.setLength(length);
  v.setView(0, length - 1);
}

}  // namespace display
