// The marker set: cue and play-list storage with their text limits, and the rules that move, shorten,
// grow and remove cues when frames are deleted, inserted or replaced, or the sample rate changes.
#include "markers/marker_set.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace markers {
namespace {

constexpr uint64_t kLastFrame = 0xFFFFFFFFu;
constexpr uint32_t kCueStep = 8;
constexpr uint32_t kPlayStep = 16;

uint32_t saturate(uint64_t v) {
  return v > kLastFrame ? uint32_t(kLastFrame) : uint32_t(v);
}

// Text cut at its limit and at an embedded NUL (the stored fields are NUL-terminated).
std::string limitText(const char* text, size_t limit) {
  return std::string(text, strnlen(text, limit));
}

// A range may end at most on the last representable frame.
uint32_t fitLength(uint32_t position, uint32_t length) {
  return uint32_t(std::min<uint64_t>(length, kLastFrame + 1 - position));
}

bool cueLess(const Cue& a, const Cue& b) {
  return a.position != b.position ? a.position < b.position : a.id < b.id;
}

// round(value * num / den), halves up, without overflow for 32-bit operands.
uint64_t scaleRounded(uint64_t value, uint64_t num, uint64_t den) {
  const uint64_t product = value * num;  // < 2^64 for 32-bit value and num
  const uint64_t q = product / den, r = product % den;
  return q + (2 * r >= den ? 1 : 0);
}

}  // namespace

MarkerSet::MarkerSet(uint32_t cueCapacity, uint32_t playCapacity)
    : cueCapacity_(cueCapacity ? cueCapacity : kCueStep),
      playCapacity_(playCapacity ? playCapacity : kPlayStep) {
  try {
    cues_.reserve(cueCapacity_);
    play_.reserve(playCapacity_);
  } catch (const std::exception&) {
    // The arrays grow on first use instead.
  }
}

uint32_t MarkerSet::cueIdAt(uint32_t index) const {
  return index < cues_.size() ? cues_[index].id : 0;
}

const Cue* MarkerSet::cueAt(uint32_t index) const {
  return index < cues_.size() ? &cues_[index] : nullptr;
}

int64_t MarkerSet::indexOf(uint32_t id) const {
  for (size_t i = 0; i < cues_.size(); ++i)
    if (cues_[i].id == id) return int64_t(i);
  return -1;
}

const Cue* MarkerSet::findCue(uint32_t id) const {
  const int64_t i = indexOf(id);
  return i < 0 ? nullptr : &cues_[size_t(i)];
}

uint32_t MarkerSet::smallestFreeId() const {
  std::vector<uint32_t> ids;
  ids.reserve(cues_.size());
  for (const Cue& c : cues_) ids.push_back(c.id);
  std::sort(ids.begin(), ids.end());
  uint32_t want = 1;
  for (uint32_t id : ids) {
    if (id == want) ++want;
    if (id > want) break;
  }
  return want;
}

bool MarkerSet::growCues(size_t needed) {
  if (needed <= cueCapacity_ && needed <= cues_.capacity()) return true;
  const size_t want = needed <= cueCapacity_ ? cueCapacity_ : (needed + kCueStep) / kCueStep * kCueStep;
  try {
    cues_.reserve(want);
  } catch (const std::exception&) {
    return false;
  }
  cueCapacity_ = uint32_t(want);
  return true;
}

bool MarkerSet::growPlay(size_t needed) {
  if (needed <= playCapacity_ && needed <= play_.capacity()) return true;
  size_t want = playCapacity_;
  while (want < needed) want += kPlayStep;
  try {
    play_.reserve(want);
  } catch (const std::exception&) {
    return false;
  }
  playCapacity_ = uint32_t(want);
  return true;
}

bool MarkerSet::addCue(uint32_t id, uint32_t position, uint32_t length, const char* label,
                       const char* description) {
  if (id == 0 || findCue(id) || !growCues(cues_.size() + 1)) return false;
  Cue cue;
  cue.id = id;
  cue.position = position == kKeep ? 0 : position;
  cue.length = fitLength(cue.position, length == kKeep ? 0 : length);
  cue.label = label ? limitText(label, kMaxLabel) : "Cue " + std::to_string(id);
  if (description) cue.description = limitText(description, kMaxDescription);
  const auto at = std::upper_bound(cues_.begin(), cues_.end(), cue, cueLess);
  cues_.insert(at, std::move(cue));  // capacity reserved above: cannot throw
  notifyCue(id);
  return true;
}

