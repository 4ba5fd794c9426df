// The transform host: the start-up scan with the xfm.dat cache, the menus, running a transform from its
// command, the nested API and the shut-down pass. The decisions are the portable core's (xfm_dat, xfm_info,
// xfm_table, xfm_vars, run_plan); this file does the loading, the memory blocks, the profile and the calls.
// clang-format off
#include "platform/win32.h"  // before the other system headers
// clang-format on

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "document/edit_ops.h"
#include "document/sample_transfer.h"
#include "document/undo_command.h"
#include "document/wave_document.h"
#include "xfmhost/progress_window.h"
#include "storage/undo_store.h"
#include "ui/message_box.h"
#include "ui/settings_source.h"
#include "xfmhost/graph_model.h"
#include "xfmhost/run_plan.h"
#include "xfmhost/xfm_dat.h"
#include "xfmhost/xfm_exports_win.h"
#include "xfmhost/xfm_host.h"
#include "xfmhost/xfm_info.h"
#include "xfmhost/xfm_services.h"
#include "xfmhost/xfm_vars.h"

using document::WaveDocument;

namespace xfmhost {
namespace {

constexpr const char* kCacheName = "xfm.dat";
constexpr const char* kProfileSection = "Profile";

// The host's process-wide state: the table (entries hold the session's variables blocks and the toolbar
// bitmaps), the nested handles, the names the contexts point at.
struct HostState {
  TransformTable table;
  NestedSlots slots;
  struct Nested {
    XfmContext context{};
    HMODULE library = nullptr;
    int index = -1;
  } nested[NestedSlots::kSlots];
  std::string iniName = "sorn.ini";
  std::string helpName = "sorn.hlp";
  int queries = 0;
  bool scanned = false;
  bool running = false;  // a run is in progress
};
HostState gHost;
HostHooks gHooks;
ScriptHooks gScripts;

std::string programPath(const std::string& name) {
  return gHooks.programDir.empty() ? name : gHooks.programDir + "\\" + name;
}

std::string lastErrorText() {
  return std::to_string(GetLastError());
}

// ---- Variables blocks ----

// A locked view of a movable block; size 0 for none.
class Locked {
 public:
  explicit Locked(HGLOBAL h) : h_(h) {
    if (h_) {
      p_ = static_cast<uint8_t*>(GlobalLock(h_));
      size_ = p_ ? GlobalSize(h_) : 0;
    }
  }
  ~Locked() {
    if (p_) GlobalUnlock(h_);
  }
  uint8_t* data() const { return p_; }
  size_t size() const { return size_; }

