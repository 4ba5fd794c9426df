// The store's start-up and shut-down, its backing-file slots (temp files and source files), descriptor
// field access, status texts, the name hash and temp names. Allocation, copy-on-write and compaction are
// in store_alloc.cpp; the invariant checker in store_check.cpp.
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <random>

#include "platform/thread.h"
#include "storage/store_internal.h"

namespace storage {

VfStore* gStore = nullptr;

namespace {

constexpr size_t kBufferAlign = 4096;
constexpr size_t kMaxPath = 260;
constexpr int kTempNameTries = 10000;

struct StatusText {
  int code;
  const char* text;
};
const StatusText kTexts[] = {
    {VF_OK, "success"},
    {VF_ERR_ALREADY_INIT, "store already initialised"},
    {VF_ERR_NOT_INIT, "store not initialised"},
    {VF_ERR_NO_MEMORY, "out of memory"},
    {VF_ERR_SLOT_UNUSED, "slot unused, bad open flags or store incomplete"},
    {VF_ERR_SLOT_NOT_INIT, "store not initialised (slot open)"},
    {VF_ERR_NO_SLOT, "no free file slot (all 255 in use)"},
    {VF_ERR_OPEN, "file could not be opened or created"},
    {VF_ERR_READ_BEYOND, "read offset beyond the file's size"},
    {VF_ERR_READ_ONLY, "write to a read-only file"},
    {VF_ERR_CACHE, "cache could not be created"},
    {VF_ERR_TEMP_NAME, "no temp file name could be made"},
    {VF_ERR_NO_DESCRIPTOR, "no free block descriptor"},
    {VF_ERR_BAD_SLOT, "bad slot index, or zero length"},
    {VF_ERR_NOT_IN_USE, "descriptor not in use"},
    {VF_ERR_INVALID, "descriptor invalid"},
    {VF_ERR_NO_BLOCK, "no free block for a copy or split"},
    {VF_ERR_IO, "a block could not be read or written"},
    {VF_WARN_TEMP1_ROOT, "temp directory 1 did not exist and was cut to its drive root"},
    {VF_WARN_TEMP2_ROOT, "temp directory 2 did not exist and was cut to its drive root"},
};

bool validSlot(int s) { return s >= 0 && s < kVfSlotCount; }

// Cache callbacks: whole blocks at position x 64 KB of a slot.
bool cacheReadBlock(uint32_t slot, uint32_t position, uint8_t* buf) {
  int st = 0;
  uint64_t offset = uint64_t(position) * kVfBlockSize;
  uint32_t got = TfRead(int(slot), offset, kVfBlockSize, buf, &st);
  if (st == VF_ERR_READ_BEYOND) st = VF_OK;  // a location never written yet reads as zeros
  if (st != VF_OK) return false;
  if (got < kVfBlockSize) std::memset(buf + got, 0, kVfBlockSize - got);
  return true;
}

bool cacheWriteBlock(uint32_t slot, uint32_t position, const uint8_t* buf) {
  int st = 0;
  uint32_t done = TfWrite(int(slot), uint64_t(position) * kVfBlockSize, kVfBlockSize, buf, &st);
  return st == VF_OK && done == kVfBlockSize;
}

bool cacheNextBlock(uint32_t d, uint32_t* next, uint32_t* position, uint32_t* slot) {
  VfStore* st = gStore;
  if (!st || d == 0 || d >= kVfBlockCount) return false;
  uint32_t f = st->blocks[d].flags.load(std::memory_order_relaxed);
  if (!(f & VF_INUSE) || (f & VF_INVALID)) return false;
  uint16_t n = st->blocks[d].next.load(std::memory_order_relaxed);
  if (n == 0) return false;
  uint32_t nf = st->blocks[n].flags.load(std::memory_order_relaxed);
  if (!(nf & VF_INUSE) || (nf & VF_INVALID)) return false;
  *next = n;
  *position = st->blocks[n].position.load(std::memory_order_relaxed);
  *slot = uint32_t(VfSlotOf(nf));
  return true;
}

bool isDirectory(const std::string& path) {
  bool dir = false;
  return !path.empty() && platform::fileOps().exists(path.c_str(), &dir) == platform::FileStatus::Ok && dir;
}

bool hasDriveLetter(const std::string& p) { return p.size() >= 2 && p[1] == ':' && std::isalpha((unsigned char)p[0]); }

// The drive root a missing temp directory is replaced by: "D:\" for a drive path, else the mount point.
std::string driveRoot(const std::string& p) {
  if (hasDriveLetter(p)) return p.substr(0, 3);
  std::string root = platform::volumeRoot(p);
  return root.empty() ? std::string(1, platform::pathSeparator()) : root;
}


// Creates a uniquely named delete-on-close temp file "WVXhhhh.TMP" in dir. Returns the slot or -1.
int openTempFile(const std::string& dir, bool systemCache, int* status) {
  static std::atomic<uint32_t> counter{0};
  uint32_t start = uint32_t(platform::nowMs()) * 2654435761u + counter.fetch_add(7919);
  for (uint32_t i = 0; i < 0x10000; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "WVX%04X.TMP", unsigned((start + i) & 0xFFFF));
    std::string path = platform::joinPath(dir, name);
    bool isDir = false;
    if (platform::fileOps().exists(path.c_str(), &isDir) == platform::FileStatus::Ok) continue;
    int slot = TfOpen(path, TF_CREATE | (systemCache ? TF_SYSTEM_CACHE : 0), 0, 0, status);
    if (slot >= 0 || *status != VF_ERR_OPEN) return slot;
    if (platform::fileOps().exists(path.c_str(), &isDir) != platform::FileStatus::Ok) return -1;  // not a name clash
  }
  *status = VF_ERR_TEMP_NAME;
  return -1;
}

void freeStore(VfStore* s) {
  if (!s) return;
  if (s->cache) CacheDestroy(s->cache);
  s->cache = nullptr;
  for (int i = 0; i < kVfSlotCount; ++i)
    if (s->slots[i].file) platform::fileClose(s->slots[i].file);
  delete[] s->blocks;
  if (s->buffer) ::operator delete(s->buffer, std::align_val_t(kBufferAlign));
  delete s;
}

// Existence check and measurement of temp directory `which`; returns the warning status or 0.
int setupTempDir(VfStore* s, int which, const std::string& dir) {
  int warning = VF_OK;
  s->tempDir[which] = dir.substr(0, kMaxPath - 1);
  if (!isDirectory(s->tempDir[which])) {
    char text[kMaxPath + 160];
    std::snprintf(text, sizeof text,
                  "Temporary directory \"%s\" does not exist.  Please specify an existing directory under "
                  "Options->Settings/System.",
                  s->tempDir[which].c_str());
    storeBox(text, "Cannot Find Temporary Directory", StoreIcon::Warning);
    s->tempDir[which] = driveRoot(s->tempDir[which]);
    warning = which == 1 ? VF_WARN_TEMP1_ROOT : VF_WARN_TEMP2_ROOT;
  }
  VfGetDiskFree(s->tempDir[which], &s->freeSectors[which], &s->bytesPerSector[which]);
  return warning;
}

}  // namespace

