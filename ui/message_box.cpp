// The single message-box entry point and its replaceable sink.
#include "ui/message_box.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace ui {
namespace {

std::mutex& sinkLock() {
  static std::mutex m;
  return m;
}
MessageBoxSink& sinkSlot() {
  static MessageBoxSink sink;
  return sink;
}

std::atomic<void*> gMessageBoxOwner{nullptr};

}  // namespace

void setMessageBoxOwner(void* window) {
  gMessageBoxOwner = window;
}

void* messageBoxOwner() {
  return gMessageBoxOwner;
}

int ShowMessageBox(const char* text, const char* caption, unsigned flags) {
  MessageBoxSink sink;
  {
    std::lock_guard<std::mutex> g(sinkLock());
    sink = sinkSlot();
  }
  if (!text) text = "";
  if (sink) return sink(text, caption ? caption : kDefaultCaption, flags);
  return detail::platformMessageBox(text, caption, flags);
}

int defaultAnswer(unsigned flags) {
  unsigned button = (flags & kMbDefButtonMask) >> 8;  // 0 first, 1 second, 2 third
  switch (flags & kMbTypeMask) {
    case kMbOkCancel: {
      const int a[] = {kIdOk, kIdCancel, kIdCancel};
      return a[button > 2 ? 0 : button];
    }
    case kMbAbortRetryIgnore: {
      const int a[] = {kIdAbort, kIdRetry, kIdIgnore};
      return a[button > 2 ? 0 : button];
    }
    case kMbYesNoCancel: {
      const int a[] = {kIdYes, kIdNo, kIdCancel};
      return a[button > 2 ? 0 : button];
    }
    case kMbYesNo: {
      const int a[] = {kIdYes, kIdNo, kIdNo};
      return a[button > 2 ? 0 : button];
    }
    case kMbRetryCancel: {
      const int a[] = {kIdRetry, kIdCancel, kIdCancel};
      return a[button > 2 ? 0 : button];
    }
    default:
      return kIdOk;
  }
}

MessageBoxSink setMessageBoxSink(MessageBoxSink sink) {
  std::lock_guard<std::mutex> g(sinkLock());
  MessageBoxSink old = std::move(sinkSlot());
  sinkSlot() = std::move(sink);
  return old;
}

void debugOutput(const char* line) {
  detail::platformDebugOutput(line ? line : "");
}

void debugOutputf(const char* fmt, ...) {
  char buf[1024];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  debugOutput(buf);
}

ScriptedMessageBoxes::ScriptedMessageBoxes() {
  previous_ = setMessageBoxSink([this](const char* t, const char* c, unsigned f) { return answer(t, c, f); });
}

ScriptedMessageBoxes::~ScriptedMessageBoxes() {
  setMessageBoxSink(std::move(previous_));
}

void ScriptedMessageBoxes::queueAnswer(int a) {
  std::lock_guard<std::mutex> g(m_);
  answers_.push_back(a);
}

std::vector<ScriptedMessageBoxes::Shown> ScriptedMessageBoxes::shown() const {
  std::lock_guard<std::mutex> g(m_);
  return shown_;
}

size_t ScriptedMessageBoxes::count() const {
  std::lock_guard<std::mutex> g(m_);
  return shown_.size();
}

int ScriptedMessageBoxes::answer(const char* text, const char* caption, unsigned flags) {
  std::lock_guard<std::mutex> g(m_);
  int a = defaultAnswer(flags);
  if (!answers_.empty()) {
    a = answers_.front();
    answers_.erase(answers_.begin());
  }
  shown_.push_back({text, caption, flags, a});
  return a;
}

}  // namespace ui
