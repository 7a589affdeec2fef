#!/usr/bin/env bash
# make-mapdata.sh <geoplaces-program> <MAP-folder>
#
# Extracts the geography of the offline map once, each file in the text form GMT writes
# (segments after "> " lines, longitude and latitude in degrees):
#   coast.txt   the coastline of Japan and its seas, GSHHG at high resolution (GMT);
#   lakes.txt   the shores of lakes, GSHHG level 2 at full resolution (GMT);
#   rivers.txt  the rivers, GSHHG's WDBII rivers at full resolution (GMT);
#   borders.txt the borders between prefectures, the "japan" database of R's mapdata
#               package (lines between two prefectures only, not the shores);
#   municipalities.txt  every prefecture and municipality with its Japanese name and
#               position (geoplaces: detect-location-jp from npm, GeoNames where it lacks
#               one, checked against the postal dictionary's list of municipalities).
# A file that is already there is kept, so a cached extraction is reused; each is written
# under a temporary name and renamed when whole.
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 <geoplaces-program> <MAP-folder>" >&2; exit 2; }
places_tool=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
mkdir -p "$2"
out=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
# GMT leaves a gmt.history where it runs: it runs in a scratch folder.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

need() { command -v "$1" >/dev/null || { echo "make-mapdata: $1 is missing (scripts/deps.sh installs it)" >&2; exit 1; }; }

# extract <file> <command...>: runs the command into <file> unless it is there already.
extract() {
    local file=$1
    shift
    [ -s "$out/$file" ] && return 0
    (cd "$scratch" && "$@") >"$out/$file.tmp"
    [ -s "$out/$file.tmp" ] || { echo "make-mapdata: nothing written for $file" >&2; exit 1; }
    mv "$out/$file.tmp" "$out/$file"
}

region=-R122/154/20/46
need gmt
extract coast.txt gmt coast $region -Dh -W -M
extract lakes.txt gmt coast $region -Df -A0/2/2 -W -M
extract rivers.txt gmt coast $region -Df -Ia -M

need Rscript
extract borders.txt Rscript --vanilla -e '
    m <- maps::map("mapdata::japan", boundary = FALSE, interior = TRUE, plot = FALSE)
    out <- ifelse(is.na(m$x), ">", sprintf("%.5f\t%.5f", m$x, m$y))
    writeLines(c(">", out))'

if [ ! -s "$out/municipalities.txt" ]; then
    municipal=$root/.cache/detect-location-jp
    postal=$root/.cache/jquery-jpostal-ja
    "$root/scripts/fetch-municipalities.sh" "$municipal"
    "$root/scripts/fetch-postal.sh" "$postal"
    extract municipalities.txt "$places_tool" "$municipal" "$postal/json"
fi