const int kVfAllStatuses[] = {0, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21};
const int kVfStatusCount = int(sizeof kVfAllStatuses / sizeof kVfAllStatuses[0]);

const char* VfStatusText(int status) {
  for (const StatusText& t : kTexts)
    if (t.code == status) return t.text;
  return "unknown store status";
}

void storeDebug(const char* fmt, ...) {
  if (!gStore || !gStore->ui.debug) return;
  char line[512];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(line, sizeof line, fmt, ap);
  va_end(ap);
  gStore->ui.debug(line);
}

void storeBox(const std::string& text, const std::string& caption, StoreIcon icon) {
  if (gStore && gStore->ui.messageBox) gStore->ui.messageBox(text, caption, icon);
}

void VfGetDiskFree(const std::string& path, int64_t* sectors, int64_t* bytesPerSector) {
  int64_t bytes = platform::diskFree(path);
  if (bytes < 0) {
    *sectors = 100;
    *bytesPerSector = 1024;
    return;
  }
  *bytesPerSector = 512;
  *sectors = bytes / 512;
}

int VfInit(const std::string& tempDir1, const std::string& tempDir2, int64_t reserve1Bytes, int64_t reserve2Bytes,
           uint32_t cacheSizeKB, const StoreUi& ui) {
  if (gStore) return VF_ERR_ALREADY_INIT;
  VfStore* s = new (std::nothrow) VfStore;
  if (!s) return VF_ERR_NO_MEMORY;
  s->blocks = new (std::nothrow) VfBlock[kVfBlockCount];
  s->buffer = static_cast<uint8_t*>(::operator new(kVfBlockSize, std::align_val_t(kBufferAlign), std::nothrow));
  if (!s->blocks || !s->buffer) {
    freeStore(s);
    return VF_ERR_NO_MEMORY;
  }
  s->ui = ui;
  gStore = s;  // boxes and debug lines from here on go through ui

  uint32_t n = cacheSizeKB / 64 > 16 ? cacheSizeKB / 64 : 16;
  CacheCallbacks cb;
  cb.readBlock = cacheReadBlock;
  cb.writeBlock = cacheWriteBlock;
  cb.nextBlock = cacheNextBlock;
  cb.warn = [](const char* text, const char* caption) { storeBox(text, caption, StoreIcon::Warning); };
  cb.debug = [](const char* line) { storeDebug("%s", line); };
  s->cache = CacheCreate(n, n * 3 / 4, kVfBlockSize, cb);
  if (!s->cache) {
    storeBox("Wave Cache too large for available memory.  Please go to Options and reduce Wave Cache size",
             "Not Enough Memory", StoreIcon::Warning);
    gStore = nullptr;
    freeStore(s);
    return VF_ERR_CACHE;
  }
  s->cacheSizeKB = cacheSizeKB;

  int warning = setupTempDir(s, 1, tempDir1);
  if (!tempDir2.empty() && !VfSameTempDrive(tempDir2, s->tempDir[1])) {
    int w2 = setupTempDir(s, 2, tempDir2);
    if (warning == VF_OK) warning = w2;
  }
  s->reserve[1] = reserve1Bytes + int64_t(cacheSizeKB) * 1024;
  s->reserve[2] = reserve2Bytes + int64_t(cacheSizeKB) * 1024;

  {
    std::lock_guard<std::mutex> g(s->listLock);
    s->blocks[0].flags = VF_INVALID;
    for (uint32_t i = 1; i < kVfBlockCount; ++i) {
      s->blocks[i].flags = VF_INVALID;
      s->blocks[i].next = uint16_t(i + 1 < kVfBlockCount ? i + 1 : 0);
    }
    s->freeListEmpty = 1;
    s->freeListValid = 0;
    s->emptyCount = kVfBlockCount - 1;
    s->validCount = 0;
  }

  int st = VF_OK;
  s->tempSlot[1] = openTempFile(s->tempDir[1], cacheSizeKB == 0, &st);
  if (s->tempSlot[1] < 0) {
    gStore = nullptr;
    freeStore(s);
    return st;
  }
  if (!s->tempDir[2].empty()) {
    s->tempSlot[2] = openTempFile(s->tempDir[2], cacheSizeKB == 0, &st);
    if (s->tempSlot[2] < 0 && st == VF_ERR_TEMP_NAME) {
      gStore = nullptr;
      freeStore(s);
      return VF_ERR_TEMP_NAME;
    }
  }
  return warning;
}

