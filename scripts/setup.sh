#!/usr/bin/env bash
# Installs, from Debian's packages, everything the builds and tests need,
# the 32-bit Wine that runs the i686 product included (the i386 architecture
# is added for it). Idempotent: when every package is present and the
# locale exists it only checks. As root it installs directly; as another user it asks sudo, and
# only when something is missing. Without either it changes nothing and
# says so in one line.
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64
  wine wine64 wine32:i386 xvfb xauth x11-apps fonts-ipafont locales
  libgtest-dev googletest imagemagick
  libxml2-utils unzip x11-utils
)

# wine32:i386 comes from the machine's own sources once dpkg knows i386.
need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
# The Wine runs need the Japanese locale so that the ANSI code page is 932.
need_locale=0
locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$' || need_locale=1

[ ${#missing[@]} -eq 0 ] && [ $need_locale -eq 0 ] && [ $need_i386 -eq 0 ] && exit 0

# Decided before anything is touched, so a refusal leaves nothing half-done.
if [ "$(id -u)" -eq 0 ]; then
  as_root() { "$@"; }
elif command -v sudo >/dev/null 2>&1; then
  as_root() { sudo "$@"; }
else
  needed="${missing[*]}"
  [ $need_i386 -eq 1 ] && needed="${needed:+$needed and }the i386 architecture"
  [ $need_locale -eq 1 ] && needed="${needed:+$needed and }the ja_JP.UTF-8 locale"
  echo "setup: $needed must be installed, which needs root: run this as root, or install sudo" >&2
  exit 1
fi

if [ $need_i386 -eq 1 ]; then
  echo "setup: adding the i386 architecture for the 32-bit Wine"
  as_root dpkg --add-architecture i386
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ $need_locale -eq 1 ]; then
  echo "setup: generating ja_JP.UTF-8"
  as_root sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi
