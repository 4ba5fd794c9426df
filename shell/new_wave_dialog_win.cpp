// The new-wave dialog (resource 157): NEWWAVEMsgProc fills the controls from the request, keeps the rate
// field and the rate list in step, greys what the caller cannot change, and on OK hands the controls to
// FinishNewWave (new_wave_dialog.cpp), which decides what is returned.
// clang-format off
#include "platform/win32.h"  // before the other system headers
// clang-format on

#include <string>

#include "resources/dialog_ids.h"
#include "shell/app_state.h"
#include "ui/message_box.h"
#include "shell/new_wave_dialog.h"

namespace shell {
namespace {

struct NewWaveState {
  const NewWaveRequest* request;  // what the caller gave
  NewWaveAnswer* answer;          // filled on OK
  bool syncing = false;           // the rate field is being set from the list: do not select back
};

std::string itemText(HWND dlg, int id) {
  char text[64] = {};
  GetDlgItemTextA(dlg, id, text, sizeof text);
  return text;
}

bool checked(HWND dlg, int id) {
  return IsDlgButtonChecked(dlg, id) == BST_CHECKED;
}

void enable(HWND dlg, std::initializer_list<int> ids, bool on) {
  for (int id : ids) EnableWindow(GetDlgItem(dlg, id), on);
}

void applyStates(HWND dlg, const NewWaveState& s) {
  NewWaveControls c = NewWaveControlStates(*s.request, checked(dlg, IDC_NW_TRYAS));
  enable(dlg, {IDC_NW_RATE, IDC_NW_RATELIST, IDC_NW_RATEBOX}, c.rate);
  enable(dlg, {IDC_NW_8BIT, IDC_NW_16BIT, IDC_NW_BITSBOX}, c.bits);
  enable(dlg, {IDC_NW_MONO, IDC_NW_STEREO, IDC_NW_CHANNELSBOX}, c.channels);
}

void selectRate(HWND dlg) {
  int index = RateListIndex(itemText(dlg, IDC_NW_RATE));
  SendDlgItemMessageA(dlg, IDC_NW_RATELIST, LB_SETCURSEL, WPARAM(index), 0);
}

void onInit(HWND dlg, NewWaveState* s) {
  SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(s));
  const NewWaveRequest& r = *s->request;
  SetWindowTextA(dlg, NewWaveTitle(r.mode).c_str());
  SetDlgItemTextA(dlg, IDC_NW_NOTE, NewWaveNote(r.mode).c_str());
  for (const std::string& rate : NewWaveRates())
    SendDlgItemMessageA(dlg, IDC_NW_RATELIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(rate.c_str()));
  s->syncing = true;
  SetDlgItemTextA(dlg, IDC_NW_RATE, InitialRateText(r.rate).c_str());
  s->syncing = false;
  selectRate(dlg);
  CheckRadioButton(dlg, IDC_NW_8BIT, IDC_NW_16BIT, r.bits == 8 ? IDC_NW_8BIT : IDC_NW_16BIT);
  CheckRadioButton(dlg, IDC_NW_MONO, IDC_NW_STEREO, r.channels == 1 ? IDC_NW_MONO : IDC_NW_STEREO);
  if (!r.formatName.empty()) {
    SetDlgItemTextA(dlg, IDC_NW_TRYAS, TryAsFormatText(r.formatName).c_str());
    ShowWindow(GetDlgItem(dlg, IDC_NW_TRYAS), SW_SHOW);
  }
  applyStates(dlg, *s);
}

void onOk(HWND dlg, NewWaveState* s) {
  std::string error;
  NewWaveAnswer a;
  if (!FinishNewWave(*s->request, itemText(dlg, IDC_NW_RATE), checked(dlg, IDC_NW_16BIT),
                     checked(dlg, IDC_NW_STEREO), checked(dlg, IDC_NW_TRYAS), &a, &error)) {
    ui::ShowMessageBox(error.c_str(), "Error", ui::kMbOk | ui::kMbIconExclamation);
    HWND edit = GetDlgItem(dlg, IDC_NW_RATE);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    return;
  }
  *s->answer = a;
  EndDialog(dlg, IDOK);
}

INT_PTR CALLBACK NEWWAVEMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* s = reinterpret_cast<NewWaveState*>(GetWindowLongPtrA(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      onInit(dlg, reinterpret_cast<NewWaveState*>(lParam));
      return TRUE;
    case WM_COMMAND: {
      if (!s) return FALSE;
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      if (id == IDC_NW_RATE && code == EN_CHANGE && !s->syncing) {
        selectRate(dlg);
      } else if (id == IDC_NW_RATELIST && code == LBN_SELCHANGE) {
        int index = int(SendDlgItemMessageA(dlg, IDC_NW_RATELIST, LB_GETCURSEL, 0, 0));
        if (index >= 0 && size_t(index) < NewWaveRates().size()) {
          s->syncing = true;
          SetDlgItemTextA(dlg, IDC_NW_RATE, NewWaveRates()[size_t(index)].c_str());
          s->syncing = false;
        }
      } else if (id == IDC_NW_TRYAS && code == BN_CLICKED) {
        applyStates(dlg, *s);
      } else if (id == IDOK) {
        onOk(dlg, s);
      } else if (id == IDCANCEL) {
        EndDialog(dlg, IDCANCEL);
      }
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

bool ShowNewWaveDialog(void* owner, const NewWaveRequest& request, NewWaveAnswer* answer) {
  NewWaveState state{&request, answer};
  HINSTANCE instance = app().instance ? static_cast<HINSTANCE>(app().instance) : GetModuleHandleA(nullptr);
  INT_PTR r = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_NEW_WAVE), static_cast<HWND>(owner),
                              NEWWAVEMsgProc, reinterpret_cast<LPARAM>(&state));
  return r == IDOK;
}

}  // namespace shell
