// Variables blocks and their profile text; see xfm_vars.h.
#include "xfmhost/xfm_vars.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "include/sorn_bytes.h"
#include "xfmhost/xfm_info.h"

namespace xfmhost {
namespace {

constexpr size_t kStringField = 256;
constexpr size_t kStringChars = kStringField - 1;

// The comma-separated fields of a text, read one after another.
class Fields {
 public:
  explicit Fields(const std::string& text) : text_(text), at_(text.empty() ? std::string::npos : 0) {}
  bool next(std::string* field) {
    if (at_ == std::string::npos) return false;
    size_t comma = text_.find(',', at_);
    if (comma == std::string::npos) {
      *field = text_.substr(at_);
      at_ = std::string::npos;
    } else {
      *field = text_.substr(at_, comma - at_);
      at_ = comma + 1;
    }
    return true;
  }

 private:
  const std::string& text_;
  size_t at_;
};

// "%ld" as the reading side sees it: a decimal prefix with at least one digit (strtoll saturates beyond
// 64 bits; the callers keep the low bits the field holds).
bool readLong(const std::string& s, int64_t* v) {
  const char* p = s.c_str();
  char* end = nullptr;
  long long x = std::strtoll(p, &end, 10);
  if (end == p) return false;
  *v = x;
  return true;
}

bool readDouble(const std::string& s, double* v) {
  const char* p = s.c_str();
  char* end = nullptr;
  double x = std::strtod(p, &end);
  if (end == p) return false;
  *v = x;
  return true;
}

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
  char buf[64];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  return buf;
}

// The longest text one field of the letter can take, its comma included.
size_t fieldTextChars(char type) {
  switch (type) {
    case 'b':
    case 'l':
      return 12;
    case 'c':
    case 'i':
      return 7;
    case 'd':
    case 'f':
      return 32;
    case 'g':
      return 12 + size_t(kMaxGraphPoints) * 2 * 12;
    case 's':
      return kStringChars + 1;
    default:
      return 0;
  }
}

}  // namespace

std::vector<VarField> fieldLayout(const char* types) {
  std::vector<VarField> out;
  uint32_t offset = 0;
  for (size_t i = 0; i < XFM_TYPES_CHARS && types[i]; ++i) {
    int size = typeFieldBytes(types[i]);
    if (size == 0) continue;
    VarField f;
    f.type = char(std::tolower(static_cast<unsigned char>(types[i])));
    f.offset = offset;
    f.size = uint32_t(size);
    out.push_back(f);
    offset += uint32_t(size);
  }
  return out;
}

bool blockRead(const uint8_t* block, size_t blockSize, void* destination, uint32_t offset, uint32_t length) {
  offset = uint16_t(offset);
  length = uint16_t(length);
  if (!block || size_t(offset) + length > blockSize) return false;
  if (length) std::memcpy(destination, block + offset, length);
  return true;
}

bool blockWrite(uint8_t* block, size_t blockSize, const void* source, uint32_t offset, uint32_t length) {
  offset = uint16_t(offset);
  length = uint16_t(length);
  if (!block || size_t(offset) + length > blockSize) return false;
  if (length) std::memcpy(block + offset, source, length);
  return true;
}

int NestedSlots::claim() {
  for (int i = 0; i < kSlots; ++i) {
    if (!used_[i]) {
      used_[i] = true;
      return i + 1;
    }
  }
  return 0;
}

void NestedSlots::release(int handle) {
  if (handle >= 1 && handle <= kSlots) used_[handle - 1] = false;
}

bool graphPointsValid(const std::vector<GraphPoint>& points) {
  if (points.size() < size_t(kMinGraphPoints) || points.size() > size_t(kMaxGraphPoints)) return false;
  for (size_t i = 1; i < points.size(); ++i) {
    if (points[i].x <= points[i - 1].x) return false;
  }
  return true;
}

bool rescaleGraphX(std::vector<GraphPoint>* points, int32_t xmin, int32_t xmax) {
  if (points->size() < 2) return false;
  int64_t first = points->front().x, last = points->back().x;
  if (first == xmin && last == xmax) return true;
  int64_t denominator = last - first;
  if (denominator == 0) return false;
  std::vector<GraphPoint> scaled = *points;
  for (GraphPoint& p : scaled) p.x = int32_t(int64_t(p.x) * (int64_t(xmax) - xmin) / denominator);
  if (!graphPointsValid(scaled)) return false;
  *points = scaled;
  return true;
}

