// The start-up sequence of sorn96, in its fixed order, and the shut-down after the message loop. Each
// later subsystem's part of it is a hook (shell_hooks.h); an empty hook is skipped, so the program starts
// and closes cleanly with only the shell built in.
#include <cstdio>

#include "platform/profile.h"
#include "shell/app_state.h"
#include "shell/document_support.h"
#include "resources/command_ids.h"
#include "ui/message_box.h"
#include "ui/settings_source.h"
#include "shell/shell_hooks.h"
#include "shell/temp_dirs.h"
#include "shell/toolbar_win.h"
#include "shell/win_shell.h"

namespace shell {
namespace {

constexpr int kRegisterTries = 7;
constexpr UINT kStrRegisterError = 1, kStrCreateError = 2, kStrSettingsFile = 8, kStrHelpFile = 9,
               kStrProductName = 10, kStrVersion = 106, kStrSuffix = 107;
constexpr DWORD kMainStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kMainExStyle = WS_EX_ACCEPTFILES;
constexpr uint32_t kDitherSeedModulus = 0xFFFFF;

// Step 1: program directory, settings-file name, help path, product name.
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

// Step 3.
int currentOsGeneration() {
  DWORD v = GetVersion();
  return osGeneration(LOBYTE(LOWORD(v)), HIBYTE(LOWORD(v)));
}

// Step 4: the main window class (tried up to seven times), then the child classes.
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
  if (shellHooks().registerChildClasses) shellHooks().registerChildClasses(instance);
  return true;
}

// Step 6.
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

// Steps 8 to 10: first-instance test, placement and size, the main window itself.
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

// Step 13.
void chooseDevices() {
  AppState& a = app();
  WaveOutCaps caps = shellHooks().chooseDevices ? shellHooks().chooseDevices(&a.settings)
                                                : chooseDevicesByName(&a.settings, a.deviceIds);
  a.deviceStatus = describeWaveOut(caps, a.settings.meterFix);
}

// Step 16: locks, the store, the transfer scratch, the file filters.
void startStore(HWND mainWindow) {
  AppState& a = app();
  ShellHooks& h = shellHooks();
  if (h.initPlaybackLock) h.initPlaybackLock();
  a.vfInitResult = kVfInitOk;
  a.storeAvailable = false;
  if (h.vfInit) {
    VfInitArgs args;
    args.tempDir = a.tempDir;
    args.undoTempDir = a.undoTempDir;
    args.reserve1Bytes = a.settings.reserve1Bytes();
    args.reserve2Bytes = a.settings.reserve2Bytes();
    args.cacheSizeKB = a.settings.storeCacheSizeKB();
    args.notifyWindow = mainWindow;
    a.vfInitResult = h.vfInit(args);
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
  if (a.storeAvailable && h.allocTransferBuffer && !h.allocTransferBuffer()) a.storeAvailable = false;
  if (h.initPreviewLock) h.initPreviewLock();
  if (h.scanFileFilters) h.scanFileFilters();
}

// Step 17: the file named on the command line; steps 18 and 19: the commands posted at the end.
void openCommandLineFileAndPost(HWND mainWindow) {
  AppState& a = app();
  ShellHooks& h = shellHooks();
  StartupFacts f;
  f.hadPendingName = !a.pendingName.empty();
  if (f.hadPendingName) {
    if (a.storeAvailable && h.openDocument) {
      DocumentOpenResult r = h.openDocument(a.pendingName);
      f.documentOpened = r.opened;
      f.documentHasSamples = r.hasSamples;
      if (r.opened && h.attachDocument) h.attachDocument(commandLineRegion(a.commandLine, r.lengthFrames));
    } else {
      ui::debugOutputf("No document support: \"%s\" not opened\n", a.pendingName.c_str());
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
  if (h.allocFftState) h.allocFftState();
  for (const PostedCommand& c : plan.commands) {
    ui::debugOutputf("startup: post %d %ld\n", c.id, static_cast<long>(c.param));
    PostMessageA(mainWindow, WM_COMMAND, static_cast<WPARAM>(c.id), static_cast<LPARAM>(c.param));
  }
}

// Step 21.
void shutDownAfterLoop(HINSTANCE instance) {
  ShellHooks& h = shellHooks();
  if (h.freeFftState) h.freeFftState();
  if (h.freeTimeTable) h.freeTimeTable();
  if (h.writeRecentFilter) {
    h.writeRecentFilter();
  } else {
    ui::ProfileSettingsSource ini(app().settingsFile);
    saveRecentFilter(app().settings, ini);
  }
  if (h.freeFilterTable) h.freeFilterTable();
  if (h.deleteLocks) h.deleteLocks();
  UnregisterClassA(kMainClassName, instance);
  if (h.unregisterChildClasses) h.unregisterChildClasses(instance);
  if (h.releaseDisplayResources) h.releaseDisplayResources();
}

}  // namespace

std::string loadResourceString(HINSTANCE instance, UINT id, const char* fallback) {
  char buf[512];
  int n = LoadStringA(instance, id, buf, sizeof buf);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string(fallback);
}

int runApplication(HINSTANCE instance, const char* cmdLine, int showCmd) {
  AppState& a = app();
  installDocumentSupport();
  installToolbar();
  ShellHooks& h = shellHooks();
  a.instance = instance;
  setUpPaths(instance);                                      // 1
  a.commandLine = parseCommandLine(cmdLine ? cmdLine : "");  // 2
  a.pendingName = a.commandLine.fileName;
  a.autoplayOverride = a.commandLine.autoplayOverride;
  a.osGen = currentOsGeneration();   // 3
  if (!registerClasses(instance)) {  // 4
    ui::ShowMessageBox(loadResourceString(instance, kStrRegisterError, "Error registering window class").c_str(),
                   "Error", ui::kMbOk | ui::kMbIconExclamation);
    return -1;
  }
  a.versionText = loadResourceString(instance, kStrVersion, "96");  // 5
  a.suffixText = normaliseSuffix(loadResourceString(instance, kStrSuffix, "none"));
  if (h.seedDither) h.seedDither(GetTickCount() % kDitherSeedModulus);
  chooseTempDirs();                          // 6
  if (h.allocTimeTable) h.allocTimeTable();  // 7
  HWND hwnd = createMainWindow(instance);    // 8, 9, 10 (WM_CREATE reads the settings)
  if (!hwnd) {
    std::string failed = loadResourceString(instance, kStrCreateError, "Window creation failed!");
    ui::ShowMessageBox("Can't create main window", "Error", ui::kMbOk | ui::kMbIconExclamation);
    ui::ShowMessageBox(failed.c_str(), nullptr, ui::kMbOk | ui::kMbIconExclamation);
    return 2;
  }
  HDC screen = GetDC(nullptr);  // 11
  int bitsPerPixel = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
  ReleaseDC(nullptr, screen);
  if (h.scanTransforms) h.scanTransforms(bitsPerPixel);
  loadAccelerators(instance);  // 12
  buildRecentFilesMenu(hwnd);
  chooseDevices();                               // 13
  if (h.createChildren) h.createChildren(hwnd);  // 14
  if (h.createToolbar) h.createToolbar(hwnd);
  SetWindowTextA(hwnd, mainWindowTitle(a).c_str());  // 15
  ShowWindow(hwnd, showCmd);
  UpdateWindow(hwnd);
  if (h.refreshMenuState) h.refreshMenuState(hwnd);
  startStore(hwnd);                  // 16
  openCommandLineFileAndPost(hwnd);  // 17, 18, 19
  int code = runMessageLoop(hwnd);   // 20
  shutDownAfterLoop(instance);       // 21
  return code;
}

}  // namespace shell
