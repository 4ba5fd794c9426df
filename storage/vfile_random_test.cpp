// Randomized differential test of virtual files: writes, fills, inserts, cuts, splices, copies, reads and
// seeks on mapped and temp files of up to 1 MiB, against a plain byte vector that also knows which bytes
// are defined (gaps and unfilled inserts are not). After every step the touched range and the
// notifications are checked, every few steps the store's invariants, every 1,000 steps every file whole.
// Runs once with plenty of blocks and once with the store nearly out of descriptors, where operations
// come up short and the model follows what they report.
//
// SORN_TEST_SCALE multiplies the steps (10,000 by default); SORN_TEST_SEED repeats a run.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <random>

#include "storage/vfile_test_util.h"

namespace storage {
namespace {

using namespace testing_util;

constexpr uint32_t kMaxFile = 1u << 20;
constexpr uint32_t kInvariantEvery = 5;

// The expected contents: bytes and whether each is defined.
struct Model {
  std::vector<uint8_t> bytes, known;
  uint32_t size() const { return uint32_t(bytes.size()); }
  void resize(uint32_t n) {
    bytes.resize(n, 0);
    known.resize(n, 0);
  }
  void set(uint32_t at, const uint8_t* src, uint32_t n) {
    std::copy(src, src + n, bytes.begin() + at);
    std::fill(known.begin() + at, known.begin() + at + n, 1);
  }
  void insert(uint32_t at, uint32_t n, bool fill, uint8_t value) {
    bytes.insert(bytes.begin() + at, n, value);
    known.insert(known.begin() + at, n, fill ? 1 : 0);
  }
  void erase(uint32_t at, uint32_t n) {
    bytes.erase(bytes.begin() + at, bytes.begin() + at + n);
    known.erase(known.begin() + at, known.begin() + at + n);
  }
  Model slice(uint32_t at, uint32_t n) const {
    Model m;
    m.bytes.assign(bytes.begin() + at, bytes.begin() + at + n);
    m.known.assign(known.begin() + at, known.begin() + at + n);
    return m;
  }
};

struct Entry {
  HfHandle* file;
  Model model;
};

class VfileRandomTest : public VfileFixture {
 protected:
  // A cache that holds most of the files' blocks keeps the run fast.
  void SetUp() override { ASSERT_EQ(init(16384), 0); }
  uint32_t seed() {
    const char* s = std::getenv("SORN_TEST_SEED");
    uint32_t v = s ? uint32_t(std::strtoul(s, nullptr, 0))
                   : uint32_t(std::chrono::steady_clock::now().time_since_epoch().count());
    std::cout << "vfile random test seed " << v << " (SORN_TEST_SEED repeats it)\n";
    return v;
  }
  uint32_t pick(uint32_t lo, uint32_t hi) { return std::uniform_int_distribution<uint32_t>(lo, hi)(rng); }
  uint32_t size() {
    uint32_t r = pick(0, 9);
    return r < 6 ? pick(1, 300) : r < 9 ? pick(1, 70000) : pick(1, 200000);
  }
  std::vector<uint8_t> randomBytes(uint32_t n) {
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = uint8_t(rng());
    return v;
  }

  // Defined bytes of [at, at + n) of the file match the model.
  ::testing::AssertionResult same(const Entry& e, uint32_t at, uint32_t n) {
    if (HfGetLength(e.file) != e.model.size())
      return ::testing::AssertionFailure()
             << "length " << HfGetLength(e.file) << ", model " << e.model.size();
    if (at >= e.model.size()) return ::testing::AssertionSuccess();
    n = std::min(n, e.model.size() - at);
    std::vector<uint8_t> got(n);
    uint32_t read = HfRead(e.file, at, n, got.data());
    if (read != n) return ::testing::AssertionFailure() << "read " << read << " of " << n << " at " << at;
    for (uint32_t i = 0; i < n; ++i)
      if (e.model.known[at + i] && got[i] != e.model.bytes[at + i])
        return ::testing::AssertionFailure()
               << "byte " << at + i << " is " << int(got[i]) << ", model " << int(e.model.bytes[at + i]);
    return ::testing::AssertionSuccess();
  }

