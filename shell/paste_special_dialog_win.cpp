// Mix Paste (2110): the "ID_PASTESPECIAL" dialog sets the volumes (scroll bars and per-cent fields with
// their Invert boxes and the left/right lock), the mode (insert, overlap, modulate), the crossfade, the
// source (internal clipboard, Windows clipboard or a file) and Loop Paste; then the chosen clip is mixed
// into the document by the paste code (document/clipboard.h). Its start state and the taking over of its
// values are the portable StartPasteSpecialDialog / ApplyPasteSpecialDialog; the stored part goes to
// [Paste Special]. A mix paste with no document makes one in the clip's format.
// clang-format off
#include "platform/win32.h"  // before the other system headers
#include "storage/store.h"
// clang-format on

#include <commdlg.h>

#include <memory>
#include <string>

#include "document/clipboard.h"
#include "document/document_io.h"
#include "document/edit_ops.h"
#include "document/mix_paste.h"
#include "document/wave_document.h"
#include "shell/app_state.h"
#include "resources/command_ids.h"
#include "ui/dispatch.h"
#include "shell/document_support.h"
#include "resources/edit_dialog_ids.h"
#include "shell/edit_dialogs.h"
#include "ui/message_box.h"
#include "shell/win_shell.h"
#include "shell/window_commands.h"

