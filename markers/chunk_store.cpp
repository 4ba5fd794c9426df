// Kept metadata chunks of a document; see chunk_store.h.
#include "markers/chunk_store.h"

#include <cctype>

namespace markers {

bool SameChunkName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

void ChunkStore::add(const std::string& listType, const std::string& chunkId, const void* bytes,
                     uint32_t size, uint32_t count) {
  Chunk c;
  c.listType = listType;
  c.chunkId = chunkId;
  if (bytes && size) {
    auto p = static_cast<const uint8_t*>(bytes);
    c.bytes.assign(p, p + size);
  }
  c.count = count;
  chunks_.push_back(std::move(c));
}

int64_t ChunkStore::position(const std::string& listType, const std::string& chunkId, uint32_t index,
                             bool matchId) const {
  uint32_t seen = 0;
  for (size_t i = 0; i < chunks_.size(); ++i) {
    const Chunk& c = chunks_[i];
    if (!listType.empty() && !SameChunkName(c.listType, listType)) continue;
    if (matchId && !SameChunkName(c.chunkId, chunkId)) continue;
    if (seen++ == index) return int64_t(i);
  }
  return -1;
}

const Chunk* ChunkStore::nth(const std::string& listType, uint32_t index) const {
  int64_t i = position(listType, std::string(), index, false);
  return i < 0 ? nullptr : &chunks_[size_t(i)];
}

const Chunk* ChunkStore::find(const std::string& listType, const std::string& chunkId,
                              uint32_t index) const {
  int64_t i = position(listType, chunkId, index, true);
  return i < 0 ? nullptr : &chunks_[size_t(i)];
}

bool ChunkStore::remove(const std::string& listType, uint32_t index) {
  int64_t i = position(listType, std::string(), index, false);
  if (i < 0) return false;
  chunks_.erase(chunks_.begin() + i);
  return true;
}

void ChunkStore::replace(const std::string& listType, const std::string& chunkId, uint32_t index,
                         const void* bytes, uint32_t size, uint32_t count) {
  int64_t i = position(listType, chunkId, index, true);
  if (i < 0) {
    add(listType, chunkId, bytes, size, count);
    return;
  }
  Chunk& c = chunks_[size_t(i)];
  auto p = static_cast<const uint8_t*>(bytes);
  if (p && size)
    c.bytes.assign(p, p + size);
  else
    c.bytes.clear();
  c.count = count;
}

}  // namespace markers
