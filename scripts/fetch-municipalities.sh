#!/usr/bin/env bash
# fetch-municipalities.sh [<folder>]
#
# Fetches the positions of Japan's prefectures and municipalities (cities, Tokyo's 23 wards,
# towns and villages) with their Japanese names, from the npm package detect-location-jp
# (package licence WTFPL; the positions come from OpenStreetMap, © OpenStreetMap
# contributors, ODbL 1.0), at the pinned version below and checked against its published
# checksum. Its japan_states.json and japan_cities.json land in <folder> (default:
# .cache/detect-location-jp in the source tree). Nothing is fetched when the folder already
# holds this version; the folder is replaced whole or not at all.
set -euo pipefail

name=detect-location-jp
version=0.0.4
sha1=5759cce698268acf451c9c92e2bfa64afe48d59c

root=$(cd "$(dirname "$0")/.." && pwd)
dest=${1:-$root/.cache/$name}
stamp=$dest/.complete

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ]; then
    touch "$stamp"
    exit 0
fi
command -v npm >/dev/null 2>&1 || { echo "fetch-municipalities: npm is missing (scripts/deps.sh installs it)" >&2; exit 1; }

mkdir -p "$(dirname "$dest")"
work=$(mktemp -d "$(dirname "$dest")/.fetch-municipalities.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "Fetching the municipality positions ($name $version)"
(cd "$work" && npm pack --silent "$name@$version" >/dev/null) ||
    { echo "fetch-municipalities: npm could not fetch $name@$version" >&2; exit 1; }
tarball=$work/$name-$version.tgz
got=$(sha1sum "$tarball" | cut -d' ' -f1)
[ "$got" = "$sha1" ] || { echo "fetch-municipalities: checksum mismatch for $name-$version.tgz ($got)" >&2; exit 1; }
tar -xzf "$tarball" -C "$work" package/dist/data/japan_states.json package/dist/data/japan_cities.json \
    package/LICENSE package/package.json package/README.md
mkdir -p "$work/new"
mv "$work"/package/dist/data/japan_*.json "$work"/package/LICENSE "$work"/package/package.json \
    "$work"/package/README.md "$work/new/"
echo "$version" >"$work/new/.complete"
rm -rf "$dest"
mv "$work/new" "$dest"
echo "Municipality positions in $dest"
