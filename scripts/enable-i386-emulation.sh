#!/usr/bin/env bash
# Has qemu-user run 32-bit x86 programs on a kernel that cannot run them
# itself (as in some virtual machines), so that Wine can run zirka.exe there.
#
#   scripts/enable-i386-emulation.sh [--dry-run]
#
#   --dry-run  say what would be changed, and change nothing.
#
# It changes the machine, for every user, and says what before each step;
# a step already done is skipped:
#
#   1. on Debian bookworm, adds the package source bookworm-backports
#      (/etc/apt/sources.list.d/bookworm-backports.sources), from the mirror
#      of the machine's own bookworm packages: Wine needs a qemu newer than
#      bookworm's 7.2 (it relies on MAP_FIXED_NOREPLACE);
#   2. installs qemu-user-static, from there on bookworm (the package has
#      systemd or binfmt-support register its emulators of other
#      processors' programs, but not the one for i386 on an x86-64 machine);
#   3. mounts binfmt_misc where it is not mounted, and registers
#      qemu-i386-static with it for i386 ELF programs: until the next
#      reboot, the kernel hands every 32-bit x86 program to qemu.
#
# scripts/test.sh calls it only where the kernel cannot run 32-bit programs.
# Where it can, this script changes nothing. Needs root, or sudo.
set -euo pipefail

dry_run=0
case ${1:-} in
  "") ;;
  --dry-run) dry_run=1 ;;
  *) echo "usage: scripts/enable-i386-emulation.sh [--dry-run]" >&2; exit 2 ;;
esac

say() { echo "i386-emulation: $*"; }
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
# Runs a command that changes the machine, or only names it in a dry run.
change() {
  if [ $dry_run = 1 ]; then
    say "would run: $*"
  else
    "${sudo_cmd[@]}" "$@"
  fi
}
# Writes standard input to a file that needs root, or only shows it in a dry run.
write_file() {
  if [ $dry_run = 1 ]; then
    say "would write $1:"
    { cat; echo; } | sed '/^$/d; s/^/    /'
  else
    "${sudo_cmd[@]}" tee "$1" >/dev/null
  fi
}

# The 32-bit dynamic loader, installed with wine32 (scripts/setup.sh).
loader=/lib/ld-linux.so.2
if [ ! -e $loader ]; then
  say "$loader is missing: scripts/setup.sh installs it (with wine32); run that first"
  [ $dry_run = 1 ] || exit 1
elif $loader --version >/dev/null 2>&1; then
  say "this kernel runs 32-bit programs itself: nothing to change"
  [ $dry_run = 1 ] || exit 0
  say "where it cannot, this would do the following"
fi

# 1 and 2: qemu-user-static, new enough for Wine.
qemu_major=$( (qemu-i386-static --version 2>/dev/null || true) | sed -n 's/.*version \([0-9]*\).*/\1/p')
if [ "${qemu_major:-0}" -ge 8 ]; then
  say "qemu-user-static $qemu_major is installed"
elif [ "$(. /etc/os-release && echo "${VERSION_CODENAME:-}")" = bookworm ]; then
  source_file=/etc/apt/sources.list.d/bookworm-backports.sources
  if grep -rqs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d/; then
    say "the package source bookworm-backports is there"
  else
    mirror=$(awk '/^URIs:/ {u = $2} /^Suites:/ && / bookworm( |$)/ {print u; exit}' \
      /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
    if [ -z "$mirror" ]; then
      mirror=$(awk '$1 == "deb" && $3 == "bookworm" {print $2; exit}' /etc/apt/sources.list 2>/dev/null || true)
    fi
    if [ -z "$mirror" ]; then
      say "no bookworm package source found to take backports from" >&2
      exit 1
    fi
    say "adding the package source bookworm-backports from $mirror, for qemu-user-static"
    printf '%s\n' "Types: deb" "URIs: $mirror" "Suites: bookworm-backports" "Components: main" \
      "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" | write_file $source_file
  fi
  say "installing qemu-user-static from bookworm-backports (bookworm's own 7.2 is too old for Wine)"
  change apt-get update
  change env DEBIAN_FRONTEND=noninteractive apt-get install -y -t bookworm-backports qemu-user-static
else
  say "installing qemu-user-static"
  change env DEBIAN_FRONTEND=noninteractive apt-get install -y qemu-user-static
fi

# 3: the kernel's handler for i386 programs.
binfmt=/proc/sys/fs/binfmt_misc
if [ -e $binfmt/register ]; then
  say "binfmt_misc is mounted"
else
  say "mounting binfmt_misc at $binfmt"
  change mount -t binfmt_misc binfmt_misc $binfmt
fi
if [ -e $binfmt/qemu-i386 ]; then
  say "qemu-i386 is already registered with binfmt_misc"
else
  say "registering qemu-i386-static with binfmt_misc for i386 programs, for every program until reboot"
  # ELF, 32-bit, little-endian, an executable or shared object for i386.
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf '%s' ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" | write_file $binfmt/register
fi

if [ $dry_run = 1 ]; then
  exit 0
fi
if ! $loader --version >/dev/null 2>&1; then
  say "32-bit programs still cannot run here" >&2
  exit 1
fi
say "32-bit programs run here now, under qemu"
