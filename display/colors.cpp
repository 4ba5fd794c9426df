// Display colour elements and their defaults.
#include "display/colors.h"

namespace display {

const ColorElement kColorElements[kColorCount] = {
    {"Digital Waveform", kColorDigitalWaveform, Rgb(0, 255, 0)},
    {"Background", kColorBackground, Rgb(0, 0, 0)},
    {"Analog Waveform", kColorAnalogWaveform, Rgb(0, 128, 0)},
    {"Grid", kColorGrid, Rgb(0, 0, 128)},
    {"Hilite Digital Waveform", kColorHiliteDigitalWaveform, Rgb(0, 0, 128)},
    {"Hilite Background", kColorHiliteBackground, Rgb(0, 255, 255)},
    {"Hilite Analog Waveform", kColorHiliteAnalogWaveform, Rgb(0, 0, 255)},
    {"Hilite Grid", kColorHiliteGrid, Rgb(0, 255, 0)},
    {"Center Line", kColorCenterLine, Rgb(255, 0, 0)},
    {"Boundary Lines", kColorBoundaryLines, Rgb(128, 0, 0)},
    {"Cursor", kColorCursor, Rgb(255, 255, 0)},
    {"Spectral Low Energy", kColorSpectralLow, Rgb(0, 32, 13)},
    {"Spectral High Energy", kColorSpectralHigh, Rgb(240, 255, 220)},
};

ColorRef DefaultColor(int code) {
  for (const ColorElement& e : kColorElements)
    if (e.code == code) return e.defaultColor;
  return 0;
}

}  // namespace display
