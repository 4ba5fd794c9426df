// The one place <windows.h> is included, with the macros that keep it small and free of min/max.
// Only *_win.cpp files include this.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
