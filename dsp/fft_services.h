// The numeric services as plain C functions with the argument lists transform plug-ins call, so the
// transform host can export them and put their addresses in a context record. On 32-bit Windows they use
// the standard calling convention; "16-bit" arguments still take a full stack slot. Each one forwards to
// the portable routine of the same name in namespace dsp (see dsp/fft.h for the conventions).
//
// The kernel argument of ConvoluteEx and Convolute is the kernel's memory already locked by the caller: a
// host that receives a memory handle locks it and passes the pointer on.
#pragma once

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define SORN_DSP_CALL __stdcall
#else
#define SORN_DSP_CALL
#endif

#ifdef __cplusplus
namespace dsp {
class ConvolveProgress;
// The progress window and stop flag the C services below use (null: none). Set by the host at start-up.
void SetServiceProgress(ConvolveProgress* progress);
}  // namespace dsp
extern "C" {
#endif

typedef int32_t(SORN_DSP_CALL* SornConvolveIoEx)(void* data, void* buffer, int32_t bytePos, int32_t bytes);
typedef int32_t(SORN_DSP_CALL* SornConvolveIo)(void* buffer, int32_t bytePos, int32_t bytes);

int16_t SORN_DSP_CALL SetWindowType(int16_t type);
void SORN_DSP_CALL WindowFFT(float* data, uint16_t n, int16_t stereo);
void SORN_DSP_CALL IWindowFFT(float* data, int16_t stereo);
void SORN_DSP_CALL WindowLFFT(double* data, int32_t n);
void SORN_DSP_CALL SetFFT16bit(float* data, const int16_t* samples, int32_t n);
void SORN_DSP_CALL SetFFT8bit(float* data, const uint8_t* samples, int32_t n);
void SORN_DSP_CALL SetStereoFFT16bit(float* data, const int16_t* left, const int16_t* right, int32_t n);
void SORN_DSP_CALL SetStereoFFT8bit(float* data, const uint8_t* left, const uint8_t* right, int32_t n);
void SORN_DSP_CALL SetStereoFFT16bitInterleaved(float* data, const int16_t* frames, int32_t n);
void SORN_DSP_CALL SetStereoFFT8bitInterleaved(float* data, const uint8_t* frames, int32_t n);
void SORN_DSP_CALL GetStereoFFT16bitInterleaved(float* data, int16_t* frames, int32_t n, int32_t mode);
void SORN_DSP_CALL GetStereoFFT8bitInterleaved(float* data, uint8_t* frames, int32_t n, int32_t mode);
void SORN_DSP_CALL FFT(float* data, int32_t n, int32_t sign, int32_t unused1, int32_t unused2);
void SORN_DSP_CALL LFFT(double* re, double* im, int32_t n, int32_t sign);
int32_t SORN_DSP_CALL ConvoluteEx(int32_t bits, int32_t channels, int32_t frameSize, int32_t first,
                                  int32_t last, int32_t mix, int32_t kernels, const double* kernel,
                                  int32_t length, int32_t centre, const char* title, void* data,
                                  SornConvolveIoEx read, SornConvolveIoEx write, double gainA, double gainB);
int32_t SORN_DSP_CALL Convolute(int32_t bits, int32_t channels, int32_t first, int32_t last, int32_t mix,
                                int32_t kernels, const double* kernel, int32_t length, int32_t centre,
                                const char* title, SornConvolveIo read, SornConvolveIo write, double gainA,
                                double gainB);

#ifdef __cplusplus
}
#endif
