// The start-up sequence of sorn96, in its fixed order, and the shut-down after the message loop. The
// subsystems' parts in it come from the one list of subsystems (subsystems_win.cpp); the store and the
// document are started and ended through the document support.
#include <cstdio>

#include "platform/profile.h"
#include "resources/command_ids.h"
#include "shell/app_state.h"
#include "shell/document_support.h"
#include "shell/subsystems_win.h"
#include "shell/temp_dirs.h"
#include "shell/toolbar_win.h"
#include "shell/win_shell.h"
#include "shell/window_commands.h"
#include "ui/message_box.h"
#include "ui/settings_source.h"

namespace shell {
namespace {

constexpr int kRegisterTries = 7;
constexpr UINT kStrRegisterError = 1, kStrCreateError = 2, kStrSettingsFile = 8, kStrHelpFile = 9,
               kStrProductName = 10, kStrVersion = 106, kStrSuffix = 107;
constexpr DWORD kMainStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kMainExStyle = WS_EX_ACCEPTFILES;

// Program directory, settings-file name, help path, product name.
void setUpPaths(HINSTANCE instance) {
  AppState& a = app();
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH - 1);
  std::string dir = path;
  size_t slash = dir.find_last_of('\\');
  a.programDir = slash == std::string::npos ? std::string() : dir.substr(0, slash);
  a.settingsFile = loadResourceString(instance, kStrSettingsFile, ui::kSettingsFileName);
  char help[MAX_PATH * 2];
  std::snprintf(help, sizeof help, "%s\\%s", a.programDir.c_str(),
                loadResourceString(instance, kStrHelpFile, "SORN96.HLP").c_str());
  a.helpPath = help;
  a.productName = loadResourceString(instance, kStrProductName, "Sorn Edit");
}

int currentOsGeneration() {
  DWORD v = GetVersion();
  return osGeneration(LOBYTE(LOWORD(v)), HIBYTE(LOWORD(v)));
}

// The main window class (tried up to seven times), then the subsystems' classes.
bool registerClasses(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_BYTEALIGNWINDOW;
  wc.lpfnWndProc = SORNMainWndProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SORN96));
  wc.hCursor = nullptr;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszMenuName = "SORNMENU96";
  wc.lpszClassName = kMainClassName;
  bool ok = false;
  for (int i = 0; i < kRegisterTries && !ok; ++i) ok = RegisterClassA(&wc) != 0;
  if (!ok) return false;
  registerSubsystemClasses(instance);
  return true;
}

// The temporary directories of the store and the undo store, from the settings and the environment.
void chooseTempDirs() {
  ui::ProfileSettingsSource ini(app().settingsFile);
  TempDirInputs in;
  in.tempOverride = ini.getString("Size", "TempOverride", "", MAX_PATH - 1);
  in.undoTempDir = ini.getString("Settings", "UndoTempDir", "", MAX_PATH - 1);
  in.tempEnv = platform::environmentVariable("TEMP");
  in.windowsDir = platform::windowsDirectory();
  TempDirPlan p = planTempDirs(in);
  if (p.writeTempOverride) ini.writeString("Size", "TempOverride", p.tempOverrideValue.c_str());
  if (p.writeUndoTempDir) ini.writeString("Settings", "UndoTempDir", p.undoTempDirValue.c_str());
  app().tempDir = p.tempDir;
  app().undoTempDir = p.undoTempDir;
}

// First-instance test, placement and size, the main window itself.
HWND createMainWindow(HINSTANCE instance) {
  AppState& a = app();
  a.firstInstance = FindWindowA(kMainClassName, nullptr) == nullptr;
  ui::ProfileSettingsSource ini(a.settingsFile);
  PlacementInput in;
  in.firstInstance = a.firstInstance;
  in.xLoc = ini.getInt("Size", "XLoc", INT32_MIN);
  in.yLoc = ini.getInt("Size", "YLoc", 0);
  in.clientWidth = ini.getInt("Size", "X", 610);
  in.clientHeight = ini.getInt("Size", "Y", 340);
  in.osGen = a.osGen;
  RECT frame = {0, 0, 0, 0};
  AdjustWindowRectEx(&frame, kMainStyle, TRUE, kMainExStyle);
  in.frameLeft = -frame.left;
  in.frameTop = -frame.top;
  in.frameRight = frame.right;
  in.frameBottom = frame.bottom;
  in.screenWidth = GetSystemMetrics(SM_CXSCREEN);
  in.screenHeight = GetSystemMetrics(SM_CYSCREEN);
  Placement p = placeMainWindow(in);
  int x = p.x == kDefaultPosition ? CW_USEDEFAULT : p.x;
  return CreateWindowExA(kMainExStyle, kMainClassName, a.productName.c_str(), kMainStyle, x, p.y, p.width,
                         p.height, nullptr, nullptr, instance, nullptr);
}

// The four devices by the names in the settings, and what the output device reports.
void chooseDevices() {
  AppState& a = app();
  chooseDevicesByName(&a.settings, a.deviceIds, &a.deviceStatus);
}