int VfShutdown() {
  VfStore* s = gStore;
  if (!s) return VF_ERR_NOT_INIT;
  if (!s->blocks || !s->cache) return VF_ERR_SLOT_UNUSED;
  // Temp files vanish on close, so dirty blocks need not be written; the cache goes first so no
  // callback can run against a closed slot.
  CacheDestroy(s->cache);
  s->cache = nullptr;
  for (int i = 0; i < kVfSlotCount; ++i)
    if (!(s->slots[i].flags.load() & TF_UNUSED)) TfClose(i);
  gStore = nullptr;
  freeStore(s);
  return VF_OK;
}

bool VfSameTempDrive(const std::string& a, const std::string& b) {
  if (hasDriveLetter(a) && hasDriveLetter(b)) {
    if (std::toupper((unsigned char)a[0]) != std::toupper((unsigned char)b[0])) return false;
    // One letter: the same drive, unless the file layer knows both directories on different volumes
    // (a mounted folder, or the fake volumes of a test).
    uint64_t ia = 0, ib = 0;
    const platform::FileOps& ops = platform::fileOps();
    if (ops.volumeId(a.c_str(), &ia) == platform::FileStatus::Ok && ops.volumeId(b.c_str(), &ib) == platform::FileStatus::Ok)
      return ia == ib;
    return true;
  }
  return platform::sameVolume(a, b);
}

