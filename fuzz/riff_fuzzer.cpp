// Fuzz target for the RIFF WAVE core: parse, deliver every sample in reads of uneven sizes, then write the
// file again and check that it reads back with the same format, samples and metadata items.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "plugins/wavpcm/riff_items.h"
#include "plugins/wavpcm/riff_reader.h"
#include "plugins/wavpcm/riff_samples.h"
#include "plugins/wavpcm/riff_writer.h"

namespace {

using namespace wavpcm;

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "riff_fuzzer: %s\n", what);
    std::abort();
  }
}

// At most this many delivered bytes are read and written again, so large claimed sizes stay quick.
constexpr size_t kMaxDelivered = 1 << 20;

std::vector<uint8_t> deliver(RiffSource& src, const RiffFile& f, size_t step) {
  RiffSampleReader r(src, f);
  std::vector<uint8_t> out;
  std::vector<uint8_t> buf(step);
  while (out.size() < kMaxDelivered) {
    size_t k = r.read(buf.data(), buf.size());
    check(k <= buf.size(), "read returned more than asked");
    if (k == 0) break;
    out.insert(out.end(), buf.begin(), buf.begin() + static_cast<long>(k));
  }
  check(!r.failed(), "sample read failed inside the file");
  check(out.size() <= r.totalBytes(), "delivered more than the total");
  if (r.totalBytes() <= kMaxDelivered) check(out.size() == r.totalBytes(), "delivered less than the total");
  // A seek to any byte, also inside a frame, continues with the same bytes.
  if (!out.empty()) {
    size_t at = (step * 7919u) % out.size();
    check(r.seek(at) == at, "seek did not reach its offset");
    size_t want = std::min<size_t>(out.size() - at, 777);
    check(r.read(buf.data(), std::min(want, buf.size())) == std::min(want, buf.size()),
          "short read after seek");
    check(std::memcmp(buf.data(), out.data() + at, std::min(want, buf.size())) == 0,
          "seek changed the bytes");
  }
  return out;
}

void roundTrip(const RiffFile& f, const std::vector<uint8_t>& samples) {
  uint16_t bits = f.format.bits <= 16 && !f.format.isFloat ? f.format.bits : 32;
  size_t frame = static_cast<size_t>(f.format.channels) * bits / 8;
  size_t whole = samples.size() / frame * frame;
  MemoryOutput out;
  RiffWriter w(&out);
  check(w.begin(f.format.rate, bits, f.format.channels) == RiffStatus::Ok,
        "writer refused a readable format");
  std::vector<MetaItem> items = riffMetaItems(f.meta);
  for (const MetaItem& it : items)
    check(w.addItem(it.list.c_str(), it.id.c_str(), it.bytes.data(), static_cast<uint32_t>(it.bytes.size())),
          "writer refused an item the reader made");
  if (whole)
    check(w.writeSamples(samples.data(), static_cast<uint32_t>(whole)) == whole, "sample write failed");
  check(w.finish() == RiffStatus::Ok, "finish failed");

  MemorySource src(out.bytes.data(), out.bytes.size());
  RiffFile g;
  check(parseRiffWave(src, &g) == RiffStatus::Ok, "written file does not parse");
  check(g.format.rate == f.format.rate && g.format.channels == f.format.channels, "format changed");
  check(g.frames == whole / frame, "frame count changed");
  std::vector<MetaItem> again = riffMetaItems(g.meta);
  check(again.size() == items.size(), "item count changed");
  for (size_t i = 0; i < items.size(); ++i) {
    check(again[i].list == items[i].list && again[i].id == items[i].id, "item id changed");
    check(again[i].bytes == items[i].bytes && again[i].count == items[i].count, "item bytes changed");
  }
  if (bits <= 16) {
    check(std::memcmp(out.bytes.data() + g.dataOffset, samples.data(), whole) == 0, "samples changed");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemorySource src(data, size);
  RiffFile f;
  RiffStatus st = parseRiffWave(src, &f);
  check(riffStatusText(st) != nullptr, "status without text");
  if (st != RiffStatus::Ok) return 0;
  check(f.dataOffset <= size && f.dataBytes <= size - f.dataOffset, "data range outside the file");
  check(f.format.blockAlign != 0 && f.dataBytes % f.format.blockAlign == 0, "data not whole frames");
  check(f.format.channels >= 1 && f.format.channels <= kMaxChannels, "channels out of range");
  size_t step = 1 + (size % 997);  // uneven read sizes, many ending inside a frame
  std::vector<uint8_t> samples = deliver(src, f, step);
  roundTrip(f, samples);
  return 0;
}
