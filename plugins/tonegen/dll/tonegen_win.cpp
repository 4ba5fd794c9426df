// tonegen.xfm: the "Tone Generator", a generator transform. It sees the editor only through the context
// record of the transform contract (include/xfm_abi.h): the settings dialog (resource IDD_TONEGEN of this
// library) checks its fields with the context's Limits service and tells the host, in XfmSetup, how many
// frames it will make (they replace the selection); XfmDo writes them through the context's writer under
// the context's progress window. The signals are tone_dsp.h.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "include/xfm_abi.h"
#include "plugins/tonegen/dll/tonegen_ids.h"
#include "plugins/tonegen/tone_dsp.h"

namespace {

// The variables block, packed: waveform (l, at 0), seconds (d, 4), frequency (d, 12), level in per cent
// (d, 20).
constexpr uint32_t kVarsSize = 28;

tonegen::Settings readSettings(XfmContext* ctx) {
  tonegen::Settings s;
  HGLOBAL h = ctx ? static_cast<HGLOBAL>(ctx->vars) : nullptr;
  const uint8_t* p = h ? static_cast<const uint8_t*>(GlobalLock(h)) : nullptr;
  if (!p) return s;
  if (GlobalSize(h) >= kVarsSize) {
    std::memcpy(&s.waveform, p, 4);
    std::memcpy(&s.seconds, p + 4, 8);
    std::memcpy(&s.frequency, p + 12, 8);
    std::memcpy(&s.percent, p + 20, 8);
  }
  GlobalUnlock(h);
  return s;
}

bool writeSettings(XfmContext* ctx, const tonegen::Settings& s) {
  HGLOBAL h = ctx ? static_cast<HGLOBAL>(ctx->vars) : nullptr;
  uint8_t* p = h ? static_cast<uint8_t*>(GlobalLock(h)) : nullptr;
  if (!p) return false;
  if (GlobalSize(h) >= kVarsSize) {
    std::memcpy(p, &s.waveform, 4);
    std::memcpy(p + 4, &s.seconds, 8);
    std::memcpy(p + 12, &s.frequency, 8);
    std::memcpy(p + 20, &s.percent, 8);
  }
  GlobalUnlock(h);
  return true;
}

uint32_t rateOf(XfmContext* ctx) {
  return ctx && ctx->rate ? ctx->rate : 44100;
}

std::string numberText(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  std::string s = buf;
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

struct Dialog {
  XfmContext* ctx = nullptr;
  int lastLevel = IDC_TONE_PERCENT;  // the level field typed in last
  bool syncing = false;
};
Dialog gDialog;

void setField(HWND dlg, int id, const std::string& text) {
  gDialog.syncing = true;
  SetDlgItemTextA(dlg, id, text.c_str());
  gDialog.syncing = false;
}

struct Range {
  double lo, hi;
};

Range rangeOf(int id) {
  switch (id) {
    case IDC_TONE_SECONDS:
      return {tonegen::kMinSeconds, tonegen::kMaxSeconds};
    case IDC_TONE_FREQUENCY:
      return {tonegen::kMinFrequency, tonegen::maxFrequency(rateOf(gDialog.ctx))};
    case IDC_TONE_PERCENT:
      return {tonegen::kMinPercent, tonegen::kMaxPercent};
    default:
      return {tonegen::kMinDb, tonegen::kMaxDb};
  }
}

// The host's Limits on field id (code 512: the final check, which corrects and alerts); the value.
double check(HWND dlg, int id, uint16_t code) {
  XfmContext* ctx = gDialog.ctx;
  const Range r = rangeOf(id);
  double v = r.lo;
  if (ctx && ctx->Limits) {
    gDialog.syncing = true;
    ctx->Limits(ctx, dlg, uint32_t(id) | (uint32_t(code) << 16), r.lo, r.hi, &v);
    gDialog.syncing = false;
  }
  return v;
}

void showFrames(HWND dlg, double seconds) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "= %ld frames", long(tonegen::frameCount(seconds, rateOf(gDialog.ctx))));
  SetDlgItemTextA(dlg, IDC_TONE_FRAMES, buf);
}