size_t profileBufferChars(const char* types) {
  size_t n = 1;
  for (const VarField& f : fieldLayout(types)) n += fieldTextChars(f.type);
  if (n < 1024) n = 1024;
  return n > kMaxProfileChars ? kMaxProfileChars : n;
}

std::string encodeProfile(const char* types, const uint8_t* block, size_t blockSize,
                          const GraphStore* graphs) {
  std::string out;
  bool first = true;
  for (const VarField& f : fieldLayout(types)) {
    if (size_t(f.offset) + f.size > blockSize) break;
    if (f.type == 'h') continue;
    const uint8_t* p = block + f.offset;
    std::string text;
    switch (f.type) {
      case 'b':
        text = format("%u", unsigned(SornGetU16LE(p)));
        break;
      case 'c':
        text = format("%d", int(p[0]));
        break;
      case 'd':
        text = format("%g", SornGetF64LE(p));
        break;
      case 'f':
        text = format("%g", double(SornGetF32LE(p)));
        break;
      case 'g': {
        std::vector<GraphPoint> points;
        if (!graphs || !graphs->points(SornGetU16LE(p), &points) || points.size() > size_t(kMaxGraphPoints)) {
          points.clear();
        }
        text = format("%d", int(points.size()));
        for (const GraphPoint& g : points) text += format(",%ld,%ld", long(g.x), long(g.y));
        break;
      }
      case 'i':
        text = format("%d", int(int16_t(SornGetU16LE(p))));
        break;
      case 'l':
        text = format("%ld", long(int32_t(SornGetU32LE(p))));
        break;
      case 's':
        for (size_t i = 0; i < kStringChars && p[i]; ++i) text += p[i] == ',' ? kCommaStandIn : char(p[i]);
        break;
    }
    if (!first) out += ',';
    out += text;
    first = false;
  }
  return out;
}

ProfileRead decodeProfile(const std::string& text, const char* types, uint8_t* block, size_t blockSize,
                          GraphStore* graphs) {
  ProfileRead r;
  Fields fields(text);
  std::vector<VarField> layout = fieldLayout(types);
  std::string s;
  for (const VarField& f : layout) {
    if (size_t(f.offset) + f.size > blockSize) return r;
    uint8_t* p = block + f.offset;
    if (f.type == 'h') {  // not in the text; the block keeps the plug-in's handle
      ++r.fieldsRead;
      continue;
    }
    if (!fields.next(&s)) return r;
    int64_t v = 0;
    double d = 0;
    switch (f.type) {
      case 'b':
        if (!readLong(s, &v)) return r;
        SornPutU32LE(p, uint32_t(uint16_t(v)));
        break;
      case 'c':
        if (!readLong(s, &v)) return r;
        p[0] = uint8_t(v);
        break;
      case 'i':
        if (!readLong(s, &v)) return r;
        SornPutU16LE(p, uint16_t(v));
        break;
      case 'l':
        if (!readLong(s, &v)) return r;
        SornPutU32LE(p, uint32_t(v));
        break;
      case 'd':
        if (!readDouble(s, &d)) return r;
        SornPutF64LE(p, d);
        break;
      case 'f':
        if (!readDouble(s, &d)) return r;
        SornPutF32LE(p, float(d));
        break;
      case 's': {
        std::memset(p, 0, kStringField);
        for (size_t i = 0; i < s.size() && i < kStringChars; ++i) p[i] = s[i] == kCommaStandIn ? ',' : s[i];
        break;
      }
      case 'g': {
        int64_t count = 0;
        if (!readLong(s, &count) || count < 0 || count > kMaxGraphPoints) return r;
        std::vector<GraphPoint> points(static_cast<size_t>(count));
        for (GraphPoint& g : points) {
          int64_t x = 0, y = 0;
          if (!fields.next(&s) || !readLong(s, &x)) return r;
          if (!fields.next(&s) || !readLong(s, &y)) return r;
          g.x = int32_t(x);
          g.y = int32_t(y);
        }
        if (!graphPointsValid(points) || !graphs || !graphs->setPoints(SornGetU16LE(p), points))
          ++r.graphsRejected;
        break;
      }
    }
    ++r.fieldsRead;
  }
  r.complete = true;
  return r;
}

}  // namespace xfmhost
