#!/usr/bin/env bash
# The release is reproducible: the commit checked out is cloned into two folders of different
# names and released in each (tools/release.sh), one after the other, and the two zips must be
# the same bytes; the zip's own contents are then checked (tests/release/check_zip.py).
#
#     bash tests/release/reproducible.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
repo="$PWD"
work="$(mktemp -d /tmp/velmora-release-XXXXXX)"
trap 'rm -rf "$work"' EXIT

zips=()
for place in first "second place"; do
  started=$SECONDS
  git clone -q --no-hardlinks "$repo" "$work/$place/velmora"
  git -C "$work/$place/velmora" checkout -q --detach "$(git rev-parse HEAD)"
  bash "$work/$place/velmora/tools/release.sh" "$work/$place/dist" >"$work/$place.log" 2>&1 ||
    { cat "$work/$place.log" >&2; exit 1; }
  zips+=("$(ls "$work/$place/dist"/*.zip)")
  echo "release: built in $work/$place in $((SECONDS - started)) s: $(basename "${zips[-1]}")"
  sleep 1  # a later second, so a time stamp anywhere would show
done
if ! cmp "${zips[0]}" "${zips[1]}"; then
  echo "release: the two builds of one commit differ" >&2
  exit 1
fi
echo "release: both builds are the same bytes ($(sha256sum "${zips[0]}" | cut -c1-16)...)"
/usr/bin/python3 tests/release/check_zip.py "${zips[0]}" "$(git rev-parse --short=7 HEAD)" "$work"
