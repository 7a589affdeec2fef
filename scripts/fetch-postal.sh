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
. "$root/scripts/npm-data.sh"

unpack_into() {
    mv "$1/package/json" "$2/json"
    cp "$1/package/package.json" "$1/package/README.md" "$2/"
    local count
    count=$(find "$2/json" -name '[0-9][0-9][0-9].json' | wc -l)
    if [ "$count" -ne 1000 ]; then
        echo "fetch-postal: the package holds $count dictionary files instead of 1000 (000.json to 999.json)" >&2
        return 1
    fi
}

fetch_npm_data fetch-postal jquery-jpostal-ja "$version" "$sha1" "${1:-$root/.cache/jquery-jpostal-ja}" \
    "the postal dictionary"
