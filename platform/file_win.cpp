// The file layer on Windows: CreateFileA with real share modes and delete-on-close, positional reads
// and writes through OVERLAPPED offsets (64-bit), free space and volume roots from the system.
//
// Direct I/O (FILE_FLAG_NO_BUFFERING) needs sector-aligned buffers, offsets and sizes. The store's own
// temp I/O is whole aligned blocks; any other call on such a handle goes through an aligned bounce buffer
// (a read-modify-write for writes, then the end of file set back to where the caller's data ends).
#include <malloc.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/file.h"
#include "platform/file_internal.h"
#include "platform/win32.h"

namespace platform {

struct File {
  HANDLE h = INVALID_HANDLE_VALUE;
  unsigned flags = 0;
  bool direct = false;   // opened with FILE_FLAG_NO_BUFFERING
  std::mutex writeLock;  // serialises writes on a direct handle (a bounce write rewrites whole sectors)
};

namespace {

constexpr uint64_t kSector = 4096;           // covers 512- and 4096-byte sectors
constexpr uint32_t kBounceSize = 64 * 1024;  // bytes of caller data per bounce step

FileStatus statusFromError(DWORD e) {
  switch (e) {
    case ERROR_SUCCESS:
      return FileStatus::Ok;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_FILENAME_EXCED_RANGE:
      return FileStatus::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return FileStatus::AccessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return FileStatus::SharingViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return FileStatus::DiskFull;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return FileStatus::Exists;
    case ERROR_INVALID_PARAMETER:
      return FileStatus::InvalidArgument;
    default:
      return FileStatus::IoError;
  }
}

// A failed read or write on an open handle: the arguments were checked, so a parameter error is the device's.
FileStatus ioStatus(DWORD e) {
  FileStatus s = statusFromError(e);
  return s == FileStatus::InvalidArgument ? FileStatus::IoError : s;
}

OVERLAPPED at(uint64_t offset) {
  OVERLAPPED ov;
  std::memset(&ov, 0, sizeof ov);
  ov.Offset = DWORD(offset & 0xffffffffu);
  ov.OffsetHigh = DWORD(offset >> 32);
  return ov;
}

// One positional read, looping over partial transfers; stops short at the end of the file.
FileStatus rawRead(HANDLE h, uint64_t offset, void* buf, uint32_t size, uint32_t* done) {
  uint32_t got = 0;
  while (got < size) {
    OVERLAPPED ov = at(offset + got);
    DWORD n = 0;
    if (!ReadFile(h, static_cast<char*>(buf) + got, size - got, &n, &ov)) {
      DWORD e = GetLastError();
      if (e == ERROR_HANDLE_EOF) break;
      *done = got;
      return ioStatus(e);
    }
    if (n == 0) break;
    got += n;
  }
  *done = got;
  return FileStatus::Ok;
}

FileStatus rawWrite(HANDLE h, uint64_t offset, const void* buf, uint32_t size, uint32_t* done) {
  uint32_t put = 0;
  while (put < size) {
    OVERLAPPED ov = at(offset + put);
    DWORD n = 0;
    if (!WriteFile(h, static_cast<const char*>(buf) + put, size - put, &n, &ov)) {
      *done = put;
      return ioStatus(GetLastError());
    }
    if (n == 0) {
      *done = put;
      return FileStatus::DiskFull;
    }
    put += n;
  }
  *done = put;
  return FileStatus::Ok;
}

FileStatus setEnd(HANDLE h, uint64_t size) {
  FILE_END_OF_FILE_INFO info;
  info.EndOfFile.QuadPart = LONGLONG(size);
  if (SetFileInformationByHandle(h, FileEndOfFileInfo, &info, sizeof info)) return FileStatus::Ok;
  return ioStatus(GetLastError());
}

bool aligned(uint64_t offset, const void* buf, uint32_t size) {
  return offset % kSector == 0 && size % kSector == 0 && reinterpret_cast<uintptr_t>(buf) % kSector == 0;
}

struct Bounce {
  void* p = _aligned_malloc(kBounceSize + 2 * kSector, kSector);
  ~Bounce() { _aligned_free(p); }
  char* bytes() { return static_cast<char*>(p); }
};

// Reads through sector-aligned windows for an unaligned call on a direct handle.
FileStatus bounceRead(File* f, uint64_t offset, void* buf, uint32_t size, uint32_t* done) {
  Bounce b;
  if (!b.p) return FileStatus::IoError;
  uint32_t pos = 0;
  while (pos < size) {
    uint64_t cur = offset + pos;
    uint64_t start = cur - cur % kSector;
    uint32_t want = std::min<uint32_t>(size - pos, kBounceSize);
    uint32_t lead = uint32_t(cur - start);
    uint32_t len = uint32_t((lead + want + kSector - 1) / kSector * kSector);
    uint32_t got = 0;
    FileStatus st = rawRead(f->h, start, b.bytes(), len, &got);
    if (st != FileStatus::Ok) {
      *done = pos;
      return st;
    }
    uint32_t n = got > lead ? std::min(got - lead, want) : 0;
    std::memcpy(static_cast<char*>(buf) + pos, b.bytes() + lead, n);
    pos += n;
    if (n < want) break;  // end of file
  }
  *done = pos;
  return FileStatus::Ok;
}

// Read-modify-write of whole sectors; afterwards the end of file is where the caller's data ends (or
// where it was, if that is further). Caller holds f->writeLock.
FileStatus bounceWrite(File* f, uint64_t offset, const void* buf, uint32_t size, uint32_t* done) {
  Bounce b;
  if (!b.p) return FileStatus::IoError;
  LARGE_INTEGER old;
  if (!GetFileSizeEx(f->h, &old)) return ioStatus(GetLastError());
  uint32_t pos = 0;
  FileStatus st = FileStatus::Ok;
  while (pos < size) {
    uint64_t cur = offset + pos;
    uint64_t start = cur - cur % kSector;
    uint32_t want = std::min<uint32_t>(size - pos, kBounceSize);
    uint32_t lead = uint32_t(cur - start);
    uint32_t len = uint32_t((lead + want + kSector - 1) / kSector * kSector);
    uint32_t got = 0;
    st = rawRead(f->h, start, b.bytes(), len, &got);
    if (st != FileStatus::Ok) break;
    std::memset(b.bytes() + got, 0, len - got);
    std::memcpy(b.bytes() + lead, static_cast<const char*>(buf) + pos, want);
    uint32_t put = 0;
    st = rawWrite(f->h, start, b.bytes(), len, &put);
    if (st != FileStatus::Ok) {
      if (put > lead) pos += std::min(put - lead, want);
      break;
    }
    pos += want;
  }
  uint64_t end = std::max<uint64_t>(uint64_t(old.QuadPart), offset + pos);
  FileStatus endSt = setEnd(f->h, end);
  *done = pos;
  if (st == FileStatus::Ok) st = endSt;
  return st;
}

HANDLE createFile(const char* path, unsigned flags, bool direct) {
  DWORD access = 0;
  if (flags & kFileRead) access |= GENERIC_READ;
  if (flags & kFileWrite) access |= GENERIC_WRITE;
  DWORD share = 0;
  if (flags & kFileShareRead) share |= FILE_SHARE_READ;
  if (flags & kFileShareWrite) share |= FILE_SHARE_WRITE;
  DWORD disposition = OPEN_EXISTING;
  if (flags & kFileCreateNew)
    disposition = CREATE_NEW;
  else if (flags & kFileCreate)
    disposition = CREATE_ALWAYS;
  DWORD attrs = FILE_ATTRIBUTE_NORMAL;
  if (flags & kFileDeleteOnClose) attrs = FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE;
  if (flags & kFileWriteThrough) attrs |= FILE_FLAG_WRITE_THROUGH;
  if (flags & kFileSequential) attrs |= FILE_FLAG_SEQUENTIAL_SCAN;
  if (direct) attrs |= FILE_FLAG_NO_BUFFERING;
  return CreateFileA(path, access, share, nullptr, disposition, attrs, nullptr);
}

FileStatus sysOpen(const char* path, unsigned flags, File** out) {
  if (!out) return FileStatus::InvalidArgument;
  *out = nullptr;
  if (!path || !*path || !(flags & (kFileRead | kFileWrite))) return FileStatus::InvalidArgument;
  bool direct = (flags & kFileDirectIo) != 0;
  HANDLE h = createFile(path, flags, direct);
  if (h == INVALID_HANDLE_VALUE && direct && GetLastError() == ERROR_INVALID_PARAMETER) {
    direct = false;  // the filesystem refuses unbuffered I/O
    h = createFile(path, flags, false);
  }
  if (h == INVALID_HANDLE_VALUE) return statusFromError(GetLastError());
  File* f = new File;
  f->h = h;
  f->flags = flags;
  f->direct = direct;
  *out = f;
  return FileStatus::Ok;
}

void sysClose(File* f) {
  if (!f) return;
  CloseHandle(f->h);
  delete f;
}

FileStatus sysRead(File* f, uint64_t offset, void* buf, uint32_t size, uint32_t* done) {
  uint32_t got = 0;
  if (done) *done = 0;
  if (!f || (!buf && size) || offset > uint64_t(INT64_MAX) - size) return FileStatus::InvalidArgument;
  FileStatus st = (f->direct && !aligned(offset, buf, size)) ? bounceRead(f, offset, buf, size, &got)
                                                             : rawRead(f->h, offset, buf, size, &got);
  if (done) *done = got;
  return st;
}

FileStatus sysWrite(File* f, uint64_t offset, const void* buf, uint32_t size, uint32_t* done) {
  uint32_t put = 0;
  if (done) *done = 0;
  if (!f || (!buf && size) || offset > uint64_t(INT64_MAX) - size) return FileStatus::InvalidArgument;
  if (!(f->flags & kFileWrite)) return FileStatus::AccessDenied;
  FileStatus st;
  if (f->direct) {
    std::lock_guard<std::mutex> lock(f->writeLock);
    st = aligned(offset, buf, size) ? rawWrite(f->h, offset, buf, size, &put)
                                    : bounceWrite(f, offset, buf, size, &put);
  } else {
    st = rawWrite(f->h, offset, buf, size, &put);
  }
  if (done) *done = put;
  return st;
}

FileStatus sysSize(File* f, uint64_t* out) {
  LARGE_INTEGER li;
  if (!f || !out) return FileStatus::InvalidArgument;
  if (!GetFileSizeEx(f->h, &li)) return ioStatus(GetLastError());
  *out = uint64_t(li.QuadPart);
  return FileStatus::Ok;
}

FileStatus sysTruncate(File* f, uint64_t size) {
  if (!f || size > uint64_t(INT64_MAX)) return FileStatus::InvalidArgument;
  if (!(f->flags & kFileWrite)) return FileStatus::AccessDenied;
  std::lock_guard<std::mutex> lock(f->writeLock);
  return setEnd(f->h, size);
}

FileStatus sysFlush(File* f) {
  if (!f) return FileStatus::InvalidArgument;
  if (!(f->flags & kFileWrite)) return FileStatus::Ok;
  return FlushFileBuffers(f->h) ? FileStatus::Ok : ioStatus(GetLastError());
}

// FILETIME counts 100 ns steps from 1601-01-01; the table speaks seconds from 1970-01-01.
constexpr int64_t kEpochDelta = 11644473600LL;

FileStatus sysGetTime(File* f, int64_t* modified) {
  FILETIME ft;
  if (!f || !modified) return FileStatus::InvalidArgument;
  if (!GetFileTime(f->h, nullptr, nullptr, &ft)) return ioStatus(GetLastError());
  uint64_t t = (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  *modified = int64_t(t / 10000000ULL) - kEpochDelta;
  return FileStatus::Ok;
}

FileStatus sysSetTime(File* f, int64_t modified) {
  if (!f || modified < -kEpochDelta) return FileStatus::InvalidArgument;
  uint64_t t = uint64_t(modified + kEpochDelta) * 10000000ULL;
  FILETIME ft;
  ft.dwLowDateTime = DWORD(t & 0xffffffffu);
  ft.dwHighDateTime = DWORD(t >> 32);
  return SetFileTime(f->h, nullptr, nullptr, &ft) ? FileStatus::Ok : ioStatus(GetLastError());
}

FileStatus sysRemove(const char* path) {
  if (!path || !*path) return FileStatus::InvalidArgument;
  return DeleteFileA(path) ? FileStatus::Ok : statusFromError(GetLastError());
}

FileStatus sysRename(const char* from, const char* to) {
  if (!from || !*from || !to || !*to) return FileStatus::InvalidArgument;
  if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING)) return FileStatus::Ok;
  DWORD e = GetLastError();
  return e == ERROR_NOT_SAME_DEVICE ? FileStatus::IoError : statusFromError(e);
}

FileStatus sysExists(const char* path, bool* isDirectory) {
  if (!path || !*path) return FileStatus::InvalidArgument;
  DWORD a = GetFileAttributesA(path);
  if (a == INVALID_FILE_ATTRIBUTES) {
    FileStatus s = statusFromError(GetLastError());
    return s == FileStatus::AccessDenied || s == FileStatus::SharingViolation ? s : FileStatus::NotFound;
  }
  if (isDirectory) *isDirectory = (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return FileStatus::Ok;
}

// The root of the volume holding an existing path ("C:\", or a mount folder), upper-cased.
FileStatus volumePath(const char* path, std::string* root) {
  if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return FileStatus::NotFound;
  char buf[MAX_PATH + 1];
  if (!GetVolumePathNameA(path, buf, sizeof buf)) return statusFromError(GetLastError());
  *root = buf;
  for (char& c : *root) c = char(std::toupper(static_cast<unsigned char>(c)));
  return FileStatus::Ok;
}

FileStatus sysDiskFree(const char* path, int64_t* bytes) {
  if (!path || !*path || !bytes) return FileStatus::InvalidArgument;
  std::string root;
  FileStatus st = volumePath(path, &root);
  if (st != FileStatus::Ok) return st;
  ULARGE_INTEGER avail, total, free;
  if (!GetDiskFreeSpaceExA(root.c_str(), &avail, &total, &free)) return statusFromError(GetLastError());
  *bytes = avail.QuadPart > uint64_t(INT64_MAX) ? INT64_MAX : int64_t(avail.QuadPart);
  return FileStatus::Ok;
}

FileStatus sysVolumeId(const char* path, uint64_t* id) {
  if (!path || !*path || !id) return FileStatus::InvalidArgument;
  std::string root;
  FileStatus st = volumePath(path, &root);
  if (st != FileStatus::Ok) return st;
  uint64_t h = 14695981039346656037ULL;  // FNV-1a of the root's name
  for (unsigned char c : root) h = (h ^ c) * 1099511628211ULL;
  *id = h;
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
  DWORD n = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::vector<char> buf(n + 1);
  DWORD m = GetFullPathNameA(path.c_str(), DWORD(buf.size()), buf.data(), nullptr);
  if (m == 0 || m >= buf.size()) return path;
  return std::string(buf.data(), m);
}

}  // namespace detail
}  // namespace platform
