// Choosing the two temporary directories of the paged store at start-up, as a pure function of the
// settings-file values, the TEMP variable and the Windows directory.
#pragma once

#include <string>

namespace shell {

struct TempDirInputs {
  std::string tempOverride;  // [Size] TempOverride as read
  std::string undoTempDir;   // [Settings] UndoTempDir as read
  std::string tempEnv;       // the TEMP environment variable ("" when unset)
  std::string windowsDir;    // the Windows directory
};

struct TempDirPlan {
  std::string tempDir;  // directories handed to the store
  std::string undoTempDir;
  bool writeTempOverride = false;  // write tempOverrideValue to [Size] TempOverride
  std::string tempOverrideValue;
  bool writeUndoTempDir = false;  // write undoTempDirValue to [Settings] UndoTempDir
  std::string undoTempDirValue;
};

// Both values are upper-cased. An empty TempOverride becomes TEMP, or the Windows directory when TEMP
// is empty too, and is written back; an empty UndoTempDir becomes a copy of the temporary directory and
// is written back. A drive root of exactly three characters ("C:\") is used without its backslash, while
// the value written back keeps it.
TempDirPlan planTempDirs(const TempDirInputs& in);

// The "C:\" → "C:" rule on its own.
std::string dirForUse(const std::string& dir);

}  // namespace shell
