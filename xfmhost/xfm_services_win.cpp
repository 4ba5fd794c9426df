// The services transform plug-ins call, exported from the program under their undecorated names
// (xfmhost/sorn96_exports.def) and placed in every context record: sample access (explicit file and
// current document, with the auto-crossfade), progress, the delayed writer, Limits, AlertLimits, cwCenter,
// the FFT and convolution services, the graph model, and stubs that answer "go on" for the services that
// have no implementation yet (presets, preview, the graph display), so no slot is ever null.
// clang-format off
#include "platform/win32.h"  // before the other system headers
// clang-format on

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "document/sample_transfer.h"
#include "document/wave_document.h"
#include "dsp/convolve.h"
#include "dsp/fft_services.h"
#include "xfmhost/dialog_services.h"
#include "xfmhost/progress_window.h"
#include "storage/store.h"
#include "ui/message_box.h"
#include "ui/settings_source.h"
#include "xfmhost/graph_model.h"
#include "xfmhost/service_math.h"
#include "xfmhost/write_services.h"
#include "xfmhost/xfm_exports_win.h"
#include "xfmhost/xfm_host.h"
#include "xfmhost/xfm_services.h"

using document::SampleFile;
using document::WaveDocument;

namespace xfmhost {
namespace {

volatile int32_t gCancel = 0;
RunningTransform gRunning;

WaveDocument* currentDoc() {
  HostHooks& h = hostHooks();
  WaveDocument* doc = h.document ? h.document() : nullptr;
  return doc && doc->file() ? doc : nullptr;
}

int editChannel(WaveDocument* doc) {
  if (!doc || doc->channels() != 2) return 0;
  HostHooks& h = hostHooks();
  return h.editRange ? h.editRange().editChannel : 0;
}

// ---- The current-document interface: byte positions and counts in frames of a given size ----

enum class OldForm { kOwn, k16, kSingle, kSingle16 };

// The result word: low half 0 when everything was transferred, else 1; high half the high half of the
// frames transferred.
uint32_t oldResult(uint32_t asked, uint32_t done) {
  return (done & 0xFFFF0000u) | (done == asked ? 0u : 1u);
}

struct OldTransfer {
  WaveDocument* doc = nullptr;
  uint32_t frameBytes = 0;
  uint16_t word = 0;
};

// The document and the format word of a current-document call; false (nothing to do) without a wave, or
// for the single-channel forms without a stereo wave and an edited channel.
bool oldTransfer(OldForm form, bool write, OldTransfer* t) {
  WaveDocument* doc = currentDoc();
  if (!doc) return false;
  const uint16_t ch = doc->channels();
  const bool eight = doc->bits() == 8;
  const uint16_t channelBits = ch == 2 ? document::XF_STEREO : document::XF_MONO;
  t->doc = doc;
  switch (form) {
    case OldForm::kOwn:
      t->frameBytes = ch * (eight ? 1u : 2u);
      t->word = uint16_t(channelBits | (eight ? document::XF_8BIT : document::XF_16BIT));
      break;
    case OldForm::k16:
      t->frameBytes = ch * 2u;
      t->word = uint16_t(channelBits | document::XF_16BIT);
      break;
    case OldForm::kSingle:
    case OldForm::kSingle16: {
      const int edit = editChannel(doc);
      if (ch != 2 || (edit != 1 && edit != 2)) return false;
      const bool sixteen = form == OldForm::kSingle16 || !eight;
      t->frameBytes = sixteen ? 2u : 1u;
      uint16_t pick = write ? (edit == 1 ? document::XF_DST_LEFT : document::XF_DST_RIGHT)
                            : (edit == 1 ? document::XF_SRC_LEFT : document::XF_SRC_RIGHT);
      // A single channel read from a stereo wave is delivered as mono; written, it goes into that channel.
      t->word = uint16_t((write ? document::XF_MONO : document::XF_MONO) | pick |
                         (sixteen ? document::XF_16BIT : document::XF_8BIT));
      break;
    }
  }
  t->word = uint16_t(t->word | document::XF_CLIP);
  return true;
}

uint32_t oldRead(OldForm form, void* buffer, int32_t position, int32_t bytes) {
  OldTransfer t;
  if (!buffer || bytes < 0 || position < 0 || !oldTransfer(form, false, &t)) return 1;
  const uint32_t frames = uint32_t(bytes) / t.frameBytes;
  const uint32_t done = frames
                            ? document::SampleRead(t.doc->samples(), buffer,
                                                   int32_t(uint32_t(position) / t.frameBytes), frames, t.word)
                            : 0;
  return oldResult(frames, done);
}

uint32_t oldWrite(OldForm form, const void* buffer, int32_t position, int32_t bytes) {
  OldTransfer t;
  if (!buffer || bytes < 0 || position < 0 || !oldTransfer(form, true, &t)) return 1;
  const uint32_t frames = uint32_t(bytes) / t.frameBytes;
  const uint32_t done =
      frames ? document::SampleWrite(t.doc->samples(), buffer, int32_t(uint32_t(position) / t.frameBytes),
                                     frames, t.word)
             : 0;
  return oldResult(frames, done);
}

uint32_t oldInsert(OldForm form, int32_t position, int32_t bytes, bool fill) {
  OldTransfer t;
  if (bytes < 0 || position < 0 || !oldTransfer(form, true, &t)) return 1;
  const uint32_t frames = uint32_t(bytes) / t.frameBytes;
  const uint32_t done = frames
                            ? document::SampleInsertBlank(
                                  t.doc->samples(), int32_t(uint32_t(position) / t.frameBytes), frames, fill)
                            : 0;
  return oldResult(frames, done);
}

uint32_t oldCut(OldForm form, int32_t position, int32_t bytes) {
  OldTransfer t;
  if (bytes < 0 || position < 0 || !oldTransfer(form, true, &t)) return 1;
  const uint32_t frames = uint32_t(bytes) / t.frameBytes;
  const uint32_t done =
      frames ? document::SampleCut(t.doc->samples(), int32_t(uint32_t(position) / t.frameBytes), frames) : 0;
  return oldResult(frames, done);
}

// ---- Explicit files ----

SampleFile* sampleFileOf(XfmFile file) {
  WaveDocument* doc = documentOf(file);
  return doc ? doc->samples() : nullptr;
}

int formatChannels(uint32_t format) {
  return (format & document::XF_STEREO) ? 2 : 1;
}

// The auto-crossfade of a 32-bit write into the running transform's range.
void crossfade(SampleFile* file, float* buffer, int32_t p, int32_t c, uint32_t format) {
  const RunningTransform& r = gRunning;
  HostHooks& h = hostHooks();
  const double ms = h.autoCrossfadeMs ? h.autoCrossfadeMs() : 3.0;
  // Reads of the existing frames in the layout of the write (one channel of it when it writes one).
  uint16_t readWord = uint16_t(format & document::XF_LAYOUT_MASK);
  if (format & document::XF_DST_LEFT) readWord |= document::XF_SRC_LEFT;
  if (format & document::XF_DST_RIGHT) readWord |= document::XF_SRC_RIGHT;
  crossfadeWrite(buffer, formatChannels(format), p, c, r.first, r.last, double(r.rate), ms,
                 int64_t(document::SampleLength(file)), [&](float* out, int64_t from, int64_t count) {
                   document::SampleRead(file, out, int32_t(from), uint32_t(count), readWord);
                 });
}

// ---- The delayed writer (one at a time): the old forms count bytes through the current-document
// accessors, the Ex form frames of its format word into the file of its calls ----

struct WriterTarget {
  bool ex = false;
  bool sixteenTo8 = false;
  uint16_t word = 0;
  XfmFile file = 0;
};
DelayedWriter gWriter;
WriterTarget gTarget;

int32_t writerInit(bool ex, bool sixteenTo8, int32_t holdBack, int32_t position, int32_t units,
                   uint32_t unitBytes, uint16_t word) {
  WriterTarget t;
  t.ex = ex;
  t.sixteenTo8 = sixteenTo8;
  t.word = word;
  auto sink = [](const uint8_t* data, int64_t at, uint32_t n) -> uint32_t {
    if (gTarget.ex) {
      SampleFile* f = sampleFileOf(gTarget.file);
      return f ? document::SampleWrite(f, data, int32_t(at), n, gTarget.word) : 0;
    }
    oldWrite(gTarget.sixteenTo8 ? OldForm::k16 : OldForm::kOwn, data, int32_t(at), int32_t(n));
    return n;
  };
  if (!gWriter.init(holdBack, position, units, unitBytes, sink)) return 0;
  gTarget = t;
  return ex ? 1 : units;
}

int32_t writerWrite(const void* data, int32_t units) {
  return gWriter.write(data, units);
}

int32_t writerDestroy() {
  return gWriter.destroy() ? 1 : 0;
}

// ---- Progress for the convolution services ----

class ServiceProgress : public dsp::ConvolveProgress {
 public:
  void open(const char* title, uint32_t totalSteps) override {
    total_ = totalSteps;
    done_ = 0;
    xfmhost::progressCreate(title, 0);
  }
  void step() override {
    ++done_;
    if (!xfmhost::progressMeter(done_, total_ ? total_ : 1) && xfmhost::progressCancelled()) gCancel = 1;
  }
  bool cancelled() override { return xfmhost::progressCancelled(); }
  void close() override { xfmhost::progressDestroy(); }
  void outOfMemory() override {
    ui::ShowMessageBox(dsp::kConvolveNoMemoryText, dsp::kConvolveNoMemoryCaption,
                       ui::kMbOk | ui::kMbIconExclamation);
  }

