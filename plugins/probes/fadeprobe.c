/* The cross-fade probe: a transform whose description asks for the auto-crossfade. XfmDo writes the value
 * "level" (default 16000) as 32-bit samples over its range in blocks of "block" frames (default 1000), so the
 * host's fade in from and back to the existing audio shows in the saved file. */
#include "plugins/probes/probe_common.h"

uint32_t XFMAPI QueryXfm(XfmInfo* info) {
  probe_log("query fade");
  strcpy(info->name, "Probes\\Fade Probe");
  strcpy(info->copyright, "Fade probe");
  strcpy(info->description, "Writes a constant, cross-faded");
  info->formatMask = 0x3f;
  info->flags = XFM_TRANSFORM | XFM_NATIVE_FORMAT | XFM_CROSSFADE;
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
  return 1;
}

int32_t XFMAPI XfmDo(XfmContext* c) {
  static float buf[2 * 4096];
  const float level = (float)probe_setting("level", 16000);
  long block = probe_setting("block", 1000), pos, written = 0;
  const int ch = c->channels == 2 ? 2 : 1;
  int i;
  if (block < 1 || block > 4096) block = 1000;
  probe_log_context(c, "fadedo");
  for (pos = c->first; pos <= c->last; pos += block) {
    const long n = c->last - pos + 1 < block ? c->last - pos + 1 : block;
    for (i = 0; i < n * ch; ++i) buf[i] = level;
    written += c->vocWriteEx(c->file, buf, pos, n,
                             (ch == 2 ? XFM_IO_STEREO : XFM_IO_MONO) | XFM_IO_32BIT | XFM_IO_CLIP);
  }
  probe_log("fade written=%ld", written);
  return 0;
}

int32_t XFMAPI XfmDestroy(XfmContext* c) {
  (void)c;
  return 1;
}