bool VfIsInitialised() { return gStore != nullptr; }

void VfSetReserves(int64_t reserve1Bytes, int64_t reserve2Bytes) {
  VfStore* s = gStore;
  if (!s) return;
  std::lock_guard<std::mutex> g(s->listLock);
  s->reserve[1] = reserve1Bytes + int64_t(s->cacheSizeKB) * 1024;
  s->reserve[2] = reserve2Bytes + int64_t(s->cacheSizeKB) * 1024;
}

WaveCache* VfGetCache() { return gStore ? gStore->cache : nullptr; }

uint32_t VfNameHash(const std::string& path) {
  uint32_t h = 0;
  for (unsigned char c : path) {
    if (c >= 'a' && c <= 'z') c = uint8_t(c - 'a' + 'A');
    if (c == '/') c = '\\';
    h = (h << 5) ^ c ^ ((h >> 28) * 2);
  }
  return h;
}

int VfFindSourceFile(const std::string& path) {
  VfStore* s = gStore;
  if (!s) return -1;
  uint32_t h = VfNameHash(path);
  for (int i = 0; i < kVfSlotCount; ++i) {
    uint32_t f = s->slots[i].flags.load();
    if (!(f & TF_UNUSED) && (f & TF_SOURCE) && s->slots[i].nameHash == h) return i;
  }
  return -1;
}

bool getTempName(const char* prefix, char* buffer, size_t size) {
  if (!buffer || size == 0) return false;
  std::string dir;
  if (buffer[0] == '!') {
    size_t len = strnlen(buffer, size);
    dir.assign(buffer + 1, len > 0 ? len - 1 : 0);
  } else if (gStore) {
    dir = gStore->tempDir[1];
  } else {
    return false;
  }
  std::string pre = prefix ? std::string(prefix, strnlen(prefix, kMaxPath)) : std::string();
  static std::atomic<uint32_t> salt{0};
  std::mt19937 rng(uint32_t(platform::nowMs()) ^ (salt.fetch_add(1) * 2654435761u));
  for (int tries = 0; tries < kTempNameTries; ++tries) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%d%d%d%d", int(rng() % 10), int(rng() % 10), int(rng() % 10),
                  int(rng() % 10));
    std::string path = platform::joinPath(dir, "~" + pre + digits + ".TMP");
    if (path.size() + 1 > size || path.size() + 1 > kMaxPath) return false;
    bool isDir = false;
    if (platform::fileOps().exists(path.c_str(), &isDir) == platform::FileStatus::NotFound) {
      std::memcpy(buffer, path.c_str(), path.size() + 1);
      return true;
    }
  }
  return false;
}

// ---- Descriptor fields ----

uint32_t VfBlockFlags(uint16_t d) { return gStore->blocks[d].flags.load(std::memory_order_relaxed); }
void VfSetBlockFlags(uint16_t d, uint32_t f) { gStore->blocks[d].flags.store(f, std::memory_order_relaxed); }
uint16_t VfBlockPosition(uint16_t d) { return gStore->blocks[d].position.load(std::memory_order_relaxed); }
void VfSetBlockPosition(uint16_t d, uint16_t p) { gStore->blocks[d].position.store(p, std::memory_order_relaxed); }
uint16_t VfBlockNext(uint16_t d) { return gStore->blocks[d].next.load(std::memory_order_relaxed); }
void VfSetBlockNext(uint16_t d, uint16_t n) { gStore->blocks[d].next.store(n, std::memory_order_relaxed); }

// ---- Slots ----

