// The file layer on POSIX systems. Behaves like the Windows build where the program depends on it:
//  - share modes are enforced between the handles of this process (a registry keyed by device and inode),
//    so an open, remove or rename that Windows would refuse with a sharing violation is refused here too;
//  - delete-on-close files are unlinked right after opening, so they also vanish if the process dies;
//  - direct I/O uses a second descriptor opened with O_DIRECT; calls whose buffer, offset or size are not
//    aligned, and filesystems that refuse O_DIRECT, use the ordinary descriptor instead.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/types.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/file.h"
#include "platform/file_internal.h"

namespace platform {

struct File {
  int fd = -1;
  int directFd = -1;  // O_DIRECT twin of fd, or -1
  dev_t dev = 0;
  ino_t ino = 0;
  unsigned flags = 0;
};

namespace {

constexpr uintptr_t kDirectAlign = 512;

FileStatus statusFromErrno(int e) {
  switch (e) {
    case 0:
      return FileStatus::Ok;
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
      return FileStatus::NotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case ETXTBSY:
      return FileStatus::AccessDenied;
    case EBUSY:
      return FileStatus::SharingViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return FileStatus::DiskFull;
    case EEXIST:
    case ENOTEMPTY:
      return FileStatus::Exists;
    case EINVAL:
    case EBADF:
      return FileStatus::InvalidArgument;
    default:
      return FileStatus::IoError;
  }
}

// A failed read or write on an open descriptor: the arguments were checked, so EINVAL is the device's.
FileStatus ioStatus(int e) {
  FileStatus s = statusFromErrno(e);
  return s == FileStatus::InvalidArgument ? FileStatus::IoError : s;
}

// --- Share modes between the handles of this process -------------------------------------------------

struct ShareEntry {
  const File* file;
  unsigned flags;
};
std::mutex gShareLock;
std::map<std::pair<dev_t, ino_t>, std::vector<ShareEntry>>& shareTable() {
  static auto* table = new std::map<std::pair<dev_t, ino_t>, std::vector<ShareEntry>>();
  return *table;
}

// The Windows rule: each side's access must be allowed by the other side's share mode.
bool compatible(unsigned a, unsigned b) {
  auto allows = [](unsigned access, unsigned share) {
    if ((access & kFileRead) && !(share & kFileShareRead)) return false;
    if ((access & kFileWrite) && !(share & kFileShareWrite)) return false;
    return true;
  };
  return allows(a, b) && allows(b, a);
}

// Caller holds gShareLock.
bool shareAllows(dev_t dev, ino_t ino, unsigned flags) {
  auto it = shareTable().find({dev, ino});
  if (it == shareTable().end()) return true;
  for (const ShareEntry& e : it->second)
    if (!compatible(e.flags, flags)) return false;
  return true;
}

// True when a live handle of this process has the file open (Windows refuses to delete or rename it,
// since this layer never grants delete sharing).
bool openInProcess(const char* path) {
  struct stat st;
  if (stat(path, &st) != 0) return false;
  std::lock_guard<std::mutex> lock(gShareLock);
  return shareTable().count({st.st_dev, st.st_ino}) != 0;
}

void unregisterFile(const File* f) {
  std::lock_guard<std::mutex> lock(gShareLock);
  auto it = shareTable().find({f->dev, f->ino});
  if (it == shareTable().end()) return;
  auto& v = it->second;
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i].file == f) {
      v.erase(v.begin() + i);
      break;
    }
  }
  if (v.empty()) shareTable().erase(it);
}

// --- The table ---------------------------------------------------------------------------------------

int openFlagsFor(unsigned flags) {
  int access = O_RDONLY;
  // Creating needs a writable descriptor even for a handle that only reads afterwards.
  bool creates = (flags & (kFileCreate | kFileCreateNew)) != 0;
  if ((flags & kFileWrite) || creates) access = (flags & kFileRead) || creates ? O_RDWR : O_WRONLY;
  int of = access | O_CLOEXEC;
  if (flags & kFileCreateNew)
    of |= O_CREAT | O_EXCL;
  else if (flags & kFileCreate)
    of |= O_CREAT;  // truncated only after the share check, as Windows does
  // Write-through matters for files that outlive the process; a delete-on-close file dies with it, so
  // waiting for the disk on each of its writes buys nothing.
  if ((flags & kFileWriteThrough) && !(flags & kFileDeleteOnClose)) of |= O_DSYNC;
  return of;
}

