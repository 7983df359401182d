# The scripts' library, sourced by test.sh, run.sh and every script of scripts/, from the
# repository's root: what the project needs from Debian, the rule for a check that cannot run, a
# virtual X server, a Wine prefix with its server, the check of a Windows program's DLLs, and the
# driver of the wizard's window.

TESSALINE_BUILD_PACKAGES=(cmake make g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
                          qt6-qpa-plugins fonts-dejavu-core fonts-liberation2 fonts-wine)
TESSALINE_TEST_PACKAGES=(libgtest-dev libgmock-dev python3)
# The recording tool that Burn.exe, the bridge, drives on Linux; the tests run it against an
# emulated CD writer.
TESSALINE_TOOL_PACKAGES=(cdrdao)
TESSALINE_RUN_PACKAGES=(xvfb xauth x11-utils xdotool imagemagick)
TESSALINE_DEB_PACKAGES=(dpkg-dev file lintian appstream appstream-compose desktop-file-utils)
TESSALINE_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine wine64)

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

# The lines a script prints start with its name.
TESSALINE_SCRIPT=$(basename "$0" .sh)
say() { echo "== $TESSALINE_SCRIPT: $*"; }
fail() {
    echo "== $TESSALINE_SCRIPT: FAILED, $*" >&2
    exit 1
}

# A check that cannot run on this machine (no Wine, no X server) is skipped with one line saying
# why; under CI=true, where every check must run, that fails instead. Ends the script either way.
skip_or_fail() {
    [ "${CI:-}" != true ] || fail "could not run: $* (CI=true: every check must run)"
    say "SKIPPED, $*"
    exit 0
}

# Commands run when the script ends, however it ends, the last one given first.
TESSALINE_AT_EXIT=()
at_exit() {
    TESSALINE_AT_EXIT=("$1" "${TESSALINE_AT_EXIT[@]}")
    trap 'for action in "${TESSALINE_AT_EXIT[@]}"; do eval "$action" || true; done' EXIT
}

# Starts a virtual X server on a display that no other server has, and exports DISPLAY; it ends
# with the script. Xvfb chooses the display itself (-displayfd), so two scripts that start one
# at the same moment cannot take the same one. Fails when it does not answer within 10 s.
start_virtual_display() {  # log file
    local number="$1.display" _
    rm -f "$number"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number" >"$1" 2>&1 &
    TESSALINE_XVFB_PID=$!
    at_exit stop_virtual_display
    for _ in $(seq 100); do
        if [ -s "$number" ]; then
            export DISPLAY=":$(head -n 1 "$number")"
            xdpyinfo >/dev/null 2>&1 && rm -f "$number" && return 0
        fi
        kill -0 "$TESSALINE_XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    echo "the virtual X server did not start (see $1)" >&2
    return 1
}

stop_virtual_display() {
    [ -n "${TESSALINE_XVFB_PID:-}" ] || return 0
    kill "$TESSALINE_XVFB_PID" 2>/dev/null || true
    wait "$TESSALINE_XVFB_PID" 2>/dev/null || true
    TESSALINE_XVFB_PID=
}

