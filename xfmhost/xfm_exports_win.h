// The host's exported services (standard calling convention, stack realigned on entry since plug-ins only
// keep it 4-byte aligned). Each is exported under its name without the "xfm_" prefix (sorn96_exports.def);
// the context slots hold these same addresses. Included only by the host's *_win.cpp files.
#pragma once

#include "include/xfm_abi.h"

#define XFM_EXPORT(type) extern "C" __attribute__((force_align_arg_pointer)) type XFMAPI

// The nested API (xfm_host_win.cpp).
XFM_EXPORT(int32_t) xfm_OpenXfm(const char* name);
XFM_EXPORT(int32_t)
xfm_OpenXfmEx(const char* name, XfmFile file, int32_t rate, int32_t channel, XfmSampleIoFn reader,
              XfmSampleIoFn writer);
XFM_EXPORT(int32_t) xfm_DoXfm(int32_t handle, int32_t first, int32_t last, int32_t quiet);
XFM_EXPORT(int32_t) xfm_CloseXfm(int32_t handle);
XFM_EXPORT(int32_t) xfm_CreateXfmVars(const char* name);
XFM_EXPORT(int32_t) xfm_bGetXfmData(void* destination, int32_t handle, int32_t offset, int32_t length);
XFM_EXPORT(int32_t) xfm_bSetXfmData(int32_t handle, const void* source, int32_t offset, int32_t length);
XFM_EXPORT(int32_t) xfm_SetXfmVar(int32_t handle, int32_t offset, int32_t length, const void* source);
XFM_EXPORT(int32_t)
xfm_CallXfm(const char* name, int32_t handle, int32_t first, int32_t last, int32_t quiet, int32_t ignored);
XFM_EXPORT(int32_t) xfm_DeleteXfmVars(const char* name, int32_t handle);

namespace xfmhost {
// The convolution services' progress window and stop flag (installed at the scan).
void installServiceProgress();
}  // namespace xfmhost