void openDirectTwin(File* f) {
  char self[64];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", f->fd);
  int access = (f->flags & kFileWrite) ? ((f->flags & kFileRead) ? O_RDWR : O_WRONLY) : O_RDONLY;
  int fd = ::open(self, access | O_CLOEXEC | O_DIRECT);
  f->directFd = fd;  // -1 when the filesystem refuses: plain buffered I/O then
}

FileStatus sysOpen(const char* path, unsigned flags, File** out) {
  if (!out) return FileStatus::InvalidArgument;
  *out = nullptr;
  if (!path || !*path || !(flags & (kFileRead | kFileWrite))) return FileStatus::InvalidArgument;
  std::lock_guard<std::mutex> lock(gShareLock);
  int fd;
  do fd = ::open(path, openFlagsFor(flags), 0666);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) return statusFromErrno(errno);
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return FileStatus::AccessDenied;
  }
  if (!shareAllows(st.st_dev, st.st_ino, flags)) {
    ::close(fd);
    return FileStatus::SharingViolation;
  }
  if ((flags & kFileCreate) && !(flags & kFileCreateNew) && st.st_size != 0 && ftruncate(fd, 0) != 0) {
    int e = errno;
    ::close(fd);
    return statusFromErrno(e);
  }
  File* f = new File;
  f->fd = fd;
  f->dev = st.st_dev;
  f->ino = st.st_ino;
  f->flags = flags;
  if (flags & kFileDirectIo) openDirectTwin(f);
  if (flags & kFileDeleteOnClose) ::unlink(path);
  if (flags & kFileSequential) posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  shareTable()[{st.st_dev, st.st_ino}].push_back({f, flags});
  *out = f;
  return FileStatus::Ok;
}

void sysClose(File* f) {
  if (!f) return;
  unregisterFile(f);
  if (f->directFd >= 0) ::close(f->directFd);
  ::close(f->fd);
  delete f;
}

bool aligned(uint64_t offset, const void* buf, uint32_t size) {
  return offset % kDirectAlign == 0 && size % kDirectAlign == 0 &&
         reinterpret_cast<uintptr_t>(buf) % kDirectAlign == 0;
}

// pread/pwrite take off_t, which is 64-bit on every platform this builds for (checked below).
static_assert(sizeof(off_t) == 8, "64-bit file offsets are required");

FileStatus sysRead(File* f, uint64_t offset, void* buf, uint32_t size, uint32_t* done) {
  uint32_t got = 0;
  if (done) *done = 0;
  if (!f || (!buf && size) || offset > uint64_t(INT64_MAX) - size) return FileStatus::InvalidArgument;
  bool direct = f->directFd >= 0 && aligned(offset, buf, size);
  while (got < size) {
    int fd = direct ? f->directFd : f->fd;
    ssize_t n = pread(fd, static_cast<char*>(buf) + got, size - got, off_t(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && direct && errno == EINVAL) {  // the device wants a larger alignment
      direct = false;
      continue;
    }
    if (n < 0) {
      if (done) *done = got;
      return ioStatus(errno);
    }
    if (n == 0) break;  // end of file
    got += uint32_t(n);
    if (direct && got % kDirectAlign) direct = false;
  }
  if (done) *done = got;
  return FileStatus::Ok;
}

FileStatus sysWrite(File* f, uint64_t offset, const void* buf, uint32_t size, uint32_t* done) {
  uint32_t put = 0;
  if (done) *done = 0;
  if (!f || (!buf && size) || offset > uint64_t(INT64_MAX) - size) return FileStatus::InvalidArgument;
  if (!(f->flags & kFileWrite)) return FileStatus::AccessDenied;
  bool direct = f->directFd >= 0 && aligned(offset, buf, size);
  while (put < size) {
    int fd = direct ? f->directFd : f->fd;
    ssize_t n = pwrite(fd, static_cast<const char*>(buf) + put, size - put, off_t(offset + put));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && direct && errno == EINVAL) {
      direct = false;
      continue;
    }
    if (n <= 0) {
      if (done) *done = put;
      return n == 0 ? FileStatus::DiskFull : ioStatus(errno);
    }
    put += uint32_t(n);
    if (direct && put % kDirectAlign) direct = false;
  }
  if (done) *done = put;
  return FileStatus::Ok;
}

FileStatus sysSize(File* f, uint64_t* out) {
  struct stat st;
  if (!f || !out) return FileStatus::InvalidArgument;
  if (fstat(f->fd, &st) != 0) return statusFromErrno(errno);
  *out = uint64_t(st.st_size);
  return FileStatus::Ok;
}

