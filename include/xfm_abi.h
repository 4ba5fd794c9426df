/* The transform plug-in contract of Sorn Edit.
 *
 * A transform is a DLL with the extension .xfm in the program's directory. The editor loads it with
 * LoadLibrary (by full path) and resolves the entry points below by name with GetProcAddress. A plug-in
 * imports nothing from the editor: every service it uses arrives as an address in the context record.
 *
 * Calling convention. Every entry point and every service, in both directions, uses the standard Windows
 * calling convention (__stdcall: arguments pushed right to left, the callee pops them) and is exported
 * undecorated (through a .def file, or --kill-at). Every argument occupies one 32-bit stack slot, except a
 * double, which takes two; so the bytes the callee pops are 4 per argument plus 4 more per double, noted at
 * each declaration ("pops N"). An argument described as 16-bit is still passed in a full 32-bit slot; the
 * callee uses only its low 16 bits and the caller should zero- or sign-extend it. Callees must not assume
 * the stack is aligned beyond 4 bytes.
 *
 * Layout. The records are plain C with fixed-width fields and explicit pads; their sizes and offsets are
 * checked below. Addresses and handles are 32-bit: in the 32-bit Windows build every slot is a typed pointer;
 * in any other build (the editor's natively built tests) the same slots are uint32_t, so the records keep
 * the exact 32-bit layout there too and every check below holds in both builds. The portable core of the
 * editor never copies these records to or from files: xfm.dat and the variables blocks are written field by
 * field.
 */
#ifndef SORN_XFM_ABI_H
#define SORN_XFM_ABI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && !defined(_WIN64)
#define XFMAPI __stdcall
/* A 32-bit code or data address held in a record. */
#define XFM_SLOT(type) type
#define XFM_ABI_NATIVE_32 1
#else
#define XFMAPI
#define XFM_SLOT(type) uint32_t
#define XFM_ABI_NATIVE_32 0
#endif

/* ---- Versions ---------------------------------------------------------------------------------------------
 * QueryXfm returns a 16-bit version (the host masks the 32-bit result to its low 16 bits). The host accepts
 * XFM_VERSION_MIN..XFM_VERSION and reads a record of a version below XFM_VERSION in the old layout. */
#define XFM_VERSION 1156
#define XFM_VERSION_MIN 1000

/* ---- Format mask (XfmInfo.formatMask), low byte; the high byte is reserved
 * --------------------------------- */
#define XFM_FMT_8_MONO 0x01u
#define XFM_FMT_8_STEREO 0x02u
#define XFM_FMT_16_MONO 0x04u
#define XFM_FMT_16_STEREO 0x08u
#define XFM_FMT_32_MONO 0x10u
#define XFM_FMT_32_STEREO 0x20u
#define XFM_FMT_ALL_MONO 0x15u
#define XFM_FMT_ALL_STEREO 0x2au

/* ---- Flags (XfmInfo.flags; bits not listed have no effect in the host)
 * -------------------------------------- */
#define XFM_TRANSFORM 0x1u         /* Transform menu; processes the selection in place */
#define XFM_GENERATE 0x2u          /* Generate menu; produces new audio, may run without an open wave */
#define XFM_PRESETS 0x4u           /* context gets the preset slots */
#define XFM_GRAPH 0x8u             /* context gets the graph slots, DisplayInit and graphapiSetPoint */
#define XFM_NEEDS_DATA 0x10u       /* greyed while the open wave is empty */
#define XFM_UNDO_TO_VIEW_END 0x40u /* undo range from the selection start to the last visible sample */
#define XFM_UNDO_TO_FILE_END 0x80u /* undo range from the selection start to the end of the wave */
#define XFM_FFT 0x100u             /* context gets the FFT slots, LFFT, Convolute and ConvoluteEx */
#define XFM_BOTH_CHANNELS 0x200u   /* greyed while one channel of a stereo wave is selected */
#define XFM_ANALYZE 0x400u         /* Analyze menu; no undo, no script, no repeat */
#define XFM_OWN_RANGE 0x2000u      /* the plug-in chooses the range itself (context ownFirst/ownLast) */
#define XFM_HIDDEN 0x4000u         /* in no menu */
#define XFM_PREVIEW 0x8000u        /* context gets the preview slots */
#define XFM_NATIVE_FORMAT 0x10000u /* real sample format and channel masks instead of converting readers */
#define XFM_CROSSFADE 0x20000u     /* 32-bit vocWriteEx writes are cross-faded at the range ends */
#define XFM_CHANGES_LENGTH 0x20000000u /* the plug-in may change the range length; new end in context last \
                                        */
#define XFM_NO_DIALOG 0x80000000u      /* set by the host only while it calls XfmSetup unattended */

/* ---- Transfer format word (the format argument of vocReadEx / vocWriteEx, the context's reader and writer,
 * and delayWriteInitEx): the layout of the plug-in's side of the transfer plus options. The host converts
 * between it and the wave's own layout; 32-bit samples are floats on the 16-bit scale (+-32768.0 full scale,
 * 0.0 silence), 8-bit ones unsigned with 128 as silence. Or the context's readMask (writeMask) into every
 * reader (writer) call. */
