// The internal clipboard file. See clipboard_file.h.
#include "document/clipboard_file.h"

#include <cctype>

#include "document/document_io.h"
#include "platform/file.h"
#include "storage/store.h"

namespace document {
namespace {

bool sameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool isFile(const std::string& path) {
  bool dir = false;
  return !path.empty() && platform::fileOps().exists(path.c_str(), &dir) == platform::FileStatus::Ok && !dir;
}

// Removes a clipboard file, but never a file of another name: the path comes from the settings file.
void removeClipboardFile(const std::string& path) {
  if (!path.empty() && sameName(FilePart(path), kClipboardFileName)) platform::fileOps().remove(path.c_str());
}

}  // namespace

std::string FileClipboard::currentPath() {
  return access_.getPath ? access_.getPath() : std::string();
}

bool FileClipboard::present() {
  return isFile(currentPath());
}

int FileClipboard::store(WaveDocument* doc, uint32_t start, uint32_t count, int channel) {
  if (!reader_ || !doc || !doc->blockAlign()) return kCopyNoClipboardFile;
  removeClipboardFile(currentPath());
  const bool one = doc->channels() == 2 && channel != kChannelBoth;
  const int64_t bytes = int64_t(count) * (one ? doc->blockAlign() / 2 : doc->blockAlign());
  std::string path;
  const bool room =
      access_.choosePath ? access_.choosePath(&path, bytes) : storage::VfClipboardPath(&path, bytes);
  if (!room || path.empty()) return kCopyNoClipboardFile;
  const uint32_t mask = !one ? 8 : channel == kChannelLeft ? 10 : 12;
  if (reader_->write(path, filterIndex_, filterOptions_, doc, start, count, mask, nullptr) != 0) {
    removeClipboardFile(path);
    return kCopyNoClipboardFile;
  }
  if (access_.setPath) access_.setPath(path);
  return kCopyOk;
}

Clip FileClipboard::load() {
  const std::string path = currentPath();
  if (!reader_ || !isFile(path)) return nullptr;
  FileIdentity id;
  if (reader_->identify(path, filterIndex_, &id) != 0) return nullptr;
  if (id.bits == 32) id.bits = 16;  // delivered on the 16-bit scale, as every open does
  if (!IsValidChannels(id.channels) || !IsValidBits(id.bits) || id.rate == 0) return nullptr;
  markers::MarkerSet cues(16, 0);
  markers::ChunkStore chunks;
  Clip clip;
  if (id.inPlace && id.dataLength > 0) {
    clip = WaveDocument::openWith(
        id.channels, id.bits, id.rate, 0, [&](uintptr_t owner, storage::HfNotifySink sink, int* status) {
          return reader_->mapInPlace(path, id, owner, std::move(sink), &cues, &chunks, status);
        });
  }
  if (!clip) {
    clip = WaveDocument::createEmpty(id.channels, id.bits, id.rate, 0);
    if (!clip) return nullptr;
    clip->setLoading(true);
    const int r = reader_->readSamples(path, id, clip->file(), &cues, &chunks, nullptr);
    clip->setLoading(false);
    if (r != kOpenOk) return nullptr;
  }
  return clip;
}

}  // namespace document
