// "Toolbar Settings" (dialog 166, command 355): the button order in a multi-select list with Up, Down and
// Zap, the selected button's tip and a large picture of its bitmap, the Save button's mode ("Save &As" or
// "Save &Now", [System] SaveMode 0 or 1) and "Enable Toolbar &Help" ([System] ToolHelp). OK stores the
// order, saves it and lays the toolbar out again. The list operations are ToolbarListUp/Down/Zap (toolbar.h).
// clang-format off
#include "platform/win32.h"  // before the other system headers
// clang-format on

#include <vector>

#include "resources/dialog_ids.h"
#include "shell/app_state.h"
#include "resources/command_ids.h"
#include "ui/dispatch.h"
#include "shell/toolbar_win.h"

namespace shell {
namespace {

struct ToolbarDialogData {
  std::vector<int> ids;       // the order as listed
  int saveMode = 0;           // what the Save button does: 0 Save As, 1 Save
  bool bitmapButtons = true;  // Up, Down and Zap show bitmaps 171 .. 176 (not on generation 2 systems)
  HBITMAP arrows[6] = {};     // up, up greyed, down, down greyed, zap, zap greyed
  int shownId = -1;           // the entry whose tip and picture are shown
};

HWND listOf(HWND dlg) {
  return GetDlgItem(dlg, IDC_TB_LIST);
}

std::vector<bool> listSelection(HWND dlg, size_t n) {
  std::vector<bool> sel(n, false);
  for (size_t i = 0; i < n; ++i) sel[i] = SendMessageA(listOf(dlg), LB_GETSEL, i, 0) > 0;
  return sel;
}

void fillList(HWND dlg, const ToolbarDialogData& d, const std::vector<bool>& selected) {
  HWND list = listOf(dlg);
  const LRESULT top = SendMessageA(list, LB_GETTOPINDEX, 0, 0);
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (int id : d.ids)
    SendMessageA(list, LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(ToolbarItemName(id, toolbarTransforms()).c_str()));
  for (size_t i = 0; i < selected.size() && i < d.ids.size(); ++i)
    if (selected[i]) SendMessageA(list, LB_SETSEL, TRUE, LPARAM(i));
  SendMessageA(list, LB_SETTOPINDEX, WPARAM(top > 0 ? top : 0), 0);
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

// The entry whose details are shown: the one with the caret when it is selected, else the first selected.
int chosenEntry(HWND dlg, const ToolbarDialogData& d) {
  const std::vector<bool> sel = listSelection(dlg, d.ids.size());
  const LRESULT caret = SendMessageA(listOf(dlg), LB_GETCARETINDEX, 0, 0);
  if (caret >= 0 && size_t(caret) < sel.size() && sel[size_t(caret)]) return int(caret);
  for (size_t i = 0; i < sel.size(); ++i)
    if (sel[i]) return int(i);
  return -1;
}

void enableArrows(HWND dlg, ToolbarDialogData& d, bool on) {
  const int ids[3] = {IDC_TB_UP, IDC_TB_DOWN, IDC_TB_ZAP};
  for (int i = 0; i < 3; ++i) {
    HWND b = GetDlgItem(dlg, ids[i]);
    EnableWindow(b, on ? TRUE : FALSE);
    if (d.bitmapButtons)
      SendMessageA(b, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(d.arrows[2 * i + (on ? 0 : 1)]));
  }
}

void showSelected(HWND dlg, ToolbarDialogData& d) {
  const int entry = chosenEntry(dlg, d);
  const int id = entry >= 0 ? d.ids[size_t(entry)] : -1;
  enableArrows(dlg, d, entry >= 0);
  d.shownId = id;
  SetDlgItemTextA(dlg, IDC_TB_TIP, id > 0 ? ToolbarTipText(id).c_str() : "");
  InvalidateRect(GetDlgItem(dlg, IDC_TB_PICTURE), nullptr, TRUE);
  const int show = id == IDM_TOOLBAR_SAVE ? SW_SHOW : SW_HIDE;
  ShowWindow(GetDlgItem(dlg, IDC_TB_SAVEAS), show);
  ShowWindow(GetDlgItem(dlg, IDC_TB_SAVENOW), show);
  CheckRadioButton(dlg, IDC_TB_SAVEAS, IDC_TB_SAVENOW, d.saveMode == 1 ? IDC_TB_SAVENOW : IDC_TB_SAVEAS);
}

void drawPicture(const DRAWITEMSTRUCT* di, const ToolbarDialogData& d) {
  FillRect(di->hDC, &di->rcItem, GetSysColorBrush(COLOR_BTNFACE));
  HBITMAP image = d.shownId > 0 ? static_cast<HBITMAP>(ToolbarBitmap(d.shownId)) : nullptr;
  if (!image) return;
  HDC mem = CreateCompatibleDC(di->hDC);
  if (!mem) return;
  HGDIOBJ old = SelectObject(mem, image);
  StretchBlt(di->hDC, di->rcItem.left, di->rcItem.top, di->rcItem.right - di->rcItem.left,
             di->rcItem.bottom - di->rcItem.top, mem, 0, 0, kToolbarButtonSize, kToolbarButtonSize, SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
}

void onInit(HWND dlg, ToolbarDialogData* d) {
  SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(d));
  d->ids = toolbarOrder().ids();
  d->saveMode = app().settings.saveMode;
  d->bitmapButtons = app().osGen != 2;
  if (d->bitmapButtons) {
    HINSTANCE inst = static_cast<HINSTANCE>(app().instance);
    const int ids[3] = {IDC_TB_UP, IDC_TB_DOWN, IDC_TB_ZAP};
    for (int i = 0; i < 6; ++i) d->arrows[i] = LoadBitmapA(inst, MAKEINTRESOURCEA(IDB_TB_UP + i));
    for (int id : ids) {
      HWND b = GetDlgItem(dlg, id);
      SetWindowLongA(b, GWL_STYLE, GetWindowLongA(b, GWL_STYLE) | BS_BITMAP);
    }
  }
  fillList(dlg, *d, {});
  CheckDlgButton(dlg, IDC_TB_TOOLHELP, app().settings.toolHelp ? BST_CHECKED : BST_UNCHECKED);
  showSelected(dlg, *d);
}

void onListOperation(HWND dlg, ToolbarDialogData* d, int button) {
  std::vector<bool> sel = listSelection(dlg, d->ids.size());
  if (button == IDC_TB_UP) ToolbarListUp(&d->ids, &sel);
  if (button == IDC_TB_DOWN) ToolbarListDown(&d->ids, &sel);
  if (button == IDC_TB_ZAP) ToolbarListZap(&d->ids, &sel);
  fillList(dlg, *d, sel);
  showSelected(dlg, *d);
}

void onOk(HWND dlg, ToolbarDialogData* d) {
  app().settings.saveMode = d->saveMode;
  app().settings.toolHelp = IsDlgButtonChecked(dlg, IDC_TB_TOOLHELP) == BST_CHECKED;
  ToolbarSetOrder(d->ids);
  EndDialog(dlg, IDOK);
}

INT_PTR CALLBACK TOOLBARMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* d = reinterpret_cast<ToolbarDialogData*>(GetWindowLongPtrA(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      onInit(dlg, reinterpret_cast<ToolbarDialogData*>(lParam));
      return TRUE;
    case WM_DRAWITEM:
      if (d && wParam == IDC_TB_PICTURE) {
        drawPicture(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), *d);
        return TRUE;
      }
      return FALSE;
    case WM_COMMAND: {
      if (!d) return FALSE;
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      switch (id) {
        case IDC_TB_LIST:
          if (code == LBN_SELCHANGE) showSelected(dlg, *d);
          return TRUE;
        case IDC_TB_UP:
        case IDC_TB_DOWN:
        case IDC_TB_ZAP:
          onListOperation(dlg, d, id);
          return TRUE;
        case IDC_TB_SAVEAS:
        case IDC_TB_SAVENOW:
          d->saveMode = id == IDC_TB_SAVENOW ? 1 : 0;
          return TRUE;
        case IDC_TB_HELP:
          WinHelpA(dlg, app().helpPath.c_str(), HELP_KEY,
                   reinterpret_cast<ULONG_PTR>("Customizable Toolbar"));
          return TRUE;
        case IDOK:
          onOk(dlg, d);
          return TRUE;
        case IDCANCEL:
          EndDialog(dlg, IDCANCEL);
          return TRUE;
        default:
          return FALSE;
      }
    }
    case WM_DESTROY:
      if (d)
        for (HBITMAP& b : d->arrows) {
          if (b) DeleteObject(b);
          b = nullptr;
        }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void registerToolbarDialog() {
  ui::registerCommand(IDM_TOOLBAR_SETTINGS, [](int, intptr_t) {
    HWND main = static_cast<HWND>(app().mainWindow);
    if (!main) return;
    ToolbarDialogData data;
    DialogBoxParamA(static_cast<HINSTANCE>(app().instance), MAKEINTRESOURCEA(IDD_TOOLBAR_SETTINGS), main,
                    TOOLBARMsgProc, reinterpret_cast<LPARAM>(&data));
  });
}

}  // namespace shell
