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
. "$root/scripts/npm-data.sh"

unpack_into() {
    mv "$1"/package/dist/data/japan_states.json "$1"/package/dist/data/japan_cities.json "$1"/package/LICENSE \
        "$1"/package/package.json "$1"/package/README.md "$2/"
}

fetch_npm_data fetch-municipalities "$name" "$version" "$sha1" "${1:-$root/.cache/$name}" "the municipality positions"