int TfOpen(const std::string& path, uint32_t flags, uint64_t base, uint64_t size, int* status) {
  VfStore* s = gStore;
  *status = VF_OK;
  if (!s) {
    *status = VF_ERR_SLOT_NOT_INIT;
    return -1;
  }
  if ((flags & TF_CREATE) && (flags & TF_SOURCE)) {
    *status = VF_ERR_SLOT_UNUSED;
    return -1;
  }
  bool temp = flags & (TF_CREATE | TF_OPEN_TEMP);
  unsigned of = temp || !(flags & TF_SOURCE) ? platform::kFileRead | platform::kFileWrite
                                             : platform::kFileRead | platform::kFileShareRead;
  if (flags & TF_CREATE) of |= platform::kFileCreateNew;
  if (temp) {
    of |= platform::kFileDeleteOnClose;
    if (!(flags & TF_SYSTEM_CACHE)) {
      of |= platform::kFileDirectIo;
#ifdef _WIN32
      of |= platform::kFileWriteThrough;  // natively the file dies with the process: no sync needed
#endif
    }
  }
  std::lock_guard<std::mutex> g(s->listLock);  // serialises slot claims
  for (int i = 0; i < kVfSlotCount; ++i) {
    TfSlot& t = s->slots[i];
    if (!(t.flags.load() & TF_UNUSED)) continue;
    std::lock_guard<std::mutex> sg(t.lock);
    platform::File* f = nullptr;
    if (platform::fileOps().open(path.c_str(), of, &f) != platform::FileStatus::Ok) {
      *status = VF_ERR_OPEN;
      return -1;
    }
    t.file = f;
    t.base = base;
    t.size = size;
    t.refCount = 0;
    t.nextPosition = 0;
    t.nameHash = VfNameHash(path);
    t.path = path;
    t.writable = false;
    t.flags = flags & (TF_SOURCE | TF_PREF_MASK);
    return i;
  }
  *status = VF_ERR_NO_SLOT;
  return -1;
}

int TfClose(int slot) {
  VfStore* s = gStore;
  if (!s || !validSlot(slot)) return VF_ERR_BAD_SLOT;
  TfSlot& t = s->slots[slot];
  {
    std::lock_guard<std::mutex> g(t.lock);
    if (t.flags.load() & TF_UNUSED) return VF_ERR_SLOT_UNUSED;
    if (t.refCount != 0 && slot != s->tempSlot[1] && slot != s->tempSlot[2])
      storeDebug("File #%ld still had %ld referenced blocks!\n", long(slot), long(t.refCount.load()));
    platform::fileClose(t.file);
    t.file = nullptr;
    t.flags = TF_UNUSED;
  }
  // Cached blocks of this file must not be served to the next file opened in the same slot.
  if (s->cache) CacheForgetSlot(s->cache, uint32_t(slot));
  return VF_OK;
}

uint32_t TfRead(int slot, uint64_t offset, uint32_t count, void* dst, int* status) {
  VfStore* s = gStore;
  *status = VF_OK;
  if (!s || !validSlot(slot)) {
    *status = VF_ERR_BAD_SLOT;
    return 0;
  }
  TfSlot& t = s->slots[slot];
  std::lock_guard<std::mutex> g(t.lock);
  if (t.flags.load() & TF_UNUSED) {
    *status = VF_ERR_SLOT_UNUSED;
    return 0;
  }
  uint64_t size = t.size.load();
  if (offset >= size) {
    *status = VF_ERR_READ_BEYOND;
    return 0;
  }
  if (!t.file) {
    storeDebug("Trying to read from nonexistant file %ld\n", long(slot));
    *status = VF_ERR_IO;
    return 0;
  }
  uint32_t want = size - offset < count ? uint32_t(size - offset) : count;
  uint32_t done = 0;
  if (platform::fileOps().read(t.file, t.base + offset, dst, want, &done) != platform::FileStatus::Ok)
    *status = VF_ERR_IO;
  return done;
}

uint32_t TfWrite(int slot, uint64_t offset, uint32_t count, const void* src, int* status) {
  VfStore* s = gStore;
  *status = VF_OK;
  if (!s || !validSlot(slot)) {
    *status = VF_ERR_BAD_SLOT;
    return 0;
  }
  TfSlot& t = s->slots[slot];
  std::lock_guard<std::mutex> g(t.lock);
  uint32_t f = t.flags.load();
  if (f & TF_UNUSED) {
    *status = VF_ERR_SLOT_UNUSED;
    return 0;
  }
  if ((f & TF_SOURCE) && !t.writable) {
    *status = VF_ERR_READ_ONLY;
    return 0;
  }
  if (!t.file) {
    *status = VF_ERR_IO;
    return 0;
  }
  uint32_t done = 0;
  if (platform::fileOps().write(t.file, t.base + offset, src, count, &done) != platform::FileStatus::Ok)
    *status = VF_ERR_IO;
  if (offset + done > t.size.load()) t.size = offset + done;
  return done;
}

