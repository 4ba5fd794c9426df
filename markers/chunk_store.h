// The chunk store of a wave document: metadata chunks a file filter handed over that the editor does not
// turn into cues or play-list entries (INFO texts, the sampler chunk, chunks it does not know), kept
// verbatim in their order and written back when the document is saved. The INFO and sampler dialogs edit
// entries in place. List types and chunk ids compare without regard to case, as in the files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace markers {

struct Chunk {
  std::string listType;  // "INFO", "WAVE", "adtl", ... (at most 7 characters)
  std::string chunkId;   // "IART", "smpl", ... (at most 19 characters)
  std::vector<uint8_t> bytes;
  uint32_t count = 0;  // records in the data, as the filter gave it
};

class ChunkStore {
 public:
  uint32_t size() const { return uint32_t(chunks_.size()); }
  const Chunk* at(uint32_t index) const { return index < chunks_.size() ? &chunks_[index] : nullptr; }

  void add(const std::string& listType, const std::string& chunkId, const void* bytes, uint32_t size,
           uint32_t count);
  // The index-th chunk of a list type (any type when listType is empty), or null.
  const Chunk* nth(const std::string& listType, uint32_t index) const;
  // The index-th chunk with this list type and id, or null.
  const Chunk* find(const std::string& listType, const std::string& chunkId, uint32_t index = 0) const;
  // Removes the index-th chunk of a list type (any type when empty). False when there is none.
  bool remove(const std::string& listType, uint32_t index);
  // Replaces the bytes of the index-th (listType, chunkId) chunk, or adds one when there is none.
  void replace(const std::string& listType, const std::string& chunkId, uint32_t index, const void* bytes,
               uint32_t size, uint32_t count);
  void clear() { chunks_.clear(); }

 private:
  int64_t position(const std::string& listType, const std::string& chunkId, uint32_t index,
                   bool matchId) const;
  std::vector<Chunk> chunks_;
};

// Case-insensitive comparison of list types and chunk ids.
bool SameChunkName(const std::string& a, const std::string& b);

}  // namespace markers
