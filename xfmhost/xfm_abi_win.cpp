// The contract header compiled for the 32-bit Windows build, where plug-ins and the host meet: its own
// layout checks run here, and these tie its opaque types to the system's.
#include <windows.h>

#include "include/xfm_abi.h"

static_assert(sizeof(XfmWindow) == sizeof(HWND) && sizeof(XfmMemory) == sizeof(HGLOBAL), "opaque handles");
static_assert(sizeof(XfmModule) == sizeof(HINSTANCE) && sizeof(XfmFont) == sizeof(HFONT), "opaque handles");
// xfm.dat stores the 24-byte BITMAP header of a toolbar bitmap.
static_assert(sizeof(BITMAP) == 24, "the stored bitmap header is a BITMAP");
static_assert(offsetof(BITMAP, bmPlanes) == 16 && offsetof(BITMAP, bmBits) == 20, "BITMAP layout");
static_assert(sizeof(XfmLimitsFn) == 4, "a service slot holds one 32-bit address");
