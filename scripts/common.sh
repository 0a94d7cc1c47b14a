# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the scripts: installs what the build needs on Debian 12 when it is
# missing, then configures and builds.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"

# qt6-declarative-dev: Debian 12's CMake files of qt6-speech-dev look for
# Qt6QmlIntegration, which that package lacks a dependency on.
BUILD_PACKAGES=(g++ cmake ninja-build qt6-base-dev qt6-multimedia-dev qt6-svg-dev qt6-charts-dev libpq-dev pkgconf
                qt6-speech-dev qt6-declarative-dev
                libqt6opengl6-dev libgl-dev libqt6sql6-sqlite qt6-translations-l10n
                fonts-liberation2 fonts-dejavu-core)
# A real X server, a sound server, a speech engine and the metadata
# validators, for the tests that start the installed program itself;
# PostgreSQL, whose programs the school-server tests run as a private cluster
# (never the system's own). Without them those tests skip.
TEST_PACKAGES=(xvfb xauth jwm xdotool pulseaudio pulseaudio-utils dbus at-spi2-core
               python3-pyatspi desktop-file-utils appstream imagemagick poppler-utils
               postgresql qt6-speech-speechd-plugin speech-dispatcher speech-dispatcher-espeak-ng)
PACKAGE_PACKAGES=(dpkg-dev file lintian)

# missing_packages NAME...: those of the names that are not installed.
missing_packages() {
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
            echo "$pkg"
    done
}

# ensure_packages [--optional] NAME...: installs the missing ones. Without
# root or sudo it names the packages to ask the administrator for, and stops;
# with --optional it only says so and goes on.
ensure_packages() {
    local optional=false missing
    if [ "${1:-}" = --optional ]; then
        optional=true
        shift
    fi
    mapfile -t missing < <(missing_packages "$@")
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null; then
            echo "dieci: mancano questi pacchetti; chiedete all'amministratore di installarli:" >&2
            echo "dieci: missing packages; ask the administrator to install them:" >&2
            echo "  apt-get install ${missing[*]}" >&2
            $optional && return 0
            exit 1
        fi
        sudo=(sudo)
    fi
    echo "dieci: installing ${missing[*]}"
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
}

# The program and the plain test suite share one build, configured the same.
BUILD_OPTIONS=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DDIECI_WERROR=ON)

# configure DIR [cmake options...]: (re)configures DIR with these options.
configure() {
    local dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
}
