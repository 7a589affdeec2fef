#!/usr/bin/env bash
# make-demo.sh <build-bin-folder> <demo-folder> [--fresh]
#
# Lays out a demo installation of TopMenu in <demo-folder> (wiped and made anew): the
# programs and stand-ins, the settings files and templates in the suite's form (CP932, CR LF),
# pictures, the master-data distribution folder, the utility folder, and, unless --fresh,
# the demo bases and two databases with demo data. With --fresh there is no database list,
# no adodb.ini and no database: the first start rebuilds the database and runs the setup.
set -euo pipefail

usage() { echo "usage: $0 <build-bin-folder> <demo-folder> [--fresh]" >&2; exit 2; }
[ $# -ge 2 ] || usage
fresh=0
case "${3:-}" in
    --fresh) fresh=1 ;;
    "") ;;
    *) usage ;;
esac

root=$(cd "$(dirname "$0")/.." && pwd)
src=$root/installation
bin=$(cd "$1" && pwd)
art=$(cd "$bin/.." && pwd)/art
[ -x "$bin/osql" ] || { echo "make-demo: $bin/osql is missing; build first" >&2; exit 1; }
[ -f "$art/wallpaper.jpg" ] || { echo "make-demo: pictures missing in $art; build first" >&2; exit 1; }

rm -rf "$2"
mkdir -p "$2"
demo=$(cd "$2" && pwd)

# The suite's text files: CP932 with CR LF. The sources are UTF-8 with LF.
suite_text() { iconv -f UTF-8 -t CP932 | LC_ALL=C sed 's/$/\r/'; }
install_text() { mkdir -p "$(dirname "$2")"; suite_text <"$1" >"$2"; }

# Programs: the launcher and the stand-ins sit in the program folder; the utility program
# in its fixed folder C:\KVX\utility.
for p in TopMenu osql Main TrtTotalSchedule trtzenrin wfrfv10 wfrimg10 WrVb6Viewer; do
    if [ -x "$bin/$p" ]; then
        cp "$bin/$p" "$demo/"
    else
        echo "make-demo: note: $p is not built yet" >&2
    fi
done
mkdir -p "$demo/drive_c/KVX/utility" "$demo/drive_c/KVX/MASTER/DATA/DATA0000"
cp "$bin/TrtUtility45" "$demo/drive_c/KVX/utility/"
printf '2026/10/01\r\n' >"$demo/drive_c/KVX/utility/databackup.txt"

# Settings files of the program folder.
for f in Massage.ini Massage0000.ini QmapUser.ini Mirane.ver MiranePre450.txt Topmenu.ini SqlEngine.ini attach.SQL; do
    install_text "$src/$f" "$demo/$f"
done
mkdir -p "$demo/SYS" "$demo/TMP" "$demo/ICON"
install_text "$src/DATA/DATA0000/帳票Format.ini" "$demo/DATA/DATA0000/帳票Format.ini"
# The maker's support page the link of the launcher opens (Mirane.ver, [Maker] ADDRESS).
mkdir -p "$demo/support"
cp "$src/support/index.html" "$demo/support/"
cp "$art"/wallpaper.jpg "$art"/top.jpg "$art"/LOGO.JPG "$art"/KYOTEN*.png "$demo/ICON/"

