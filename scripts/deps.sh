#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config ccache
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
    libsqlite3-dev sqlite3
    googletest libgtest-dev libbenchmark-dev
    unixodbc-dev tdsodbc
    fonts-ipafont-gothic fontconfig libfontconfig-dev
    qt6-translations-l10n
    clang llvm
    libsqliteodbc unixodbc
    libgif-dev
    gmt gmt-gshhg-high libgeonames-dev r-cran-mapdata
    poppler-utils
    xvfb xauth openbox xdotool imagemagick x11-utils
    openssh-server openssh-client sshfs fuse3
    dpkg-dev file lintian appstream desktop-file-utils
)
# The postal dictionary comes from the npm registry; a machine whose Node.js already brings
# npm keeps it.
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get -o DPkg::Lock::Timeout=900 update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