 private:
  HGLOBAL h_;
  uint8_t* p_ = nullptr;
  size_t size_ = 0;
};

HGLOBAL newBlock(uint32_t bytes) {
  return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, std::max<uint32_t>(bytes, 1));
}

std::string readProfileText(const XfmInfo& info) {
  ui::ProfileSettingsSource ini(gHooks.settingsFile);
  return ini.getString(kProfileSection, info.name, "", uint32_t(profileBufferChars(info.types)));
}

void writeProfileText(const XfmInfo& info, HGLOBAL block) {
  Locked b(block);
  std::string text = b.data() ? encodeProfile(info.types, b.data(), b.size(), &graphModel()) : std::string();
  ui::ProfileSettingsSource ini(gHooks.settingsFile);
  ini.writeString(kProfileSection, info.name, text.c_str());
}

// The snapshot a cancelled dialog goes back to: the block's bytes, a duplicate of each graph it refers to
// and a copy of each memory block.
struct Snapshot {
  std::vector<uint8_t> bytes;
  struct Graph {
    uint16_t handle, copy;
  };
  std::vector<Graph> graphs;
  struct Memory {
    uint32_t offset;
    HGLOBAL original, copy;
  };
  std::vector<Memory> memory;
};

HGLOBAL copyMemory(HGLOBAL h) {
  const SIZE_T n = h ? GlobalSize(h) : 0;
  if (!n) return nullptr;
  HGLOBAL c = GlobalAlloc(GMEM_MOVEABLE, n);
  if (!c) return nullptr;
  void* s = GlobalLock(h);
  void* d = GlobalLock(c);
  if (s && d) std::memcpy(d, s, n);
  if (d) GlobalUnlock(c);
  if (s) GlobalUnlock(h);
  return c;
}

Snapshot takeSnapshot(const XfmInfo& info, HGLOBAL block) {
  Snapshot s;
  Locked b(block);
  if (!b.data()) return s;
  s.bytes.assign(b.data(), b.data() + b.size());
  for (const VarField& f : fieldLayout(info.types)) {
    if (size_t(f.offset) + f.size > b.size()) break;
    const uint8_t* p = b.data() + f.offset;
    if (f.type == 'g') {
      const uint16_t h = uint16_t(p[0] | (p[1] << 8));
      const int c = graphModel().duplicate(h);
      if (c >= 0) s.graphs.push_back({h, uint16_t(c)});
    } else if (f.type == 'h') {
      HGLOBAL h = nullptr;
      std::memcpy(&h, p, sizeof h);
      if (h && GlobalSize(h)) s.memory.push_back({f.offset, h, copyMemory(h)});
    }
  }
  return s;
}

void discardSnapshot(Snapshot* s) {
  for (const Snapshot::Graph& g : s->graphs) graphModel().destroy(g.copy);
  for (const Snapshot::Memory& m : s->memory)
    if (m.copy) GlobalFree(m.copy);
  *s = Snapshot();
}

// Cancel: the block gets its bytes back, each graph its points, each memory block its contents (the
// plug-in's replacement freed; a block the plug-in freed itself is replaced by the snapshot's copy).
void restoreSnapshot(const XfmInfo& info, HGLOBAL block, Snapshot* s) {
  Locked b(block);
  const bool sameSize = b.data() && b.size() == s->bytes.size();
  if (sameSize) {
    // Memory handles the plug-in put in the block since the snapshot are its new blocks: free them.
    for (const VarField& f : fieldLayout(info.types)) {
      if (f.type != 'h' || size_t(f.offset) + f.size > b.size()) continue;
      HGLOBAL now = nullptr, before = nullptr;
      std::memcpy(&now, b.data() + f.offset, sizeof now);
      std::memcpy(&before, s->bytes.data() + f.offset, sizeof before);
      if (now && now != before && GlobalFlags(now) != GMEM_INVALID_HANDLE) GlobalFree(now);
    }
    std::memcpy(b.data(), s->bytes.data(), s->bytes.size());
  }
  for (const Snapshot::Graph& g : s->graphs) {
    graphModel().copy(g.handle, g.copy);
    graphModel().destroy(g.copy);
  }
  for (const Snapshot::Memory& m : s->memory) {
    if (!m.copy) continue;
    const SIZE_T n = GlobalSize(m.copy);
    if (GlobalFlags(m.original) != GMEM_INVALID_HANDLE && GlobalSize(m.original) >= n) {
      void* d = GlobalLock(m.original);
      void* c = GlobalLock(m.copy);
      if (d && c) std::memcpy(d, c, n);
      if (c) GlobalUnlock(m.copy);
      if (d) GlobalUnlock(m.original);
      GlobalFree(m.copy);
    } else if (sameSize) {
      HGLOBAL copy = m.copy;  // the original is gone: the copy takes its place
      std::memcpy(b.data() + m.offset, &copy, sizeof copy);
    } else {
      GlobalFree(m.copy);
    }
  }
  s->graphs.clear();
  s->memory.clear();
}

// ---- Contexts ----

struct WaveFacts {
  uint16_t channels = 2, bits = 16;
  uint32_t rate = 44100;
  int32_t frames = 0;
};

WaveFacts factsOf(WaveDocument* doc) {
  WaveFacts f;
  if (doc && doc->file()) {
    f.channels = doc->channels();
    f.bits = doc->bits();
    f.rate = doc->rate();
    f.frames = int32_t(std::min<uint32_t>(doc->lengthFrames(), 0x7FFFFFFF));
  }
  return f;
}

void baseContext(XfmContext* c, size_t index, HMODULE library) {
  std::memset(c, 0, sizeof *c);
  fillServiceSlots(c);
  c->entry = &gHost.table.at(index);
  c->iniName = gHost.iniName.c_str();
  c->helpName = gHost.helpName.c_str();
  c->instance = static_cast<XfmModule>(gHooks.instance);
  c->plugin = library;
  HFONT font = static_cast<HFONT>(gHooks.dialogFont);
  c->font = font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  c->one = 1;
  c->scriptPlaying = -1;
  c->last = -1;
}

// Format, masks and accessors for a wave (its own layout; one channel of it with editChannel 1 or 2).
void negotiate(XfmContext* c, const WaveFacts& w, int editChannel, uint16_t mask, uint32_t flags) {
  WaveShape shape;
  shape.channels = w.channels;
  shape.bits = w.bits;
  shape.editChannel = w.channels == 2 ? editChannel : 0;
  Negotiated n = negotiateFormat(shape, mask, flags);
  c->channels = n.channels;
  c->bits = n.bits;
  c->frameBytes = n.frameBytes;
  c->readMask = n.readMask;
  c->writeMask = n.writeMask;
  c->rate = w.rate;
  setOldAccess(c, n.access, n.delayed16to8);
}

template <typename Fn>
Fn entryPoint(HMODULE lib, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
}

// ---- The scan ----

std::vector<XfmFileInfo> listTransformFiles() {
  std::vector<XfmFileInfo> files;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(programPath("*.xfm").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return files;
  do {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    XfmFileInfo f;
    f.name = fd.cFileName;
    f.size = (uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    f.creationTime = (uint64_t(fd.ftCreationTime.dwHighDateTime) << 32) | fd.ftCreationTime.dwLowDateTime;
    files.push_back(f);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return files;
}

std::optional<std::vector<uint8_t>> readCache() {
  HANDLE h = CreateFileA(programPath(kCacheName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<uint8_t> bytes;
  const DWORD size = GetFileSize(h, nullptr);
  if (size != INVALID_FILE_SIZE && size <= 64u * 1024 * 1024) {
    bytes.resize(size);
    DWORD got = 0;
    if (size && (!ReadFile(h, bytes.data(), size, &got, nullptr) || got != size)) bytes.clear();
  }
  CloseHandle(h);
  return bytes;
}

void writeCache(const std::vector<uint8_t>& bytes) {
  // A cache that cannot be written only costs the next start a full scan.
  HANDLE h = CreateFileA(programPath(kCacheName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD put = 0;
  WriteFile(h, bytes.data(), DWORD(bytes.size()), &put, nullptr);
  CloseHandle(h);
}

std::optional<BitmapBits> bitmapBits(HBITMAP bitmap) {
  BITMAP bm = {};
  if (!bitmap || GetObjectA(bitmap, sizeof bm, &bm) != sizeof bm) return std::nullopt;
  BitmapBits b;
  b.type = bm.bmType;
  b.width = bm.bmWidth;
  b.height = bm.bmHeight;
  b.bytesPerRow = bm.bmWidthBytes;
  b.planes = bm.bmPlanes;
  b.bitsPerPixel = bm.bmBitsPixel;
  const size_t n = size_t(bm.bmWidthBytes) * size_t(bm.bmHeight) * bm.bmPlanes;
  b.pixels.assign(n, 0);
  if (n && GetBitmapBits(bitmap, LONG(n), b.pixels.data()) != LONG(n)) return std::nullopt;
  return b;
}

HBITMAP bitmapFrom(const BitmapBits& b) {
  if (!bitmapConsistent(b)) return nullptr;
  return CreateBitmap(b.width, b.height, b.planes, b.bitsPerPixel, b.pixels.data());
}

void messageBoxf(unsigned flags, const char* caption, const char* fmt, const std::string& a,
                 const std::string& b) {
  char text[600];
  std::snprintf(text, sizeof text, fmt, a.c_str(), b.c_str());
  ui::ShowMessageBox(text, caption, flags);
}

void queryFiles(const ScanPlan& plan) {
  ui::ProfileSettingsSource ini(gHooks.settingsFile);
  for (const std::string& name : plan.toQuery) {
    HMODULE lib = LoadLibraryA(programPath(name).c_str());
    if (!lib) {
      messageBoxf(ui::kMbOk | ui::kMbIconWarning, "Error", "Error %s Loading XFM File %s", lastErrorText(),
                  name);
      continue;
    }
    QueryXfmFn query = entryPoint<QueryXfmFn>(lib, "QueryXfm");
    if (!query) {
      messageBoxf(ui::kMbOk | ui::kMbIconInformation, "Error", "Error %s Loading XFM File %s", "99", name);
      FreeLibrary(lib);
      continue;
    }
    // Room for the whole record whatever the plug-in believes its size is, zeroed first.
    alignas(8) uint8_t buffer[kInfoBytes + 64] = {};
    const uint32_t version = query(reinterpret_cast<XfmInfo*>(buffer));
    ++gHost.queries;
    ui::debugOutputf("xfm: QueryXfm %s version %u\n", name.c_str(), unsigned(version & 0xFFFF));
    XfmInfo info;
    if (acceptQueryResult(version, buffer, &info) == QueryStatus::kAccepted) {
      const size_t i = gHost.table.insertSorted(info, name);
      HBITMAP bitmap = LoadBitmapA(lib, "TOOLBARICON");
      gHost.table.at(i).bitmap = bitmap;
      if (plan.setChanged) ini.writeString(kProfileSection, info.name, nullptr);
    }
    FreeLibrary(lib);
  }
}

void saveCache(uint32_t checksum, uint16_t depth) {
  XfmDat dat;
  dat.checksum = checksum;
  dat.depth = depth;
  for (size_t i = 0; i < gHost.table.size(); ++i) {
    const XfmEntry& e = gHost.table.at(i);
    CachedTransform c;
    c.info = e.info;
    c.fileName = e.fileName;
    if (e.bitmap) c.bitmap = bitmapBits(static_cast<HBITMAP>(e.bitmap));
    dat.entries.push_back(c);
  }
  writeCache(encodeXfmDat(dat));
}

// ---- Menus ----

void appendNode(HMENU menu, const MenuNode& node) {
  for (const MenuNode& child : node.children) {
    if (child.separator) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    } else if (child.popup) {
      HMENU sub = nullptr;
      // An existing popup of that text (any case) takes the items, searched from the last item back.
      for (int i = GetMenuItemCount(menu) - 1; i >= 0 && !sub; --i) {
        char text[128] = {};
        HMENU s = GetSubMenu(menu, i);
        if (s && GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION) &&
            compareNames(text, child.text.c_str()) == 0)
          sub = s;
      }
      if (!sub) {
        sub = CreatePopupMenu();
        AppendMenuA(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), child.text.c_str());
      }
      appendNode(sub, child);
    } else {
      AppendMenuA(menu, MF_STRING, child.command, child.text.c_str());
      ui::debugOutputf("xfm: menu item %u \"%s\"\n", unsigned(child.command), child.text.c_str());
    }
  }
}

// ---- Running ----

bool scriptPlaying() {
  return gScripts.playing && gScripts.playing();
}

// Script playback: every variable read in type-string order until the first missing parameter.
void readScriptParameters(const XfmInfo& info, HGLOBAL block) {
  if (!gScripts.readParameter) return;
  std::vector<std::string> tokens;
  std::string t;
  bool more = true;
  for (const VarField& f : fieldLayout(info.types)) {
    if (f.type == 'h') continue;
    if (!more || !gScripts.readParameter(&t)) break;
    tokens.push_back(t);
    if (f.type == 'g') {
      const long count = std::strtol(t.c_str(), nullptr, 10);
      for (long i = 0; i < 2 * std::max(0L, std::min(count, long(kMaxGraphPoints))); ++i) {
        if (!gScripts.readParameter(&t)) {
          more = false;
          break;
        }
        tokens.push_back(t);
      }
    }
  }
  std::string text;
  for (size_t i = 0; i < tokens.size(); ++i) text += (i ? "," : "") + tokens[i];
  Locked b(block);
  if (b.data()) decodeProfile(text, info.types, b.data(), b.size(), &graphModel());
  // A graph whose read x range differs from the graph's is stretched onto it.
  for (const VarField& f : fieldLayout(info.types)) {
    if (f.type != 'g' || size_t(f.offset) + f.size > b.size()) continue;
    const uint16_t h = uint16_t(b.data()[f.offset] | (b.data()[f.offset + 1] << 8));
    std::vector<GraphPoint> p;
    int32_t xmin = 0, xmax = 0;
    if (graphModel().points(h, &p) && graphModel().range(h, &xmin, &xmax) && rescaleGraphX(&p, xmin, xmax))
      graphModel().setPoints(h, p);
  }
}

void recordScript(int command, const XfmInfo& info, HGLOBAL block) {
  if (!gScripts.recording || !gScripts.recording() || !gScripts.record) return;
  Locked b(block);
  std::vector<std::string> lines;
  if (b.data()) {
    std::string text = encodeProfile(info.types, b.data(), b.size(), &graphModel());
    size_t at = 0;
    while (at <= text.size()) {
      size_t comma = text.find(',', at);
      if (comma == std::string::npos) comma = text.size();
      lines.push_back(text.substr(at, comma - at));
      at = comma + 1;
    }
  }
  gScripts.record(command, lines);
}

document::EditResult showRange(int32_t first, int32_t last, const document::EditRange& range,
                               int32_t frames) {
  document::EditResult r;
  r.select = true;
  r.selStart = uint32_t(std::max(0, first));
  r.selEnd = last < first ? r.selStart - 1 : uint32_t(last);
  const int32_t lastFrame = std::max(0, frames - 1);
  uint32_t vs = range.viewStart, ve = range.viewEnd;
  if (first >= 0 && uint32_t(first) < vs) vs = uint32_t(first);
  if (last >= 0 && uint32_t(last) > ve) ve = uint32_t(last);
  r.setView = true;
  r.viewStart = std::min<uint32_t>(vs, uint32_t(lastFrame));
  r.viewEnd = std::min<uint32_t>(std::max(ve, r.viewStart), uint32_t(lastFrame));
  return r;
}

std::string undoTitle(const char* format, const XfmInfo& info) {
  char text[200];
  std::snprintf(text, sizeof text, format, shortName(info.name).c_str());
  return text;
}

void afterEdit() {
  if (gHooks.afterEdit) gHooks.afterEdit();
}

// An in-place transform over the context's range.
void runInPlace(size_t index, XfmContext& c, WaveDocument* doc, const document::EditRange& range,
                XfmDoFn doFn) {
  const XfmEntry& e = gHost.table.at(index);
  const uint32_t flags = e.info.flags | c.extraFlags;
  const int32_t frames = factsOf(doc).frames;
  FrameRange undo = undoRange(flags, {c.first, c.last}, {c.ownFirst, c.ownLast}, c.lastVisible, frames);
  undo.first = std::max(0, undo.first);
  undo.last = std::min(undo.last, frames - 1);
  if (!storage::UndoSaveRange(doc->undo(), doc->file(), uint32_t(undo.first), uint32_t(undo.last))) return;
  const bool changesLength = (flags & XFM_CHANGES_LENGTH) != 0;
  // The plug-in's own inserts and cuts must not shift the cues: they are rescaled once it is done.
  if (changesLength) doc->setFlags(document::kDocNoCueShift, 0);
  *cancelFlag() = 0;
  if (doFn) doFn(&c);
  if (changesLength) doc->setFlags(0, document::kDocNoCueShift);
  const uint32_t serial = document::NextEditSerial();
  const int32_t framesNow = factsOf(doc).frames;
  if (changesLength) {
    c.last = clampChangedEnd(c.first, c.last, framesNow);
    const int64_t oldLength = int64_t(undo.last) - undo.first + 1;
    const int64_t newLength = oldLength + (int64_t(framesNow) - frames);
    if (oldLength > 0 && newLength >= 0)
      doc->cues().adjustForReplacement(uint32_t(undo.first), uint32_t(oldLength), uint32_t(newLength));
  }
  // The range recorded is what the saved frames replace now: the undo range, moved by the change of length.
  const int32_t recordStart = (flags & XFM_OWN_RANGE) ? c.ownFirst : undo.first;
  const int32_t recordEnd = undo.last + (framesNow - frames);
  const int editChannel = doc->channels() == 2 ? range.editChannel : 0;
  const std::string title = undoTitle("Undo %s", e.info);
  storage::UndoRecordLevel(doc->undo(), document::EditRecord(doc, int32_t(XFM_MENU_BASE + index), editChannel,
                                                             uint32_t(std::max(0, recordStart)),
                                                             uint32_t(recordEnd), title.c_str(), serial));
  doc->addSampleChanges(1);
  if (gHooks.show) gHooks.show(showRange(c.first, c.last, range, framesNow));
  afterEdit();
}

// A generator: blanks inserted when it replaces a shorter selection, its frames written from the selection
// start, what it did not use cut out again.
void runGenerator(size_t index, XfmContext& c, WaveDocument* doc, const document::EditRange& range,
                  XfmDoFn doFn) {
  const XfmEntry& e = gHost.table.at(index);
  const int32_t frames = factsOf(doc).frames;
  const bool replace = c.generateReplace != 0;
  const bool oneChannel = doc->channels() == 2 && (range.editChannel == 1 || range.editChannel == 2);
  FrameRange selection{int32_t(std::max<int64_t>(0, range.start)), int32_t(range.end)};
  if (!range.hasSelection()) selection.last = selection.first - 1;
  selection.last = std::min(selection.last, frames - 1);
  GeneratePlan plan = planGenerate(c.generateCount, selection, replace, frames, oneChannel);
  // Without replace the generator writes over what follows the start: all of it is saved.
  FrameRange saved = plan.undo;
  if (!replace && !plan.extendChannel)
    saved.last = std::max(saved.last, std::min(plan.start + plan.asked - 1, frames - 1));
  saved.last = std::min(saved.last, frames - 1);
  // Saved before the blanks go in, so a failed save leaves nothing behind.
  if (!storage::UndoSaveRange(doc->undo(), doc->file(), uint32_t(saved.first), uint32_t(saved.last))) return;
  if (plan.blanks > 0) {
    const int32_t inserted =
        int32_t(document::SampleInsertBlank(doc->samples(), plan.blanksAt, uint32_t(plan.blanks), true));
    if (inserted < plan.blanks) {
      BlankRollback rb = rollbackBlanks(plan, inserted);
      if (rb.frames > 0) document::SampleCut(doc->samples(), rb.at, uint32_t(rb.frames));
      storage::UndoDiscardPending(doc->undo());
      ui::debugOutputf("xfm: %d of %d blank frames inserted; the generator did not run\n", inserted,
                       plan.blanks);
      return;
    }
  }
  c.last = plan.contextLast;
  *cancelFlag() = 0;
  const int32_t n = doFn ? doFn(&c) : 0;
  GenerateFinish fin = finishGenerate(plan, n, selection, replace);
  c.last = fin.contextLast;
  const uint32_t serial = document::NextEditSerial();
  if (fin.cutFrames > 0) document::SampleCut(doc->samples(), fin.cutAt, uint32_t(fin.cutFrames));
  const int32_t framesNow = factsOf(doc).frames;
  int32_t recordEnd = plan.start + fin.produced - 1;
  if (!replace || plan.oneChannel)
    recordEnd = std::max(saved.last + (framesNow - frames), plan.start + fin.produced - 1);
  const int editChannel = oneChannel ? range.editChannel : 0;
  const std::string title = undoTitle("Undo Generate %s", e.info);
  storage::UndoRecordLevel(
      doc->undo(), document::EditRecord(doc, int32_t(XFM_MENU_BASE + index), editChannel,
                                        uint32_t(plan.start), uint32_t(recordEnd), title.c_str(), serial));
  doc->addSampleChanges(1);
  if (gHooks.show) {
    if (fin.setSelection)
      gHooks.show(showRange(fin.selection.first, fin.selection.last, range, framesNow));
    else
      gHooks.show(showRange(selection.first, selection.last, range, framesNow));
  }
  afterEdit();
}

}  // namespace

HostHooks& hostHooks() {
  return gHooks;
}

ScriptHooks& scriptHooks() {
  return gScripts;
}

const TransformTable& transformTable() {
  return gHost.table;
}

int queryCalls() {
  return gHost.queries;
}

void scanTransforms(int depth) {
  gHost.iniName = gHooks.settingsFile;
  gHost.helpName = gHooks.helpName;
  installServiceProgress();
  gHost.table.clear();
  const std::vector<XfmFileInfo> files = listTransformFiles();
  const uint16_t d = uint16_t(depth);
  ScanPlan plan = planScan(files, readCache(), d);
  gHost.table.reserve(std::max<size_t>(plan.capacity, files.size()) + 1);
  for (const std::string& n : plan.nameTooLong)
    ui::debugOutputf("xfm: %s: name too long, skipped\n", n.c_str());
  if (plan.useCache) {
    for (const CachedTransform& c : plan.cached) {
      gHost.table.append(c.info, c.fileName);
      if (c.bitmap) gHost.table.at(gHost.table.size() - 1).bitmap = bitmapFrom(*c.bitmap);
    }
    ui::debugOutputf("xfm: %u transforms from the cache\n", unsigned(gHost.table.size()));
  } else {
    if (plan.deleteCache) DeleteFileA(programPath(kCacheName).c_str());
    queryFiles(plan);
    saveCache(xfmChecksum(files), d);
    ui::debugOutputf("xfm: %u transforms found, cache written\n", unsigned(gHost.table.size()));
  }
  gHost.scanned = true;
}

void insertTransformMenus(void* menuBar) {
  HMENU bar = static_cast<HMENU>(menuBar);
  if (!bar) return;
  TransformMenus m = buildTransformMenus(gHost.table);
  const struct {
    int position;
    const MenuNode* node;
  } menus[] = {{3, &m.transform}, {4, &m.generate}, {5, &m.analyze}};
  for (const auto& x : menus) {
    HMENU sub = GetSubMenu(bar, x.position);
    if (!sub || x.node->children.empty()) continue;
    if (GetMenuItemCount(sub) > 0) AppendMenuA(sub, MF_SEPARATOR, 0, nullptr);
    appendNode(sub, *x.node);
  }
}

std::vector<TransformButton> transformButtons() {
  std::vector<TransformButton> out;
  for (size_t i = 0; i < gHost.table.size(); ++i) {
    const XfmEntry& e = gHost.table.at(i);
    TransformButton b;
    b.command = int(XFM_MENU_BASE + i);
    b.name = e.info.name;
    b.flags = e.info.flags;
    b.bitmap = e.bitmap;
    out.push_back(b);
  }
  return out;
}

bool transformEnabled(size_t index, const MenuState& state) {
  return index < gHost.table.size() && transformItemEnabled(gHost.table.at(index).info, state);
}

bool transformChangesLength(int command) {
  const int i = command - XFM_MENU_BASE;
  return i >= 0 && size_t(i) < gHost.table.size() &&
         (gHost.table.at(size_t(i)).info.flags & XFM_CHANGES_LENGTH);
}

// The transform's variables block of this session in c: made on its first run (XfmInit, then the values
// kept in [Profile]), the same block afterwards. False when it cannot be made or XfmInit refuses.
bool sessionVars(XfmEntry* e, XfmContext* c, XfmInitFn init) {
  if (!e->vars) {
    HGLOBAL block = newBlock(e->info.varsSize);
    if (!block) return false;
    c->vars = block;
    if (init && !init(c)) {
      GlobalFree(block);
      return false;
    }
    e->vars = block;
    const std::string text = readProfileText(e->info);
    if (!text.empty()) {
      Locked b(block);
      if (b.data()) decodeProfile(text, e->info.types, b.data(), b.size(), &graphModel());
    }
  }
  c->vars = e->vars;
  return true;
}

// XfmSetup: with its dialog, or without one (Repeat, a script) only for a transform that sets its own
// range, told so by XFM_NO_DIALOG. 1 (go on) when it is not asked at all.
int32_t runSetup(XfmEntry* e, XfmContext* c, HMODULE lib, XfmSetupFn setup, bool withoutDialog) {
  if (!withoutDialog) return setup(static_cast<HWND>(gHooks.mainWindow), lib, c);
  if (!((e->info.flags | c->extraFlags) & XFM_OWN_RANGE)) return 1;
  e->info.flags |= XFM_NO_DIALOG;
  const int32_t result = setup(static_cast<HWND>(gHooks.mainWindow), lib, c);
  e->info.flags &= ~XFM_NO_DIALOG;
  return result;
}

int runTransform(size_t index, intptr_t commandParam) {
  if (index >= gHost.table.size()) return -1;
  // The progress window pumps messages while a transform runs: a second run may not start inside it.
  if (gHost.running) {
    MessageBeep(MB_ICONEXCLAMATION);
    return -1;
  }
  struct RunFlag {
    RunFlag() { gHost.running = true; }
    ~RunFlag() { gHost.running = false; }
  } runFlag;
  XfmEntry& e = gHost.table.at(index);
  const uint32_t flags = e.info.flags;
  const bool transform = (flags & XFM_TRANSFORM) != 0;
  const bool generator = !transform && (flags & XFM_GENERATE);
  const bool analyze = !transform && !generator && (flags & XFM_ANALYZE);
  WaveDocument* doc = gHooks.document ? gHooks.document() : nullptr;
  if (doc && !doc->file()) doc = nullptr;
  const bool withData = doc && doc->lengthFrames() > 0;
  ui::debugOutputf("xfm: run %u \"%s\"\n", unsigned(index), e.info.name);
  if (!withData && !(flags & XFM_GENERATE)) {
    ui::debugOutput("xfm: no wave with samples\n");
    MessageBeep(MB_ICONEXCLAMATION);
    return -1;
  }
  document::EditRange range = gHooks.editRange ? gHooks.editRange() : document::EditRange();
  HMODULE lib = LoadLibraryA(programPath(e.fileName).c_str());
  if (!lib) {
    messageBoxf(ui::kMbOk | ui::kMbIconExclamation, "Error", "Error %s Loading Library \"%s\"\n",
                lastErrorText(), e.fileName);
    return -1;
  }
  XfmContext c;
  baseContext(&c, index, lib);
  WaveFacts w = factsOf(withData ? doc : nullptr);
  c.firstVisible = int32_t(range.viewStart);
  c.lastVisible = int32_t(range.viewEnd);
  c.timeOffset = 0;
  XfmInitFn init = entryPoint<XfmInitFn>(lib, "XfmInit");
  XfmDestroyFn destroy = entryPoint<XfmDestroyFn>(lib, "XfmDestroy");
  if (!sessionVars(&e, &c, init)) {
    FreeLibrary(lib);
    return -1;
  }
  HGLOBAL block = static_cast<HGLOBAL>(e.vars);
  // The range: the selection, or the visible part of the wave when nothing is selected.
  FrameRange selection{int32_t(std::max<int64_t>(0, range.start)), int32_t(range.end)};
  if (!range.hasSelection()) selection.last = selection.first - 1;
  FrameRange r =
      processRange(selection, {int32_t(range.viewStart), int32_t(range.viewEnd)}, w.frames, generator);
  if (withData && !(r == selection) && gHooks.show) gHooks.show(showRange(r.first, r.last, range, w.frames));
  c.first = r.first;
  c.last = r.last;
  XfmSetupFn setup = entryPoint<XfmSetupFn>(lib, "XfmSetup");
  XfmDoFn doFn = entryPoint<XfmDoFn>(lib, "XfmDo");
  if (!setup) {
    ui::ShowMessageBox("Could not get XfmSetup from DLL", "Hey", ui::kMbOk | ui::kMbIconInformation);
    FreeLibrary(lib);
    return -1;
  }
  Snapshot snapshot = takeSnapshot(e.info, block);
  const bool playing = scriptPlaying();
  if (playing && !analyze) {
    if (destroy) destroy(&c);
    if (init) init(&c);
    readScriptParameters(e.info, block);
  }
  if (!analyze) {
    c.scriptPlaying = int16_t(playing ? 1 : -1);
    c.scriptPause = gScripts.pauseAtDialogs ? gScripts.pauseAtDialogs() : 0;
  }
  bool newDocument = false;
  if (generator && !withData) {
    doc = gHooks.newDocument ? gHooks.newDocument() : nullptr;
    if (!doc || !doc->file()) {
      restoreSnapshot(e.info, block, &snapshot);
      FreeLibrary(lib);
      return -1;
    }
    newDocument = true;
    w = factsOf(doc);
    range = gHooks.editRange ? gHooks.editRange() : document::EditRange();
  }
  negotiate(&c, w, range.editChannel, e.info.formatMask, flags);
  c.file = fileValue(doc);
  RunningTransform& running = runningTransform();
  running.active = true;
  running.file = c.file;
  running.infoFlags = flags;
  running.rate = w.rate;
  const bool withoutDialog = commandParam == 1 || (gHooks.withoutDialog && gHooks.withoutDialog());
  const int32_t result = runSetup(&e, &c, lib, setup, withoutDialog);
  if (result == 0) {
    if (newDocument && gHooks.closeNewDocument) gHooks.closeNewDocument();
    restoreSnapshot(e.info, block, &snapshot);
    if (playing && !analyze && gScripts.stop) gScripts.stop();
  } else if (result == 2) {
    if (newDocument && gHooks.closeNewDocument) gHooks.closeNewDocument();
    discardSnapshot(&snapshot);
  } else {
    discardSnapshot(&snapshot);
    if (!analyze) {
      recordScript(int(XFM_MENU_BASE + index), e.info, block);
      xfmhost::progressSetBanner(e.info.copyright);
    }
    running.first = c.first;
    running.last = c.last;
    if (flags & XFM_TRANSFORM) {
      runInPlace(index, c, doc, range, doFn);
    } else if (flags & XFM_GENERATE) {
      runGenerator(index, c, doc, range, doFn);
    } else {
      *cancelFlag() = 0;
      if (doFn) doFn(&c);
      if (gHooks.show && (c.first != selection.first || c.last != selection.last))
        gHooks.show(showRange(c.first, c.last, range, factsOf(doc).frames));
    }
    xfmhost::progressSetBanner("");
  }
  if (gScripts.postContinue) gScripts.postContinue();
  running = RunningTransform();
  FreeLibrary(lib);
  return result;
}

void shutDownTransforms() {
  for (int h = 1; h <= NestedSlots::kSlots; ++h)
    if (gHost.slots.used(h)) xfm_CloseXfm(h);
  for (size_t i = 0; i < gHost.table.size(); ++i) {
    XfmEntry& e = gHost.table.at(i);
    if (e.vars) {
      HGLOBAL block = static_cast<HGLOBAL>(e.vars);
      writeProfileText(e.info, block);
      HMODULE lib = LoadLibraryA(programPath(e.fileName).c_str());
      if (lib) {
        XfmContext c;
        baseContext(&c, i, lib);
        c.first = 0;
        c.last = -1;
        c.vars = block;
        if (XfmDestroyFn destroy = entryPoint<XfmDestroyFn>(lib, "XfmDestroy")) destroy(&c);
        FreeLibrary(lib);
      }
      GlobalFree(block);
      e.vars = 0;
    }
    if (e.bitmap) DeleteObject(static_cast<HBITMAP>(e.bitmap));
    e.bitmap = 0;
  }
  gHost.table.clear();
}

}  // namespace xfmhost

using namespace xfmhost;

namespace {

// A nested context: the transform at index with a fresh block, XfmInit called; handle or 0.
int32_t openNested(int index, const WaveFacts& w, int channel, XfmFile file, XfmSampleIoFn reader,
                   XfmSampleIoFn writer, int editChannel) {
  if (index < 0 || size_t(index) >= gHost.table.size()) return 0;
  XfmEntry& e = gHost.table.at(size_t(index));
  const int h = gHost.slots.claim();
  if (!h) return 0;
  HostState::Nested& n = gHost.nested[h - 1];
  HMODULE lib = LoadLibraryA(programPath(e.fileName).c_str());
  if (!lib) {
    messageBoxf(ui::kMbOk | ui::kMbIconWarning, "Hey!", "Error %s Loading Library %s\n", lastErrorText(),
                e.fileName);
    gHost.slots.release(h);
    return 0;
  }
  XfmContext& c = n.context;
  baseContext(&c, size_t(index), lib);
  negotiate(&c, w,
            (e.info.flags & XFM_NATIVE_FORMAT) ? (channel == 0   ? editChannel
                                                  : channel == 1 ? 1
                                                                 : 2)
                                               : editChannel,
            e.info.formatMask, e.info.flags);
  c.file = file;
  if (reader) c.vocReadEx = reader;
  if (writer) c.vocWriteEx = writer;
  c.handleIndex = uint16_t(index);
  c.handleModule = lib;
  HGLOBAL block = newBlock(e.info.varsSize);
  XfmInitFn init = entryPoint<XfmInitFn>(lib, "XfmInit");
  c.vars = block;
  if (!block || !init || !init(&c)) {
    if (block) GlobalFree(block);
    FreeLibrary(lib);
    c = XfmContext{};
    gHost.slots.release(h);
    return 0;
  }
  n.library = lib;
  n.index = index;
  return h;
}

HostState::Nested* nestedOf(int32_t handle) {
  return gHost.slots.used(handle) ? &gHost.nested[handle - 1] : nullptr;
}

}  // namespace

XFM_EXPORT(int32_t) xfm_OpenXfm(const char* name) {
  if (!name) return 0;
  WaveDocument* doc = hostHooks().document ? hostHooks().document() : nullptr;
  const int edit =
      doc && doc->channels() == 2 && hostHooks().editRange ? hostHooks().editRange().editChannel : 0;
  return openNested(gHost.table.find(name, false), factsOf(doc), 0, fileValue(doc), nullptr, nullptr, edit);
}

XFM_EXPORT(int32_t)
xfm_OpenXfmEx(const char* name, XfmFile file, int32_t rate, int32_t channel, XfmSampleIoFn reader,
              XfmSampleIoFn writer) {
  if (!name) return 0;
  WaveFacts w;
  if (WaveDocument* doc = documentOf(file)) w = factsOf(doc);
  w.rate = uint32_t(rate);
  return openNested(gHost.table.find(name, true), w, channel, file, reader, writer, 0);
}

XFM_EXPORT(int32_t) xfm_DoXfm(int32_t handle, int32_t first, int32_t last, int32_t quiet) {
  HostState::Nested* n = nestedOf(handle);
  if (!n) return 0;
  XfmDoFn doFn = entryPoint<XfmDoFn>(n->library, "XfmDo");
  if (!doFn) return 0;
  n->context.first = first;
  n->context.last = last;
  // Quiet 0 runs under the caller's progress window.
  const uint32_t key = 200 + uint32_t(handle);
  if (!quiet) xfmhost::progressEnterNested(key);
  const int32_t r = doFn(&n->context);
  if (!quiet) xfmhost::progressLeaveNested(key);
  return r;
}

XFM_EXPORT(int32_t) xfm_CloseXfm(int32_t handle) {
  HostState::Nested* n = nestedOf(handle);
  if (!n) return 0;
  if (XfmDestroyFn destroy = entryPoint<XfmDestroyFn>(n->library, "XfmDestroy")) destroy(&n->context);
  if (n->context.vars) GlobalFree(static_cast<HGLOBAL>(n->context.vars));
  FreeLibrary(n->library);
  *n = HostState::Nested();
  gHost.slots.release(handle);
  return 1;
}

XFM_EXPORT(int32_t) xfm_CreateXfmVars(const char* name) {
  const int index = name ? gHost.table.find(name, false) : -1;
  if (index < 0) return 0;
  const XfmEntry& e = gHost.table.at(size_t(index));
  HMODULE lib = LoadLibraryA(programPath(e.fileName).c_str());
  if (!lib) return 0;
  HGLOBAL block = newBlock(e.info.varsSize);
  XfmInitFn init = entryPoint<XfmInitFn>(lib, "XfmInit");
  // A full context, so an XfmInit that creates graphs or asks other services finds them.
  XfmContext c;
  baseContext(&c, size_t(index), lib);
  negotiate(&c, WaveFacts(), 0, e.info.formatMask, e.info.flags);
  c.vars = block;
  if (!block || !init || !init(&c)) {
    if (block) GlobalFree(block);
    block = nullptr;
  }
  FreeLibrary(lib);
  return int32_t(reinterpret_cast<intptr_t>(block));
}

XFM_EXPORT(int32_t) xfm_bGetXfmData(void* destination, int32_t handle, int32_t offset, int32_t length) {
  HostState::Nested* n = nestedOf(handle);
  if (!n || !destination) return 0;
  Locked b(static_cast<HGLOBAL>(n->context.vars));
  return b.data() && blockRead(b.data(), b.size(), destination, uint32_t(offset) & 0xFFFF,
                               uint32_t(length) & 0xFFFF)
             ? 1
             : 0;
}

XFM_EXPORT(int32_t) xfm_bSetXfmData(int32_t handle, const void* source, int32_t offset, int32_t length) {
  HostState::Nested* n = nestedOf(handle);
  if (!n || !source) return 0;
  Locked b(static_cast<HGLOBAL>(n->context.vars));
  return b.data() &&
                 blockWrite(b.data(), b.size(), source, uint32_t(offset) & 0xFFFF, uint32_t(length) & 0xFFFF)
             ? 1
             : 0;
}

XFM_EXPORT(int32_t) xfm_SetXfmVar(int32_t handle, int32_t offset, int32_t length, const void* source) {
  return xfm_bSetXfmData(handle, source, offset, length);
}

XFM_EXPORT(int32_t)
xfm_CallXfm(const char*, int32_t handle, int32_t first, int32_t last, int32_t quiet, int32_t) {
  return xfm_DoXfm(handle, first, last, quiet);
}

XFM_EXPORT(int32_t) xfm_DeleteXfmVars(const char*, int32_t handle) {
  return xfm_CloseXfm(handle);
}