#define XFM_XF_MONO 0x1u
#define XFM_XF_STEREO 0x2u
#define XFM_XF_8BIT 0x8u
#define XFM_XF_16BIT 0x10u
#define XFM_XF_32BIT 0x20u
#define XFM_XF_DST_LEFT 0x100u  /* a stereo destination gets only its left channel written */
#define XFM_XF_DST_RIGHT 0x200u /* ... only its right channel */
#define XFM_XF_SRC_RIGHT 0x400u /* take only the right channel of a stereo source */
#define XFM_XF_SRC_LEFT 0x800u  /* take only the left channel of a stereo source */
#define XFM_XF_CLIP 0x1000u     /* saturate when narrowing */
#define XFM_XF_DITHER 0x2000u   /* dither when narrowing 32 to 16 bits */

/* ---- Variables block type letters (either case) and their packed sizes ------------------------------------
 */
#define XFM_VAR_LONG16 'b' /* 4 bytes; the profile keeps only the low 16 bits */
#define XFM_VAR_BYTE 'c'   /* 1 */
#define XFM_VAR_DOUBLE 'd' /* 8 */
#define XFM_VAR_FLOAT 'f'  /* 4 */
#define XFM_VAR_GRAPH 'g'  /* 2: graph handle, 0xffff = none */
#define XFM_VAR_MEMORY 'h' /* 4: memory handle owned by the plug-in */
#define XFM_VAR_SHORT 'i'  /* 2 */
#define XFM_VAR_LONG 'l'   /* 4 */
#define XFM_VAR_STRING 's' /* 256 */

/* ---- Format word of the sample readers and writers (vocReadEx, vocWriteEx, delayWriteInitEx) ----------
 * One channel bit, one size bit, optionally the context's channel masks (readMask / writeMask) and the two
 * options. */
#define XFM_IO_MONO 0x1u
#define XFM_IO_STEREO 0x2u
#define XFM_IO_8BIT 0x8u   /* unsigned bytes */
#define XFM_IO_16BIT 0x10u /* signed 16-bit */
#define XFM_IO_32BIT 0x20u /* float, full scale 32768 */
#define XFM_IO_DST_LEFT 0x100u
#define XFM_IO_DST_RIGHT 0x200u
#define XFM_IO_SRC_RIGHT 0x400u
#define XFM_IO_SRC_LEFT 0x800u
#define XFM_IO_CLIP 0x1000u /* saturate when narrowing */

#define XFM_NAME_CHARS 80
#define XFM_COPYRIGHT_CHARS 80
#define XFM_DESCRIPTION_CHARS 80
#define XFM_TYPES_CHARS 96
#define XFM_FILE_CHARS 20
#define XFM_MENU_BASE 7000 /* the menu command of table entry i is XFM_MENU_BASE + i */

/* Opaque Windows objects, so this header needs no <windows.h>. */
typedef void* XfmWindow;  /* HWND */
typedef void* XfmModule;  /* HINSTANCE / HMODULE */
typedef void* XfmMemory;  /* HGLOBAL: a movable block */
typedef void* XfmDC;      /* HDC */
typedef void* XfmFont;    /* HFONT */
typedef void* XfmBitmap;  /* HBITMAP */
typedef uint32_t XfmFile; /* a virtual file of the editor's paged store, passed by value */

/* ---- Description record (filled by QueryXfm)
 * --------------------------------------------------------------- The host zero-fills the 448 bytes before
 * QueryXfm and, whatever the plug-in wrote, ends every text inside its field; a record whose type string
 * describes more bytes than varsSize is refused. */
typedef struct XfmInfo {
  char name[XFM_NAME_CHARS];               /* 0: "Category\\Name", a name without backslash sits in the menu
                                              itself; components are backslash-separated menu paths */
  char copyright[XFM_COPYRIGHT_CHARS];     /* 80: banner of the progress window */
  char description[XFM_DESCRIPTION_CHARS]; /* 160 */
  uint16_t formatMask;                     /* 240: XFM_FMT_* */
  uint16_t pad242;
  uint32_t flags;                /* 244: XFM_* */
  uint32_t varsSize;             /* 248: bytes of the variables block */
  char types[XFM_TYPES_CHARS];   /* 252: one letter per variable, in block order */
  char presets[XFM_TYPES_CHARS]; /* 348: 'y'/'Y' per variable that presets store */
  uint16_t oldLayout;            /* 444: 0 in records converted from the old layout */
  uint16_t pad446;
} XfmInfo;

/* The old (version < 1156) 296-byte record: the host moves its fields to the places above and sets
 * oldLayout to 0. Offsets and sizes of each field in the old record: */
#define XFM_OLD_INFO_BYTES 296
#define XFM_OLD_NAME_AT 0
#define XFM_OLD_NAME_CHARS 40
#define XFM_OLD_COPYRIGHT_AT 40
#define XFM_OLD_COPYRIGHT_CHARS 80
#define XFM_OLD_DESCRIPTION_AT 120
#define XFM_OLD_DESCRIPTION_CHARS 70
#define XFM_OLD_FORMAT_MASK_AT 190 /* 2 bytes */
#define XFM_OLD_FLAGS_AT 192       /* 4 bytes */
#define XFM_OLD_VARS_SIZE_AT 196   /* 4 bytes */
#define XFM_OLD_TYPES_AT 200
#define XFM_OLD_TYPES_CHARS 48
#define XFM_OLD_PRESETS_AT 248
#define XFM_OLD_PRESETS_CHARS 48

/* One entry of the transform table (476 bytes; also the record of xfm.dat, where the handles are
 * meaningless except that a nonzero bitmap says a bitmap follows). */
