// The portable half of the file layer: status texts, the counted real table and the table switch, path
// helpers, and the volume and free-space questions answered over whichever table is in force (so a fake
// table with two volumes answers them too).
#include "platform/file.h"

#include <atomic>

#include "platform/file_internal.h"

namespace platform {

const char* fileStatusText(FileStatus s) {
  switch (s) {
    case FileStatus::Ok:
      return "no error";
    case FileStatus::NotFound:
      return "file or folder not found";
    case FileStatus::AccessDenied:
      return "access denied";
    case FileStatus::SharingViolation:
      return "the file is in use by another handle";
    case FileStatus::DiskFull:
      return "the disk is full";
    case FileStatus::IoError:
      return "input/output error";
    case FileStatus::Exists:
      return "the file already exists";
    case FileStatus::InvalidArgument:
      return "invalid argument";
  }
  return "unknown file status";
}

namespace {

// Reads and writes count every call; bytes count what actually moved; opens count every attempt.
std::atomic<uint64_t> gReads{0}, gWrites{0}, gBytesRead{0}, gBytesWritten{0}, gOpens{0};

FileStatus countedOpen(const char* path, unsigned flags, File** out) {
  gOpens.fetch_add(1, std::memory_order_relaxed);
  return detail::systemFileOps().open(path, flags, out);
}

FileStatus countedRead(File* f, uint64_t offset, void* buf, uint32_t size, uint32_t* done) {
  uint32_t got = 0;
  FileStatus st = detail::systemFileOps().read(f, offset, buf, size, &got);
  gReads.fetch_add(1, std::memory_order_relaxed);
  gBytesRead.fetch_add(got, std::memory_order_relaxed);
  if (done) *done = got;
  return st;
}

FileStatus countedWrite(File* f, uint64_t offset, const void* buf, uint32_t size, uint32_t* done) {
  uint32_t put = 0;
  FileStatus st = detail::systemFileOps().write(f, offset, buf, size, &put);
  gWrites.fetch_add(1, std::memory_order_relaxed);
  gBytesWritten.fetch_add(put, std::memory_order_relaxed);
  if (done) *done = put;
  return st;
}

FileOps makeCountedOps() {
  FileOps ops = detail::systemFileOps();
  ops.open = countedOpen;
  ops.read = countedRead;
  ops.write = countedWrite;
  return ops;
}

const FileOps& countedOps() {
  static const FileOps ops = makeCountedOps();
  return ops;
}

std::atomic<const FileOps*> gCurrent{nullptr};

bool isSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}

// Length of the root part of an absolute path: "/" natively; "C:\" or "\\server\share\" on Windows.
size_t rootLength(const std::string& p) {
#ifdef _WIN32
  if (p.size() >= 2 && p[1] == ':') return (p.size() >= 3 && isSeparator(p[2])) ? 3 : 2;
  if (p.size() >= 2 && isSeparator(p[0]) && isSeparator(p[1])) {
    size_t server = p.find_first_of("\\/", 2);
    if (server == std::string::npos) return p.size();
    size_t share = p.find_first_of("\\/", server + 1);
    return share == std::string::npos ? p.size() : share + 1;
  }
  return (!p.empty() && isSeparator(p[0])) ? 1 : 0;
#else
  return (!p.empty() && p[0] == '/') ? 1 : 0;
#endif
}

// The nearest of path and its ancestors that the table knows a volume for.
bool existingVolume(const std::string& path, std::string* where, uint64_t* id) {
  std::string cur = absolutePath(path);
  while (!cur.empty()) {
    if (fileOps().volumeId(cur.c_str(), id) == FileStatus::Ok) {
      if (where) *where = cur;
      return true;
    }
    cur = parentDirectory(cur);
  }
  return false;
}

}  // namespace

const FileOps& realFileOps() {
  return countedOps();
}

const FileOps& fileOps() {
  const FileOps* ops = gCurrent.load(std::memory_order_acquire);
  return ops ? *ops : countedOps();
}

void setFileOps(const FileOps* ops) {
  gCurrent.store(ops, std::memory_order_release);
}

IoCounters ioCounters() {
  IoCounters c;
  c.reads = gReads.load();
  c.writes = gWrites.load();
  c.bytesRead = gBytesRead.load();
  c.bytesWritten = gBytesWritten.load();
  c.opens = gOpens.load();
  return c;
}

void resetIoCounters() {
  gReads = 0;
  gWrites = 0;
  gBytesRead = 0;
  gBytesWritten = 0;
  gOpens = 0;
}

int64_t diskFree(const std::string& path) {
  std::string where;
  uint64_t id = 0;
  if (!existingVolume(path, &where, &id)) return -1;
  int64_t bytes = -1;
  if (fileOps().diskFree(where.c_str(), &bytes) != FileStatus::Ok) return -1;
  return bytes;
}

bool sameVolume(const std::string& a, const std::string& b) {
  uint64_t ia = 0, ib = 0;
  return existingVolume(a, nullptr, &ia) && existingVolume(b, nullptr, &ib) && ia == ib;
}

std::string volumeRoot(const std::string& path) {
  std::string cur;
  uint64_t id = 0;
  if (!existingVolume(path, &cur, &id)) return std::string();
  for (;;) {
    std::string up = parentDirectory(cur);
    uint64_t upId = 0;
    if (up.empty() || fileOps().volumeId(up.c_str(), &upId) != FileStatus::Ok || upId != id) break;
    cur = up;
  }
  return cur;
}

char pathSeparator() {
#ifdef _WIN32
  return '\\';
#else
  return '/';
#endif
}

std::string joinPath(const std::string& dir, const std::string& name) {
  size_t skip = 0;
  while (skip < name.size() && isSeparator(name[skip])) ++skip;
  std::string tail = name.substr(skip);
  if (dir.empty()) return tail;
  if (isSeparator(dir.back())) return dir + tail;
#ifdef _WIN32
  if (dir.size() == 2 && dir[1] == ':') return dir + tail;  // "C:" + name stays drive-relative
#endif
  return dir + pathSeparator() + tail;
}

std::string absolutePath(const std::string& path) {
  if (path.empty()) return path;
  return detail::systemAbsolutePath(path);
}

std::string parentDirectory(const std::string& path) {
  size_t root = rootLength(path);
  size_t end = path.size();
  while (end > root && isSeparator(path[end - 1])) --end;   // trailing separators
  if (end <= root) return std::string();                    // a root (or empty) has no parent
  while (end > root && !isSeparator(path[end - 1])) --end;  // the last name
  if (end == 0) return std::string();                       // a bare name
  size_t keep = end;
  while (keep > root && isSeparator(path[keep - 1])) --keep;  // separators before the name
  return path.substr(0, keep);
}

}  // namespace platform