 private:
  uint32_t total_ = 0, done_ = 0;
};
ServiceProgress gServiceProgress;

HWND mainWindow() {
  return static_cast<HWND>(hostHooks().mainWindow);
}

}  // namespace

volatile int32_t* cancelFlag() {
  return &gCancel;
}

RunningTransform& runningTransform() {
  return gRunning;
}

XfmFile fileValue(WaveDocument* doc) {
  return doc && doc->file() ? XfmFile(reinterpret_cast<uintptr_t>(doc->file())) : 0;
}

WaveDocument* documentOf(XfmFile file) {
  WaveDocument* doc = currentDoc();
  return doc && file && fileValue(doc) == file ? doc : nullptr;
}

void installServiceProgress() {
  dsp::SetServiceProgress(&gServiceProgress);
}

}  // namespace xfmhost

using namespace xfmhost;

// ---- Sample access: explicit files ----
XFM_EXPORT(int32_t)
xfm_vocReadEx(XfmFile file, void* buffer, int32_t start, int32_t frames, uint32_t format) {
  SampleFile* f = sampleFileOf(file);
  if (!f || !buffer || frames <= 0) return 0;
  return int32_t(document::SampleRead(f, buffer, start, uint32_t(frames), uint16_t(format)));
}
XFM_EXPORT(int32_t)
xfm_vocWriteEx(XfmFile file, void* buffer, int32_t start, int32_t frames, uint32_t format) {
  SampleFile* f = sampleFileOf(file);
  if (!f || !buffer || frames <= 0) return 0;
  HostHooks& h = hostHooks();
  const RunningTransform& r = gRunning;
  if ((format & document::XF_32BIT) && r.active && (r.infoFlags & XFM_CROSSFADE) && r.file == file &&
      h.autoCrossfade && h.autoCrossfade())
    crossfade(f, static_cast<float*>(buffer), start, frames, format);
  return int32_t(document::SampleWrite(f, buffer, start, uint32_t(frames), uint16_t(format)));
}
XFM_EXPORT(int32_t) xfm_vocInsertEx(XfmFile file, int32_t start, int32_t frames, int32_t fill) {
  SampleFile* f = sampleFileOf(file);
  if (!f || frames <= 0) return 0;
  return int32_t(document::SampleInsertBlank(f, start, uint32_t(frames), fill != 0));
}
XFM_EXPORT(int32_t) xfm_vocCutEx(XfmFile file, int32_t start, int32_t frames) {
  SampleFile* f = sampleFileOf(file);
  if (!f || frames <= 0) return 0;
  return int32_t(document::SampleCut(f, start, uint32_t(frames)));
}
XFM_EXPORT(int32_t)
xfm_vocGetMinMax(XfmFile file, int32_t first, int32_t last, int16_t* minLeft, int16_t* maxLeft,
                 int16_t* minRight, int16_t* maxRight, int32_t* out1, int32_t* out2, int32_t* out3,
                 int32_t* out4) {
  WaveDocument* doc = documentOf(file);
  if (!doc || !doc->peaks() || first < 0 || last < first) return 0;
  document::PeakExtremes e;
  const bool positions = out1 || out2 || out3 || out4;
  if (!doc->peaks()->query(uint32_t(first), uint32_t(last), &e, nullptr, positions)) return 0;
  // Each 16-bit output is written only where it points at a nonzero value (the caller's request).
  if (minLeft && *minLeft) *minLeft = e.min[0];
  if (maxLeft && *maxLeft) *maxLeft = e.max[0];
  if (minRight && *minRight) *minRight = e.min[1];
  if (maxRight && *maxRight) *maxRight = e.max[1];
  if (out1) *out1 = int32_t(e.minFrame[0]);
  if (out2) *out2 = int32_t(e.maxFrame[0]);
  if (out3) *out3 = int32_t(e.minFrame[1]);
  if (out4) *out4 = int32_t(e.maxFrame[1]);
  return last - first + 1;
}

