/* testflt.flt: a file filter for the host's tests, written in plain C from include/sorn_filter.h alone.
 *
 * "Contract Test Raw" reads *.trw files as raw sample bytes whose format it cannot tell (rate, bits and
 * channels come back 0, so the host asks for them), delivers at most 3 bytes per read so reads end inside
 * frames, takes options through FilterGetOptions / FilterSetOptions without a dialog, and hands out two
 * metadata items (an INFO comment and a label record without its terminator). It writes raw 16-bit
 * samples only (other types get ERROR_INVALID_PARAMETER and a suggestion of 16 bits); a target path
 * containing "full" takes 1,000 sample bytes and then refuses, as a full disk would.
 */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include "include/sorn_filter.h"

typedef struct {
  HANDLE file;
  uint32_t size, pos, frameBytes, options, nextItem;
} Input;

typedef struct {
  HANDLE file;
  uint32_t written, limit;
} Output;

static void copyText(char* dst, size_t size, const char* src) {
  size_t n = strlen(src);
  if (n >= size) n = size - 1;
  memcpy(dst, src, n);
  dst[n] = 0;
}

static int endsWithNoCase(const char* s, const char* end) {
  size_t n = strlen(s), m = strlen(end);
  return n >= m && lstrcmpiA(s + n - m, end) == 0;
}

uint32_t __stdcall QuerySornFilter(FilterInfo* info) {
  memset(info, 0, sizeof *info);
  copyText(info->name, sizeof info->name, "Contract Test Raw");
  copyText(info->description, sizeof info->description, "Raw test data (*.trw)");
  info->capabilities = FLT_READ | FLT_WRITE | FLT_META_AFTER_READ;
  copyText(info->extension, sizeof info->extension, "TRW");
  return SORN_FILTER_VERSION_MIN;
}

int32_t __stdcall FilterUnderstandsFormat(const char* path) {
  return path && endsWithNoCase(path, ".trw") ? 1 : 0;
}

SornFilterHandle __stdcall OpenFilterInput2(const char* path, uint32_t* rate, uint16_t* bits, uint16_t* channels,
                                            SornWindow window, uint32_t* chunkBytes, SornModule module) {
  Input* in;
  HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
  (void)window;
  (void)module;
  if (f == INVALID_HANDLE_VALUE) return 0;
  in = (Input*)calloc(1, sizeof *in);
  if (!in) {
    CloseHandle(f);
    return 0;
  }
  in->file = f;
  in->size = GetFileSize(f, NULL);
  in->frameBytes = 1;
  in->options = 1;
  *rate = 0;
  *bits = 0;
  *channels = 0;
  *chunkBytes = 1000;
  return (SornFilterHandle)(uintptr_t)in;
}

/* The bytes the reads deliver: whole frames of the layout set through FilterSetOptions. */
static uint32_t deliverable(const Input* in) {
  return in->size - in->size % in->frameBytes;
}

uint32_t __stdcall ReadFilterInput(SornFilterHandle input, void* buffer, uint32_t bytes) {
  Input* in = (Input*)(uintptr_t)input;
  DWORD got = 0;
  uint32_t left = deliverable(in) - in->pos;
  if (bytes > 3) bytes = 3;
  if (bytes > left) bytes = left;
  if (bytes == 0) return 0;
  SetFilePointer(in->file, (LONG)in->pos, NULL, FILE_BEGIN);
  if (!ReadFile(in->file, buffer, bytes, &got, NULL)) return 0;
  in->pos += got;
  return got;
}

void __stdcall CloseFilterInput(SornFilterHandle input) {
  Input* in = (Input*)(uintptr_t)input;
  if (!in) return;
  CloseHandle(in->file);
  free(in);
}

uint32_t __stdcall FilterGetFileSize(SornFilterHandle input) {
  return deliverable((Input*)(uintptr_t)input);
}

uint32_t __stdcall FilterOptions(SornFilterHandle input) {
  return ((Input*)(uintptr_t)input)->options;
}

uint32_t __stdcall FilterGetOptions(SornWindow window, SornModule module, uint32_t rate, uint32_t channels,
                                    uint32_t bits, uint32_t previous) {
  (void)window, (void)module, (void)rate, (void)channels, (void)bits;
  return previous + 1;
}

void __stdcall FilterSetOptions(SornFilterHandle input, uint32_t options, uint32_t rate, uint32_t channels,
                                uint32_t bits) {
  Input* in = (Input*)(uintptr_t)input;
  (void)rate;
  in->options = options;
  if ((channels == 1 || channels == 2) && (bits == 8 || bits == 16 || bits == 32)) in->frameBytes = channels * bits / 8;
}

static int32_t giveItem(Input* in, SornSpecialData* item) {
  static const char comment[] = "raw test";
  static const unsigned char label[] = {1, 0, 0, 0, 'n', 'o', ' ', 'e', 'n', 'd'};
  const void* bytes;
  uint32_t size;
  void* p;
  if (in->nextItem == 0) {
    copyText(item->listType, sizeof item->listType, "INFO");
    copyText(item->chunkId, sizeof item->chunkId, "ICMT");
    bytes = comment;
    size = sizeof comment;
  } else if (in->nextItem == 1) {
    copyText(item->listType, sizeof item->listType, "adtl");
    copyText(item->chunkId, sizeof item->chunkId, "labl");
    bytes = label;
    size = sizeof label;
  } else {
    return 0;
  }
  item->mem = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!item->mem) return 0;
  p = GlobalLock(item->mem);
  memcpy(p, bytes, size);
  GlobalUnlock(item->mem);
  item->size = size;
  item->count = 1;
  ++in->nextItem;
  return 1;
}

int32_t __stdcall FilterGetFirstSpecialData(SornFilterHandle input, SornSpecialData* item) {
  Input* in = (Input*)(uintptr_t)input;
  in->nextItem = 0;
  return giveItem(in, item);
}

int32_t __stdcall FilterGetNextSpecialData(SornFilterHandle input, SornSpecialData* item) {
  return giveItem((Input*)(uintptr_t)input, item);
}

SornFilterHandle __stdcall OpenFilterOutput(const char* path, uint32_t rate, uint32_t bits, uint32_t channels,
                                            uint32_t totalBytes, uint32_t* chunkBytes, uint32_t options) {
  Output* o;
  HANDLE f;
  (void)rate, (void)channels, (void)totalBytes, (void)options;
  if (bits != 16) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  f = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
  if (f == INVALID_HANDLE_VALUE) return 0;
  o = (Output*)calloc(1, sizeof *o);
  if (!o) {
    CloseHandle(f);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  o->file = f;
  o->limit = strstr(path, "full") ? 1000 : 0xFFFFFFFFu;
  *chunkBytes = 400;
  return (SornFilterHandle)(uintptr_t)o;
}

uint32_t __stdcall WriteFilterOutput(SornFilterHandle output, void* buffer, uint32_t bytes) {
  Output* o = (Output*)(uintptr_t)output;
  DWORD done = 0;
  if (o->written + bytes > o->limit) return 0;
  if (!WriteFile(o->file, buffer, bytes, &done, NULL) || done != bytes) return 0;
  o->written += bytes;
  return bytes;
}

uint32_t __stdcall CloseFilterOutput(SornFilterHandle output) {
  Output* o = (Output*)(uintptr_t)output;
  BOOL ok = CloseHandle(o->file);
  free(o);
  return ok ? 1 : 0;
}

int32_t __stdcall GetSuggestedSampleType2(uint32_t* bits, uint32_t* rate, uint32_t* channels, uint32_t options) {
  (void)rate, (void)channels, (void)options;
  *bits = 16;
  return 1;
}
