# Shared by run.sh and test.sh: what the project needs from Debian, installed when missing.

TESSALINE_BUILD_PACKAGES=(cmake make g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
                          qt6-qpa-plugins fonts-dejavu-core fonts-liberation2 fonts-wine)
TESSALINE_TEST_PACKAGES=(libgtest-dev libgmock-dev)
# The recording tool that Burn.exe, the bridge, drives on Linux; the tests run it against an
# emulated CD writer.
TESSALINE_TOOL_PACKAGES=(cdrdao)
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

# Starts one Wine server for $WINEPREFIX that stays until `wineserver --kill`, with Wine's
# services already running in it, so that every program after starts in a moment and none of
# them is the one that starts the services (they would hold its output open). A server that a
# command before this one started (wineboot, reg) ends with its session: that is waited for
# first, since a second server is refused while one runs, and the programs would then each
# bring a session up and down again (seconds each, and now and then a start that fails).
start_wine_server() {
    timeout 60 wineserver --wait >/dev/null 2>&1 || wineserver --kill >/dev/null 2>&1 || true
    wineserver --persistent >/dev/null 2>&1 </dev/null || return 1
    wine cmd /c exit >/dev/null 2>&1 </dev/null
}
