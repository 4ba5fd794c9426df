/* What the test probes share: a log file beside the plug-in ("<name>.log"), a control file the tests write
 * ("<name>.cmd": key=value lines), and the check of every context slot against the program's export of
 * that name, each slot called many times with the stack pointer compared around every call, so a service
 * that pops the wrong number of bytes is reported (and would crash a real plug-in). Written only from the
 * contract header. */
#ifndef PROBE_COMMON_H
#define PROBE_COMMON_H

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "include/xfm_abi.h"

static HINSTANCE g_probe_module;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) g_probe_module = instance;
  return TRUE;
}

/* The plug-in's path with its extension replaced. */
static __attribute__((unused)) void probe_path(const char* ext, char* out, size_t size) {
  char* dot;
  GetModuleFileNameA(g_probe_module, out, (DWORD)size);
  dot = strrchr(out, '.');
  if (dot && (size_t)(dot - out) + strlen(ext) < size) strcpy(dot, ext);
}

static __attribute__((unused)) void probe_log(const char* fmt, ...) {
  char path[MAX_PATH];
  FILE* f;
  va_list ap;
  probe_path(".log", path, sizeof path);
  f = fopen(path, "a");
  if (!f) return;
  va_start(ap, fmt);
  vfprintf(f, fmt, ap);
  va_end(ap);
  fputc('\n', f);
  fclose(f);
}

/* The value of key in the control file, or def. */
static __attribute__((unused)) long probe_setting(const char* key, long def) {
  char path[MAX_PATH], line[256];
  FILE* f;
  long v = def;
  size_t n = strlen(key);
  probe_path(".cmd", path, sizeof path);
  f = fopen(path, "r");
  if (!f) return def;
  while (fgets(line, sizeof line, f))
    if (strncmp(line, key, n) == 0 && line[n] == '=') v = strtol(line + n + 1, NULL, 10);
  fclose(f);
  return v;
}

/* ---- Every slot against the program's exports ---- */