// ---- Sample access: the current document ----
XFM_EXPORT(uint32_t) xfm_vocReadOld(void* b, int32_t p, int32_t n) {
  return oldRead(OldForm::kOwn, b, p, n);
}
XFM_EXPORT(uint32_t) xfm_vocWriteAtOld(void* b, int32_t p, int32_t n) {
  return oldWrite(OldForm::kOwn, b, p, n);
}
XFM_EXPORT(uint32_t) xfm_vocReadSingleOld(void* b, int32_t p, int32_t n) {
  return oldRead(OldForm::kSingle, b, p, n);
}
XFM_EXPORT(uint32_t) xfm_vocWriteAtSingleOld(void* b, int32_t p, int32_t n) {
  return oldWrite(OldForm::kSingle, b, p, n);
}
XFM_EXPORT(uint32_t) xfm_vocRead8to16Old(void* b, int32_t p, int32_t n) {
  return oldRead(OldForm::k16, b, p, n);
}
XFM_EXPORT(uint32_t) xfm_vocWriteAt16to8Old(void* b, int32_t p, int32_t n) {
  return oldWrite(OldForm::k16, b, p, n);
}
XFM_EXPORT(uint32_t) xfm_vocReadSingle8to16Old(void* b, int32_t p, int32_t n) {
  return oldRead(OldForm::kSingle16, b, p, n);
}
XFM_EXPORT(uint32_t) xfm_vocWriteAtSingle16to8Old(void* b, int32_t p, int32_t n) {
  return oldWrite(OldForm::kSingle16, b, p, n);
}
XFM_EXPORT(uint32_t) xfm_vocInsertOld(int32_t p, int32_t n, int32_t fill) {
  return oldInsert(OldForm::kOwn, p, n, fill != 0);
}
XFM_EXPORT(uint32_t) xfm_vocInsert16to8Old(int32_t p, int32_t n, int32_t fill) {
  return oldInsert(OldForm::k16, p, n, fill != 0);
}
XFM_EXPORT(uint32_t) xfm_vocInsertBlank(int32_t p, int32_t n) {
  return oldInsert(OldForm::kOwn, p, n, true);
}
XFM_EXPORT(uint32_t) xfm_vocInsertBlank16to8(int32_t p, int32_t n) {
  return oldInsert(OldForm::k16, p, n, true);
}
XFM_EXPORT(uint32_t) xfm_vocCutOld(int32_t p, int32_t n) {
  return oldCut(OldForm::kOwn, p, n);
}
XFM_EXPORT(uint32_t) xfm_vocCut16to8Old(int32_t p, int32_t n) {
  return oldCut(OldForm::k16, p, n);
}

