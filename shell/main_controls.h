// The main window's own child controls: the transport and zoom buttons, the device and capability texts,
// the notice line, the CD bar's title field, time and track list, and the level meter; their layout
// together with the wave area, and the button states that follow the current document.
#pragma once

namespace display {
struct MainLayout;
}

namespace shell {

// Creates the controls (all buttons disabled but Record; the CD bar hidden). Called once from the
// creation of the main window's children, after the display.
void createMainControls(void* mainWindow);
// Lays the whole client area out again (after a size change, or the CD bar shown or hidden).
void layoutMainWindow();
// Places the display, its rulers and the status fields in the wave area (document_support_win.cpp).
void placeWaveArea(const display::MainLayout& wave);
// A document was attached (Play and Record enabled, a meter bar per channel) or closed (Play disabled,
// Record stays enabled, one bar).
void setDocumentButtons(bool documentOpen, int channels = 1);
// Greys the buttons whose commands have no handler in this build (a button never does nothing).
void greyUnhandledButtons();
// The smallest window size the user can drag the main window to, in window pixels.
void mainWindowMinimumSize(int* width, int* height);

}  // namespace shell
