// The delayed writer; see delay_writer.h.
#include "xfmhost/delay_writer.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace xfmhost {

bool DelayWriter::init(int32_t holdBack, int32_t position, int32_t units, uint32_t unitBytes) {
  if (active_ || holdBack < 0 || units < 0 || unitBytes == 0) return false;
  const int64_t capacity = int64_t(holdBack) + kSlack;
  const uint64_t bytes = uint64_t(capacity) * unitBytes;
  if (capacity > INT32_MAX || bytes > kMaxBufferBytes) return false;
  try {
    buffer_.assign(size_t(bytes), 0);
  } catch (const std::bad_alloc&) {
    buffer_.clear();
    return false;
  }
  capacity_ = int32_t(capacity);
  holdBack_ = holdBack;
  position_ = position;
  remaining_ = units;
  buffered_ = 0;
  unit_ = unitBytes;
  active_ = true;
  return true;
}

int32_t DelayWriter::write(const Flush& flush, const void* data, int32_t n) {
  if (n <= 0) return 0;
  if (!active_ || !data) return n;
  const uint8_t* src = static_cast<const uint8_t*>(data);
  while (int64_t(buffered_) + n >= capacity_) {
    const int32_t fill = capacity_ - buffered_;
    std::memcpy(buffer_.data() + size_t(buffered_) * unit_, src, size_t(fill) * unit_);
    src += size_t(fill) * unit_;
    n -= fill;
    const int32_t f = std::max<int32_t>(0, std::min<int32_t>(capacity_ - holdBack_, remaining_));
    if (f > 0) {
      if (flush) flush(buffer_.data(), position_, f);
      std::memmove(buffer_.data(), buffer_.data() + size_t(f) * unit_, size_t(capacity_ - f) * unit_);
      remaining_ -= f;
      position_ += f;
    }
    buffered_ = capacity_ - f;
    if (f == 0) break;
  }
  if (n > 0 && remaining_ > 0) {  // fits: the loop left fewer than capacity - buffered units
    std::memcpy(buffer_.data() + size_t(buffered_) * unit_, src, size_t(n) * unit_);
    buffered_ += n;
    n = 0;
  }
  return n;
}

void DelayWriter::destroy(const Flush& flush) {
  if (active_ && buffered_ > 0) {
    const int32_t w = std::min(remaining_, buffered_);
    if (w > 0 && flush) flush(buffer_.data(), position_, w);
    remaining_ -= std::max(w, 0);
    position_ += buffered_;
    buffered_ = 0;
  }
  std::vector<uint8_t>().swap(buffer_);
  active_ = false;
}

uint32_t delayFrameBytes(uint32_t format) {
  const uint32_t channels = (format & 0x2) ? 2 : 1;
  const uint32_t bytes = (format & 0x10) ? 2 : (format & 0x20) ? 4 : 1;
  return channels * bytes;
}

namespace {

struct DelayServices {
  DelayWriter writer;
  uint32_t format = 0;  // the Ex form's format word
  DelayExSink ex;
  DelayOldSink old;
};
DelayServices& delay() {
  static DelayServices d;
  return d;
}

DelayWriter::Flush oldFlush(bool to8) {
  return [to8](const uint8_t* data, int32_t position, int32_t units) {
    if (delay().old) delay().old(data, position, units, to8);
  };
}

DelayWriter::Flush exFlush(uint32_t file) {
  return [file](const uint8_t* data, int32_t position, int32_t units) {
    if (delay().ex) delay().ex(file, data, position, units, delay().format);
  };
}

}  // namespace

void setDelayWriteSinks(DelayExSink ex, DelayOldSink old) {
  delay().ex = std::move(ex);
  delay().old = std::move(old);
}

int32_t delayWriteInit(int32_t holdBack, int32_t bytePosition, int32_t bytes) {
  // The hold-back is a 16-bit argument.
  if (!delay().writer.init(int32_t(uint16_t(holdBack)), bytePosition, bytes, 1)) return 0;
  delay().format = 0;
  return bytes;
}

int32_t delayWrite(const void* buffer, int32_t bytes, bool to8) {
  return delay().writer.write(oldFlush(to8), buffer, int32_t(uint16_t(bytes)));
}

int32_t delayWriteDestroy(bool to8) {
  delay().writer.destroy(oldFlush(to8));
  return 0;
}

int32_t delayWriteInitEx(int32_t holdBack, int32_t startFrame, int32_t frames, uint32_t format) {
  if (!delay().writer.init(holdBack, startFrame, frames, delayFrameBytes(format))) return 0;
  delay().format = format;
  return 1;
}

int32_t delayWriteEx(uint32_t file, const void* buffer, int32_t frames) {
  return delay().writer.write(exFlush(file), buffer, frames);
}

int32_t delayWriteDestroyEx(uint32_t file) {
  delay().writer.destroy(exFlush(file));
  return 0;
}

void resetDelayWriter() {
  delay().writer.destroy(nullptr);
  delay().format = 0;
}

}  // namespace xfmhost