// ---- Progress ----
XFM_EXPORT(int32_t) xfm_progressCreate(const char* title, XfmWindow owner) {
  return xfmhost::progressCreate(title, reinterpret_cast<intptr_t>(owner));
}
XFM_EXPORT(int32_t) xfm_progressMeter(int32_t done, int32_t total) {
  const int r = xfmhost::progressMeter(uint32_t(std::max(0, done)), uint32_t(std::max(0, total)));
  if (xfmhost::progressCancelled()) gCancel = 1;
  return r;
}
XFM_EXPORT(int32_t) xfm_progressDestroy() {
  return xfmhost::progressDestroy();
}

// ---- Delayed writer ----
XFM_EXPORT(int32_t) xfm_delayWriteInit(int32_t holdBack, int32_t position, int32_t bytes) {
  return writerInit(false, false, holdBack & 0xFFFF, position, bytes, 1, 0);
}
XFM_EXPORT(int32_t) xfm_delayWrite(void* buffer, int32_t bytes) {
  return writerWrite(buffer, bytes & 0xFFFF);
}
XFM_EXPORT(int32_t) xfm_delayWriteDestroy() {
  return writerDestroy();
}
XFM_EXPORT(int32_t) xfm_delayWriteInit16to8(int32_t holdBack, int32_t position, int32_t bytes) {
  return writerInit(false, true, holdBack & 0xFFFF, position, bytes, 1, 0);
}
XFM_EXPORT(int32_t) xfm_delayWrite16to8(void* buffer, int32_t bytes) {
  return writerWrite(buffer, bytes & 0xFFFF);
}
XFM_EXPORT(int32_t) xfm_delayWriteDestroy16to8() {
  return writerDestroy();
}
XFM_EXPORT(int32_t) xfm_delayWriteInitEx(int32_t holdBack, int32_t start, int32_t frames, uint32_t format) {
  const uint32_t channels = (format & document::XF_STEREO) ? 2 : 1;
  const uint32_t size = (format & document::XF_32BIT) ? 4 : (format & document::XF_8BIT) ? 1 : 2;
  return writerInit(true, false, holdBack, start, frames, channels * size, uint16_t(format));
}
XFM_EXPORT(int32_t) xfm_delayWriteEx(XfmFile file, void* buffer, int32_t frames) {
  if (gWriter.active() && gTarget.ex) gTarget.file = file;
  return writerWrite(buffer, frames);
}
XFM_EXPORT(int32_t) xfm_delayWriteDestroyEx(XfmFile file) {
  if (gWriter.active() && gTarget.ex) gTarget.file = file;
  return writerDestroy();
}

