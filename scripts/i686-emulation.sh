#!/usr/bin/env bash
# The emulated i686 route, for machines whose processor runs no 32-bit code
# ("Exec format error"): Debian trixie's 32-bit Wine 10 run by trixie's
# qemu-i386, from a trixie root kept outside every clone, so that the first
# run on a machine pays for it and every clone afterwards reuses it.
#
#   bash scripts/i686-emulation.sh setup    makes the root when missing (root or sudo)
#   bash scripts/i686-emulation.sh check    exit 0 when the root is ready
#   bash scripts/i686-emulation.sh remove   removes it (root or sudo)
#
# Nothing is mounted by these scripts and nothing is chrooted into at run
# time: qemu-i386 -L <root> finds the 32-bit loader, libraries, fonts and
# locale in the root, and the root's x86_64 wineserver runs natively through
# the root's own dynamic loader. Only debootstrap, while it makes the base
# system, mounts /proc and /sys inside the root it is making (and takes them
# down itself); the script checks the mount table afterwards and before it
# removes anything. qemu comes from its package, unpacked into the root:
# nothing is registered with binfmt_misc, so whether the machine itself runs
# 32-bit programs keeps its honest answer.
#
# Exit 0: ready. Exit 3: cannot be set up here; the last line says why.
set -u
EMU_DIR=${PELLOWRICK_EMULATION_DIR:-/var/cache/pellowrick/i686-emulation}
ROOTFS=$EMU_DIR/trixie
SUITE=trixie
# What the root holds; a root made by another revision of this list is made again.
ROOT_PACKAGES="wine32:i386 fonts-ipafont locales"
SHIM_SRC=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/i686-trapno-shim.c
NEED_MB=2600   # the root (about 1.3 GB) and what debootstrap and apt keep on the way

say() { echo "i686-emulation: $*"; }
cannot() { say "cannot set up the emulation: $*"; exit 3; }

stamp() {  # what a ready root was made from
  echo "suite $SUITE; packages $ROOT_PACKAGES; shim $(sha256sum "$SHIM_SRC" | cut -c1-16); layout 2"
}
ready() { [ -f "$ROOTFS/.pellowrick-ready" ] && [ "$(cat "$ROOTFS/.pellowrick-ready")" = "$(stamp)" ]; }

# Mount points at or below a folder, deepest first.
mounts_below() {
  local dir
  dir=$(realpath -m "$1")
  awk '{print $5}' /proc/self/mountinfo | sed 's/\\040/ /g' |
    awk -v d="$dir" '$0 == d || index($0, d "/") == 1' | sort -r
}

unmount_below() {
  local m
  for m in $(mounts_below "$1"); do umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null; done
  [ -z "$(mounts_below "$1")" ]
}

# Removes a folder only when nothing is mounted at or below it, after
# trying to unmount what is.
remove_tree() {
  local dir=$1
  [ -e "$dir" ] || return 0
  unmount_below "$dir"
  if [ -n "$(mounts_below "$dir")" ]; then
    say "not removing $dir: still mounted there: $(mounts_below "$dir" | tr '\n' ' ')" >&2
    return 1
  fi
  rm -rf --one-file-system "$dir"
}