struct probe_slot {
  const char* name;
  size_t offset;
};
#define PROBE_SLOT(n) \
  { #n, offsetof(XfmContext, n) }
static const struct probe_slot g_probe_slots[] = {PROBE_SLOT(cwCenter),
                                                  PROBE_SLOT(progressMeter),
                                                  PROBE_SLOT(progressCreate),
                                                  PROBE_SLOT(progressDestroy),
                                                  PROBE_SLOT(presetsInitIni),
                                                  PROBE_SLOT(presetHandlePRESETNAME),
                                                  PROBE_SLOT(HandleID_PRESETS),
                                                  PROBE_SLOT(HandleID_ADD),
                                                  PROBE_SLOT(presetHandleDEL),
                                                  PROBE_SLOT(graphapiCreate),
                                                  PROBE_SLOT(graphapiCount),
                                                  PROBE_SLOT(graphapiGetPoint),
                                                  PROBE_SLOT(graphapiGetValueAt),
                                                  PROBE_SLOT(graphapiDraw),
                                                  PROBE_SLOT(graphapiClear),
                                                  PROBE_SLOT(graphapiInverse),
                                                  PROBE_SLOT(graphapiDestroy),
                                                  PROBE_SLOT(graphapiWM_LBUTTONDOWN),
                                                  PROBE_SLOT(graphapiWM_LBUTTONUP),
                                                  PROBE_SLOT(graphapiWM_LBUTTONDBLCLK),
                                                  PROBE_SLOT(graphapiWM_MOUSEMOVE),
                                                  PROBE_SLOT(graphapiSetDblClkScales),
                                                  PROBE_SLOT(graphapiSetDblClkNames),
                                                  PROBE_SLOT(graphapiSetDialog),
                                                  PROBE_SLOT(FFT),
                                                  PROBE_SLOT(WindowFFT),
                                                  PROBE_SLOT(IWindowFFT),
                                                  PROBE_SLOT(SetWindowType),
                                                  PROBE_SLOT(getTempName),
                                                  PROBE_SLOT(SetFFT16bit),
                                                  PROBE_SLOT(SetFFT8bit),
                                                  PROBE_SLOT(SetStereoFFT16bit),
                                                  PROBE_SLOT(SetStereoFFT8bit),
                                                  PROBE_SLOT(SetStereoFFT16bitInterleaved),
                                                  PROBE_SLOT(SetStereoFFT8bitInterleaved),
                                                  PROBE_SLOT(GetStereoFFT16bitInterleaved),
                                                  PROBE_SLOT(GetStereoFFT8bitInterleaved),
                                                  PROBE_SLOT(OpenXfmEx),
                                                  PROBE_SLOT(SetXfmVar),
                                                  PROBE_SLOT(CallXfm),
                                                  PROBE_SLOT(graphapiCopyGraph),
                                                  PROBE_SLOT(DeleteXfmVars),
                                                  PROBE_SLOT(graphapiSetPoint),
                                                  PROBE_SLOT(LFFT),
                                                  PROBE_SLOT(Convolute),
                                                  PROBE_SLOT(PreviewStart),
                                                  PROBE_SLOT(PreviewStop),
                                                  PROBE_SLOT(PreviewUpdate),
                                                  PROBE_SLOT(DisplayInit),
                                                  PROBE_SLOT(Limits),
                                                  PROBE_SLOT(vocReadEx),
                                                  PROBE_SLOT(vocWriteEx),
                                                  PROBE_SLOT(ConvoluteEx),
                                                  PROBE_SLOT(vocCutEx),
                                                  PROBE_SLOT(vocInsertEx),
                                                  PROBE_SLOT(vocGetMinMax),
                                                  PROBE_SLOT(delayWriteInitEx),
                                                  PROBE_SLOT(delayWriteEx),
                                                  PROBE_SLOT(delayWriteDestroyEx)};
/* Slots whose service depends on the format negotiated: any of the named exports. */
static const struct {
  size_t offset;
  const char* names[4];
} g_probe_variant_slots[] = {
    {offsetof(XfmContext, vocReadOld),
     {"vocReadOld", "vocReadSingleOld", "vocReadSingle8to16Old", "vocRead8to16Old"}},
    {offsetof(XfmContext, vocWriteAtOld),
     {"vocWriteAtOld", "vocWriteAtSingleOld", "vocWriteAtSingle16to8Old", "vocWriteAt16to8Old"}},
    {offsetof(XfmContext, vocCutOld), {"vocCutOld", "vocCut16to8Old", NULL, NULL}},
    {offsetof(XfmContext, vocInsertBlank), {"vocInsertBlank", "vocInsertBlank16to8", NULL, NULL}},
    {offsetof(XfmContext, delayWrite), {"delayWrite", "delayWrite16to8", NULL, NULL}},
    {offsetof(XfmContext, delayWriteInit), {"delayWriteInit", "delayWriteInit16to8", NULL, NULL}},
    {offsetof(XfmContext, delayWriteDestroy), {"delayWriteDestroy", "delayWriteDestroy16to8", NULL, NULL}},
};

static __attribute__((unused)) void* probe_slot_at(const XfmContext* c, size_t offset) {
  void* p;
  memcpy(&p, (const char*)c + offset, sizeof p);
  return p;
}

/* Logs "slots <matching> of <total>" and each slot that is null or not the export of its name. */
static __attribute__((unused)) int probe_check_slots(const XfmContext* c, const char* when) {
  HMODULE exe = GetModuleHandleA(NULL);
  int ok = 0, total = 0;
  size_t i, k;
  for (i = 0; i < sizeof g_probe_slots / sizeof g_probe_slots[0]; ++i) {
    void* slot = probe_slot_at(c, g_probe_slots[i].offset);
    void* want = (void*)GetProcAddress(exe, g_probe_slots[i].name);
    ++total;
    if (slot && slot == want)
      ++ok;
    else
      probe_log("%s slot bad %s", when, g_probe_slots[i].name);
  }
  for (i = 0; i < sizeof g_probe_variant_slots / sizeof g_probe_variant_slots[0]; ++i) {
    void* slot = probe_slot_at(c, g_probe_variant_slots[i].offset);
    int found = 0;
    ++total;
    for (k = 0; k < 4 && g_probe_variant_slots[i].names[k]; ++k)
      if (slot && slot == (void*)GetProcAddress(exe, g_probe_variant_slots[i].names[k])) found = 1;
    if (found)
      ++ok;
    else
      probe_log("%s slot bad %s", when, g_probe_variant_slots[i].names[0]);
  }
  if (!c->cancel || !c->font || !c->iniName || !c->helpName || c->one != 1) {
    probe_log("%s data slots bad", when);
    ok = -1;
  }
  probe_log("%s slots %d of %d", when, ok, total);
  return ok == total;
}

/* ---- Calling every slot ---- */

static int g_probe_stack_bad;
static unsigned long g_probe_calls;

#define PROBE_CALL(name, expr)                                                  \
  do {                                                                          \
    unsigned long before_, after_;                                              \
    __asm__ volatile("movl %%esp, %0" : "=r"(before_) : : "memory");            \
    (void)(expr);                                                               \
    __asm__ volatile("movl %%esp, %0" : "=r"(after_) : : "memory");             \
    ++g_probe_calls;                                                            \
    if (before_ != after_ && g_probe_stack_bad++ < 20)                          \
      probe_log("stack bad %s: %ld bytes", name, (long)after_ - (long)before_); \
  } while (0)

static __attribute__((unused)) void probe_call_all(XfmContext* c, int rounds) {
  static float fft[2 * 16 + 1];
  static int16_t s16[32];
  static uint8_t s8[32];
  static double re[8], im[8];
  char name[MAX_PATH];
  int16_t mn = 1, mx = 1, mn2 = 1, mx2 = 1;
  int32_t xy[2];
  double value = 0;
  int r, i;
  const uint32_t io = (c->channels == 2 ? XFM_IO_STEREO : XFM_IO_MONO) | XFM_IO_16BIT;
  for (r = 0; r < rounds; ++r) {
    int g;
    PROBE_CALL("cwCenter", c->cwCenter(NULL, 0));
    PROBE_CALL("vocReadOld", c->vocReadOld(s16, 0, 0));
    PROBE_CALL("vocWriteAtOld", c->vocWriteAtOld(s16, 0, 0));
    PROBE_CALL("presetsInitIni", c->presetsInitIni(NULL, "Probe", c->iniName));
    PROBE_CALL("presetHandlePRESETNAME", c->presetHandlePRESETNAME(NULL));
    PROBE_CALL("HandleID_PRESETS", c->HandleID_PRESETS(c, NULL, "Probe", 0, NULL));
    PROBE_CALL("HandleID_ADD", c->HandleID_ADD(c, NULL, "Probe"));
    PROBE_CALL("presetHandleDEL", c->presetHandleDEL(NULL, "Probe"));
    g = c->graphapiCreate(0, 1000, 0, 100, 0, 100);
    PROBE_CALL("graphapiCreate", c->graphapiCreate(0, 0, 0, 0, 0, 0));
    PROBE_CALL("graphapiCount", c->graphapiCount(g));
    PROBE_CALL("graphapiGetPoint", c->graphapiGetPoint(g, 0, xy));
    PROBE_CALL("graphapiGetValueAt", c->graphapiGetValueAt(g, 0.5, &value));
    PROBE_CALL("graphapiDraw", c->graphapiDraw(g, NULL));
    PROBE_CALL("graphapiSetPoint", c->graphapiSetPoint(g, 1, 1000, 50, 0));
    PROBE_CALL("graphapiClear", c->graphapiClear(g));
    PROBE_CALL("graphapiInverse", c->graphapiInverse(g));
    PROBE_CALL("graphapiWM_LBUTTONDOWN", c->graphapiWM_LBUTTONDOWN(g, 1, 1));
    PROBE_CALL("graphapiWM_LBUTTONUP", c->graphapiWM_LBUTTONUP(g, 1, 1));
    PROBE_CALL("graphapiWM_LBUTTONDBLCLK", c->graphapiWM_LBUTTONDBLCLK(g, 1, 1));
    PROBE_CALL("graphapiWM_MOUSEMOVE", c->graphapiWM_MOUSEMOVE(g, 1, 1));
    PROBE_CALL("graphapiSetDblClkScales", c->graphapiSetDblClkScales(g, 1.0, 0.0, 2, 1.0, 0.0, 2, 0));
    PROBE_CALL("graphapiSetDblClkNames", c->graphapiSetDblClkNames(g, "x", "s", "y", "dB"));
    PROBE_CALL("graphapiSetDialog", c->graphapiSetDialog(g, NULL, 0, 0));
    PROBE_CALL("graphapiCopyGraph", c->graphapiCopyGraph(g, g));
    PROBE_CALL("graphapiDestroy", c->graphapiDestroy(g));
    for (i = 0; i < 33; ++i) fft[i] = (float)(i % 5);
    PROBE_CALL("FFT", c->FFT(fft, 16, 1, 0, 0));
    PROBE_CALL("WindowFFT", c->WindowFFT(fft, 16, 0));
    PROBE_CALL("IWindowFFT", c->IWindowFFT(fft, 0));
    PROBE_CALL("SetWindowType", c->SetWindowType(c->SetWindowType(0)));
    PROBE_CALL("SetFFT16bit", c->SetFFT16bit(fft, s16, 16));
    PROBE_CALL("SetFFT8bit", c->SetFFT8bit(fft, s8, 16));
    PROBE_CALL("SetStereoFFT16bit", c->SetStereoFFT16bit(fft, s16, s16 + 16, 16));
    PROBE_CALL("SetStereoFFT8bit", c->SetStereoFFT8bit(fft, s8, s8 + 16, 16));
    PROBE_CALL("SetStereoFFT16bitInterleaved", c->SetStereoFFT16bitInterleaved(fft, s16, 16));
    PROBE_CALL("SetStereoFFT8bitInterleaved", c->SetStereoFFT8bitInterleaved(fft, s8, 16));
    PROBE_CALL("GetStereoFFT16bitInterleaved", c->GetStereoFFT16bitInterleaved(fft, s16, 16, 0));
    PROBE_CALL("GetStereoFFT8bitInterleaved", c->GetStereoFFT8bitInterleaved(fft, s8, 16, 0));
    for (i = 0; i < 8; ++i) re[i] = im[i] = i;
    PROBE_CALL("LFFT", c->LFFT(re, im, 8, 1));
    if (r % 50 == 0) PROBE_CALL("getTempName", c->getTempName("prb", name));
    PROBE_CALL("OpenXfmEx", c->OpenXfmEx("No Such Transform", c->file, 44100, 0, NULL, NULL));
    PROBE_CALL("SetXfmVar", c->SetXfmVar(0, 0, 1, s8));
    PROBE_CALL("CallXfm", c->CallXfm("No Such Transform", 0, 0, 0, 1, 0));
    PROBE_CALL("DeleteXfmVars", c->DeleteXfmVars("No Such Transform", 0));
    PROBE_CALL("delayWrite", c->delayWrite(s8, 0));
    PROBE_CALL("delayWriteDestroy", c->delayWriteDestroy());
    PROBE_CALL("vocCutOld", c->vocCutOld(0, 0));
    PROBE_CALL("vocInsertBlank", c->vocInsertBlank(0, 0));
    PROBE_CALL("Convolute", c->Convolute(16, 1, 0, -1, 0, 1, NULL, 0, 0, NULL, NULL, NULL, 1.0, 1.0));
    PROBE_CALL("ConvoluteEx",
               c->ConvoluteEx(16, 1, 2, 0, -1, 0, 1, NULL, 0, 0, NULL, NULL, NULL, NULL, 1.0, 1.0));
    PROBE_CALL("PreviewStart", c->PreviewStart(c, 0, 0));
    PROBE_CALL("PreviewStop", c->PreviewStop(c));
    PROBE_CALL("PreviewUpdate", c->PreviewUpdate(c, 0));
    PROBE_CALL("DisplayInit", c->DisplayInit(NULL));
    PROBE_CALL("Limits", c->Limits(c, NULL, 100, 0.0, 10.0, &value));
    PROBE_CALL("vocReadEx", c->vocReadEx(c->file, s16, c->first, 0, io | c->readMask));
    PROBE_CALL("vocWriteEx", c->vocWriteEx(c->file, s16, c->first, 0, io | c->writeMask));
    PROBE_CALL("vocCutEx", c->vocCutEx(c->file, 0, 0));
    PROBE_CALL("vocInsertEx", c->vocInsertEx(c->file, 0, 0, 1));
    PROBE_CALL("vocGetMinMax", c->vocGetMinMax(c->file, 0, 10, &mn, &mx, &mn2, &mx2, NULL, NULL, NULL, NULL));
    PROBE_CALL("delayWriteInitEx", c->delayWriteInitEx(0, 0, 0, io | c->writeMask));
    PROBE_CALL("delayWriteEx", c->delayWriteEx(c->file, s16, 0));
    PROBE_CALL("delayWriteDestroyEx", c->delayWriteDestroyEx(c->file));
    if (r % 100 == 0) {
      PROBE_CALL("progressCreate", c->progressCreate("Probe", NULL));
      PROBE_CALL("progressMeter", c->progressMeter(r, rounds));
      PROBE_CALL("progressDestroy", c->progressDestroy());
    }
  }
  probe_log("calls %lu stack %s", g_probe_calls, g_probe_stack_bad ? "bad" : "ok");
}

static __attribute__((unused)) void probe_log_context(const XfmContext* c, const char* when) {
  probe_log("%s ch=%u bits=%u fb=%u rate=%lu first=%ld last=%ld rmask=0x%x wmask=0x%x vis=%ld..%ld file=%s",
            when, c->channels, c->bits, c->frameBytes, (unsigned long)c->rate, (long)c->first, (long)c->last,
            c->readMask, c->writeMask, (long)c->firstVisible, (long)c->lastVisible, c->file ? "yes" : "no");
}

#endif
