// The new-wave dialog's decisions; see new_wave_dialog.h.
#include "shell/new_wave_dialog.h"

#include <cstdio>

#include "document/wave_format.h"

namespace shell {

std::string NewWaveTitle(int mode) {
  switch (mode & 0xF) {
    case kNewWaveAdjustRate:
      return "Adjust Sample Rate";
    case kNewWaveFilePaste:
      return "File Paste Sample Rate";
    case kNewWaveRawOpen:
      return "Open Raw PCM files As";
    case kNewWaveInterpret:
      return "Interpret Sample Format As";
    case kNewWaveOpenAs:
      return "Open File(s) As";
    default:
      return "New Wave";
  }
}

std::string NewWaveNote(int mode) {
  switch (mode & 0xF) {
    case kNewWaveAdjustRate:
      return "FYI: To adjust bit rate or channels, open file as Raw PCM accordingly.";
    case kNewWaveFilePaste:
      return "Please enter the information for pasting RAW data";
    default:
      return std::string();
  }
}

const std::vector<std::string>& NewWaveRates() {
  static const std::vector<std::string> rates = {"48000", "44100", "32075", "32000", "22050",
                                                 "16000", "11025", "8000",  "6000"};
  return rates;
}

std::string InitialRateText(int32_t rate) {
  return rate > 0 ? std::to_string(rate) : std::string("44100");
}

bool ParseRateText(const std::string& text, uint32_t* rate) {
  size_t i = 0, n = text.size();
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  while (n > i && (text[n - 1] == ' ' || text[n - 1] == '\t')) --n;
  if (i == n) return false;
  uint64_t v = 0;
  for (; i < n; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + uint64_t(text[i] - '0');
    if (v > document::kMaxSampleRate) return false;  // also stops overflow of long digit runs
  }
  if (v == 0) return false;
  *rate = uint32_t(v);
  return true;
}

int RateListIndex(const std::string& text) {
  uint32_t rate = 0;
  if (!ParseRateText(text, &rate)) return -1;
  const std::vector<std::string>& rates = NewWaveRates();
  for (size_t i = 0; i < rates.size(); ++i)
    if (std::to_string(rate) == rates[i]) return int(i);
  return -1;
}

std::string TryAsFormatText(const std::string& formatName) {
  return "Try to read as \"" + formatName + "\" anyway";
}

NewWaveControls NewWaveControlStates(const NewWaveRequest& request, bool tryChecked) {
  NewWaveControls c;
  c.tryBox = !request.formatName.empty();
  const bool formatOn = !(c.tryBox && tryChecked);
  c.rate = formatOn && request.rate != kNewWaveAbsent;
  // Adjust Sample Rate changes the rate alone: the bits and channels are shown as they are, unchangeable
  // (its note says how to read the samples as another format).
  const bool rateOnly = (request.mode & 0x0F) == kNewWaveAdjustRate;
  c.bits = formatOn && !rateOnly && request.bits != kNewWaveAbsent;
  c.channels = formatOn && !rateOnly && request.channels != kNewWaveAbsent;
  return c;
}

bool FinishNewWave(const NewWaveRequest& request, const std::string& rateText, bool bits16, bool stereo,
                   bool tryChecked, NewWaveAnswer* answer, std::string* error) {
  NewWaveAnswer a;
  a.readAsFormat = !request.formatName.empty() && tryChecked;
  const NewWaveControls c = NewWaveControlStates(request, tryChecked);
  // Inputs the dialog did not let the user change come back as they were given.
  if (c.rate) {
    if (!ParseRateText(rateText, &a.rate)) {
      char text[160];
      std::snprintf(text, sizeof text, "Please enter a sample rate from 1 to %lu Hz.",
                    static_cast<unsigned long>(document::kMaxSampleRate));
      *error = text;
      return false;
    }
  } else {
    a.rate = request.rate > 0 ? uint32_t(request.rate) : 0;
  }
  a.rateText = std::to_string(a.rate);
  a.bits = c.bits ? uint16_t(bits16 ? 16 : 8) : uint16_t(request.bits > 0 ? request.bits : 0);
  a.channels = c.channels ? uint16_t(stereo ? 2 : 1) : uint16_t(request.channels > 0 ? request.channels : 0);
  a.blockAlign = uint16_t(a.channels * a.bits / 8);
  *answer = a;
  return true;
}

}  // namespace shell
