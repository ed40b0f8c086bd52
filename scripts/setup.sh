# Sourced by scripts/run and scripts/test: installs the Debian packages the project needs that
# are missing, then configures and builds one build tree.
#   dunmere_install_packages
#   dunmere_build <build-dir> <cmake options...>

DUNMERE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

dunmere_install_packages() {
    local wanted missing=()
    wanted=$(grep -v -E '^\s*(#|$)' "$DUNMERE_ROOT/scripts/packages.txt")
    for package in $wanted; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo=(sudo)
        else
            echo "These Debian packages are missing and this user cannot install them. As root, run:" >&2
            echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
            exit 1
        fi
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update
    "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

dunmere_build() {
    local dir=$1
    shift
    cmake -S "$DUNMERE_ROOT" -B "$dir" -G Ninja "$@"
    cmake --build "$dir" --parallel "$(nproc)"
}
