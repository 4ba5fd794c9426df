// The editing commands that change the current document's samples directly: select all, zero-cross
// adjust, delete, trim, reverse, invert, silence, generate silence, drawn sample changes and Adjust Sample
// Rate. Each follows the same frame: find the range, save what will change in the undo store, record an
// undo level, change the samples through the sample-transfer layer, count the change, and hand back the
// selection (and, where the command moves it, the view) for the display to show.
//
// No window is touched: questions go through EditUi::ask, progress and the stop button through the
// progress members. The main window maps its state (selection, view, edit channel, script playing) onto
// EditRange and EditUi and applies the EditResult.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "document/document_host.h"
#include "document/wave_document.h"

namespace document {

// What a command hands back. selStart/selEnd follow the selection convention (selEnd = selStart - 1 is a
// cursor) and are meaningful when select is true; the view only when setView is true.
struct EditResult {
  int status = 0;  // kEdit*
  bool select = false;
  uint32_t selStart = 0;
  uint32_t selEnd = 0xFFFFFFFFu;
  bool setView = false;
  uint32_t viewStart = 0;
  uint32_t viewEnd = 0;
  uint32_t frames = 0;  // frames the command changed, inserted or removed
};

// Statuses. 2 and 4 are the results the reverse and invert loops report.
constexpr int kEditOk = 0;
constexpr int kEditNothing = 1;    // no document, no samples or no selection: nothing to do
constexpr int kEditNoMemory = 2;   // the work buffer could not be allocated; nothing changed
constexpr int kEditBadFormat = 4;  // a sample size other than 8, 16 or 32 bits; nothing changed
constexpr int kEditDeclined = 5;   // the undo save was refused or the user said Cancel; nothing changed
constexpr int kEditStopped = 6;    // the stop button ended it midway (the part done stays, undo covers all)
constexpr int kEditShort = 7;      // storage ran out: fewer frames than asked for were inserted
constexpr int kEditBadValue = 8;   // an argument from outside (duration, rate) was refused

// The selection the command acts on, as the display keeps it, plus the visible range (used by the commands
// that fall back to it when nothing is selected) and the edit channel (0 both, 1 left, 2 right; ignored
// for mono documents).
struct EditRange {
  int64_t start = 0;  // selection start, or the cursor
  int64_t end = -1;   // selection end; end < start means nothing is selected
  uint32_t viewStart = 0;
  uint32_t viewEnd = 0;
  int editChannel = 0;
  bool hasSelection() const { return end >= start && start >= 0; }
};

// Message boxes (flags and answers are the Win32 MB_* / ID* values) and the progress window with its
// stop button. Any member may be empty: a question then takes its default answer, progress is not shown.
struct EditUi {
  std::function<int(const std::string& text, const std::string& caption, unsigned flags)> ask;
  std::function<void(const std::string& title)> progressBegin;
  // done/total in frames; returning kDocStop stops the command after the current chunk.
  std::function<int(uint32_t done, uint32_t total)> progressMeter;
  std::function<void()> progressEnd;
  bool scriptPlaying = false;  // a playing script answers for the user: no confirmation questions
};

// The process-wide edit serial: returns the value before adding one (stored in the undo level).
uint32_t NextEditSerial();
uint32_t CurrentEditSerial();
// Back to the value at start (tests).
void ResetEditSerial();

// The range a command that needs one acts on: the selection, else the visible range (view start .. the
// smaller of view end and length - 1). False when the document has no samples or the range is empty.
bool EffectiveRange(const WaveDocument* doc, const EditRange& range, uint32_t* first, uint32_t* last);
// The effective channel: 0 for mono documents, else the range's edit channel.
int EffectiveChannel(const WaveDocument* doc, const EditRange& range);

// 115 Select Entire Wave: 0 .. length - 1 (kEditNothing without samples).
EditResult SelectAll(const WaveDocument* doc);

// 312 / 134 Zero Cross Adjust: moves the selection ends (or the cursor) to zero crossings. Never loops
// forever: a search that stops moving keeps the old bound.
EditResult ZeroCrossAdjust(WaveDocument* doc, const EditRange& range);

// 2200 Delete Selection: removes the selected frames (with one channel edited, silences it instead, as
// 3140 does). The view keeps its width where the shorter wave allows.
EditResult DeleteSelection(WaveDocument* doc, const EditRange& range, const EditUi& ui);

// 2210 Trim: keeps only the selection; two chained undo levels (tail, then head), undone in one step.
EditResult Trim(WaveDocument* doc, const EditRange& range, const EditUi& ui);

// 3080 Reverse and 3100 Invert over the effective range, in the edited channel(s).
EditResult Reverse(WaveDocument* doc, const EditRange& range, const EditUi& ui);
EditResult Invert(WaveDocument* doc, const EditRange& range, const EditUi& ui);

// 3140 Silence: sets the selection to silence in the edited channel(s). With undo off (and no script
// playing) asks first.
EditResult Silence(WaveDocument* doc, const EditRange& range, const EditUi& ui);

// 4100 Generate Silence: replaces the selection (or inserts at the cursor) with round-down(rate x seconds)
// silent frames. seconds must be finite and positive, and the frames must fit the document. The caller
// creates the document first when there is none (as New does).
EditResult GenerateSilence(WaveDocument* doc, const EditRange& range, double seconds, const EditUi& ui);
// The frames a duration gives at a rate; false when the duration is not finite and positive or the count
// does not fit 32 bits.
bool SilenceFrames(double seconds, uint32_t rate, uint32_t* frames);

// 3257 Sample adjustment: the display reports a drawn value v (-1.0 .. 1.0) at frame p in a channel
// (0 mono, 1 left, 2 right). DrawnSampleValue gives the stored value on the 16-bit scale for the bits.
double DrawnSampleValue(double v, uint16_t bits);
EditResult AdjustSample(WaveDocument* doc, uint32_t frame, int channel, double v);

// 109 Adjust Sample Rate: gives the samples a new rate without resampling them (format changes + 1).
// Cue positions are frames and the frames do not move, so cues stay where they are. The undo level holds
// no samples, only the old rate, which Undo puts back.
EditResult AdjustSampleRate(WaveDocument* doc, uint32_t newRate);

// The view after the wave lost frames: keeps its width where the shorter wave allows, widening to the
// right up to the last frame, then to the left; the whole wave when it is narrower than the view.
void ViewAfterShrink(uint32_t viewStart, uint32_t viewEnd, uint32_t length, uint32_t* outStart,
                     uint32_t* outEnd);

// Shared by the clipboard and paste code: the undo record of the document's current format.
storage::UndoRecord EditRecord(const WaveDocument* doc, int32_t command, int editChannel, uint32_t start,
                               uint32_t end, const char* title, uint32_t editSerial);

}  // namespace document
