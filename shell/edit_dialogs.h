// The decisions of the Generate Silence and Mix Paste dialogs that are more than moving values between
// controls: reading and checking what was typed, and the [Silence] / [Paste Special] settings as the
// paste code's record. The dialog procedures are silence_dialog_win.cpp and paste_special_dialog_win.cpp.
#pragma once

#include <cstdint>
#include <string>

#include "document/mix_paste.h"
#include "shell/settings.h"

namespace shell {

// A number as the dialogs show it ("%g").
std::string FormatDialogNumber(double v);
// A number typed into a field: the whole text (blanks around it allowed) must be one finite number.
bool ParseDialogNumber(const std::string& text, double* value);

// Generate Silence's duration, checked against the document it goes into: rate in frames per second,
// blockAlign bytes per frame, keptFrames the frames that stay (length minus the selection it replaces).
enum class SilenceCheck {
  Ok,
  NotANumber,
  TooShort,  // not positive, or less than one frame
  TooLong,   // the frames, or the wave with them, would not fit the 32-bit byte addresses
};
SilenceCheck CheckSilenceDuration(const std::string& text, uint32_t rate, uint32_t blockAlign,
                                  uint32_t keptFrames, double* seconds);
// The message shown for a refused duration.
std::string SilenceCheckMessage(SilenceCheck c);

// The duration the dialog opens with: the last one used, or [Silence] Duration; 10 seconds when that is
// not a positive finite number.
double InitialSilenceDuration(const Settings& s);

// The volume fields: a percentage of at least 0 (the sign is the Invert box). The scroll bars run 0..200.
bool ParsePercent(const std::string& text, double* percent);
int PercentScrollPos(double percent);
// A volume scroll bar's position after a scroll code (the Win32 SB_* values: 0/1 a line, 2/3 a page of 10,
// 4/5 the thumb, 6/7 the ends), kept within 0..200; -1 for codes that do not move it (SB_ENDSCROLL).
int VolumeScrollPos(int code, int pos, int thumb);

// [Paste Special] <-> the paste record. Values a hand-edited file made unusable fall back to the defaults
// (volumes 1.0, crossfade 50 ms, loops at least 1). The run-time part (modulate, source, file, lock) is
// not stored, so LoadPasteSettings leaves it as it is.
void LoadPasteSettings(const Settings& s, document::PasteSpecialSettings* p);
void StorePasteSettings(const document::PasteSpecialSettings& p, Settings* s);

}  // namespace shell
