# Shared by run.sh and test.sh: what the project needs from Debian, installed when missing.

TESSALINE_BUILD_PACKAGES=(cmake make g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
                          qt6-qpa-plugins fonts-dejavu-core fonts-liberation2 fonts-wine)
TESSALINE_TEST_PACKAGES=(libgtest-dev libgmock-dev)
TESSALINE_RUN_PACKAGES=(xvfb xauth x11-utils xdotool imagemagick)
TESSALINE_DEB_PACKAGES=(dpkg-dev file lintian appstream desktop-file-utils)

# Installs the named Debian packages that are not installed yet, through sudo when not root.
ensure_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "== installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
}

# Configures a build folder unless it is configured already with the same options.
configure_once() {
    local dir=$1; shift
    local stamp="$dir/.tessaline-options" want="$*"
    if [ -f "$dir/CMakeCache.txt" ] && [ "$(cat "$stamp" 2>/dev/null)" = "$want" ]; then
        return 0
    fi
    cmake -S . -B "$dir" "$@"
    printf '%s' "$want" > "$stamp"
}
