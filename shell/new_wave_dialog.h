// The new-wave dialog (dialog resource 157): the sample rate, bits and channels of a wave about to be made
// or read. New, Open As, Adjust Sample Rate, raw PCM files and file paste share it; its mode picks the
// title and a note. This header holds what the dialog decides (titles, the rate list and how the edit
// field and the list follow each other, which controls are usable, what OK returns), so it is tested
// without a window; new_wave_dialog_win.cpp is the dialog itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace shell {

// Modes (low 4 bits of the mode value).
constexpr int kNewWaveNew = 0;
constexpr int kNewWaveAdjustRate = 1;
constexpr int kNewWaveFilePaste = 2;
constexpr int kNewWaveRawOpen = 3;
constexpr int kNewWaveInterpret = 4;
constexpr int kNewWaveOpenAs = 5;

// An input that the caller does not have: its controls are disabled.
constexpr int32_t kNewWaveAbsent = -1;

// What the caller hands the dialog.
struct NewWaveRequest {
  int mode = kNewWaveNew;
  int32_t rate = 44100;  // kNewWaveAbsent disables the rate list; 0 shows 44100
  int32_t bits = 16;     // 8 or 16 (anything else shows 16); kNewWaveAbsent disables the bit buttons
  int32_t channels = 2;  // 1 or 2; kNewWaveAbsent disables mono and stereo
  int32_t blockAlign = kNewWaveAbsent;  // carried along; OK recomputes it
  std::string formatName;               // non-empty: offer "Try to read as "<name>" anyway"
};

// What OK gives back.
struct NewWaveAnswer {
  std::string rateText;  // the rate as decimal text
  uint32_t rate = 0;
  uint16_t channels = 0;
  uint16_t bits = 0;
  uint16_t blockAlign = 0;    // channels x bits / 8
  bool readAsFormat = false;  // the "Try to read as" box was checked: the format fields were not used
};

// The title of a mode and its note ("" when the mode has none). Mode 0 and unknown modes are "New Wave".
std::string NewWaveTitle(int mode);
std::string NewWaveNote(int mode);

// The rates of the list, in list order.
const std::vector<std::string>& NewWaveRates();
// The text the rate field starts with: the rate, or "44100" when it is 0 or absent.
std::string InitialRateText(int32_t rate);
// The list entry a typed rate selects, or -1 when none matches.
int RateListIndex(const std::string& text);

// The check box text for a format name.
std::string TryAsFormatText(const std::string& formatName);

// Which controls are usable.
struct NewWaveControls {
  bool rate = true;      // rate edit field and list
  bool bits = true;      // 8-bit and 16-bit buttons (the 32-bit one is always hidden)
  bool channels = true;  // mono and stereo buttons
  bool tryBox = false;   // the "Try to read as" check box is shown
};
NewWaveControls NewWaveControlStates(const NewWaveRequest& request, bool tryChecked);

// A rate typed by the user: decimal digits (blanks around them allowed), 1 .. 1,000,000 Hz.
bool ParseRateText(const std::string& text, uint32_t* rate);

// OK: builds the answer from the controls. bits16 / stereo are the buttons' states. False (message in
// *error) when the rate is unusable; the dialog then stays open.
bool FinishNewWave(const NewWaveRequest& request, const std::string& rateText, bool bits16, bool stereo,
                   bool tryChecked, NewWaveAnswer* answer, std::string* error);

// Shows dialog 157 (Windows only, new_wave_dialog_win.cpp): true and *answer filled on OK, false on
// Cancel. owner: the window the dialog belongs to (HWND).
bool ShowNewWaveDialog(void* owner, const NewWaveRequest& request, NewWaveAnswer* answer);

}  // namespace shell
