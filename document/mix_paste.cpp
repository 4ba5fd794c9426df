// The mix engine of every paste. See mix_paste.h.
//
// Arithmetic is done in double and every result is limited to +-32767 before it goes back into the
// working type, so no volume (inverted, or up to 200 %) and no sum can wrap a 16-bit value. The one mix
// that must not be limited at all is the plain copy (volume 1, destination volume 0, no fade): it moves
// samples in the destination's own size, so -32768 and float values beyond full scale come through as
// they are.
#include "document/mix_paste.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

namespace document {
namespace {

double limit(double v) {
  return std::clamp(v, -kMixLimit, kMixLimit);
}

int16_t toInt16(double v) {
  return int16_t(std::floor(limit(v) + 0.5));
}
float toFloat(double v) {
  return float(limit(v));
}
int16_t store(double v, int16_t*) {
  return toInt16(v);
}
float store(double v, float*) {
  return toFloat(v);
}

template <typename T>
void mixBlock(const T* src, T* dst, uint32_t frames, uint32_t offset, const MixParams& p) {
  const int ch = p.channels == 2 ? 2 : 1;
  if (MixIsCopy(p)) {
    std::copy(src, src + size_t(frames) * ch, dst);
    return;
  }
  const uint32_t fade = MixFadeLength(p);
  const bool fadeIn = fade && (p.flags & kMixFadeIn);
  const bool fadeOut = fade && (p.flags & kMixFadeOut);
  const bool modulate = (p.flags & kMixModulate) != 0;
  for (uint32_t i = 0; i < frames; ++i) {
    const uint64_t k = uint64_t(offset) + i;
    // g: the source's fade gain; t: how far through the fade region (0 at its first frame).
    int region = 0;
    double g = 1.0, t = 0.0;
    if (fadeIn && k < fade) {
      region = 1;
      t = double(k) / fade;
      g = t;
    } else if (fadeOut && k + fade >= p.count && k < p.count) {
      region = 2;
      t = double(k + fade - p.count) / fade;
      g = 1.0 - t;
    }
    for (int c = 0; c < ch; ++c) {
      double s = src[size_t(i) * ch + c];
      const double volume = p.sourceVolume[c];
      if (volume != 1.0) s = limit(s * volume);
      const double d = dst[size_t(i) * ch + c];
      const double dv = p.destVolume[c];
      double out;
      if (modulate) {
        const double m = region ? 32768.0 - g * 32768.0 + g * s : s;
        out = dv * d * m / 32768.0;
      } else {
        double gd = dv;
        if (region == 1) gd = 1.0 + (dv - 1.0) * t;
        if (region == 2) gd = dv + (1.0 - dv) * t;
        out = gd * d + g * s;
      }
      dst[size_t(i) * ch + c] = store(out, static_cast<T*>(nullptr));
    }
  }
}

// The working channel of a one-channel target: kChannelLeft or kChannelRight, or kChannelBoth.
int targetChannel(uint32_t flags, bool stereoDest) {
  if (!stereoDest) return kChannelBoth;
  const bool l = (flags & kMixLeftOnly) != 0, r = (flags & kMixRightOnly) != 0;
  if (l && !r) return kChannelLeft;
  if (r && !l) return kChannelRight;
  return kChannelBoth;
}

// The chunk loop over the files. T is the working sample type; a copy only moves bytes, so it uses the
// float buffers (4 bytes a sample, the widest layout).
template <typename T>
int runMix(SampleFile* src, uint32_t srcStart, uint32_t count, SampleFile* dst, uint32_t dstPos,
           const MixParams& p, bool copy, uint16_t srcRead, uint16_t dstRead, uint16_t dstWrite,
           const MixProgress& progress, uint32_t* written) {
  const size_t samples = size_t(kMixChunkFrames) * p.channels;
  std::unique_ptr<T[]> sbuf(new (std::nothrow) T[samples]);
  std::unique_ptr<T[]> dbuf(copy ? nullptr : new (std::nothrow) T[samples]);
  if (!sbuf || (!copy && !dbuf)) return kMixNoMemory;
  for (uint32_t done = 0; done < count;) {
    uint32_t k = std::min(kMixChunkFrames, count - done);
    k = SampleRead(src, sbuf.get(), int32_t(srcStart + done), k, srcRead);
    if (!k) break;
    uint32_t w;
    if (copy) {
      w = SampleWrite(dst, sbuf.get(), int32_t(dstPos + done), k, dstWrite);
    } else {
      const uint32_t have = SampleRead(dst, dbuf.get(), int32_t(dstPos + done), k, dstRead);
      // Past the end of the destination the old sound is silence (0 in both working types).
      std::fill(dbuf.get() + size_t(have) * p.channels, dbuf.get() + size_t(k) * p.channels, T(0));
      MixBlock(sbuf.get(), dbuf.get(), k, done, p);
      w = SampleWrite(dst, dbuf.get(), int32_t(dstPos + done), k, dstWrite);
    }
    *written += w;
    done += k;
    if (w < k) break;
    if (progress && progress(done, count) == kSampleStop) break;
  }
  return kMixOk;
}

}  // namespace

void ApplyPasteSpecialDialog(const PasteSpecialDialogValues& v, PasteSpecialSettings* s) {
  auto volume = [](double percent, bool invert) {
    if (!std::isfinite(percent)) percent = 100;
    const double x = std::clamp(percent, 0.0, 200.0) * 0.01;
    return invert ? -x : x;
  };
  s->leftVolume = volume(v.leftPercent, v.invertLeft);
  s->rightVolume = volume(v.rightPercent, v.invertRight);
  s->crossfadeMs = std::isfinite(v.crossfadeMs) && v.crossfadeMs > 0 ? v.crossfadeMs : 0;
  s->loops = std::isfinite(v.loops) && v.loops >= 1 ? v.loops : 1.0;
  s->overlap = !v.insert;
  s->modulate = !v.insert && v.modulate;
  s->crossfade = v.crossfade;
  s->loop = v.loop;
  s->source = v.source;
  s->sourceFile = v.sourceFile;
  s->lockLeftRight = v.lockLeftRight;
}

PasteSpecialDialogStart StartPasteSpecialDialog(const PasteSpecialSettings& s, int docChannels,
                                                int editChannel, bool internalPresent, bool windowsHasWave) {
  PasteSpecialDialogStart d;
  PasteSpecialDialogValues& v = d.values;
  v.leftPercent = std::fabs(s.leftVolume) * 100;
  v.invertLeft = s.leftVolume < 0;
  v.rightPercent = std::fabs(s.rightVolume) * 100;
  v.invertRight = s.rightVolume < 0;
  v.crossfadeMs = s.crossfadeMs;
  v.loops = s.loops;
  v.insert = !s.overlap;
  v.modulate = s.overlap && s.modulate;
  v.crossfade = s.crossfade;
  v.loop = s.loop;
  v.source = s.source;
  v.sourceFile = s.sourceFile;
  v.lockLeftRight = s.lockLeftRight;
  d.crossfadeTimeEnabled = s.crossfade;
  d.loopCountEnabled = s.loop;
  d.internalSourceEnabled = internalPresent;
  d.windowsSourceEnabled = windowsHasWave;
  if (v.source == PasteSource::InternalClipboard && !internalPresent)
    v.source = windowsHasWave ? PasteSource::WindowsClipboard : PasteSource::File;
  if (v.source == PasteSource::WindowsClipboard && !windowsHasWave)
    v.source = internalPresent ? PasteSource::InternalClipboard : PasteSource::File;
  if (docChannels == 2 && (editChannel == kChannelLeft || editChannel == kChannelRight)) {
    d.insertEnabled = false;
    v.insert = false;
    if (editChannel == kChannelLeft) d.rightEnabled = false;
    if (editChannel == kChannelRight) d.leftEnabled = false;
  }
  if (docChannels != 2) {
    d.rightEnabled = false;
    d.lockEnabled = false;
  }
  return d;
}

uint32_t CrossfadeFrames(uint32_t rate, double ms) {
  const double f = std::trunc(double(rate) * ms * 0.001);
  if (!(f >= 2)) return 2;
  return f > kMaxCrossfadeFrames ? kMaxCrossfadeFrames : uint32_t(f);
}

uint32_t MixFadeLength(const MixParams& p) {
  const bool in = (p.flags & kMixFadeIn) != 0, out = (p.flags & kMixFadeOut) != 0;
  if (!in && !out) return 0;
  return std::min(p.crossfadeFrames, in && out ? p.count / 2 : p.count);
}

bool MixIsCopy(const MixParams& p) {
  if ((p.flags & (kMixAdd | kMixModulate)) != kMixAdd || MixFadeLength(p) != 0) return false;
  const int ch = p.channels == 2 ? 2 : 1;
  for (int c = 0; c < ch; ++c)
    if (p.sourceVolume[c] != 1.0 || p.destVolume[c] != 0.0) return false;
  return true;
}

void MixBlock(const int16_t* src, int16_t* dst, uint32_t frames, uint32_t offset, const MixParams& p) {
  mixBlock(src, dst, frames, offset, p);
}
void MixBlock(const float* src, float* dst, uint32_t frames, uint32_t offset, const MixParams& p) {
  mixBlock(src, dst, frames, offset, p);
}

int MixFiles(SampleFile* src, uint32_t srcStart, uint32_t count, double leftVolume, double rightVolume,
             SampleFile* dst, uint32_t dstPos, double destLeftVolume, double destRightVolume, uint32_t flags,
             uint32_t crossfadeFrames, const MixProgress& progress, uint32_t* written) {
  uint32_t dummy = 0;
  if (!written) written = &dummy;
  *written = 0;
  if (!src || !dst) return kMixMissingFile;
  const XfLayout sl = XfLayoutOf(src->formatWord()), dl = XfLayoutOf(dst->formatWord());
  if (!sl.valid() || !dl.valid()) return kMixMissingFile;
  // Frame positions travel as 32-bit signed numbers through the transfer layer.
  if (uint64_t(srcStart) + count > 0x7FFFFFFFu || uint64_t(dstPos) + count > 0x7FFFFFFFu)
    return kMixMissingFile;

  const int target = targetChannel(flags, dl.stereo());
  const int tch = target == kChannelBoth ? dl.channels : 1;
  MixParams p;
  p.flags = flags;
  p.count = count;
  p.crossfadeFrames = crossfadeFrames;
  p.channels = tch;
  uint16_t srcPick = 0;
  if (tch == 2) {
    p.sourceVolume[0] = leftVolume;
    p.sourceVolume[1] = rightVolume;
    p.destVolume[0] = destLeftVolume;
    p.destVolume[1] = destRightVolume;
  } else {
    const bool right = target == kChannelRight;
    p.destVolume[0] = right ? destRightVolume : destLeftVolume;
    p.sourceVolume[0] = right ? rightVolume : leftVolume;
    if (sl.stereo() && (leftVolume != 0) != (rightVolume != 0)) {
      srcPick = leftVolume != 0 ? XF_SRC_LEFT : XF_SRC_RIGHT;
      p.sourceVolume[0] = leftVolume != 0 ? leftVolume : rightVolume;
    }
  }
  const bool copy = MixIsCopy(p);
  // A copy moves samples in the destination's own size; a mix works in 16 bits or float.
  const uint16_t bits = copy ? dl.bits : dl.bits == 32 ? 32 : 16;
  const uint16_t work = XfLayoutWord(uint32_t(tch), bits);
  const uint16_t one = tch == 1 && dl.stereo() ? uint16_t(target == kChannelRight ? 1 : 0) : uint16_t(2);
  const uint16_t dstRead = uint16_t(work | (one == 0 ? XF_SRC_LEFT : one == 1 ? XF_SRC_RIGHT : 0));
  const uint16_t dstWrite = uint16_t(work | XF_CLIP | (one == 0 ? XF_DST_LEFT : one == 1 ? XF_DST_RIGHT : 0));
  const uint16_t srcRead = uint16_t(work | XF_CLIP | srcPick);

  if (copy || bits == 32)
    return runMix<float>(src, srcStart, count, dst, dstPos, p, copy, srcRead, dstRead, dstWrite, progress,
                         written);
  return runMix<int16_t>(src, srcStart, count, dst, dstPos, p, copy, srcRead, dstRead, dstWrite, progress,
                         written);
}

}  // namespace document
