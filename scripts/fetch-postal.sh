#!/usr/bin/env bash
# fetch-postal.sh [<folder>]
#
# Fetches the postal dictionary of the installation, every Japanese postal code with its
# address and reading, from the npm package jquery-jpostal-ja (MIT licence), at the pinned
# version below and checked against its published checksum. Its json/NNN.json files land in
# <folder>/json (default: .cache/jquery-jpostal-ja in the source tree). Nothing is fetched
# when the folder already holds this version; the folder is replaced whole or not at all.
set -euo pipefail

version=2.14.73
sha1=2504e29448d017185904cda275e1b0bf5bd17d21

root=$(cd "$(dirname "$0")/.." && pwd)
dest=${1:-$root/.cache/jquery-jpostal-ja}
stamp=$dest/.complete

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ]; then
    touch "$stamp" # newer than this script: the build asks no more
    exit 0
fi
command -v npm >/dev/null 2>&1 || { echo "fetch-postal: npm is missing (scripts/deps.sh installs it)" >&2; exit 1; }

mkdir -p "$(dirname "$dest")"
work=$(mktemp -d "$(dirname "$dest")/.fetch-postal.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "Fetching the postal dictionary (jquery-jpostal-ja $version)"
if ! (cd "$work" && npm pack --silent "jquery-jpostal-ja@$version" >/dev/null); then
    echo "fetch-postal: npm could not fetch jquery-jpostal-ja@$version" >&2
    exit 1
fi
tarball=$work/jquery-jpostal-ja-$version.tgz
got=$(sha1sum "$tarball" | cut -d' ' -f1)
if [ "$got" != "$sha1" ]; then
    echo "fetch-postal: checksum mismatch for jquery-jpostal-ja-$version.tgz ($got)" >&2
    exit 1
fi
mkdir -p "$work/new"
tar -xzf "$tarball" -C "$work" package/json package/package.json package/README.md
mv "$work/package/json" "$work/new/json"
cp "$work/package/package.json" "$work/package/README.md" "$work/new/"
count=$(find "$work/new/json" -name '[0-9][0-9][0-9].json' | wc -l)
if [ "$count" -ne 1000 ]; then
    echo "fetch-postal: the package holds $count dictionary files instead of 1000 (000.json to 999.json)" >&2
    exit 1
fi
echo "$version" >"$work/new/.complete"
rm -rf "$dest"
mv "$work/new" "$dest"
echo "Postal dictionary in $dest ($count files)"