// ---- Dialog helpers (dialog_services_win.cpp) ----
XFM_EXPORT(int32_t) xfm_cwCenter(XfmWindow window, uint32_t unused) {
  return int32_t(cwCenter(window, unused));
}

XFM_EXPORT(int32_t) xfm_AlertLimits(XfmWindow owner, double value, double minimum, double maximum) {
  setDialogServicesFiles(hostHooks().settingsFile, "sorn.hlp");
  return alertLimits(owner, value, minimum, maximum);
}

XFM_EXPORT(int32_t)
xfm_Limits(XfmContext* context, XfmWindow dialog, uint32_t idAndCode, double minimum, double maximum,
           double* result) {
  setDialogServicesFiles(hostHooks().settingsFile, "sorn.hlp");
  return limits(context, dialog, idAndCode, minimum, maximum, result);
}

XFM_EXPORT(int32_t) xfm_getTempName(const char* prefix, char* buffer) {
  if (!buffer) return 0;
  return storage::getTempName(prefix ? prefix : "", buffer, MAX_PATH) ? 1 : 0;
}

// ---- Presets, preview and the graph display: not there yet; every call answers "go on" ----
XFM_EXPORT(int32_t) xfm_presetsInitIni(XfmWindow, const char*, const char*) {
  return 0;
}
XFM_EXPORT(int32_t) xfm_presetHandlePRESETNAME(XfmWindow) {
  return 0;
}
XFM_EXPORT(int32_t) xfm_HandleID_PRESETS(XfmContext*, XfmWindow, const char*, uint32_t, XfmWindow) {
  return 0;
}
XFM_EXPORT(int32_t) xfm_HandleID_ADD(XfmContext*, XfmWindow, const char*) {
  return 0;
}
XFM_EXPORT(int32_t) xfm_presetHandleDEL(XfmWindow, const char*) {
  return 0;
}
XFM_EXPORT(XfmMemory) xfm_PreviewStart(XfmContext*, int32_t, int32_t) {
  return nullptr;  // refused: no preview engine yet
}
XFM_EXPORT(int32_t) xfm_PreviewStop(XfmContext*) {
  return 0;
}
XFM_EXPORT(int32_t) xfm_PreviewUpdate(XfmContext*, int32_t) {
  return 0;
}
XFM_EXPORT(int32_t) xfm_DisplayInit(XfmModule) {
  return 0;
}