void enableFields(HWND dlg) {
  const bool sine = IsDlgButtonChecked(dlg, IDC_TONE_SINE) == BST_CHECKED;
  const bool silence = IsDlgButtonChecked(dlg, IDC_TONE_SILENCE) == BST_CHECKED;
  EnableWindow(GetDlgItem(dlg, IDC_TONE_FREQUENCY), sine);
  EnableWindow(GetDlgItem(dlg, IDC_TONE_PERCENT), !silence);
  EnableWindow(GetDlgItem(dlg, IDC_TONE_DB), !silence);
}

// A level field checked finally: the other one follows. The level in per cent.
double checkLevel(HWND dlg, int id) {
  const double v = check(dlg, id, 512);
  const double pct = id == IDC_TONE_PERCENT ? v : tonegen::dbToPercent(v);
  if (id == IDC_TONE_PERCENT)
    setField(dlg, IDC_TONE_DB, numberText(tonegen::percentToDb(pct), 2));
  else
    setField(dlg, IDC_TONE_PERCENT, numberText(pct, 3));
  return pct;
}

INT_PTR CALLBACK ToneDialog(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG: {
      gDialog = Dialog();
      gDialog.ctx = reinterpret_cast<XfmContext*>(lp);
      XfmContext* ctx = gDialog.ctx;
      if (ctx) ctx->limitsOwner = dlg;
      if (ctx && ctx->cwCenter) ctx->cwCenter(dlg, 0);
      const tonegen::Settings s = tonegen::clampSettings(readSettings(ctx), rateOf(ctx));
      const int radio = s.waveform == tonegen::kNoise     ? IDC_TONE_NOISE
                        : s.waveform == tonegen::kSilence ? IDC_TONE_SILENCE
                                                          : IDC_TONE_SINE;
      CheckRadioButton(dlg, IDC_TONE_SINE, IDC_TONE_SILENCE, radio);
      for (int id : {IDC_TONE_SECONDS, IDC_TONE_FREQUENCY, IDC_TONE_PERCENT, IDC_TONE_DB})
        SendDlgItemMessageA(dlg, id, EM_LIMITTEXT, 28, 0);
      setField(dlg, IDC_TONE_SECONDS, numberText(s.seconds, 3));
      setField(dlg, IDC_TONE_FREQUENCY, numberText(s.frequency, 3));
      setField(dlg, IDC_TONE_PERCENT, numberText(s.percent, 3));
      setField(dlg, IDC_TONE_DB, numberText(tonegen::percentToDb(s.percent), 2));
      showFrames(dlg, s.seconds);
      enableFields(dlg);
      return TRUE;
    }
    case WM_CTLCOLOREDIT: {
      XfmContext* ctx = gDialog.ctx;
      HDC dc = reinterpret_cast<HDC>(wp);
      if (ctx && ctx->limitsControl && GetDlgCtrlID(reinterpret_cast<HWND>(lp)) == ctx->limitsControl) {
        SetTextColor(dc, RGB(255, 0, 0));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
      }
      return FALSE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wp), code = HIWORD(wp);
      switch (id) {
        case IDC_TONE_SINE:
        case IDC_TONE_NOISE:
        case IDC_TONE_SILENCE:
          enableFields(dlg);
          return TRUE;
        case IDC_TONE_SECONDS:
        case IDC_TONE_FREQUENCY:
        case IDC_TONE_PERCENT:
        case IDC_TONE_DB:
          if (gDialog.syncing) return TRUE;
          if (code == EN_CHANGE) {
            if (id == IDC_TONE_PERCENT || id == IDC_TONE_DB) gDialog.lastLevel = id;
            const double v = check(dlg, id, EN_CHANGE);
            if (id == IDC_TONE_SECONDS) showFrames(dlg, v);
          } else if (code == EN_KILLFOCUS) {
            if (id == IDC_TONE_PERCENT || id == IDC_TONE_DB) {
              if (gDialog.lastLevel == id) checkLevel(dlg, id);
            } else {
              const double v = check(dlg, id, 512);
              if (id == IDC_TONE_SECONDS) showFrames(dlg, v);
            }
          }
          return TRUE;
        case IDOK: {
          XfmContext* ctx = gDialog.ctx;
          tonegen::Settings s;
          s.waveform = IsDlgButtonChecked(dlg, IDC_TONE_NOISE) == BST_CHECKED     ? tonegen::kNoise
                       : IsDlgButtonChecked(dlg, IDC_TONE_SILENCE) == BST_CHECKED ? tonegen::kSilence
                                                                                  : tonegen::kSine;
          const tonegen::Settings old = readSettings(ctx);
          s.seconds = check(dlg, IDC_TONE_SECONDS, 512);
          s.frequency = s.waveform == tonegen::kSine ? check(dlg, IDC_TONE_FREQUENCY, 512) : old.frequency;
          s.percent = s.waveform != tonegen::kSilence ? checkLevel(dlg, gDialog.lastLevel) : old.percent;
          s = tonegen::clampSettings(s, rateOf(ctx));
          writeSettings(ctx, s);
          if (ctx) {
            ctx->generateReplace = 1;
            ctx->generateCount = tonegen::frameCount(s.seconds, rateOf(ctx));
            ctx->limitsOwner = nullptr;
          }
          EndDialog(dlg, 1);
          return TRUE;
        }
        case IDCANCEL:
          if (gDialog.ctx) gDialog.ctx->limitsOwner = nullptr;
          EndDialog(dlg, 0);
          return TRUE;
      }
      return FALSE;
    }
  }
  return FALSE;
}

}  // namespace