FileStatus sysTruncate(File* f, uint64_t size) {
  if (!f || size > uint64_t(INT64_MAX)) return FileStatus::InvalidArgument;
  if (!(f->flags & kFileWrite)) return FileStatus::AccessDenied;
  int r;
  do r = ftruncate(f->fd, off_t(size));
  while (r != 0 && errno == EINTR);
  return r == 0 ? FileStatus::Ok : statusFromErrno(errno);
}

FileStatus sysFlush(File* f) {
  if (!f) return FileStatus::InvalidArgument;
  if (!(f->flags & kFileWrite)) return FileStatus::Ok;
  return fdatasync(f->fd) == 0 ? FileStatus::Ok : statusFromErrno(errno);
}

FileStatus sysGetTime(File* f, int64_t* modified) {
  struct stat st;
  if (!f || !modified) return FileStatus::InvalidArgument;
  if (fstat(f->fd, &st) != 0) return statusFromErrno(errno);
  *modified = int64_t(st.st_mtime);
  return FileStatus::Ok;
}

FileStatus sysSetTime(File* f, int64_t modified) {
  if (!f) return FileStatus::InvalidArgument;
  struct timespec ts[2];
  ts[0].tv_sec = 0;
  ts[0].tv_nsec = UTIME_OMIT;
  ts[1].tv_sec = time_t(modified);
  ts[1].tv_nsec = 0;
  return futimens(f->fd, ts) == 0 ? FileStatus::Ok : statusFromErrno(errno);
}

FileStatus sysRemove(const char* path) {
  if (!path || !*path) return FileStatus::InvalidArgument;
  if (openInProcess(path)) return FileStatus::SharingViolation;
  struct stat st;
  if (stat(path, &st) == 0 && S_ISDIR(st.st_mode)) return FileStatus::AccessDenied;
  return ::unlink(path) == 0 ? FileStatus::Ok : statusFromErrno(errno);
}

FileStatus sysRename(const char* from, const char* to) {
  if (!from || !*from || !to || !*to) return FileStatus::InvalidArgument;
  if (openInProcess(from) || openInProcess(to)) return FileStatus::SharingViolation;
  if (::rename(from, to) == 0) return FileStatus::Ok;
  return errno == EXDEV ? FileStatus::IoError : statusFromErrno(errno);
}

FileStatus sysExists(const char* path, bool* isDirectory) {
  struct stat st;
  if (!path || !*path) return FileStatus::InvalidArgument;
  if (stat(path, &st) != 0) {
    FileStatus s = statusFromErrno(errno);
    return s == FileStatus::AccessDenied ? s : FileStatus::NotFound;
  }
  if (isDirectory) *isDirectory = S_ISDIR(st.st_mode);
  return FileStatus::Ok;
}

FileStatus sysDiskFree(const char* path, int64_t* bytes) {
  struct statvfs vs;
  if (!path || !*path || !bytes) return FileStatus::InvalidArgument;
  if (statvfs(path, &vs) != 0) return statusFromErrno(errno);
  unsigned long long total = (unsigned long long)vs.f_bavail * vs.f_frsize;
  *bytes = total > (unsigned long long)INT64_MAX ? INT64_MAX : int64_t(total);
  return FileStatus::Ok;
}

FileStatus sysVolumeId(const char* path, uint64_t* id) {
  struct stat st;
  if (!path || !*path || !id) return FileStatus::InvalidArgument;
  if (stat(path, &st) != 0) return statusFromErrno(errno);
  *id = uint64_t(st.st_dev);
  return FileStatus::Ok;
}

}  // namespace

namespace detail {

const FileOps& systemFileOps() {
  static const FileOps ops = {sysOpen,     sysClose,  sysRead,     sysWrite,   sysSize,
                              sysTruncate, sysFlush,  sysGetTime,  sysSetTime, sysRemove,
                              sysRename,   sysExists, sysDiskFree, sysVolumeId};
  return ops;
}

std::string systemAbsolutePath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  std::vector<char> buf(4096);
  while (!getcwd(buf.data(), buf.size())) {
    if (errno != ERANGE || buf.size() > (1u << 20)) return path;
    buf.resize(buf.size() * 2);
  }
  std::string cwd(buf.data());
  if (path == ".") return cwd;
  return cwd == "/" ? "/" + path : cwd + "/" + path;
}

}  // namespace detail
}  // namespace platform
