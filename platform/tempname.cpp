// Unique names in a directory (see tempname.h).
#include "platform/tempname.h"

#include <atomic>

namespace platform {
namespace {

// Shared by every caller so consecutive names in one process do not test the same numbers again.
std::atomic<uint32_t> gSequence{0};

TempLeafFn plainRule(const std::string& prefix, const std::string& ext) {
  uint32_t base = gSequence.load();
  return [prefix, ext, base](uint32_t attempt) { return prefix + std::to_string(base + attempt) + ext; };
}

}  // namespace

FileStatus makeUniqueName(const std::string& dir, const TempLeafFn& leafFor, uint32_t maxTries,
                          std::string* out) {
  if (dir.empty() || !leafFor || !out) return FileStatus::InvalidArgument;
  for (uint32_t attempt = 0; attempt < maxTries; ++attempt) {
    std::string leaf = leafFor(attempt);
    if (leaf.empty()) return FileStatus::InvalidArgument;
    std::string path = joinPath(dir, leaf);
    if (path.size() > kMaxPathChars) return FileStatus::InvalidArgument;
    FileStatus st = fileOps().exists(path.c_str(), nullptr);
    if (st == FileStatus::NotFound) {
      *out = path;
      return FileStatus::Ok;
    }
    if (st != FileStatus::Ok) return st;
  }
  return FileStatus::Exists;
}

namespace {

// makeTempName that also says how many names it tried.
FileStatus tempName(const std::string& dir, const std::string& prefix, const std::string& ext,
                    std::string* out, uint32_t maxTries, uint32_t* tried) {
  uint32_t used = 0;
  TempLeafFn rule = plainRule(prefix, ext);
  FileStatus st = makeUniqueName(
      dir,
      [&](uint32_t attempt) {
        used = attempt + 1;
        return rule(attempt);
      },
      maxTries, out);
  gSequence.fetch_add(used);
  *tried = used;
  return st;
}

}  // namespace

FileStatus makeTempName(const std::string& dir, const std::string& prefix, const std::string& ext,
                        std::string* out, uint32_t maxTries) {
  uint32_t tried = 0;
  return tempName(dir, prefix, ext, out, maxTries, &tried);
}

FileStatus createUniqueFile(const std::string& dir, const std::string& prefix, const std::string& ext,
                            unsigned flags, File** f, std::string* name, uint32_t maxTries) {
  if (!f) return FileStatus::InvalidArgument;
  *f = nullptr;
  uint32_t left = maxTries;
  while (left > 0) {
    std::string path;
    uint32_t tried = 0;
    FileStatus st = tempName(dir, prefix, ext, &path, left, &tried);
    if (st != FileStatus::Ok) return st;
    left = tried < left ? left - tried : 0;
    st = fileOps().open(path.c_str(), (flags & ~kFileCreate) | kFileCreateNew, f);
    if (st == FileStatus::Ok) {
      if (name) *name = path;
      return st;
    }
    if (st != FileStatus::Exists) return st;
  }
  return FileStatus::Exists;
}

}  // namespace platform
