// Test helpers for the editing commands: documents of every sample format filled with known bytes, their
// raw contents, and a user interface that records every message box and answers from a script.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "document/document_test_util.h"
#include "document/edit_ops.h"
#include "ui/message_box.h"

namespace document {
namespace testing_util {

class EditFixture : public DocumentFixture {
 protected:
  // A document with random samples. 32-bit documents get floats on the 16-bit scale, some beyond full
  // scale and some -0.0, so exactness is tested on values a plain 16-bit path would change.
  std::unique_ptr<WaveDocument> makeDoc(uint16_t channels, uint16_t bits, uint32_t frames, uint32_t seed,
                                        uint32_t rate = 44100) {
    auto doc = WaveDocument::createEmpty(channels, bits, rate, kCreateNewWave);
    EXPECT_NE(doc, nullptr);
    std::vector<uint8_t> b(size_t(frames) * channels * (bits / 8));
    std::mt19937 rng(seed);
    if (bits == 32) {
      for (size_t i = 0; i + 4 <= b.size(); i += 4) {
        float f = float(int(rng() % 80001) - 40000) + 0.25f * float(rng() % 4);
        if (rng() % 50 == 0) f = -0.0f;
        std::memcpy(&b[i], &f, 4);
      }
    } else {
      for (auto& x : b) x = uint8_t(rng());
    }
    if (!b.empty()) {
      EXPECT_EQ(doc->samples()->write(0, b.data(), uint32_t(b.size())), b.size());
    }
    doc->resetCounters();
    return doc;
  }
  static std::vector<uint8_t> bytes(WaveDocument* doc) {
    std::vector<uint8_t> b(size_t(doc->samples()->length()));
    if (!b.empty()) doc->samples()->read(0, b.data(), uint32_t(b.size()));
    return b;
  }
  EditUi editUi() {
    EditUi u;
    u.ask = [this](const std::string& text, const std::string& caption, unsigned) {
      questions.push_back(caption + ": " + text);
      int a = answers.empty() ? ui::kIdOk : answers.front();
      if (!answers.empty()) answers.erase(answers.begin());
      return a;
    };
    return u;
  }
  static EditRange sel(int64_t start, int64_t end, int channel = 0, uint32_t viewStart = 0,
                       uint32_t viewEnd = 0) {
    EditRange r;
    r.start = start;
    r.end = end;
    r.editChannel = channel;
    r.viewStart = viewStart;
    r.viewEnd = viewEnd;
    return r;
  }
};

}  // namespace testing_util
}  // namespace document