// The store, the transfer scratch, the file filters, then every subsystem's commands.
void startStore(HWND mainWindow) {
  AppState& a = app();
  a.vfInitResult = kVfInitOk;
  a.storeAvailable = false;
  {
    VfInitArgs args;
    args.tempDir = a.tempDir;
    args.undoTempDir = a.undoTempDir;
    args.reserve1Bytes = a.settings.reserve1Bytes();
    args.reserve2Bytes = a.settings.reserve2Bytes();
    args.cacheSizeKB = a.settings.storeCacheSizeKB();
    args.notifyWindow = mainWindow;
    a.vfInitResult = documents::startStore(args);
    a.storeAvailable = !vfInitFailed(a.vfInitResult);
    if (!a.storeAvailable) {
      // Running on without a store would fail at the first file; say so once and refuse document work.
      char text[400];
      std::snprintf(
          text, sizeof text,
          "The temporary wave storage could not be started (error %d).  Waves cannot be opened or "
          "created until the temporary directories under Options->Settings/System are corrected and "
          "%s is restarted.",
          a.vfInitResult, a.productName.c_str());
      ui::ShowMessageBox(text, "Error", ui::kMbOk | ui::kMbIconExclamation);
    }
  }
  if (a.storeAvailable && !documents::allocTransferBuffer()) a.storeAvailable = false;
  documents::scanFileFilters();
  registerSubsystemCommands();
}

// The file named on the command line, then the commands the start posts to itself.
void openCommandLineFileAndPost(HWND mainWindow) {
  AppState& a = app();
  StartupFacts f;
  f.hadPendingName = !a.pendingName.empty();
  if (f.hadPendingName) {
    if (a.storeAvailable) {
      DocumentOpenResult r = documents::open(a.pendingName);
      f.documentOpened = r.opened;
      f.documentHasSamples = r.hasSamples;
      if (r.opened) documents::attach(commandLineRegion(a.commandLine, r.lengthFrames));
    } else {
      ui::debugOutputf("No wave storage: \"%s\" not opened\n", a.pendingName.c_str());
    }
  }
  f.firstInstance = a.firstInstance;
  f.cueList = a.settings.cueList;
  f.playList = a.settings.playList;
  f.analyzer = a.settings.analyzer;
  f.vfInitResult = a.vfInitResult;
  f.clipMode = a.commandLine.clipMode;
  f.autoPlayOnLoad = a.settings.autoPlayOnLoad != 0;
  f.autoplayOverride = a.autoplayOverride;
  StartupPlan plan = planStartupCommands(f);
  a.pendingName = plan.setAutoplayMarker ? kAutoplayMarker : "";
  a.autoplayOverride = plan.autoplayOverrideAfter;
  for (const PostedCommand& c : plan.commands) {
    ui::debugOutputf("startup: post %d %ld\n", c.id, static_cast<long>(c.param));
    PostMessageA(mainWindow, WM_COMMAND, static_cast<WPARAM>(c.id), static_cast<LPARAM>(c.param));
  }
}

// After the message loop.
void shutDownAfterLoop(HINSTANCE instance) {
  ui::ProfileSettingsSource ini(app().settingsFile);
  saveRecentFilter(app().settings, ini);
  UnregisterClassA(kMainClassName, instance);
  unregisterSubsystemClasses(instance);
}

}  // namespace

std::string loadResourceString(HINSTANCE instance, UINT id, const char* fallback) {
  char buf[512];
  int n = LoadStringA(instance, id, buf, sizeof buf);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string(fallback);
}

int runApplication(HINSTANCE instance, const char* cmdLine, int showCmd) {
  AppState& a = app();
  a.instance = instance;
  setUpPaths(instance);
  a.commandLine = parseCommandLine(cmdLine ? cmdLine : "");
  a.pendingName = a.commandLine.fileName;
  a.autoplayOverride = a.commandLine.autoplayOverride;
  a.osGen = currentOsGeneration();
  if (!registerClasses(instance)) {
    ui::ShowMessageBox(
        loadResourceString(instance, kStrRegisterError, "Error registering window class").c_str(), "Error",
        ui::kMbOk | ui::kMbIconExclamation);
    return -1;
  }
  a.versionText = loadResourceString(instance, kStrVersion, "96");
  a.suffixText = normaliseSuffix(loadResourceString(instance, kStrSuffix, "none"));
  chooseTempDirs();
  HWND hwnd = createMainWindow(instance);  // WM_CREATE reads the settings
  if (!hwnd) {
    std::string failed = loadResourceString(instance, kStrCreateError, "Window creation failed!");
    ui::ShowMessageBox("Can't create main window", "Error", ui::kMbOk | ui::kMbIconExclamation);
    ui::ShowMessageBox(failed.c_str(), nullptr, ui::kMbOk | ui::kMbIconExclamation);
    return 2;
  }
  loadAccelerators(instance);
  buildRecentFilesMenu(hwnd);
  chooseDevices();
  createSubsystemWindows(hwnd);
  SetWindowTextA(hwnd, mainWindowTitle(a).c_str());
  ShowWindow(hwnd, showCmd);
  UpdateWindow(hwnd);
  refreshMenuStateNow();
  startStore(hwnd);
  openCommandLineFileAndPost(hwnd);
  int code = runMessageLoop(hwnd);
  shutDownAfterLoop(instance);
  return code;
}

}  // namespace shell
