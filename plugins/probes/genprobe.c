/* The generator probe: XfmSetup asks for "gen" frames (replacing the selection when "replace" is 1) and
 * XfmDo writes "produce" of them (default all), a known 16-bit pattern: frame k of channel ch is
 * ((k * 7 + ch * 1000) mod 20000) - 10000. */
#include "plugins/probes/probe_common.h"

uint32_t XFMAPI QueryXfm(XfmInfo* info) {
  probe_log("query gen");
  strcpy(info->name, "Probes\\Generator Probe");
  strcpy(info->copyright, "Generator probe");
  strcpy(info->description, "Writes a pattern");
  info->formatMask = 0x3f;
  info->flags = XFM_GENERATE | XFM_NATIVE_FORMAT;
  info->varsSize = 4;
  strcpy(info->types, "l");
  strcpy(info->presets, "y");
  return XFM_VERSION;
}

int32_t XFMAPI XfmInit(XfmContext* c) {
  (void)c;
  return 1;
}

int32_t XFMAPI XfmSetup(XfmWindow owner, XfmModule plugin, XfmContext* c) {
  (void)owner;
  (void)plugin;
  c->generateCount = (int32_t)probe_setting("gen", 1000);
  c->generateReplace = (int32_t)probe_setting("replace", 1);
  probe_log_context(c, "gensetup");
  return (int32_t)probe_setting("setup", 1);
}

int32_t XFMAPI XfmDo(XfmContext* c) {
  const long want = probe_setting("produce", c->generateCount);
  const int ch = c->channels == 2 ? 2 : 1;
  int16_t buf[2 * 256];
  long done = 0, written = 0;
  probe_log_context(c, "gendo");
  probe_check_slots(c, "gendo");
  probe_call_all(c, 50);
  while (done < want) {
    int n = want - done > 256 ? 256 : (int)(want - done), k, j;
    for (k = 0; k < n; ++k)
      for (j = 0; j < ch; ++j) buf[k * ch + j] = (int16_t)(((done + k) * 7 + j * 1000) % 20000 - 10000);
    written += c->vocWriteEx(c->file, buf, c->first + done, n,
                             (ch == 2 ? XFM_IO_STEREO : XFM_IO_MONO) | XFM_IO_16BIT | c->writeMask);
    done += n;
  }
  probe_log("gen produced=%ld written=%ld", done, written);
  return (int32_t)done;
}

int32_t XFMAPI XfmDestroy(XfmContext* c) {
  (void)c;
  return 1;
}
