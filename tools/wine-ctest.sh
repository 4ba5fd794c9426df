#!/usr/bin/env bash
# Runs some of the Windows tests the way test.sh does (Wine template prefix, Xvfb, temporary files under
# build/), without building or running the rest:
#   tools/wine-ctest.sh <ctest -R regex> [more ctest arguments, e.g. --repeat until-fail:10]
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
source tools/wine-env.sh
mkdir -p build/tmp
export TMPDIR=$PWD/build/tmp SORN_XVFB_LOG=$PWD/build/xvfb.log SORN_TEST_SCALE=${SORN_TEST_SCALE:-1}
sorn_wine_make_template >build/wine-template.log 2>&1 || { echo "Wine template prefix failed:"; tail build/wine-template.log; exit 1; }
sorn_ensure_display || { echo "no X display"; exit 1; }
trap sorn_stop_xvfb EXIT
ctest --preset win32 --timeout 600 --output-on-failure -R "$@"
