#!/usr/bin/env bash
# Installs everything the build and the tests need, from Debian packages only.
# Idempotent: when every package is present it installs nothing and exits quickly.
set -euo pipefail

PACKAGES=(
  cmake g++ make ninja-build ccache pkg-config
  clang libclang-rt-14-dev
  g++-mingw-w64-i686 mingw-w64-i686-dev binutils-mingw-w64-i686
  wine wine32:i386 wine64
  xvfb xauth x11-utils xdotool
  pulseaudio pulseaudio-utils
  sox imagemagick file python3
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  procps psmisc debootstrap
)

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

need_i386=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then need_i386=1; fi

missing=()
for p in "${PACKAGES[@]}"; do
  name=${p%%:*}; arch=${p#*:}
  [ "$arch" = "$p" ] && arch=""
  q="$name"; [ -n "$arch" ] && q="$name:$arch"
  status=$(dpkg-query -W -f='${Status}' "$q" 2>/dev/null || true)
  case "$status" in *"install ok installed"*) ;; *) missing+=("$p") ;; esac
done

if [ "$need_i386" = 1 ] || [ "${#missing[@]}" != 0 ]; then
  echo "setup: installing ${missing[*]:-(i386 architecture)}"
  if [ "$need_i386" = 1 ]; then $SUDO dpkg --add-architecture i386; fi
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The 32-bit Wine loader is a 32-bit Linux program. Where the kernel refuses those (some sandboxes
# run without 32-bit support), run them through qemu-i386 registered with binfmt_misc.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  if ! dpkg-query -W -f='${Status}' qemu-user-static 2>/dev/null | grep -q "install ok installed"; then
    echo "setup: 32-bit programs cannot run here; installing qemu-user-static"
    $SUDO apt-get update -q
    $SUDO apt-get install -y -q --no-install-recommends qemu-user-static
  fi
  if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    $SUDO mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  fi
  if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    echo "setup: registering qemu-i386 for 32-bit programs"
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      | $SUDO tee /proc/sys/fs/binfmt_misc/register >/dev/null
  fi
  /usr/lib/wine/wine --version >/dev/null || { echo "setup: 32-bit Wine still cannot run" >&2; exit 1; }
fi
