#!/usr/bin/env bash
# layout-installation.sh --programs <dir> --files <dir> --art <dir> --mapdata <dir>
#                        [--postal <json-dir>] <program-folder>
#
# Lays out a program folder of the suite from its parts: the programs and stand-ins, the
# settings files and templates in the suite's form (CP932, CR LF), the report layouts and
# their sample data, the pictures, the offline map, the map sign-in file, the master-data
# distribution folder and the utility folder. With --postal the postal dictionary becomes
# the last batch of attach.SQL, so that the first start's database rebuild brings it.
#
# The parts come from a build tree (scripts/make-demo.sh) or from the installed package (the
# topmenu command). The folder is built under a temporary name beside it and renamed into
# place when whole; a folder that exists must be empty, and is never overwritten.
set -euo pipefail

usage() {
    echo "usage: $0 --programs <dir> --files <dir> --art <dir> --mapdata <dir> [--postal <dir>] <program-folder>" >&2
    exit 2
}
programs="" files="" art="" mapdata="" postal="" target=""
while [ $# -gt 0 ]; do
    case "$1" in
        --programs | --files | --art | --mapdata | --postal)
            [ $# -ge 2 ] || usage
            declare "${1#--}=$2"
            shift 2
            ;;
        -*) usage ;;
        *)
            [ -z "$target" ] || usage
            target=$1
            shift
            ;;
    esac
done
[ -n "$programs" ] && [ -n "$files" ] && [ -n "$art" ] && [ -n "$mapdata" ] && [ -n "$target" ] || usage

fail() {
    echo "layout-installation: $*" >&2
    exit 1
}
[ -x "$programs/osql" ] || fail "$programs/osql is missing"
[ -f "$files/attach.SQL" ] || fail "$files/attach.SQL is missing"
[ -f "$art/wallpaper.jpg" ] || fail "the pictures are missing in $art"
[ -f "$mapdata/zenrinCGI/tokyostation.gif" ] && [ -d "$mapdata/MAP" ] || fail "the map data is missing in $mapdata"
if [ -n "$postal" ]; then
    [ -x "$programs/postalimport" ] || fail "$programs/postalimport is missing"
    [ -d "$postal" ] || fail "the postal dictionary is missing in $postal"
fi

# The final place, absolute: the sample print data names it.
parent=$(dirname "$target")
mkdir -p "$parent"
final=$(cd "$parent" && pwd)/$(basename "$target")
if [ -e "$final" ] || [ -L "$final" ]; then
    [ -d "$final" ] && [ -z "$(ls -A "$final")" ] || fail "$final already exists and is not an empty folder"
fi
work=$(dirname "$final")/.$(basename "$final").layout.$$
rm -rf "$work"
mkdir "$work"
trap 'rm -rf "$work"' EXIT

# The suite's text files: CP932 with CR LF. The sources are UTF-8 with LF.
suite_text() { iconv -f UTF-8 -t CP932 | LC_ALL=C sed 's/$/\r/'; }
install_text() { mkdir -p "$(dirname "$2")"; suite_text <"$1" >"$2"; }

# Programs: the launcher and the stand-ins sit in the program folder; the utility program
# in its fixed folder C:\KVX\utility.
for p in TopMenu osql Main TrtTotalSchedule trtzenrin wfrfv10 wfrimg10 WrVb6Viewer; do
    if [ -x "$programs/$p" ]; then
        cp -p "$programs/$p" "$work/"
    else
        echo "layout-installation: note: $p is missing in $programs" >&2
    fi
done
mkdir -p "$work/drive_c/KVX/utility" "$work/drive_c/KVX/MASTER/DATA/DATA0000"
cp -p "$programs/TrtUtility45" "$work/drive_c/KVX/utility/"

# Settings files of the program folder.
for f in Massage.ini Massage0000.ini QmapUser.ini Mirane.ver MiranePre450.txt Topmenu.ini SqlEngine.ini attach.SQL; do
    install_text "$files/$f" "$work/$f"
done
mkdir -p "$work/SYS" "$work/TMP" "$work/ICON"
install_text "$files/DATA/DATA0000/帳票Format.ini" "$work/DATA/DATA0000/帳票Format.ini"
# The maker's support page the link of the launcher opens (Mirane.ver, [Maker] ADDRESS).
mkdir -p "$work/support"
cp "$files/support/index.html" "$work/support/"
cp "$art"/wallpaper.jpg "$art"/top.jpg "$art"/LOGO.JPG "$art"/KYOTEN*.png "$work/ICON/"

# The report layouts (SYS), their format, and sample data: the receipt forms' samples in
# TMP\領収書イメージ, and a map sheet over the top picture.
for f in "$files"/SYS/*.wfd; do install_text "$f" "$work/SYS/$(basename "$f")"; done
for f in "$files"/TMP/領収書イメージ/*.csv; do install_text "$f" "$work/TMP/領収書イメージ/$(basename "$f")"; done
[ -f "$programs/wfd-format.txt" ] && install_text "$programs/wfd-format.txt" "$work/SYS/wfd-format.txt"
printf '"利用者ID","画像Path"\n1,"%s\\ICON\\top.jpg"\n' "$final" | suite_text >"$work/TMP/地図印刷.csv"

# The offline map: its geography, the image library's fallback picture, the marker icons,
# and the sign-in file the map reads when adodb.ini sets a monitoring time (authorisation ID,
# server setting A, server setting B).
cp -r "$mapdata/MAP" "$mapdata/zenrinCGI" "$mapdata/icons" "$work/"
cp "$mapdata/ICON/111.ico" "$work/ICON/"
printf 'OFFLINE-demo-user\r\nhttp://offline-map.localhost\r\nJP\r\n' >"$work/Miranechan"

# The master-data distribution folder: the templates new bases are made from.
install_text "$files/Massage0000.ini" "$work/drive_c/KVX/MASTER/Massage0000.ini"
install_text "$files/DATA/DATA0000/帳票Format.ini" "$work/drive_c/KVX/MASTER/DATA/DATA0000/帳票Format.ini"

if [ -n "$postal" ]; then
    # The first start builds the database with attach.SQL: the postal dictionary comes
    # with it, as the script's last batch.
    "$programs/postalimport" -o "$work/.postal.SQL" -i "$postal"
    cat "$work/.postal.SQL" >>"$work/attach.SQL"
    rm -f "$work/.postal.SQL"
fi

# Whole: into place.
[ -d "$final" ] && rmdir "$final"
mv -T "$work" "$final"
trap - EXIT
