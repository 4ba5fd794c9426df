#!/usr/bin/env bash
# Builds every configuration and runs every test: native (ASan/UBSan), the concurrency tests under
# ThreadSanitizer, a smoke run of the benchmarks, and the Windows build under Wine (unit tests of the
# Windows code and end-to-end runs of sorn96.exe). Exits non-zero when anything fails.
#   ./test.sh [ctest -R regex]     SORN_TEST_SCALE=10 ./test.sh for the full randomized counts
set -uo pipefail
cd "$(dirname "$0")"
ROOT=$(pwd)

./tools/setup.sh || exit 1
source tools/wine-env.sh
export SORN_TEST_SCALE=${SORN_TEST_SCALE:-1}
# Compiler cache entries keyed by paths inside the checkout, so another clone of the project hits them too.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$ROOT} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
filter=()
[ $# -ge 1 ] && filter=(-R "$1")

mkdir -p build/tmp
export SORN_XVFB_LOG=$ROOT/build/xvfb.log
# Temporary files of this run, the fresh Wine prefix of every Windows test among them (tools/wine-run), go
# under the build tree: the end of the run finds them there, and hard links from the template prefix work.
export TMPDIR=$ROOT/build/tmp
template_pid=""
# Stops the Wine servers of the prefixes this run made (the template, the e2e tests' and the Windows tests'
# prefixes, all under build/), and no other: the machine's other Wine users keep theirs.
stop_run_wineservers() {
  local reg
  while IFS= read -r -d '' reg; do
    WINEPREFIX=${reg%/system.reg} wineserver -k >/dev/null 2>&1 || true
  done < <(find "$ROOT/build" -name drive_c -prune -o -name system.reg -print0 2>/dev/null)
}
cleanup() {
  [ -n "$template_pid" ] && kill "$template_pid" 2>/dev/null
  sorn_stop_xvfb
  stop_run_wineservers
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The Wine template prefix takes a while; make it while the native builds run.
sorn_wine_make_template >build/wine-template.log 2>&1 &
template_pid=$!

failed=()
summary=()
run_config() {  # preset, build targets...
  local preset=$1; shift
  echo "=== $preset: configure and build"
  if ! cmake --preset "$preset" >"build/$preset-configure.log" 2>&1; then
    cat "build/$preset-configure.log"; failed+=("$preset (configure)"); return
  fi
  if ! cmake --build --preset "$preset" -j2 "$@" >"build/$preset-build.log" 2>&1; then
    # A build stopped from outside (a signal, "interrupted by user") has no error line: show its end then.
    grep -E -B2 -A12 "FAILED:|error:" "build/$preset-build.log" | head -n 120 || tail -n 5 "build/$preset-build.log"
    failed+=("$preset (build)"); return
  fi
  echo "=== $preset: tests"
  local out=build/$preset-ctest.log
  local extra=()
  # Where 32-bit Windows programs run through qemu, the emulator now and then dies under several threads;
  # a Windows test that fails is run once more (natively nothing is repeated).
  [ "$preset" = win32 ] && extra=(--repeat until-pass:2)
  ctest --preset "$preset" -j2 --timeout 600 "${extra[@]}" "${filter[@]}" 2>&1 | tee "$out" | grep -E "^ *[0-9]+/[0-9]+ Test|tests passed|Total Test" || true
  if grep -q "No tests were found" "$out"; then
    summary+=("$preset: no tests")
  else
    summary+=("$preset: $(grep -E 'tests passed' "$out" | tail -n 1)")
    grep -q "100% tests passed" "$out" || { failed+=("$preset (tests)"); sed -n '/The following tests FAILED/,$p' "$out"; }
  fi
}

t0=$(date +%s)
run_config native
run_config native-tsan
run_config native-release
if ! wait "$template_pid"; then echo "Wine template prefix failed:"; cat build/wine-template.log; fi
template_pid=""
sorn_ensure_display || failed+=("Xvfb")
run_config win32
if [ -x build/win32/bin/sorn96.exe ]; then file build/win32/bin/sorn96.exe; fi

echo "=== summary ($(( $(date +%s) - t0 )) s)"
for s in "${summary[@]}"; do echo "  $s"; done
if [ ${#failed[@]} -ne 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "all configurations passed"
