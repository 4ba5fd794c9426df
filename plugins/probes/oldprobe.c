/* The old-layout probe: version 1100, so it fills the 296-byte record of the old contract; the host must
 * move every field to its new place. Its XfmDo logs the fields where the host's table entry (context 28)
 * holds them, and its XfmInit logs whether every service slot was filled (CreateXfmVars too must give a
 * full context); it then inverts its range through the old byte-addressed sample accessors. The block is 8
 * bytes of 'l' fields. */
#include "plugins/probes/probe_common.h"

uint32_t XFMAPI QueryXfm(XfmInfo* info) {
  uint8_t* r = (uint8_t*)info;
  uint16_t mask = 0x0f;
  uint32_t flags = XFM_TRANSFORM, size = 8;
  probe_log("query old");
  strcpy((char*)r + XFM_OLD_NAME_AT, "Probes\\Old Probe");
  strcpy((char*)r + XFM_OLD_COPYRIGHT_AT, "Old probe copyright");
  strcpy((char*)r + XFM_OLD_DESCRIPTION_AT, "Old layout record");
  memcpy(r + XFM_OLD_FORMAT_MASK_AT, &mask, 2);
  memcpy(r + XFM_OLD_FLAGS_AT, &flags, 4);
  memcpy(r + XFM_OLD_VARS_SIZE_AT, &size, 4);
  strcpy((char*)r + XFM_OLD_TYPES_AT, "ll");
  strcpy((char*)r + XFM_OLD_PRESETS_AT, "yn");
  return 1100;
}

int32_t XFMAPI XfmInit(XfmContext* c) {
  int32_t* v = (int32_t*)GlobalLock(c->vars);
  if (!v) return 0;
  v[0] = 11;
  v[1] = 22;
  GlobalUnlock(c->vars);
  probe_check_slots(c, "oldinit");
  return 1;
}

int32_t XFMAPI XfmSetup(XfmWindow owner, XfmModule plugin, XfmContext* c) {
  (void)owner;
  (void)plugin;
  (void)c;
  return 1;
}

/* Inverts the range through the old byte-addressed accessors (16-bit: ~v, 8-bit: 255 - v). */
static void invert(XfmContext* c) {
  static uint8_t buf[4096];
  const long fb = c->frameBytes ? c->frameBytes : 1;
  const long chunk = (long)sizeof buf / fb;
  long pos, frames = 0, bad = 0;
  for (pos = c->first; pos <= c->last; pos += chunk) {
    long n = c->last - pos + 1 < chunk ? c->last - pos + 1 : chunk, i;
    uint32_t r = c->vocReadOld(buf, (int32_t)(pos * fb), (int32_t)(n * fb));
    if (r & 0xFFFF) ++bad;
    if (c->bits == 8) {
      for (i = 0; i < n * fb; ++i) buf[i] = (uint8_t)(255 - buf[i]);
    } else {
      int16_t* v = (int16_t*)buf;
      for (i = 0; i < n * fb / 2; ++i) v[i] = (int16_t)~v[i];
    }
    r = c->vocWriteAtOld(buf, (int32_t)(pos * fb), (int32_t)(n * fb));
    if (r & 0xFFFF) ++bad;
    frames += n;
  }
  probe_log("old inverted frames=%ld bad=%ld", frames, bad);
}

int32_t XFMAPI XfmDo(XfmContext* c) {
  const uint8_t* e = (const uint8_t*)c->entry;
  uint16_t mask, word444;
  uint32_t flags, size;
  memcpy(&mask, e + 240, 2);
  memcpy(&flags, e + 244, 4);
  memcpy(&size, e + 248, 4);
  memcpy(&word444, e + 444, 2);
  probe_log(
      "entry "
      "name=%s|copyright=%s|description=%s|mask=0x%x|flags=0x%lx|size=%lu|types=%s|presets=%s|word444=%u|"
      "file=%s",
      (const char*)e, (const char*)e + 80, (const char*)e + 160, mask, (unsigned long)flags,
      (unsigned long)size, (const char*)e + 252, (const char*)e + 348, word444, (const char*)e + 448);
  probe_log_context(c, "olddo");
  probe_call_all(c, 50);
  invert(c);
  return 0;
}

int32_t XFMAPI XfmDestroy(XfmContext* c) {
  (void)c;
  return 1;
}
