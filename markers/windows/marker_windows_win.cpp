// The cue list and play list windows' common part: their commands and message-loop hooks, refreshing
// them when the document changes, what follows a change made in them (format change count, the display's
// cue marks, titles), and the frame helpers of list_window_win.h.
// clang-format off
#include "platform/win32.h"  // before the other system headers
// clang-format on

#include <functional>
#include <string>
#include <vector>

#include "display/wavedisp_win.h"
#include "document/document_host.h"
#include "document/wave_document.h"
#include "markers/marker_lists.h"
#include "markers/windows/list_window_win.h"
#include "markers/windows/marker_windows.h"
#include "resources/command_ids.h"
#include "ui/dispatch.h"
#include "ui/settings_source.h"

namespace markers {
namespace {

MarkerWindowsHost gHost;

HWND mainWindow() {
  return static_cast<HWND>(host().mainWindow());
}

void showCueMarks() {
  HWND display = static_cast<HWND>(host().display());
  if (!display) return;
  std::vector<display::CueMark> marks;
  if (const MarkerSet* set = currentMarkers()) {
    for (uint32_t i = 0; i < set->cueCount(); ++i) {
      const Cue* c = set->cueAt(i);
      marks.push_back({int32_t(c->position), int32_t(c->length), c->label});
    }
  }
  display::WaveDispSetCues(display, std::move(marks));
}

}  // namespace

void setMarkerWindowsHost(MarkerWindowsHost h) {
  gHost = std::move(h);
}

const MarkerWindowsHost& host() {
  return gHost;
}

MarkerSet* currentMarkers() {
  document::WaveDocument* doc = host().document();
  return doc ? &doc->cues() : nullptr;
}

namespace {

// String resources 99 and 100 name the windows in their titles.
constexpr UINT kStrPlayList = 99;
constexpr UINT kStrCueList = 100;

std::string loadString(UINT id, const char* fallback) {
  char buf[256];
  int n = LoadStringA(static_cast<HINSTANCE>(host().instance), id, buf, sizeof buf);
  return n > 0 ? std::string(buf, size_t(n)) : std::string(fallback);
}

std::string listWindowTitle(UINT nameId, const char* fallback, const char* plainName) {
  return ListWindowTitle(loadString(nameId, fallback), plainName, host().documentTitle(), host().productName,
                         host().document() != nullptr);
}

}  // namespace

std::string cueListTitle() {
  return listWindowTitle(kStrCueList, "Cue List", "Cue List / Ranges");
}
std::string playListTitle() {
  return listWindowTitle(kStrPlayList, "Play List", "Play List");
}

uint32_t addCueAtSelection() {
  MarkerSet* set = currentMarkers();
  const display::WaveView* v = display::WaveDispModel(static_cast<HWND>(host().display()));
  if (!set || !v) return 0;
  // Without playback the cue goes on the selection; a play position would take its place while playing.
  uint32_t id = AddCueForSelection(*set, int64_t(v->selStart()), int64_t(v->selEnd()));
  if (id) markersChanged(false);
  return id;
}

void markersChanged(bool keepCueFields) {
  if (document::WaveDocument* doc = host().document()) doc->addFormatChanges(1);
  showCueMarks();
  if (mainWindow()) SetWindowTextA(mainWindow(), host().documentTitle().c_str());
  refreshCueList(keepCueFields);
  refreshPlayList();
}

void refreshMarkerWindows() {
  refreshCueList(false);
  refreshPlayList();
}

void refreshMarkerWindowTitles() {
  if (HWND w = static_cast<HWND>(cueListWindow())) SetWindowTextA(w, cueListTitle().c_str());
  if (HWND w = static_cast<HWND>(playListWindow())) SetWindowTextA(w, playListTitle().c_str());
}

void registerMarkerWindows() {
  ui::registerCommand(IDM_CUE_LIST, [](int, intptr_t) { openCueList(); });
  ui::registerCommand(IDM_PLAY_LIST, [](int, intptr_t) { openPlayList(); });
  ui::registerCommand(IDM_ADD_CUE, [](int, intptr_t) { addCueAtSelection(); });
  // Whenever the document logic shows a title, the windows' titles follow the document's.
  if (document::DocumentHost* dh = host().documentHost()) {
    std::function<void(const std::string&)> show = dh->showTitle;
    dh->showTitle = [show](const std::string& text) {
      if (show) show(text);
      refreshMarkerWindowTitles();
    };
  }
}

// ---- ListWindowFrame -----------------------------------------------------------------------------------

void ListWindowFrame::init(HWND dlg, const std::vector<Anchor>& anchors) {
  RECT client;
  GetClientRect(dlg, &client);
  client_ = {client.right, client.bottom};
  placed_.clear();
  for (const Anchor& a : anchors) {
    HWND w = GetDlgItem(dlg, a.id);
    if (!w) continue;
    RECT rc;
    GetWindowRect(w, &rc);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&rc), 2);
    placed_.push_back({a, rc});
  }
}

