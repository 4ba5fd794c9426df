/* The file-filter plug-in contract of Sorn Edit.
 *
 * A file filter is a DLL with the extension .flt in the program's directory. The editor loads it with
 * LoadLibrary and resolves the entry points below by name with GetProcAddress; a missing optional entry
 * means "not supported". Every entry point uses the standard Windows calling convention (__stdcall) and is
 * exported undecorated (through a .def file). Arguments and results are 32-bit; paths are ANSI; input and
 * output handles are opaque 32-bit values chosen by the filter, 0 meaning failure.
 *
 * This header is plain C so a filter can be written in C. The record layouts are fixed: they are checked
 * below for the 32-bit Windows build, the only one in which a filter and the editor meet. The portable core
 * of the editor never copies these records to or from files; flt.dat is written field by field.
 */
#ifndef SORN_FILTER_H
#define SORN_FILTER_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define SORN_FLTAPI __stdcall
#else
#define SORN_FLTAPI
#endif

/* QuerySornFilter returns one of these versions; the editor skips a filter returning anything else. */
#define SORN_FILTER_VERSION_MIN 1152
#define SORN_FILTER_VERSION_MAX 1154
#define SORN_FILTER_VERSION 1154

/* Capability word bits (FilterInfo.capabilities). */
#define FLT_WRITE 0x2u              /* can write files */
#define FLT_READ 0x4u               /* can read files */
#define FLT_SORT_LAST 0x8u          /* listed after all other filters */
#define FLT_META_BEFORE_READ 0x10u  /* metadata items are read before the samples */
#define FLT_META_AFTER_READ 0x20u   /* ... after the samples (when FLT_META_BEFORE_READ is clear) */
#define FLT_META_BEFORE_WRITE 0x40u /* metadata items are written before the samples */
#define FLT_META_AFTER_WRITE 0x80u  /* ... after the samples (when FLT_META_BEFORE_WRITE is clear) */
#define FLT_CONVERT_SILENTLY 0x200u /* convert to the suggested sample type without asking */
#define FLT_32BIT 0x800u            /* accepts 32-bit float samples (on the 16-bit scale) */
#define FLT_MAPPABLE 0x1000u        /* plain PCM that can be mapped in place (GetDataOffset) */

#define SORN_FILTER_NAME_CHARS 24
#define SORN_FILTER_DESC_CHARS 108
#define SORN_FILTER_EXT_CHARS 20
#define SORN_FILTER_DLL_CHARS 20
#define SORN_FILTER_TABLE_MAX 48

/* What a filter tells about itself. The editor zero-fills the record before QuerySornFilter; the filter
 * writes nothing past its 156 bytes and ends every text inside its field. */
typedef struct FilterInfo {
  char name[SORN_FILTER_NAME_CHARS];        /* "Windows PCM" ... ; a name containing "Windows" marks the
                                               default PCM filter */
  char description[SORN_FILTER_DESC_CHARS]; /* shown in file-type lists and while loading and saving;
                                               "~<number>" names a bitmap resource of the DLL */
  uint32_t capabilities;                    /* FLT_* bits */
  char extension[SORN_FILTER_EXT_CHARS];    /* default extension without the dot ("WAV") */
} FilterInfo;

/* One entry of the editor's filter table (and of flt.dat): the info, the DLL's file name and two fields
 * that are always 0. */
typedef struct FilterTableEntry {
  FilterInfo info;
  char dllName[SORN_FILTER_DLL_CHARS];
  uint16_t reserved1;
  uint16_t reserved2;
} FilterTableEntry;

/* A movable global memory block (HGLOBAL). */
typedef void* SornGlobalHandle;
/* A window (HWND) and a module (HMODULE), kept opaque so this header needs no <windows.h>. */
typedef void* SornWindow;
typedef void* SornModule;
/* An open input or output of a filter; 0 = failure. */
typedef uint32_t SornFilterHandle;

