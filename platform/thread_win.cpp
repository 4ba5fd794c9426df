// Events as kernel event objects. The C++ library's timed condition-variable wait on this runtime can fail
// with "invalid argument" and end the program, so the cache thread's timed waits use the system's events.
#include "platform/thread.h"
#include "platform/win32.h"

namespace platform {

Event::Event(bool manualReset, bool initiallySet)
    : handle_(CreateEventA(nullptr, manualReset ? TRUE : FALSE, initiallySet ? TRUE : FALSE, nullptr)) {}

Event::~Event() {
  if (handle_) CloseHandle(handle_);
}

void Event::set() { SetEvent(handle_); }

void Event::reset() { ResetEvent(handle_); }

bool Event::wait(int64_t timeoutMs) {
  if (timeoutMs < 0) return WaitForSingleObject(handle_, INFINITE) == WAIT_OBJECT_0;
  // Long timeouts wait in steps below INFINITE (0xFFFFFFFF).
  const int64_t kStep = 0x7FFFFFFF;
  for (;;) {
    DWORD step = DWORD(timeoutMs < kStep ? timeoutMs : kStep);
    if (WaitForSingleObject(handle_, step) == WAIT_OBJECT_0) return true;
    timeoutMs -= step;
    if (timeoutMs <= 0) return false;
  }
}

}  // namespace platform
