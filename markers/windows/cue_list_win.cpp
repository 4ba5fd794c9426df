// The cue list window "Cue List / Ranges" (dialog ID_CUEDIALOG, modeless): every cue and range of the
// current document, one line each, with Add, Del, Merge, Goto (or a double click, with Auto Zoom) and the
// Label and Description fields of the selected cue. CUEMsgProc keeps no document state of its own: each
// list item carries its cue's id, and every action looks the cue up in the current document.
// clang-format off
#include "platform/win32.h"  // before the other system headers
// clang-format on

#include <algorithm>
#include <string>
#include <vector>

#include "display/status_text.h"
#include "display/wavedisp_win.h"
#include "document/wave_document.h"
#include "markers/marker_lists.h"
#include "markers/windows/list_window_win.h"
#include "markers/windows/marker_windows.h"
#include "resources/dialog_ids.h"
#include "ui/message_box.h"

namespace markers {
namespace {

struct CueWindow {
  HWND hwnd = nullptr;
  bool filling = false;  // the controls are being set from the document: their notifications are ours
  ListWindowFrame frame;
};

CueWindow& cw() {
  static CueWindow w;
  return w;
}

HWND list() {
  return GetDlgItem(cw().hwnd, IDC_CUE_LIST);
}

std::string positionText(int64_t frames) {
  const document::WaveDocument* doc = host().document();
  std::string text =
      display::FormatPosition(frames, doc ? doc->rate() : 0, host().timeMode(), host().timeCodeFrames());
  text.erase(0, text.find_first_not_of(' '));
  return text;
}

std::vector<int> selectedIndexes() {
  std::vector<int> out;
  HWND l = list();
  int n = int(SendMessageA(l, LB_GETSELCOUNT, 0, 0));
  if (n <= 0) return out;
  out.resize(size_t(n));
  n = int(SendMessageA(l, LB_GETSELITEMS, WPARAM(n), reinterpret_cast<LPARAM>(out.data())));
  out.resize(size_t(n > 0 ? n : 0));
  std::sort(out.begin(), out.end());
  return out;
}

uint32_t idAt(int index) {
  return uint32_t(SendMessageA(list(), LB_GETITEMDATA, WPARAM(index), 0));
}

// The cue the fields edit: the first selected one.
const Cue* fieldCue() {
  MarkerSet* set = currentMarkers();
  std::vector<int> sel = selectedIndexes();
  return set && !sel.empty() ? set->findCue(idAt(sel.front())) : nullptr;
}

void updateFields() {
  const Cue* c = fieldCue();
  cw().filling = true;
  SetDlgItemTextA(cw().hwnd, IDC_CUE_LABEL, c ? c->label.c_str() : "");
  SetDlgItemTextA(cw().hwnd, IDC_CUE_DESC, c ? c->description.c_str() : "");
  cw().filling = false;
}

void updateButtons() {
  HWND dlg = cw().hwnd;
  const size_t selected = selectedIndexes().size();
  const bool doc = host().document() != nullptr;
  EnableWindow(GetDlgItem(dlg, IDC_CUE_ADD), doc);
  EnableWindow(GetDlgItem(dlg, IDC_CUE_DEL), selected > 0);
  EnableWindow(GetDlgItem(dlg, IDC_CUE_MERGE), selected == 2);
  EnableWindow(GetDlgItem(dlg, IDC_CUE_GOTO), selected > 0);
  EnableWindow(GetDlgItem(dlg, IDC_CUE_LABEL), selected > 0);
  EnableWindow(GetDlgItem(dlg, IDC_CUE_DESC), selected > 0);
  // Keyboard focus must not stay on a control that was just greyed (after Del, the label field).
  HWND focus = GetFocus();
  if (focus && GetParent(focus) == dlg && !IsWindowEnabled(focus)) SetFocus(list());
}

// Refills the list, keeping the selected cues selected (or selecting selectId alone when given).
void fill(bool keepFields, uint32_t selectId = 0) {
  HWND l = list();
  std::vector<uint32_t> keep = selectedCueIds();
  if (selectId) keep.assign(1, selectId);
  const int top = int(SendMessageA(l, LB_GETTOPINDEX, 0, 0));
  cw().filling = true;
  SendMessageA(l, WM_SETREDRAW, FALSE, 0);
  SendMessageA(l, LB_RESETCONTENT, 0, 0);
  if (const MarkerSet* set = currentMarkers()) {
    for (uint32_t i = 0; i < set->cueCount(); ++i) {
      const Cue* c = set->cueAt(i);
      std::string line = CueListLine(*c, positionText);
      int at = int(SendMessageA(l, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str())));
      if (at < 0) break;
      SendMessageA(l, LB_SETITEMDATA, WPARAM(at), LPARAM(c->id));
      if (std::find(keep.begin(), keep.end(), c->id) != keep.end()) SendMessageA(l, LB_SETSEL, TRUE, at);
    }
  }
  SendMessageA(l, LB_SETTOPINDEX, WPARAM(top > 0 ? top : 0), 0);
  SendMessageA(l, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(l, nullptr, TRUE);
  cw().filling = false;
  SetWindowTextA(cw().hwnd, cueListTitle().c_str());
  if (!keepFields) updateFields();
  updateButtons();
}

void onAdd() {
  uint32_t id = addCueAtSelection();
  if (!id) return;
  fill(false, id);
  HWND label = GetDlgItem(cw().hwnd, IDC_CUE_LABEL);
  SetFocus(label);
  SendMessageA(label, EM_SETSEL, 0, -1);
}

void onDelete() {
  MarkerSet* set = currentMarkers();
  if (!set || !DeleteCues(*set, selectedCueIds())) return;
  markersChanged(false);
}

void onMerge() {
  MarkerSet* set = currentMarkers();
  std::vector<uint32_t> ids = selectedCueIds();
  if (!set || !MergeSelectedCues(*set, ids)) return;
  markersChanged(false);
}

// Goto: selects the first selected cue's range (a cursor at a point marker); Auto Zoom shows just it.
void onGoto() {
  const Cue* c = fieldCue();
  HWND display = static_cast<HWND>(host().display());
  if (!c || !display) return;
  const int32_t start = int32_t(c->position);
  const int32_t end = c->length ? int32_t(c->position + (c->length - 1)) : start - 1;
  if (IsDlgButtonChecked(cw().hwnd, IDC_CUE_AUTOZOOM) == BST_CHECKED && c->length > 1)
    display::WaveDispSetView(display, double(start), double(end));
  display::WaveDispSetSelection(display, start, end);
}

// Typing in Label or Description changes the cue at once (the list line and the display follow).
void onFieldChanged(int id) {
  if (cw().filling) return;
  MarkerSet* set = currentMarkers();
  const Cue* c = fieldCue();
  if (!set || !c) return;
  char text[256] = {};
  GetDlgItemTextA(cw().hwnd, id, text, sizeof text);
  if (id == IDC_CUE_LABEL)
    set->setCue(c->id, kKeep, kKeep, text, nullptr);
  else
    set->setCue(c->id, kKeep, kKeep, nullptr, text);
  markersChanged(true);
}

void onCommand(int id, int code) {
  switch (id) {
    case IDC_CUE_LIST:
      if (code == LBN_SELCHANGE && !cw().filling) {
        updateFields();
        updateButtons();
      } else if (code == LBN_DBLCLK) {
        onGoto();
      }
      break;
    case IDC_CUE_ADD:
      onAdd();
      break;
    case IDC_CUE_DEL:
      onDelete();
      break;
    case IDC_CUE_MERGE:
      onMerge();
      break;
    case IDC_CUE_GOTO:
      onGoto();
      break;
    case IDC_CUE_LABEL:
    case IDC_CUE_DESC:
      if (code == EN_CHANGE) onFieldChanged(id);
      break;
    case IDCANCEL:  // Esc and the close box
      DestroyWindow(cw().hwnd);
      break;
    default:
      break;
  }
}

void onInit(HWND dlg) {
  cw().hwnd = dlg;
  SendDlgItemMessageA(dlg, IDC_CUE_LABEL, EM_LIMITTEXT, kMaxLabel, 0);
  SendDlgItemMessageA(dlg, IDC_CUE_DESC, EM_LIMITTEXT, kMaxDescription, 0);
  // Tab stops far enough right for the longest time texts ("to" ranges in drop-frame time).
  int stops[2] = {110, 200};
  SendDlgItemMessageA(dlg, IDC_CUE_LIST, LB_SETTABSTOPS, 2, reinterpret_cast<LPARAM>(stops));
  cw().frame.init(dlg, {{IDC_CUE_LIST, false, false, true, true},
                        {IDC_CUE_ADD, true, false, false, false},
                        {IDC_CUE_DEL, true, false, false, false},
                        {IDC_CUE_MERGE, true, false, false, false},
                        {IDC_CUE_GOTO, true, false, false, false},
                        {IDC_CUE_AUTOZOOM, true, false, false, false},
                        {IDC_CUE_BATCH, true, false, false, false},
                        {IDC_CUE_LABEL_TEXT, false, true, false, false},
                        {IDC_CUE_DESC_TEXT, false, true, false, false},
                        {IDC_CUE_LABEL, false, true, true, false},
                        {IDC_CUE_DESC, false, true, true, false}});
  ListWindowFrame::restorePosition(dlg, "Cue", 310, 234);
  fill(false);
}

INT_PTR CALLBACK CUEMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      onInit(dlg);
      return TRUE;
    case WM_COMMAND:
      if (cw().hwnd == dlg) onCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_SIZE:
      if (cw().hwnd == dlg) cw().frame.layout(dlg);
      return TRUE;
    case WM_DESTROY:
      ListWindowFrame::savePosition(dlg, "Cue");
      cw().hwnd = nullptr;
      refreshPlayList();  // its Add Before button now opens the cue list
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void* cueListWindow() {
  return cw().hwnd;
}

void openCueList() {
  if (cw().hwnd) {
    ShowWindow(cw().hwnd, SW_RESTORE);
    SetForegroundWindow(cw().hwnd);
    return;
  }
  HINSTANCE instance = static_cast<HINSTANCE>(host().instance);
  HWND w =
      CreateDialogParamA(instance, "ID_CUEDIALOG", static_cast<HWND>(host().mainWindow()), CUEMsgProc, 0);
  if (!w) {
    ui::debugOutputf("cue list: dialog not created (%lu)\n", static_cast<unsigned long>(GetLastError()));
    return;
  }
  ShowWindow(w, SW_SHOWNOACTIVATE);
  refreshPlayList();
}

void refreshCueList(bool keepFields) {
  if (cw().hwnd) fill(keepFields);
}

std::vector<uint32_t> selectedCueIds() {
  std::vector<uint32_t> ids;
  if (!cw().hwnd) return ids;
  for (int i : selectedIndexes()) ids.push_back(idAt(i));
  return ids;
}

}  // namespace markers
