// RIFF WAVE writer: header, samples, metadata chunks after the samples, sizes patched at the end.
#include "plugins/wavpcm/riff_writer.h"

#include <cstring>
#include <string>

#include "include/sorn_bytes.h"
#include "plugins/wavpcm/riff_items.h"

namespace wavpcm {

size_t MemoryOutput::write(const void* buf, size_t n) {
  uint64_t room = failAfter > accepted ? failAfter - accepted : 0;
  size_t k = n < room ? n : static_cast<size_t>(room);
  if (pos_ + k > bytes.size()) bytes.resize(static_cast<size_t>(pos_ + k));
  if (k) std::memcpy(bytes.data() + pos_, buf, k);
  pos_ += k;
  accepted += k;
  return k;
}

bool MemoryOutput::seek(uint64_t offset) {
  if (offset > bytes.size()) return false;
  pos_ = offset;
  return true;
}

namespace {

void putId(std::vector<uint8_t>* v, const std::string& id) {
  for (size_t i = 0; i < 4; ++i) v->push_back(static_cast<uint8_t>(i < id.size() ? id[i] : ' '));
}
// A sub-chunk inside a LIST body, padded to an even size.
void putSub(std::vector<uint8_t>* v, const std::string& id, const std::vector<uint8_t>& body) {
  putId(v, id);
  SornAppendU32LE(v, static_cast<uint32_t>(body.size()));
  v->insert(v->end(), body.begin(), body.end());
  if (body.size() & 1) v->push_back(0);
}
std::vector<uint8_t> zText(const std::string& text) {
  std::vector<uint8_t> v(text.begin(), text.end());
  v.push_back(0);
  return v;
}

std::vector<uint8_t> adtlBody(const RiffMetadata& m) {
  std::vector<uint8_t> v;
  putId(&v, "adtl");
  for (const RiffCueText& t : m.labels) {
    std::vector<uint8_t> b;
    SornAppendU32LE(&b, t.cueId);
    std::vector<uint8_t> z = zText(t.text);
    b.insert(b.end(), z.begin(), z.end());
    putSub(&v, "labl", b);
  }
  for (const RiffCueText& t : m.notes) {
    std::vector<uint8_t> b;
    SornAppendU32LE(&b, t.cueId);
    std::vector<uint8_t> z = zText(t.text);
    b.insert(b.end(), z.begin(), z.end());
    putSub(&v, "note", b);
  }
  for (const RiffRegionText& r : m.regions) {
    std::vector<uint8_t> b;
    SornAppendU32LE(&b, r.cueId);
    SornAppendU32LE(&b, r.length);
    b.insert(b.end(), r.purpose, r.purpose + 4);
    b.insert(b.end(), 8, 0);  // country, language, dialect, code page
    if (!r.text.empty()) {
      std::vector<uint8_t> z = zText(r.text);
      b.insert(b.end(), z.begin(), z.end());
    }
    putSub(&v, "ltxt", b);
  }
  for (const RiffChunk& c : m.others) {
    if (c.list == "adtl") putSub(&v, c.id, c.bytes);
  }
  return v;
}

}  // namespace

bool RiffWriter::put(const void* p, size_t n) {
  if (failed_) return false;
  if (n && out_->write(p, n) != n) {
    failed_ = true;
    return false;
  }
  written_ += n;
  return true;
}

bool RiffWriter::putChunk(const char* id, const std::vector<uint8_t>& body) {
  std::vector<uint8_t> h;
  putId(&h, id);
  SornAppendU32LE(&h, static_cast<uint32_t>(body.size()));
  static const uint8_t kPad = 0;
  return put(h.data(), h.size()) && put(body.data(), body.size()) &&
         ((body.size() & 1) == 0 || put(&kPad, 1));
}

RiffStatus RiffWriter::begin(uint32_t rate, uint16_t bits, uint16_t channels) {
  if (begun_) return RiffStatus::BadArgument;
  if (bits != 8 && bits != 16 && bits != 32) return RiffStatus::BadArgument;
  if (channels == 0 || channels > kMaxChannels) return RiffStatus::BadArgument;
  if (rate == 0 || rate > kMaxSampleRate) return RiffStatus::BadArgument;
  begun_ = true;
  bits_ = bits;
  channels_ = channels;
  const bool isFloat = bits == 32;
  const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
  std::vector<uint8_t> h;
  putId(&h, "RIFF");
  SornAppendU32LE(&h, 0);  // patched by finish()
  putId(&h, "WAVE");
  putId(&h, "fmt ");
  SornAppendU32LE(&h, isFloat ? 18 : 16);
  SornAppendU16LE(&h, isFloat ? 3 : 1);
  SornAppendU16LE(&h, channels);
  SornAppendU32LE(&h, rate);
  SornAppendU32LE(&h, rate * align);
  SornAppendU16LE(&h, align);
  SornAppendU16LE(&h, bits);
  if (isFloat) {
    SornAppendU16LE(&h, 0);  // cbSize
    putId(&h, "fact");
    SornAppendU32LE(&h, 4);
    SornAppendU32LE(&h, 0);  // frames, patched by finish()
  }
  putId(&h, "data");
  SornAppendU32LE(&h, 0);
  headerBytes_ = static_cast<uint32_t>(h.size());
  return put(h.data(), h.size()) ? RiffStatus::Ok : RiffStatus::WriteFailed;
}

uint32_t RiffWriter::writeSamples(const void* data, uint32_t bytes) {
  if (!begun_ || finished_ || failed_) return 0;
  if (bytes == 0) return 0;
  // The RIFF size (file size - 8) must stay within 32 bits, with room for a pad byte.
  if (headerBytes_ + dataBytes_ + bytes + 1 - 8 > 0xFFFFFFFFull) {
    failed_ = true;
    return 0;
  }
  const uint8_t* p = static_cast<const uint8_t*>(data);
  if (bits_ != 32) {
    if (!put(p, bytes)) return 0;
    dataBytes_ += bytes;
    return bytes;
  }
  // Floats on the 16-bit scale become floats on the unit scale.
  uint8_t buf[4096];
  size_t fill = 0;
  for (uint32_t i = 0; i < bytes; ++i) {
    partial_[partialBytes_++] = p[i];
    if (partialBytes_ < 4) continue;
    partialBytes_ = 0;
    SornPutF32LE(buf + fill, SornGetF32LE(partial_) * (1.0f / 32768.0f));
    fill += 4;
    if (fill == sizeof buf) {
      if (!put(buf, fill)) return 0;
      fill = 0;
    }
  }
  if (fill && !put(buf, fill)) return 0;
  dataBytes_ += bytes;
  return bytes;
}

bool RiffWriter::addItem(const char* list, const char* id, const void* bytes, uint32_t size) {
  if (finished_ || !list || !id || (size && !bytes)) return false;
  return addMetaItem(&meta_, list, id, static_cast<const uint8_t*>(bytes), size);
}

bool RiffWriter::writeMeta() {
  const RiffMetadata& m = meta_;
  if (!m.info.empty()) {
    std::vector<uint8_t> v;
    putId(&v, "INFO");
    for (const RiffInfoText& t : m.info) putSub(&v, t.id, zText(t.text));
    if (!putChunk("LIST", v)) return false;
  }
  if (!m.cues.empty()) {
    std::vector<uint8_t> v;
    SornAppendU32LE(&v, static_cast<uint32_t>(m.cues.size()));
    for (const RiffCue& c : m.cues) {
      SornAppendU32LE(&v, c.id);
      SornAppendU32LE(&v, c.position);
      putId(&v, "data");
      SornAppendU32LE(&v, 0);  // chunk start
      SornAppendU32LE(&v, 0);  // block start
      SornAppendU32LE(&v, c.position);
    }
    if (!putChunk("cue ", v)) return false;
  }
  std::vector<uint8_t> adtl = adtlBody(m);
  if (adtl.size() > 4 && !putChunk("LIST", adtl)) return false;
  if (!m.playlist.empty()) {
    std::vector<uint8_t> v;
    SornAppendU32LE(&v, static_cast<uint32_t>(m.playlist.size()));
    for (const RiffPlaylistEntry& e : m.playlist) {
      SornAppendU32LE(&v, e.cueId);
      SornAppendU32LE(&v, e.length);
      SornAppendU32LE(&v, e.loops);
    }
    if (!putChunk("plst", v)) return false;
  }
  if (m.hasSampler && !putChunk("smpl", m.sampler)) return false;
  for (const RiffChunk& c : m.others) {
    if (c.list == "adtl") continue;
    if (c.list == "WAVE") {
      if (!putChunk(c.id.c_str(), c.bytes)) return false;
    } else {
      std::vector<uint8_t> v;
      putId(&v, c.list);
      putSub(&v, c.id, c.bytes);
      if (!putChunk("LIST", v)) return false;
    }
  }
  return true;
}

RiffStatus RiffWriter::finish() {
  if (!begun_ || finished_) return RiffStatus::BadArgument;
  finished_ = true;
  static const uint8_t kPad = 0;
  if (failed_) return RiffStatus::WriteFailed;
  // Samples end on a frame: a cut-off frame means the caller lost data, and the file would misalign.
  if (dataBytes_ % (static_cast<uint32_t>(channels_) * bits_ / 8) != 0) return RiffStatus::BadArgument;
  if ((dataBytes_ & 1) && !put(&kPad, 1)) return RiffStatus::WriteFailed;
  if (!writeMeta()) return RiffStatus::WriteFailed;
  if (written_ - 8 > 0xFFFFFFFFull) {
    failed_ = true;
    return RiffStatus::TooLarge;
  }
  auto patch = [this](uint64_t at, uint32_t value) {
    uint8_t b[4];
    SornPutU32LE(b, value);
    if (failed_ || !out_->seek(at) || out_->write(b, 4) != 4) failed_ = true;
  };
  patch(4, static_cast<uint32_t>(written_ - 8));
  patch(headerBytes_ - 4, static_cast<uint32_t>(dataBytes_));
  if (bits_ == 32) patch(headerBytes_ - 12, static_cast<uint32_t>(dataBytes_ / (4u * channels_)));
  if (!failed_ && !out_->seek(written_)) failed_ = true;
  return failed_ ? RiffStatus::WriteFailed : RiffStatus::Ok;
}

}  // namespace wavpcm