# The Debian archive the machine's apt sources name for its own release:
# deb822 .sources files first, then the one-line lists.
debian_archive() {
  local codename f
  codename=$(. /etc/os-release 2>/dev/null; echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || return 1
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk -v want="$codename" '
      BEGIN { RS = ""; FS = "\n" }
      { types = ""; uris = ""; suites = ""; enabled = "yes"
        for (i = 1; i <= NF; i++) {
          line = $i
          if (line ~ /^[ \t]*#/) continue
          split(line, kv, ":"); key = tolower(kv[1]); sub(/^[^:]*:[ \t]*/, "", line)
          if (key == "types") types = line
          else if (key == "uris") uris = line
          else if (key == "suites") suites = line
          else if (key == "enabled") enabled = tolower(line)
        }
        if (enabled == "no" || (" " types " ") !~ / deb /) next
        n = split(suites, s, /[ \t]+/)
        for (j = 1; j <= n; j++) if (s[j] == want) { split(uris, u, /[ \t]+/); print u[1]; exit }
      }' "$f"
  done | head -n1 | grep . && return 0
  cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
    sed -E 's/\[[^]]*\]//' |
    awk -v want="$codename" '$1 == "deb" && $3 == want { print $2; exit }' | grep .
}

free_mb() {
  local dir=$1
  while [ ! -d "$dir" ]; do dir=$(dirname "$dir"); done
  df -Pm "$dir" | awk 'NR == 2 { print $4 }'
}

make_root() {
  local archive partial=$EMU_DIR/trixie.partial t0=$SECONDS
  archive=$(debian_archive) || cannot "no Debian archive for this release in the apt sources"
  command -v debootstrap >/dev/null || {
    say "installing debootstrap"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null ||
      cannot "debootstrap could not be installed"
  }
  remove_tree "$partial" || cannot "an earlier attempt left mounts in $partial"
  trap 'remove_tree "'"$partial"'" >/dev/null 2>&1' EXIT
  trap 'exit 130' INT TERM
  say "making a Debian $SUITE root in $ROOTFS from $archive (about 3 minutes, 2 GB)"
  debootstrap --variant=minbase "$SUITE" "$partial" "$archive" >"$EMU_DIR/debootstrap.log" 2>&1 || {
    tail -n 5 "$EMU_DIR/debootstrap.log"; cannot "debootstrap failed (log: $EMU_DIR/debootstrap.log)"; }
  unmount_below "$partial" || cannot "debootstrap left mounts in $partial: $(mounts_below "$partial" | tr '\n' ' ')"
  say "base system in $((SECONDS - t0)) s; adding Wine 10, the fonts and the locale"
  in_root() { chroot "$partial" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive LANG=C "$@"; }
  echo "deb $archive $SUITE main" >"$partial/etc/apt/sources.list"
  in_root dpkg --add-architecture i386 &&
    in_root apt-get update -qq &&
    in_root apt-get install -y -qq --no-install-recommends $ROOT_PACKAGES >"$EMU_DIR/apt.log" 2>&1 || {
      tail -n 5 "$EMU_DIR/apt.log"; cannot "the packages did not install (log: $EMU_DIR/apt.log)"; }
  # qemu and the x86_64 wineserver: unpacked from their packages, never
  # installed (installing qemu would register it with binfmt_misc).
  rm -rf "$partial/var/tmp/debs" && mkdir -p "$partial/var/tmp/debs"
  (in_root sh -c 'cd /var/tmp/debs && apt-get download -qq qemu-user wine64') >>"$EMU_DIR/apt.log" 2>&1 ||
    cannot "qemu-user or wine64 could not be downloaded (log: $EMU_DIR/apt.log)"
  mkdir -p "$partial/opt/pellowrick" "$partial/var/tmp/unpacked"
  for deb in "$partial"/var/tmp/debs/*.deb; do
    dpkg-deb -x "$deb" "$partial/var/tmp/unpacked" || cannot "could not unpack $deb"
  done
  cp "$partial/var/tmp/unpacked/usr/bin/qemu-i386" "$partial/opt/pellowrick/qemu-i386" ||
    cannot "no qemu-i386 in the qemu-user package"
  cp "$partial/var/tmp/unpacked/usr/lib/wine/wineserver64" "$partial/opt/pellowrick/wineserver64" ||
    cannot "no wineserver64 in the wine64 package"
  rm -rf "$partial/var/tmp/debs" "$partial/var/tmp/unpacked" "$partial"/var/lib/apt/lists/*_Packages
  in_root apt-get clean
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' "$partial/etc/locale.gen"
  grep -q '^ja_JP.UTF-8 UTF-8' "$partial/etc/locale.gen" || echo 'ja_JP.UTF-8 UTF-8' >>"$partial/etc/locale.gen"
  in_root locale-gen >>"$EMU_DIR/apt.log" 2>&1 || cannot "the Japanese locale was not generated"
  mv "$partial" "$ROOTFS" || cannot "could not move the root into place"
  trap - EXIT
  say "root made in $((SECONDS - t0)) s"
}

# The pieces that name the root's final place. The 32-bit loader stays
# where it is: Wine finds its libraries from the loader's own path, and
# starts every new process by executing the preloader beside it with the
# loader's path as first argument, so a preloader that runs the loader
# under qemu-i386 sends every process Wine starts through the emulator too
# (Debian's packages have no preloader of their own). WINELOADERNOEXEC
# keeps the loader from re-executing itself through that preloader at start.
# The guest's dynamic loader reads the root's /etc/ld.so.preload, so every
# emulated process has the shim, and no native one sees it.
make_wrappers() {
  local pw=$ROOTFS/opt/pellowrick wine=$ROOTFS/usr/lib/wine
  gcc -m32 -O2 -ffreestanding -nostdlib -shared -fPIC -Wall -o "$pw/trapno-shim.so" "$SHIM_SRC" ||
    cannot "the trap-number shim did not build (gcc -m32)"
  echo "$pw/trapno-shim.so" >"$ROOTFS/etc/ld.so.preload"
  cat >"$pw/wine" <<EOF
#!/bin/sh
# trixie's 32-bit Wine under qemu-i386 (written by scripts/i686-emulation.sh)
exec "$pw/qemu-i386" -L "$ROOTFS" -E WINELOADERNOEXEC=1 "$wine/wine" "\$@"
EOF
  cat >"$wine/wine-preloader" <<EOF
#!/bin/sh
# Wine starts a new process as: wine-preloader <loader> <arguments>
loader=\$1
shift
exec "$pw/qemu-i386" -L "$ROOTFS" -E WINELOADERNOEXEC=1 "\$loader" "\$@"
EOF
  cat >"$pw/wineserver" <<EOF
#!/bin/sh
# trixie's x86_64 wineserver, native, through the root's own dynamic loader
exec "$ROOTFS/lib64/ld-linux-x86-64.so.2" --library-path "$ROOTFS/lib/x86_64-linux-gnu:$ROOTFS/usr/lib/x86_64-linux-gnu" \\
  "$pw/wineserver64" "\$@"
EOF
  chmod 755 "$pw/wine" "$pw/wineserver" "$wine/wine-preloader"
  # Wine starts the server beside its loader.
  ln -sfn "$pw/wineserver" "$wine/wineserver"
}

as_root_again() {  # runs this script's set-up as root
  if [ "$(id -u)" -eq 0 ]; then return 1; fi
  command -v sudo >/dev/null 2>&1 || cannot "it needs root once (debootstrap), and sudo is not installed"
  say "the first set-up needs root once: asking sudo"
  exec sudo env PELLOWRICK_EMULATION_DIR="$EMU_DIR" bash "${BASH_SOURCE[0]}" setup
}

setup() {
  local free
  ready && return 0
  as_root_again
  mkdir -p "$EMU_DIR" || cannot "cannot make $EMU_DIR"
  exec 9>"$EMU_DIR/.lock"
  flock 9
  ready && return 0
  if [ ! -f "$ROOTFS/.pellowrick-root" ]; then
    free=$(free_mb "$EMU_DIR")
    [ "${free:-0}" -ge "$NEED_MB" ] ||
      cannot "too little disk space: ${free:-?} MB free in $EMU_DIR, $NEED_MB MB needed"
    remove_tree "$ROOTFS" || cannot "an old root in $ROOTFS could not be removed"
    make_root
    echo "$ROOT_PACKAGES" >"$ROOTFS/.pellowrick-root"
  elif [ "$(cat "$ROOTFS/.pellowrick-root")" != "$ROOT_PACKAGES" ]; then
    say "the root was made with other packages; making it again"
    remove_tree "$ROOTFS" || cannot "the old root in $ROOTFS could not be removed"
    exec 9>&-
    setup; return
  fi
  make_wrappers
  stamp >"$ROOTFS/.pellowrick-ready"
  say "ready: $(du -sm "$ROOTFS" | cut -f1) MB in $ROOTFS"
}

case ${1:-} in
  setup) setup ;;
  check) ready ;;
  remove)
    if [ "$(id -u)" -ne 0 ]; then exec sudo bash "${BASH_SOURCE[0]}" remove; fi
    remove_tree "$EMU_DIR" && say "removed $EMU_DIR" ;;
  *) echo "usage: bash scripts/i686-emulation.sh setup|check|remove" >&2; exit 2 ;;
esac