/* A special data item (a metadata chunk cut out of its container). The editor zero-fills the record before
 * every FilterGetFirstSpecialData / FilterGetNextSpecialData call; the filter allocates mem with
 * GlobalAlloc(GMEM_MOVEABLE, ...) and the editor frees it with GlobalFree. Texts end inside their fields. */
typedef struct SornSpecialData {
  uint32_t unused;
  SornGlobalHandle mem; /* the item's bytes */
  uint32_t size;        /* bytes of data */
  uint32_t count;       /* records in the data (meaning per chunk id) */
  char listType[8];     /* "INFO", "WAVE", "adtl", ... */
  char chunkId[20];     /* "cue ", "ltxt", "labl", "note", "plst", "smpl", "IART", ... (any case) */
} SornSpecialData;

/* ---- Entry points ---------------------------------------------------------------------------------------
 */

/* Fills info; returns the contract version (SORN_FILTER_VERSION_MIN..MAX). Required. */
typedef uint32_t(SORN_FLTAPI* QuerySornFilterFn)(FilterInfo* info);
/* 1 (exactly) when the filter recognises the file. */
typedef int32_t(SORN_FLTAPI* FilterUnderstandsFormatFn)(const char* path);
/* Opens a file for reading. rate, bits and channels come in as the caller's guesses (0 = unknown) and go out
 * as the file's; 0 left in any means raw data whose format the user must give. *chunkBytes receives the
 * read size the filter prefers (0 is a filter error). Returns the input, 0 on failure. */
typedef SornFilterHandle(SORN_FLTAPI* OpenFilterInputFn)(const char* path, uint32_t* rate, uint16_t* bits,
                                                         uint16_t* channels, SornWindow window,
                                                         uint32_t* chunkBytes);
/* As OpenFilterInput plus the filter's own module handle; preferred when present. */
typedef SornFilterHandle(SORN_FLTAPI* OpenFilterInput2Fn)(const char* path, uint32_t* rate, uint16_t* bits,
                                                          uint16_t* channels, SornWindow window,
                                                          uint32_t* chunkBytes, SornModule module);
/* Delivers up to bytes sample bytes (never more); 0 at the end. A read may end inside a frame; all reads
 * together deliver FilterGetFileSize bytes, a whole number of frames. */
typedef uint32_t(SORN_FLTAPI* ReadFilterInputFn)(SornFilterHandle input, void* buffer, uint32_t bytes);
/* Moves to a delivered-byte offset; returns the offset reached. Optional. */
typedef uint32_t(SORN_FLTAPI* SeekFilterInputFn)(SornFilterHandle input, uint32_t offset);
typedef void(SORN_FLTAPI* CloseFilterInputFn)(SornFilterHandle input);
/* Bytes of sample data the reads deliver. */
typedef uint32_t(SORN_FLTAPI* FilterGetFileSizeFn)(SornFilterHandle input);
/* The options value in effect for the file (the editor assumes 1 without this entry). */
typedef uint32_t(SORN_FLTAPI* FilterOptionsFn)(SornFilterHandle input);
/* Shows the filter's options dialog; returns the new options, 0 when cancelled. */
typedef uint32_t(SORN_FLTAPI* FilterGetOptionsFn)(SornWindow window, SornModule module, uint32_t rate,
                                                  uint32_t channels, uint32_t bits, uint32_t previous);
typedef void(SORN_FLTAPI* FilterSetOptionsFn)(SornFilterHandle input, uint32_t options, uint32_t rate,
                                              uint32_t channels, uint32_t bits);
/* 0 when the bytes of the file at *offset are exactly what ReadFilterInput delivers; offset + length lies
 * within the file and length equals FilterGetFileSize. Anything else: not mappable. */
typedef uint32_t(SORN_FLTAPI* GetDataOffsetFn)(SornFilterHandle input, int32_t* offset, int32_t* length);
/* Non-zero while an item was returned. */
typedef int32_t(SORN_FLTAPI* FilterGetSpecialDataFn)(SornFilterHandle input, SornSpecialData* item);

/* Creates a file for writing. bits (8, 16 or 32 float) and channels by value in 32-bit slots. *chunkBytes
 * receives the write size the filter prefers, a whole number of frames. Returns the output, or 0 with the
 * system's last error set (32, a sharing violation, when the file is in use). */
typedef SornFilterHandle(SORN_FLTAPI* OpenFilterOutputFn)(const char* path, uint32_t rate, uint32_t bits,
                                                          uint32_t channels, uint32_t totalBytes,
                                                          uint32_t* chunkBytes, uint32_t options);
/* Returns bytes, or 0 on any failure or short write. */
typedef uint32_t(SORN_FLTAPI* WriteFilterOutputFn)(SornFilterHandle output, void* buffer, uint32_t bytes);
/* Finishes and closes the file. Returns non-zero when every byte reached the file, 0 when the file is
 * incomplete (the disk filled while the last parts were written). */
typedef uint32_t(SORN_FLTAPI* CloseFilterOutputFn)(SornFilterHandle output);
/* Hands over one metadata item; the filter copies what it needs (the editor frees mem after the call).
 * Returns non-zero when the item was kept. */
typedef int32_t(SORN_FLTAPI* FilterWriteSpecialDataFn)(SornFilterHandle output, const char* listType,
                                                       const char* chunkId, SornGlobalHandle mem,
                                                       uint32_t size);
/* Suggests a sample type the filter can write; a field left 0 keeps the current value. */
typedef int32_t(SORN_FLTAPI* GetSuggestedSampleTypeFn)(uint32_t* bits, uint32_t* rate, uint32_t* channels);
typedef int32_t(SORN_FLTAPI* GetSuggestedSampleType2Fn)(uint32_t* bits, uint32_t* rate, uint32_t* channels,
                                                        uint32_t options);

/* ---- Layout checks ---------------------------------------------------------------------------------------
 */

#if defined(__cplusplus)
#define SORN_FLT_ASSERT(c, m) static_assert(c, m)
#else
#define SORN_FLT_ASSERT(c, m) _Static_assert(c, m)
#endif

SORN_FLT_ASSERT(sizeof(FilterInfo) == 156, "FilterInfo is 156 bytes");
SORN_FLT_ASSERT(offsetof(FilterInfo, description) == 24, "FilterInfo.description at 24");
SORN_FLT_ASSERT(offsetof(FilterInfo, capabilities) == 132, "FilterInfo.capabilities at 132");
SORN_FLT_ASSERT(offsetof(FilterInfo, extension) == 136, "FilterInfo.extension at 136");
SORN_FLT_ASSERT(sizeof(FilterTableEntry) == 180, "a filter table entry is 180 bytes");
SORN_FLT_ASSERT(offsetof(FilterTableEntry, dllName) == 156, "FilterTableEntry.dllName at 156");
SORN_FLT_ASSERT(offsetof(FilterTableEntry, reserved1) == 176, "FilterTableEntry.reserved1 at 176");
SORN_FLT_ASSERT(offsetof(FilterTableEntry, reserved2) == 178, "FilterTableEntry.reserved2 at 178");

#if defined(_WIN32) && !defined(_WIN64)
SORN_FLT_ASSERT(sizeof(void*) == 4, "filters are 32-bit");
SORN_FLT_ASSERT(sizeof(SornSpecialData) == 44, "a special data item is 44 bytes");
SORN_FLT_ASSERT(offsetof(SornSpecialData, mem) == 4, "SornSpecialData.mem at 4");
SORN_FLT_ASSERT(offsetof(SornSpecialData, size) == 8, "SornSpecialData.size at 8");
SORN_FLT_ASSERT(offsetof(SornSpecialData, count) == 12, "SornSpecialData.count at 12");
SORN_FLT_ASSERT(offsetof(SornSpecialData, listType) == 16, "SornSpecialData.listType at 16");
SORN_FLT_ASSERT(offsetof(SornSpecialData, chunkId) == 24, "SornSpecialData.chunkId at 24");
#endif

#ifdef __cplusplus
}
#endif

#endif /* SORN_FILTER_H */
