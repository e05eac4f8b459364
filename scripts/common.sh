# Shared by scripts/run and scripts/test: installs the Debian packages the build needs and
# configures and builds the project. Source it; do not run it.

RINGVALE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
RINGVALE_BUILD="${RINGVALE_BUILD:-$RINGVALE_ROOT/build}"

RINGVALE_PACKAGES=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev
    libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
    libsdl2-dev libsystemd-dev libical-dev libmosquitto-dev libssl-dev mosquitto mosquitto-clients
    libcurl4-openssl-dev libboost-regex-dev libpng-dev libjpeg62-turbo-dev
    googletest libgtest-dev libgmock-dev
    fonts-wqy-microhei xvfb xauth pulseaudio pulseaudio-utils libarchive-dev zlib1g-dev python3
    libmicrohttpd-dev nlohmann-json3-dev libsodium-dev chromium libpulse-dev libebur128-dev
    clang clang-format libclang-rt-14-dev appstream dpkg-dev file desktop-file-utils lintian
)

ringvale_install_packages() {
    local missing=()
    local pkg
    for pkg in "${RINGVALE_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo=(sudo)
        else
            echo "These Debian packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
            return 1
        fi
    fi
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# The browser test's driver: playwright-core from the npm registry, pinned by tests/web's lock
# file, driving Debian's chromium (it never downloads a browser). Debian's npm is installed only
# when no npm is present.
ringvale_install_node_tools() {
    command -v npm >/dev/null 2>&1 || ringvale_install_packages npm
    local web="$RINGVALE_ROOT/tests/web"
    if [ ! -f "$web/node_modules/playwright-core/package.json" ] ||
        [ "$web/package-lock.json" -nt "$web/node_modules/.package-lock.json" ]; then
        (cd "$web" && npm ci --no-audit --no-fund --loglevel=error)
    fi
}

ringvale_build() {
    cmake -S "$RINGVALE_ROOT" -B "$RINGVALE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$RINGVALE_BUILD" --parallel "$(nproc)"
}
