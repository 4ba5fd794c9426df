// Analysis windows of the numeric services and their inverse.
//
// A window table of n / 2 floats (n / 2 the integer half) holds in entry k the weight for distance k from
// the centre: entry 0 for the two centre points, entry n/2 - 1 for the outermost ones. Types, by index:
// 0 "Triangular", 1 "Hanning", 2 "Hamming", 3 "Blackmann", 4 "Welch (Gaussian)", 5 "Blackmann-Harris";
// any other type gives weights of 1.
//
// The window type is one process-wide value. The last table, with the n and type it was built for, is kept
// per thread: the preview thread and the main thread each rebuild and use their own, so a rebuild on one
// never frees the table the other is reading, and IWindowFFT divides by the last table its own thread used.
#pragma once

#include <cstdint>
#include <vector>

namespace dsp {

constexpr int kWindowTypes = 6;

// Fills table with the n / 2 weights of the given type. False when n / 2 is 0 or memory runs out.
bool BuildWindowTable(std::vector<float>& table, uint32_t n, int type);

// Stores the type; returns it, or 0 for negative types (which are still stored).
int SetWindowType(int type);
int WindowType();

// Multiplies point h - 1 - k and point h + k (h = n / 2) of an FFT array by entry k: only the real parts
// when stereo is 0, real and imaginary parts otherwise. n = 0, or no memory for the table: no change.
void WindowFFT(float* data, uint32_t n, int stereo);
// Divides the same parts by the same entries of this thread's last table (no table yet: no change).
void IWindowFFT(float* data, int stereo);
// Windows a real array of n values centred on element h = n / 2: element h times entry 0, elements h - j
// and h + j times entry j (j = 1 .. h - 1); element 0 becomes 0.
void WindowLFFT(double* data, int32_t n);
// The same with a table the caller keeps, for code that must not touch the shared type.
void WindowLFFT(double* data, int32_t n, const std::vector<float>& table);

}  // namespace dsp
