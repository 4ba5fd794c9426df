/* The current-layout probe (built three times with other names and format masks, see CMakeLists.txt): a
 * native-format transform that logs the context it is given, checks every slot against the program's
 * exports, calls every slot many times, tries the nested API on the old-layout probe, and leaves the samples
 * as they are. Its variables block ("lgdh": a counter, a graph, a level, a memory block) lets the tests see a
 * cancelled dialog's changes undone: with "mutate=1" in the control file XfmSetup changes all four before
 * returning the control file's "setup" result. */
#include "plugins/probes/probe_common.h"

#ifndef PROBE_NAME
#define PROBE_NAME "Probes\\Current Probe"
#endif
#ifndef PROBE_MASK
#define PROBE_MASK 0x3f
#endif
#ifndef PROBE_ROUNDS
#define PROBE_ROUNDS 300
#endif

/* The block: l at 0, g at 4, d at 6, h at 14; 18 bytes. */
#define VARS_SIZE 18

static void block_fields(XfmContext* c, int32_t** counter, uint16_t** graph, double** level, HGLOBAL** memory,
                         uint8_t** base) {
  uint8_t* p = (uint8_t*)GlobalLock(c->vars);
  *base = p;
  *counter = (int32_t*)(p + 0);
  *graph = (uint16_t*)(p + 4);
  *level = (double*)(p + 6);
  *memory = (HGLOBAL*)(p + 14);
}

uint32_t XFMAPI QueryXfm(XfmInfo* info) {
  probe_log("query %s", PROBE_NAME);
  strcpy(info->name, PROBE_NAME);
  strcpy(info->copyright, "Probe (c) the Sorn Edit developers");
  strcpy(info->description, "Logs what the host gives it");
  info->formatMask = PROBE_MASK;
  info->flags = XFM_TRANSFORM | XFM_NATIVE_FORMAT;
  info->varsSize = VARS_SIZE;
  strcpy(info->types, "lgdh");
  strcpy(info->presets, "yyyn");
  return XFM_VERSION;
}

int32_t XFMAPI XfmInit(XfmContext* c) {
  int32_t* counter;
  uint16_t* graph;
  double* level;
  HGLOBAL* memory;
  uint8_t* base;
  HGLOBAL h;
  block_fields(c, &counter, &graph, &level, &memory, &base);
  if (!base) return 0;
  *counter = 7;
  *graph = (uint16_t)c->graphapiCreate(0, 1000, 0, 100, 0, 100);
  *level = 0.5;
  h = GlobalAlloc(GMEM_MOVEABLE, 16);
  if (h) {
    memset(GlobalLock(h), 'A', 16);
    GlobalUnlock(h);
  }
  *memory = h;
  GlobalUnlock(c->vars);
  probe_check_slots(c, "init");
  return 1;
}

/* The block as text: counter, level, graph points, the memory block's first byte. */
static void describe(XfmContext* c, const char* when) {
  int32_t* counter;
  uint16_t* graph;
  double* level;
  HGLOBAL* memory;
  uint8_t* base;
  char points[400] = "";
  char m = '-';
  int n, i;
  block_fields(c, &counter, &graph, &level, &memory, &base);
  if (!base) return;
  n = c->graphapiCount(*graph);
  for (i = 0; i < n && i < 20; ++i) {
    int32_t xy[2] = {0, 0};
    c->graphapiGetPoint(*graph, i, xy);
    sprintf(points + strlen(points), "%s%ld/%ld", i ? "," : "", (long)xy[0], (long)xy[1]);
  }
  if (*memory) {
    char* p = (char*)GlobalLock(*memory);
    if (p) m = p[0];
    GlobalUnlock(*memory);
  }
  probe_log("%s vars counter=%ld level=%g graph=%d:%s memory=%c", when, (long)*counter, *level, n, points, m);
  GlobalUnlock(c->vars);
}

