// normalize.xfm: the "Normalize" transform. It sees the editor only through the context record of the
// transform contract (include/xfm_abi.h): the settings dialog (resource IDD_NORMALIZE of this library)
// checks its level fields with the context's Limits service, and XfmDo reads the range twice through the
// context's reader (the peak, then the samples to scale) and writes it back through its writer, with the
// context's progress window. The processing is normalize_dsp.h.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "include/xfm_abi.h"
#include "plugins/normalize/dll/normalize_ids.h"
#include "plugins/normalize/normalize_dsp.h"

namespace {

// The variables block: one double, the level in per cent ("d", presets "y").
constexpr uint32_t kVarsSize = 8;

double readLevel(XfmContext* ctx) {
  double v = normalize::kDefaultPercent;
  void* p = ctx && ctx->vars ? GlobalLock(static_cast<HGLOBAL>(ctx->vars)) : nullptr;
  if (!p) return v;
  if (GlobalSize(static_cast<HGLOBAL>(ctx->vars)) >= kVarsSize) std::memcpy(&v, p, sizeof v);
  GlobalUnlock(static_cast<HGLOBAL>(ctx->vars));
  if (!(v >= normalize::kMinPercent && v <= normalize::kMaxPercent)) v = normalize::kDefaultPercent;
  return v;
}

bool writeLevel(XfmContext* ctx, double v) {
  void* p = ctx && ctx->vars ? GlobalLock(static_cast<HGLOBAL>(ctx->vars)) : nullptr;
  if (!p) return false;
  if (GlobalSize(static_cast<HGLOBAL>(ctx->vars)) >= kVarsSize) std::memcpy(p, &v, sizeof v);
  GlobalUnlock(static_cast<HGLOBAL>(ctx->vars));
  return true;
}

// A number for a field: at most `decimals` places, no trailing zeros.
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
  int lastEdited = IDC_NORM_PERCENT;
  bool syncing = false;  // the dialog itself is writing a field
};
Dialog gDialog;

void setField(HWND dlg, int id, const std::string& text) {
  gDialog.syncing = true;
  SetDlgItemTextA(dlg, id, text.c_str());
  gDialog.syncing = false;
}

void showPeak(HWND dlg, double percent) {
  XfmContext* ctx = gDialog.ctx;
  const int bits = ctx ? ctx->bits : 16;
  char buf[96];
  std::snprintf(buf, sizeof buf, "The peak becomes %.0f of %.0f (%d-bit).",
                std::floor(normalize::fullScale(bits) * percent / 100.0 + 0.5), normalize::fullScale(bits),
                bits);
  SetDlgItemTextA(dlg, IDC_NORM_PEAK, buf);
}

// Checks field id with the host's Limits (code 512: the final check, which corrects and alerts) and
// brings the other field in line. Returns the level in per cent.
double checkField(HWND dlg, int id, uint16_t code) {
  XfmContext* ctx = gDialog.ctx;
  const bool percent = id == IDC_NORM_PERCENT;
  const double lo = percent ? normalize::kMinPercent : normalize::kMinDb;
  const double hi = percent ? normalize::kMaxPercent : normalize::kMaxDb;
  double v = percent ? normalize::kDefaultPercent : 0.0;
  if (ctx && ctx->Limits) {
    gDialog.syncing = true;  // Limits may write the corrected text
    ctx->Limits(ctx, dlg, uint32_t(id) | (uint32_t(code) << 16), lo, hi, &v);
    gDialog.syncing = false;
  }
  const double pct = percent ? v : normalize::dbToPercent(v);
  if (code == 512) {
    if (percent)
      setField(dlg, IDC_NORM_DB, numberText(normalize::percentToDb(pct), 2));
    else
      setField(dlg, IDC_NORM_PERCENT, numberText(pct, 3));
  }
  showPeak(dlg, pct);
  return pct;
}

INT_PTR CALLBACK NormalizeDialog(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG: {
      gDialog = Dialog();
      gDialog.ctx = reinterpret_cast<XfmContext*>(lp);
      XfmContext* ctx = gDialog.ctx;
      if (ctx) ctx->limitsOwner = dlg;
      if (ctx && ctx->cwCenter) ctx->cwCenter(dlg, 0);
      const double pct = readLevel(ctx);
      SendDlgItemMessageA(dlg, IDC_NORM_PERCENT, EM_LIMITTEXT, 28, 0);
      SendDlgItemMessageA(dlg, IDC_NORM_DB, EM_LIMITTEXT, 28, 0);
      setField(dlg, IDC_NORM_PERCENT, numberText(pct, 3));
      setField(dlg, IDC_NORM_DB, numberText(normalize::percentToDb(pct), 2));
      showPeak(dlg, pct);
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
      if (id == IDC_NORM_PERCENT || id == IDC_NORM_DB) {
        if (gDialog.syncing) return TRUE;
        if (code == EN_CHANGE) {
          gDialog.lastEdited = id;
          checkField(dlg, id, EN_CHANGE);
        } else if (code == EN_KILLFOCUS && gDialog.lastEdited == id) {
          checkField(dlg, id, 512);
        }
        return TRUE;
      }
      if (id == IDOK) {
        const double pct = checkField(dlg, gDialog.lastEdited, 512);
        writeLevel(gDialog.ctx, pct);
        if (gDialog.ctx) gDialog.ctx->limitsOwner = nullptr;
        EndDialog(dlg, 1);
        return TRUE;
      }
      if (id == IDCANCEL) {
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
  std::strcpy(info->name, "Amplitude\\Normalize");
  std::strcpy(info->copyright, "Normalize, by the Sorn Edit developers");
  std::strcpy(info->description, "Scale the selection so that its peak reaches a level");
  info->formatMask = XFM_FMT_ALL_MONO | XFM_FMT_ALL_STEREO;
  info->flags = XFM_TRANSFORM | XFM_NEEDS_DATA | XFM_NATIVE_FORMAT;
  info->varsSize = kVarsSize;
  std::strcpy(info->types, "d");
  std::strcpy(info->presets, "y");
  return XFM_VERSION;
}

__attribute__((force_align_arg_pointer)) int32_t __stdcall XfmInit(XfmContext* ctx) {
  return writeLevel(ctx, normalize::kDefaultPercent) ? 1 : 0;
}

__attribute__((force_align_arg_pointer))
int32_t __stdcall XfmSetup(XfmWindow owner, XfmModule plugin, XfmContext* ctx) {
  INT_PTR r = DialogBoxParamA(static_cast<HINSTANCE>(plugin), MAKEINTRESOURCEA(IDD_NORMALIZE),
                              static_cast<HWND>(owner), NormalizeDialog, reinterpret_cast<LPARAM>(ctx));
  return r == 1 ? 1 : 0;
}

__attribute__((force_align_arg_pointer)) int32_t __stdcall XfmDo(XfmContext* ctx) {
  if (!ctx || !ctx->vocReadEx || !ctx->vocWriteEx || ctx->last < ctx->first) return 0;
  const int channels = ctx->channels == 2 ? 2 : 1;
  const int bits = ctx->bits;
  const uint32_t layout = XFM_XF_32BIT | (channels == 2 ? XFM_XF_STEREO : XFM_XF_MONO);
  const double percent = readLevel(ctx);
  normalize::Io io;
  io.read = [ctx, layout](int32_t start, int32_t frames, float* out) {
    return ctx->vocReadEx(ctx->file, out, start, frames, layout | ctx->readMask);
  };
  io.write = [ctx, layout](int32_t start, int32_t frames, const float* in) {
    return ctx->vocWriteEx(ctx->file, const_cast<float*>(in), start, frames, layout | ctx->writeMask);
  };
  io.progress = [ctx](int64_t done, int64_t total) {
    while (total > 0x7FFFFFFF) {
      total >>= 1;
      done >>= 1;
    }
    if (ctx->cancel && *ctx->cancel) return false;
    return !ctx->progressMeter || ctx->progressMeter(int32_t(done), int32_t(total)) != 0;
  };
  const bool own = ctx->progressCreate && ctx->progressCreate("Normalizing...", nullptr) != 0;
  normalize::Result r = normalize::run(io, ctx->first, ctx->last, channels, bits, percent);
  if (own && ctx->progressDestroy) ctx->progressDestroy();
  return r.completed ? 1 : 0;
}

__attribute__((force_align_arg_pointer)) int32_t __stdcall XfmDestroy(XfmContext* ctx) {
  return 1;  // nothing made in XfmInit
}

}  // extern "C"
