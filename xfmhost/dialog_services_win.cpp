// cwCenter, Limits and AlertLimits; see dialog_services.h.
#include "platform/win32.h"
#include "resources/service_dialog_ids.h"
#include "xfmhost/dialog_services.h"
#include "xfmhost/service_math.h"

namespace xfmhost {
namespace {

struct DialogServices {
  std::string iniName = "sorn.ini";
  std::string helpName = "sorn.hlp";
  HWND main = nullptr;
};
DialogServices& services() {
  static DialogServices s;
  return s;
}

struct AlertArgs {
  std::string text;
};

}  // namespace

void setDialogServicesFiles(const std::string& iniName, const std::string& helpName) {
  if (!iniName.empty()) services().iniName = iniName;
  if (!helpName.empty()) services().helpName = helpName;
}

void setDialogServicesMainWindow(void* hwnd) {
  services().main = static_cast<HWND>(hwnd);
}

intptr_t cwCenter(void* window, uint32_t) {
  HWND w = static_cast<HWND>(window);
  HWND parent = w ? GetParent(w) : nullptr;
  HWND desktop = GetDesktopWindow();
  if (!parent || parent == desktop) return reinterpret_cast<intptr_t>(parent);
  RECT wr, pr, dr;
  GetWindowRect(w, &wr);
  GetWindowRect(parent, &pr);
  GetWindowRect(desktop, &dr);
  const int width = wr.right - wr.left, height = wr.bottom - wr.top;
  int x = (pr.left + pr.right) / 2 - width / 2;
  int y = (pr.top + pr.bottom) / 2 - height / 2;
  if (x + width > dr.right - 4) x = dr.right - 4 - width;
  if (y + height > dr.bottom - 4) y = dr.bottom - 4 - height;
  if (x < dr.left + 4) x = dr.left + 4;
  if (y < dr.top + 4) y = dr.top + 4;
  return SetWindowPos(w, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int32_t limits(XfmContext* context, void* dialog, uint32_t idAndCode, double minimum, double maximum,
               double* result) {
  HWND dlg = static_cast<HWND>(dialog);
  const uint16_t id = uint16_t(idAndCode & 0xFFFF);
  const uint16_t code = uint16_t(idAndCode >> 16);
  char text[30] = {};
  GetDlgItemTextA(dlg, id, text, sizeof text);  // at most 29 characters
  const double v = limitsParse(text);
  const uint16_t stored = context ? context->limitsControl : 0;
  LimitsDecision d = limitsDecide(v, minimum, maximum, id, code, stored);
  if (d.storeId && context) context->limitsControl = id;
  if (d.clearId && context) context->limitsControl = 0;
  if (d.replaceText) {
    SetDlgItemTextA(dlg, id, d.text.c_str());
    MessageBeep(MB_ICONEXCLAMATION);
    HWND owner = context && context->limitsOwner ? static_cast<HWND>(context->limitsOwner) : services().main;
    alertLimits(owner, v, minimum, maximum);
    SetDlgItemTextA(dlg, id, d.text.c_str());
  }
  if (d.repaint) {
    HWND control = GetDlgItem(dlg, id);
    if (control) InvalidateRect(control, nullptr, TRUE);
  }
  if (result) *result = d.result;
  return d.returns;
}

intptr_t __stdcall ALERTLIMITSMsgProc(void* dialog, unsigned message, uintptr_t wParam, intptr_t lParam) {
  HWND dlg = static_cast<HWND>(dialog);
  switch (message) {
    case WM_INITDIALOG: {
      const AlertArgs* args = reinterpret_cast<const AlertArgs*>(lParam);
      if (args) SetDlgItemTextA(dlg, IDC_ALERT_TEXT, args->text.c_str());
      cwCenter(dlg, 0);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
          EndDialog(dlg, IsDlgButtonChecked(dlg, IDC_ALERT_DONT_SHOW) == BST_CHECKED ? 3 : 1);
          return TRUE;
        case IDC_ALERT_HELP:
          WinHelpA(dlg, services().helpName.c_str(), HELP_KEY, reinterpret_cast<ULONG_PTR>("Limits"));
          return TRUE;
      }
      break;
    case WM_CLOSE:
      EndDialog(dlg, IsDlgButtonChecked(dlg, IDC_ALERT_DONT_SHOW) == BST_CHECKED ? 3 : 1);
      return TRUE;
  }
  return FALSE;
}

int32_t alertLimits(void* owner, double value, double minimum, double maximum) {
  char tips[16] = {};
  GetPrivateProfileStringA("Tips", "1", "", tips, sizeof tips, services().iniName.c_str());
  if (alertSuppressed(tips)) return 0;
  AlertArgs args{alertLimitsText(value, minimum, maximum)};
  INT_PTR r =
      DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ALERT_LIMITS), static_cast<HWND>(owner),
                      reinterpret_cast<DLGPROC>(ALERTLIMITSMsgProc), reinterpret_cast<LPARAM>(&args));
  if (r == 3) WritePrivateProfileStringA("Tips", "1", "Y", services().iniName.c_str());
  return 0;
}

}  // namespace xfmhost