namespace shell {
namespace {


// The mix paste settings of this run: [Paste Special] plus modulate, source, file and lock.
document::PasteSpecialSettings& runSettings() {
  static document::PasteSpecialSettings s;
  return s;
}

struct PasteDialog {
  document::PasteSpecialDialogStart start;
  document::PasteSpecialDialogValues values;  // filled on OK
  bool updating = false;                      // set while the dialog writes its own fields
};

std::string itemText(HWND dlg, int id) {
  char text[128] = {};
  GetDlgItemTextA(dlg, id, text, sizeof text);
  return text;
}

void setChecked(HWND dlg, int id, bool on) {
  CheckDlgButton(dlg, id, on ? BST_CHECKED : BST_UNCHECKED);
}
bool isChecked(HWND dlg, int id) {
  return IsDlgButtonChecked(dlg, id) == BST_CHECKED;
}
void enable(HWND dlg, int id, bool on) {
  if (HWND w = GetDlgItem(dlg, id)) EnableWindow(w, on ? TRUE : FALSE);
}

// One channel's volume: the scroll bar and the per-cent field show the same value.
void showVolume(HWND dlg, PasteDialog* d, bool left, double percent) {
  d->updating = true;
  SetScrollPos(GetDlgItem(dlg, left ? IDC_PS_LEFT_SCROLL : IDC_PS_RIGHT_SCROLL), SB_CTL,
               PercentScrollPos(percent), TRUE);
  SetDlgItemTextA(dlg, left ? IDC_PS_LEFT_EDIT : IDC_PS_RIGHT_EDIT, FormatDialogNumber(percent).c_str());
  d->updating = false;
}

void initDialog(HWND dlg, PasteDialog* d) {
  const document::PasteSpecialDialogStart& st = d->start;
  const document::PasteSpecialDialogValues& v = st.values;
  SetScrollRange(GetDlgItem(dlg, IDC_PS_LEFT_SCROLL), SB_CTL, 0, 200, FALSE);
  SetScrollRange(GetDlgItem(dlg, IDC_PS_RIGHT_SCROLL), SB_CTL, 0, 200, FALSE);
  showVolume(dlg, d, true, v.leftPercent);
  showVolume(dlg, d, false, v.rightPercent);
  setChecked(dlg, IDC_PS_LEFT_INVERT, v.invertLeft);
  setChecked(dlg, IDC_PS_RIGHT_INVERT, v.invertRight);
  setChecked(dlg, IDC_PS_LOCK, v.lockLeftRight && st.lockEnabled);
  const int mode = v.insert ? IDC_PS_INSERT : v.modulate ? IDC_PS_MODULATE : IDC_PS_OVERLAP;
  CheckRadioButton(dlg, IDC_PS_INSERT, IDC_PS_MODULATE, mode);
  setChecked(dlg, IDC_PS_CROSSFADE, v.crossfade);
  SetDlgItemTextA(dlg, IDC_PS_CROSSFADE_MS, FormatDialogNumber(v.crossfadeMs).c_str());
  setChecked(dlg, IDC_PS_LOOP, v.loop);
  SetDlgItemTextA(dlg, IDC_PS_LOOP_COUNT, FormatDialogNumber(v.loops).c_str());
  const int source = v.source == document::PasteSource::InternalClipboard  ? IDC_PS_FROM_CLIPBOARD
                     : v.source == document::PasteSource::WindowsClipboard ? IDC_PS_FROM_WINCLIP
                                                                           : IDC_PS_FROM_FILE;
  CheckRadioButton(dlg, IDC_PS_FROM_CLIPBOARD, IDC_PS_FROM_FILE, source);
  d->values.sourceFile = v.sourceFile;
  SetDlgItemTextA(dlg, IDC_PS_FILE_NAME, v.sourceFile.c_str());
  for (int id : {IDC_PS_LEFT_SCROLL, IDC_PS_LEFT_EDIT, IDC_PS_LEFT_INVERT}) enable(dlg, id, st.leftEnabled);
  for (int id : {IDC_PS_RIGHT_SCROLL, IDC_PS_RIGHT_EDIT, IDC_PS_RIGHT_INVERT})
    enable(dlg, id, st.rightEnabled);
  enable(dlg, IDC_PS_LOCK, st.lockEnabled);
  enable(dlg, IDC_PS_INSERT, st.insertEnabled);
  enable(dlg, IDC_PS_FROM_CLIPBOARD, st.internalSourceEnabled);
  enable(dlg, IDC_PS_FROM_WINCLIP, st.windowsSourceEnabled);
  enable(dlg, IDC_PS_CROSSFADE_MS, v.crossfade);
  enable(dlg, IDC_PS_LOOP_COUNT, v.loop);
}

// A scroll bar moved: its field follows, and with the lock on the other channel takes the same value.
void onScroll(HWND dlg, PasteDialog* d, HWND bar, int code, int thumb) {
  const bool left = bar == GetDlgItem(dlg, IDC_PS_LEFT_SCROLL);
  if (!left && bar != GetDlgItem(dlg, IDC_PS_RIGHT_SCROLL)) return;
  static_assert(SB_LINELEFT == 0 && SB_RIGHT == 7 && SB_THUMBTRACK == 5,
                "the scroll codes VolumeScrollPos knows");
  const int pos = VolumeScrollPos(code, GetScrollPos(bar, SB_CTL), thumb);
  if (pos < 0) return;
  showVolume(dlg, d, left, pos);
  if (isChecked(dlg, IDC_PS_LOCK) && d->start.lockEnabled &&
      (left ? d->start.rightEnabled : d->start.leftEnabled))
    showVolume(dlg, d, !left, pos);
}

// A typed volume moves its scroll bar.
void onVolumeTyped(HWND dlg, PasteDialog* d, bool left) {
  if (d->updating) return;
  double percent = 0;
  if (ParsePercent(itemText(dlg, left ? IDC_PS_LEFT_EDIT : IDC_PS_RIGHT_EDIT), &percent))
    SetScrollPos(GetDlgItem(dlg, left ? IDC_PS_LEFT_SCROLL : IDC_PS_RIGHT_SCROLL), SB_CTL,
                 PercentScrollPos(percent), TRUE);
}

void chooseFile(HWND dlg, PasteDialog* d) {
  char name[MAX_PATH] = {};
  lstrcpynA(name, d->values.sourceFile.c_str(), MAX_PATH);
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = dlg;
  ofn.lpstrFilter = "Wave Files (*.wav)\0*.wav\0All Files (*.*)\0*.*\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = name;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrTitle = "Please choose a wave file";
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
  if (!GetOpenFileNameA(&ofn)) return;
  d->values.sourceFile = name;
  SetDlgItemTextA(dlg, IDC_PS_FILE_NAME, name);
  CheckRadioButton(dlg, IDC_PS_FROM_CLIPBOARD, IDC_PS_FROM_FILE, IDC_PS_FROM_FILE);
}

// Refuses a value that is not usable, pointing at its field.
bool refuse(HWND dlg, int id, const char* text) {
  ui::ShowMessageBox(text, "Error", ui::kMbOk | ui::kMbIconExclamation);
  SetFocus(GetDlgItem(dlg, id));
  return false;
}

bool takeValues(HWND dlg, PasteDialog* d) {
  document::PasteSpecialDialogValues v = d->start.values;
  v.sourceFile = d->values.sourceFile;
  if (d->start.leftEnabled && !ParsePercent(itemText(dlg, IDC_PS_LEFT_EDIT), &v.leftPercent))
    return refuse(dlg, IDC_PS_LEFT_EDIT, "Please enter the left volume in per cent.");
  if (d->start.rightEnabled && !ParsePercent(itemText(dlg, IDC_PS_RIGHT_EDIT), &v.rightPercent))
    return refuse(dlg, IDC_PS_RIGHT_EDIT, "Please enter the right volume in per cent.");
  v.invertLeft = isChecked(dlg, IDC_PS_LEFT_INVERT);
  v.invertRight = isChecked(dlg, IDC_PS_RIGHT_INVERT);
  v.lockLeftRight = isChecked(dlg, IDC_PS_LOCK);
  v.insert = isChecked(dlg, IDC_PS_INSERT);
  v.modulate = isChecked(dlg, IDC_PS_MODULATE);
  v.crossfade = isChecked(dlg, IDC_PS_CROSSFADE);
  v.loop = isChecked(dlg, IDC_PS_LOOP);
  if (v.crossfade) {
    double ms = 0;
    if (!ParseDialogNumber(itemText(dlg, IDC_PS_CROSSFADE_MS), &ms) || ms < 0)
      return refuse(dlg, IDC_PS_CROSSFADE_MS, "Please enter the crossfade time in milliseconds.");
    v.crossfadeMs = ms;
  }
  double loops = 0;  // not a number: 1, as a count below 1 is
  if (!ParseDialogNumber(itemText(dlg, IDC_PS_LOOP_COUNT), &loops)) loops = 0;
  v.loops = loops;
  v.source = isChecked(dlg, IDC_PS_FROM_WINCLIP) ? document::PasteSource::WindowsClipboard
             : isChecked(dlg, IDC_PS_FROM_FILE)  ? document::PasteSource::File
                                                 : document::PasteSource::InternalClipboard;
  if (v.source == document::PasteSource::File && v.sourceFile.empty())
    return refuse(dlg, IDC_PS_SELECT_FILE, "Please choose the file to paste from.");
  d->values = v;
  return true;
}

INT_PTR CALLBACK PASTESPECIALMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* d = reinterpret_cast<PasteDialog*>(GetWindowLongPtrA(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dlg, DWLP_USER, lParam);
      initDialog(dlg, reinterpret_cast<PasteDialog*>(lParam));
      return TRUE;
    case WM_HSCROLL:
      if (d) onScroll(dlg, d, reinterpret_cast<HWND>(lParam), LOWORD(wParam), short(HIWORD(wParam)));
      return TRUE;
    case WM_COMMAND:
      if (!d) break;
      switch (LOWORD(wParam)) {
        case IDC_PS_LEFT_EDIT:
        case IDC_PS_RIGHT_EDIT:
          if (HIWORD(wParam) == EN_CHANGE) onVolumeTyped(dlg, d, LOWORD(wParam) == IDC_PS_LEFT_EDIT);
          return TRUE;
        // The radio buttons are checked here too, so a click that arrives only as its notification (sent
        // by another program) chooses as a real click does.
        case IDC_PS_INSERT:
        case IDC_PS_OVERLAP:
        case IDC_PS_MODULATE:
          if (HIWORD(wParam) == BN_CLICKED)
            CheckRadioButton(dlg, IDC_PS_INSERT, IDC_PS_MODULATE, LOWORD(wParam));
          return TRUE;
        case IDC_PS_FROM_CLIPBOARD:
        case IDC_PS_FROM_WINCLIP:
        case IDC_PS_FROM_FILE:
          if (HIWORD(wParam) == BN_CLICKED)
            CheckRadioButton(dlg, IDC_PS_FROM_CLIPBOARD, IDC_PS_FROM_FILE, LOWORD(wParam));
          return TRUE;
        case IDC_PS_CROSSFADE:
          enable(dlg, IDC_PS_CROSSFADE_MS, isChecked(dlg, IDC_PS_CROSSFADE));
          return TRUE;
        case IDC_PS_LOOP:
          enable(dlg, IDC_PS_LOOP_COUNT, isChecked(dlg, IDC_PS_LOOP));
          return TRUE;
        case IDC_PS_SELECT_FILE:
          chooseFile(dlg, d);
          return TRUE;
        case IDOK:
          if (takeValues(dlg, d)) EndDialog(dlg, IDOK);
          return TRUE;
        case IDCANCEL:
          EndDialog(dlg, IDCANCEL);
          return TRUE;
        case IDC_HELP_BUTTON:
          WinHelpA(dlg, app().helpPath.c_str(), HELP_KEY, reinterpret_cast<ULONG_PTR>("Paste Special"));
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

// The clip the settings name, or null (the reading code has said why).
document::Clip loadSource(const document::PasteSpecialSettings& s) {
  document::EditUi ui = currentEditUi();
  switch (s.source) {
    case document::PasteSource::InternalClipboard: {
      document::InternalClipboard* internal = currentInternalClipboard();
      return internal && internal->present() ? internal->load() : nullptr;
    }
    case document::PasteSource::WindowsClipboard: {
      int error = 0;
      return document::ReadWindowsClipboard(currentSystemClipboard(), ui, &error);
    }
    case document::PasteSource::File: {
      if (!currentHost() || !currentReader() || s.sourceFile.empty()) return nullptr;
      int error = 0;
      document::Clip clip =
          document::OpenOneFile(*currentHost(), *currentReader(), s.sourceFile, -1, nullptr, 0, &error);
      if (!clip) ui::debugOutputf("Mix Paste: %s not opened (error %d)\n", s.sourceFile.c_str(), error);
      return clip;
    }
  }
  return nullptr;
}

void onMixPaste() {
  document::WaveDocument* doc = currentDocument();
  if (doc && !doc->file()) return;
  if (!doc && (refuseDocumentWork() || !currentHost())) return;
  document::PasteSpecialSettings& s = runSettings();
  LoadPasteSettings(app().settings, &s);
  document::EditRange range = currentEditRange();
  const int channels = doc ? doc->channels() : 2;
  if (channels != 2) range.editChannel = 0;
  if (!commandWithoutDialog()) {
    document::InternalClipboard* internal = currentInternalClipboard();
    document::SystemClipboard* system = currentSystemClipboard();
    PasteDialog d;
    d.start = document::StartPasteSpecialDialog(s, channels, range.editChannel,
                                                internal && internal->present(), system && system->hasWave());
    INT_PTR r = DialogBoxParamA(static_cast<HINSTANCE>(app().instance), "ID_PASTESPECIAL",
                                static_cast<HWND>(app().mainWindow), PASTESPECIALMsgProc,
                                reinterpret_cast<LPARAM>(&d));
    if (r != IDOK) return;
    document::ApplyPasteSpecialDialog(d.values, &s);
    StorePasteSettings(s, &app().settings);
  }
  document::Clip clip = loadSource(s);
  if (!clip || clip->lengthFrames() == 0) return;
  if (!doc) {
    doc = newDocumentForClip(*clip);
    if (!doc) return;
    range = currentEditRange();
  }
  document::EditResult r =
      document::Paste(doc, range, clip.get(), IDM_MIX_PASTE, s, app().settings.pasteHilite, currentEditUi());
  if (r.status != document::kEditOk) ui::debugOutputf("Mix Paste: status %d\n", r.status);
  applyEditResult(r);
  refreshMenuStateNow();
}

}  // namespace

void registerMixPasteCommand() {
  ui::registerCommand(IDM_MIX_PASTE, [](int, intptr_t) { onMixPaste(); });
}

}  // namespace shell
