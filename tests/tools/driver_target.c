/* driver-target: a tiny window for the driver's own end-to-end test (tests/e2e/test_driver.py).
 *
 * It answers the commands the test posts the way the program's windows would, and shows each result in its
 * title so the driver can read it back:
 *   command 100  message box "Replace the selection?" captioned "Attention!" (Yes/No/Cancel) → title "box <answer>"
 *   command 101  dialog "Target Dialog" with edit 300, a disabled button 301, OK and Cancel
 *                → title "text <edit text>" after OK, "cancelled" after Cancel
 *   WM_CLOSE     ends the program with exit code 7, so the test sees the code pass through.
 */
#include <windows.h>
#include <stdio.h>

#include "driver_target.h"

static char g_text[256];

static INT_PTR CALLBACK TARGETMsgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  (void)lp;
  switch (msg) {
    case WM_INITDIALOG:
      EnableWindow(GetDlgItem(dlg, IDC_TARGET_DISABLED), FALSE);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
        GetDlgItemTextA(dlg, IDC_TARGET_EDIT, g_text, sizeof g_text);
        EndDialog(dlg, LOWORD(wp));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

static LRESULT CALLBACK TargetWndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  char title[300];
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wp) == IDM_TARGET_BOX) {
        int r = MessageBoxA(w, "Replace the selection?", "Attention!", MB_YESNOCANCEL | MB_ICONQUESTION);
        snprintf(title, sizeof title, "box %d", r);
        SetWindowTextA(w, title);
        return 0;
      }
      if (LOWORD(wp) == IDM_TARGET_DIALOG) {
        INT_PTR r = DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_TARGET), w, TARGETMsgProc, 0);
        if (r == IDOK) {
          snprintf(title, sizeof title, "text %s", g_text);
        } else {
          snprintf(title, sizeof title, "cancelled");
        }
        SetWindowTextA(w, title);
        return 0;
      }
      break;
    case WM_DESTROY:
      PostQuitMessage(7);
      return 0;
  }
  return DefWindowProcA(w, msg, wp, lp);
}

int WINAPI WinMain(HINSTANCE inst, HINSTANCE prev, LPSTR cmd, int show) {
  WNDCLASSA wc = {0};
  HWND w;
  MSG m;
  (void)prev;
  (void)cmd;
  wc.lpfnWndProc = TargetWndProc;
  wc.hInstance = inst;
  wc.lpszClassName = "SornDriverTarget";
  wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  wc.hCursor = LoadCursor(NULL, IDC_ARROW);
  if (!RegisterClassA(&wc)) return 1;
  w = CreateWindowA("SornDriverTarget", "ready", WS_OVERLAPPEDWINDOW, 40, 40, 300, 200, NULL, NULL, inst, NULL);
  if (!w) return 2;
  ShowWindow(w, show);
  while (GetMessageA(&m, NULL, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  return (int)m.wParam;
}
