// New (1050), Open As (116) and Append (135): the document commands that go through the new-wave dialog,
// and the raw-format dialog the reader shows for files whose filter cannot tell the format ("Open Raw PCM
// files As"). The documents themselves come from document/document_io.h; the current document, its host
// and the display from the document support.
// clang-format off
#include "platform/win32.h"  // before the other system headers
// clang-format on

#include <commdlg.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "document/document_io.h"
#include "document/edit_ops.h"
#include "document/wave_document.h"
#include "formats/filter_host.h"
#include "shell/app_state.h"
#include "resources/command_ids.h"
#include "ui/dispatch.h"
#include "shell/document_commands.h"
#include "shell/document_support.h"
#include "formats/filter_reader.h"
#include "markers/windows/marker_windows.h"
#include "ui/message_box.h"
#include "shell/new_wave_dialog.h"
#include "ui/settings_source.h"
#include "shell/win_shell.h"
#include "shell/window_commands.h"

namespace shell {
namespace {

constexpr UINT kStrVendor = 88;

HWND mainWindow() {
  return static_cast<HWND>(app().mainWindow);
}


// [Recent] SampleRate, BitsPerSample and Channels: the format New and Open As start from. Values no wave can
// have fall back to 44100 Hz, 16 bits, stereo.
NewWaveRequest recentFormat(int mode) {
  ui::ProfileSettingsSource ini(app().settingsFile);
  NewWaveRequest r;
  r.mode = mode;
  uint32_t rate = 0;
  r.rate = ParseRateText(ini.getString("Recent", "SampleRate", "44100", 15), &rate) ? int32_t(rate) : 44100;
  int32_t bits = ini.getInt("Recent", "BitsPerSample", 16);
  int32_t channels = ini.getInt("Recent", "Channels", 2);
  r.bits = bits == 8 ? 8 : 16;
  r.channels = channels == 1 ? 1 : 2;
  return r;
}

void writeRecentFormat(const NewWaveAnswer& a) {
  ui::ProfileSettingsSource ini(app().settingsFile);
  ini.writeString("Recent", "SampleRate", std::to_string(a.rate).c_str());
  ini.writeString("Recent", "BitsPerSample", std::to_string(a.bits).c_str());
  ini.writeString("Recent", "Channels", std::to_string(a.channels).c_str());
}

bool askToSave() {
  return documents::askToSave();
}

// Closes the current document without asking (the caller asked already).
void closeWithoutAsking() {
  documents::closeDocument();
}

// Makes doc the current document and shows it.
void install(std::unique_ptr<document::WaveDocument> doc) {
  currentDocumentSlot() = std::move(doc);
  documents::attach(SampleRegion());
  if (!currentDocument() && mainWindow()) SetWindowTextA(mainWindow(), app().productName.c_str());
}

void onNew() {
  if (refuseDocumentWork() || !currentHost()) return;
  if (!askToSave()) return;
  NewWaveAnswer a;
  if (!ShowNewWaveDialog(mainWindow(), recentFormat(kNewWaveNew), &a)) return;
  const std::string vendor =
      loadResourceString(static_cast<HINSTANCE>(app().instance), kStrVendor, "the Sorn Edit developers");
  std::unique_ptr<document::WaveDocument> doc =
      document::NewDocument(*currentHost(), a.rate, a.bits, a.channels, app().versionText, vendor);
  if (!doc) {
    ui::ShowMessageBox("There is no room for a new wave in the temporary directories.", "Error",
                   ui::kMbOk | ui::kMbIconExclamation);
    return;
  }
  writeRecentFormat(a);
  closeWithoutAsking();
  install(std::move(doc));
}

void onOpenAs() {
  document::DocumentReader* reader = currentReader();
  if (refuseDocumentWork() || !currentHost() || !reader) return;
  if (!askToSave()) return;
  std::vector<std::string> list = showOpenDialog("Open a Waveform As");
  if (list.empty()) return;
  NewWaveAnswer a;
  if (!ShowNewWaveDialog(mainWindow(), recentFormat(kNewWaveOpenAs), &a)) return;
  closeWithoutAsking();
  const document::WaveFormat common{a.rate, a.channels, a.bits};
  std::unique_ptr<document::WaveDocument> doc;
  int error = 0;
  int handled = document::OpenFileList(*currentHost(), *reader, &doc, document::ExpandFileList(list, false),
                                       document::kListUntitled | document::kListConvert, &error, -1, &common);
  if (handled == 0) doc.reset();  // nothing of the list could be read
  ui::debugOutputf("open as: %d file(s), error %d\n", handled, error);
  install(std::move(doc));
}

void onAppend() {
  document::DocumentReader* reader = currentReader();
  document::WaveDocument* doc = currentDocument();
  if (!doc || !currentHost() || !reader) return;
  std::vector<std::string> list = showOpenDialog("Append a Waveform");
  if (list.empty()) return;
  const document::WaveFormat common = doc->format();
  int error = 0;
  int handled = document::OpenFileList(
      *currentHost(), *reader, &currentDocumentSlot(), document::ExpandFileList(list, false),
      document::kListUntitled | document::kListConvert | document::kListAppend, &error, -1, &common);
  ui::debugOutputf("append: %d file(s), error %d\n", handled, error);
  // The length, the cues (a region per appended file) and the title changed.
  applyEditResult(document::EditResult());
}

// Adjust Sample Rate (109): the samples stay as they are and play at the rate chosen in the new-wave
// dialog; the undo level remembers the old rate.
void onAdjustSampleRate() {
  document::WaveDocument* doc = currentDocument();
  if (!doc || !doc->file() || refuseDocumentWork()) return;
  NewWaveRequest r;
  r.mode = kNewWaveAdjustRate;
  r.rate = int32_t(doc->rate());
  r.bits = doc->bits() == 8 ? 8 : 16;
  r.channels = doc->channels() == 1 ? 1 : 2;
  NewWaveAnswer a;
  if (!ShowNewWaveDialog(mainWindow(), r, &a)) return;
  const document::EditResult result = document::AdjustSampleRate(doc, a.rate);
  ui::debugOutputf("adjust sample rate: %lu Hz, status %d\n", static_cast<unsigned long>(a.rate), result.status);
  if (result.status != document::kEditOk) return;
  applyEditResult(result);
  applyTimeSettings();  // the rulers and times follow the new rate
  refreshMenuStateNow();
}

// The reader's question for raw data: rate, bits and channels through the dialog in its raw mode.
bool rawFormatDialog(document::WaveFormat* f) {
  NewWaveRequest r;
  r.mode = kNewWaveRawOpen;
  r.rate = int32_t(f->rate);
  r.bits = f->bits == 8 ? 8 : 16;
  r.channels = f->channels == 1 ? 1 : 2;
  NewWaveAnswer a;
  if (!ShowNewWaveDialog(mainWindow(), r, &a)) return false;
  f->rate = a.rate;
  f->bits = a.bits;
  f->channels = a.channels;
  return true;
}

}  // namespace

void registerDocumentCommands() {
  ui::registerCommand(IDM_NEW, [](int, intptr_t) { onNew(); });
  ui::registerCommand(IDM_OPEN_AS, [](int, intptr_t) { onOpenAs(); });
  ui::registerCommand(IDM_OPEN_APPEND, [](int, intptr_t) { onAppend(); });
  ui::registerCommand(IDM_ADJUST_RATE, [](int, intptr_t) { onAdjustSampleRate(); });
  // The document support's reader is a formats::FilterReader (document_support_win.cpp).
  if (auto* reader = static_cast<formats::FilterReader*>(currentReader())) reader->setRawFormatDialog(rawFormatDialog);
}

}  // namespace shell
