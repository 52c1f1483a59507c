#!/usr/bin/env bash
# Installs the Debian packages that building and testing need. Idempotent:
# installs only what is missing. Needs root (or sudo) when something is.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  googletest libgtest-dev libbenchmark-dev
  tcl8.6-dev tk8.6-dev
  xvfb xauth
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine wine32:i386 wine64
  # Pictures and the window's view: OpenGL through EGL, Mesa's software
  # renderer (llvmpipe) where there is no GPU, PNG files through libpng.
  libegl-dev libopengl-dev libgl-dev libx11-dev
  libegl-mesa0 libgl1-mesa-dri
  libpng-dev
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

# wine32 is an i386 package.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
elif [ "${need_update:-0}" = 1 ]; then
  "${sudo_cmd[@]}" apt-get update -qq
fi
echo "setup: all packages present"

# Wine runs a 32-bit Windows program as a 32-bit Linux process. Some kernels
# (in some virtual machines) cannot run those at all; there qemu-user runs
# them, registered with binfmt_misc for i386 programs. Wine needs a qemu
# newer than bookworm's 7.2 (it relies on MAP_FIXED_NOREPLACE): on bookworm
# it comes from bookworm-backports.
if [ -e /lib/ld-linux.so.2 ] && ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  echo "setup: this kernel cannot run 32-bit programs; qemu-user will run them"
  qemu_major=$( (qemu-i386-static --version 2>/dev/null || true) | sed -n 's/.*version \([0-9]*\).*/\1/p')
  if [ "${qemu_major:-0}" -lt 8 ]; then
    if [ "$(. /etc/os-release && echo "${VERSION_CODENAME:-}")" = bookworm ]; then
      if ! grep -rqs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d/; then
        # Backports from the same mirror as the machine's own bookworm packages.
        mirror=$(awk '/^URIs:/ {u = $2} /^Suites:/ && / bookworm( |$)/ {print u; exit}' \
          /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
        if [ -z "$mirror" ]; then
          mirror=$(awk '$1 == "deb" && $3 == "bookworm" {print $2; exit}' /etc/apt/sources.list 2>/dev/null || true)
        fi
        if [ -z "$mirror" ]; then
          echo "setup: no bookworm package source found to take backports from" >&2
          exit 1
        fi
        printf '%s\n' "Types: deb" "URIs: $mirror" "Suites: bookworm-backports" \
          "Components: main" "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" |
          "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/bookworm-backports.sources >/dev/null
      fi
      "${sudo_cmd[@]}" apt-get update -qq
      DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq -t bookworm-backports \
        qemu-user-static >/dev/null
    else
      DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq qemu-user-static >/dev/null
    fi
  fi
  binfmt=/proc/sys/fs/binfmt_misc
  if [ ! -e $binfmt/register ]; then
    "${sudo_cmd[@]}" mount -t binfmt_misc binfmt_misc $binfmt
  fi
  if [ ! -e $binfmt/qemu-i386 ]; then
    # ELF, 32-bit, little-endian, an executable or shared object for i386.
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    printf '%s' ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" |
      "${sudo_cmd[@]}" tee $binfmt/register >/dev/null
  fi
  if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo "setup: 32-bit programs still cannot run here: the Windows tests will fail" >&2
  fi
fi
