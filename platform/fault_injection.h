// Test doubles for the file table.
//
// FaultInjector wraps a table and fails the Nth counted call, once or for good, with an I/O error or a
// full disk, so a test can loop N = 1, 2, 3, ... over an operation and check that every run ends in success
// or the expected error with its data intact. It can also delay each call (cache stress tests).
//
// FakeVolumes wraps a table and places directories on made-up volumes with chosen free space, so the
// store's rules for temp directories on one or two drives can be tested on one real filesystem.
//
// Each class has at most one live instance at a time (the table entries are plain functions that find it
// through a global). Configure an instance before installing its table with ScopedFileOps.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/file.h"

namespace platform {

// The operations of the table, as bits for choosing which ones a FaultInjector counts.
enum FileOpBit : unsigned {
  kOpOpen = 1u << 0,
  kOpRead = 1u << 1,
  kOpWrite = 1u << 2,
  kOpSize = 1u << 3,
  kOpTruncate = 1u << 4,
  kOpFlush = 1u << 5,
  kOpGetTime = 1u << 6,
  kOpSetTime = 1u << 7,
  kOpRemove = 1u << 8,
  kOpRename = 1u << 9,
  kOpExists = 1u << 10,
  kOpDiskFree = 1u << 11,
  kOpVolumeId = 1u << 12,
  kOpReadWrite = kOpRead | kOpWrite,
  kOpAll = (1u << 13) - 1,  // close is never counted: it cannot fail
};
const char* fileOpName(unsigned opBit);

class FaultInjector {
 public:
  // Wraps base (by default the real table). Only one FaultInjector may exist at a time.
  explicit FaultInjector(const FileOps& base = realFileOps());
  ~FaultInjector();
  FaultInjector(const FaultInjector&) = delete;
  FaultInjector& operator=(const FaultInjector&) = delete;

  // The wrapping table, for ScopedFileOps or as the base of another wrapper.
  const FileOps* ops() const;

  // Fail the nth counted call (1 = the first; 0 = never). A failed write with DiskFull is a short write:
  // half the bytes (rounded down) reach the file and *done says so. DiskFull is only given by operations
  // that can run out of room (open, write, truncate, flush); the others fail with IoError instead.
  // With persistent set, every counted call from the nth on fails too.
  void failAt(uint64_t n, FileStatus status = FileStatus::IoError, bool persistent = false);
  // Which operations count toward n (kOpAll by default; kOpReadWrite for data I/O only).
  void setCounted(unsigned opMask);
  // Called before every forwarded call (any operation but close), on the calling thread; may sleep.
  void setDelayHook(std::function<void(unsigned opBit)> hook);
  // Counted calls so far and calls failed so far; reset() zeroes both and disarms the failure.
  uint64_t calls() const { return calls_.load(); }
  uint64_t failures() const { return failures_.load(); }
  void reset();

  // Implementation detail of the table entries: true when this counted call should fail, with the status.
  bool shouldFail(unsigned opBit, FileStatus* status);
  void delay(unsigned opBit);
  const FileOps& base() const { return base_; }

 private:
  const FileOps base_;
  std::atomic<uint64_t> calls_{0}, failures_{0}, failAt_{0};
  std::atomic<int> status_{int(FileStatus::IoError)};
  std::atomic<bool> persistent_{false};
  std::atomic<unsigned> counted_{kOpAll};
  std::mutex hookLock_;
  std::function<void(unsigned)> hook_;
};

class FakeVolumes {
 public:
  // Wraps base (by default the real table). Only one FakeVolumes may exist at a time.
  explicit FakeVolumes(const FileOps& base = realFileOps());
  ~FakeVolumes();
  FakeVolumes(const FakeVolumes&) = delete;
  FakeVolumes& operator=(const FakeVolumes&) = delete;

  const FileOps* ops() const;

  // Paths in directory prefix (and below it) are on volume id with freeBytes free; the longest matching
  // prefix wins, and paths under no prefix get the base table's answers.
  void addVolume(const std::string& prefix, uint64_t id, int64_t freeBytes);
  void setFree(uint64_t id, int64_t freeBytes);
  int64_t freeBytes(uint64_t id) const;
  // With accounting on, files on a fake volume take room as they grow (a write that does not fit is a
  // short write with DiskFull) and give it back when they shrink, are removed, or close with
  // delete-on-close.
  void setAccounting(bool on);

  // Implementation detail of the table entries.
  bool volumeOf(const char* path, uint64_t* id) const;
  FileStatus open(const char* path, unsigned flags, File** out);
  void close(File* f);
  FileStatus write(File* f, uint64_t offset, const void* buf, uint32_t size, uint32_t* done);
  FileStatus truncate(File* f, uint64_t size);
  FileStatus remove(const char* path);
  FileStatus diskFree(const char* path, int64_t* bytes);
  const FileOps& base() const { return base_; }

 private:
  struct Volume {
    std::string prefix;  // absolute, in the form compared (see volumeOf)
    uint64_t id;
  };
  struct Tracked {
    uint64_t volume;
    bool deleteOnClose;
  };
  bool tracked(File* f, Tracked* t) const;
  bool take(uint64_t volume, uint64_t bytes, uint64_t* granted);  // reserve room, all or what is left
  void giveBack(uint64_t volume, uint64_t bytes);

  const FileOps base_;
  mutable std::mutex lock_;
  std::vector<Volume> volumes_;
  std::map<uint64_t, int64_t> free_;
  std::map<File*, Tracked> files_;
  bool accounting_ = false;
};

}  // namespace platform
