// Undo nodes and levels: saving ranges, recording, dropping and reclaiming. See undo_store.h.
#include "storage/undo_store.h"

#include <algorithm>
#include <cstdio>

#include "storage/store.h"
#include "ui/message_box.h"

namespace storage {
namespace {

const char* const kCantUndo = "Can't Undo";
const char* const kUndoDisabled = "Undo Disabled";
const char* const kNoRoomText = "Not enough memory for Undo.  Continue anyway?";
const char* const kNoRoomCaption = "Warning";
const char* const kStoppedText =
    "You have chosen not to save undo information for this operation.  Do you wish to continue?";
const char* const kStoppedCaption = "Undo Saving Cancelled";
const char* const kReclaimText = "Is it OK to clear some more recent Undo levels?";
const char* const kReclaimCaption = "Low on Hard Drive Space";

// The undo store's process-wide state: every node and its levels, the limits and the user interface.
// UndoReset() returns it to the state at start (tests call it between cases).
struct UndoStoreState {
  std::vector<UndoNode*> nodes;  // newest first
  int capacity = kUndoDefaultCapacity;
  int retain = kUndoDefaultRetain;
  bool enabled = true;
  int32_t lastCommand = 0;
  UndoUi ui;
};
UndoStoreState& undoState() {
  static UndoStoreState state;
  return state;
}

int ask(const char* text, const char* caption, unsigned flags) {
  if (undoState().ui.ask) return undoState().ui.ask(text, caption, flags);
  // No one to ask: the first button (Yes / OK) is the default.
  return (flags & 0xF) == ui::kMbYesNo ? ui::kIdYes : ui::kIdOk;
}

void debug(const char* line) {
  if (undoState().ui.debug) undoState().ui.debug(line);
}

void closeLevel(UndoLevel* level) {
  if (level->saved) HfClose(level->saved);
  level->saved = nullptr;
}

// The levels no longer match the samples: a command is changing them without undo.
void forgetLevels(UndoNode* node) {
  for (UndoLevel& l : node->levels) closeLevel(&l);
  node->levels.clear();
}

void settleState(UndoNode* node) {
  node->state = node->empty() ? kUndoStateNotSaving : kUndoStateSaving;
}

// A command goes on without undo: the levels before it can no longer be applied.
bool goOnUnsaved(UndoNode* node) {
  forgetLevels(node);
  node->state = kUndoStateNotSaving;
  return true;
}

uint32_t frameSizeOf(HfHandle* file) {
  int channels = 0, bits = 0;
  HfGetFormat(file, &channels, &bits);
  uint32_t fs = uint32_t(bits / 8) * uint32_t(channels);
  return fs ? fs : 1;
}

}  // namespace

void UndoSetUi(const UndoUi& ui) { undoState().ui = ui; }
void UndoSetEnabled(bool on) { undoState().enabled = on; }
bool UndoEnabled() { return undoState().enabled; }
int UndoDefaultRetain() { return undoState().retain; }
int32_t UndoLastCommand() { return undoState().lastCommand; }

UndoNode* UndoCreateNode() {
  auto* node = new UndoNode;
  node->capacity = undoState().capacity;
  node->retain = undoState().retain;
  undoState().nodes.insert(undoState().nodes.begin(), node);
  return node;
}

void UndoFreeNode(UndoNode* node) {
  if (!node) return;
  UndoClearLevels(node);
  auto& nodes = undoState().nodes;
  auto it = std::find(nodes.begin(), nodes.end(), node);
  if (it == nodes.end())
    debug("Lost an undo block???\n");
  else
    nodes.erase(it);
  delete node;
}

std::vector<UndoNode*> UndoNodes() { return undoState().nodes; }

void UndoSetLimits(int capacity, int retain) {
  capacity = std::clamp(capacity, 1, kUndoMaxCapacity);
  retain = std::clamp(retain, 1, kUndoMaxRetain);
  undoState().capacity = capacity;
  undoState().retain = retain;
  for (UndoNode* node : undoState().nodes) {
    node->capacity = capacity;
    node->retain = retain;
    while (int(node->levels.size()) > capacity) UndoDropOldest(node);
  }
}

void UndoClearLevels(UndoNode* node) {
  if (!node) return;
  UndoDiscardPending(node);
  forgetLevels(node);
  node->state = kUndoStateNotSaving;
}

void UndoDiscardPending(UndoNode* node) {
  if (node->pendingSaved) HfClose(node->pendingSaved);
  node->pendingSaved = nullptr;
  node->pendingBytes = 0;
  node->prepared = false;
}

void UndoOpenLevel(UndoNode* node) {
  UndoDiscardPending(node);
  if (!undoState().enabled) {
    UndoClearLevels(node);
    node->state = kUndoStateDisabled;
    return;
  }
  node->prepared = true;
  node->state = kUndoStateSaving;
}

bool UndoSaveRange(UndoNode* node, HfHandle* file, uint32_t first, uint32_t last) {
  UndoDiscardPending(node);
  if (!undoState().enabled) {
    UndoClearLevels(node);
    node->state = kUndoStateDisabled;
    return true;
  }
  if (last == 0xFFFFFFFFu || last < first) {
    node->prepared = true;
    node->state = kUndoStateSaving;
    return true;
  }
  const uint64_t fs = frameSizeOf(file);
  const int64_t neededKB = int64_t(uint64_t(last - first) * fs / 1024);
  int64_t freeKB = VfFreeSpaceKB();
  if (freeKB < neededKB) {
    UndoReclaim(neededKB - freeKB + 512, false);
    freeKB = VfFreeSpaceKB();
  }
  if (freeKB < neededKB) {
    node->state = kUndoStateNotSaving;
    if (ask(kNoRoomText, kNoRoomCaption, ui::kMbYesNo | ui::kMbIconWarning) == ui::kIdYes) return goOnUnsaved(node);
    settleState(node);
    return false;
  }

  const uint64_t bytes64 = (uint64_t(last) - first + 1) * fs;
  const uint64_t start64 = uint64_t(first) * fs;
  if (bytes64 > 0xFFFFFFFFu || start64 > 0xFFFFFFFFu) {
    node->state = kUndoStateNotSaving;
    if (ask(kNoRoomText, kNoRoomCaption, ui::kMbYesNo | ui::kMbIconWarning) == ui::kIdYes) return goOnUnsaved(node);
    settleState(node);
    return false;
  }
  const uint32_t bytes = uint32_t(bytes64);
  const UndoUi& ui = undoState().ui;
  const bool showProgress =
      last - first >= kUndoProgressFrames && !(ui.progressOpen && ui.progressOpen()) && ui.progressBegin;
  if (showProgress) ui.progressBegin("Saving Undo Data");
  bool stopped = false;
  HfProgress3 progress = [&](uint32_t done, uint32_t, uint32_t total) {
    if (!showProgress || !ui.progressMeter) return 0;
    int r = ui.progressMeter(done, total);
    if (r == kHfStop) stopped = true;
    return r;
  };
  int status = 0;
  HfHandle* copy = HfCopy(file, uint32_t(start64), bytes, 0, false, &status, progress);
  if (showProgress && ui.progressEnd) ui.progressEnd();

  if (copy && HfGetLength(copy) == bytes) {
    node->pendingSaved = copy;
    node->pendingBytes = bytes;
    node->prepared = true;
    node->state = kUndoStateSaving;
    return true;
  }
  if (copy) HfClose(copy);
  node->state = kUndoStateNotSaving;
  int answer = stopped ? ask(kStoppedText, kStoppedCaption, ui::kMbYesNo | ui::kMbIconWarning)
                       : ask(kNoRoomText, kNoRoomCaption, ui::kMbYesNo | ui::kMbIconWarning);
  if (answer == ui::kIdYes) return goOnUnsaved(node);
  settleState(node);
  return false;
}

UndoLevel* UndoRecordLevel(UndoNode* node, const UndoRecord& r) {
  undoState().lastCommand = r.command;
  if (!node || node->state <= 0) {
    if (node) UndoDiscardPending(node);
    return nullptr;
  }
  if (node->capacity <= 0) {
    UndoDiscardPending(node);
    return nullptr;
  }
  // Push a slot, dropping the oldest level when the node is full.
  while (int(node->levels.size()) >= node->capacity) UndoDropOldest(node);
  node->levels.emplace_back();
  UndoLevel& level = node->levels.back();
  level.saved = node->pendingSaved;
  level.savedBytes = node->pendingSaved ? node->pendingBytes : 0;
  node->pendingSaved = nullptr;
  node->pendingBytes = 0;
  node->prepared = false;

  level.command = r.command;
  level.start = r.start;
  level.end = r.end;
  std::string title = r.title ? r.title : node->pendingTitle;
  if (title.size() > kUndoTitleMax) title.resize(kUndoTitleMax);
  level.title = title;
  level.rate = r.rate;
  level.bits = int16_t(r.bits);
  level.channels = int16_t(r.channels);
  level.editChannel = int16_t(r.editChannel);
  level.editSerial = r.editSerial;
  level.chain = 0;
  node->state = kUndoStateSaving;
  return &level;
}

uint64_t UndoDropOldest(UndoNode* node) {
  if (!node || node->empty()) return 0;
  uint64_t freed = 0;
  // A level chained to the one below it (the head of a trim) cannot be undone without it: they go
  // together, or the chain would run on into an older, unrelated level.
  do {
    UndoLevel& oldest = node->levels.front();
    if (oldest.saved) freed += HfAllocatedSize(oldest.saved);
    closeLevel(&oldest);
    node->levels.erase(node->levels.begin());
  } while (!node->empty() && node->levels.front().chain && !node->levels.front().restoring);
  return freed;
}

void UndoPop(UndoNode* node) {
  if (!node || node->empty()) return;
  closeLevel(&node->levels.back());
  node->levels.pop_back();
  settleState(node);
}

namespace {
// The oldest level of a node may go unless it is the one an undo is restoring.
bool canDrop(const UndoNode* node) {
  return !node->empty() && !node->levels.front().restoring;
}
}  // namespace

int64_t UndoReclaim(int64_t wantedKB, bool neverAsk) {
  int64_t totalKB = 0;
  uint64_t freedBytes = 0;
  auto addFreed = [&](uint64_t bytes) {
    freedBytes += bytes;
    totalKB = int64_t(freedBytes / 1024);
  };
  bool dropped = true;
  while (dropped && totalKB <= wantedKB) {
    dropped = false;
    for (UndoNode* node : undoState().nodes) {
      if (int(node->levels.size()) > node->retain && canDrop(node)) {
        addFreed(UndoDropOldest(node));
        dropped = true;
        if (totalKB > wantedKB) break;
      }
    }
  }
  auto anyLeft = [] {
    for (UndoNode* node : undoState().nodes)
      if (canDrop(node)) return true;
    return false;
  };
  if (totalKB < wantedKB && anyLeft() && !neverAsk &&
      ask(kReclaimText, kReclaimCaption, ui::kMbOkCancel | ui::kMbIconQuestion) == ui::kIdOk) {
    while (totalKB <= wantedKB && anyLeft()) {
      for (UndoNode* node : undoState().nodes) {
        if (!canDrop(node)) continue;
        addFreed(UndoDropOldest(node));
        if (totalKB > wantedKB) break;
      }
    }
  }
  return totalKB;
}

int UndoNeedSpace() {
  if (!undoState().enabled) return 0;
  return UndoReclaim(1000, false) > 0 ? 1 : 0;
}

std::string UndoPurge(int retain, int64_t* freedKB) {
  retain = std::clamp(retain, 1, kUndoMaxRetain);
  undoState().retain = retain;
  for (UndoNode* node : undoState().nodes) node->retain = retain;
  int64_t kb = UndoReclaim(4000000, true);
  if (freedKB) *freedKB = kb;
  char text[200];
  if (retain == 1)
    std::snprintf(text, sizeof text,
                  "Freed %ldK within Sorn Edit's file system while retaining the last undo action", long(kb));
  else
    std::snprintf(text, sizeof text,
                  "Freed %ldK within Sorn Edit's file system while retaining last %ld undo actions", long(kb),
                  long(retain));
  return text;
}

std::string UndoMenuText(const UndoNode* node, bool* enabled) {
  // Greyed also when the node holds no level: there is nothing Undo could do.
  bool on = undoState().enabled && node && node->state > 0 && !node->empty();
  if (enabled) *enabled = on;
  if (!undoState().enabled) return kUndoDisabled;
  if (!on) return kCantUndo;
  return node->levels.back().title;
}

void UndoReset() {
  while (!undoState().nodes.empty()) UndoFreeNode(undoState().nodes.front());
  undoState().capacity = kUndoDefaultCapacity;
  undoState().retain = kUndoDefaultRetain;
  undoState().enabled = true;
  undoState().lastCommand = 0;
  undoState().ui = UndoUi();
}

}  // namespace storage
