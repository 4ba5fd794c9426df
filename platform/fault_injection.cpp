// The fault-injecting and fake-volume file tables (see fault_injection.h).
#include "platform/fault_injection.h"

#include <algorithm>
#include <cassert>
#include <cctype>

namespace platform {

const char* fileOpName(unsigned opBit) {
  switch (opBit) {
    case kOpOpen:
      return "open";
    case kOpRead:
      return "read";
    case kOpWrite:
      return "write";
    case kOpSize:
      return "size";
    case kOpTruncate:
      return "truncate";
    case kOpFlush:
      return "flush";
    case kOpGetTime:
      return "getTime";
    case kOpSetTime:
      return "setTime";
    case kOpRemove:
      return "remove";
    case kOpRename:
      return "rename";
    case kOpExists:
      return "exists";
    case kOpDiskFree:
      return "diskFree";
    case kOpVolumeId:
      return "volumeId";
  }
  return "?";
}

// --- FaultInjector -----------------------------------------------------------------------------------

namespace {

std::atomic<FaultInjector*> gInjector{nullptr};

FaultInjector& inj() {
  FaultInjector* i = gInjector.load(std::memory_order_acquire);
  assert(i && "the fault injector's table is installed but the injector is gone");
  return *i;
}

// Runs the delay hook, then either fails the call or forwards it.
#define SORN_FAULT_GATE(bit) \
  FaultInjector& in = inj(); \
  in.delay(bit);             \
  FileStatus failed;         \
  if (in.shouldFail(bit, &failed))

FileStatus fiOpen(const char* path, unsigned flags, File** out) {
  SORN_FAULT_GATE(kOpOpen) {
    if (out) *out = nullptr;
    return failed;
  }
  return in.base().open(path, flags, out);
}

void fiClose(File* f) {
  inj().base().close(f);
}

FileStatus fiRead(File* f, uint64_t offset, void* buf, uint32_t size, uint32_t* done) {
  SORN_FAULT_GATE(kOpRead) {
    if (done) *done = 0;
    return failed;
  }
  return in.base().read(f, offset, buf, size, done);
}

FileStatus fiWrite(File* f, uint64_t offset, const void* buf, uint32_t size, uint32_t* done) {
  SORN_FAULT_GATE(kOpWrite) {
    uint32_t put = 0;
    if (failed == FileStatus::DiskFull && size / 2 > 0) {
      // A full disk takes part of a write: let half of it land.
      if (in.base().write(f, offset, buf, size / 2, &put) != FileStatus::Ok) put = 0;
    }
    if (done) *done = put;
    return failed;
  }
  return in.base().write(f, offset, buf, size, done);
}

FileStatus fiSize(File* f, uint64_t* out) {
  SORN_FAULT_GATE(kOpSize) return failed;
  return in.base().size(f, out);
}

FileStatus fiTruncate(File* f, uint64_t size) {
  SORN_FAULT_GATE(kOpTruncate) return failed;
  return in.base().truncate(f, size);
}

FileStatus fiFlush(File* f) {
  SORN_FAULT_GATE(kOpFlush) return failed;
  return in.base().flush(f);
}

FileStatus fiGetTime(File* f, int64_t* t) {
  SORN_FAULT_GATE(kOpGetTime) return failed;
  return in.base().getTime(f, t);
}

FileStatus fiSetTime(File* f, int64_t t) {
  SORN_FAULT_GATE(kOpSetTime) return failed;
  return in.base().setTime(f, t);
}

FileStatus fiRemove(const char* path) {
  SORN_FAULT_GATE(kOpRemove) return failed;
  return in.base().remove(path);
}

FileStatus fiRename(const char* from, const char* to) {
  SORN_FAULT_GATE(kOpRename) return failed;
  return in.base().rename(from, to);
}

FileStatus fiExists(const char* path, bool* isDirectory) {
  SORN_FAULT_GATE(kOpExists) return failed;
  return in.base().exists(path, isDirectory);
}

FileStatus fiDiskFree(const char* path, int64_t* bytes) {
  SORN_FAULT_GATE(kOpDiskFree) return failed;
  return in.base().diskFree(path, bytes);
}

FileStatus fiVolumeId(const char* path, uint64_t* id) {
  SORN_FAULT_GATE(kOpVolumeId) return failed;
  return in.base().volumeId(path, id);
}

#undef SORN_FAULT_GATE

const FileOps kInjectorOps = {fiOpen,    fiClose,   fiRead,   fiWrite,  fiSize,   fiTruncate, fiFlush,
                              fiGetTime, fiSetTime, fiRemove, fiRename, fiExists, fiDiskFree, fiVolumeId};

}  // namespace

FaultInjector::FaultInjector(const FileOps& base) : base_(base) {
  FaultInjector* expected = nullptr;
  bool first = gInjector.compare_exchange_strong(expected, this);
  assert(first && "only one FaultInjector at a time");
  (void)first;
}

FaultInjector::~FaultInjector() {
  if (&fileOps() == &kInjectorOps) setFileOps(nullptr);  // never leave a table pointing at nothing
  gInjector.store(nullptr);
}

const FileOps* FaultInjector::ops() const {
  return &kInjectorOps;
}

void FaultInjector::failAt(uint64_t n, FileStatus status, bool persistent) {
  status_ = int(status);
  persistent_ = persistent;
  failAt_ = n;
}

void FaultInjector::setCounted(unsigned opMask) {
  counted_ = opMask;
}

void FaultInjector::setDelayHook(std::function<void(unsigned)> hook) {
  std::lock_guard<std::mutex> lock(hookLock_);
  hook_ = std::move(hook);
}

void FaultInjector::reset() {
  failAt_ = 0;
  calls_ = 0;
  failures_ = 0;
}

bool FaultInjector::shouldFail(unsigned opBit, FileStatus* status) {
  if (!(counted_.load() & opBit)) return false;
  uint64_t call = calls_.fetch_add(1) + 1;
  uint64_t n = failAt_.load();
  if (n == 0 || call < n || (call > n && !persistent_.load())) return false;
  FileStatus s = FileStatus(status_.load());
  const unsigned canBeFull = kOpOpen | kOpWrite | kOpTruncate | kOpFlush;
  if (s == FileStatus::DiskFull && !(opBit & canBeFull)) s = FileStatus::IoError;
  *status = s;
  failures_.fetch_add(1);
  return true;
}

void FaultInjector::delay(unsigned opBit) {
  std::function<void(unsigned)> hook;
  {
    std::lock_guard<std::mutex> lock(hookLock_);
    hook = hook_;
  }
  if (hook) hook(opBit);
}

// --- FakeVolumes -------------------------------------------------------------------------------------

namespace {

std::atomic<FakeVolumes*> gVolumes{nullptr};

FakeVolumes& vols() {
  FakeVolumes* v = gVolumes.load(std::memory_order_acquire);
  assert(v && "the fake volumes' table is installed but the object is gone");
  return *v;
}

// The form in which paths are compared: absolute, and on Windows with one separator and one case.
std::string comparable(const std::string& path) {
  std::string p = absolutePath(path);
#ifdef _WIN32
  for (char& c : p) c = c == '/' ? '\\' : char(std::tolower(static_cast<unsigned char>(c)));
#endif
  return p;
}

bool isSep(char c) {
  return c == '/' || c == '\\';
}

FileStatus fvOpen(const char* path, unsigned flags, File** out) {
  return vols().open(path, flags, out);
}
void fvClose(File* f) {
  vols().close(f);
}
FileStatus fvRead(File* f, uint64_t o, void* b, uint32_t n, uint32_t* d) {
  return vols().base().read(f, o, b, n, d);
}
FileStatus fvWrite(File* f, uint64_t o, const void* b, uint32_t n, uint32_t* d) {
  return vols().write(f, o, b, n, d);
}
FileStatus fvSize(File* f, uint64_t* out) {
  return vols().base().size(f, out);
}
FileStatus fvTruncate(File* f, uint64_t size) {
  return vols().truncate(f, size);
}
FileStatus fvFlush(File* f) {
  return vols().base().flush(f);
}
FileStatus fvGetTime(File* f, int64_t* t) {
  return vols().base().getTime(f, t);
}
FileStatus fvSetTime(File* f, int64_t t) {
  return vols().base().setTime(f, t);
}
FileStatus fvRemove(const char* path) {
  return vols().remove(path);
}
FileStatus fvRename(const char* from, const char* to) {
  return vols().base().rename(from, to);
}
FileStatus fvExists(const char* path, bool* isDir) {
  return vols().base().exists(path, isDir);
}
FileStatus fvDiskFree(const char* path, int64_t* bytes) {
  return vols().diskFree(path, bytes);
}

FileStatus fvVolumeId(const char* path, uint64_t* id) {
  FakeVolumes& v = vols();
  if (!path || !*path || !id) return FileStatus::InvalidArgument;
  uint64_t fake = 0;
  if (!v.volumeOf(path, &fake)) return v.base().volumeId(path, id);
  // The path must still exist (or not) as on the real filesystem.
  FileStatus st = v.base().exists(path, nullptr);
  if (st != FileStatus::Ok) return st;
  *id = fake;
  return FileStatus::Ok;
}

const FileOps kVolumeOps = {fvOpen,    fvClose,   fvRead,   fvWrite,  fvSize,   fvTruncate, fvFlush,
                            fvGetTime, fvSetTime, fvRemove, fvRename, fvExists, fvDiskFree, fvVolumeId};

}  // namespace

FakeVolumes::FakeVolumes(const FileOps& base) : base_(base) {
  FakeVolumes* expected = nullptr;
  bool first = gVolumes.compare_exchange_strong(expected, this);
  assert(first && "only one FakeVolumes at a time");
  (void)first;
}

FakeVolumes::~FakeVolumes() {
  if (&fileOps() == &kVolumeOps) setFileOps(nullptr);
  gVolumes.store(nullptr);
}

const FileOps* FakeVolumes::ops() const {
  return &kVolumeOps;
}

void FakeVolumes::addVolume(const std::string& prefix, uint64_t id, int64_t freeBytes) {
  std::string p = comparable(prefix);
  while (p.size() > 1 && isSep(p.back())) p.pop_back();
  std::lock_guard<std::mutex> lock(lock_);
  volumes_.push_back({p, id});
  free_[id] = freeBytes;
}

void FakeVolumes::setFree(uint64_t id, int64_t freeBytes) {
  std::lock_guard<std::mutex> lock(lock_);
  free_[id] = freeBytes;
}

int64_t FakeVolumes::freeBytes(uint64_t id) const {
  std::lock_guard<std::mutex> lock(lock_);
  auto it = free_.find(id);
  return it == free_.end() ? -1 : it->second;
}

void FakeVolumes::setAccounting(bool on) {
  std::lock_guard<std::mutex> lock(lock_);
  accounting_ = on;
}

bool FakeVolumes::volumeOf(const char* path, uint64_t* id) const {
  if (!path || !*path) return false;
  std::string p = comparable(path);
  std::lock_guard<std::mutex> lock(lock_);
  size_t best = 0;
  bool found = false;
  for (const Volume& v : volumes_) {
    const std::string& pre = v.prefix;
    if (p.compare(0, pre.size(), pre) != 0) continue;
    bool boundary = p.size() == pre.size() || isSep(p[pre.size()]) || isSep(pre.back());
    if (boundary && (!found || pre.size() > best)) {
      best = pre.size();
      *id = v.id;
      found = true;
    }
  }
  return found;
}

FileStatus FakeVolumes::open(const char* path, unsigned flags, File** out) {
  FileStatus st = base_.open(path, flags, out);
  uint64_t id = 0;
  if (st == FileStatus::Ok && volumeOf(path, &id)) {
    std::lock_guard<std::mutex> lock(lock_);
    files_[*out] = {id, (flags & kFileDeleteOnClose) != 0};
  }
  return st;
}

bool FakeVolumes::tracked(File* f, Tracked* t) const {
  std::lock_guard<std::mutex> lock(lock_);
  auto it = files_.find(f);
  if (it == files_.end() || !accounting_) return false;
  *t = it->second;
  return true;
}

bool FakeVolumes::take(uint64_t volume, uint64_t bytes, uint64_t* granted) {
  std::lock_guard<std::mutex> lock(lock_);
  int64_t& avail = free_[volume];
  uint64_t have = avail > 0 ? uint64_t(avail) : 0;
  *granted = std::min(have, bytes);
  avail = int64_t(have - *granted);
  return *granted == bytes;
}

void FakeVolumes::giveBack(uint64_t volume, uint64_t bytes) {
  std::lock_guard<std::mutex> lock(lock_);
  free_[volume] += int64_t(bytes);
}

void FakeVolumes::close(File* f) {
  Tracked t;
  uint64_t size = 0;
  bool refund = tracked(f, &t) && t.deleteOnClose && base_.size(f, &size) == FileStatus::Ok;
  {
    std::lock_guard<std::mutex> lock(lock_);
    files_.erase(f);
  }
  base_.close(f);
  if (refund) giveBack(t.volume, size);
}

FileStatus FakeVolumes::write(File* f, uint64_t offset, const void* buf, uint32_t size, uint32_t* done) {
  Tracked t;
  uint64_t cur = 0;
  if (!tracked(f, &t) || base_.size(f, &cur) != FileStatus::Ok)
    return base_.write(f, offset, buf, size, done);
  // Room is taken for the bytes past the current end (including any gap before offset).
  uint64_t end = offset + size;
  uint64_t growth = end > cur ? end - cur : 0;
  uint64_t granted = 0;
  bool fits = take(t.volume, growth, &granted);
  uint32_t allowed = size;
  if (!fits) {
    uint64_t limit = cur + granted;  // the file may grow to here
    allowed = limit > offset ? uint32_t(std::min<uint64_t>(size, limit - offset)) : 0;
  }
  uint32_t put = 0;
  FileStatus st = allowed ? base_.write(f, offset, buf, allowed, &put) : FileStatus::Ok;
  uint64_t newEnd = put ? std::max(cur, offset + put) : cur;
  giveBack(t.volume, granted - (newEnd - cur));  // return what the write did not use
  if (done) *done = put;
  return (st == FileStatus::Ok && !fits) ? FileStatus::DiskFull : st;
}

FileStatus FakeVolumes::truncate(File* f, uint64_t size) {
  Tracked t;
  uint64_t cur = 0;
  if (!tracked(f, &t) || base_.size(f, &cur) != FileStatus::Ok) return base_.truncate(f, size);
  if (size > cur) {
    uint64_t granted = 0;
    if (!take(t.volume, size - cur, &granted)) {
      giveBack(t.volume, granted);
      return FileStatus::DiskFull;
    }
    FileStatus st = base_.truncate(f, size);
    if (st != FileStatus::Ok) giveBack(t.volume, granted);
    return st;
  }
  FileStatus st = base_.truncate(f, size);
  if (st == FileStatus::Ok) giveBack(t.volume, cur - size);
  return st;
}

FileStatus FakeVolumes::remove(const char* path) {
  uint64_t id = 0;
  bool accounting;
  {
    std::lock_guard<std::mutex> lock(lock_);
    accounting = accounting_;
  }
  uint64_t size = 0;
  bool refund = false;
  if (accounting && volumeOf(path, &id)) {
    File* f = nullptr;
    if (base_.open(path, kFileRead | kFileShareRead | kFileShareWrite, &f) == FileStatus::Ok) {
      refund = base_.size(f, &size) == FileStatus::Ok;
      base_.close(f);
    }
  }
  FileStatus st = base_.remove(path);
  if (st == FileStatus::Ok && refund) giveBack(id, size);
  return st;
}

FileStatus FakeVolumes::diskFree(const char* path, int64_t* bytes) {
  uint64_t id = 0;
  if (!volumeOf(path, &id)) return base_.diskFree(path, bytes);
  if (!bytes) return FileStatus::InvalidArgument;
  FileStatus st = base_.exists(path, nullptr);
  if (st != FileStatus::Ok) return st;
  *bytes = freeBytes(id);
  return FileStatus::Ok;
}

}  // namespace platform