# Uses the Wine prefix of a build folder (<folder>/wine-prefix), made when it has none, with no
# Mono or Gecko prompt and no menu entries for this machine's user from Windows shortcuts. Its
# server is ended with the script. Fails when Wine cannot make the prefix.
use_wine_prefix() {  # build folder
    export WINEPREFIX="$PWD/$1/wine-prefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    at_exit 'wineserver --kill >/dev/null 2>&1'
    [ -f "$WINEPREFIX/system.reg" ] && return 0
    say "making a fresh Wine prefix in $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1
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

# Restarts the prefix's server on $DISPLAY: Wine's desktop takes the display of the program that
# starts it. Windows are not left to a window manager (there is none): without that, Wine waits
# for one on every close, and draws no frame of its own.
start_wine_server_on_display() {
    wineserver --kill >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    start_wine_server
}

# Prints a registry value's data as `wine reg query` shows it; fails when it is missing.
wine_reg_value() {  # key, value name (empty: the unnamed value)
    local out
    if [ -n "$2" ]; then out=$(wine reg query "$1" /v "$2" 2>/dev/null); else out=$(wine reg query "$1" /ve 2>/dev/null); fi
    tr -d '\r' <<<"$out" | sed -n 's/^    .*    REG_[A-Z_]*    //p' | head -n 1 | grep .
}

# The DLLs that a bare 64-bit Windows has; a MinGW or C++ runtime DLL would not be there.
TESSALINE_SYSTEM_DLLS=(advapi32 comctl32 gdi32 gdiplus kernel32 msvcrt ole32 oleaut32 shell32 shlwapi user32 winmm)

# The functions newer than Windows 7 SP1, the oldest system the manifest names, that the program's
# code or its runtime libraries could come to import: a program that imports one does not start
# there. Their DLLs (shcore, api-ms-win-*, ...) are not in the list above.
TESSALINE_AFTER_WINDOWS_7=(GetDpiForWindow GetDpiForSystem GetDpiFromDpiAwarenessContext
                           GetSystemDpiForProcess AdjustWindowRectExForDpi GetSystemMetricsForDpi
                           SystemParametersInfoForDpi SetThreadDpiAwarenessContext GetThreadDpiAwarenessContext
                           GetWindowDpiAwarenessContext GetAwarenessFromDpiAwarenessContext
                           AreDpiAwarenessContextsEqual IsValidDpiAwarenessContext SetProcessDpiAwarenessContext
                           EnableNonClientDpiScaling LogicalToPhysicalPointForPerMonitorDPI
                           PhysicalToLogicalPointForPerMonitorDPI OpenThemeDataForDpi GetDpiForMonitor
                           SetProcessDpiAwareness GetProcessDpiAwareness GetSystemTimePreciseAsFileTime
                           CreateFile2 GetCurrentThreadStackLimits SetThreadDescription GetThreadDescription
                           CopyFile2 SetDefaultDllDirectories AddDllDirectory RemoveDllDirectory)

# Fails when a Windows program imports a DLL that is not one of Windows' own, or a function that
# Windows 7 SP1 lacks.
check_system_dlls() {  # program...
    local program imports dlls others allowed newer
    allowed="^($(IFS='|'; echo "${TESSALINE_SYSTEM_DLLS[*]}"))\.dll\$"
    newer="^($(IFS='|'; echo "${TESSALINE_AFTER_WINDOWS_7[*]}"))\$"
    for program in "$@"; do
        # "<dll> <function>" a line, from the import tables objdump prints.
        imports=$(x86_64-w64-mingw32-objdump -p "$program" |
            awk '/DLL Name:/ { dll = tolower($3); print dll; next }
                 dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print dll, $3 }
                 /^$/ { dll = "" }')
        dlls=$(awk 'NF == 1' <<<"$imports")
        [ -n "$dlls" ] || fail "$program imports no DLL at all: not a Windows program?"
        echo "   $(basename "$program") imports: $(echo $dlls)"
        others=$(grep -Ev "$allowed" <<<"$dlls" || true)
        [ -z "$others" ] || fail "$(basename "$program") needs DLLs a bare Windows lacks: $(echo $others)"
        # A table read as no function at all would pass the check below unseen.
        grep -q ' ' <<<"$imports" || fail "no imported function of $(basename "$program") could be read"
        others=$(awk 'NF == 2 { print $2 }' <<<"$imports" | grep -Ex "$newer" | sort -u || true)
        [ -z "$others" ] ||
            fail "$(basename "$program") imports functions that Windows 7 lacks: $(echo $others)"
    done
}

# The wizard's window, driven as a person would: with the keyboard (Enter presses Next, the
# default button, and then Finish in its place) or with the mouse, at the buttons' places in the
# window's design (tests/tools/form_geometry). The window is found by its X class: "tessaline"
# for the Qt program, "tessaline.exe" for the Windows one under Wine.

# Builds a target of the Linux test build (build/, configured as ./test.sh configures it when it
# is not there yet), for programs the checks use: the emulated writer, the design's geometry.
build_test_target() {  # target
    ensure_packages "${TESSALINE_BUILD_PACKAGES[@]}" "${TESSALINE_TEST_PACKAGES[@]}"
    [ -f build/CMakeCache.txt ] || configure_once build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALINE_WERROR=ON
    cmake --build build --target "$1" -j2 >"build/$1.log" 2>&1 ||
        { tail -20 "build/$1.log" >&2; echo "$1 could not be built in build/" >&2; return 1; }
}

# Sets WIZARD_CLIENT to "left top width height" of the client area in the X window, and
# WIZARD_NEXT to the Next button's place in the client area, both in pixels, from the design.
# Without a window manager Wine draws the window's frame itself, inside the X window: the client
# area sits at the bottom, centred between the borders; a Qt window is its client area.
wizard_geometry() {
    local rects width height border top WIDTH HEIGHT
    build_test_target form_geometry && rects=$(build/tests/tools/form_geometry frmSelectDriver cmdNext) || return 1
    read -r _ _ _ width height <<<"${rects%%$'\n'*}"
    WIZARD_NEXT=${rects#*$'\n'cmdNext }
    eval "$(xdotool getwindowgeometry --shell "$WIZARD_WINDOW" | grep -E '^(WIDTH|HEIGHT)=')"
    border=$(((WIDTH - width) / 2))
    top=$((HEIGHT - height - border))
    if [ "$border" -lt 0 ] || [ "$top" -lt 0 ]; then
        echo "the window is ${WIDTH}x${HEIGHT}, smaller than its client area (${width}x${height})" >&2
        return 1
    fi
    WIZARD_CLIENT="$border $top $width $height"
}

# Saves the client area of the window as a picture.
wizard_screenshot() {  # file
    local left top width height
    read -r left top width height <<<"$WIZARD_CLIENT"
    import -window "$WIZARD_WINDOW" -crop "${width}x${height}+${left}+${top}" +repage "$1"
}

# Presses Next, or Finish in its place on page 2: Enter, or a click in the middle of the button.
# The first press waits until the window has the focus; later ones may find it gone.
wizard_press_next() {  # key | click, first | again
    if [ "$1" = key ] && [ "$2" = first ]; then
        xdotool windowfocus --sync "$WIZARD_WINDOW" key --clearmodifiers Return
    elif [ "$1" = key ]; then
        xdotool windowfocus "$WIZARD_WINDOW" key --clearmodifiers Return
    else
        local left top x y width height
        read -r left top _ _ <<<"$WIZARD_CLIENT"
        read -r x y width height <<<"$WIZARD_NEXT"
        xdotool mousemove --window "$WIZARD_WINDOW" $((left + x + width / 2)) $((top + y + height / 2)) click 1
    fi
}

# Starts the wizard and waits up to 90 s for its window: sets WIZARD_PID and WIZARD_WINDOW. Fails,
# with the wizard ended, when the window does not show. The tool's command lines go to <tool log>
# (under Wine, TOOL_LOG_NAME is that file's Windows name), the wizard's output to <output log>.
wizard_start() {  # window class, tool log, output log, command...
    local class=$1 tool_log=$2 out_log=$3
    shift 3
    : >"$tool_log"
    # Qt's X11 platform, whatever QT_QPA_PLATFORM the caller's tests use.
    QT_QPA_PLATFORM=xcb TESSALINE_BURN_LOG=${TOOL_LOG_NAME:-$tool_log} "$@" >"$out_log" 2>&1 &
    WIZARD_PID=$!
    WIZARD_WINDOW=$(timeout 90 xdotool search --sync --onlyvisible --classname "$class" 2>/dev/null | head -n 1) || true
    if [ -z "$WIZARD_WINDOW" ]; then
        echo "the wizard's window ($class) did not show within 90 s" >&2
        wizard_stop
        return 1
    fi
}

wizard_stop() {
    kill "$WIZARD_PID" 2>/dev/null || true
    wait "$WIZARD_PID" 2>/dev/null || true
}

# Runs the wizard through both pages as a person would: Next on page 1 (the first writer is
# chosen), the driver test up to the simulated write, then Finish, pressed every half second
# until the wizard ends (it is enabled once the result shows). Returns the wizard's exit status;
# fails when the window never shows, the driver test never reaches the simulated write, or the
# wizard does not end within 60 s.
#   run_wizard_to_finish [--click-next] [--click-finish] [--title <title>] [--shots <prefix>]
#                        <window class> <tool log> <output log> <command>...
# --click-next and --click-finish press that button with the mouse instead of Enter; --title
# fails when the window's title is not the one given; --shots saves <prefix>page1.png and
# <prefix>page2.png, each page's client area.
run_wizard_to_finish() {
    local next=key finish=key title='' shots='' _ status=0
    while [ $# -gt 0 ]; do
        case $1 in
            --click-next) next=click; shift ;;
            --click-finish) finish=click; shift ;;
            --title) title=$2; shift 2 ;;
            --shots) shots=$2; shift 2 ;;
            *) break ;;
        esac
    done
    local class=$1 tool_log=$2
    wizard_start "$@" || return 1
    if [ -n "$title" ] && [ "$(xdotool getwindowname "$WIZARD_WINDOW")" != "$title" ]; then
        echo "the wizard's window is titled \"$(xdotool getwindowname "$WIZARD_WINDOW")\", not \"$title\"" >&2
        wizard_stop
        return 1
    fi
    # The window is drawn a moment after it shows.
    sleep 1
    if [ "$next$finish" != keykey ] || [ -n "$shots" ]; then
        wizard_geometry || { wizard_stop; return 1; }
    fi
    if [ -n "$shots" ]; then
        wizard_screenshot "${shots}page1.png"
        echo "page 1: ${shots}page1.png"
    fi
    wizard_press_next "$next" first
    for _ in $(seq 600); do
        grep -q " simulate " "$tool_log" && break
        kill -0 "$WIZARD_PID" 2>/dev/null || break
        sleep 0.1
    done
    if ! grep -q " simulate " "$tool_log"; then
        echo "the driver test did not reach the simulated write within 60 s; the tool received:" >&2
        cat "$tool_log" >&2
        wizard_stop
        return 1
    fi
    if [ -n "$shots" ]; then
        # The stand-in's simulated write takes half a second; then page 2 shows the result.
        sleep 2
        wizard_screenshot "${shots}page2.png"
        echo "page 2: ${shots}page2.png"
    fi
    for _ in $(seq 120); do
        kill -0 "$WIZARD_PID" 2>/dev/null || break
        wizard_press_next "$finish" again 2>/dev/null || true
        sleep 0.5
    done
    if kill -0 "$WIZARD_PID" 2>/dev/null; then
        echo "the wizard did not end within 60 s of the simulated write" >&2
        wizard_stop
        return 1
    fi
    wait "$WIZARD_PID" || status=$?
    # A launcher that ended before the program would look like a finished wizard.
    if xdotool search --onlyvisible --classname "$class" 2>/dev/null | grep -qx "$WIZARD_WINDOW"; then
        echo "the wizard's start command ended, but its window is still on view" >&2
        return 1
    fi
    return "$status"
}

