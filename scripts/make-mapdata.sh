#!/usr/bin/env bash
# make-mapdata.sh <geoplaces-program> <MAP-folder>
#
# Extracts the geography of the offline map once: the coastline of Japan and its seas from
# GSHHG at high resolution (GMT, package gmt-gshhg-high) into coast.txt, and the places of
# Japan with their Japanese names from GeoNames (libgeonames, through geoplaces) into
# places.txt. Files that are already there are kept, so a cached extraction is reused.
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 <geoplaces-program> <MAP-folder>" >&2; exit 2; }
places_tool=$1
out=$2
mkdir -p "$out"

if [ ! -s "$out/coast.txt" ]; then
    command -v gmt >/dev/null || { echo "make-mapdata: gmt is missing (scripts/deps.sh installs it)" >&2; exit 1; }
    gmt coast -R122/154/20/46 -Dh -W -M >"$out/coast.txt.tmp"
    [ -s "$out/coast.txt.tmp" ] || { echo "make-mapdata: gmt wrote no coastline" >&2; exit 1; }
    mv "$out/coast.txt.tmp" "$out/coast.txt"
fi

if [ ! -s "$out/places.txt" ]; then
    "$places_tool" >"$out/places.txt.tmp"
    mv "$out/places.txt.tmp" "$out/places.txt"
fi
