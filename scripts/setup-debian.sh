#!/usr/bin/env bash
# Installs everything the build and the tests need on a fresh Debian machine,
# and lets the kernel run 32-bit programs through qemu so that Wine works.
# Safe to run again: every step checks first.
set -euo pipefail

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

native_pkgs=(cmake make g++ clang libclang-rt-14-dev googletest libgtest-dev
  libbenchmark-dev libstb-dev libsdl2-dev binutils llvm-14)
win_pkgs=(g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386 libasound2:i386 qemu-user xvfb
  x11-apps imagemagick unzip)

missing=()
for p in "${native_pkgs[@]}" "${win_pkgs[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Bookworm's qemu 7.2 runs Wine very slowly (minutes per start) and now and
# then hands Wine a fault without its trap number, which Wine's handler then
# meets forever; the qemu of bookworm-backports (10.x) starts Wine in seconds.
qemu_major=$(qemu-i386 --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\).*/\1/p')
if [ "${qemu_major:-0}" -lt 8 ] && grep -q '^VERSION_CODENAME=bookworm' /etc/os-release; then
  list=/etc/apt/sources.list.d/bookworm-backports.list
  added=""
  if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d; then
    echo "deb http://deb.debian.org/debian bookworm-backports main" | $SUDO tee "$list" >/dev/null
    added=yes
  fi
  # Without backports the old qemu still works, only slowly: not a reason to stop.
  if ! { $SUDO apt-get update -q &&
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends \
      -t bookworm-backports qemu-user; }; then
    echo "setup: no qemu from bookworm-backports; keeping $(qemu-i386 --version | head -1)"
    if [ -n "$added" ]; then $SUDO rm -f "$list"; fi
  fi
fi

# 32-bit ELF programs (Wine's loader) go to qemu's user-mode emulator.
if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
  if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    $SUDO mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  fi
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf ":qemu-i386:M::${magic}:${mask}:/usr/bin/qemu-i386:" | $SUDO tee /proc/sys/fs/binfmt_misc/register >/dev/null
fi
echo "setup: done"
