// Cue list and play list texts and operations; see marker_lists.h.
#include "markers/marker_lists.h"

#include <cstdio>

namespace markers {

std::string CueListLine(const Cue& cue, const PositionText& position) {
  std::string line = " " + position(cue.position);
  if (cue.length > 0) line += " to " + position(int64_t(cue.position) + cue.length - 1);
  char tail[48];
  std::snprintf(tail, sizeof tail, " \t\t[%lu]", static_cast<unsigned long>(cue.id));
  return line + "\t " + cue.label + tail;
}

std::string PlayListLine(const PlayEntry& entry, const MarkerSet& set) {
  char head[32];
  std::snprintf(head, sizeof head, "(%lu)\t", static_cast<unsigned long>(entry.loops));
  const Cue* cue = set.findCue(entry.cueId);
  return head + (cue ? cue->label : std::string());
}

std::string ListWindowTitle(const std::string& name, const std::string& plainName,
                            const std::string& mainTitle, const std::string& productName, bool hasDocument) {
  if (!hasDocument) return plainName;
  std::string text = mainTitle;
  const std::string tail = " - " + productName;
  if (text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0)
    text.resize(text.size() - tail.size());
  return name + " - " + text;
}

namespace {

// Positions come from the display's selection (signed); a cue keeps 32-bit frame numbers.
uint32_t clampFrame(int64_t v) {
  if (v < 0) return 0;
  if (v > int64_t(UINT32_MAX) - 1) return UINT32_MAX - 1;
  return uint32_t(v);
}

}  // namespace

uint32_t AddCueForSelection(MarkerSet& set, int64_t selStart, int64_t selEnd) {
  const uint32_t id = set.smallestFreeId();
  const uint32_t start = clampFrame(selStart);
  uint32_t length = 0;
  if (selEnd >= selStart) {
    const int64_t n = selEnd - int64_t(start) + 1;
    // kKeep (all ones) would mean "no length" to addCue.
    length = n > 0 ? (n >= int64_t(kKeep) ? kKeep - 1 : uint32_t(n)) : 0;
  }
  return id != 0 && set.addCue(id, start, length) ? id : 0;
}

uint32_t AddCueAt(MarkerSet& set, int64_t position) {
  const uint32_t id = set.smallestFreeId();
  return id != 0 && set.addCue(id, clampFrame(position), 0) ? id : 0;
}

bool MergeSelectedCues(MarkerSet& set, const std::vector<uint32_t>& selectedIds) {
  if (selectedIds.size() != 2) return false;
  int64_t a = set.indexOf(selectedIds[0]), b = set.indexOf(selectedIds[1]);
  if (a < 0 || b < 0 || a == b) return false;
  // First and second in list order, whatever order the selection was read in.
  return a < b ? set.mergeCues(selectedIds[0], selectedIds[1])
               : set.mergeCues(selectedIds[1], selectedIds[0]);
}

uint32_t DeleteCues(MarkerSet& set, const std::vector<uint32_t>& ids) {
  uint32_t n = 0;
  for (uint32_t id : ids) n += set.deleteCue(id) ? 1 : 0;
  return n;
}

uint32_t InsertCuesBefore(MarkerSet& set, uint32_t before, const std::vector<uint32_t>& cueIds) {
  uint32_t at = before < set.playCount() ? before : set.playCount();
  uint32_t n = 0;
  for (uint32_t id : cueIds) {
    const Cue* cue = set.findCue(id);
    if (!cue || cue->length == 0) continue;
    if (set.insertPlay(at, id)) {
      ++at;
      ++n;
    }
  }
  return n;
}

uint32_t ParseLoopCount(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i < text.size() && text[i] == '-') return 1;
  uint64_t v = 0;
  bool digits = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    digits = true;
    v = v * 10 + uint64_t(text[i] - '0');
    if (v > 0xFFFFFFFFu) v = 0xFFFFFFFFu;
  }
  return digits && v >= 1 ? uint32_t(v) : 1;
}

int32_t PlayStartIndex(int32_t selected, uint32_t count) {
  if (count == 0) return -1;
  return selected >= 0 && uint32_t(selected) < count ? selected : 0;
}

int32_t NextAutoCueIndex(int32_t current, uint32_t count) {
  if (count == 0) return -1;
  if (current < 0 || uint32_t(current) + 1 >= count) return 0;
  return current + 1;
}

}  // namespace markers
