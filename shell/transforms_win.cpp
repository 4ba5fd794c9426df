// The transform host's place in the main window: its hooks into the document support and the display, the
// scan and its menu items when the main window's children are made, the toolbar's transform buttons,
// commands 7000 + i, and the profile save when the main window goes.
// clang-format off
#include "platform/win32.h"  // before the other system headers
// clang-format on

#include <algorithm>
#include <memory>

#include "document/document_io.h"
#include "document/wave_document.h"
#include "resources/command_ids.h"
#include "shell/app_state.h"
#include "shell/document_support.h"
#include "shell/subsystems_win.h"
#include "shell/toolbar_win.h"
#include "shell/win_shell.h"
#include "shell/window_commands.h"
#include "ui/dispatch.h"
#include "ui/message_box.h"
#include "xfmhost/xfm_host.h"

namespace shell {
namespace transforms {
namespace {

document::WaveDocument* newGeneratorDocument() {
  if (!app().storeAvailable) return nullptr;
  std::unique_ptr<document::WaveDocument> doc =
      document::NewDocument(*currentHost(), 44100, 16, 2, app().versionText, "Sorn Edit");
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

void fillHooks(HWND main) {
  xfmhost::HostHooks& h = xfmhost::hostHooks();
  AppState& a = app();
  h.document = [] { return currentDocument(); };
  h.editRange = [] { return currentEditRange(); };
  h.show = [](const document::EditResult& r) { applyEditResult(r); };
  h.newDocument = newGeneratorDocument;
  h.closeNewDocument = [] {
    documents::closeDocument();
    documents::attach(SampleRegion());
  };
  h.afterEdit = [] {
    if (HWND w = static_cast<HWND>(app().mainWindow)) SetWindowTextA(w, currentDocumentTitle().c_str());
    refreshMenuStateNow();
  };
  h.audioBusy = [] {
    TransportState t = transportStateSource() ? transportStateSource()() : TransportState();
    return t.playing || t.recording;
  };
  h.withoutDialog = [] { return commandWithoutDialog(); };
  h.autoCrossfade = [] { return app().settings.autoCrossfade; };
  h.autoCrossfadeMs = [] { return app().settings.autoCrossfadeSize; };
  h.settingsFile = a.settingsFile;
  h.programDir = a.programDir;
  h.instance = a.instance;
  h.mainWindow = main;
  h.dialogFont = mainWindowResources().font;
}

}  // namespace

void createWindows(HWND main) {
  fillHooks(main);
  HDC dc = GetDC(nullptr);
  const int depth = dc ? GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES) : 0;
  if (dc) ReleaseDC(nullptr, dc);
  xfmhost::scanTransforms(depth);
  xfmhost::insertTransformMenus(GetMenu(main));
  toolbarTransformSource() = [] {
    std::vector<ToolbarTransformButton> out;
    for (const xfmhost::TransformButton& b : xfmhost::transformButtons()) {
      ToolbarTransformButton t;
      t.transform.id = b.command;
      t.transform.name = b.name;
      t.transform.flags = b.flags;
      t.bitmap = b.bitmap;
      out.push_back(t);
    }
    return out;
  };
}

void registerCommands() {
  ui::commandTable().setTransformHandler(
      [] {
        return int(
            std::min<size_t>(xfmhost::transformTable().size(), IDM_TOOLBAR_PRESS - IDM_TRANSFORM_FIRST));
      },
      [](int index, intptr_t param) {
        xfmhost::runTransform(size_t(index), param);
        refreshMenuStateNow();
      });
}

void closeWindows() {
  xfmhost::shutDownTransforms();
}

}  // namespace transforms
}  // namespace shell