// ---- Graphs: the model; drawing and the mouse belong to the graph dialog still to come ----
XFM_EXPORT(int32_t)
xfm_graphapiCreate(int32_t xmin, int32_t xmax, int32_t ymin, int32_t ymax, int32_t a, int32_t b) {
  return graphModel().create(int16_t(xmin), int16_t(xmax), int16_t(ymin), int16_t(ymax), int16_t(a),
                             int16_t(b));
}
XFM_EXPORT(int32_t) xfm_graphapiCount(int32_t g) {
  return graphModel().count(g & 0xFFFF);
}
XFM_EXPORT(int32_t) xfm_graphapiGetPoint(int32_t g, int32_t index, int32_t* xy) {
  int32_t x = 0, y = 0;
  if (!xy || !graphModel().getPoint(g & 0xFFFF, index, &x, &y)) return 0;
  xy[0] = x;
  xy[1] = y;
  return 1;
}
XFM_EXPORT(int32_t) xfm_graphapiGetValueAt(int32_t g, double fraction, double* value) {
  return graphModel().valueAt(g & 0xFFFF, fraction, value) ? 1 : 0;
}
XFM_EXPORT(int32_t) xfm_graphapiDraw(int32_t, XfmDC) {
  return 0;
}
XFM_EXPORT(int32_t) xfm_graphapiClear(int32_t g) {
  return graphModel().clear(g & 0xFFFF) ? 1 : 0;
}
XFM_EXPORT(int32_t) xfm_graphapiInverse(int32_t) {
  return 0;
}
XFM_EXPORT(int32_t) xfm_graphapiDestroy(int32_t g) {
  return graphModel().destroy(g & 0xFFFF) ? 1 : 0;
}
XFM_EXPORT(int32_t) xfm_graphapiWM_LBUTTONDOWN(int32_t, int32_t, int32_t) {
  return 0;
}
XFM_EXPORT(int32_t) xfm_graphapiWM_LBUTTONUP(int32_t, int32_t, int32_t) {
  return 0;
}
XFM_EXPORT(int32_t) xfm_graphapiWM_LBUTTONDBLCLK(int32_t, int32_t, int32_t) {
  return 0;
}
XFM_EXPORT(int32_t) xfm_graphapiWM_MOUSEMOVE(int32_t, int32_t, int32_t) {
  return 0;
}
XFM_EXPORT(int32_t)
xfm_graphapiSetDblClkScales(int32_t, double, double, int32_t, double, double, int32_t, int32_t) {
  return 0;
}
XFM_EXPORT(int32_t) xfm_graphapiSetDblClkNames(int32_t, const char*, const char*, const char*, const char*) {
  return 0;
}
XFM_EXPORT(int32_t) xfm_graphapiSetDialog(int32_t, XfmWindow, int32_t, int32_t) {
  return 0;
}
XFM_EXPORT(int32_t) xfm_graphapiSetPoint(int32_t g, int32_t index, int32_t x, int32_t y, int32_t setCount) {
  return graphModel().setPoint(g & 0xFFFF, index, x, y, setCount != 0) ? 1 : 0;
}
XFM_EXPORT(int32_t) xfm_graphapiCopyGraph(int32_t destination, int32_t source) {
  return graphModel().copy(destination & 0xFFFF, source & 0xFFFF) ? 1 : 0;
}

