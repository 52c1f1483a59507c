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
  wine wine32:i386
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
