// Every message box of the program goes through ShowMessageBox, so tests and scripts can see each one
// and answer it. The Windows build shows a real box owned by the main window and writes
// "msgbox: <caption>: <text>" to the debug output first (the end-to-end driver reads it); a sink
// installed with setMessageBoxSink replaces the box entirely.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace ui {

// Button sets, icons and default buttons: the values of the Win32 MB_* flags. The icons have two names
// each: the window system's and the one that says what the box is for.
constexpr unsigned kMbOk = 0x0;
constexpr unsigned kMbOkCancel = 0x1;
constexpr unsigned kMbAbortRetryIgnore = 0x2;
constexpr unsigned kMbYesNoCancel = 0x3;
constexpr unsigned kMbYesNo = 0x4;
constexpr unsigned kMbRetryCancel = 0x5;
constexpr unsigned kMbTypeMask = 0xF;
constexpr unsigned kMbIconHand = 0x10;  // also "error" / "stop"
constexpr unsigned kMbIconQuestion = 0x20;
constexpr unsigned kMbIconExclamation = 0x30;  // also "warning"
constexpr unsigned kMbIconAsterisk = 0x40;     // also "information"
constexpr unsigned kMbIconError = kMbIconHand;
constexpr unsigned kMbIconWarning = kMbIconExclamation;
constexpr unsigned kMbIconInformation = kMbIconAsterisk;
constexpr unsigned kMbDefButton2 = 0x100;
constexpr unsigned kMbDefButton3 = 0x200;
constexpr unsigned kMbDefButtonMask = 0xF00;
constexpr unsigned kMbTaskModal = 0x2000;

// Answers: the values of the Win32 ID* codes.
constexpr int kIdOk = 1, kIdCancel = 2, kIdAbort = 3, kIdRetry = 4, kIdIgnore = 5, kIdYes = 6, kIdNo = 7;

// The caption the window system uses when none is given.
constexpr const char* kDefaultCaption = "Error";

// Shows a message box and returns the button chosen. A null caption means the default caption.
int ShowMessageBox(const char* text, const char* caption, unsigned flags);

// The window that owns the real boxes (the main window once it exists; null: no owner).
void setMessageBoxOwner(void* window);
void* messageBoxOwner();

// The answer a box gives when its default button is pressed (what Enter does).
int defaultAnswer(unsigned flags);

using MessageBoxSink = std::function<int(const char* text, const char* caption, unsigned flags)>;
// Replaces the real boxes (null restores them). Returns the previous sink.
MessageBoxSink setMessageBoxSink(MessageBoxSink sink);

// One line of the debug output: on Windows the SORN_DEBUG_LOG file, else an attached debugger, else
// nowhere; stderr natively. Lines end in "\n".
void debugOutput(const char* line);
void debugOutputf(const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// A sink for tests and scripted runs: records every box and answers from a queue of scripted answers,
// falling back to the default button when the queue is empty. Installs itself while it lives.
class ScriptedMessageBoxes {
 public:
  struct Shown {
    std::string text, caption;
    unsigned flags;
    int answer;
  };
  ScriptedMessageBoxes();
  ~ScriptedMessageBoxes();
  ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
  ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

  void queueAnswer(int answer);
  std::vector<Shown> shown() const;
  size_t count() const;

 private:
  int answer(const char* text, const char* caption, unsigned flags);
  mutable std::mutex m_;
  std::vector<int> answers_;
  std::vector<Shown> shown_;
  MessageBoxSink previous_;
};

namespace detail {
// The platform's real box (message_box_win.cpp / message_box_posix.cpp).
int platformMessageBox(const char* text, const char* caption, unsigned flags);
void platformDebugOutput(const char* line);
}  // namespace detail

}  // namespace ui
