// The edit commands of the main window: select all, zero-cross adjust, delete, trim, reverse, invert,
// silence, copy, cut, paste (internal clipboard file and Windows clipboard), drawn sample changes and
// Repeat. Each reads the selection and edit channel from the display, runs the command's portable code
// (document/edit_ops.h, document/clipboard.h) and shows its result.
#include "platform/win32.h"  // before the other system headers
#include "storage/store.h"
#include "storage/undo_store.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "display/view_model.h"
#include "display/wavedisp_win.h"
#include "document/clipboard.h"
#include "document/clipboard_file.h"
#include "document/document_io.h"
#include "document/edit_ops.h"
#include "document/mix_paste.h"
#include "formats/filter_host.h"
#include "xfmhost/progress_window.h"
#include "shell/app_state.h"
#include "resources/command_ids.h"
#include "ui/dispatch.h"
#include "shell/document_support.h"
#include "ui/message_box.h"
#include "ui/settings_source.h"
#include "shell/win_shell.h"
#include "shell/window_commands.h"

namespace shell {
namespace {

constexpr UINT kStrVendor = 88;  // the vendor text a new wave's INFO items get

HWND displayWindow() { return static_cast<HWND>(currentDisplay()); }

document::EditRange currentRange() {
  document::EditRange r;
  HWND d = displayWindow();
  const display::WaveView* v = d ? display::WaveDispModel(d) : nullptr;
  if (!v) return r;
  r.start = v->selStart();
  r.end = v->selEnd();
  r.viewStart = uint32_t(v->first() > 0 ? v->first() : 0);
  r.viewEnd = uint32_t(v->last() > 0 ? v->last() : 0);
  const uint32_t flags = display::WaveDispGetFlags(d);
  r.editChannel = (flags & display::WDF_NORIGHT) ? 1 : (flags & display::WDF_NOLEFT) ? 2 : 0;
  return r;
}

xfmhost::WindowProgress& progress() {
  static xfmhost::WindowProgress p;
  return p;
}

document::EditUi editUi() {
  document::EditUi ui;
  ui.ask = [](const std::string& text, const std::string& caption, unsigned flags) {
    return ui::ShowMessageBox(text.c_str(), caption.c_str(), flags);
  };
  ui.progressBegin = [](const std::string& title) { progress().begin(title); };
  ui.progressMeter = [](uint32_t done, uint32_t total) { return progress().update(done, total) ? 0 : 3; };
  ui.progressEnd = [] { progress().end(); };
  return ui;
}

// The Windows clipboard as CF_WAVE blocks.
class WindowsClipboard : public document::SystemClipboard {
 public:
  bool put(std::vector<uint8_t> block) override {
    if (!OpenClipboard(static_cast<HWND>(app().mainWindow))) return false;
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, block.size());
    bool ok = false;
    if (mem) {
      if (void* p = GlobalLock(mem)) {
        std::memcpy(p, block.data(), block.size());
        GlobalUnlock(mem);
        ok = SetClipboardData(CF_WAVE, mem) != nullptr;
      }
      if (!ok) GlobalFree(mem);
    }
    CloseClipboard();
    return ok;
  }
  int get(std::vector<uint8_t>* block) override {
    if (!OpenClipboard(static_cast<HWND>(app().mainWindow))) return document::kPasteCannotOpen;
    int st = document::kPasteNoWaveData;
    if (HANDLE h = GetClipboardData(CF_WAVE)) {
      SIZE_T n = GlobalSize(h);
      if (const void* p = GlobalLock(h)) {
        block->assign(static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n);
        GlobalUnlock(h);
        st = 0;
      }
    }
    CloseClipboard();
    return st;
  }
  bool hasWave() override { return IsClipboardFormatAvailable(CF_WAVE) != 0; }
};

WindowsClipboard& systemClipboard() {
  static WindowsClipboard c;
  return c;
}

// The internal clipboard: "SornClipboard.wav" on a temp drive, written and read through the default PCM
// filter, named in [Recent] Clipboard so it outlives the program.
document::InternalClipboard* internalClipboard() {
  static std::unique_ptr<document::FileClipboard> clip;
  if (!clip && currentReader()) {
    document::ClipboardFileAccess access;
    access.getPath = [] {
      ui::ProfileSettingsSource ini(app().settingsFile);
      return ini.getString("Recent", "Clipboard", "", 260);
    };
    access.setPath = [](const std::string& path) {
      ui::ProfileSettingsSource ini(app().settingsFile);
      ini.writeString("Recent", "Clipboard", path.c_str());
    };
    access.choosePath = [](std::string* path, int64_t bytes) { return storage::VfClipboardPath(path, bytes); };
    clip = std::make_unique<document::FileClipboard>(currentReader(), formats::filterHost().defaultPcm, 1,
                                                     std::move(access));
  }
  return clip.get();
}

document::PasteSpecialSettings pasteSettings() {
  document::PasteSpecialSettings p;
  return p;
}

// Delete acts only while the main window has the keyboard focus: the Del key pressed in a list or field of
// another window (the cue list, a dialog) reaches the main window's accelerators too, and must not cut
// samples there. The display never keeps the focus, but counts as the main window if it gets it.
bool keyFocusInMainWindow() {
  HWND focus = GetFocus();
  return focus && (focus == static_cast<HWND>(app().mainWindow) || focus == displayWindow());
}

// Runs a command on the current document and shows what it did.
template <typename F>
void onDocument(F f) {
  document::WaveDocument* doc = currentDocument();
  if (!doc) return;
  document::EditResult r = f(doc, currentRange());
  applyEditResult(r);
}

// 2100 Paste and 415 Windows Clipboard Paste. Without a document the clip makes a new "Untitled" one in
// its format (as Mix Paste does). The level records the command that ran, so Repeat does the same again.
void paste(int32_t command) {
  document::WaveDocument* doc = currentDocument();
  if (doc && !doc->file()) return;
  if (!doc && (refuseDocumentWork() || !currentHost())) return;
  document::EditUi ui = editUi();
  document::Clip clip;
  document::InternalClipboard* internal = internalClipboard();
  // Nothing of ours to paste: Paste takes what another program put on the Windows clipboard.
  const bool fromWindows = command == IDM_WINCLIP_PASTE || !(internal && internal->present());
  if (fromWindows) {
    int error = 0;
    clip = document::ReadWindowsClipboard(&systemClipboard(), ui, &error);
  } else {
    clip = internal->load();
  }
  if (!clip || clip->lengthFrames() == 0) return;
  document::EditRange range = currentRange();
  if (!doc) {
    doc = newDocumentForClip(*clip);
    if (!doc) return;
    range = currentRange();
  }
  document::EditResult r =
      document::Paste(doc, range, clip.get(), command, pasteSettings(), app().settings.pasteHilite, ui);
  applyEditResult(r);
  refreshMenuStateNow();
}

}  // namespace

