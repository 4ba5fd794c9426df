// Process-wide shell state and the hook table.
#include "shell/app_state.h"

#include <cctype>
#include <cstdio>

#include "ui/message_box.h"
#include "shell/shell_hooks.h"

namespace shell {

AppState& app() {
  static AppState state;
  return state;
}

ShellHooks& shellHooks() {
  static ShellHooks hooks;
  return hooks;
}

bool readyToClose(const ShellHooks& h, const CommandLine& cl) {
  if (cl.clipMode && h.clipModeClose && h.clipModeClose()) return true;
  if (cl.autosaveMode && h.autosaveClose && h.autosaveClose()) return true;
  return !h.askToSave || h.askToSave();
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
