// Temporary-directory choice (see temp_dirs.h).
#include "shell/temp_dirs.h"

#include <cctype>

namespace shell {
namespace {

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::string dirForUse(const std::string& dir) {
  if (dir.size() == 3 && (dir[2] == '\\' || dir[2] == '/')) return dir.substr(0, 2);
  return dir;
}

TempDirPlan planTempDirs(const TempDirInputs& in) {
  TempDirPlan p;
  std::string temp = upper(in.tempOverride);
  if (temp.empty()) {
    // Upper-cased as well, so the first run uses the same text that later runs read back.
    temp = upper(!in.tempEnv.empty() ? in.tempEnv : in.windowsDir);
    p.writeTempOverride = true;
    p.tempOverrideValue = temp;
  }
  std::string undo = upper(in.undoTempDir);
  if (undo.empty()) {
    undo = temp;
    p.writeUndoTempDir = true;
    p.undoTempDirValue = undo;
  }
  p.tempDir = dirForUse(temp);
  p.undoTempDir = dirForUse(undo);
  return p;
}

}  // namespace shell
