// The "Select Wave Device" dialog (see device_dialog_win.h).
// clang-format off
#include "platform/win32.h"  // before the other system headers
#include <mmsystem.h>
// clang-format on

#include "audio/device_dialog_win.h"

#include <string>

#include "resources/dialog_ids.h"

namespace audio {
namespace {

template <bool Wave, typename Caps, typename GetCaps>
void enumerate(UINT count, GetCaps get, std::vector<DeviceInfo>* out) {
  out->clear();
  for (UINT i = 0; i < count; ++i) {
    Caps caps = {};
    DeviceInfo d;
    if (get(i, &caps, sizeof caps) == MMSYSERR_NOERROR) {
      caps.szPname[sizeof caps.szPname - 1] = '\0';
      d.name = caps.szPname;
      if constexpr (Wave) {
        d.formats = uint32_t(caps.dwFormats);
        d.channels = caps.wChannels;
      }
    }
    out->push_back(d);
  }
}

constexpr int kLists[kDeviceKinds] = {IDC_DEV_WAVEOUT, IDC_DEV_WAVEIN, IDC_DEV_MIDIOUT, IDC_DEV_MIDIIN};

struct DialogData {
  const std::vector<DeviceInfo> (*devices)[kDeviceKinds];
  int meterFix;
  DeviceChoice* choice;
};

void centreOnParent(HWND dlg) {
  HWND parent = GetParent(dlg);
  RECT p, r;
  if (!parent || !GetWindowRect(parent, &p)) SystemParametersInfoA(SPI_GETWORKAREA, 0, &p, 0);
  GetWindowRect(dlg, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  int x = p.left + ((p.right - p.left) - w) / 2, y = p.top + ((p.bottom - p.top) - h) / 2;
  RECT work;
  if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {  // keep it on the screen
    if (x + w > work.right) x = work.right - w;
    if (y + h > work.bottom) y = work.bottom - h;
    if (x < work.left) x = work.left;
    if (y < work.top) y = work.top;
  }
  SetWindowPos(dlg, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The grid of the wave device selected in list (kind 0 playback, 1 recording); a list without a selection
// or without devices leaves the grid as it is.
void fillGrid(HWND dlg, const DialogData& d, int kind) {
  const LRESULT sel = SendDlgItemMessageA(dlg, kLists[kind], CB_GETCURSEL, 0, 0);
  const std::vector<DeviceInfo>& list = (*d.devices)[kind];
  if (sel == CB_ERR || size_t(sel) >= list.size()) return;
  const CapabilityGrid g = DeviceCapabilityGrid(list[size_t(sel)].formats);
  const int first = kind == 0 ? kPlayGridFirstCell : kRecordGridFirstCell;
  for (int i = 0; i < 12; ++i) SetDlgItemTextA(dlg, first + i, g[size_t(i)]);
}

void init(HWND dlg, const DialogData& d) {
  centreOnParent(dlg);
  CheckDlgButton(dlg, IDC_DEV_CONVERT8, d.choice->convert16to8 ? BST_CHECKED : BST_UNCHECKED);
  for (int k = 0; k < kDeviceKinds; ++k) {
    const std::vector<DeviceInfo>& list = (*d.devices)[k];
    for (const DeviceInfo& dev : list)
      SendDlgItemMessageA(dlg, kLists[k], CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(dev.name.c_str()));
    if (d.choice->id[k] < list.size()) SendDlgItemMessageA(dlg, kLists[k], CB_SETCURSEL, d.choice->id[k], 0);
  }
  fillGrid(dlg, d, 0);
  fillGrid(dlg, d, 1);
}

void apply(HWND dlg, const DialogData& d) {
  int selection[kDeviceKinds];
  for (int k = 0; k < kDeviceKinds; ++k) {
    const LRESULT sel = SendDlgItemMessageA(dlg, kLists[k], CB_GETCURSEL, 0, 0);
    selection[k] = sel == CB_ERR ? -1 : int(sel);
  }
  *d.choice = DeviceDialogApply(*d.choice, selection, *d.devices, d.meterFix,
                                IsDlgButtonChecked(dlg, IDC_DEV_CONVERT8) == BST_CHECKED);
}

INT_PTR CALLBACK SELECTWAVEMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  DialogData* d = reinterpret_cast<DialogData*>(GetWindowLongPtrA(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dlg, DWLP_USER, lParam);
      init(dlg, *reinterpret_cast<DialogData*>(lParam));
      return TRUE;
    case WM_COMMAND:
      if (!d) return FALSE;
      switch (LOWORD(wParam)) {
        case IDC_DEV_WAVEOUT:
        case IDC_DEV_WAVEIN:
          if (HIWORD(wParam) == CBN_SELCHANGE) fillGrid(dlg, *d, LOWORD(wParam) == IDC_DEV_WAVEOUT ? 0 : 1);
          return TRUE;
        case IDOK:
          apply(dlg, *d);
          EndDialog(dlg, 1);
          return TRUE;
        case IDCANCEL:
          EndDialog(dlg, 0);
          return TRUE;
        case IDC_DEV_HELP:
          WinHelpA(dlg, "sorn.hlp", HELP_PARTIALKEY, reinterpret_cast<ULONG_PTR>("Select Wave Device"));
          return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      EndDialog(dlg, 0);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

void DeviceEnumerate(std::vector<DeviceInfo> (&devices)[kDeviceKinds]) {
  enumerate<true, WAVEOUTCAPSA>(
      waveOutGetNumDevs(), [](UINT i, WAVEOUTCAPSA* c, UINT n) { return waveOutGetDevCapsA(i, c, n); },
      &devices[0]);
  enumerate<true, WAVEINCAPSA>(
      waveInGetNumDevs(), [](UINT i, WAVEINCAPSA* c, UINT n) { return waveInGetDevCapsA(i, c, n); },
      &devices[1]);
  enumerate<false, MIDIOUTCAPSA>(
      midiOutGetNumDevs(), [](UINT i, MIDIOUTCAPSA* c, UINT n) { return midiOutGetDevCapsA(i, c, n); },
      &devices[2]);
  enumerate<false, MIDIINCAPSA>(
      midiInGetNumDevs(), [](UINT i, MIDIINCAPSA* c, UINT n) { return midiInGetDevCapsA(i, c, n); },
      &devices[3]);
}

bool DeviceDialogRun(HINSTANCE instance, HWND owner, const std::vector<DeviceInfo> (&devices)[kDeviceKinds],
                     int meterFix, DeviceChoice* choice) {
  DialogData d{&devices, meterFix, choice};
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SELECT_DEVICE), owner, SELECTWAVEMsgProc,
                         reinterpret_cast<LPARAM>(&d)) == 1;
}

}  // namespace audio