typedef struct XfmEntry {
  XfmInfo info;                  /* 0 */
  char fileName[XFM_FILE_CHARS]; /* 448: the DLL's name, no directory */
  XFM_SLOT(XfmMemory) vars;      /* 468: the session's variables block, 0 until first use */
  XFM_SLOT(XfmBitmap) bitmap;    /* 472: toolbar bitmap, 0 if none */
} XfmEntry;

typedef struct XfmContext XfmContext;

/* ---- Services: one typed pointer per slot
 * -------------------------------------------------------------------- Results are 32-bit. Frame and sample
 * positions are signed 32-bit. "pops" is the argument bytes. */

/* Dialog centring on the parent; the second argument is unused. pops 8 */
typedef int32_t(XFMAPI* XfmCwCenterFn)(XfmWindow window, uint32_t unused);

/* Current-document sample access in bytes (vocReadOld, vocWriteAtOld and their single-channel and converting
 * variants). Result: low 16 bits 0 when everything was transferred, 1 otherwise; high 16 bits the high half
 * of the frames transferred. pops 12 */
typedef uint32_t(XFMAPI* XfmVocOldFn)(void* buffer, int32_t bytePosition, int32_t byteCount);
/* vocCutOld, vocCut16to8Old, vocInsertBlank, vocInsertBlank16to8. pops 8 */
typedef uint32_t(XFMAPI* XfmVocOldEditFn)(int32_t bytePosition, int32_t byteCount);
/* vocReadEx / vocWriteEx, or a caller's own reader and writer (OpenXfmEx). The plug-in or's the context's
 * read (write) channel mask into format. Result: frames transferred. pops 20 */
typedef int32_t(XFMAPI* XfmSampleIoFn)(XfmFile file, void* buffer, int32_t startFrame, int32_t frames,
                                       uint32_t format);
/* vocCutEx. pops 12 */
typedef int32_t(XFMAPI* XfmVocCutExFn)(XfmFile file, int32_t startFrame, int32_t frames);
/* vocInsertEx. pops 16 */
typedef int32_t(XFMAPI* XfmVocInsertExFn)(XfmFile file, int32_t startFrame, int32_t frames, int32_t fill);
/* vocGetMinMax: the 16-bit outputs are written only where they point at a nonzero value. pops 44 */
typedef int32_t(XFMAPI* XfmVocGetMinMaxFn)(XfmFile file, int32_t firstFrame, int32_t lastFrame,
                                           int16_t* minLeft, int16_t* maxLeft, int16_t* minRight,
                                           int16_t* maxRight, int32_t* out1, int32_t* out2, int32_t* out3,
                                           int32_t* out4);

/* progressMeter: nonzero to go on, 0 when cancelled. pops 8 */
typedef int32_t(XFMAPI* XfmProgressMeterFn)(int32_t done, int32_t total);
/* progressCreate: owner 0 = main window, (XfmWindow)-1 = none. pops 8 */
typedef int32_t(XFMAPI* XfmProgressCreateFn)(const char* title, XfmWindow owner);
/* progressDestroy, delayWriteDestroy. pops 0 */
typedef int32_t(XFMAPI* XfmVoidFn)(void);

/* Presets. */
typedef int32_t(XFMAPI* XfmPresetsInitIniFn)(XfmWindow dialog, const char* section,
                                             const char* iniFile); /* 12 */
typedef int32_t(XFMAPI* XfmPresetNameFn)(XfmWindow dialog);        /* 4 */
typedef int32_t(XFMAPI* XfmPresetListFn)(XfmContext* context, XfmWindow dialog, const char* section,
                                         uint32_t command, XfmWindow listBox);                       /* 20 */
typedef int32_t(XFMAPI* XfmPresetAddFn)(XfmContext* context, XfmWindow dialog, const char* section); /* 12 */
typedef int32_t(XFMAPI* XfmPresetDelFn)(XfmWindow dialog, const char* section);                      /* 8 */

/* Graphs: a handle is 0..31, 0xffff none; coordinates are 16-bit values in 32-bit slots. */
typedef int32_t(XFMAPI* XfmGraphCreateFn)(int32_t xmin, int32_t xmax, int32_t ymin, int32_t ymax,
                                          int32_t yAtMin, int32_t yAtMax);                 /* 24 */
typedef int32_t(XFMAPI* XfmGraphFn)(int32_t graph);                                        /* 4: Count, Clear,
                                                                                              Inverse, Destroy */
typedef int32_t(XFMAPI* XfmGraphGetPointFn)(int32_t graph, int32_t index, int32_t* xy);    /* 12 */
typedef int32_t(XFMAPI* XfmGraphValueAtFn)(int32_t graph, double fraction, double* value); /* 16 */
typedef int32_t(XFMAPI* XfmGraphDrawFn)(int32_t graph, XfmDC dc);                          /* 8 */
typedef int32_t(XFMAPI* XfmGraphMouseFn)(int32_t graph, int32_t x, int32_t y);             /* 12 */
typedef int32_t(XFMAPI* XfmGraphScalesFn)(int32_t graph, double xScale, double xOffset, int32_t xPrecision,
                                          double yScale, double yOffset, int32_t yPrecision,
                                          int32_t mode); /* 48 */
typedef int32_t(XFMAPI* XfmGraphNamesFn)(int32_t graph, const char* xName, const char* xUnit,
                                         const char* yName, const char* yUnit); /* 20 */
typedef int32_t(XFMAPI* XfmGraphSetDialogFn)(int32_t graph, XfmWindow dialog, int32_t control,
                                             int32_t label); /* 16 */