int32_t XFMAPI XfmSetup(XfmWindow owner, XfmModule plugin, XfmContext* c) {
  (void)owner;
  describe(c, "setup");
  probe_log_context(c, "setup");
  probe_log("setup plugin %s", plugin == (XfmModule)g_probe_module ? "ok" : "bad");
  if (probe_setting("mutate", 0)) {
    int32_t* counter;
    uint16_t* graph;
    double* level;
    HGLOBAL* memory;
    uint8_t* base;
    HGLOBAL h;
    block_fields(c, &counter, &graph, &level, &memory, &base);
    if (base) {
      *counter += 1000;
      *level = -1.0;
      c->graphapiSetPoint(*graph, 1, 500, 77, 0);
      c->graphapiSetPoint(*graph, 2, 1000, 100, 1);
      if (*memory) {
        memset(GlobalLock(*memory), 'B', 16);
        GlobalUnlock(*memory);
      }
      h = GlobalAlloc(GMEM_MOVEABLE, 16);
      if (h) {
        memset(GlobalLock(h), 'C', 16);
        GlobalUnlock(h);
        *memory = h; /* a new block; the old one stays with the host's snapshot */
      }
      GlobalUnlock(c->vars);
    }
    describe(c, "mutated");
  }
  return (int32_t)probe_setting("setup", 1);
}

int32_t XFMAPI XfmDo(XfmContext* c) {
  typedef int32_t(XFMAPI * OpenFn)(const char*);
  typedef int32_t(XFMAPI * CloseFn)(int32_t);
  typedef int32_t(XFMAPI * CreateFn)(const char*);
  HMODULE exe = GetModuleHandleA(NULL);
  OpenFn open = (OpenFn)GetProcAddress(exe, "OpenXfm");
  CloseFn close = (CloseFn)GetProcAddress(exe, "CloseXfm");
  CreateFn create = (CreateFn)GetProcAddress(exe, "CreateXfmVars");
  BGetXfmDataFn get = (BGetXfmDataFn)GetProcAddress(exe, "bGetXfmData");
  BSetXfmDataFn set = (BSetXfmDataFn)GetProcAddress(exe, "bSetXfmData");
  probe_log_context(c, "do");
  probe_check_slots(c, "do");
  probe_log("do cancel=%ld", (long)*c->cancel);
  probe_call_all(c, PROBE_ROUNDS);
  if (open && close && get && set && create) {
    uint8_t b[64];
    int32_t h = open("Probes\\Old Probe");
    int32_t whole = h ? get(b, h, 0, 8) : -1;
    int32_t past = h ? get(b, h, 4, 5) : -1;
    int32_t setPast = h ? set(h, b, 8, 1) : -1;
    int32_t setVar = h ? c->SetXfmVar(h, 7, 2, b) : -1;
    int32_t vars = create("Probes\\Old Probe");
    probe_log("nested open=%s whole=%ld past=%ld setpast=%ld setvar=%ld vars=%s", h ? "ok" : "failed",
              (long)whole, (long)past, (long)setPast, (long)setVar, vars ? "ok" : "failed");
    if (vars) GlobalFree((HGLOBAL)(intptr_t)vars);
    if (h) close(h);
    {
      /* By the last part of the name, through the context's own slots; run over an empty range. */
      int32_t ex = c->OpenXfmEx("Old Probe", c->file, (int32_t)c->rate, 0, c->vocReadEx, c->vocWriteEx);
      int32_t ran = ex ? c->CallXfm("ignored", ex, 0, -1, 1, 0) : -1;
      int32_t closed = ex ? c->DeleteXfmVars("ignored", ex) : -1;
      int32_t after = ex ? c->SetXfmVar(ex, 0, 1, b) : -1;
      probe_log("nestedex open=%s call=%ld delete=%ld after=%ld", ex ? "ok" : "failed", (long)ran,
                (long)closed, (long)after);
    }
  } else {
    probe_log("nested exports missing");
  }
  return 0;
}

int32_t XFMAPI XfmDestroy(XfmContext* c) {
  int32_t* counter;
  uint16_t* graph;
  double* level;
  HGLOBAL* memory;
  uint8_t* base;
  block_fields(c, &counter, &graph, &level, &memory, &base);
  if (!base) return 0;
  probe_log("destroy counter=%ld", (long)*counter);
  if (*graph != 0xffff) c->graphapiDestroy(*graph);
  if (*memory) GlobalFree(*memory);
  *memory = NULL;
  GlobalUnlock(c->vars);
  return 1;
}
