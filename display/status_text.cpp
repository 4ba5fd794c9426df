// Status field texts.
#include "display/status_text.h"

#include <cstdio>

#include "display/time_format.h"

namespace display {
namespace {

std::string Number(const char* format, long long v) {
  char text[64];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

// " Beg: ..." / " End: ..." with the suffix of the mode: none, " f" for custom frames, " d" for drop.
std::string PositionField(const char* name, int64_t frames, const StatusInput& in, int mode) {
  std::string text = std::string(" ") + name + ": ";
  switch (mode) {
    case kTimeSamples:
      return text + Number("%lld", frames);
    case kTimeCustomFrames:
      return text + FormatFrameTime(frames, in.rate, in.timeCodeFrames, false, false) + " f";
    case kTimeSmpteDrop:
      return text + FormatFrameTime(frames, in.rate, in.timeCodeFrames, true, false) + " d";
    default:
      return text + FormatDecimalTime(frames, in.rate);
  }
}

std::string LengthField(int64_t frames, const StatusInput& in) {
  switch (in.timeMode) {
    case kTimeSamples:
      return " Time: " + Number("%lld", frames);
    case kTimeCustomFrames:
    case kTimeSmpteDrop:
      return " Time: " +
             FormatFrameTime(frames, in.rate, in.timeCodeFrames, in.timeMode == kTimeSmpteDrop, true) +
             " frms";
    default:
      return " Time: " + FormatDecimalTime(frames, in.rate);
  }
}

}  // namespace

std::string FormatPosition(int64_t frames, uint32_t rate, int mode, int timeCodeFrames) {
  switch (mode) {
    case kTimeSamples:
      return Number(" %lld", frames);
    case kTimeCustomFrames:
    case kTimeSmpteDrop:
      return FormatFrameTime(frames, rate, timeCodeFrames, mode == kTimeSmpteDrop, false);
    default:
      return FormatDecimalTime(frames, rate);
  }
}

StatusTexts FormatStatus(const StatusInput& in) {
  StatusTexts t;
  if (!in.hasDocument) {
    t.beg = " Beg:";
    t.end = " End:";
    t.time = " Time:";
    return t;
  }
  t.format = " " + Number("%lld / ", in.rate) + Number("%lld bit / ", in.bits) +
             (in.channels == 2 ? "Stereo" : "Mono");
  t.length = Number(" %lld Samples", in.length);
  t.size = Number(" %lld K", in.fileBytes / 1024);
  t.beg = PositionField("Beg", in.selStart + in.timeOffset, in, in.loTimeMode);
  const bool empty = in.selEnd < in.selStart;
  t.end = empty ? " End:" : PositionField("End", in.selEnd + in.timeOffset, in, in.hiTimeMode);
  const int64_t span = empty ? in.lastVisible - in.firstVisible + 1 : in.selEnd - in.selStart + 1;
  t.time = LengthField(span < 0 ? 0 : span, in);
  return t;
}

}  // namespace display