bool MarkerSet::setCue(uint32_t id, uint32_t position, uint32_t length, const char* label,
                       const char* description, const char* extra, uint32_t purpose) {
  const int64_t i = indexOf(id);
  if (i < 0) return false;
  Cue& cue = cues_[size_t(i)];
  if (position != kKeep) cue.position = position;
  if (length != kKeep) cue.length = length;
  cue.length = fitLength(cue.position, cue.length);
  if (label) cue.label = limitText(label, kMaxLabel);
  if (description) cue.description = limitText(description, kMaxDescription);
  if (extra) cue.extra = limitText(extra, kMaxExtra);
  if (purpose) cue.purpose = purpose;
  if (!cue.purpose) cue.purpose = kPurposeRegion;
  std::stable_sort(cues_.begin(), cues_.end(), cueLess);
  notifyCue(id);
  return true;
}

bool MarkerSet::deleteCue(uint32_t id) {
  const int64_t i = indexOf(id);
  if (i < 0) return false;
  cues_.erase(cues_.begin() + i);
  notifyRemoved(uint32_t(i));
  return true;
}

bool MarkerSet::mergeCues(uint32_t firstId, uint32_t secondId) {
  const int64_t a = indexOf(firstId), b = indexOf(secondId);
  if (a < 0 || b < 0 || a == b) return false;
  // The merged cue spans both: for cues in list order this is the first length becoming
  // max(first length, second start - first start + second length).
  const Cue& first = cues_[size_t(a)];
  const Cue& second = cues_[size_t(b)];
  const uint64_t start = std::min(first.position, second.position);
  const uint64_t end =
      std::max(uint64_t(first.position) + first.length, uint64_t(second.position) + second.length);
  const uint32_t position = uint32_t(start);
  const uint32_t length = fitLength(position, uint32_t(std::min<uint64_t>(end - start, kLastFrame)));
  deleteCue(secondId);
  return setCue(firstId, position, length);
}

bool MarkerSet::getPlay(uint32_t index, PlayEntry* out) const {
  if (index >= play_.size()) return false;
  if (out) *out = play_[index];
  return true;
}

bool MarkerSet::insertPlay(uint32_t index, uint32_t cueId, uint32_t length, uint32_t loops, uint32_t fourth) {
  const Cue* cue = findCue(cueId);
  if (!cue || !growPlay(play_.size() + 1)) return false;
  PlayEntry e;
  e.cueId = cueId;
  e.length = length == kKeep ? cue->length : length;
  e.loops = loops == kKeep || loops == 0 ? 1 : loops;
  e.fourth = fourth == kKeep ? 0 : fourth;
  play_.insert(play_.begin() + std::min<size_t>(index, play_.size()), e);
  return true;
}

bool MarkerSet::setPlay(uint32_t index, uint32_t cueId, uint32_t length, uint32_t loops, uint32_t fourth) {
  if (index >= play_.size()) {
    if (cueId == kKeep) return false;
    return insertPlay(uint32_t(play_.size()), cueId, length, loops, fourth);
  }
  if (cueId != kKeep && !findCue(cueId)) return false;
  PlayEntry& e = play_[index];
  if (cueId != kKeep) e.cueId = cueId;
  if (length != kKeep) e.length = length;
  if (loops != kKeep) e.loops = loops == 0 ? 1 : loops;
  if (fourth != kKeep) e.fourth = fourth;
  return true;
}

bool MarkerSet::deletePlay(uint32_t index) {
  if (index >= play_.size()) return false;
  play_.erase(play_.begin() + index);
  return true;
}

uint32_t MarkerSet::prunePlayList() {
  const size_t before = play_.size();
  play_.erase(std::remove_if(play_.begin(), play_.end(),
                             [this](const PlayEntry& e) {
                               const Cue* c = findCue(e.cueId);
                               return !c || c->length == 0;
                             }),
              play_.end());
  return uint32_t(before - play_.size());
}

// Deleting count frames at p. Rules, for a cue starting at s with length n:
//   ends at or before p (a point at or before p)           unchanged
//   a range wholly inside [p, p + count)                   removed
//   a point strictly inside (p, p + count)                 removed
//   starts at or after p + count                           moves back by count (a point on the first
//                                                          frame after the deletion lands on p)
//   starts inside, ends after                              starts at p, keeps the frames after the deletion
//   contains the deletion                                  shortened by count
//   starts before, ends inside                             ends at p
void MarkerSet::adjustForDeletion(uint32_t position, uint32_t count) {
  if (suppressed_ || count == 0) return;
  const std::vector<Placement> before = placements();
  const uint64_t p = position, cutEnd = uint64_t(position) + count;
  size_t kept = 0;
  for (size_t i = 0; i < cues_.size(); ++i) {
    Cue& cue = cues_[i];
    const uint64_t s = cue.position, n = cue.length, end = s + n;
    const bool inside = n == 0 ? (s > p && s < cutEnd) : (s >= p && end <= cutEnd);
    if (inside) continue;
    if (p >= end) {
      if (kept != i) cues_[kept] = std::move(cue);
      ++kept;
      continue;
    }
    if (s >= cutEnd) {
      cue.position = uint32_t(s - count);
    } else if (p < s) {
      cue.length = uint32_t(end - cutEnd);
      cue.position = position;
    } else if (end >= cutEnd) {
      cue.length = uint32_t(n - count);
    } else {
      cue.length = uint32_t(p - s);
    }
    if (kept != i) cues_[kept] = std::move(cue);
    ++kept;
  }
  cues_.resize(kept);
  sortAndNotify(before);
}