typedef int32_t(XFMAPI* XfmGraphSetPointFn)(int32_t graph, int32_t index, int32_t x, int32_t y,
                                            int32_t setCount);                /* 20 */
typedef int32_t(XFMAPI* XfmGraphCopyFn)(int32_t destination, int32_t source); /* 8 */

/* FFT services. FFT: arrays of 2n+1 floats, point k at [2k+1] (re) and [2k+2] (im), exponent sign = sign,
 * no scaling, the last two arguments unused; n not a power of two leaves the data unchanged. pops 20 */
typedef void(XFMAPI* XfmFftFn)(float* data, int32_t n, int32_t sign, int32_t unused1, int32_t unused2);
typedef void(XFMAPI* XfmWindowFftFn)(float* data, int32_t n, int32_t stereo);        /* 12; n 16-bit */
typedef void(XFMAPI* XfmIWindowFftFn)(float* data, int32_t stereo);                  /* 8 */
typedef int32_t(XFMAPI* XfmSetWindowTypeFn)(int32_t type);                           /* 4 */
typedef void(XFMAPI* XfmSetFft16Fn)(float* data, const int16_t* samples, int32_t n); /* 12 */
typedef void(XFMAPI* XfmSetFft8Fn)(float* data, const uint8_t* samples, int32_t n);  /* 12 */
typedef void(XFMAPI* XfmSetStereoFft16Fn)(float* data, const int16_t* left, const int16_t* right,
                                          int32_t n); /* 16 */
typedef void(XFMAPI* XfmSetStereoFft8Fn)(float* data, const uint8_t* left, const uint8_t* right,
                                         int32_t n);                                               /* 16 */
typedef void(XFMAPI* XfmGetStereoFft16Fn)(float* data, int16_t* samples, int32_t n, int32_t mode); /* 16 */
typedef void(XFMAPI* XfmGetStereoFft8Fn)(float* data, uint8_t* samples, int32_t n, int32_t mode);  /* 16 */
/* LFFT: separate real and imaginary double arrays, 0-based; LFFT(+1) is the transform with exponent
 * e^(-2 pi i jk/n), LFFT(-1) its inverse up to the factor n. pops 16 */
typedef void(XFMAPI* XfmLfftFn)(double* re, double* im, int32_t n, int32_t sign);

/* Convolution callbacks: bytes transferred. ConvoluteEx's take the caller's data first (pops 16), Convolute's
 * only buffer, byte position and count (pops 12). */
typedef int32_t(XFMAPI* XfmConvIoExFn)(void* data, void* buffer, int32_t bytePosition, int32_t bytes);
typedef int32_t(XFMAPI* XfmConvIoFn)(void* buffer, int32_t bytePosition, int32_t bytes);
/* pops 72 */
typedef int32_t(XFMAPI* XfmConvoluteExFn)(int32_t bits, int32_t channels, int32_t frameBytes,
                                          int32_t firstFrame, int32_t lastFrame, int32_t mix, int32_t layouts,
                                          XfmMemory kernel, int32_t length, int32_t centre, const char* title,
                                          void* data, XfmConvIoExFn read, XfmConvIoExFn write, double gainA,
                                          double gainB);
/* pops 64 */
typedef int32_t(XFMAPI* XfmConvoluteFn)(int32_t bits, int32_t channels, int32_t firstFrame, int32_t lastFrame,
                                        int32_t mix, int32_t layouts, XfmMemory kernel, int32_t length,
                                        int32_t centre, const char* title, XfmConvIoFn read,
                                        XfmConvIoFn write, double gainA, double gainB);

/* getTempName: a new temporary file name into buffer (at least 260 bytes). pops 8 */
typedef int32_t(XFMAPI* XfmTempNameFn)(const char* prefix, char* buffer);

/* Nested transforms. OpenXfmEx's channel choice: 0 both, 1 left, other right. */
typedef int32_t(XFMAPI* XfmOpenExFn)(const char* name, XfmFile file, int32_t rate, int32_t channel,
                                     XfmSampleIoFn reader, XfmSampleIoFn writer); /* 24 */
/* SetXfmVar: 1, or 0 when the handle is free or offset + length passes the end of the block. pops 16 */
typedef int32_t(XFMAPI* XfmSetVarFn)(int32_t handle, int32_t offset, int32_t length, const void* source);
typedef int32_t(XFMAPI* XfmCallFn)(const char* name, int32_t handle, int32_t first, int32_t last,
                                   int32_t quiet, int32_t ignored);         /* 24 */
typedef int32_t(XFMAPI* XfmDeleteVarsFn)(const char* name, int32_t handle); /* 8 */

/* Delayed writer, old form (bytes; the 16-to-8 variants have the same types). */
typedef int32_t(XFMAPI* XfmDelayInitFn)(int32_t holdBack, int32_t bytePosition, int32_t bytes); /* 12 */
typedef int32_t(XFMAPI* XfmDelayWriteFn)(void* buffer, int32_t bytes);                          /* 8 */
/* Delayed writer, frame form. */
typedef int32_t(XFMAPI* XfmDelayInitExFn)(int32_t holdBack, int32_t startFrame, int32_t frames,
                                          uint32_t format);                             /* 16 */
typedef int32_t(XFMAPI* XfmDelayWriteExFn)(XfmFile file, void* buffer, int32_t frames); /* 12 */
typedef int32_t(XFMAPI* XfmDelayDestroyExFn)(XfmFile file);                             /* 4 */

