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
  python3-numpy python3-scipy libfftw3-dev libkissfft-dev
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

# The package lists this install needs: the main suite's, for both architectures.
lists_present() {
  ls /var/lib/apt/lists/*_dists_*_main_binary-amd64_Packages* >/dev/null 2>&1 &&
    ls /var/lib/apt/lists/*_dists_*_main_binary-i386_Packages* >/dev/null 2>&1
}

# A mirror in the middle of a sync serves an index of the wrong size now and then, and apt-get update
# then exits 100 although every other list was fetched. Try a few times; then go on with the lists
# that are there, provided the ones this install needs are among them.
lists_updated=0
update_lists() {
  [ "$lists_updated" = 1 ] && return 0
  lists_updated=1
  local try
  for try in 1 2 3; do
    if $SUDO apt-get update -q; then return 0; fi
    echo "setup: apt-get update failed (try $try of 3)" >&2
    [ "$try" -lt 3 ] && sleep $((try * 5))
  done
  if lists_present; then
    echo "setup: going on with the package lists that were fetched" >&2
    return 0
  fi
  echo "setup: no usable package lists for amd64 and i386; check the network and the sources in /etc/apt" >&2
  return 1
}

# Libraries already installed for amd64 at a version the i386 lists lack (typically security updates, when
# the security suite's i386 index could not be fetched) block their i386 twins, and the pin above cannot help:
# apt never downgrades on its own. Name the ones apt stumbled on (with the other libraries built from the same
# source, which go in lockstep) and say how to go on. Downgrading is the user's decision, since it takes back
# security fixes until the next upgrade, so this script never does it.
# Fills SKEW_ARGS with "package=version" for every installed amd64 library that apt named in the failed
# install (and its sister packages from the same source) whose version no fetched i386 list has: the
# version the i386 lists do have, which both architectures then share.
SKEW_ARGS=()
find_arch_skew() {  # apt-get's output of the failed install
  local log=$1 p v src want blocked=" "
  local rows
  SKEW_ARGS=()
  rows=$(dpkg-query -W -f='${Package} ${Version} ${source:Package} ${Multi-Arch} ${Architecture} ${Status}\n' 2>/dev/null |
    awk '$4 == "same" && $5 == "amd64" && / installed$/ {print $1, $2, $3}')
  while read -r p v src; do
    [ -n "$p" ] || continue
    if apt-cache madison "$p:i386" 2>/dev/null | awk -F'|' '{gsub(/ /, "", $2); print $2}' | grep -qxF "$v"; then
      continue
    fi
    if grep -qE "(^|[ (])${p//+/\\+}(:i386)?([ )]|$)" "$log"; then blocked+="$src "; fi
  done <<<"$rows"
  while read -r p v src; do
    [ -n "$p" ] && [[ "$blocked" == *" $src "* ]] || continue
    if apt-cache madison "$p:i386" 2>/dev/null | awk -F'|' '{gsub(/ /, "", $2); print $2}' | grep -qxF "$v"; then
      continue
    fi
    want=$(apt-cache policy "$p:i386" 2>/dev/null | awk '/Candidate:/ {print $2}')
    [ -n "$want" ] && [ "$want" != "(none)" ] || continue
    echo "setup:   $p $v -> $want" >&2
    SKEW_ARGS+=("$p=$want")
  done <<<"$rows"
}

# amd64 and i386 packages of one name must have the same version. When the security suite has an amd64
# update whose i386 twin is missing (its i386 index was not fetched, or the mirror has not got it yet),
# the plain install refuses. Then try once more with the security suites at priority 100: apt keeps what
# is installed and takes the versions of the main suite, which both architectures have.
install_packages() {
  local log
  log=$(mktemp)
  if $SUDO apt-get install -y -q --no-install-recommends "$@" 2>&1 | tee "$log"; [ "${PIPESTATUS[0]}" = 0 ]; then
    rm -f "$log"
    return 0
  fi
  if ! grep -qE "not installable|not going to be installed|unmet dependencies|held broken packages" "$log"; then
    rm -f "$log"
    echo "setup: apt-get install failed" >&2
    return 1
  fi
  rm -f "$log"
  local pref=/etc/apt/preferences.d/sorn-setup-security-skew
  echo "setup: the install failed on versions one architecture lacks; trying again with the security" \
    "suites at priority 100 (only for this install, through $pref)" >&2
  printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' | $SUDO tee "$pref" >/dev/null
  local rc=0
  log=$(mktemp)
  if $SUDO apt-get install -y -q --no-install-recommends "$@" 2>&1 | tee "$log"; then rc=0; else rc=$?; fi
  if [ "$rc" = 0 ]; then
    $SUDO rm -f "$pref" "$log"
    echo "setup: installed with the main suite's versions where the security suite's were not in both architectures" >&2
    return 0
  fi
  # Libraries already installed from the security suite keep their i386 twins out. Take them back to the
  # versions the i386 lists have, so both architectures share one version; the next upgrade brings the
  # security versions back once the mirror serves their i386 twins.
  echo "setup: amd64 libraries installed at versions no fetched i386 list has keep their i386 twins out:" >&2
  find_arch_skew "$log"
  rm -f "$log"
  if [ "${#SKEW_ARGS[@]}" != 0 ]; then
    echo "setup: installing again with those libraries at the versions both architectures have" \
      "(apt-get install --allow-downgrades ${SKEW_ARGS[*]}); they come back to their security versions" \
      "with the next upgrade once the mirror has the i386 twins" >&2
    rc=0
    $SUDO apt-get install -y -q --no-install-recommends --allow-downgrades "${SKEW_ARGS[@]}" "$@" || rc=$?
  fi
  $SUDO rm -f "$pref"
  if [ "$rc" != 0 ]; then
    echo "setup: the packages could not be installed: the plain install, the main suite's versions and the" \
      "versions both architectures have all failed (see apt-get's messages above). Run 'apt-get update'" \
      "until it succeeds and this script again." >&2
    return 1
  fi
  echo "setup: installed, with ${SKEW_ARGS[*]} taken back to the versions both architectures have" >&2
}

if [ "$need_i386" = 1 ] || [ "${#missing[@]}" != 0 ]; then
  echo "setup: installing ${missing[*]:-(i386 architecture)}"
  if [ "$need_i386" = 1 ]; then $SUDO dpkg --add-architecture i386; fi
  update_lists
  if [ "${#missing[@]}" != 0 ]; then install_packages "${missing[@]}"; fi
fi

# The 32-bit Wine loader is a 32-bit Linux program. Where the kernel refuses those (some sandboxes
# run without 32-bit support), run them through qemu-i386 registered with binfmt_misc.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  if ! dpkg-query -W -f='${Status}' qemu-user-static 2>/dev/null | grep -q "install ok installed"; then
    echo "setup: 32-bit programs cannot run here; installing qemu-user-static"
    update_lists
    install_packages qemu-user-static
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
