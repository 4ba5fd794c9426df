# Sourced by the scripts that run Windows programs under Wine (wine-run, run.sh, test.sh).
# Sets up the environment once: 32-bit execution, quiet Wine, the template prefix, an X display.

SORN_ROOT=${SORN_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

# Some kernels (sandboxes among them) cannot execute 32-bit ELF programs, which the 32-bit Wine loader is.
# Then setup.sh registers qemu-i386 for them through binfmt_misc; the loader's address-space reservation
# is slow under qemu unless qemu's reserved range ends just above 2 GB, which a 32-bit Windows program
# without the large-address flag never uses anyway.
sorn_wine_32bit_via_qemu() {
  [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && grep -q enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null && return 0
  # Inside a chroot binfmt_misc is usually not mounted; the emulator's binary tells instead.
  [ ! -e /proc/sys/fs/binfmt_misc/register ] && [ -x /usr/bin/qemu-i386-static ]
}
# Set always: qemu may be registered where binfmt_misc is not visible (a chroot), and natively it changes nothing.
export QEMU_RESERVED_VA=${QEMU_RESERVED_VA:-0x81000000}

# The template prefix: made once per build tree, copied for every test so none share settings files.
SORN_WINE_TEMPLATE=${SORN_WINE_TEMPLATE:-$SORN_ROOT/build/wine/template}

sorn_wine_make_template() {
  local t=$SORN_WINE_TEMPLATE
  [ -f "$t/.complete" ] && return 0
  mkdir -p "$(dirname "$t")"
  (
    flock 9
    [ -f "$t/.complete" ] && exit 0
    rm -rf "$t"
    echo "wine: creating template prefix $t" >&2
    WINEPREFIX="$t" timeout 600 wine wineboot -i >"$t.log" 2>&1 || true
    WINEPREFIX="$t" timeout 120 wineserver -w || true
    if [ -f "$t/system.reg" ]; then touch "$t/.complete"; else echo "wine: template prefix failed, see $t.log" >&2; exit 1; fi
  ) 9>"$t.lock"
}

# A fresh prefix from the template. The big, never-written files (DLLs, fonts) are hard links; the registry
# and every .ini file are real copies, so a test's writes never reach the template.
sorn_wine_new_prefix() {
  local dest=$1
  mkdir -p "$dest"
  cp -al "$SORN_WINE_TEMPLATE/." "$dest/" 2>/dev/null || cp -a "$SORN_WINE_TEMPLATE/." "$dest/"
  local f
  while IFS= read -r -d '' f; do
    cp --remove-destination "$SORN_WINE_TEMPLATE/${f#$dest/}" "$f"
  done < <(find "$dest" -maxdepth 3 -type f \( -name '*.reg' -o -iname '*.ini' -o -name '.update-timestamp' \) -print0)
  rm -f "$dest/.complete"
}

# Starts Xvfb on a free display when there is none; the caller stops it with sorn_stop_xvfb (in a trap).
# With -displayfd the server takes the first free display number itself and reports it once it accepts
# connections, so runs started side by side (ctest -j) never settle on the same display.
SORN_XVFB_PID=""
sorn_ensure_display() {
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  local numfile log n="" i
  numfile=$(mktemp "${TMPDIR:-/tmp}/sorn-xvfb.XXXXXX") || return 1
  log=${SORN_XVFB_LOG:-$numfile.log}
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numfile" >"$log" 2>&1 &
  SORN_XVFB_PID=$!
  for i in $(seq 100); do
    n=$(head -n 1 "$numfile" 2>/dev/null)
    [ -n "$n" ] && break
    kill -0 "$SORN_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$numfile"
  if [ -n "$n" ] && kill -0 "$SORN_XVFB_PID" 2>/dev/null; then export DISPLAY=":$n"; return 0; fi
  sorn_stop_xvfb
  echo "wine: could not start Xvfb (see $log)" >&2
  return 1
}
sorn_stop_xvfb() {
  if [ -n "$SORN_XVFB_PID" ]; then kill "$SORN_XVFB_PID" 2>/dev/null || true; wait "$SORN_XVFB_PID" 2>/dev/null || true; fi
  SORN_XVFB_PID=""
}
