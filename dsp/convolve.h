// Fast convolution of a range of samples with a kernel (overlap-add), reading and writing through the
// caller's callbacks.
//
// Samples travel as 16-bit values for bits 8 and 16 and as floats (on the 16-bit scale) for bits 32,
// interleaved left, right for stereo. Byte positions and counts of the callbacks are frames times the
// frame size argument; the callbacks return the bytes they transferred (a short read is zero-filled).
// Kernel layouts (K doubles per tap, gains A and B; (x) = linear convolution, mix = (left + right) / 2):
//   mono, or K = 1:            every channel (x) A*tap         (K = 2 or 3 without mix: A*tap[0])
//   stereo, mix, K = 1:        mix (x) A*tap on both
//   stereo, mix, K = 2 or 4:   left = mix (x) A*tap[0], right = mix (x) B*tap[1]
//   stereo, no mix, K = 4:     left = l (x) A*tap[0] + r (x) A*tap[2], right = l (x) B*tap[1] + r (x)
//   B*tap[3]
// K = 0 means the channel count, or 4 for stereo without mix. Output frame t - centre receives
// convolution index t, for frames inside [first, last] only; input before first counts as 0, input after
// last is read from the callback.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dsp {

using ConvolveIoFn = int32_t (*)(void* data, void* buffer, int32_t bytePos, int32_t byteCount);

// What a convolution shows and asks while it runs. The default does nothing and never cancels.
class ConvolveProgress {
 public:
  virtual ~ConvolveProgress() = default;
  virtual void open(const char* title, uint32_t totalSteps) {}  // only when a title is given
  virtual void step() {}
  virtual bool cancelled() { return false; }
  virtual void close() {}
  // Working memory could not be had even for the smaller block: shows kConvolveNoMemoryText.
  virtual void outOfMemory() {}
};

extern const char kConvolveNoMemoryText[];     // "Not enough memory to continue operation"
extern const char kConvolveNoMemoryCaption[];  // "Error"

constexpr int32_t kConvolveMaxLength = 209715;

// The block size for a kernel of length taps (capped at kConvolveMaxLength): the cheapest of six
// power-of-two sizes from about 1.5 * length, limited to 256 .. 262144; 0 for length <= 0.
uint32_t ConvolveBlockSize(int32_t length);
// The smaller block tried once when the first one's buffers cannot be allocated.
uint32_t ConvolveRetryBlockSize(int32_t length);

// Returns the bytes written: 0 for invalid arguments (bits not 8/16/32, channels not 1/2, length <= 0,
// first > last, a frame size <= 0, no callbacks, K outside 0 .. 4) and when memory runs out. A cancel
// stops after the block being written; frames after it keep their values. A cancel already set when the
// call starts (left from earlier work) is ignored. The centre is limited to 0 .. length - 1.
int64_t ConvoluteEx(int bits, int channels, int32_t frameSize, int32_t first, int32_t last, int mix,
                    int kernels, const double* kernel, int32_t length, int32_t centre, const char* title,
                    void* data, ConvolveIoFn read, ConvolveIoFn write, double gainA, double gainB,
                    ConvolveProgress* progress);

// Tests: allocations of work buffers above this many bytes in total fail (SIZE_MAX: no limit).
void SetConvolveMemoryLimitForTests(size_t bytes);

}  // namespace dsp
