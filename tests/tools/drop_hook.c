/* drop-hook.dll: lets sorn-driver drop files on a window of another process.
 *
 * A drop hands the window a global memory handle of the window's own process, which another process cannot
 * make. The driver therefore puts the DROPFILES block into a named shared mapping, hooks the target thread's
 * message retrieval with this DLL (Windows loads it into the target for that) and posts the registered
 * message "SornDriverDrop" to the window. Here, in the target, that message becomes WM_DROPFILES with a fresh
 * global copy of the block, which the window's DragFinish gives back; the mapping's first word tells the
 * driver the drop was taken.
 */
#include <windows.h>

#include <string.h>

#include "drop_hook.h"

__declspec(dllexport) LRESULT CALLBACK DropHookProc(int code, WPARAM wp, LPARAM lp) {
  MSG *m = (MSG *)lp;
  static UINT drop_message;
  if (!drop_message) drop_message = RegisterWindowMessageA(SORN_DROP_MESSAGE);
  if (code == HC_ACTION && wp == PM_REMOVE && m && m->message == drop_message) {
    HANDLE map = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, SORN_DROP_MAPPING);
    LONG *shared = map ? (LONG *)MapViewOfFile(map, FILE_MAP_ALL_ACCESS, 0, 0, SORN_DROP_BYTES) : NULL;
    if (shared) {
      DWORD bytes = (DWORD)shared[1];
      HGLOBAL g = bytes && bytes <= SORN_DROP_BYTES - 8 ? GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes) : NULL;
      void *p = g ? GlobalLock(g) : NULL;
      if (p) {
        memcpy(p, shared + 2, bytes);
        GlobalUnlock(g);
        m->message = WM_DROPFILES;
        m->wParam = (WPARAM)g;
        m->lParam = 0;
        InterlockedExchange(&shared[0], 1);
      } else {
        if (g) GlobalFree(g);
        InterlockedExchange(&shared[0], 2);
      }
      UnmapViewOfFile(shared);
    }
    if (map) CloseHandle(map);
  }
  return CallNextHookEx(NULL, code, wp, lp);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}
