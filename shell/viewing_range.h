// The Viewing Range dialog (3147, "ID_SAMPLESDLG"): the first and last sample of the view, shown and typed
// in the current time format. This header holds the texts and their reading, so they are tested without a
// window; viewing_range_win.cpp is the dialog, which applies the range as a view change (no undo level).
#pragma once

#include <cstdint>
#include <string>

namespace shell {

// A position as the dialog shows it in a time format (display::TimeMode: 0 decimal "m:ss.ddd", 1 samples,
// 2 custom frames "m:ss:ff", 3 SMPTE drop frame "m:ss:ff" at 29.97 frames per second).
std::string FormatViewPosition(int64_t frame, uint32_t rate, int timeMode, int timeCodeFrames);

// Reads a typed position: the first sample whose text in the format is the one typed. Decimal also takes
// plain seconds ("12.5") and "m:ss"; the frame formats take "m:ss:ff" or "ss:ff". Blanks around are
// allowed. False for anything else, or a position past 2^31 samples.
bool ParseViewPosition(const std::string& text, uint32_t rate, int timeMode, int timeCodeFrames,
                       int64_t* frame);

// The name of a format for the dialog's labels ("Decimal (m:ss.ddd)", "Samples", ...).
std::string ViewFormatName(int timeMode);

// OK: both texts read and lie in the wave (0 .. length - 1), the first before the last. Otherwise false with
// the message to show.
bool ReadViewingRange(const std::string& startText, const std::string& endText, uint32_t rate, int timeMode,
                      int timeCodeFrames, uint32_t length, int64_t* first, int64_t* last, std::string* error);

}  // namespace shell
