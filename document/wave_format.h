// Sample layouts: the WaveFormat record that describes a wave, and the 16-bit transfer format word (XF_*)
// that names the caller's side of every sample read or write plus its options.
//
// Encodings, little-endian, stereo interleaved left then right:
//   8 bits   unsigned, 128 = silence
//   16 bits  signed two's complement, 0 = silence
//   32 bits  IEEE single float on the 16-bit scale (full scale +-32768.0, 0.0 = silence); values beyond
//            +-32767 may be stored and are only limited when converted to an integer layout.
#pragma once

#include <cstdint>

namespace document {

// Transfer format word. The same channel and size bits make up a virtual file's own format word.
constexpr uint16_t XF_MONO = 0x1;         // one channel
constexpr uint16_t XF_STEREO = 0x2;       // two channels
constexpr uint16_t XF_8BIT = 0x8;         // 8-bit unsigned samples
constexpr uint16_t XF_16BIT = 0x10;       // 16-bit signed samples
constexpr uint16_t XF_32BIT = 0x20;       // 32-bit float samples
constexpr uint16_t XF_DST_LEFT = 0x100;   // a stereo destination gets only its left channel written
constexpr uint16_t XF_DST_RIGHT = 0x200;  // ... only its right channel
constexpr uint16_t XF_SRC_RIGHT = 0x400;  // take only the right channel of a stereo source
constexpr uint16_t XF_SRC_LEFT = 0x800;   // take only the left channel of a stereo source
constexpr uint16_t XF_CLIP = 0x1000;      // saturate when narrowing
constexpr uint16_t XF_DITHER = 0x2000;    // dither when narrowing 32 to 16 bits

constexpr uint16_t XF_CHANNEL_MASK = XF_MONO | XF_STEREO;
constexpr uint16_t XF_SIZE_MASK = XF_8BIT | XF_16BIT | XF_32BIT;
constexpr uint16_t XF_LAYOUT_MASK = XF_CHANNEL_MASK | XF_SIZE_MASK;
constexpr uint16_t XF_DST_MASK = XF_DST_LEFT | XF_DST_RIGHT;
constexpr uint16_t XF_SRC_MASK = XF_SRC_LEFT | XF_SRC_RIGHT;

// Channel selections as decoded from the word: both, left only, right only. The values match the edit
// channel of a selection (0 both, 1 left, 2 right).
constexpr int kChannelBoth = 0;
constexpr int kChannelLeft = 1;
constexpr int kChannelRight = 2;

// A wave's format. The rate belongs to the document; virtual files keep only channels and bits.
struct WaveFormat {
  uint32_t rate = 0;      // frames per second
  uint16_t channels = 0;  // 1 or 2
  uint16_t bits = 0;      // 8, 16 or 32
};

constexpr uint32_t kMaxSampleRate = 1000000;  // far above any device; stops nonsense from outside input

bool IsValidChannels(uint32_t channels);
bool IsValidBits(uint32_t bits);
// Channels 1..2, bits 8/16/32 and a rate of 1..kMaxSampleRate.
bool IsValidWaveFormat(const WaveFormat& format);
// channels x bits / 8: 1, 2, 4 or 8; 0 for an invalid channel count or size.
uint32_t FrameBytes(uint32_t channels, uint32_t bits);
uint32_t FrameBytes(const WaveFormat& format);
// rate x frame size; 0 when the format is invalid.
uint64_t BytesPerSecond(const WaveFormat& format);

// The channel and size bits of a word describe a layout. Stereo when XF_STEREO is set, mono otherwise;
// exactly one size bit must be set, or the word describes no layout (bits 0) and nothing is converted.
struct XfLayout {
  uint16_t channels = 0;  // 1 or 2 (0 when no layout)
  uint16_t bits = 0;      // 8, 16, 32, or 0 for no layout
  bool valid() const { return bits != 0; }
  bool stereo() const { return channels == 2; }
  uint32_t frameBytes() const { return FrameBytes(channels, bits); }
};
XfLayout XfLayoutOf(uint16_t word);
// The layout bits for channels and bits (XF_MONO or XF_STEREO plus one size bit); 0 when invalid.
uint16_t XfLayoutWord(uint32_t channels, uint32_t bits);
uint16_t XfLayoutWord(const WaveFormat& format);

// Channel selections named by a word, before asking whether they apply (XF_SRC_* only to a stereo
// source, XF_DST_* only to a stereo destination). Both bits of a pair set means both channels.
int XfSourceChannel(uint16_t word);
int XfDestChannel(uint16_t word);

// The byte that fills silence in an integer layout of this size, also what blank inserts are filled with:
// 128 for 8 bits, 0 otherwise (a float 0.0 is four zero bytes).
uint8_t SilenceByte(uint32_t bits);

// Writes silence into frames of a layout. channel selects one channel of a stereo layout (the other keeps
// its bytes); kChannelBoth, or any selection on mono, writes whole frames.
void FillSilence(void* frames, XfLayout layout, uint32_t count, int channel = kChannelBoth);

}  // namespace document
