// Real message boxes, owned by the main window, each announced on the debug output first so the
// end-to-end driver can see which box is up and answer it.
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/win32.h"
#include "ui/message_box.h"

namespace ui {

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
  HWND owner = static_cast<HWND>(messageBoxOwner());
  if (owner && !IsWindow(owner)) owner = nullptr;
  return MessageBoxA(owner, text, caption, flags);
}

// Debug lines go to the file SORN_DEBUG_LOG names (test runs), else to an attached debugger, else
// nowhere. OutputDebugString works by raising an exception, which costs a round trip even with nobody
// listening, and under an emulator exception dispatch while another thread is busy can take the whole
// process down: a user's start must never depend on that.
void platformDebugOutput(const char* line) {
  static const char* logPath = std::getenv("SORN_DEBUG_LOG");
  if (!logPath || !*logPath) {
    if (IsDebuggerPresent()) OutputDebugStringA(line);
    return;
  }
  static std::mutex lock;  // the cache thread writes debug lines too
  std::lock_guard<std::mutex> g(lock);
  if (FILE* f = std::fopen(logPath, "ab")) {
    std::fputs(line, f);
    std::fclose(f);
  }
}

}  // namespace detail
}  // namespace ui
