// The status fields under the waveform: wave format, length, size, and the selection's begin, end and
// length, each in the time format the user chose. A plain function of the document's numbers, so the
// window code only copies the texts into the status bar.
#pragma once

#include <cstdint>
#include <string>

namespace display {

struct StatusInput {
  bool hasDocument = false;
  uint32_t rate = 0;
  int bits = 16;
  int channels = 1;
  int64_t length = 0;     // frames
  int64_t fileBytes = 0;  // bytes of the wave's virtual file
  int64_t selStart = 0;   // inclusive; selEnd < selStart is an empty selection (a cursor)
  int64_t selEnd = -1;
  int64_t firstVisible = 0;  // first and last whole visible sample
  int64_t lastVisible = -1;
  int64_t timeOffset = 0;  // added to positions (Beg, End), not to lengths
  int timeMode = 0;        // lengths (Time field)
  int loTimeMode = 0;      // positions and the selection begin
  int hiTimeMode = 0;      // the selection end
  int timeCodeFrames = 30;
};

struct StatusTexts {
  std::string format, length, size, beg, end, time;
};

StatusTexts FormatStatus(const StatusInput& in);

// A position in one of the four time modes, as the status fields and the play position show it:
// decimal time, "%ld" samples, custom frames or drop frame.
std::string FormatPosition(int64_t frames, uint32_t rate, int mode, int timeCodeFrames);

}  // namespace display