uint32_t TfNextPosition(int slot) {
  VfStore* s = gStore;
  if (!s || !validSlot(slot)) return 0xFFFF;
  TfSlot& t = s->slots[slot];
  std::lock_guard<std::mutex> g(t.lock);
  uint32_t p = t.nextPosition.load();
  if (p >= 0xFFFF) return 0xFFFF;
  t.nextPosition = p + 1;
  ++t.refCount;
  return p;
}

int TfRelease(int slot) {
  VfStore* s = gStore;
  if (!s || !validSlot(slot)) return VF_ERR_BAD_SLOT;
  TfSlot& t = s->slots[slot];
  bool close = false;
  {
    std::lock_guard<std::mutex> g(t.lock);
    uint32_t f = t.flags.load();
    if (f & TF_UNUSED) {
      storeDebug("Decreasing reference on non-existant TF\n");
      return VF_ERR_SLOT_UNUSED;
    }
    if (t.refCount == 0) {
      storeDebug("Decreasing reference below zero on file #%ld\n", long(slot));
      return VF_OK;
    }
    close = --t.refCount == 0 && (f & TF_SOURCE);
  }
  if (close) TfClose(slot);
  return VF_OK;
}

int TfReopen(int slot, bool writable) {
  VfStore* s = gStore;
  if (!s || !validSlot(slot)) return VF_ERR_BAD_SLOT;
  TfSlot& t = s->slots[slot];
  std::lock_guard<std::mutex> g(t.lock);
  uint32_t f = t.flags.load();
  if (f & TF_UNUSED) return VF_ERR_SLOT_UNUSED;
  if (!(f & TF_SOURCE)) return VF_ERR_BAD_SLOT;
  platform::fileClose(t.file);
  t.file = nullptr;
  t.writable = false;
  const unsigned ro = platform::kFileRead | platform::kFileShareRead;
  if (writable && platform::fileOps().open(t.path.c_str(), platform::kFileRead | platform::kFileWrite, &t.file) ==
                      platform::FileStatus::Ok) {
    t.writable = true;
    return VF_OK;
  }
  if (platform::fileOps().open(t.path.c_str(), ro, &t.file) != platform::FileStatus::Ok) {
    t.file = nullptr;
    return VF_ERR_OPEN;
  }
  return writable ? VF_ERR_OPEN : VF_OK;
}

// ---- Figures ----

int VfTempSlot(int which) { return gStore && (which == 1 || which == 2) ? gStore->tempSlot[which] : -1; }
std::string VfTempDir(int which) { return gStore && (which == 1 || which == 2) ? gStore->tempDir[which] : ""; }

int64_t VfTempFileSize(int which) {
  int slot = VfTempSlot(which);
  if (slot < 0) return -1;
  TfSlot& t = gStore->slots[slot];
  std::lock_guard<std::mutex> g(t.lock);
  uint64_t size = 0;
  if (!t.file || platform::fileOps().size(t.file, &size) != platform::FileStatus::Ok) return -1;
  return int64_t(size);
}

uint32_t VfSlotNextPosition(int slot) { return gStore && validSlot(slot) ? gStore->slots[slot].nextPosition.load() : 0; }
uint32_t VfSlotRefCount(int slot) { return gStore && validSlot(slot) ? gStore->slots[slot].refCount.load() : 0; }
bool VfSlotInUse(int slot) { return gStore && validSlot(slot) && !(gStore->slots[slot].flags.load() & TF_UNUSED); }

uint32_t VfEmptyCount() {
  std::lock_guard<std::mutex> g(gStore->listLock);
  return gStore->emptyCount;
}

std::vector<uint16_t> VfValidFreeList() {
  std::vector<uint16_t> out;
  std::lock_guard<std::mutex> g(gStore->listLock);
  for (uint16_t d = gStore->freeListValid; d && out.size() < kVfBlockCount; d = gStore->blocks[d].next.load())
    out.push_back(d);
  return out;
}

uint32_t VfValidFreeCount() {
  std::lock_guard<std::mutex> g(gStore->listLock);
  return gStore->validCount;
}

uint32_t VfInUseCount() {
  std::lock_guard<std::mutex> g(gStore->listLock);
  return kVfBlockCount - 1 - gStore->emptyCount - gStore->validCount;
}

}  // namespace storage