// ---- FFT and convolution (dsp/fft_services), the kernel handle locked for the call ----
XFM_EXPORT(void) xfm_FFT(float* data, int32_t n, int32_t sign, int32_t u1, int32_t u2) {
  ::FFT(data, n, sign, u1, u2);
}
XFM_EXPORT(void) xfm_WindowFFT(float* data, int32_t n, int32_t stereo) {
  ::WindowFFT(data, uint16_t(n), int16_t(stereo));
}
XFM_EXPORT(void) xfm_IWindowFFT(float* data, int32_t stereo) {
  ::IWindowFFT(data, int16_t(stereo));
}
XFM_EXPORT(int32_t) xfm_SetWindowType(int32_t type) {
  return ::SetWindowType(int16_t(type));
}
XFM_EXPORT(void) xfm_SetFFT16bit(float* d, const int16_t* s, int32_t n) {
  ::SetFFT16bit(d, s, n);
}
XFM_EXPORT(void) xfm_SetFFT8bit(float* d, const uint8_t* s, int32_t n) {
  ::SetFFT8bit(d, s, n);
}
XFM_EXPORT(void) xfm_SetStereoFFT16bit(float* d, const int16_t* l, const int16_t* r, int32_t n) {
  ::SetStereoFFT16bit(d, l, r, n);
}
XFM_EXPORT(void) xfm_SetStereoFFT8bit(float* d, const uint8_t* l, const uint8_t* r, int32_t n) {
  ::SetStereoFFT8bit(d, l, r, n);
}
XFM_EXPORT(void) xfm_SetStereoFFT16bitInterleaved(float* d, const int16_t* s, int32_t n) {
  ::SetStereoFFT16bitInterleaved(d, s, n);
}
XFM_EXPORT(void) xfm_SetStereoFFT8bitInterleaved(float* d, const uint8_t* s, int32_t n) {
  ::SetStereoFFT8bitInterleaved(d, s, n);
}
XFM_EXPORT(void) xfm_GetStereoFFT16bitInterleaved(float* d, int16_t* s, int32_t n, int32_t mode) {
  ::GetStereoFFT16bitInterleaved(d, s, n, mode);
}
XFM_EXPORT(void) xfm_GetStereoFFT8bitInterleaved(float* d, uint8_t* s, int32_t n, int32_t mode) {
  ::GetStereoFFT8bitInterleaved(d, s, n, mode);
}
XFM_EXPORT(void) xfm_LFFT(double* re, double* im, int32_t n, int32_t sign) {
  ::LFFT(re, im, n, sign);
}
XFM_EXPORT(int32_t)
xfm_ConvoluteEx(int32_t bits, int32_t channels, int32_t frameBytes, int32_t first, int32_t last, int32_t mix,
                int32_t layouts, XfmMemory kernel, int32_t length, int32_t centre, const char* title,
                void* data, XfmConvIoExFn read, XfmConvIoExFn write, double gainA, double gainB) {
  if (!kernel || length <= 0 || !read || !write) return 0;
  const double* k = static_cast<const double*>(GlobalLock(kernel));
  if (!k) return 0;
  const int32_t r = ::ConvoluteEx(bits, channels, frameBytes, first, last, mix, layouts, k, length, centre,
                                  title, data, reinterpret_cast<SornConvolveIoEx>(read),
                                  reinterpret_cast<SornConvolveIoEx>(write), gainA, gainB);
  GlobalUnlock(kernel);
  return r;
}
XFM_EXPORT(int32_t)
xfm_Convolute(int32_t bits, int32_t channels, int32_t first, int32_t last, int32_t mix, int32_t layouts,
              XfmMemory kernel, int32_t length, int32_t centre, const char* title, XfmConvIoFn read,
              XfmConvIoFn write, double gainA, double gainB) {
  if (!kernel || length <= 0 || !read || !write) return 0;
  const double* k = static_cast<const double*>(GlobalLock(kernel));
  if (!k) return 0;
  const int32_t r = ::Convolute(bits, channels, first, last, mix, layouts, k, length, centre, title,
                                reinterpret_cast<SornConvolveIo>(read),
                                reinterpret_cast<SornConvolveIo>(write), gainA, gainB);
  GlobalUnlock(kernel);
  return r;
}