/* Preview. PreviewStart returns the preview thread's handle, 0 when refused. */
typedef XfmMemory(XFMAPI* XfmPreviewStartFn)(XfmContext* context, int32_t flags,
                                             int32_t commandBase);              /* 12 */
typedef int32_t(XFMAPI* XfmPreviewStopFn)(XfmContext* context);                 /* 4 */
typedef int32_t(XFMAPI* XfmPreviewUpdateFn)(XfmContext* context, int32_t mode); /* 8 */

/* DisplayInit: registers the graph display window class "SORNDISPLAY" for the given module; nonzero on
 * success. pops 4 */
typedef int32_t(XFMAPI* XfmDisplayInitFn)(XfmModule module);

/* Limits: control id in the low and notification in the high 16 bits of idAndCode; 1 for a focus-loss
 * check (512), else 0; result may be null. pops 32 */
typedef int32_t(XFMAPI* XfmLimitsFn)(XfmContext* context, XfmWindow dialog, uint32_t idAndCode,
                                     double minimum, double maximum, double* result);
/* AlertLimits (exported, no slot). pops 28 */
typedef int32_t(XFMAPI* XfmAlertLimitsFn)(XfmWindow owner, double value, double minimum, double maximum);

/* ---- Context record --------------------------------------------------------------------------------------
 * Built by the host for each use. The host fills every service slot: groups the flags do not ask for hold
 * stubs that do nothing and answer "go on" (progressMeter 1, sample access and graph calls 0 or -1, no
 * failure box), so a slot is never null. Setup and Do of one run get the very same record (the host may
 * keep the address between the calls); the plug-in's XfmSetup changes to it (generate fields, extraFlags,
 * ownFirst/ownLast) are what XfmDo sees. */
