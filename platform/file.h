// Files for the rest of the program: 64-bit positional I/O, share modes, delete-on-close temp files,
// direct (uncached) I/O, free space and volumes.
//
// Every file operation of every later subsystem goes through the one table returned by fileOps(), so a
// test can swap in a fault injector (see fault_injection.h) or a fake with two volumes. The real table
// counts its calls and bytes (ioCounters()) so tests can assert how much I/O an operation did.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

enum class FileStatus : int {
  Ok = 0,
  NotFound,          // no such file or directory
  AccessDenied,      // permissions, read-only file, or a directory
  SharingViolation,  // another handle's share mode refuses this open
  DiskFull,          // no room for a write or an extension
  IoError,           // any other failure of the device or system call
  Exists,            // kFileCreateNew on an existing file
  InvalidArgument,
};
const char* fileStatusText(FileStatus s);  // never null, one text per status

enum FileOpenFlags : unsigned {
  kFileRead = 0x1,
  kFileWrite = 0x2,
  kFileCreate = 0x4,          // create, truncating an existing file
  kFileCreateNew = 0x8,       // create, failing with Exists when the file is there
  kFileShareRead = 0x10,      // other handles may read (without it the open is exclusive)
  kFileShareWrite = 0x20,     // other handles may write
  kFileDeleteOnClose = 0x40,  // the file goes when its last handle closes (or the process dies, natively
                              // because it is unlinked at once)
  kFileDirectIo = 0x80,       // bypass the system cache when the filesystem allows; falls back silently
  kFileWriteThrough = 0x100,
  kFileSequential = 0x200,  // access hint
};

struct File;  // opaque open file

// The table. Offsets and sizes of files are 64-bit; one call moves at most 4 GB - 1.
struct FileOps {
  FileStatus (*open)(const char* path, unsigned flags, File** out);
  void (*close)(File* f);
  // A read past the end returns Ok with *done short (0 at or past the end).
  FileStatus (*read)(File* f, uint64_t offset, void* buf, uint32_t size, uint32_t* done);
  // A short write (disk full) returns DiskFull with *done holding what was written.
  FileStatus (*write)(File* f, uint64_t offset, const void* buf, uint32_t size, uint32_t* done);
  FileStatus (*size)(File* f, uint64_t* out);
  FileStatus (*truncate)(File* f, uint64_t size);  // also extends
  FileStatus (*flush)(File* f);
  FileStatus (*getTime)(File* f, int64_t* modified);  // seconds since 1970, UTC
  FileStatus (*setTime)(File* f, int64_t modified);
  FileStatus (*remove)(const char* path);
  FileStatus (*rename)(const char* from, const char* to);     // replaces an existing target
  FileStatus (*exists)(const char* path, bool* isDirectory);  // NotFound when absent
  FileStatus (*diskFree)(const char* path, int64_t* bytes);   // free bytes for the caller on path's volume
  // A value that is equal for two paths on the same volume (device id natively, drive root on Windows).
  FileStatus (*volumeId)(const char* path, uint64_t* id);
};

const FileOps& fileOps();             // the table in force
const FileOps& realFileOps();         // the operating system's table (counted)
void setFileOps(const FileOps* ops);  // null restores the real table; not thread-safe against I/O in flight

// RAII swap of the table for a test. Scopes nest: the end of one puts back the table that was in force
// when it began.
class ScopedFileOps {
 public:
  explicit ScopedFileOps(const FileOps* ops) : previous_(&fileOps()) { setFileOps(ops); }
  ~ScopedFileOps() { setFileOps(previous_ == &realFileOps() ? nullptr : previous_); }
  ScopedFileOps(const ScopedFileOps&) = delete;
  ScopedFileOps& operator=(const ScopedFileOps&) = delete;

 private:
  const FileOps* previous_;
};

// Counters of the real table, since the last reset. Thread-safe. reads, writes and opens count calls
// (failed ones too); bytesRead and bytesWritten count the bytes that actually moved.
struct IoCounters {
  uint64_t reads, writes, bytesRead, bytesWritten, opens;
};
IoCounters ioCounters();
void resetIoCounters();

// Convenience wrappers over fileOps().
inline FileStatus fileOpen(const std::string& p, unsigned fl, File** out) {
  return fileOps().open(p.c_str(), fl, out);
}
inline void fileClose(File* f) {
  if (f) fileOps().close(f);
}
int64_t diskFree(const std::string& path);  // -1 when unknown
bool sameVolume(const std::string& a, const std::string& b);
std::string volumeRoot(const std::string& path);  // "C:\" on Windows; the mount point natively

// Paths in the native form of the build ('\' on Windows, '/' natively).
char pathSeparator();
std::string joinPath(const std::string& dir, const std::string& name);
// The path made absolute against the current directory (no symlinks resolved, no existence needed).
std::string absolutePath(const std::string& path);
// The directory holding a path (/a/b -> /a, C:\a\b -> C:\a, C:\a -> C:\); "" for a root or a bare name.
std::string parentDirectory(const std::string& path);

}  // namespace platform
