# Shared by scripts/run and scripts/test: installs what the build needs on
# Debian 12 when it is missing, then configures and builds.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"

BUILD_PACKAGES=(g++ cmake ninja-build qt6-base-dev qt6-multimedia-dev qt6-svg-dev
                fonts-liberation2 fonts-dejavu-core)
# A real X server for the tests that start the program itself.
TEST_PACKAGES=(xvfb xauth jwm xdotool)

ensure_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "dieci: installing ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
}

# build DIR [cmake options...]: configures DIR once, then builds it.
build() {
    local dir=$1
    shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    fi
    cmake --build "$dir"
}