struct XfmContext {
  uint16_t channels;   /* 0: presented channel count */
  uint16_t bits;       /* 2: presented bits per sample */
  uint16_t frameBytes; /* 4: bits / 8 * channels */
  uint16_t pad6;
  uint32_t rate;             /* 8 */
  XFM_SLOT(XfmMemory) vars;  /* 12: the variables block */
  int32_t first;             /* 16: first frame of the range */
  int32_t last;              /* 20: last frame (inclusive); updated by generators and length changers */
  uint32_t reserved24;       /* 24 */
  XFM_SLOT(XfmEntry*) entry; /* 28: the transform's table entry (so its XfmInfo) */
  XFM_SLOT(XfmCwCenterFn) cwCenter;    /* 32 */
  XFM_SLOT(XfmVocOldFn) vocReadOld;    /* 36: or a single-channel / converting variant */
  XFM_SLOT(XfmVocOldFn) vocWriteAtOld; /* 40: likewise */
  /* 44: the host's 32-bit cancel flag, nonzero once the user stopped; the host clears it before XfmDo. */
  XFM_SLOT(volatile int32_t*) cancel;
  XFM_SLOT(XfmProgressMeterFn) progressMeter;   /* 48 */
  XFM_SLOT(XfmProgressCreateFn) progressCreate; /* 52 */
  XFM_SLOT(XfmVoidFn) progressDestroy;          /* 56 */
  /* 60: the settings file the program really uses (normally "sorn.ini"); plug-ins keep their presets there */
  XFM_SLOT(const char*) iniName;
  XFM_SLOT(XfmPresetsInitIniFn) presetsInitIni;       /* 64 */
  XFM_SLOT(XfmPresetNameFn) presetHandlePRESETNAME;   /* 68 */
  XFM_SLOT(XfmPresetListFn) HandleID_PRESETS;         /* 72 */
  XFM_SLOT(XfmPresetAddFn) HandleID_ADD;              /* 76 */
  XFM_SLOT(XfmPresetDelFn) presetHandleDEL;           /* 80 */
  XFM_SLOT(XfmGraphCreateFn) graphapiCreate;          /* 84 */
  XFM_SLOT(XfmGraphFn) graphapiCount;                 /* 88 */
  XFM_SLOT(XfmGraphGetPointFn) graphapiGetPoint;      /* 92 */
  XFM_SLOT(XfmGraphValueAtFn) graphapiGetValueAt;     /* 96 */
  XFM_SLOT(XfmGraphDrawFn) graphapiDraw;              /* 100 */
  XFM_SLOT(XfmGraphFn) graphapiClear;                 /* 104 */
  XFM_SLOT(XfmGraphFn) graphapiInverse;               /* 108 */
  XFM_SLOT(XfmGraphFn) graphapiDestroy;               /* 112 */
  XFM_SLOT(XfmGraphMouseFn) graphapiWM_LBUTTONDOWN;   /* 116 */
  XFM_SLOT(XfmGraphMouseFn) graphapiWM_LBUTTONUP;     /* 120 */
  XFM_SLOT(XfmGraphMouseFn) graphapiWM_LBUTTONDBLCLK; /* 124 */
  XFM_SLOT(XfmGraphMouseFn) graphapiWM_MOUSEMOVE;     /* 128 */
  XFM_SLOT(XfmGraphScalesFn) graphapiSetDblClkScales; /* 132 */
  XFM_SLOT(XfmGraphNamesFn) graphapiSetDblClkNames;   /* 136 */
  XFM_SLOT(XfmGraphSetDialogFn) graphapiSetDialog;    /* 140 */
  int16_t scriptPlaying;                              /* 144: -1 when no script is running */
  int16_t scriptPause;                                /* 146: pause-at-dialogs setting of script playback */
  XFM_SLOT(XfmFont) font;                             /* 148: the program's dialog font; never 0 */
  int32_t generateReplace; /* 152: generators set it in XfmSetup: nonzero = length replaces the selection's */
  int32_t generateCount;   /* 156: generators set it in XfmSetup: frames they will generate */
  uint32_t one;            /* 160: always 1 */
  XFM_SLOT(XfmFftFn) FFT;  /* 164 */
  XFM_SLOT(XfmWindowFftFn) WindowFFT;                         /* 168 */
  XFM_SLOT(XfmIWindowFftFn) IWindowFFT;                       /* 172 */
  XFM_SLOT(XfmSetWindowTypeFn) SetWindowType;                 /* 176 */
  XFM_SLOT(XfmTempNameFn) getTempName;                        /* 180 */
  XFM_SLOT(XfmSetFft16Fn) SetFFT16bit;                        /* 184 */
  XFM_SLOT(XfmSetFft8Fn) SetFFT8bit;                          /* 188 */
  XFM_SLOT(XfmSetStereoFft16Fn) SetStereoFFT16bit;            /* 192 */
  XFM_SLOT(XfmSetStereoFft8Fn) SetStereoFFT8bit;              /* 196 */
  XFM_SLOT(XfmSetFft16Fn) SetStereoFFT16bitInterleaved;       /* 200 */
  XFM_SLOT(XfmSetFft8Fn) SetStereoFFT8bitInterleaved;         /* 204 */
  XFM_SLOT(XfmGetStereoFft16Fn) GetStereoFFT16bitInterleaved; /* 208 */
  XFM_SLOT(XfmGetStereoFft8Fn) GetStereoFFT8bitInterleaved;   /* 212 */
  XFM_SLOT(XfmOpenExFn) OpenXfmEx;                            /* 216 */
  XFM_SLOT(XfmSetVarFn) SetXfmVar;                            /* 220 */
  XFM_SLOT(XfmCallFn) CallXfm;                                /* 224 */
  XFM_SLOT(XfmDelayWriteFn) delayWrite;                       /* 228: or the 16-to-8 variant */
  XFM_SLOT(XfmDelayInitFn) delayWriteInit;                    /* 232: likewise */
  XFM_SLOT(XfmVoidFn) delayWriteDestroy;                      /* 236: likewise */
  XFM_SLOT(XfmModule) instance;                               /* 240: the program's instance */
  XFM_SLOT(XfmGraphCopyFn) graphapiCopyGraph;                 /* 244 */
  XFM_SLOT(XfmVocOldEditFn) vocCutOld;                        /* 248: or vocCut16to8Old */
  XFM_SLOT(XfmVocOldEditFn) vocInsertBlank;                   /* 252: or vocInsertBlank16to8 */
  XFM_SLOT(XfmDeleteVarsFn) DeleteXfmVars;                    /* 256 */
  int32_t lastVisible;                                        /* 260 */
  int32_t firstVisible;                                       /* 264 */
  XFM_SLOT(XfmGraphSetPointFn) graphapiSetPoint;              /* 268 */
  uint32_t extraFlags;      /* 272: 0 from the host; bits set in XfmSetup are or-ed with the info's flags */
  XFM_SLOT(XfmLfftFn) LFFT; /* 276 */
  XFM_SLOT(XfmConvoluteFn) Convolute;         /* 280 */
  int32_t ownFirst;                           /* 284: with XFM_OWN_RANGE */
  int32_t ownLast;                            /* 288 */
  XFM_SLOT(XfmModule) plugin;                 /* 292: the plug-in library's instance */
  XFM_SLOT(XfmPreviewStartFn) PreviewStart;   /* 296 */
  XFM_SLOT(XfmPreviewStopFn) PreviewStop;     /* 300 */
  XFM_SLOT(XfmPreviewUpdateFn) PreviewUpdate; /* 304 */
  XFM_SLOT(XfmDisplayInitFn) DisplayInit;     /* 308 */
  int32_t timeOffset;                         /* 312: frames added to positions shown as times */
  XFM_SLOT(XfmLimitsFn) Limits;               /* 316 */
  uint16_t limitsControl; /* 320: the control Limits last found out of range, 0 when none */
  uint16_t pad322;
  XFM_SLOT(XfmWindow) limitsOwner;    /* 324: owner of the Limits alert, 0 = main */
  XFM_SLOT(XfmSampleIoFn) vocReadEx;  /* 328: or OpenXfmEx's reader */
  XFM_SLOT(XfmSampleIoFn) vocWriteEx; /* 332: or OpenXfmEx's writer */
  uint16_t readMask; /* 336: or-ed into every reader call's format (XF_SRC_LEFT 0x800 / XF_SRC_RIGHT 0x400) */
  uint16_t
      writeMask; /* 338: or-ed into every writer call's format (XF_DST_LEFT 0x100 / XF_DST_RIGHT 0x200) */
  XfmFile file;  /* 340: first argument of the reader, the writer, delayWriteEx and delayWriteDestroyEx */
  XFM_SLOT(XfmConvoluteExFn) ConvoluteEx;            /* 344 */
  XFM_SLOT(XfmVocCutExFn) vocCutEx;                  /* 348 */
  XFM_SLOT(XfmVocInsertExFn) vocInsertEx;            /* 352 */
  XFM_SLOT(XfmVocGetMinMaxFn) vocGetMinMax;          /* 356 */
  XFM_SLOT(XfmDelayInitExFn) delayWriteInitEx;       /* 360 */
  XFM_SLOT(XfmDelayWriteExFn) delayWriteEx;          /* 364 */
  XFM_SLOT(XfmDelayDestroyExFn) delayWriteDestroyEx; /* 368 */
  XFM_SLOT(const char*) helpName;                    /* 372: "sorn.hlp" */
  uint16_t handleIndex;                              /* 376: table index (contexts of OpenXfm/OpenXfmEx) */
  uint16_t pad378;
  XFM_SLOT(XfmModule) handleModule; /* 380: the library (contexts of OpenXfm/OpenXfmEx) */
};

