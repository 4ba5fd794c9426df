// The Viewing Range dialog (3147, "ID_SAMPLESDLG"): shows the view's first and last sample in the current
// time format, and on OK sets the view to the range typed. A view change only: no undo level, the samples
// and the selection stay. Texts that do not read, or a range outside the wave, get a message and the
// dialog stays open on the field at fault.
// clang-format off
#include "platform/win32.h"  // before the other system headers
// clang-format on

#include <algorithm>
#include <cmath>
#include <string>

#include "display/view_model.h"
#include "display/wavedisp_win.h"
#include "document/wave_document.h"
#include "resources/command_ids.h"
#include "resources/dialog_ids.h"
#include "shell/app_state.h"
#include "shell/document_support.h"
#include "shell/viewing_range.h"
#include "shell/window_commands.h"
#include "ui/dispatch.h"
#include "ui/message_box.h"

namespace shell {
namespace {

struct ViewingRange {
  uint32_t rate = 0, length = 0;
  int mode = 0, fps = 30;
  int64_t first = 0, last = 0;  // in: the view; out: the range typed
};

std::string fieldText(HWND dlg, int id) {
  char text[64] = {};
  GetDlgItemTextA(dlg, id, text, sizeof text);
  return text;
}

INT_PTR CALLBACK SAMPLESMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* r = reinterpret_cast<ViewingRange*>(GetWindowLongPtrA(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dlg, DWLP_USER, lParam);
      r = reinterpret_cast<ViewingRange*>(lParam);
      SetDlgItemTextA(dlg, IDC_VR_FORMAT, ("Times in " + ViewFormatName(r->mode)).c_str());
      SetDlgItemTextA(dlg, IDC_VR_START, FormatViewPosition(r->first, r->rate, r->mode, r->fps).c_str());
      SetDlgItemTextA(dlg, IDC_VR_END, FormatViewPosition(r->last, r->rate, r->mode, r->fps).c_str());
      const std::string whole = "The wave: " + FormatViewPosition(0, r->rate, r->mode, r->fps) + " to " +
                                FormatViewPosition(r->length ? r->length - 1 : 0, r->rate, r->mode, r->fps);
      SetDlgItemTextA(dlg, IDC_VR_LENGTH, whole.c_str());
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK && r) {
        std::string error;
        int64_t first = 0, last = 0;
        const std::string start = fieldText(dlg, IDC_VR_START), end = fieldText(dlg, IDC_VR_END);
        if (!ReadViewingRange(start, end, r->rate, r->mode, r->fps, r->length, &first, &last, &error)) {
          ui::ShowMessageBox(error.c_str(), "Viewing Range", ui::kMbOk | ui::kMbIconExclamation);
          int64_t unused = 0;
          const int bad =
              ParseViewPosition(start, r->rate, r->mode, r->fps, &unused) ? IDC_VR_END : IDC_VR_START;
          HWND field = GetDlgItem(dlg, bad);
          SetFocus(field);
          SendMessageA(field, EM_SETSEL, 0, -1);
          return TRUE;
        }
        r->first = first;
        r->last = last;
        EndDialog(dlg, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dlg, IDCANCEL);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

void onViewingRange() {
  document::WaveDocument* doc = currentDocument();
  HWND display = static_cast<HWND>(currentDisplay());
  const display::WaveView* v = display ? display::WaveDispModel(display) : nullptr;
  if (!doc || !v || doc->lengthFrames() == 0) return;
  ViewingRange r;
  r.rate = doc->rate();
  r.length = doc->lengthFrames();
  r.mode = app().settings.timeMode;
  r.fps = app().settings.timeCodeFrames;
  // The whole samples in view.
  r.first = std::max<int64_t>(0, int64_t(std::ceil(v->first())));
  r.last = std::min<int64_t>(int64_t(r.length) - 1, int64_t(std::floor(v->last())));
  if (r.last <= r.first) r.last = std::min<int64_t>(int64_t(r.length) - 1, r.first + 1);
  if (DialogBoxParamA(static_cast<HINSTANCE>(app().instance), "ID_SAMPLESDLG",
                      static_cast<HWND>(app().mainWindow), SAMPLESMsgProc,
                      reinterpret_cast<LPARAM>(&r)) != IDOK)
    return;
  display::WaveDispSetView(display, double(r.first), double(r.last));
  refreshMenuStateNow();
}

}  // namespace

void registerViewingRangeCommand() {
  ui::registerCommand(IDM_VIEWING_RANGE, [](int, intptr_t) { onViewingRange(); });
}

}  // namespace shell
