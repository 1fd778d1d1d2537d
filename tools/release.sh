#!/usr/bin/env bash
# Makes the release anyone can check: dist/velmora-<version>-win32.zip with velmora.exe (the
# 32-bit program), 使用说明.txt (the README's Chinese guide, for Notepad) and SHA256SUMS.
#
#     bash tools/release.sh [DIST_DIR]
#
# The version is what `git describe` says of the commit (cmake/version.cmake). The same
# commit gives the same bytes wherever and whenever it is built: the program carries no time
# stamp and no path of the build, and the zip's entries have a fixed order and the commit's
# date. tests/release/reproducible.sh builds it twice and compares.
set -euo pipefail
cd "$(dirname "$0")/.."
dist="$(realpath -m "${1:-dist}")"

bash tools/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
exe=build-release/velmora.exe
file "$exe" | grep -q 'PE32 executable (GUI) Intel 80386' ||
  { echo "release: $exe is not a 32-bit Windows GUI program" >&2; exit 1; }
version="$(sed -n 's/^#define VELMORA_VERSION_DESCRIBED "\(.*\)"$/\1/p' build-release/generated/version_described.h)"
mkdir -p "$dist"
zip="$dist/velmora-$version-win32.zip"
/usr/bin/python3 tools/pack_release.py "$zip" "$exe" "$version" "$(git log -1 --format=%ct HEAD)"
echo "release: $zip"
