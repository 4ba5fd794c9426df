// Runs the WAVE fixture corpus made by tools/make_wav_fixtures.py (sox-made and hand-damaged files) through
// the reader: what must open opens with sox's samples and the expected metadata, what must be refused is
// refused with the expected status. Every file that opens is then written again, read back (same samples,
// same items) and, natively, checked by sox and python's wave module.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "include/sorn_bytes.h"
#include "plugins/wavpcm/riff_items.h"
#include "plugins/wavpcm/riff_reader.h"
#include "plugins/wavpcm/riff_samples.h"
#include "plugins/wavpcm/riff_writer.h"

namespace wavpcm {
namespace {

using Bytes = std::vector<uint8_t>;

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

bool readAll(const std::string& path, Bytes* out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  out->clear();
  uint8_t buf[8192];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out->insert(out->end(), buf, buf + n);
  std::fclose(f);
  return true;
}

// The fixture directory of this build, generated on first use.
std::string fixtureDir() {
  std::string bin = env("SORN_BINARY_DIR");
  if (bin.empty()) return "";
  std::string dir = bin + "/tests/data/wav";
  Bytes probe;
  if (!readAll(dir + "/manifest.tsv", &probe)) {
#ifndef _WIN32
    std::string cmd = "python3 '" + env("SORN_SOURCE_DIR") + "/tools/make_wav_fixtures.py' '" + dir + "'";
    if (std::system(cmd.c_str()) != 0) return "";
#else
    return "";
#endif
  }
  return dir;
}

struct Row {
  std::string name, expect, status;
  int tol = 0;
  uint32_t rate = 0, channels = 0, bits = 0;
  uint64_t frames = 0;
  std::string meta;
};

std::vector<Row> readManifest(const std::string& dir) {
  std::vector<Row> rows;
  std::ifstream in(dir + "/manifest.tsv");
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::stringstream ss(line);
    std::string field;
    while (std::getline(ss, field, '\t')) f.push_back(field);
    if (f.size() != 9) {
      ADD_FAILURE() << "bad manifest line: " << line;
      continue;
    }
    Row r{f[0], f[1], f[2], std::atoi(f[3].c_str()), 0, 0, 0, 0, f[8] == "-" ? "" : f[8]};
    r.rate = static_cast<uint32_t>(std::atoll(f[4].c_str()));
    r.channels = static_cast<uint32_t>(std::atoll(f[5].c_str()));
    r.bits = static_cast<uint32_t>(std::atoll(f[6].c_str()));
    r.frames = static_cast<uint64_t>(std::atoll(f[7].c_str()));
    rows.push_back(r);
  }
  return rows;
}

std::string statusName(RiffStatus s) {
  static const char* names[] = {"Ok",
                                "ReadError",
                                "NotRiff",
                                "NotWave",
                                "NoFormat",
                                "NoData",
                                "BadFormatChunk",
                                "UnsupportedCodec",
                                "TooManyChannels",
                                "BadChannels",
                                "BadSampleRate",
                                "BadBitsPerSample",
                                "TooLarge",
                                "WriteFailed",
                                "BadArgument"};
  return names[static_cast<int>(s)];
}

// The metadata as the manifest spells it.
std::string dumpMeta(const RiffMetadata& m) {
  std::vector<std::string> e;
  char buf[64];
  for (auto& t : m.info) e.push_back("INFO " + t.id + " " + t.text);
  for (auto& c : m.cues) e.push_back("cue " + std::to_string(c.id) + " " + std::to_string(c.position));
  for (auto& t : m.labels) e.push_back("labl " + std::to_string(t.cueId) + " " + t.text);
  for (auto& t : m.notes) e.push_back("note " + std::to_string(t.cueId) + " " + t.text);
  for (auto& r : m.regions) {
    std::snprintf(buf, sizeof buf, "ltxt %u %u %.4s ", r.cueId, r.length, r.purpose);
    e.push_back(buf + r.text);
  }
  for (auto& p : m.playlist) {
    std::snprintf(buf, sizeof buf, "plst %u %u %u", p.cueId, p.length, p.loops);
    e.push_back(buf);
  }
  for (auto& l : m.loops) {
    std::snprintf(buf, sizeof buf, "loop %u %u %u", l.id, l.start, l.end);
    e.push_back(buf);
  }
  if (m.hasSampler) e.push_back("smpl 1");
  for (auto& c : m.others) e.push_back("chunk " + c.list + " " + c.id + " " + std::to_string(c.bytes.size()));
  std::string s;
  for (size_t i = 0; i < e.size(); ++i) s += (i ? "|" : "") + e[i];
  return s;
}

// Delivered samples as 16-bit values, the way sox shows them.
std::vector<int> asSixteenBit(const Bytes& d, uint16_t bits) {
  std::vector<int> v;
  if (bits == 8) {
    for (uint8_t b : d) v.push_back((b - 128) * 256);
  } else if (bits == 16) {
    for (size_t i = 0; i + 1 < d.size(); i += 2) v.push_back(SornGetS16LE(&d[i]));
  } else {
    for (size_t i = 0; i + 3 < d.size(); i += 4) {
      float f;
      std::memcpy(&f, &d[i], 4);
      double r = std::floor(static_cast<double>(f) + 0.5);
      v.push_back(static_cast<int>(r < -32768 ? -32768 : r > 32767 ? 32767 : r));
    }
  }
  return v;
}

Bytes deliverAll(RiffSource& src, const RiffFile& f) {
  RiffSampleReader r(src, f);
  Bytes out(static_cast<size_t>(r.totalBytes()));
  // Reads of an odd size, so frames are cut between reads as the filter's host may cut them.
  size_t at = 0, k;
  while (at < out.size() && (k = r.read(out.data() + at, std::min<size_t>(1027, out.size() - at))) > 0)
    at += k;
  EXPECT_EQ(at, out.size());
  return out;
}

// Writes the file again through the writer with all its items; returns the written bytes.
Bytes rewrite(const RiffFile& f, const Bytes& delivered, uint16_t outBits) {
  MemoryOutput out;
  RiffWriter w(&out);
  EXPECT_EQ(w.begin(f.format.rate, outBits, f.format.channels), RiffStatus::Ok);
  for (const MetaItem& it : riffMetaItems(f.meta))
    EXPECT_TRUE(
        w.addItem(it.list.c_str(), it.id.c_str(), it.bytes.data(), static_cast<uint32_t>(it.bytes.size())));
  if (!delivered.empty()) {
    EXPECT_EQ(w.writeSamples(delivered.data(), static_cast<uint32_t>(delivered.size())), delivered.size());
  }
  EXPECT_EQ(w.finish(), RiffStatus::Ok);
  return out.bytes;
}

void checkOpen(const std::string& dir, const Row& row, const Bytes& file) {
  MemorySource src(file.data(), file.size());
  RiffFile f;
  ASSERT_EQ(parseRiffWave(src, &f), RiffStatus::Ok);
  EXPECT_EQ(f.format.rate, row.rate);
  EXPECT_EQ(f.format.channels, row.channels);
  EXPECT_EQ(f.format.bits, row.bits);
  EXPECT_EQ(f.frames, row.frames);
  EXPECT_EQ(dumpMeta(f.meta), row.meta);
  EXPECT_EQ(f.mappable, row.bits <= 16);

  Bytes delivered = deliverAll(src, f);
  RiffSampleReader probe(src, f);
  const uint16_t outBits = probe.outputBits();
  if (f.mappable) {
    EXPECT_TRUE(
        std::equal(delivered.begin(), delivered.end(), file.begin() + static_cast<long>(f.dataOffset)));
  }
  Bytes refBytes;
  ASSERT_TRUE(readAll(dir + "/ref/" + row.name + ".raw", &refBytes));
  std::vector<int> ref = asSixteenBit(refBytes, 16), mine = asSixteenBit(delivered, outBits);
  ASSERT_EQ(mine.size(), ref.size());
  int worst = 0;
  for (size_t i = 0; i < ref.size(); ++i) worst = std::max(worst, std::abs(ref[i] - mine[i]));
  EXPECT_LE(worst, row.tol) << "largest difference from sox";

  // Round trip: written again, read back with identical samples and items.
  Bytes again = rewrite(f, delivered, outBits);
  MemorySource src2(again.data(), again.size());
  RiffFile g;
  ASSERT_EQ(parseRiffWave(src2, &g), RiffStatus::Ok);
  EXPECT_EQ(deliverAll(src2, g), delivered);
  EXPECT_EQ(dumpMeta(g.meta), dumpMeta(f.meta));
  std::vector<MetaItem> a = riffMetaItems(f.meta), b = riffMetaItems(g.meta);
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i].bytes, b[i].bytes) << a[i].id;
  FILE* o = std::fopen((dir + "/roundtrip/" + row.name + ".wav").c_str(), "wb");
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(std::fwrite(again.data(), 1, again.size(), o), again.size());
  std::fclose(o);
}

