/* The length-changing probe: XfmDo makes its range "newlen" frames long (default half), cutting or inserting
 * silence at the range's end, and reports the new end in context 20. */
#include "plugins/probes/probe_common.h"

uint32_t XFMAPI QueryXfm(XfmInfo* info) {
  probe_log("query len");
  strcpy(info->name, "Probes\\Length Probe");
  strcpy(info->copyright, "Length probe");
  strcpy(info->description, "Changes the length of the selection");
  info->formatMask = 0x3f;
  info->flags = XFM_TRANSFORM | XFM_NATIVE_FORMAT | XFM_CHANGES_LENGTH;
  info->varsSize = 0;
  return XFM_VERSION;
}

int32_t XFMAPI XfmInit(XfmContext* c) {
  (void)c;
  return 1;
}

int32_t XFMAPI XfmSetup(XfmWindow owner, XfmModule plugin, XfmContext* c) {
  (void)owner;
  (void)plugin;
  (void)c;
  return (int32_t)probe_setting("setup", 1);
}

int32_t XFMAPI XfmDo(XfmContext* c) {
  const long length = (long)c->last - c->first + 1;
  const long want = probe_setting("newlen", length / 2);
  long changed = 0;
  probe_log_context(c, "lendo");
  if (want < length)
    changed = c->vocCutEx(c->file, c->first + want, length - want);
  else if (want > length)
    changed = c->vocInsertEx(c->file, c->first + length, want - length, 1);
  c->last = c->first + want - 1;
  probe_log("len from=%ld to=%ld changed=%ld", length, want, changed);
  return 0;
}

int32_t XFMAPI XfmDestroy(XfmContext* c) {
  (void)c;
  return 1;
}
