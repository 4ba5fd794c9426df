// The open dialog's information panel and preview playback (see open_dialog_win.h).
// clang-format off
#include "platform/win32.h"  // before the other system headers
#include <commdlg.h>
#include <mmsystem.h>
// clang-format on

#include "shell/open_dialog_win.h"

#include <string>

#include "audio/stream_player.h"
#include "audio/wave_device_win.h"
#include "formats/filter_host.h"
#include "formats/filter_open.h"
#include "resources/dialog_ids.h"
#include "shell/app_state.h"
#include "shell/window_commands.h"

namespace shell {

namespace {
constexpr UINT_PTR kNameTimer = 1;  // follows a typed name
constexpr UINT kNameTimerMs = 250;
}  // namespace

struct OpenDialogPanel::State {
  bool preview = false;
  std::string shown;  // the file the panel describes now
  audio::WinWaveDevice device{audio::WaveDirection::kOutput};
  std::unique_ptr<audio::QueuePlayer> player;
  formats::FilePreview file;

  void clear(HWND dlg) {
    shown.clear();
    SetDlgItemTextA(dlg, IDC_OI_FORMAT, "");
    SetDlgItemTextA(dlg, IDC_OI_SIZE, "");
    stopPreview();
  }

  void stopPreview() {
    if (player) player->stop();
    file.close();
  }

  void show(HWND dlg, const std::string& path) {
    if (path == shown) return;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      clear(dlg);
      return;
    }
    stopPreview();
    shown = path;
    const formats::FilterHost& host = formats::filterHost();
    formats::ProbeResult probe;
    const bool found = formats::probeFileFormat(host.table, host.load, path, -1, &probe);
    const formats::ProbeText text = formats::probeText(found, probe);
    SetDlgItemTextA(dlg, IDC_OI_FORMAT, text.format.c_str());
    SetDlgItemTextA(dlg, IDC_OI_SIZE, text.size.c_str());
    if (preview && found) startPreview(path);
  }

  void startPreview(const std::string& path) {
    const formats::FilterHost& host = formats::filterHost();
    if (!file.open(host.table, host.load, path, -1)) return;
    audio::QueueEntry e;
    e.format.rate = file.format().rate;
    e.format.channels = file.format().channels;
    e.format.bits = file.format().bits;
    if (!e.format.valid()) {  // 32-bit samples: no device format to preview them in
      file.close();
      return;
    }
    e.pull = [this](uint8_t* dst, uint32_t capacity) { return file.read(dst, capacity); };
    player->setDeviceId(uint32_t(app().deviceIds[0]));
    if (player->playStream(std::move(e)) != 0) file.close();
  }

  // The name in the dialog's name field, when it names one file of the dialog's folder (or a full path).
  static std::string typedPath(HWND dialog) {
    char typed[MAX_PATH] = {}, folder[MAX_PATH] = {};
    if (SendMessageA(dialog, CDM_GETSPEC, MAX_PATH, reinterpret_cast<LPARAM>(typed)) <= 0 || !typed[0]) return {};
    std::string s = typed;
    if (s.find_first_of("*?\"") != std::string::npos) return {};
    if (s.size() > 1 && (s[1] == ':' || (s[0] == '\\' && s[1] == '\\'))) return s;
    if (SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder)) <= 0) return {};
    std::string f = folder;
    if (!f.empty() && f.back() != '\\') f += '\\';
    return f + s;
  }
};

namespace {

UINT_PTR CALLBACK OpenPanelHook(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* s = reinterpret_cast<OpenDialogPanel::State*>(GetWindowLongPtrA(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      s = reinterpret_cast<OpenDialogPanel::State*>(reinterpret_cast<OPENFILENAMEA*>(lParam)->lCustData);
      SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(s));
      s->device.setCallbackWindow(dlg);
      SetTimer(dlg, kNameTimer, kNameTimerMs, nullptr);
      return TRUE;
    }
    case WM_NOTIFY: {
      const OFNOTIFYA* n = reinterpret_cast<const OFNOTIFYA*>(lParam);
      if (!s || n->hdr.code != UINT(CDN_SELCHANGE)) return FALSE;
      char path[MAX_PATH] = {};
      if (SendMessageA(GetParent(dlg), CDM_GETFILEPATH, MAX_PATH, reinterpret_cast<LPARAM>(path)) > 0)
        s->show(dlg, path);
      return FALSE;
    }
    case WM_TIMER:
      if (s && wParam == kNameTimer) {
        const std::string typed = OpenDialogPanel::State::typedPath(GetParent(dlg));
        if (!typed.empty()) s->show(dlg, typed);
      }
      return TRUE;
    case MM_WOM_OPEN:
    case MM_WOM_DONE:
    case MM_WOM_CLOSE:
      if (s) s->device.onDeviceMessage(msg, wParam, lParam);
      return TRUE;
    case WM_DESTROY:
      KillTimer(dlg, kNameTimer);
      if (s) s->stopPreview();
      return FALSE;
  }
  return FALSE;
}

}  // namespace

OpenDialogPanel::OpenDialogPanel(OPENFILENAMEA* ofn) {
  if (!app().settings.filePreviewInfo) return;
  state_ = std::make_unique<State>();
  state_->preview = app().settings.previewFiles;
  state_->player = std::make_unique<audio::QueuePlayer>(&state_->device, nullptr, [] {
    const TransportState t = transportStateSource() ? transportStateSource()() : TransportState();
    return t.playing || t.recording || t.monitoring;
  });
  ofn->Flags |= OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_EXPLORER;
  ofn->hInstance = static_cast<HINSTANCE>(app().instance);
  ofn->lpTemplateName = "ID_OPENINFO";
  ofn->lpfnHook = OpenPanelHook;
  ofn->lCustData = reinterpret_cast<LPARAM>(state_.get());
}

OpenDialogPanel::~OpenDialogPanel() {
  if (state_) state_->stopPreview();
}

}  // namespace shell
