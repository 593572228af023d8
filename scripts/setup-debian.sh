#!/usr/bin/env bash
# Installs everything the build and the tests need on a fresh Debian machine,
# and lets the kernel run 32-bit programs through qemu so that Wine works.
# Safe to run again: every step checks first.
#
# Debian's mirrors are not always whole: an index can be mid-sync for an hour
# (apt-get update then exits 100 although every other list was fetched), and
# with one i386 index missing the resolver refuses the mixed amd64/i386
# install that the release's own versions satisfy. So a failing update is
# retried and then only warned about, and a refused install is tried again
# preferring the release's own versions.
#
# SETUP_ROOT (tests only) puts /etc and /proc under another folder.
set -euo pipefail

fs=${SETUP_ROOT:-}
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
say() { echo "setup: $*"; }
warn() { echo "setup: WARNING: $*" >&2; }
# Seconds to wait before each retry of a step that reached the network.
backoff=(2 5 15)
codename=$(sed -n 's/^VERSION_CODENAME=//p' "$fs/etc/os-release" 2>/dev/null || true)

# apt-get update, retried; a list that still fails is a warning: apt keeps
# what it had and every index that did arrive is used.
apt_update() {
  local try
  for try in 0 "${backoff[@]}"; do
    if [ "$try" -gt 0 ]; then
      say "apt-get update failed; trying again in ${try}s"
      sleep "$try"
    fi
    if $SUDO apt-get update -q; then
      say "package lists updated"
      return 0
    fi
  done
  warn "apt-get update still fails on some index after $((${#backoff[@]} + 1)) tries" \
    "(a mirror mid-sync?); going on with the lists that did arrive"
}

# apt_install [-t RELEASE] PACKAGE...: a plain install; when the resolver
# refuses it, the same install preferring the release's own versions. Both
# are retried after a pause, for a registry that is briefly down.
apt_install() {
  local try preferred=()
  if [ "$1" != "-t" ] && [ -n "$codename" ]; then preferred=(-t "$codename"); fi
  for try in 0 "${backoff[@]}"; do
    if [ "$try" -gt 0 ]; then
      say "install failed; trying again in ${try}s"
      sleep "$try"
    fi
    if DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "$@"; then
      say "installed: $*"
      return 0
    fi
    if [ "${#preferred[@]}" -gt 0 ]; then
      say "install refused; trying again preferring ${codename}'s own versions (${preferred[*]})"
      if DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends \
        "${preferred[@]}" "$@"; then
        say "installed with ${preferred[*]}: $*"
        return 0
      fi
    fi
  done
  return 1
}

native_pkgs=(cmake make g++ clang libclang-rt-14-dev googletest libgtest-dev
  libbenchmark-dev libstb-dev libsdl2-dev binutils llvm-14 clang-tools-14 lld-14)
win_pkgs=(g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386 libasound2:i386 qemu-user xvfb
  x11-apps imagemagick unzip)

missing=()
for p in "${native_pkgs[@]}" "${win_pkgs[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    say "added the i386 architecture (for wine32)"
  fi
  apt_update
  if ! apt_install "${missing[@]}"; then
    echo "setup: FAILED: could not install ${missing[*]}; see apt-get's messages above" >&2
    exit 1
  fi
else
  say "every package is installed already"
fi

# Bookworm's qemu 7.2 runs Wine very slowly (minutes per start) and now and
# then hands Wine a fault without its trap number, which Wine's handler then
# meets forever; the qemu of bookworm-backports (10.x) starts Wine in seconds.
# No qemu-i386 at all (a package removed but not purged) is no version.
qemu_major() { qemu-i386 --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\).*/\1/p' || true; }
major=$(qemu_major)
if [ "${major:-0}" -ge 8 ]; then
  say "qemu-i386 $major is new enough"
elif [ "$codename" = bookworm ]; then
  list=$fs/etc/apt/sources.list.d/bookworm-backports.list
  added=""
  if ! grep -rqs 'bookworm-backports' "$fs/etc/apt/sources.list" "$fs/etc/apt/sources.list.d"; then
    echo "deb http://deb.debian.org/debian bookworm-backports main" | $SUDO tee "$list" >/dev/null
    added=yes
    say "added bookworm-backports to the package sources"
  fi
  apt_update
  if apt_install -t bookworm-backports qemu-user; then
    say "qemu from bookworm-backports: $(qemu-i386 --version | head -1)"
  else
    if [ -n "$added" ]; then $SUDO rm -f "$list"; fi
    cat >&2 <<EOF
setup: ************************************************************************
setup: WARNING: no qemu-user from bookworm-backports; keeping
setup:   $(qemu-i386 --version 2>/dev/null | head -1)
setup: Every Wine start will take minutes instead of seconds under this qemu,
setup: and it now and then loses a fault's trap number, which leaves Wine
setup: spinning until the test's time limit. Run the setup again once
setup: bookworm-backports can be reached.
setup: ************************************************************************
EOF
  fi
else
  warn "qemu-i386 ${major:-(none)} is old and this is not bookworm: Wine will start slowly"
fi

# 32-bit ELF programs (Wine's loader) go to qemu's user-mode emulator.
binfmt=$fs/proc/sys/fs/binfmt_misc
if [ -e "$binfmt/qemu-i386" ]; then
  say "32-bit programs already go to qemu-i386"
else
  if [ ! -e "$binfmt/register" ]; then
    $SUDO mount -t binfmt_misc binfmt_misc "$binfmt"
  fi
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf ":qemu-i386:M::${magic}:${mask}:/usr/bin/qemu-i386:" | $SUDO tee "$binfmt/register" >/dev/null
  say "32-bit programs now go to qemu-i386"
fi
say "done"