# The report layouts (SYS), their format, and sample data: the receipt forms' samples in
# TMP\領収書イメージ, and a map sheet over the demo's top picture.
for f in "$src"/SYS/*.wfd; do install_text "$f" "$demo/SYS/$(basename "$f")"; done
for f in "$src"/TMP/領収書イメージ/*.csv; do install_text "$f" "$demo/TMP/領収書イメージ/$(basename "$f")"; done
[ -f "$bin/wfd-format.txt" ] && install_text "$bin/wfd-format.txt" "$demo/SYS/wfd-format.txt"
printf '"利用者ID","画像Path"\n1,"%s\\ICON\\top.jpg"\n' "$demo" | suite_text >"$demo/TMP/地図印刷.csv"

# The offline map: its geography (extracted once into the build tree), the image library's
# fallback picture, the marker icons, and the sign-in file the map reads when adodb.ini
# sets a monitoring time (authorisation ID, server setting A, server setting B).
mapdata=$(cd "$bin/.." && pwd)/mapdata
"$root/scripts/make-mapdata.sh" "$bin/geoplaces" "$mapdata/MAP"
[ -f "$mapdata/zenrinCGI/tokyostation.gif" ] || { echo "make-demo: map pictures missing in $mapdata; build first" >&2; exit 1; }
cp -r "$mapdata/MAP" "$mapdata/zenrinCGI" "$mapdata/icons" "$demo/"
cp "$mapdata/ICON/111.ico" "$demo/ICON/"
printf 'OFFLINE-demo-user\r\nhttp://offline-map.localhost\r\nJP\r\n' >"$demo/Miranechan"

# The master-data distribution folder: the templates new bases are made from.
install_text "$src/Massage0000.ini" "$demo/drive_c/KVX/MASTER/Massage0000.ini"
install_text "$src/DATA/DATA0000/帳票Format.ini" "$demo/drive_c/KVX/MASTER/DATA/DATA0000/帳票Format.ini"

if [ "$fresh" = 1 ]; then
    # The first start builds the database with attach.SQL: the postal dictionary comes
    # with it, as the script's last batch.
    "$root/scripts/fetch-postal.sh"
    "$bin/postalimport" -o "$demo/postal.SQL" -i "$root/.cache/jquery-jpostal-ja/json"
    cat "$demo/postal.SQL" >>"$demo/attach.SQL"
    rm -f "$demo/postal.SQL"
    echo "Fresh installation laid out in $demo"
    exit 0
fi

# The demo's own notes replace the new installation's notice the launcher shows.
install_text "$src/demo/MiranePre450.txt" "$demo/MiranePre450.txt"

# The demo bases (as in demo.SQL): their settings files and data folders.
while IFS=' ' read -r id name; do
    sed -e "s/^環境名=.*/環境名=$name/" -e "s/^SYSTEM_DATA=.*/SYSTEM_DATA=\\\\DATA\\\\Data$id/" "$src/Massage0000.ini" |
        suite_text >"$demo/Massage$id.ini"
    mkdir -p "$demo/DATA/Data$id"
    cp "$demo"/DATA/DATA0000/* "$demo/DATA/Data$id/"
    # The distribution folder keeps a copy of every base made through the maintenance window.
    cp "$demo/Massage$id.ini" "$demo/drive_c/KVX/MASTER/"
    cp -r "$demo/DATA/Data$id" "$demo/drive_c/KVX/MASTER/DATA/"
done <<'EOF'
1301 本店
1302 新宿店
1303 渋谷店
2701 梅田店
0101 札幌店
EOF

# Two databases on the embedded engine, built by osql as the installation builds them.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run_osql() { # <database> <script>...
    local db=$1
    shift
    for script in "$@"; do
        sed "s/MIRANE45/$db/g" "$src/$script" | suite_text >"$work/$script"
        if ! (cd "$demo" && ./osql -S 'DEMO\MIRANE' -U sa -P mtr4827 -i "$work/$script" -o "$work/osql.log"); then
            echo "make-demo: $script failed for $db:" >&2
            iconv -f CP932 -t UTF-8 "$work/osql.log" >&2 || true
            exit 1
        fi
    done
}
run_osql MIRANE45 attach.SQL demo.SQL
run_osql MIRANE45_TRAIN attach.SQL demo.SQL

# The full postal dictionary into each database, once, by the installation's import tool.
"$root/scripts/fetch-postal.sh"
cp "$bin/postalimport" "$demo/"
for db in MIRANE45 MIRANE45_TRAIN; do
    (cd "$demo" && ./postalimport -S 'DEMO\MIRANE' -d "$db" -i "$root/.cache/jquery-jpostal-ja/json") ||
        { echo "make-demo: the postal dictionary could not be loaded into $db" >&2; exit 1; }
done
rm -f "$demo/postalimport"

suite_text >"$demo/DB.ini" <<'EOF'
本番,DEMO\MIRANE,MIRANE45
研修,DEMO\MIRANE,MIRANE45_TRAIN
EOF
suite_text >"$demo/adodb.ini" <<'EOF'
[接続情報]
接続情報=Provider=SQLOLEDB;Data Source=DEMO\MIRANE;Database=MIRANE45;uid=sa;pwd=mtr4827
[資産管理情報]
資源配布=C:\KVX\MASTER
[監視時間msec]
Time = 300000
EOF

echo "Demo installation laid out in $demo"