  // The notifications of one step on file f, as codes; HFN_WRITE runs are checked for contiguity and
  // bytes by the caller through `writes`.
  std::vector<uint32_t> codesFor(HfHandle* f) {
    std::vector<uint32_t> c;
    for (const Note& n : notes)
      if (n.file == f) c.push_back(n.code);
    return c;
  }
  // HFN_WRITE notes of f cover [at, at + n) in order; checks their bytes against the model.
  ::testing::AssertionResult writesCover(const Entry& e, uint32_t at, uint32_t n) {
    uint32_t next = at;
    for (const Note& x : notes) {
      if (x.file != e.file || x.code != HFN_WRITE) continue;
      if (x.a != next) return ::testing::AssertionFailure() << "107 at " << x.a << ", expected " << next;
      for (uint32_t i = 0; i < x.bytes.size(); ++i)
        if (e.model.known[x.a + i] && x.bytes[i] != e.model.bytes[x.a + i])
          return ::testing::AssertionFailure() << "107 byte " << x.a + i << " differs";
      next += x.b;
    }
    if (next != at + n)
      return ::testing::AssertionFailure() << "107s end at " << next << ", expected " << at + n;
    return ::testing::AssertionSuccess();
  }

  void run(bool scarce);
  void step(std::vector<Entry>& files, bool scarce, uint32_t stepNo);
  HfHandle* newSourceFile(Model* m);

