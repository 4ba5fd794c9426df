// Real message boxes, owned by the main window, each announced on the debug output first so the
// end-to-end driver can see which box is up and answer it.
#include "platform/win32.h"
#include "shell/app_state.h"
#include "shell/message_box.h"

namespace shell {

static_assert(kMbOk == MB_OK && kMbOkCancel == MB_OKCANCEL && kMbAbortRetryIgnore == MB_ABORTRETRYIGNORE &&
                  kMbYesNoCancel == MB_YESNOCANCEL && kMbYesNo == MB_YESNO &&
                  kMbRetryCancel == MB_RETRYCANCEL,
              "button sets match the window system's");
static_assert(kMbIconHand == MB_ICONHAND && kMbIconQuestion == MB_ICONQUESTION &&
                  kMbIconExclamation == MB_ICONEXCLAMATION && kMbIconAsterisk == MB_ICONASTERISK,
              "icons match the window system's");
static_assert(kMbDefButton2 == MB_DEFBUTTON2 && kMbDefButton3 == MB_DEFBUTTON3 &&
                  kMbTaskModal == MB_TASKMODAL,
              "default buttons match the window system's");
static_assert(kIdOk == IDOK && kIdCancel == IDCANCEL && kIdAbort == IDABORT && kIdRetry == IDRETRY &&
                  kIdIgnore == IDIGNORE && kIdYes == IDYES && kIdNo == IDNO,
              "answers match the window system's");

namespace detail {

int platformMessageBox(const char* text, const char* caption, unsigned flags) {
  debugOutputf("msgbox: %s: %s\n", caption ? caption : kDefaultCaption, text);
  HWND owner = static_cast<HWND>(app().mainWindow);
  if (owner && !IsWindow(owner)) owner = nullptr;
  return MessageBoxA(owner, text, caption, flags);
}

void platformDebugOutput(const char* line) {
  OutputDebugStringA(line);
}

}  // namespace detail
}  // namespace shell
