// Process-wide shell state and the hook table.
#include "shell/app_state.h"

#include <cctype>
#include <cstdio>

#include "ui/message_box.h"

namespace shell {

AppState& app() {
  static AppState state;
  return state;
}

void resetAppState() {
  app() = AppState();
}

bool readyToClose(const CloseSteps& steps, const CommandLine& cl) {
  if (cl.clipMode && steps.clipModeClose && steps.clipModeClose()) return true;
  if (cl.autosaveMode && steps.autosaveClose && steps.autosaveClose()) return true;
  return !steps.askToSave || steps.askToSave();
}

bool refuseDocumentWork() {
  const AppState& a = app();
  if (a.storeAvailable) return false;
  char text[300];
  std::snprintf(text, sizeof text,
                "Waves cannot be opened or created: the temporary wave storage did not start.  Correct the "
                "temporary directories under Options->Settings/System and restart %s.",
                a.productName.c_str());
  ui::ShowMessageBox(text, "Error", ui::kMbOk | ui::kMbIconExclamation);
  return true;
}

std::string normaliseSuffix(const std::string& suffix) {
  std::string low;
  for (char c : suffix) low += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return low == "none" ? std::string() : suffix;
}

std::string mainWindowTitle(const AppState& a) {
  return a.productName + " " + a.versionText + a.suffixText;
}

}  // namespace shell
