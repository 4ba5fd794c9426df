// Native builds have no window system: a message box is written to stderr and answered with its
// default button, so an unattended run never waits.
#include <cstdio>

#include "ui/message_box.h"

namespace ui {
namespace detail {

int platformMessageBox(const char* text, const char* caption, unsigned flags) {
  std::fprintf(stderr, "msgbox: %s: %s\n", caption ? caption : kDefaultCaption, text);
  return defaultAnswer(flags);
}

void platformDebugOutput(const char* line) {
  std::fputs(line, stderr);
}

}  // namespace detail
}  // namespace ui
