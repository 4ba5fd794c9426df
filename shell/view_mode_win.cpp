// The display-mode commands of the View menu: "&Waveform View" (374), "&Spectral View" (375), the toolbar's
// switch between them (2211), "Show &Grid" (373) and "Show &Boundaries" (376). They change the display's
// flags (the display then redraws and reports the change, and the rulers follow) and the DisplayMode setting
// written at exit. Also the time formats (351..354) and the vertical scale (378..380), which the status
// fields and rulers show.
// clang-format off
#include "platform/win32.h"  // before the other system headers
// clang-format on

#include "display/view_model.h"
#include "display/wavedisp_win.h"
#include "shell/app_state.h"
#include "resources/command_ids.h"
#include "ui/dispatch.h"
#include "shell/document_support.h"
#include "shell/menu_state.h"
#include "shell/window_commands.h"

namespace shell {

void registerViewModeCommands() {
  for (int id : {IDM_VIEW_WAVEFORM, IDM_VIEW_SPECTRAL, IDM_VIEW_TOGGLE, IDM_SHOW_GRID, IDM_SHOW_BOUNDARIES}) {
    ui::registerCommand(id, [](int cmd, intptr_t) {
      HWND d = static_cast<HWND>(currentDisplay());
      if (!d) return;
      const uint32_t before = display::WaveDispGetFlags(d);
      const uint32_t after = ViewModeFlags(cmd, before);
      if (after != before) display::WaveDispSetFlags(d, after, kViewModeFlagsMask);
      Settings& s = app().settings;
      s.displayMode = int32_t((uint32_t(s.displayMode) & ~kViewModeFlagsMask) | (after & kViewModeFlagsMask));
      s.spectralView = (after & display::WDF_SPECTRAL) != 0;
      s.timeModeV = TimeModeVForView(s.timeModeV, s.spectralView);
    });
  }
  // Time formats for all three time displays, and the vertical scale.
  for (int id = IDM_TIME_DECIMAL; id <= IDM_TIME_SMPTE_DROP; ++id) {
    ui::registerCommand(id, [](int cmd, intptr_t) {
      Settings& s = app().settings;
      s.timeMode = s.loTimeMode = s.hiTimeMode = TimeFormatForCommand(cmd);
      applyTimeSettings();
    });
  }
  for (int id : {IDM_VSCALE_SAMPLES, IDM_VSCALE_NORMALIZED, IDM_VSCALE_PERCENT}) {
    ui::registerCommand(id, [](int cmd, intptr_t) {
      Settings& s = app().settings;
      s.timeModeV = VerticalScaleAfter(cmd, s.timeModeV);
      applyTimeSettings();
    });
  }
}

}  // namespace shell
