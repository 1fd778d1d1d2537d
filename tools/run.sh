#!/usr/bin/env bash
# Installs what is missing, builds Velmora and starts it under Wine on the current display.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
source tools/wine-env.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target velmora

if [ -z "${DISPLAY:-}" ]; then
  echo "run: no display: DISPLAY is not set, so there is nowhere to show the card." >&2
  echo "     Run this from a desktop session, or start a virtual one first, e.g.:" >&2
  echo "       Xvfb :1 -screen 0 1280x1024x24 & DISPLAY=:1 bash tools/run.sh" >&2
  exit 1
fi

export LANG=zh_CN.UTF-8 WINEDEBUG=-all
export WINEPREFIX="${VELMORA_WINEPREFIX:-$HOME/.local/share/velmora/$WINEARCH}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
bash tools/prepare-prefix.sh "$WINEPREFIX"
exec "$wine" "$build/velmora.exe"