void ListWindowFrame::layout(HWND dlg) {
  RECT client;
  GetClientRect(dlg, &client);
  if (placed_.empty() || client.right <= 0 || client.bottom <= 0) return;  // minimised
  const LONG dx = client.right - client_.cx, dy = client.bottom - client_.cy;
  HDWP batch = BeginDeferWindowPos(int(placed_.size()));
  for (const Placed& p : placed_) {
    RECT rc = p.rect;
    if (p.anchor.moveX) OffsetRect(&rc, dx, 0);
    if (p.anchor.moveY) OffsetRect(&rc, 0, dy);
    if (p.anchor.growX) rc.right = rc.right + dx > rc.left + 8 ? rc.right + dx : rc.left + 8;
    if (p.anchor.growY) rc.bottom = rc.bottom + dy > rc.top + 8 ? rc.bottom + dy : rc.top + 8;
    HWND w = GetDlgItem(dlg, p.anchor.id);
    if (batch)
      batch = DeferWindowPos(batch, w, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                             SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (batch) EndDeferWindowPos(batch);
  InvalidateRect(dlg, nullptr, TRUE);
}

void ListWindowFrame::restorePosition(HWND dlg, const char* prefix, int defX, int defY) {
  RECT rc;
  GetWindowRect(dlg, &rc);
  const int defW = rc.right - rc.left, defH = rc.bottom - rc.top;
  ui::ProfileSettingsSource ini(host().settingsFile);
  const std::string p = prefix;
  int x = ini.getInt("Position", (p + "X").c_str(), defX);
  int y = ini.getInt("Position", (p + "Y").c_str(), defY);
  int w = ini.getInt("Position", (p + "W").c_str(), defW);
  int h = ini.getInt("Position", (p + "H").c_str(), defH);
  // A hand-edited or stale value must not put the window out of reach or shrink it to nothing.
  const int screenW = GetSystemMetrics(SM_CXVIRTUALSCREEN), screenH = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (w < defW / 2 || w > screenW) w = defW;
  if (h < defH / 2 || h > screenH) h = defH;
  if (x < 0 || x > screenW - 40) x = defX;
  if (y < 0 || y > screenH - 40) y = defY;
  SetWindowPos(dlg, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ListWindowFrame::savePosition(HWND dlg, const char* prefix) {
  if (IsIconic(dlg)) return;
  RECT rc;
  if (!GetWindowRect(dlg, &rc)) return;
  ui::ProfileSettingsSource ini(host().settingsFile);
  const std::string p = prefix;
  const long values[4] = {rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top};
  const char* keys[4] = {"X", "Y", "W", "H"};
  for (int i = 0; i < 4; ++i)
    ini.writeString("Position", (p + keys[i]).c_str(), std::to_string(values[i]).c_str());
}

}  // namespace markers
