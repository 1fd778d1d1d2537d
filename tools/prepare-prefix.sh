#!/usr/bin/env bash
# Makes a Wine prefix ready for Velmora, once: "宋体" (SimSun) mapped to an installed
# Song-style font, the title-bar font Wine ships but does not install, and window frames
# drawn by Wine itself, as on Windows, rather than by the window manager.
set -euo pipefail
prefix="$1"
[ -f "$prefix/.velmora-ready" ] && exit 0

source "$(dirname "$0")/wine-env.sh"
export WINEPREFIX="$prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$prefix"
"$wine" wineboot -i >/dev/null 2>&1
# Let the prefix's first set-up finish entirely before our settings go in.
wineserver -w
reg_file="$prefix/velmora.reg"
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
  '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
  '"宋体"="AR PL UMing CN"' '"SimSun"="AR PL UMing CN"' '' \
  '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Decorated"="N"' | iconv -f UTF-8 -t UTF-16 > "$reg_file"
"$wine" regedit /S "$reg_file"
cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"
wineserver -w
touch "$prefix/.velmora-ready"
