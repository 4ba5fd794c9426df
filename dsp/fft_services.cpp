// C entry points of the numeric services: argument adaptation only.
#include "dsp/fft_services.h"

#include <atomic>

#include "dsp/convolve.h"
#include "dsp/fft.h"
#include "dsp/fft_array.h"
#include "dsp/window.h"

namespace dsp {
namespace {

std::atomic<ConvolveProgress*> gProgress{nullptr};

struct IoEx {
  void* data;
  SornConvolveIoEx read, write;
};
int32_t readEx(void* d, void* buf, int32_t pos, int32_t bytes) {
  const IoEx* io = static_cast<const IoEx*>(d);
  return io->read(io->data, buf, pos, bytes);
}
int32_t writeEx(void* d, void* buf, int32_t pos, int32_t bytes) {
  const IoEx* io = static_cast<const IoEx*>(d);
  return io->write(io->data, buf, pos, bytes);
}

struct IoOld {
  SornConvolveIo read, write;
};
int32_t readOld(void* d, void* buf, int32_t pos, int32_t bytes) {
  return static_cast<const IoOld*>(d)->read(buf, pos, bytes);
}
int32_t writeOld(void* d, void* buf, int32_t pos, int32_t bytes) {
  return static_cast<const IoOld*>(d)->write(buf, pos, bytes);
}

uint32_t count(int32_t n) {
  return n > 0 ? uint32_t(n) : 0u;
}

int32_t clampResult(int64_t bytes) {
  return bytes > INT32_MAX ? INT32_MAX : int32_t(bytes);
}

}  // namespace

void SetServiceProgress(ConvolveProgress* progress) {
  gProgress.store(progress);
}

}  // namespace dsp

extern "C" {

int16_t SORN_DSP_CALL SetWindowType(int16_t type) {
  return int16_t(dsp::SetWindowType(type));
}
void SORN_DSP_CALL WindowFFT(float* data, uint16_t n, int16_t stereo) {
  dsp::WindowFFT(data, n, stereo);
}
void SORN_DSP_CALL IWindowFFT(float* data, int16_t stereo) {
  dsp::IWindowFFT(data, stereo);
}
void SORN_DSP_CALL WindowLFFT(double* data, int32_t n) {
  dsp::WindowLFFT(data, n);
}
void SORN_DSP_CALL SetFFT16bit(float* data, const int16_t* samples, int32_t n) {
  dsp::SetFFT16bit(data, samples, dsp::count(n));
}
void SORN_DSP_CALL SetFFT8bit(float* data, const uint8_t* samples, int32_t n) {
  dsp::SetFFT8bit(data, samples, dsp::count(n));
}
void SORN_DSP_CALL SetStereoFFT16bit(float* data, const int16_t* left, const int16_t* right, int32_t n) {
  dsp::SetStereoFFT16bit(data, left, right, dsp::count(n));
}
void SORN_DSP_CALL SetStereoFFT8bit(float* data, const uint8_t* left, const uint8_t* right, int32_t n) {
  dsp::SetStereoFFT8bit(data, left, right, dsp::count(n));
}
void SORN_DSP_CALL SetStereoFFT16bitInterleaved(float* data, const int16_t* frames, int32_t n) {
  dsp::SetStereoFFT16bitInterleaved(data, frames, dsp::count(n));
}
void SORN_DSP_CALL SetStereoFFT8bitInterleaved(float* data, const uint8_t* frames, int32_t n) {
  dsp::SetStereoFFT8bitInterleaved(data, frames, dsp::count(n));
}
void SORN_DSP_CALL GetStereoFFT16bitInterleaved(float* data, int16_t* frames, int32_t n, int32_t mode) {
  dsp::GetStereoFFT16bitInterleaved(data, frames, dsp::count(n), mode);
}
void SORN_DSP_CALL GetStereoFFT8bitInterleaved(float* data, uint8_t* frames, int32_t n, int32_t mode) {
  dsp::GetStereoFFT8bitInterleaved(data, frames, dsp::count(n), mode);
}
void SORN_DSP_CALL FFT(float* data, int32_t n, int32_t sign, int32_t, int32_t) {
  dsp::FFT(data, dsp::count(n), sign);
}
void SORN_DSP_CALL LFFT(double* re, double* im, int32_t n, int32_t sign) {
  dsp::LFFT(re, im, n, sign);
}

int32_t SORN_DSP_CALL ConvoluteEx(int32_t bits, int32_t channels, int32_t frameSize, int32_t first,
                                  int32_t last, int32_t mix, int32_t kernels, const double* kernel,
                                  int32_t length, int32_t centre, const char* title, void* data,
                                  SornConvolveIoEx read, SornConvolveIoEx write, double gainA, double gainB) {
  if (!read || !write) return 0;
  dsp::IoEx io{data, read, write};
  return dsp::clampResult(dsp::ConvoluteEx(bits, channels, frameSize, first, last, mix, kernels, kernel,
                                           length, centre, title, &io, dsp::readEx, dsp::writeEx, gainA,
                                           gainB, dsp::gProgress.load()));
}

int32_t SORN_DSP_CALL Convolute(int32_t bits, int32_t channels, int32_t first, int32_t last, int32_t mix,
                                int32_t kernels, const double* kernel, int32_t length, int32_t centre,
                                const char* title, SornConvolveIo read, SornConvolveIo write, double gainA,
                                double gainB) {
  if (!read || !write) return 0;
  dsp::IoOld io{read, write};
  const int32_t frameSize = channels * (bits < 32 ? 2 : 4);
  return dsp::clampResult(dsp::ConvoluteEx(bits, channels, frameSize, first, last, mix, kernels, kernel,
                                           length, centre, title, &io, dsp::readOld, dsp::writeOld, gainA,
                                           gainB, dsp::gProgress.load()));
}

}  // extern "C"