// Inserting count frames at p: a range with p inside it (start included) or a point exactly at p grows
// by count (the point becomes a range over the inserted frames); anything starting after p moves on.
void MarkerSet::adjustForInsertion(uint32_t position, uint32_t count) {
  if (suppressed_ || count == 0) return;
  const std::vector<Placement> before = placements();
  const uint64_t p = position;
  for (Cue& cue : cues_) {
    const uint64_t s = cue.position, n = cue.length;
    const bool affected = n > 0 ? p < s + n : s >= p;
    if (!affected) continue;
    if (p < s) {
      cue.position = saturate(s + count);
    } else {
      cue.length = saturate(n + count);
    }
    cue.length = fitLength(cue.position, cue.length);
  }
  sortAndNotify(before);
}

// Frames of [a, a + b) map proportionally onto [a, a + c); frames at or after a + b move by c - b. A range's
// first and last frames are mapped and its length recomputed; point markers stay points. An empty old
// stretch is an insertion, an empty new one a deletion.
void MarkerSet::adjustForReplacement(uint32_t start, uint32_t oldLength, uint32_t newLength) {
  if (suppressed_) return;
  if (oldLength == 0) return adjustForInsertion(start, newLength);
  if (newLength == 0) return adjustForDeletion(start, oldLength);
  const std::vector<Placement> before = placements();
  const uint64_t a = start, b = oldLength, c = newLength;
  auto map = [&](uint64_t f) -> uint64_t {
    if (f < a) return f;
    if (f >= a + b) return f + c - b;  // c - b may be negative: unsigned wrap cancels out
    return a + scaleRounded(f - a, c, b);
  };
  for (Cue& cue : cues_) {
    const uint64_t s = map(cue.position);
    if (cue.length == 0) {
      cue.position = saturate(s);
      continue;
    }
    const uint64_t last = map(uint64_t(cue.position) + cue.length - 1);
    cue.position = saturate(s);
    cue.length = fitLength(cue.position, saturate(last - s + 1));
  }
  sortAndNotify(before);
}

// Every start and every non-zero length scaled by newRate / oldRate, halves rounded up. A range never
// shrinks to a point.
bool MarkerSet::rescale(uint32_t oldRate, uint32_t newRate) {
  if (oldRate == 0 || newRate == 0) return false;
  if (suppressed_) return true;
  const std::vector<Placement> before = placements();
  for (Cue& cue : cues_) {
    cue.position = saturate(scaleRounded(cue.position, newRate, oldRate));
    if (cue.length) {
      cue.length = saturate(std::max<uint64_t>(1, scaleRounded(cue.length, newRate, oldRate)));
      cue.length = fitLength(cue.position, cue.length);
    }
  }
  sortAndNotify(before);
  return true;
}

std::vector<MarkerSet::Placement> MarkerSet::placements() const {
  std::vector<Placement> out;
  if (!listener_) return out;
  out.reserve(cues_.size());
  for (const Cue& c : cues_) out.push_back({c.id, c.position, c.length});
  return out;
}

void MarkerSet::sortAndNotify(const std::vector<Placement>& before) {
  std::stable_sort(cues_.begin(), cues_.end(), cueLess);
  if (!listener_) return;
  // Removals first, highest index first, so each index is the cue's place at that moment.
  for (size_t i = before.size(); i-- > 0;)
    if (indexOf(before[i].id) < 0) notifyRemoved(uint32_t(i));
  for (const Placement& old : before) {
    const Cue* now = findCue(old.id);
    if (now && (now->position != old.position || now->length != old.length)) notifyCue(old.id);
  }
}

void MarkerSet::notifyCue(uint32_t id) {
  if (!listener_) return;
  const int64_t i = indexOf(id);
  if (i < 0) return;
  const Cue& c = cues_[size_t(i)];
  listener_(uint32_t(i + 1), c.position, c.length, c.length ? kCueKindRange : kCueKindPoint);
}

void MarkerSet::notifyRemoved(uint32_t index) {
  if (listener_) listener_(index + 1, -1, 0, kCueKindPoint);
}

}  // namespace markers
