// What the cue list and play list windows show and do, without the windows: the list lines, the window
// titles, the cue that Add makes from a selection, Merge, "Add Before" into the play list, the loop count
// field, and which entry playback starts from. The windows (shell/cue_list_win.cpp,
// shell/play_list_win.cpp) only copy these texts into controls and call these operations.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "markers/marker_set.h"

namespace markers {

// A position (in frames) as text, in the time format the user chose.
using PositionText = std::function<std::string(int64_t frames)>;

// The cue list line: " <start>[ to <end>]\t <label> \t\t[<id>]", end being the range's last frame.
std::string CueListLine(const Cue& cue, const PositionText& position);
// The play list line: "(<loops>)\t<label>"; the list ends with PlayListEndLine().
std::string PlayListLine(const PlayEntry& entry, const MarkerSet& set);
constexpr const char* kPlayListEnd = "[End]";

// A list window's title: "<window name> - <main title without its ' - <product>' tail>", or the plain
// name without a document (empty main text).
std::string ListWindowTitle(const std::string& name, const std::string& plainName,
                            const std::string& mainTitle, const std::string& productName, bool hasDocument);

// Add: a cue over the selection [selStart, selEnd] (length end - start + 1), or a point marker at selStart
// when the selection is empty (end before start). Returns the new id, 0 when refused.
uint32_t AddCueForSelection(MarkerSet& set, int64_t selStart, int64_t selEnd);
// Add during playback or recording: a point marker at the play position.
uint32_t AddCueAt(MarkerSet& set, int64_t position);

// Merge of the two selected cues, first and second in list order. False unless exactly two ids are
// given and both exist.
bool MergeSelectedCues(MarkerSet& set, const std::vector<uint32_t>& selectedIds);
// Deletes every cue of the list; returns how many went.
uint32_t DeleteCues(MarkerSet& set, const std::vector<uint32_t>& ids);

// "Add Before": inserts each cue (in the given order) before play entry `before` (at the end when it is
// past the last entry, as when "[End]" or nothing is selected). Point markers are skipped: the play list
// holds ranges only. Returns the number inserted.
uint32_t InsertCuesBefore(MarkerSet& set, uint32_t before, const std::vector<uint32_t>& cueIds);

// The loop count typed into the Loops field: values below 1 (and text without a number) become 1.
uint32_t ParseLoopCount(const std::string& text);

// Where play-list playback starts: the selected entry, or the first when "[End]" or nothing is selected
// (selected < 0 or >= count). -1 when the list is empty.
int32_t PlayStartIndex(int32_t selected, uint32_t count);
// Auto-cue moves the selection to the next entry, wrapping to the first.
int32_t NextAutoCueIndex(int32_t current, uint32_t count);

}  // namespace markers