/* ---- Plug-in entry points (exported undecorated by name)
 * --------------------------------------------------- */
/* Fills info (the host zero-filled it); returns the version. pops 4 */
typedef uint32_t(XFMAPI* QueryXfmFn)(XfmInfo* info);
/* Lays out and initialises the variables block at context->vars; nonzero on success. pops 4 */
typedef int32_t(XFMAPI* XfmInitFn)(XfmContext* context);
/* 0 cancel, 1 run, 2 keep the settings but do not run. pops 12 */
typedef int32_t(XFMAPI* XfmSetupFn)(XfmWindow owner, XfmModule plugin, XfmContext* context);
/* Processes context->first..last; generators return the frames generated. pops 4 */
typedef int32_t(XFMAPI* XfmDoFn)(XfmContext* context);
/* Releases what XfmInit created; the host frees the block. pops 4 */
typedef int32_t(XFMAPI* XfmDestroyFn)(XfmContext* context);
/* Optional: applies new settings to a running preview (running, new, running, read position). pops 16 */
typedef int32_t(XFMAPI* XfmUpdateFn)(XfmContext* running, XfmContext* changed, XfmContext* running2,
                                     int32_t readPosition);

/* ---- Host exports for running transforms from other code --------------------------------------------------
 */
typedef int32_t(XFMAPI* OpenXfmFn)(const char* name);                                         /* 4 */
typedef int32_t(XFMAPI* DoXfmFn)(int32_t handle, int32_t first, int32_t last, int32_t quiet); /* 16 */
typedef int32_t(XFMAPI* CloseXfmFn)(int32_t handle);                                          /* 4 */
typedef int32_t(XFMAPI* CreateXfmVarsFn)(const char* name);                                   /* 4 */
/* bGetXfmData / bSetXfmData: 1, or 0 when the handle is free or offset + length (16-bit each) passes the
 * end of the block. pops 16 */
typedef int32_t(XFMAPI* BGetXfmDataFn)(void* destination, int32_t handle, int32_t offset, int32_t length);
typedef int32_t(XFMAPI* BSetXfmDataFn)(int32_t handle, const void* source, int32_t offset, int32_t length);

/* ---- Layout checks
 * ----------------------------------------------------------------------------------------- */
#if defined(__cplusplus)
#define XFM_ASSERT(c, m) static_assert(c, m)
#else
#define XFM_ASSERT(c, m) _Static_assert(c, m)
#endif
#define XFM_AT(type, field, at) XFM_ASSERT(offsetof(type, field) == (at), #type "." #field " at " #at)

XFM_ASSERT(sizeof(XfmInfo) == 448, "XfmInfo is 448 bytes");
XFM_AT(XfmInfo, name, 0);
XFM_AT(XfmInfo, copyright, 80);
XFM_AT(XfmInfo, description, 160);
XFM_AT(XfmInfo, formatMask, 240);
XFM_AT(XfmInfo, pad242, 242);
XFM_AT(XfmInfo, flags, 244);
XFM_AT(XfmInfo, varsSize, 248);
XFM_AT(XfmInfo, types, 252);
XFM_AT(XfmInfo, presets, 348);
XFM_AT(XfmInfo, oldLayout, 444);
XFM_AT(XfmInfo, pad446, 446);
XFM_ASSERT(XFM_OLD_PRESETS_AT + XFM_OLD_PRESETS_CHARS == XFM_OLD_INFO_BYTES, "the old record is 296 bytes");

XFM_ASSERT(sizeof(XfmEntry) == 476, "XfmEntry is 476 bytes");
XFM_AT(XfmEntry, fileName, 448);
XFM_AT(XfmEntry, vars, 468);
XFM_AT(XfmEntry, bitmap, 472);

