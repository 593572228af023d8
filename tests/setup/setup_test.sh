#!/usr/bin/env bash
# setup_test.sh: the decisions of scripts/setup-debian.sh against a stub
# apt-get and dpkg that fail the way Debian's mirrors were seen to fail:
# `apt-get update` exits 100 while one index is mid-sync, a plain install of
# the mixed amd64/i386 set is refused by the resolver, and the same install
# with `-t bookworm` is accepted. No network, no root, a few seconds.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
setup=$here/../../scripts/setup-debian.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The stubs: each call is logged; what they do is read from STUB_* variables.
bin=$work/bin
mkdir -p "$bin"
cat >"$bin/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STATE/log"
case "$1" in
update)
  n=$(cat "$STATE/updates" 2>/dev/null || echo 0)
  echo $((n + 1)) >"$STATE/updates"
  [ "$n" -ge "$STUB_UPDATE_FAILS" ] && exit 0
  echo "E: Failed to fetch .../Packages.xz  File has unexpected size. Mirror sync in progress?" >&2
  exit 100 ;;
install)
  release=""
  while [ $# -gt 0 ]; do
    case "$1" in -t) release=$2; shift ;; -*|install) ;; *) pkgs+=("$1") ;; esac
    shift
  done
  case "$release" in
  "") ok=$STUB_PLAIN ;; bookworm) ok=$STUB_RELEASE ;; bookworm-backports) ok=$STUB_BACKPORTS ;; *) ok=no ;;
  esac
  if [ "$ok" != yes ]; then echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100; fi
  printf '%s\n' "${pkgs[@]}" >>"$STATE/installed"
  if [ "$release" = bookworm-backports ]; then echo 10 >"$STATE/qemu"; fi ;;
esac
STUB
cat >"$bin/dpkg" <<'STUB'
#!/usr/bin/env bash
case "$1" in
-s) grep -qx "$2" "$STATE/installed" 2>/dev/null ;;
--print-foreign-architectures) cat "$STATE/arches" 2>/dev/null ;;
--add-architecture) echo "dpkg $*" >>"$STATE/log"; echo "$2" >>"$STATE/arches" ;;
esac
STUB
cat >"$bin/qemu-i386" <<'STUB'
#!/usr/bin/env bash
[ "$(cat "$STATE/qemu")" != none ] || exit 127
echo "qemu-i386 version $(cat "$STATE/qemu").0.2 (stub)"
STUB
printf '#!/bin/sh\necho "sleep $*" >>"$STATE/log"\n' >"$bin/sleep"
printf '#!/bin/sh\necho "mount $*" >>"$STATE/log"\n' >"$bin/mount"
printf '#!/bin/sh\nexec "$@"\n' >"$bin/sudo"
chmod +x "$bin"/*

all_pkgs=$(sed -n '/^native_pkgs=(/,/)$/p;/^win_pkgs=(/,/)$/p' "$setup" | tr -d '()' | sed 's/^[a-z_]*=//' | tr ' ' '\n' | grep .)

failures=0
# scenario NAME UPDATE_FAILS PLAIN RELEASE BACKPORTS INSTALLED QEMU RC MUST MUST_NOT
#   UPDATE_FAILS: how many `apt-get update` calls fail before one succeeds;
#   PLAIN/RELEASE/BACKPORTS: whether a plain, `-t bookworm` or
#   `-t bookworm-backports` install is accepted; INSTALLED: all or none;
#   QEMU: the installed qemu's major version (none: no qemu-i386); RC: the expected exit status;
#   MUST/MUST_NOT: patterns (separated by |) that the output and the stub's
#   log must hold or must not hold; then the release (bookworm if not given).
scenario() {
  local name=$1
  export STATE=$work/$name STUB_UPDATE_FAILS=$2 STUB_PLAIN=$3 STUB_RELEASE=$4 STUB_BACKPORTS=$5
  mkdir -p "$STATE/etc/apt/sources.list.d" "$STATE/proc/sys/fs/binfmt_misc"
  touch "$STATE/proc/sys/fs/binfmt_misc/register" "$STATE/log"
  printf 'ID=debian\nVERSION_CODENAME=%s\n' "${11:-bookworm}" >"$STATE/etc/os-release"
  if [ "$6" = all ]; then echo "$all_pkgs" >"$STATE/installed"; echo i386 >"$STATE/arches"; fi
  echo "$7" >"$STATE/qemu"
  local out rc
  out=$(PATH=$bin:$PATH SETUP_ROOT=$STATE "$setup" 2>&1)
  rc=$?
  out+=$'\n'$(cat "$STATE/log")
  local bad=""
  [ "$rc" -eq "$8" ] || bad+=" exit $rc, not $8;"
  local IFS='|' p
  for p in $9; do grep -qE -- "$p" <<<"$out" || bad+=" no '$p';"; done
  for p in ${10}; do grep -qE -- "$p" <<<"$out" && bad+=" unwanted '$p';"; done
  if [ -n "$bad" ]; then
    echo "FAIL $name:$bad"
    sed 's/^/    /' <<<"$out"
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

#        name                update plain release backports installed qemu rc
scenario mirror_mid_sync     99     no    yes     yes       none      7    0 \
  'dpkg --add-architecture i386|install -y -q --no-install-recommends -t bookworm .*wine32:i386|WARNING: apt-get update still fails|-t bookworm-backports qemu-user|version 10|now go to qemu-i386|setup: done' \
  'FAILED|no qemu-user from bookworm-backports'
scenario update_recovers     2      yes   yes     yes       none      7    0 \
  'sleep 2|sleep 5|package lists updated|installed: cmake' \
  'WARNING|sleep 15|-t bookworm .*cmake'
scenario no_backports        99     no    yes     no        none      7    0 \
  'WARNING: no qemu-user from bookworm-backports|minutes instead of seconds|setup: done' \
  'FAILED'
scenario nothing_installs    0      no    no      yes       none      7    1 \
  'FAILED: could not install.*wine32:i386|sleep 15' \
  'setup: done'
scenario all_there           99     no    no      no        all       10   0 \
  'every package is installed already|qemu-i386 10 is new enough|setup: done' \
  'apt-get|dpkg --add|WARNING'
scenario old_qemu_trixie    0      no    no      yes       all       7    0 \
  'WARNING: qemu-i386 7 is old and this is not bookworm|setup: done' 'backports|FAILED' trixie
scenario qemu_gone           0      no    no      yes       all       none 0 \
  'every package is installed already|-t bookworm-backports qemu-user|version 10|setup: done' \
  'FAILED'

[ -e "$work/no_backports/etc/apt/sources.list.d/bookworm-backports.list" ] &&
  { echo "FAIL no_backports: the backports source was left behind"; failures=$((failures + 1)); }
[ -s "$work/mirror_mid_sync/etc/apt/sources.list.d/bookworm-backports.list" ] ||
  { echo "FAIL mirror_mid_sync: no backports source"; failures=$((failures + 1)); }
grep -q ':qemu-i386:M::' "$work/mirror_mid_sync/proc/sys/fs/binfmt_misc/register" ||
  { echo "FAIL mirror_mid_sync: qemu-i386 not registered"; failures=$((failures + 1)); }
exit $((failures > 0))