  std::mt19937 rng;
  int sources = 0;
};

HfHandle* VfileRandomTest::newSourceFile(Model* m) {
  uint32_t n = pick(1, 400000);
  std::string path = dir.file("src" + std::to_string(sources++) + ".raw");
  auto bytes = writeSourceFile(path, n, uint32_t(rng()));
  int st = 0;
  HfHandle* h = keep(HfOpen(path, 0, n, 1, 0, sink(), pick(0, 1) == 1, &st));
  if (!h) return nullptr;  // out of descriptors in the scarce run
  m->resize(0);
  m->resize(n);
  m->set(0, bytes.data(), n);
  return h;
}

void VfileRandomTest::step(std::vector<Entry>& files, bool scarce, uint32_t stepNo) {
  Entry& e = files[pick(0, uint32_t(files.size()) - 1)];
  const uint32_t len = e.model.size();
  uint32_t op = pick(0, 99);
  if (len > kMaxFile - 200000 && op < 60) op = 60;  // keep files under 1 MiB: cut
  notes.clear();
  uint32_t checkAt = 0, checkN = 0;
  const uint32_t lenBefore = HfGetLength(e.file);
  ASSERT_EQ(lenBefore, len);
  if (op < 20) {  // write
    uint32_t at = pick(0, len + (pick(0, 9) == 0 ? 70000 : 0)), n = size();
    auto src = randomBytes(n);
    uint32_t done = HfWrite(e.file, at, n, src.data());
    uint32_t now = HfGetLength(e.file);
    if (!scarce) {
      ASSERT_EQ(done, n);
    }
    if (done) {
      ASSERT_EQ(now, std::max(len, at + done));
    }
    e.model.resize(std::max(e.model.size(), std::min(at, now)));
    e.model.resize(now);
    e.model.set(at, src.data(), done);
    std::vector<uint32_t> expect;
    if (now != len) expect.push_back(HFN_LENGTH);
    if (done) expect.push_back(HFN_WRITE);
    ASSERT_EQ(codesFor(e.file), expect) << "write";
    if (done) {
      ASSERT_EQ(notes.back().bytes, std::vector<uint8_t>(src.begin(), src.begin() + done));
    }
    checkAt = at, checkN = done;
  } else if (op < 32) {  // fill
    const uint32_t unit = std::vector<uint32_t>{1, 2, 4, 8}[pick(0, 3)];
    uint32_t at = pick(0, len + (pick(0, 9) == 0 ? 70000 : 0)), n = size();
    const uint32_t phase = at % unit, plen = pick(1, unit - phase);
    auto pat = randomBytes(plen);
    if (pick(0, 1)) std::fill(pat.begin(), pat.end(), pat[0]);
    uint32_t done = HfFill(e.file, at, n, pat.data(), plen, unit);
    uint32_t start = at - phase, now = HfGetLength(e.file);
    uint32_t want = (n + unit - 1) / unit * unit;
    if (!scarce) {
      ASSERT_EQ(done, want);
    }
    ASSERT_LE(done, want);
    if (done) {
      ASSERT_GE(now, start + done);
    }
    e.model.resize(now);
    for (uint32_t x = 0; x < done; ++x) {
      uint32_t u = x % unit;
      if (u >= phase && u < phase + plen) e.model.set(start + x, &pat[u - phase], 1);
    }
    ASSERT_TRUE(writesCover(e, start, done)) << "fill";
    std::vector<uint32_t> codes = codesFor(e.file);
    if (now != len) {
      ASSERT_FALSE(codes.empty());
      ASSERT_EQ(codes.back(), uint32_t(HFN_LENGTH));
    }
    checkAt = start, checkN = done;
  } else if (op < 50) {  // insert
    uint32_t at = pick(0, len + (pick(0, 19) == 0 ? 70000 : 0)), n = size();
    bool fill = pick(0, 1);
    uint8_t value = uint8_t(rng());
    uint32_t done = HfInsert(e.file, at, n, fill, value);
    uint32_t now = HfGetLength(e.file);
    if (!scarce) {
      ASSERT_EQ(done, n);
    }
    e.model.resize(std::max(len, std::min(at, now)));
    if (done) {
      ASSERT_EQ(now, std::max(len, at) + done);
      e.model.insert(at, done, fill, value);
      ASSERT_EQ(codesFor(e.file), (std::vector<uint32_t>{HFN_INSERT, HFN_LENGTH}));
      ASSERT_EQ(notes[0].a, at);
      ASSERT_EQ(notes[0].b, done);
    }
    e.model.resize(now);
    checkAt = at, checkN = done + 1000;
  } else if (op < 70) {  // cut
    if (len == 0) return;
    uint32_t at = pick(0, len - 1), n = op >= 60 && len > kMaxFile - 200000 ? 300000 : size();
    uint32_t done = HfCut(e.file, at, n);
    if (!scarce) {
      ASSERT_EQ(done, std::min(n, len - at));
    }
    e.model.erase(at, done);
    if (done) {
      ASSERT_EQ(codesFor(e.file), (std::vector<uint32_t>{HFN_CUT, HFN_LENGTH}));
      ASSERT_EQ(notes[0].b, done);
    }
    checkAt = at > 1000 ? at - 1000 : 0, checkN = 2000;
  } else if (op < 78) {  // splice a copy of some file's range, or a fresh file
    Entry& from = files[pick(0, uint32_t(files.size()) - 1)];
    Model part;
    HfHandle* src = nullptr;
    int st = 0;
    if (pick(0, 2) && from.model.size() > 0) {
      uint32_t a = pick(0, from.model.size() - 1), n = std::min(size(), from.model.size() - a);
      src = HfCopy(from.file, a, n, 0, false, &st, nullptr);
      if (src) part = from.model.slice(a, HfGetLength(src));
    } else {
      src = HfCreate(2, 0, sink(), false, &st);
      if (src) {
        auto bytes = randomBytes(size());
        uint32_t done = HfWrite(src, 0, uint32_t(bytes.size()), bytes.data());
        part.resize(done);
        part.set(0, bytes.data(), done);
      }
    }
    if (!src) {
      ASSERT_TRUE(scarce) << "no file for a splice, status " << st;
      return;
    }
    keep(src);
    if (len + part.size() > kMaxFile) {
      forget(src);
      HfClose(src);
      return;
    }
    uint32_t at = pick(0, len);
    notes.clear();
    int r = HfInsertFile(e.file, src, at);
    if (r != VF_OK) {
      ASSERT_TRUE(scarce) << "splice failed " << r;
      ASSERT_EQ(HfGetLength(e.file), len);
      forget(src);
      HfClose(src);
      return;
    }
    forget(src);
    e.model.insert(at, part.size(), false, 0);
    std::copy(part.bytes.begin(), part.bytes.end(), e.model.bytes.begin() + at);
    std::copy(part.known.begin(), part.known.end(), e.model.known.begin() + at);
    if (part.size()) {
      std::vector<uint32_t> codes = codesFor(e.file);
      ASSERT_GE(codes.size(), 2u);
      ASSERT_EQ(codes.front(), uint32_t(HFN_INSERT));
      ASSERT_EQ(codes.back(), uint32_t(HFN_LENGTH));
      ASSERT_TRUE(writesCover(e, at, part.size())) << "splice";
      ASSERT_EQ(codesFor(src).size(), 2u);  // closing, closed (the record is gone; only its pointer is kept)
    }
    checkAt = at > 10 ? at - 10 : 0, checkN = part.size() + 20;
  } else if (op < 84) {  // copy and compare
    if (len == 0) return;
    uint32_t a = pick(0, len - 1), n = size();
    int st = 0;
    HfHandle* c = HfCopy(e.file, a, n, 0, pick(0, 1) == 1, &st, nullptr);
    if (!c) {
      ASSERT_TRUE(scarce);
      return;
    }
    keep(c);
    uint32_t got = HfGetLength(c);
    if (!scarce) {
      ASSERT_EQ(got, std::min(n, len - a));
    }
    Entry copy{c, e.model.slice(a, got)};
    ASSERT_TRUE(same(copy, 0, got)) << "copy";
    ASSERT_EQ(codesFor(c), (std::vector<uint32_t>{HFN_READY}));
    if (files.size() < 5 && pick(0, 1)) {
      files.push_back(copy);
      return;  // e may have moved with the vector
    }
    forget(c);
    HfClose(c);
  } else if (op < 94) {  // read
    uint32_t at = pick(0, len + 100), n = size();
    checkAt = at, checkN = n;
  } else if (op < 97) {  // seek (grows past the end)
    uint32_t at = pick(0, std::min(len + 70000, kMaxFile));
    uint32_t reached = HfSeek(e.file, at, pick(0, 3) == 0);
    if (!scarce) {
      ASSERT_EQ(reached, at);
    }
    uint32_t now = HfGetLength(e.file);
    e.model.resize(now);
    ASSERT_EQ(codesFor(e.file), now != len ? std::vector<uint32_t>{HFN_LENGTH} : std::vector<uint32_t>{});
  } else {  // replace the file by a freshly mapped one
    Model m;
    HfHandle* h = newSourceFile(&m);
    if (!h) return;
    forget(e.file);
    HfClose(e.file);
    e.file = h;
    e.model = m;
    checkAt = 0, checkN = m.size();
  }
  ASSERT_TRUE(same(e, checkAt, checkN)) << "op " << op << " step " << stepNo;
  if (stepNo % 1000 == 999) {
    for (const Entry& f : files) {
      ASSERT_TRUE(same(f, 0, f.model.size())) << "whole file, step " << stepNo;
    }
  }
  // The checker walks all 32,767 descriptors; every few steps keeps the run short.
  if (stepNo % kInvariantEvery == 0) {
    ASSERT_TRUE(storeOk()) << "step " << stepNo;
  }
}

void VfileRandomTest::run(bool scarce) {
  rng.seed(seed());
  std::vector<Entry> files;
  Model m;
  HfHandle* mapped = newSourceFile(&m);
  ASSERT_NE(mapped, nullptr);
  files.push_back({mapped, m});
  files.push_back({create(true), Model()});
  files.push_back({create(false), Model()});
  if (scarce) hog(40);
#ifdef _WIN32
  // Under Wine on an emulated 32-bit CPU a step costs ~10x more; the native builds carry the full count.
  const uint32_t steps = 1000u * uint32_t(testScale());
#else
  const uint32_t steps = 10000u * uint32_t(testScale());
#endif
  for (uint32_t i = 0; i < steps; ++i) {
    step(files, scarce, i);
    if (HasFatalFailure()) {
      std::cout << "failed at step " << i << "\n";
      return;
    }
  }
  for (const Entry& f : files) {
    ASSERT_TRUE(same(f, 0, f.model.size()));
  }
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileRandomTest, MatchesAByteVector) {
  run(false);
}

TEST_F(VfileRandomTest, MatchesAByteVectorWhenBlocksRunOut) {
  run(true);
  EXPECT_GT(needSpaceCalls, 0);
}

}  // namespace
}  // namespace storage
