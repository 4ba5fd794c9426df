// The Windows side of the filter host: loading filter DLLs from a directory with LoadLibrary and
// GetProcAddress, and the system facts the scan needs (the *.flt files with their sizes and creation
// times, flt.dat). Declared here without <windows.h>; defined in filter_loader_win.cpp, so only the
// Windows build may call them.
#pragma once

#include <string>

#include "formats/filter_module.h"
#include "formats/filter_table.h"

namespace formats {

// The directory of the running program.
std::string programDirectory();
// LoadFilterDll: loads "<directory>\<dll name>" and resolves every entry by name.
FilterLoader windowsFilterLoader(const std::string& directory);
// The scan's view of directory: its *.flt files, its flt.dat, and the loader above.
FilterScanEnv windowsScanEnv(const std::string& directory, ui::SettingsSource* settings);

}  // namespace formats
