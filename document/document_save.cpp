// Saving, quick saving, flushing and closing documents, and the "Save changes" question.
#include "document/document_io.h"

#include "document/peak_file.h"
#include "ui/message_box.h"

namespace document {
namespace {


int ask(DocumentHost& host, const std::string& text, const std::string& caption, unsigned flags) {
  if (host.ask) return host.ask(text, caption, flags);
  return (flags & 0xF) == ui::kMbYesNoCancel ? ui::kIdYes : 1;
}

void showTitle(DocumentHost& host, const std::string& text) {
  if (host.showTitle) host.showTitle(text);
}

void refreshTitle(DocumentHost& host, WaveDocument* doc) { showTitle(host, MainWindowTitle(doc)); }

// Writes the peak file of a document whose peaks describe its file on disk.
void savePeaks(DocumentHost& host, WaveDocument* doc, const std::string& name) {
  if (host.settings.savePeakFiles && (doc->flags() & kDocPeaksMatchDisk) && doc->peaks() && !name.empty())
    PeakSave(doc->peaks(), name, false);
}

}  // namespace

bool AskToSave(DocumentHost& host, DocumentReader& reader, WaveDocument* doc) {
  if (!doc || !doc->file()) return true;
  if (!doc->modified()) {
    savePeaks(host, doc, doc->name());
    return true;
  }
  const std::string text =
      doc->name().empty() ? std::string("Save changes to Untitled?") : "Save changes to " + doc->name() + "?";
  int answer = ask(host, text, "Current file not saved", ui::kMbYesNoCancel | ui::kMbIconQuestion);
  if (answer == ui::kIdCancel) return false;
  if (answer != ui::kIdYes) return true;
  SaveRequest request;
  request.forceDialog = true;
  int st = SaveDocument(host, reader, doc, request);
  refreshTitle(host, doc);
  return st == 0;
}

SaveRoute ChooseSaveRoute(WaveDocument* doc, const std::string& name) {
  if (doc->sampleChanges() != 0 && doc->formatChanges() == 0 && !(doc->flags() & kDocLengthChanged) &&
      name == doc->name() && !name.empty() && storage::HfCanQuickSave(doc->file(), name))
    return SaveRoute::Quick;
  return SaveRoute::Filter;
}

bool QuickSaveDocument(DocumentHost& host, WaveDocument* doc) {
  if (!doc || !doc->file() || (doc->flags() & kDocLengthChanged)) return false;
  if (host.progressBegin) host.progressBegin("Quick Saving Audio Data Only");
  storage::HfQuickSaveStatus status = storage::HfQuickSaveStatus::Refused;
  uint32_t written = 0;
  bool ok = storage::HfQuickSave(
      doc->file(), doc->name(),
      [&host, &written](uint32_t done, uint32_t, uint32_t total) {
        written = done;
        const int answer = host.progressMeter ? host.progressMeter(done, total) : 0;
        return answer == kDocStop ? storage::kHfStop : 0;
      },
      &status);
  if (host.progressEnd) host.progressEnd();
  if (host.debug) host.debug("quick save: " + std::to_string(written) + " blocks written\n");
  // Stopped by the user: what was saved is in the file, the rest stays a change to save later.
  if (status == storage::HfQuickSaveStatus::Stopped) return false;
  if (!ok) {
    ask(host,
        "QuickSave is not possible because either the file length has changed since the original, or the "
        "file "
        "is in use",
        "Cannot Quick Save", ui::kMbOk | ui::kMbIconInformation);
    return false;
  }
  savePeaks(host, doc, doc->name());
  doc->addSampleChanges(-doc->sampleChanges());
  return true;
}

int SaveDocument(DocumentHost& host, DocumentReader& reader, WaveDocument* doc, const SaveRequest& request) {
  if (!doc || !doc->file()) return 1;
  std::string name = request.nameOverride.empty() ? doc->name() : request.nameOverride;
  int32_t filterIndex = doc->filterIndex(), filterOptions = doc->filterOptions();
  if (request.forceDialog || request.askName || name.empty()) {
    SaveDialogRequest dialog;
    dialog.title = request.selectionOnly ? "Save Waveform Selection As" : "Save Waveform As";
    dialog.name = name;
    dialog.flags = (host.settings.useOldStyleBoxes ? 5u : 4u) | (request.askName ? 0x20u : 0u) | 0x8000u;
    dialog.filterIndex = filterIndex;
    dialog.filterOptions = filterOptions;
    SaveDialogResult result;
    if (!host.saveDialog || !host.saveDialog(dialog, &result) || result.name.empty()) return 1;
    name = result.name;
    filterIndex = result.filterIndex;
    filterOptions = result.filterOptions;
  }
  uint32_t mask = 8;
  if (request.selectionOnly && doc->channels() == 2) {
    if (request.editChannel == 1) mask = 10;
    if (request.editChannel == 2) mask = 12;
  }
  showTitle(host, "Saving " + FilePart(name));

  int status = 0;
  const auto progress = [&host](uint32_t done, uint32_t total) {
    return host.progressMeter ? host.progressMeter(done, total) : 0;
  };
  if (request.selectionOnly) {
    if (request.selEnd < request.selStart) {
      refreshTitle(host, doc);
      return 3;
    }
    status = reader.write(name, filterIndex, filterOptions, doc, request.selStart,
                          request.selEnd - request.selStart + 1, mask, progress);
  } else if (ChooseSaveRoute(doc, name) == SaveRoute::Quick) {
    status = QuickSaveDocument(host, doc) ? 0 : 1;
  } else {
    status = reader.write(name, filterIndex, filterOptions, doc, 0, doc->lengthFrames(), mask | 0x10, progress);
    if (status == 0) {
      doc->setFilter(filterIndex, filterOptions);
      if (name != doc->name()) {
        doc->setName(name);
        doc->setTitleText(UniqueTitleText(name, host.titleInUse));
      }
      if (host.settings.savePeakFiles)
        savePeaks(host, doc, name);
      else
        PeakDeleteFile(name);
      doc->resetCounters();
    }
  }
  if (status == 0 && host.addRecentFile) host.addRecentFile(name);
  refreshTitle(host, doc);
  return status;
}

bool FlushDocument(DocumentHost& host, WaveDocument* doc) {
  if (!doc || !doc->file()) return false;
  if (host.progressBegin) host.progressBegin("Flushing Virtual File...");
  bool ok = storage::HfFlushRange(doc->file(), 0, storage::HfGetLength(doc->file()),
                                  [&host](uint32_t done, uint32_t total) {
                                    return host.progressMeter ? host.progressMeter(done, total) : 0;
                                  });
  if (host.progressEnd) host.progressEnd();
  return ok;
}

bool CloseDocument(DocumentHost& host, DocumentReader& reader, std::unique_ptr<WaveDocument>* current,
                   bool askFirst) {
  WaveDocument* doc = current->get();
  if (!doc) return true;
  if (askFirst && !AskToSave(host, reader, doc)) return false;
  if (host.stopAudio) host.stopAudio();
  if (doc->undo()) storage::UndoClearLevels(doc->undo());
  if ((doc->flags() & kDocKeepPeakFile) && (doc->flags() & kDocPeaksMatchDisk) && !doc->modified() &&
      doc->peaks() && !doc->name().empty())
    PeakSave(doc->peaks(), doc->name(), false);
  current->reset();
  showTitle(host, kProductName);
  return true;
}

}  // namespace document
