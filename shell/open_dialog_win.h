// The open dialog's information panel and preview playback: with "FilePreviewInfo" on, a panel under the
// common open dialog shows the format and size of the file selected or typed in it, as the reading filters
// see it; with "PreviewFiles" on as well, that file plays through the stream player while it stays chosen.
#pragma once

#include <memory>

#include "platform/win32.h"
// clang-format off
#include <commdlg.h>
// clang-format on

namespace shell {

class OpenDialogPanel {
 public:
  // Adds the panel's template and hook to ofn (nothing when "FilePreviewInfo" is off). Must outlive the
  // GetOpenFileName call.
  explicit OpenDialogPanel(OPENFILENAMEA* ofn);
  ~OpenDialogPanel();
  OpenDialogPanel(const OpenDialogPanel&) = delete;
  OpenDialogPanel& operator=(const OpenDialogPanel&) = delete;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace shell
