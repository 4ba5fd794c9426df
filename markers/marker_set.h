// The marker set of a wave document: a cue list of numbered point markers and ranges, and a play list that
// sequences cues with loop counts. The WAVE reader and writer fill and save it, the cue and play-list
// dialogs edit it, and the editing code keeps it in step with the samples through the adjust operations
// (frames deleted, inserted, a stretch replaced, the sample rate changed).
//
// Cues are kept sorted by position (ties by id), so list index order is the order the cue dialog shows.
// Positions and lengths are sample frames; every computation that can pass 32 bits is done in 64 bits and
// saturated.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace markers {

// Four-character purpose code of a cue, packed little-endian as it sits in a chunk ("rgn " = 'r' first).
constexpr uint32_t FourCc(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
         uint32_t(uint8_t(d)) << 24;
}
constexpr uint32_t kPurposeRegion = FourCc('r', 'g', 'n', ' ');

// Text limits: the stored fields hold 64, 128 and 64 characters including the terminating NUL.
constexpr size_t kMaxLabel = 63;
constexpr size_t kMaxDescription = 127;
constexpr size_t kMaxExtra = 63;

// "Leave as it is" / "use the default" for numeric arguments, as -1 in the 32-bit interface.
constexpr uint32_t kKeep = 0xFFFFFFFFu;

struct Cue {
  uint32_t id = 0;        // unique, >= 1
  uint32_t position = 0;  // first frame
  uint32_t length = 0;    // 0 = point marker, else frames in the range
  uint32_t purpose = kPurposeRegion;
  std::string label;        // at most kMaxLabel characters
  std::string description;  // at most kMaxDescription
  std::string extra;        // at most kMaxExtra
  bool isRange() const { return length != 0; }
};

struct PlayEntry {
  uint32_t cueId = 0;
  uint32_t length = 0;  // the cue's length when the entry was added
  uint32_t loops = 1;   // >= 1
  uint32_t fourth = 0;  // meaning unknown; always 0 here
};

// What the display hears about a changed cue: its 1-based list index, position (-1 when the cue was
// removed; the index is then the one it had), length and kind.
constexpr int kCueKindPoint = 1;
constexpr int kCueKindRange = 2;
using CueListener = std::function<void(uint32_t index1, int64_t position, uint32_t length, int kind)>;

class MarkerSet {
 public:
  // Capacities as the chunk reader expects them: 0 means 8 cues and 16 play entries.
  explicit MarkerSet(uint32_t cueCapacity = 0, uint32_t playCapacity = 0);

  void setListener(CueListener listener) { listener_ = std::move(listener); }

  // --- cues
  uint32_t cueCount() const { return uint32_t(cues_.size()); }
  uint32_t cueCapacity() const { return cueCapacity_; }
  uint32_t cueIdAt(uint32_t index) const;  // 0 when out of range
  const Cue* cueAt(uint32_t index) const;  // null when out of range
  const Cue* findCue(uint32_t id) const;   // null when absent
  int64_t indexOf(uint32_t id) const;      // -1 when absent
  uint32_t smallestFreeId() const;         // the smallest id >= 1 not in use

  // Adds a cue. Refused (false) for id 0 or an id in use. kKeep for position or length means 0; a null label
  // gives "Cue <id>", a null description an empty one; long texts are cut to their limits; the purpose is
  // "rgn " and the extra text empty. A range that would pass the last frame number is shortened.
  bool addCue(uint32_t id, uint32_t position, uint32_t length, const char* label = nullptr,
              const char* description = nullptr);
  // Changes a cue: kKeep / null / purpose 0 leave a field as it is (a cue without a purpose gets "rgn ").
  bool setCue(uint32_t id, uint32_t position, uint32_t length, const char* label = nullptr,
              const char* description = nullptr, const char* extra = nullptr, uint32_t purpose = 0);
  bool deleteCue(uint32_t id);
  // Merges two cues into the first, which afterwards spans both; the second goes. Refused for equal or
  // unknown ids.
  bool mergeCues(uint32_t firstId, uint32_t secondId);

  // --- play list
  uint32_t playCount() const { return uint32_t(play_.size()); }
  uint32_t playCapacity() const { return playCapacity_; }
  bool getPlay(uint32_t index, PlayEntry* out) const;
  // Inserts before index (at the end when index >= count). kKeep: length = the cue's, loops = 1, fourth =
  // 0. Refused when the cue does not exist. Loops below 1 become 1.
  bool insertPlay(uint32_t index, uint32_t cueId, uint32_t length = kKeep, uint32_t loops = kKeep,
                  uint32_t fourth = kKeep);
  // Changes the entry at index, kKeep leaving a value; an index at or past the end appends (then a missing
  // value takes its default, and the cue id must be given). A new cue id must exist.
  bool setPlay(uint32_t index, uint32_t cueId, uint32_t length = kKeep, uint32_t loops = kKeep,
               uint32_t fourth = kKeep);
  bool deletePlay(uint32_t index);
  // Drops entries whose cue no longer exists or is a point marker. Returns how many went.
  uint32_t prunePlayList();

  // --- keeping step with the samples (each does nothing while adjustments are suppressed)
  void adjustForDeletion(uint32_t position, uint32_t count);
  void adjustForInsertion(uint32_t position, uint32_t count);
  // The stretch [start, start + oldLength) was replaced by newLength frames.
  void adjustForReplacement(uint32_t start, uint32_t oldLength, uint32_t newLength);
  // The sample rate changed from oldRate to newRate; false (nothing done) when either is 0.
  bool rescale(uint32_t oldRate, uint32_t newRate);

  // The undo store and the edit that restores markers itself switch adjustments off around their work.
  void setAdjustSuppressed(bool on) { suppressed_ = on; }
  bool adjustSuppressed() const { return suppressed_; }

 private:
  struct Placement {
    uint32_t id, position, length;
  };
  // Where each cue is, for telling the listener what an adjustment changed (empty without a listener).
  std::vector<Placement> placements() const;
  bool growCues(size_t needed);
  bool growPlay(size_t needed);
  // Re-sorts and tells the listener about the cues whose position or length changed since before, and
  // about removed ones.
  void sortAndNotify(const std::vector<Placement>& before);
  void notifyCue(uint32_t id);
  void notifyRemoved(uint32_t index);

  std::vector<Cue> cues_;
  std::vector<PlayEntry> play_;
  uint32_t cueCapacity_;
  uint32_t playCapacity_;
  bool suppressed_ = false;
  CueListener listener_;
};

// RAII switch for MarkerSet::setAdjustSuppressed, restoring the previous state.
class SuppressAdjust {
 public:
  explicit SuppressAdjust(MarkerSet& set) : set_(set), was_(set.adjustSuppressed()) {
    set.setAdjustSuppressed(true);
  }
  ~SuppressAdjust() { set_.setAdjustSuppressed(was_); }
  SuppressAdjust(const SuppressAdjust&) = delete;
  SuppressAdjust& operator=(const SuppressAdjust&) = delete;

 private:
  MarkerSet& set_;
  bool was_;
};

}  // namespace markers
