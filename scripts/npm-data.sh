# npm-data.sh: sourced by the scripts that fetch a data package of the npm registry.
#
# fetch_npm_data <tag> <package> <version> <sha1> <folder> <what>
# Fetches <package>@<version>, checks the tarball against its published sha1 and calls the
# caller's function unpack_into <work> <new>, which takes what the installation needs out of
# <work>/package into <new>. <folder> is then replaced whole by <new>, or left as it was.
# Nothing is fetched when <folder> already holds this version.
fetch_npm_data() {
    local tag=$1 package=$2 version=$3 sha1=$4 dest=$5 what=$6
    local stamp=$dest/.complete
    if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ]; then
        touch "$stamp" # newer than the script: the build asks no more
        return 0
    fi
    command -v npm >/dev/null 2>&1 || { echo "$tag: npm is missing (scripts/deps.sh installs it)" >&2; return 1; }

    mkdir -p "$(dirname "$dest")"
    work=$(mktemp -d "$(dirname "$dest")/.$tag.XXXXXX")
    trap 'rm -rf "$work"' EXIT

    echo "Fetching $what ($package $version)"
    (cd "$work" && npm pack --silent "$package@$version" >/dev/null) ||
        { echo "$tag: npm could not fetch $package@$version" >&2; return 1; }
    local tarball=$work/$package-$version.tgz got
    got=$(sha1sum "$tarball" | cut -d' ' -f1)
    [ "$got" = "$sha1" ] || { echo "$tag: checksum mismatch for $package-$version.tgz ($got)" >&2; return 1; }
    tar -xzf "$tarball" -C "$work"
    mkdir -p "$work/new"
    unpack_into "$work" "$work/new" || return 1
    echo "$version" >"$work/new/.complete"
    rm -rf "$dest"
    mv "$work/new" "$dest"
    echo "Fetched $what into $dest"
}
