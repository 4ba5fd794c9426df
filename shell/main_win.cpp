// Entry point of sorn96.exe.
#include "shell/win_shell.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdLine, int showCmd) {
  return shell::runApplication(instance, cmdLine, showCmd);
}
