// Dialog decisions of Generate Silence and Mix Paste (see edit_dialogs.h).
#include "shell/edit_dialogs.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "document/edit_ops.h"

namespace shell {

std::string FormatDialogNumber(double v) {
  char text[40];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

bool ParseDialogNumber(const std::string& text, double* value) {
  const char* p = text.c_str();
  while (*p == ' ' || *p == '\t') ++p;
  if (!*p) return false;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(p, &end);
  if (end == p || errno == ERANGE) return false;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

SilenceCheck CheckSilenceDuration(const std::string& text, uint32_t rate, uint32_t blockAlign,
                                  uint32_t keptFrames, double* seconds) {
  double v = 0;
  if (!ParseDialogNumber(text, &v)) return SilenceCheck::NotANumber;
  if (!(v > 0)) return SilenceCheck::TooShort;
  if (!(std::floor(double(rate) * v) >= 1)) return SilenceCheck::TooShort;
  uint32_t frames = 0;
  if (!document::SilenceFrames(v, rate, &frames)) return SilenceCheck::TooLong;  // beyond 32 bits
  const uint64_t bytes = (uint64_t(keptFrames) + frames) * (blockAlign ? blockAlign : 1);
  if (bytes > 0xFFFFFFFFull) return SilenceCheck::TooLong;
  *seconds = v;
  return SilenceCheck::Ok;
}

std::string SilenceCheckMessage(SilenceCheck c) {
  switch (c) {
    case SilenceCheck::NotANumber:
      return "Please enter the duration of the silence in seconds.";
    case SilenceCheck::TooShort:
      return "The duration is too short: it must give at least one sample.";
    case SilenceCheck::TooLong:
      return "The duration is too long: the wave cannot hold that much silence.";
    default:
      return "";
  }
}

double InitialSilenceDuration(const Settings& s) {
  const double d = s.silenceDuration;
  return std::isfinite(d) && d > 0 ? d : 10.0;
}

bool ParsePercent(const std::string& text, double* percent) {
  double v = 0;
  if (!ParseDialogNumber(text, &v) || v < 0) return false;
  *percent = v;
  return true;
}

int PercentScrollPos(double percent) {
  if (!(percent > 0)) return 0;
  if (percent >= 200) return 200;
  return int(std::lround(percent));
}

int VolumeScrollPos(int code, int pos, int thumb) {
  switch (code) {
    case 0:  // SB_LINELEFT
      pos -= 1;
      break;
    case 1:  // SB_LINERIGHT
      pos += 1;
      break;
    case 2:  // SB_PAGELEFT
      pos -= 10;
      break;
    case 3:  // SB_PAGERIGHT
      pos += 10;
      break;
    case 4:  // SB_THUMBPOSITION
    case 5:  // SB_THUMBTRACK
      pos = thumb;
      break;
    case 6:  // SB_LEFT
      pos = 0;
      break;
    case 7:  // SB_RIGHT
      pos = 200;
      break;
    default:
      return -1;
  }
  return pos < 0 ? 0 : pos > 200 ? 200 : pos;
}

namespace {
double finiteOr(double v, double fallback) {
  return std::isfinite(v) ? v : fallback;
}
}  // namespace

void LoadPasteSettings(const Settings& s, document::PasteSpecialSettings* p) {
  p->leftVolume = finiteOr(s.pasteLeft, 1.0);
  p->rightVolume = finiteOr(s.pasteRight, 1.0);
  p->crossfadeMs = std::isfinite(s.crossfadeTime) && s.crossfadeTime >= 0 ? s.crossfadeTime : 50.0;
  p->loops = std::isfinite(s.loops) && s.loops >= 1 ? s.loops : 1.0;
  p->overlap = s.overlap != 0;
  p->loop = s.loop != 0;
  p->crossfade = s.crossfade != 0;
}

void StorePasteSettings(const document::PasteSpecialSettings& p, Settings* s) {
  s->pasteLeft = p.leftVolume;
  s->pasteRight = p.rightVolume;
  s->crossfadeTime = p.crossfadeMs;
  s->loops = p.loops;
  s->overlap = p.overlap ? 1 : 0;
  s->loop = p.loop ? 1 : 0;
  s->crossfade = p.crossfade ? 1 : 0;
}

}  // namespace shell
