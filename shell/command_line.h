// The program's command line: an optional file name, then the options /REGION:start,length, /CLIP,
// /AUTOSAVE and /AUTOPLAY:c. Parsing is pure so it can be tested without a window; the region is kept
// as given and only clamped against the wave once the file is open (clampRegion).
#pragma once

#include <cstdint>
#include <string>

namespace shell {

struct CommandLine {
  std::string fileName;         // first token when the line does not begin with '/', as written
  bool hasRegion = false;       // a well-formed /REGION: with a length of at least one sample
  int32_t regionStart = 0;      // as given (may be negative or past the end until clamped)
  int32_t regionLength = 0;     // > 0 when hasRegion
  bool clipMode = false;        // /CLIP
  bool autosaveMode = false;    // /AUTOSAVE
  char autoplayOverride = ' ';  // upper-cased character after /AUTOPLAY:, blank when none
};

// Tokens are separated by exactly one blank; a token starting with a double quote runs to the next
// double quote (or the end of the line) and the blank after it is skipped. The first empty token ends
// the parsing, so two blanks in a row end the line. Never reads past the terminator.
CommandLine parseCommandLine(const char* line);

// A region selected in a wave: inclusive sample frames start..end.
struct SampleRegion {
  bool valid = false;
  int32_t start = 0;
  int32_t end = -1;
};

// Clamps start..end (inclusive, 64-bit so start + length - 1 cannot overflow) into a wave of waveLength
// frames. A region that is empty, reversed, or lies wholly outside the wave is not valid.
SampleRegion clampRegion(int64_t start, int64_t end, int64_t waveLength);

// Convenience for the command-line form: the region of a parsed line in a wave of waveLength frames.
SampleRegion commandLineRegion(const CommandLine& cl, int64_t waveLength);

}  // namespace shell
