#!/usr/bin/env bash
# Installs what building, running and testing Velmora needs on Debian 12, skipping
# whatever is already there. Safe to run again; needs root (or sudo).
set -euo pipefail

packages=(
  cmake make file g++-mingw-w64-i686 googletest
  wine wine32:i386 wine64 fonts-wine
  g++-mingw-w64-x86-64-posix libcups2  # the 64-bit build, where 32-bit Wine cannot start
  xvfb xdotool x11-utils openbox imagemagick
  fonts-arphic-uming fonts-wqy-zenhei locales
  python3 python3-pil xclip zbar-tools
  cups printer-driver-cups-pdf libcups2:i386 poppler-utils qpdf
)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Where the kernel runs no 32-bit programs, the 32-bit build's tests run on an emulated
# machine (tools/guest/boot.sh) that boots Debian's own kernel.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  guest=()
  for p in qemu-system-x86 linux-image-amd64 busybox-static; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || guest+=("$p")
  done
  if [ ${#guest[@]} -gt 0 ]; then
    echo "setup: installing ${guest[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${guest[@]}" >/dev/null
  fi
fi

# Chinese window titles and message-box buttons need a real zh_CN locale, not the C fallback.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  as_root sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi
