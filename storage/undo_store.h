// The undo store: before a command changes a range of a document's samples, the range is copied into a
// virtual file of its own (save range); after the change a level records which command changed which
// range and in which sample format (record level). Undo splices the saved file back, which links whole
// blocks and copies almost nothing. Levels are kept per document in an undo node, at most `capacity`
// (128) of them; when disk space runs short the oldest levels beyond the retain count (`UndoLevels`) are
// dropped first, and with the user's consent more recent ones too.
//
// Applying a level to a document (the Undo command) belongs to the document; this file knows only nodes,
// levels and the saved files. User-interface thread only; the saved files are protected by the store.
//
// A save range does not push a level: it keeps the copy as the node's pending save, and the record-level
// call that follows pushes it. A command that ends up recording nothing calls UndoDiscardPending (or the
// next save range does it), so a stale copy can never be spliced in at the wrong place.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "storage/vfile.h"

namespace storage {

constexpr int kUndoDefaultCapacity = 128;
constexpr int kUndoMaxCapacity = 256;
constexpr int kUndoDefaultRetain = 5;
constexpr int kUndoMaxRetain = 1024;
constexpr size_t kUndoTitleMax = 79;
// Ranges of at least this many frames show the "Saving Undo Data" progress window while they are copied.
constexpr uint32_t kUndoProgressFrames = 661501;

struct UndoLevel {
  HfHandle* saved = nullptr;  // the replaced samples; null for an empty range or a sample adjustment
  std::string title;
  uint32_t start = 0;         // first frame of the range as it is after the command
  uint32_t end = 0;           // last frame of that range (start - 1 for an empty range)
  int32_t command = 0;
  uint32_t savedBytes = 0;
  uint32_t rate = 0;          // the document's format before the command
  int16_t bits = 0;
  int16_t channels = 0;
  int16_t editChannel = 0;    // 0 both, 1 left, 2 right
  uint32_t editSerial = 0;
  int32_t chain = 0;          // non-zero: undoing this level goes on with the one below it
  double value = 0;           // the old sample value of a sample adjustment
  bool restoring = false;     // an undo is applying this level; reclaim leaves it alone
};

// State of a node for the current operation.
constexpr int kUndoStateDisabled = -1;
constexpr int kUndoStateNotSaving = 0;
constexpr int kUndoStateSaving = 1;

struct UndoNode {
  std::vector<UndoLevel> levels;  // oldest first; the newest is levels.back()
  int capacity = kUndoDefaultCapacity;
  int retain = kUndoDefaultRetain;
  int state = kUndoStateNotSaving;
  // The save range of the current operation: its copy (null for an empty range) and byte count, and
  // whether a level is prepared (save range done or a level opened by hand) but not yet recorded.
  HfHandle* pendingSaved = nullptr;
  uint32_t pendingBytes = 0;
  bool prepared = false;
  std::string pendingTitle;  // title for the next level ("Undo Cut" ...)

  int top() const { return int(levels.size()) - 1; }
  bool empty() const { return levels.empty(); }
};

// How the undo store asks the user and shows progress. Flags and answers are the values of the Win32
// MB_* and ID* constants. Any member may be empty: a question then takes its default button, progress is
// not shown.
struct UndoUi {
  std::function<int(const std::string& text, const std::string& caption, unsigned flags)> ask;
  // Whether a progress window is open already (the copy then does not open its own).
  std::function<bool()> progressOpen;
  std::function<void(const std::string& title)> progressBegin;
  // Returns kHfStop to stop the copy.
  std::function<int(uint32_t done, uint32_t total)> progressMeter;
  std::function<void()> progressEnd;
  std::function<void(const char* line)> debug;
};
void UndoSetUi(const UndoUi& ui);

// Process-wide settings: the undo switch ([System] Undo), the capacity for new nodes and the retain count
// (`UndoLevels`), and the command id of the last record-level call (for Repeat).
void UndoSetEnabled(bool on);
bool UndoEnabled();
int UndoDefaultRetain();
int32_t UndoLastCommand();

UndoNode* UndoCreateNode();
void UndoFreeNode(UndoNode* node);
std::vector<UndoNode*> UndoNodes();  // newest first
// Applies capacity (1..256) and retain count (1..1024) to every node and to new ones; a node holding more
// levels than the new capacity drops its oldest.
void UndoSetLimits(int capacity, int retain);
// Closes every level's saved file and any pending save; state 0.
void UndoClearLevels(UndoNode* node);

// Copies frames first..last of file (frame size from the file's format) as the pending save. Returns
// true when the command may go on (with or without undo), false when the user chose to stop it.
bool UndoSaveRange(UndoNode* node, HfHandle* file, uint32_t first, uint32_t last);
// A level without saved data is prepared by hand (sample adjustment); like an empty save range.
void UndoOpenLevel(UndoNode* node);
// Forgets a pending save that no level will use.
void UndoDiscardPending(UndoNode* node);
struct UndoRecord {
  uint32_t rate = 0;
  int bits = 16;
  int channels = 2;
  int editChannel = 0;
  int32_t command = 0;
  uint32_t start = 0;
  uint32_t end = 0;
  const char* title = nullptr;  // null: the node's pending title
  uint32_t editSerial = 0;
};
// Records the level of the operation. Does nothing (but remembers the command) unless the node's state
// is positive. Returns the level recorded, or null.
UndoLevel* UndoRecordLevel(UndoNode* node, const UndoRecord& record);

// Drops the oldest level; returns the bytes of storage freed (the allocated size of its saved data).
uint64_t UndoDropOldest(UndoNode* node);
// Pops the newest level, closing any saved data it still holds. State 1 while levels remain, else 0.
void UndoPop(UndoNode* node);
// Frees at least wantedKB where possible: first levels beyond each node's retain count, then, when
// asking is allowed and the user agrees, the oldest levels of every node in turn. Returns KB freed.
int64_t UndoReclaim(int64_t wantedKB, bool neverAsk);
// The answer to the store's "need space" request: reclaim 1000 KB with asking allowed when undo is on;
// non-zero when anything was freed.
int UndoNeedSpace();
// Purge Undo (settings dialog): sets the retain count (clamped to 1..1024), frees what it can without
// asking and returns the text of the report box.
std::string UndoPurge(int retain, int64_t* freedKB = nullptr);

// The Undo menu item's text and whether it is enabled.
std::string UndoMenuText(const UndoNode* node, bool* enabled = nullptr);

// Drops every node (closing their saved files) and restores the process-wide defaults: at shut-down, before
// the store goes, and between tests.
void UndoReset();

}  // namespace storage
