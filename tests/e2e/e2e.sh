#!/usr/bin/env bash
# Runs one end-to-end test (tests/e2e/test_<name>.py) of sorn96.exe under Wine. ctest calls it from the build
# directory of the win32 configuration; by hand:
#   SORN_BINARY_DIR=build/win32 tests/e2e/e2e.sh tests/e2e/test_start_close.py
# Sets up what every Windows run needs (template prefix, X display, quiet Wine; tools/wine-env.sh), then hands
# over to harness.py, which gives the test its own folder, program copy and prefix under build/win32/e2e/.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/wine-env.sh"

[ $# -ge 1 ] || { echo "usage: e2e.sh tests/e2e/test_<name>.py" >&2; exit 2; }
export SORN_SOURCE_DIR=${SORN_SOURCE_DIR:-$SORN_ROOT}
export SORN_BINARY_DIR=${SORN_BINARY_DIR:-$SORN_ROOT/build/win32}

sorn_wine_make_template || exit 1
trap sorn_stop_xvfb EXIT
trap 'exit 130' INT TERM
sorn_ensure_display || exit 1
export SORN_WINE_TEMPLATE
python3 "$here/harness.py" "$@"