namespace xfmhost {

void fillServiceSlots(XfmContext* c) {
  c->cwCenter = xfm_cwCenter;
  c->vocReadOld = xfm_vocReadOld;
  c->vocWriteAtOld = xfm_vocWriteAtOld;
  c->cancel = &gCancel;
  c->progressMeter = xfm_progressMeter;
  c->progressCreate = xfm_progressCreate;
  c->progressDestroy = xfm_progressDestroy;
  c->presetsInitIni = xfm_presetsInitIni;
  c->presetHandlePRESETNAME = xfm_presetHandlePRESETNAME;
  c->HandleID_PRESETS = xfm_HandleID_PRESETS;
  c->HandleID_ADD = xfm_HandleID_ADD;
  c->presetHandleDEL = xfm_presetHandleDEL;
  c->graphapiCreate = xfm_graphapiCreate;
  c->graphapiCount = xfm_graphapiCount;
  c->graphapiGetPoint = xfm_graphapiGetPoint;
  c->graphapiGetValueAt = xfm_graphapiGetValueAt;
  c->graphapiDraw = xfm_graphapiDraw;
  c->graphapiClear = xfm_graphapiClear;
  c->graphapiInverse = xfm_graphapiInverse;
  c->graphapiDestroy = xfm_graphapiDestroy;
  c->graphapiWM_LBUTTONDOWN = xfm_graphapiWM_LBUTTONDOWN;
  c->graphapiWM_LBUTTONUP = xfm_graphapiWM_LBUTTONUP;
  c->graphapiWM_LBUTTONDBLCLK = xfm_graphapiWM_LBUTTONDBLCLK;
  c->graphapiWM_MOUSEMOVE = xfm_graphapiWM_MOUSEMOVE;
  c->graphapiSetDblClkScales = xfm_graphapiSetDblClkScales;
  c->graphapiSetDblClkNames = xfm_graphapiSetDblClkNames;
  c->graphapiSetDialog = xfm_graphapiSetDialog;
  c->FFT = xfm_FFT;
  c->WindowFFT = xfm_WindowFFT;
  c->IWindowFFT = xfm_IWindowFFT;
  c->SetWindowType = xfm_SetWindowType;
  c->getTempName = xfm_getTempName;
  c->SetFFT16bit = xfm_SetFFT16bit;
  c->SetFFT8bit = xfm_SetFFT8bit;
  c->SetStereoFFT16bit = xfm_SetStereoFFT16bit;
  c->SetStereoFFT8bit = xfm_SetStereoFFT8bit;
  c->SetStereoFFT16bitInterleaved = xfm_SetStereoFFT16bitInterleaved;
  c->SetStereoFFT8bitInterleaved = xfm_SetStereoFFT8bitInterleaved;
  c->GetStereoFFT16bitInterleaved = xfm_GetStereoFFT16bitInterleaved;
  c->GetStereoFFT8bitInterleaved = xfm_GetStereoFFT8bitInterleaved;
  c->OpenXfmEx = xfm_OpenXfmEx;
  c->SetXfmVar = xfm_SetXfmVar;
  c->CallXfm = xfm_CallXfm;
  c->delayWrite = xfm_delayWrite;
  c->delayWriteInit = xfm_delayWriteInit;
  c->delayWriteDestroy = xfm_delayWriteDestroy;
  c->graphapiCopyGraph = xfm_graphapiCopyGraph;
  c->vocCutOld = xfm_vocCutOld;
  c->vocInsertBlank = xfm_vocInsertBlank;
  c->DeleteXfmVars = xfm_DeleteXfmVars;
  c->graphapiSetPoint = xfm_graphapiSetPoint;
  c->LFFT = xfm_LFFT;
  c->Convolute = xfm_Convolute;
  c->PreviewStart = xfm_PreviewStart;
  c->PreviewStop = xfm_PreviewStop;
  c->PreviewUpdate = xfm_PreviewUpdate;
  c->DisplayInit = xfm_DisplayInit;
  c->Limits = xfm_Limits;
  c->vocReadEx = xfm_vocReadEx;
  c->vocWriteEx = xfm_vocWriteEx;
  c->ConvoluteEx = xfm_ConvoluteEx;
  c->vocCutEx = xfm_vocCutEx;
  c->vocInsertEx = xfm_vocInsertEx;
  c->vocGetMinMax = xfm_vocGetMinMax;
  c->delayWriteInitEx = xfm_delayWriteInitEx;
  c->delayWriteEx = xfm_delayWriteEx;
  c->delayWriteDestroyEx = xfm_delayWriteDestroyEx;
}

void setOldAccess(XfmContext* c, OldAccess access, bool delayed16to8) {
  switch (access) {
    case OldAccess::kPlain:
      c->vocReadOld = xfm_vocReadOld;
      c->vocWriteAtOld = xfm_vocWriteAtOld;
      break;
    case OldAccess::kSingle:
      c->vocReadOld = xfm_vocReadSingleOld;
      c->vocWriteAtOld = xfm_vocWriteAtSingleOld;
      break;
    case OldAccess::kSingle8to16:
      c->vocReadOld = xfm_vocReadSingle8to16Old;
      c->vocWriteAtOld = xfm_vocWriteAtSingle16to8Old;
      break;
    case OldAccess::kBoth8to16:
      c->vocReadOld = xfm_vocRead8to16Old;
      c->vocWriteAtOld = xfm_vocWriteAt16to8Old;
      break;
  }
  const bool both16 = access == OldAccess::kBoth8to16;
  c->vocCutOld = both16 ? xfm_vocCut16to8Old : xfm_vocCutOld;
  c->vocInsertBlank = both16 ? xfm_vocInsertBlank16to8 : xfm_vocInsertBlank;
  c->delayWrite = delayed16to8 ? xfm_delayWrite16to8 : xfm_delayWrite;
  c->delayWriteInit = delayed16to8 ? xfm_delayWriteInit16to8 : xfm_delayWriteInit;
  c->delayWriteDestroy = delayed16to8 ? xfm_delayWriteDestroy16to8 : xfm_delayWriteDestroy;
}

}  // namespace xfmhost