# Starts the wizard on a computer where the tool lists no CD writer, and takes it as far as a
# person could: Enter on page 1 (Next) with the empty list, which only shows "Select your CD
# writer". Fails when the window never shows, when the tool is asked for anything but the bus
# scan, or when the wizard ends; ends it afterwards.
run_wizard_without_writer() {  # window class, tool log, output log, command...
    local tool_log=$2 status=0
    wizard_start "$@" || return 1
    sleep 1
    wizard_press_next key first
    sleep 2
    if ! kill -0 "$WIZARD_PID" 2>/dev/null; then
        echo "the wizard ended on Next with no writer to choose" >&2
        status=1
    elif grep -qv -e "scanbus" "$tool_log"; then
        echo "the wizard asked the tool for more than the bus scan:" >&2
        cat "$tool_log" >&2
        status=1
    fi
    wizard_stop
    return "$status"
}

# Words that only one platform's texts may hold: each install's language files fit its platform.
TESSALINE_LINUX_WORDS=(Linux cdrom /dev/)
TESSALINE_WINDOWS_WORDS=(Windows)

# Fails when a language file of the folder (UTF-16) holds one of the words given, in any case.
check_language_words() {  # Lang folder, words...
    local folder=$1 file word; shift
    local files=("$folder"/*.ini)
    [ -f "${files[0]}" ] || fail "no language file in $folder"
    local text
    for file in "${files[@]}"; do
        text=$(iconv -f UTF-16 -t UTF-8 "$file") || fail "$(basename "$file") of $folder is not UTF-16 text"
        for word in "$@"; do
            ! grep -qiF -- "$word" <<<"$text" ||
                fail "$(basename "$file") of $folder holds '$word', a word of the other platform"
        done
    done
    say "the ${#files[@]} language files hold none of: $*"
}

# Prints the unnamed value of a key in a registry export (a .reg file: the Linux store, or what
# `reg export` writes), e.g. "1" for @="1"; nothing when the file, the key or the value is missing.
reg_file_value() {  # file, key path as written in the file (without brackets)
    [ -f "$1" ] || return 0
    local encoding=UTF-8
    [ "$(head -c 2 "$1" | od -An -tx1 | tr -d ' ')" = "fffe" ] && encoding=UTF-16LE
    iconv -f "$encoding" -t UTF-8 "$1" 2>/dev/null | tr -d '\r' |
        awk -v key="[$2]" '/^\[/ { inkey = (tolower($0) == tolower(key)) }
                           inkey && /^@=/ { v = substr($0, 3); gsub(/^"|"$/, "", v); print v }'
}