TEST(RiffFixtures, ManifestOpensAndRefusesAsExpected) {
  std::string dir = fixtureDir();
  if (dir.empty()) GTEST_SKIP() << "no fixtures (SORN_BINARY_DIR unset or the generator failed)";
  std::error_code ec;
  std::filesystem::create_directories(dir + "/roundtrip", ec);
  ASSERT_FALSE(ec) << ec.message();
  std::vector<Row> rows = readManifest(dir);
  ASSERT_GE(rows.size(), 30u);
  int opened = 0, refused = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Bytes file;
    ASSERT_TRUE(readAll(dir + "/" + row.name + ".wav", &file));
    if (row.expect == "refuse") {
      MemorySource src(file.data(), file.size());
      RiffFile f;
      RiffStatus st = parseRiffWave(src, &f);
      EXPECT_EQ(statusName(st), row.status) << riffStatusText(st);
      std::printf("refused %-22s %s\n", row.name.c_str(), riffRefusalMessage(st, f.format).c_str());
      ++refused;
    } else {
      checkOpen(dir, row, file);
      ++opened;
    }
  }
  std::printf("%d fixtures opened, %d refused\n", opened, refused);
#ifndef _WIN32
  std::string cmd =
      "python3 '" + env("SORN_SOURCE_DIR") + "/tools/make_wav_fixtures.py' --verify-roundtrip '" + dir + "'";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
