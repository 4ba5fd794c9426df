// Generate Silence (4100): the "ID_SILENCE" dialog asks for the duration in seconds (opening with the
// last one, [Silence] Duration), then the selection is replaced by that much silence, or it is inserted at
// the cursor. The duration is checked before the dialog closes: a number, at least one frame, and no more
// than the wave can hold. Without a document, New makes one first.
// clang-format off
#include "platform/win32.h"  // before the other system headers
#include "storage/store.h"
// clang-format on

#include <algorithm>
#include <string>

#include "document/edit_ops.h"
#include "document/wave_document.h"
#include "shell/app_state.h"
#include "resources/command_ids.h"
#include "ui/dispatch.h"
#include "shell/document_support.h"
#include "resources/edit_dialog_ids.h"
#include "shell/edit_dialogs.h"
#include "ui/message_box.h"
#include "shell/window_commands.h"

namespace shell {
namespace {

struct SilenceDialog {
  double seconds = 10.0;
  uint32_t rate = 0, blockAlign = 0, keptFrames = 0;
};

std::string itemText(HWND dlg, int id) {
  char text[128] = {};
  GetDlgItemTextA(dlg, id, text, sizeof text);
  return text;
}

INT_PTR CALLBACK SILENCEMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* d = reinterpret_cast<SilenceDialog*>(GetWindowLongPtrA(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dlg, DWLP_USER, lParam);
      d = reinterpret_cast<SilenceDialog*>(lParam);
      SetDlgItemTextA(dlg, IDC_SILENCE_SECONDS, FormatDialogNumber(d->seconds).c_str());
      SendDlgItemMessageA(dlg, IDC_SILENCE_SECONDS, EM_SETSEL, 0, -1);
      SetFocus(GetDlgItem(dlg, IDC_SILENCE_SECONDS));
      return FALSE;  // the focus is set
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: {
          double seconds = 0;
          SilenceCheck c = CheckSilenceDuration(itemText(dlg, IDC_SILENCE_SECONDS), d->rate, d->blockAlign,
                                                d->keptFrames, &seconds);
          if (c != SilenceCheck::Ok) {
            ui::ShowMessageBox(SilenceCheckMessage(c).c_str(), "Error", ui::kMbOk | ui::kMbIconExclamation);
            SetFocus(GetDlgItem(dlg, IDC_SILENCE_SECONDS));
            SendDlgItemMessageA(dlg, IDC_SILENCE_SECONDS, EM_SETSEL, 0, -1);
            return TRUE;
          }
          d->seconds = seconds;
          EndDialog(dlg, IDOK);
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dlg, IDCANCEL);
          return TRUE;
        case IDC_HELP_BUTTON:
          WinHelpA(dlg, app().helpPath.c_str(), HELP_KEY, reinterpret_cast<ULONG_PTR>("Generate Silence"));
          return TRUE;
        default:
          break;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

void onGenerateSilence() {
  document::WaveDocument* doc = currentDocument();
  if (!doc || !doc->file()) {
    // No document: New makes one first (asking for its format); cancelling it cancels the silence too.
    if (refuseDocumentWork()) return;
    ui::dispatchCommand(IDM_NEW, 0);
    doc = currentDocument();
    if (!doc || !doc->file()) return;
  }
  document::EditRange range = currentEditRange();
  if (doc->channels() != 2) range.editChannel = 0;
  Settings& s = app().settings;
  double seconds = InitialSilenceDuration(s);
  if (!commandWithoutDialog()) {
    SilenceDialog d;
    d.seconds = seconds;
    d.rate = doc->rate();
    d.blockAlign = doc->blockAlign();
    const uint32_t length = doc->lengthFrames();
    uint32_t selected = 0;
    if (range.hasSelection() && range.start < int64_t(length)) {
      const int64_t last = std::min<int64_t>(range.end, int64_t(length) - 1);
      selected = uint32_t(last - range.start + 1);
    }
    d.keptFrames = length - selected;
    INT_PTR r =
        DialogBoxParamA(static_cast<HINSTANCE>(app().instance), "ID_SILENCE",
                        static_cast<HWND>(app().mainWindow), SILENCEMsgProc, reinterpret_cast<LPARAM>(&d));
    if (r != IDOK) return;
    seconds = d.seconds;
    s.silenceDuration = seconds;
  }
  document::EditResult r = document::GenerateSilence(doc, range, seconds, currentEditUi());
  if (r.status != document::kEditOk) ui::debugOutputf("Generate Silence: status %d\n", r.status);
  applyEditResult(r);
  refreshMenuStateNow();
}

}  // namespace

void registerGenerateSilenceCommand() {
  ui::registerCommand(IDM_GENERATE_SILENCE, [](int, intptr_t) { onGenerateSilence(); });
}

}  // namespace shell
