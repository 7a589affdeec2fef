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

# The programs, settings files, pictures and map of every installation: one layout, shared
# with the installed package's topmenu command. The map's geography is extracted once into
# the build tree; a fresh installation gets the postal dictionary as attach.SQL's last batch.
mapdata=$(cd "$bin/.." && pwd)/mapdata
"$root/scripts/make-mapdata.sh" "$bin/geoplaces" "$mapdata/MAP"
"$root/scripts/fetch-postal.sh"
postal=()
[ "$fresh" = 1 ] && postal=(--postal "$root/.cache/jquery-jpostal-ja/json")
rm -rf "$2"
"$root/scripts/layout-installation.sh" --programs "$bin" --files "$src" --art "$art" --mapdata "$mapdata" \
    "${postal[@]}" "$2"
demo=$(cd "$2" && pwd)
# The demo's utility folder records its last backup (the reminder at the exit reads it).
printf '2026/10/01\r\n' >"$demo/drive_c/KVX/utility/databackup.txt"

if [ "$fresh" = 1 ]; then
    echo "Fresh installation laid out in $demo"
    exit 0
fi

# The suite's text files: CP932 with CR LF. The sources are UTF-8 with LF.
suite_text() { iconv -f UTF-8 -t CP932 | LC_ALL=C sed 's/$/\r/'; }

# The demo's own notes replace the new installation's notice the launcher shows.
suite_text <"$src/demo/MiranePre450.txt" >"$demo/MiranePre450.txt"

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
