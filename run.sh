#!/usr/bin/env bash
# Builds the Windows program and starts it under Wine on your display (Xvfb when there is none).
#   ./run.sh [file.wav]     without a file it opens a demo WAV made by the build
# Settings persist in the prefix ${SORN_WINEPREFIX:-$HOME/.local/share/sorn96/wine}; the program's debug
# lines are appended to sorn96-debug.log there.
set -euo pipefail
cd "$(dirname "$0")"
./tools/setup.sh
source tools/wine-env.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2 --target sorn96 plugins demo_wav
export WINEPREFIX=${SORN_WINEPREFIX:-$HOME/.local/share/sorn96/wine}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wine wineboot -i >/dev/null 2>&1 || true
fi
trap sorn_stop_xvfb EXIT
sorn_ensure_display
# The program's debug lines go to a file: OutputDebugString raises an exception, and where 32-bit programs
# run through an emulator (tools/setup.sh says so) exception dispatch beside the busy cache thread can end
# the process.
export SORN_DEBUG_LOG=$(winepath -w "$WINEPREFIX/sorn96-debug.log" 2>/dev/null || echo "")
file=${1:-build/win32/demo/demo.wav}
if [ -e "$file" ]; then file=$(winepath -w "$(realpath "$file")" 2>/dev/null); fi
echo "Starting Sorn Edit on display $DISPLAY with $file"
wine build/win32/bin/sorn96.exe "$file"
