// The play list window "Play List" (dialog ID_PLAYBOX, modeless): the current document's play list, one
// "(loops)<tab>label" line per entry and "[End]" last. "<- Add Before" puts the cues selected in the cue
// list before the selected entry (or opens the cue list first: the button then reads "Open Cue List"),
// Remove deletes the selected entry, Loops edits its loop count. Play and Auto-cue hand the entry's range
// to the Play command while one exists.
// clang-format off
#include "platform/win32.h"  // before the other system headers
// clang-format on

#include <string>

#include "display/wavedisp_win.h"
#include "document/wave_document.h"
#include "markers/marker_lists.h"
#include "markers/windows/list_window_win.h"
#include "markers/windows/marker_windows.h"
#include "resources/command_ids.h"
#include "resources/dialog_ids.h"
#include "ui/dispatch.h"
#include "ui/message_box.h"

namespace markers {
namespace {

struct PlayWindow {
  HWND hwnd = nullptr;
  bool filling = false;
  ListWindowFrame frame;
};

PlayWindow& pw() {
  static PlayWindow w;
  return w;
}

HWND list() {
  return GetDlgItem(pw().hwnd, IDC_PLAY_LIST);
}

// The selected line (the "[End]" line is the play count), or -1.
int32_t selected() {
  return int32_t(SendMessageA(list(), LB_GETCURSEL, 0, 0));
}

void updateLoopsField() {
  MarkerSet* set = currentMarkers();
  PlayEntry e;
  const int32_t sel = selected();
  const bool entry = set && sel >= 0 && set->getPlay(uint32_t(sel), &e);
  pw().filling = true;
  SetDlgItemTextA(pw().hwnd, IDC_PLAY_LOOPS, entry ? std::to_string(e.loops).c_str() : "");
  pw().filling = false;
  EnableWindow(GetDlgItem(pw().hwnd, IDC_PLAY_LOOPS), entry);
  EnableWindow(GetDlgItem(pw().hwnd, IDC_PLAY_REMOVE), entry);
  HWND focus = GetFocus();
  if (focus && GetParent(focus) == pw().hwnd && !IsWindowEnabled(focus)) SetFocus(list());
}

void updateButtons() {
  HWND dlg = pw().hwnd;
  const bool doc = host().document() != nullptr;
  SetDlgItemTextA(dlg, IDC_PLAY_ADD, cueListWindow() ? "<- &Add Before" : "Open Cue List");
  EnableWindow(GetDlgItem(dlg, IDC_PLAY_ADD), doc);
  // Playing a play list needs the Play command; without one the buttons stay grey.
  const bool canPlay = doc && ui::isCommandAvailable(IDM_PLAY) && currentMarkers()->playCount() > 0;
  EnableWindow(GetDlgItem(dlg, IDC_PLAY_PLAY), canPlay);
  EnableWindow(GetDlgItem(dlg, IDC_PLAY_AUTOCUE), canPlay);
  updateLoopsField();
}

void fill(int32_t select) {
  HWND l = list();
  pw().filling = true;
  SendMessageA(l, WM_SETREDRAW, FALSE, 0);
  SendMessageA(l, LB_RESETCONTENT, 0, 0);
  if (MarkerSet* set = currentMarkers()) {
    // Entries whose cue went or became a point marker leave the play list here.
    set->prunePlayList();
    for (uint32_t i = 0; i < set->playCount(); ++i) {
      PlayEntry e;
      if (!set->getPlay(i, &e)) break;
      std::string line = PlayListLine(e, *set);
      SendMessageA(l, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    SendMessageA(l, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kPlayListEnd));
  }
  const int count = int(SendMessageA(l, LB_GETCOUNT, 0, 0));
  if (select >= count) select = count - 1;
  SendMessageA(l, LB_SETCURSEL, WPARAM(select), 0);
  SendMessageA(l, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(l, nullptr, TRUE);
  pw().filling = false;
  SetWindowTextA(pw().hwnd, playListTitle().c_str());
  updateButtons();
}

void changed(int32_t select) {
  if (document::WaveDocument* doc = host().document()) doc->addFormatChanges(1);
  if (host().mainWindow())
    SetWindowTextA(static_cast<HWND>(host().mainWindow()), host().documentTitle().c_str());
  fill(select);
}

void onAddBefore() {
  if (!cueListWindow()) {
    openCueList();
    return;
  }
  MarkerSet* set = currentMarkers();
  const int32_t sel = selected();
  const uint32_t before = sel >= 0 ? uint32_t(sel) : set ? set->playCount() : 0;
  if (!set) return;
  uint32_t n = InsertCuesBefore(*set, before, selectedCueIds());
  if (n) changed(int32_t(before + n));
}

void onRemove() {
  MarkerSet* set = currentMarkers();
  const int32_t sel = selected();
  if (set && sel >= 0 && set->deletePlay(uint32_t(sel))) changed(sel);
}

void onLoops() {
  if (pw().filling) return;
  MarkerSet* set = currentMarkers();
  const int32_t sel = selected();
  if (!set || sel < 0 || uint32_t(sel) >= set->playCount()) return;
  char text[32] = {};
  GetDlgItemTextA(pw().hwnd, IDC_PLAY_LOOPS, text, sizeof text);
  set->setPlay(uint32_t(sel), kKeep, kKeep, ParseLoopCount(text));
  if (document::WaveDocument* doc = host().document()) doc->addFormatChanges(1);
  // Only the line changes; the field keeps what is being typed.
  PlayEntry e;
  if (!set->getPlay(uint32_t(sel), &e)) return;
  std::string line = PlayListLine(e, *set);
  pw().filling = true;
  SendMessageA(list(), LB_DELETESTRING, WPARAM(sel), 0);
  SendMessageA(list(), LB_INSERTSTRING, WPARAM(sel), reinterpret_cast<LPARAM>(line.c_str()));
  SendMessageA(list(), LB_SETCURSEL, WPARAM(sel), 0);
  pw().filling = false;
}

// Play and Auto-cue: the play list plays from the selected entry (the first for "[End]" or none) with the
// entries' own loop counts; Auto-cue then moves the selection on to the next entry, ready for the next press.
void onPlay(bool autoCue) {
  MarkerSet* set = currentMarkers();
  if (!set || !host().playList) return;
  if (host().audioBusy && host().audioBusy()) {
    ui::ShowMessageBox("Audio already in use", "Sorry", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  const int32_t start = PlayStartIndex(selected(), set->playCount());
  if (start < 0) return;
  host().playList(uint32_t(start));
  if (autoCue) fill(NextAutoCueIndex(start, set->playCount()));
}

INT_PTR CALLBACK PLAYMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      pw().hwnd = dlg;
      pw().frame.init(dlg, {{IDC_PLAY_LIST, false, false, true, true},
                            {IDC_PLAY_ADD, true, false, false, false},
                            {IDC_PLAY_REMOVE, true, false, false, false},
                            {IDC_PLAY_LOOPS_TEXT, true, false, false, false},
                            {IDC_PLAY_LOOPS, true, false, false, false},
                            {IDC_PLAY_PLAY, true, false, false, false},
                            {IDC_PLAY_AUTOCUE, true, false, false, false}});
      {
        int stop = 24;
        SendDlgItemMessageA(dlg, IDC_PLAY_LIST, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&stop));
      }
      ListWindowFrame::restorePosition(dlg, "Play", 54, 234);
      fill(0);
      return TRUE;
    case WM_COMMAND: {
      if (pw().hwnd != dlg) return TRUE;
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      if (id == IDC_PLAY_LIST && code == LBN_SELCHANGE && !pw().filling) updateLoopsField();
      if (id == IDC_PLAY_ADD) onAddBefore();
      if (id == IDC_PLAY_REMOVE) onRemove();
      if (id == IDC_PLAY_LOOPS && code == EN_CHANGE) onLoops();
      if (id == IDC_PLAY_LOOPS && code == EN_KILLFOCUS) updateLoopsField();  // show the count kept
      if (id == IDC_PLAY_PLAY) onPlay(false);
      if (id == IDC_PLAY_AUTOCUE) onPlay(true);
      if (id == IDCANCEL) DestroyWindow(dlg);
      return TRUE;
    }
    case WM_SIZE:
      if (pw().hwnd == dlg) pw().frame.layout(dlg);
      return TRUE;
    case WM_DESTROY:
      ListWindowFrame::savePosition(dlg, "Play");
      pw().hwnd = nullptr;
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void* playListWindow() {
  return pw().hwnd;
}

void openPlayList() {
  if (pw().hwnd) {
    ShowWindow(pw().hwnd, SW_RESTORE);
    SetForegroundWindow(pw().hwnd);
    return;
  }
  HINSTANCE instance = static_cast<HINSTANCE>(host().instance);
  HWND w = CreateDialogParamA(instance, "ID_PLAYBOX", static_cast<HWND>(host().mainWindow()), PLAYMsgProc, 0);
  if (!w) {
    ui::debugOutputf("play list: dialog not created (%lu)\n", static_cast<unsigned long>(GetLastError()));
    return;
  }
  ShowWindow(w, SW_SHOWNOACTIVATE);
}

void refreshPlayList() {
  if (pw().hwnd) fill(selected() >= 0 ? selected() : 0);
}

}  // namespace markers