#endif
}

// The reader over a file through the callback source gives what it gives over memory.
TEST(RiffFixtures, CallbackSourceOverAFile) {
  std::string dir = fixtureDir();
  if (dir.empty()) GTEST_SKIP() << "no fixtures";
  std::string path = dir + "/cues_labels.wav";
  FILE* fp = std::fopen(path.c_str(), "rb");
  ASSERT_NE(fp, nullptr);
  std::fseek(fp, 0, SEEK_END);
  long size = std::ftell(fp);
  auto readFn = [](void* ctx, uint64_t off, void* buf, size_t n) -> size_t {
    FILE* f = static_cast<FILE*>(ctx);
    if (std::fseek(f, static_cast<long>(off), SEEK_SET) != 0) return 0;
    return std::fread(buf, 1, n, f);
  };
  CallbackSource src(readFn, fp, static_cast<uint64_t>(size));
  RiffFile viaFile;
  ASSERT_EQ(parseRiffWave(src, &viaFile), RiffStatus::Ok);
  Bytes fromFile = deliverAll(src, viaFile);
  std::fclose(fp);
  Bytes bytes;
  ASSERT_TRUE(readAll(path, &bytes));
  MemorySource mem(bytes.data(), bytes.size());
  RiffFile viaMemory;
  ASSERT_EQ(parseRiffWave(mem, &viaMemory), RiffStatus::Ok);
  EXPECT_EQ(dumpMeta(viaFile.meta), dumpMeta(viaMemory.meta));
  EXPECT_EQ(fromFile, deliverAll(mem, viaMemory));
}

}  // namespace
}  // namespace wavpcm