void registerEditCommands() {
  ui::registerCommand(IDM_SELECT_ALL, [](int, intptr_t) {
    onDocument([](document::WaveDocument* d, const document::EditRange&) { return document::SelectAll(d); });
  });
  auto zeroCross = [](int, intptr_t) {
    onDocument([](document::WaveDocument* d, const document::EditRange& r) { return document::ZeroCrossAdjust(d, r); });
  };
  ui::registerCommand(IDM_ZERO_CROSS, zeroCross);
  ui::registerCommand(IDM_ZERO_CROSS_KEY, zeroCross);
  ui::registerCommand(IDM_DELETE, [](int, intptr_t) {
    if (!keyFocusInMainWindow()) return;
    onDocument([](document::WaveDocument* d, const document::EditRange& r) {
      return document::DeleteSelection(d, r, editUi());
    });
  });
  ui::registerCommand(IDM_TRIM, [](int, intptr_t) {
    onDocument([](document::WaveDocument* d, const document::EditRange& r) { return document::Trim(d, r, editUi()); });
  });
  ui::registerCommand(IDM_REVERSE, [](int, intptr_t) {
    onDocument([](document::WaveDocument* d, const document::EditRange& r) { return document::Reverse(d, r, editUi()); });
  });
  ui::registerCommand(IDM_INVERT, [](int, intptr_t) {
    onDocument([](document::WaveDocument* d, const document::EditRange& r) { return document::Invert(d, r, editUi()); });
  });
  ui::registerCommand(IDM_SILENCE, [](int, intptr_t) {
    onDocument([](document::WaveDocument* d, const document::EditRange& r) { return document::Silence(d, r, editUi()); });
  });
  ui::registerCommand(IDM_COPY, [](int, intptr_t) {
    onDocument([](document::WaveDocument* d, const document::EditRange& r) {
      return document::CopyCommand(d, r, false, internalClipboard(), &systemClipboard(), editUi());
    });
  });
  ui::registerCommand(IDM_WINCLIP_COPY, [](int, intptr_t) {
    onDocument([](document::WaveDocument* d, const document::EditRange& r) {
      return document::CopyCommand(d, r, true, internalClipboard(), &systemClipboard(), editUi());
    });
  });
  ui::registerCommand(IDM_CUT, [](int, intptr_t) {
    onDocument([](document::WaveDocument* d, const document::EditRange& r) {
      return document::Cut(d, r, internalClipboard(), &systemClipboard(), editUi());
    });
  });
  ui::registerCommand(IDM_PASTE, [](int, intptr_t) { paste(IDM_PASTE); });
  ui::registerCommand(IDM_WINCLIP_PASTE, [](int, intptr_t) { paste(IDM_WINCLIP_PASTE); });
  // Repeat: the last command that recorded (or would have recorded) an undo level.
  auto repeat = [](int, intptr_t) {
    int32_t last = storage::UndoLastCommand();
    if (last > 0 && last != IDM_REPEAT_LAST && last != IDM_REPEAT_NO_DIALOG)
      PostMessageA(static_cast<HWND>(app().mainWindow), WM_COMMAND, WPARAM(last), 0);
  };
  ui::registerCommand(IDM_REPEAT_LAST, repeat);
  ui::registerCommand(IDM_REPEAT_NO_DIALOG, repeat);
}

// A paste with no document: a new "Untitled" one in the clip's format, shown in the display.
document::WaveDocument* newDocumentForClip(const document::WaveDocument& clip) {
  const std::string vendor =
      loadResourceString(static_cast<HINSTANCE>(app().instance), kStrVendor, "the Sorn Edit developers");
  std::unique_ptr<document::WaveDocument> doc = document::NewDocument(
      *currentHost(), clip.rate(), clip.bits(), clip.channels(), app().versionText, vendor);
  if (!doc) {
    ui::ShowMessageBox("There is no room for a new wave in the temporary directories.", "Error",
                       ui::kMbOk | ui::kMbIconExclamation);
    return nullptr;
  }
  documents::closeDocument();
  currentDocumentSlot() = std::move(doc);
  documents::attach(SampleRegion());
  return currentDocument();
}

document::EditRange currentEditRange() { return currentRange(); }
document::EditUi currentEditUi() { return editUi(); }
document::InternalClipboard* currentInternalClipboard() { return internalClipboard(); }
document::SystemClipboard* currentSystemClipboard() { return &systemClipboard(); }

}  // namespace shell
