# Shared by run.sh and test.sh: installs what is missing from Debian's packages and builds Orlevan.
set -euo pipefail

ORLEVAN_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

orlevan_install_missing() {
    local missing=()
    local pkg
    while read -r pkg; do
        pkg="${pkg%%#*}"
        pkg="$(echo "$pkg" | tr -d '[:space:]')"
        [ -n "$pkg" ] || continue
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done < "$ORLEVAN_ROOT/scripts/packages.txt"
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# orlevan_build BUILD_DIR [extra cmake arguments]
orlevan_build() {
    local dir="$1"
    shift
    cmake -S "$ORLEVAN_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}

# orlevan_forget_other_compiler BUILD_DIR COMPILER: a build folder configured with another compiler starts afresh.
orlevan_forget_other_compiler() {
    local cache="$1/CMakeCache.txt"
    if [ -f "$cache" ] && ! grep -q "^CMAKE_CXX_COMPILER:[A-Z]*=.*$2\$" "$cache"; then
        rm -rf "$cache" "$1/CMakeFiles"
    fi
}