extern "C" {

__attribute__((force_align_arg_pointer)) uint32_t __stdcall QueryXfm(XfmInfo* info) {
  std::memset(info, 0, sizeof *info);
  std::strcpy(info->name, "Tone Generator");
  std::strcpy(info->copyright, "Tone Generator, by the Sorn Edit developers");
  std::strcpy(info->description, "Generate a sine, white noise or silence");
  info->formatMask = XFM_FMT_ALL_MONO | XFM_FMT_ALL_STEREO;
  info->flags = XFM_GENERATE | XFM_NATIVE_FORMAT;
  info->varsSize = kVarsSize;
  std::strcpy(info->types, "lddd");
  std::strcpy(info->presets, "yyyy");
  return XFM_VERSION;
}

__attribute__((force_align_arg_pointer)) int32_t __stdcall XfmInit(XfmContext* ctx) {
  return writeSettings(ctx, tonegen::Settings()) ? 1 : 0;
}

__attribute__((force_align_arg_pointer))
int32_t __stdcall XfmSetup(XfmWindow owner, XfmModule plugin, XfmContext* ctx) {
  INT_PTR r = DialogBoxParamA(static_cast<HINSTANCE>(plugin), MAKEINTRESOURCEA(IDD_TONEGEN),
                              static_cast<HWND>(owner), ToneDialog, reinterpret_cast<LPARAM>(ctx));
  return r == 1 ? 1 : 0;
}

// Generates min(the settings' length, the range the host made for it) frames from context->first on;
// returns the frames written.
__attribute__((force_align_arg_pointer)) int32_t __stdcall XfmDo(XfmContext* ctx) {
  if (!ctx || !ctx->vocWriteEx || ctx->last < ctx->first) return 0;
  const uint32_t rate = rateOf(ctx);
  const tonegen::Settings s = tonegen::clampSettings(readSettings(ctx), rate);
  const int channels = ctx->channels == 2 ? 2 : 1;
  const int64_t room = int64_t(ctx->last) - ctx->first + 1;
  const int32_t total = int32_t(std::min<int64_t>(room, tonegen::frameCount(s.seconds, rate)));
  const uint32_t format = XFM_XF_32BIT | (channels == 2 ? XFM_XF_STEREO : XFM_XF_MONO) | ctx->writeMask;
  tonegen::Generator gen(s, rate, channels, ctx->bits);
  const bool own = ctx->progressCreate && ctx->progressCreate("Generating Tone...", nullptr) != 0;
  constexpr int32_t kChunk = 16384;
  std::vector<float> buf(size_t(kChunk) * size_t(channels));
  int32_t done = 0;
  while (done < total) {
    const int32_t n = std::min(kChunk, total - done);
    gen.render(done, n, buf.data());
    const int32_t w = ctx->vocWriteEx(ctx->file, buf.data(), ctx->first + done, n, format);
    done += std::max(0, std::min(w, n));
    if (w != n) break;
    if (ctx->cancel && *ctx->cancel) break;
    if (ctx->progressMeter && !ctx->progressMeter(done, total)) break;
  }
  if (own && ctx->progressDestroy) ctx->progressDestroy();
  return done;
}

__attribute__((force_align_arg_pointer)) int32_t __stdcall XfmDestroy(XfmContext* ctx) {
  return 1;  // nothing made in XfmInit
}

}  // extern "C"
