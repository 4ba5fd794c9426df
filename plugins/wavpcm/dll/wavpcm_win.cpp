// wavpcm.flt: the "Windows PCM" file filter. Implements the file-filter contract (include/sorn_filter.h)
// over the portable RIFF WAVE core: an input is a parsed file plus a sample reader over a Win32 file
// handle; an output is a RiffWriter over a Win32 file handle. Metadata items travel in GlobalAlloc'd
// movable blocks as the contract says.
//
// Handles given to the editor are the addresses of the input and output records (32-bit in this DLL).
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "include/sorn_filter.h"
#include "plugins/wavpcm/riff_items.h"
#include "plugins/wavpcm/riff_reader.h"
#include "plugins/wavpcm/riff_samples.h"
#include "plugins/wavpcm/riff_writer.h"

static_assert(sizeof(void*) == sizeof(SornFilterHandle), "handles are addresses in the 32-bit filter");

namespace {

using namespace wavpcm;

constexpr uint32_t kCapabilities =
    FLT_READ | FLT_WRITE | FLT_META_BEFORE_READ | FLT_META_AFTER_WRITE | FLT_32BIT | FLT_MAPPABLE;
constexpr uint32_t kChunkBytes = 0x10000;  // a whole number of frames of every layout (1, 2, 4, 8 bytes)
constexpr const char* kFilterName = "Windows PCM";

void copyText(char* dst, size_t size, const char* src) {
  size_t n = std::strlen(src);
  if (n >= size) n = size - 1;
  std::memcpy(dst, src, n);
  dst[n] = 0;
}

// ---- Reading ----------------------------------------------------------------------------------------------

size_t readFileAt(void* context, uint64_t offset, void* buf, size_t n) {
  HANDLE h = static_cast<HANDLE>(context);
  OVERLAPPED ov = {};
  ov.Offset = static_cast<DWORD>(offset);
  ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
  size_t done = 0;
  while (done < n) {
    DWORD want = static_cast<DWORD>(n - done > 0x40000000 ? 0x40000000 : n - done);
    DWORD got = 0;
    if (!ReadFile(h, static_cast<uint8_t*>(buf) + done, want, &got, &ov) || got == 0) break;
    done += got;
    uint64_t next = offset + done;
    ov.Offset = static_cast<DWORD>(next);
    ov.OffsetHigh = static_cast<DWORD>(next >> 32);
  }
  return done;
}

struct Input {
  HANDLE file = INVALID_HANDLE_VALUE;
  std::unique_ptr<CallbackSource> source;
  RiffFile parsed;
  std::unique_ptr<RiffSampleReader> reader;
  std::vector<MetaItem> items;
  size_t nextItem = 0;
  ~Input() {
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
};

HANDLE openForReading(const char* path) {
  return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

uint64_t fileSize(HANDLE h) {
  LARGE_INTEGER size;
  return GetFileSizeEx(h, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
}

// Parses the file; status Ok fills *in. A refused file leaves the reason in status (and the format read so
// far in in->parsed.format).
RiffStatus openInput(const char* path, Input* in) {
  if (!path) return RiffStatus::ReadError;
  in->file = openForReading(path);
  if (in->file == INVALID_HANDLE_VALUE) return RiffStatus::ReadError;
  in->source.reset(new CallbackSource(readFileAt, in->file, fileSize(in->file)));
  return parseRiffWave(*in->source, &in->parsed);
}

bool fillItem(const MetaItem& m, SornSpecialData* item) {
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, m.bytes.size());
  if (!mem) return false;
  void* p = GlobalLock(mem);
  if (!p) {
    GlobalFree(mem);
    return false;
  }
  std::memcpy(p, m.bytes.data(), m.bytes.size());
  GlobalUnlock(mem);
  item->mem = mem;
  item->size = static_cast<uint32_t>(m.bytes.size());
  item->count = m.count;
  copyText(item->listType, sizeof item->listType, m.list.c_str());
  copyText(item->chunkId, sizeof item->chunkId, m.id.c_str());
  return true;
}

// Hands out the next item with data; false at the end.
int32_t nextSpecial(Input* in, SornSpecialData* item) {
  if (!in || !item) return 0;
  while (in->nextItem < in->items.size()) {
    const MetaItem& m = in->items[in->nextItem++];
    if (m.bytes.empty()) continue;
    if (fillItem(m, item)) return 1;
  }
  return 0;
}

// ---- Writing ----------------------------------------------------------------------------------------------

class HandleOutput : public RiffOutput {
 public:
  explicit HandleOutput(HANDLE h) : h_(h) {}
  size_t write(const void* buf, size_t n) override {
    size_t done = 0;
    while (done < n) {
      DWORD want = static_cast<DWORD>(n - done > 0x40000000 ? 0x40000000 : n - done);
      DWORD got = 0;
      if (!WriteFile(h_, static_cast<const uint8_t*>(buf) + done, want, &got, nullptr) || got == 0) break;
      done += got;
    }
    return done;
  }
  bool seek(uint64_t offset) override {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(h_, to, nullptr, FILE_BEGIN) != 0;
  }

 private:
  HANDLE h_;
};

struct Output {
  HANDLE file = INVALID_HANDLE_VALUE;
  std::unique_ptr<HandleOutput> out;
  std::unique_ptr<RiffWriter> writer;
};

}  // namespace

extern "C" {

uint32_t __stdcall QuerySornFilter(FilterInfo* info) {
  if (!info) return 0;
  std::memset(info, 0, sizeof *info);
  copyText(info->name, sizeof info->name, kFilterName);
  copyText(info->description, sizeof info->description, "Windows PCM (*.wav)");
  info->capabilities = kCapabilities;
  copyText(info->extension, sizeof info->extension, "WAV");
  return SORN_FILTER_VERSION;
}

// Accepts every RIFF WAVE file, also one it will refuse to open, so the refusal comes with its reason.
int32_t __stdcall FilterUnderstandsFormat(const char* path) {
  if (!path) return 0;
  HANDLE h = openForReading(path);
  if (h == INVALID_HANDLE_VALUE) return 0;
  uint8_t head[12];
  size_t n = readFileAt(h, 0, head, sizeof head);
  CloseHandle(h);
  return n == sizeof head && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
}

SornFilterHandle __stdcall OpenFilterInput(const char* path, uint32_t* rate, uint16_t* bits,
                                           uint16_t* channels, SornWindow window, uint32_t* chunkBytes) {
  std::unique_ptr<Input> in(new (std::nothrow) Input);
  if (!in) return 0;
  RiffStatus st = openInput(path, in.get());
  if (st != RiffStatus::Ok) {
    if (window && st != RiffStatus::ReadError) {
      std::string text = std::string(path) + "\n\n" + riffRefusalMessage(st, in->parsed.format);
      MessageBoxA(static_cast<HWND>(window), text.c_str(), kFilterName, MB_OK | MB_ICONEXCLAMATION);
    }
    return 0;
  }
  in->reader.reset(new (std::nothrow) RiffSampleReader(*in->source, in->parsed));
  if (!in->reader) return 0;
  in->items = riffMetaItems(in->parsed.meta);
  if (rate) *rate = in->parsed.format.rate;
  if (bits) *bits = in->reader->outputBits();
  if (channels) *channels = in->parsed.format.channels;
  if (chunkBytes) *chunkBytes = kChunkBytes;
  return static_cast<SornFilterHandle>(reinterpret_cast<uintptr_t>(in.release()));
}

uint32_t __stdcall ReadFilterInput(SornFilterHandle input, void* buffer, uint32_t bytes) {
  Input* in = reinterpret_cast<Input*>(static_cast<uintptr_t>(input));
  if (!in || !buffer) return 0;
  return static_cast<uint32_t>(in->reader->read(buffer, bytes));
}

uint32_t __stdcall SeekFilterInput(SornFilterHandle input, uint32_t offset) {
  Input* in = reinterpret_cast<Input*>(static_cast<uintptr_t>(input));
  return in ? static_cast<uint32_t>(in->reader->seek(offset)) : 0;
}

void __stdcall CloseFilterInput(SornFilterHandle input) {
  delete reinterpret_cast<Input*>(static_cast<uintptr_t>(input));
}

uint32_t __stdcall FilterGetFileSize(SornFilterHandle input) {
  Input* in = reinterpret_cast<Input*>(static_cast<uintptr_t>(input));
  return in ? static_cast<uint32_t>(in->reader->totalBytes()) : 0;
}

uint32_t __stdcall FilterOptions(SornFilterHandle) {
  return 1;
}

uint32_t __stdcall GetDataOffset(SornFilterHandle input, int32_t* offset, int32_t* length) {
  Input* in = reinterpret_cast<Input*>(static_cast<uintptr_t>(input));
  if (!in || !offset || !length || !in->parsed.mappable) return 1;
  *offset = static_cast<int32_t>(in->parsed.dataOffset);
  *length = static_cast<int32_t>(in->parsed.dataBytes);
  return 0;
}

int32_t __stdcall FilterGetFirstSpecialData(SornFilterHandle input, SornSpecialData* item) {
  Input* in = reinterpret_cast<Input*>(static_cast<uintptr_t>(input));
  if (!in) return 0;
  in->nextItem = 0;
  return nextSpecial(in, item);
}

int32_t __stdcall FilterGetNextSpecialData(SornFilterHandle input, SornSpecialData* item) {
  return nextSpecial(reinterpret_cast<Input*>(static_cast<uintptr_t>(input)), item);
}

// Refuses (0) a layout the writer does not have, with ERROR_INVALID_PARAMETER as the last error, so the
// editor asks GetSuggestedSampleType; a file that cannot be created keeps the system's own error (32 for a
// file in use).
SornFilterHandle __stdcall OpenFilterOutput(const char* path, uint32_t rate, uint32_t bits, uint32_t channels,
                                            uint32_t totalBytes, uint32_t* chunkBytes, uint32_t options) {
  if (!path || (bits != 8 && bits != 16 && bits != 32) || channels < 1 || channels > 2 || rate == 0 ||
      rate > kMaxSampleRate) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::unique_ptr<Output> o(new (std::nothrow) Output);
  if (!o) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  o->file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (o->file == INVALID_HANDLE_VALUE) return 0;
  o->out.reset(new HandleOutput(o->file));
  o->writer.reset(new RiffWriter(o->out.get()));
  if (o->writer->begin(rate, static_cast<uint16_t>(bits), static_cast<uint16_t>(channels)) !=
      RiffStatus::Ok) {
    DWORD err = GetLastError();
    CloseHandle(o->file);
    DeleteFileA(path);
    SetLastError(err ? err : ERROR_WRITE_FAULT);
    return 0;
  }
  if (chunkBytes) *chunkBytes = kChunkBytes;
  return static_cast<SornFilterHandle>(reinterpret_cast<uintptr_t>(o.release()));
}

uint32_t __stdcall WriteFilterOutput(SornFilterHandle output, void* buffer, uint32_t bytes) {
  Output* o = reinterpret_cast<Output*>(static_cast<uintptr_t>(output));
  if (!o || !buffer || bytes == 0) return 0;
  return o->writer->writeSamples(buffer, bytes);
}

uint32_t __stdcall CloseFilterOutput(SornFilterHandle output) {
  Output* o = reinterpret_cast<Output*>(static_cast<uintptr_t>(output));
  if (!o) return 0;
  bool ok = o->writer->finish() == RiffStatus::Ok;
  if (!CloseHandle(o->file)) ok = false;
  o->file = INVALID_HANDLE_VALUE;
  delete o;
  return ok ? 1 : 0;
}

int32_t __stdcall FilterWriteSpecialData(SornFilterHandle output, const char* listType, const char* chunkId,
                                         SornGlobalHandle mem, uint32_t size) {
  Output* o = reinterpret_cast<Output*>(static_cast<uintptr_t>(output));
  if (!o || !listType || !chunkId || !mem) return 0;
  SIZE_T real = GlobalSize(mem);
  if (size > real) size = static_cast<uint32_t>(real);
  const void* p = GlobalLock(mem);
  if (!p) return 0;
  bool kept = o->writer->addItem(listType, chunkId, p, size);
  GlobalUnlock(mem);
  return kept ? 1 : 0;
}

// 8 and 16-bit PCM and 32-bit float, one or two channels, any rate.
int32_t __stdcall GetSuggestedSampleType(uint32_t* bits, uint32_t* rate, uint32_t* channels) {
  if (bits && *bits != 8 && *bits != 16 && *bits != 32) *bits = 16;
  if (channels && (*channels < 1 || *channels > 2)) *channels = 2;
  if (rate && *rate > kMaxSampleRate) *rate = 44100;
  return 1;
}

}  // extern "C"
