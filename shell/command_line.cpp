// Command-line parsing for sorn96 (see command_line.h for the rules).
#include "shell/command_line.h"

#include "ui/settings_source.h"

#include <cctype>
#include <vector>

namespace shell {
namespace {

std::vector<std::string> splitTokens(const char* line) {
  std::vector<std::string> tokens;
  const char* p = line;
  while (true) {
    std::string tok;
    if (*p == '"') {
      const char* q = p + 1;
      while (*q && *q != '"') ++q;
      tok.assign(p + 1, q);
      p = *q ? q + 1 : q;  // past the closing quote, if there was one
      if (*p == ' ') ++p;
    } else {
      const char* q = p;
      while (*q && *q != ' ') ++q;
      tok.assign(p, q);
      p = *q ? q + 1 : q;
    }
    if (tok.empty()) break;
    tokens.push_back(std::move(tok));
  }
  return tokens;
}

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool startsWith(const std::string& s, const char* prefix) {
  return s.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}


// "/REGION:start,length". Without a comma, without digits, or with a length below one there is no region.
void parseRegion(const std::string& tok, CommandLine* cl) {
  size_t colon = tok.find(':');
  size_t comma = tok.find(',');
  if (colon == std::string::npos || comma == std::string::npos || comma < colon) return;
  int32_t start = 0, length = 0;
  if (!ui::readDecimal(tok.c_str() + colon + 1, &start)) return;
  if (!ui::readDecimal(tok.c_str() + comma + 1, &length) || length < 1) return;
  cl->hasRegion = true;
  cl->regionStart = start;
  cl->regionLength = length;
}

}  // namespace

CommandLine parseCommandLine(const char* line) {
  CommandLine cl;
  if (!line) return cl;
  std::vector<std::string> tokens = splitTokens(line);
  size_t first = 0;
  if (line[0] != '/' && !tokens.empty()) {
    cl.fileName = tokens[0];
    first = 1;
  }
  for (size_t i = first; i < tokens.size(); ++i) {
    std::string tok = upper(tokens[i]);
    if (startsWith(tok, "/REGION:")) {
      parseRegion(tok, &cl);
    } else if (tok == "/CLIP") {
      cl.clipMode = true;
    } else if (tok == "/AUTOSAVE") {
      cl.autosaveMode = true;
    } else if (startsWith(tok, "/AUTOPLAY:")) {
      size_t colon = tok.find(':');
      char c = colon + 1 < tok.size() ? tok[colon + 1] : ' ';
      cl.autoplayOverride = c;
    }
  }
  return cl;
}

SampleRegion clampRegion(int64_t start, int64_t end, int64_t waveLength) {
  SampleRegion r;
  if (waveLength <= 0 || end < start || end < 0 || start >= waveLength) return r;
  if (start < 0) start = 0;
  if (end > waveLength - 1) end = waveLength - 1;
  if (end > INT32_MAX) end = INT32_MAX;  // sample positions are 32-bit
  if (start > end) return r;
  r.valid = true;
  r.start = static_cast<int32_t>(start);
  r.end = static_cast<int32_t>(end);
  return r;
}

SampleRegion commandLineRegion(const CommandLine& cl, int64_t waveLength) {
  if (!cl.hasRegion) return SampleRegion{};
  int64_t start = cl.regionStart;
  return clampRegion(start, start + cl.regionLength - 1, waveLength);
}

}  // namespace shell
