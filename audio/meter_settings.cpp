// "Meter" settings and the meter's context-menu commands (see meter_settings.h).
#include "audio/meter_settings.h"

#include <cstdio>

#include "platform/profile.h"
#include "resources/command_ids.h"

namespace audio {

const char kMeterSection[] = "Meter";

namespace {

struct Key {
  const char* name;
  int MeterSettings::*field;
};
const Key kKeys[] = {
    {"ShowOnPlay", &MeterSettings::showOnPlay},   {"DCAdjust", &MeterSettings::dcAdjust},
    {"ShowValleys", &MeterSettings::showValleys}, {"Range", &MeterSettings::range},
    {"FadeTime", &MeterSettings::fadeTime},       {"PeakTime", &MeterSettings::peakTime},
    {"ValleyTime", &MeterSettings::valleyTime},
};

// The range each range command selects.
int RangeOf(int command) {
  switch (command) {
    case IDM_METER_RANGE_90:
      return 90;
    case IDM_METER_RANGE_75:
      return 75;
    case IDM_METER_RANGE_60:
      return 60;
    case IDM_METER_RANGE_45:
      return 45;
    case IDM_METER_RANGE_30:
      return 30;
    default:
      return 0;
  }
}

}  // namespace

MeterSettings MeterLoadSettings(const char* file) {
  MeterSettings s;
  for (const Key& k : kKeys) s.*k.field = platform::profileGetInt(kMeterSection, k.name, s.*k.field, file);
  return MeterSettingsSanitized(s);
}

bool MeterSaveSettings(const MeterSettings& s, const char* file) {
  bool ok = true;
  for (const Key& k : kKeys) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", s.*k.field);
    ok = platform::profileWriteString(kMeterSection, k.name, text, file) && ok;
  }
  return ok;
}

bool MeterMenuChecked(const MeterSettings& s, int command) {
  switch (command) {
    case IDM_METER_SHOW_ON_PLAY:
      return s.showOnPlay != 0;
    case IDM_METER_ADJUST_DC:
      return s.dcAdjust != 0;
    case IDM_METER_VALLEYS:
      return s.showValleys != 0;
    case IDM_METER_DYNAMIC:
      return s.peakTime != 0;
    case IDM_METER_STATIC:
      return s.peakTime == 0;
    default:
      return RangeOf(command) != 0 && RangeOf(command) == s.range;
  }
}

void MeterSetShowOnPlay(MeterState* m, bool on, uint32_t now, MeterPaintList* ops) {
  m->settings.showOnPlay = on ? 1 : 0;
  if (!on) MeterSetLevels(m, -1, -1, now, ops);
}

MeterCommandResult MeterCommand(MeterState* m, int command, uint32_t now, MeterPaintList* ops) {
  MeterCommandResult r;
  r.handled = true;
  MeterSettings& s = m->settings;
  switch (command) {
    case IDM_METER_START_STOP:
      r.startStop = true;
      break;
    case IDM_METER_SHOW_ON_PLAY:
      MeterSetShowOnPlay(m, s.showOnPlay == 0, now, ops);
      break;
    case IDM_METER_CLEAR_CLIP:
      MeterClearClips(m, ops);
      break;
    case IDM_METER_ADJUST_DC:
      MeterSetDcAdjust(m, s.dcAdjust == 0);
      r.dcNotify = s.dcAdjust ? kMeterNotifyDcOn : kMeterNotifyDcOff;
      break;
    case IDM_METER_VALLEYS:
      s.showValleys = s.showValleys ? 0 : 1;
      for (MeterChannel& ch : m->ch) ch.valley = kMeterValleyForgotten;
      r.repaint = true;
      break;
    case IDM_METER_DYNAMIC:
    case IDM_METER_STATIC:
      s.peakTime = command == IDM_METER_DYNAMIC ? kMeterDefaultPeakTime : 0;
      s.valleyTime = command == IDM_METER_DYNAMIC ? kMeterDefaultValleyTime : 0;
      break;
    default:
      if (RangeOf(command) == 0) return MeterCommandResult{};
      MeterSetRange(m, RangeOf(command));
      r.repaint = true;
      break;
  }
  return r;
}

}  // namespace audio