XFM_ASSERT(sizeof(XfmContext) == 384, "XfmContext is 384 bytes");
XFM_AT(XfmContext, channels, 0);
XFM_AT(XfmContext, bits, 2);
XFM_AT(XfmContext, frameBytes, 4);
XFM_AT(XfmContext, pad6, 6);
XFM_AT(XfmContext, rate, 8);
XFM_AT(XfmContext, vars, 12);
XFM_AT(XfmContext, first, 16);
XFM_AT(XfmContext, last, 20);
XFM_AT(XfmContext, reserved24, 24);
XFM_AT(XfmContext, entry, 28);
XFM_AT(XfmContext, cwCenter, 32);
XFM_AT(XfmContext, vocReadOld, 36);
XFM_AT(XfmContext, vocWriteAtOld, 40);
XFM_AT(XfmContext, cancel, 44);
XFM_AT(XfmContext, progressMeter, 48);
XFM_AT(XfmContext, progressCreate, 52);
XFM_AT(XfmContext, progressDestroy, 56);
XFM_AT(XfmContext, iniName, 60);
XFM_AT(XfmContext, presetsInitIni, 64);
XFM_AT(XfmContext, presetHandlePRESETNAME, 68);
XFM_AT(XfmContext, HandleID_PRESETS, 72);
XFM_AT(XfmContext, HandleID_ADD, 76);
XFM_AT(XfmContext, presetHandleDEL, 80);
XFM_AT(XfmContext, graphapiCreate, 84);
XFM_AT(XfmContext, graphapiCount, 88);
XFM_AT(XfmContext, graphapiGetPoint, 92);
XFM_AT(XfmContext, graphapiGetValueAt, 96);
XFM_AT(XfmContext, graphapiDraw, 100);
XFM_AT(XfmContext, graphapiClear, 104);
XFM_AT(XfmContext, graphapiInverse, 108);
XFM_AT(XfmContext, graphapiDestroy, 112);
XFM_AT(XfmContext, graphapiWM_LBUTTONDOWN, 116);
XFM_AT(XfmContext, graphapiWM_LBUTTONUP, 120);
XFM_AT(XfmContext, graphapiWM_LBUTTONDBLCLK, 124);
XFM_AT(XfmContext, graphapiWM_MOUSEMOVE, 128);
XFM_AT(XfmContext, graphapiSetDblClkScales, 132);
XFM_AT(XfmContext, graphapiSetDblClkNames, 136);
XFM_AT(XfmContext, graphapiSetDialog, 140);
XFM_AT(XfmContext, scriptPlaying, 144);
XFM_AT(XfmContext, scriptPause, 146);
XFM_AT(XfmContext, font, 148);
XFM_AT(XfmContext, generateReplace, 152);
XFM_AT(XfmContext, generateCount, 156);
XFM_AT(XfmContext, one, 160);
XFM_AT(XfmContext, FFT, 164);
XFM_AT(XfmContext, WindowFFT, 168);
XFM_AT(XfmContext, IWindowFFT, 172);
XFM_AT(XfmContext, SetWindowType, 176);
XFM_AT(XfmContext, getTempName, 180);
XFM_AT(XfmContext, SetFFT16bit, 184);
XFM_AT(XfmContext, SetFFT8bit, 188);
XFM_AT(XfmContext, SetStereoFFT16bit, 192);
XFM_AT(XfmContext, SetStereoFFT8bit, 196);
XFM_AT(XfmContext, SetStereoFFT16bitInterleaved, 200);
XFM_AT(XfmContext, SetStereoFFT8bitInterleaved, 204);
XFM_AT(XfmContext, GetStereoFFT16bitInterleaved, 208);
XFM_AT(XfmContext, GetStereoFFT8bitInterleaved, 212);
XFM_AT(XfmContext, OpenXfmEx, 216);
XFM_AT(XfmContext, SetXfmVar, 220);
XFM_AT(XfmContext, CallXfm, 224);
XFM_AT(XfmContext, delayWrite, 228);
XFM_AT(XfmContext, delayWriteInit, 232);
XFM_AT(XfmContext, delayWriteDestroy, 236);
XFM_AT(XfmContext, instance, 240);
XFM_AT(XfmContext, graphapiCopyGraph, 244);
XFM_AT(XfmContext, vocCutOld, 248);
XFM_AT(XfmContext, vocInsertBlank, 252);
XFM_AT(XfmContext, DeleteXfmVars, 256);
XFM_AT(XfmContext, lastVisible, 260);
XFM_AT(XfmContext, firstVisible, 264);
XFM_AT(XfmContext, graphapiSetPoint, 268);
XFM_AT(XfmContext, extraFlags, 272);
XFM_AT(XfmContext, LFFT, 276);
XFM_AT(XfmContext, Convolute, 280);
XFM_AT(XfmContext, ownFirst, 284);
XFM_AT(XfmContext, ownLast, 288);
XFM_AT(XfmContext, plugin, 292);
XFM_AT(XfmContext, PreviewStart, 296);
XFM_AT(XfmContext, PreviewStop, 300);
XFM_AT(XfmContext, PreviewUpdate, 304);
XFM_AT(XfmContext, DisplayInit, 308);
XFM_AT(XfmContext, timeOffset, 312);
XFM_AT(XfmContext, Limits, 316);
XFM_AT(XfmContext, limitsControl, 320);
XFM_AT(XfmContext, pad322, 322);
XFM_AT(XfmContext, limitsOwner, 324);
XFM_AT(XfmContext, vocReadEx, 328);
XFM_AT(XfmContext, vocWriteEx, 332);
XFM_AT(XfmContext, readMask, 336);
XFM_AT(XfmContext, writeMask, 338);
XFM_AT(XfmContext, file, 340);
XFM_AT(XfmContext, ConvoluteEx, 344);
XFM_AT(XfmContext, vocCutEx, 348);
XFM_AT(XfmContext, vocInsertEx, 352);
XFM_AT(XfmContext, vocGetMinMax, 356);
XFM_AT(XfmContext, delayWriteInitEx, 360);
XFM_AT(XfmContext, delayWriteEx, 364);
XFM_AT(XfmContext, delayWriteDestroyEx, 368);
XFM_AT(XfmContext, helpName, 372);
XFM_AT(XfmContext, handleIndex, 376);
XFM_AT(XfmContext, pad378, 378);
XFM_AT(XfmContext, handleModule, 380);

#if XFM_ABI_NATIVE_32
XFM_ASSERT(sizeof(void*) == 4, "transforms are 32-bit");
XFM_ASSERT(sizeof(XfmLimitsFn) == 4 && sizeof(XfmConvoluteExFn) == 4, "a service slot is one 32-bit address");
#endif

#ifdef __cplusplus
}
#endif

#endif /* SORN_XFM_ABI_H */
