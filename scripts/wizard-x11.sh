# Sourced by the package checks: runs an installed wizard to Finish in a virtual X server, as a
# person would with the keyboard, and reads what it stored. Needs xvfb, x11-utils and xdotool
# (TESSALINE_RUN_PACKAGES). A Wine program's windows are X windows too, so the same steps drive
# the Windows program under Wine.

# Starts Xvfb on a free display and exports DISPLAY; stop_virtual_display ends it.
start_virtual_display() {  # log file
    local display=99
    while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
    Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$1" 2>&1 &
    TESSALINE_XVFB_PID=$!
    export DISPLAY=":$display"
    local _
    for _ in $(seq 100); do
        xdpyinfo >/dev/null 2>&1 && return 0
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

# Starts the wizard and waits for its window: sets app (its process) and window. Fails, with the
# wizard ended, when the window does not show within 90 s.
start_wizard() {  # window class, tool log, output log, command...
    local class=$1 tool_log=$2 out_log=$3
    shift 3
    : >"$tool_log"
    # Qt's X11 platform, whatever QT_QPA_PLATFORM the caller's tests use.
    QT_QPA_PLATFORM=xcb TESSALINE_BURN_LOG=${TOOL_LOG_NAME:-$tool_log} "$@" >"$out_log" 2>&1 &
    app=$!
    window=$(timeout 90 xdotool search --sync --onlyvisible --classname "$class" 2>/dev/null | head -n 1) || true
    if [ -z "$window" ]; then
        echo "the wizard's window ($class) did not show within 90 s" >&2
        kill "$app" 2>/dev/null || true
        return 1
    fi
}

# Starts the wizard with the given command and takes it through both pages: Enter on page 1
# (Next, the default button, with the first writer chosen), then waits until the tool has been
# asked for the simulated write, then Enter until the wizard ends (page 2's Finish, enabled once
# the result is shown). The tool's command lines go to <tool log>, the wizard's output to
# <output log>; TOOL_LOG_NAME, when set, is the tool log's name as the program sees it (a Windows
# path under Wine). Returns the wizard's exit status; fails when the window never shows, the driver
# test never reaches the simulated write, or the wizard does not end, each within its deadline.
run_wizard_to_finish() {  # window class, tool log, output log, command...
    local class=$1 tool_log=$2 app window i status=0
    start_wizard "$@" || return 1
    xdotool windowfocus --sync "$window" key Return
    for i in $(seq 600); do
        grep -q " simulate " "$tool_log" && break
        kill -0 "$app" 2>/dev/null || break
        sleep 0.1
    done
    if ! grep -q " simulate " "$tool_log"; then
        echo "the driver test did not reach the simulated write within 60 s; the tool received:" >&2
        cat "$tool_log" >&2
        kill "$app" 2>/dev/null || true
        return 1
    fi
    for i in $(seq 120); do
        kill -0 "$app" 2>/dev/null || break
        xdotool windowfocus "$window" key Return 2>/dev/null || true
        sleep 0.5
    done
    if kill -0 "$app" 2>/dev/null; then
        echo "the wizard did not end within 60 s of the simulated write" >&2
        kill "$app" 2>/dev/null || true
        return 1
    fi
    wait "$app" || status=$?
    # A launcher that ended before the program would look like a finished wizard.
    if xdotool search --onlyvisible --classname "$class" 2>/dev/null | grep -qx "$window"; then
        echo "the wizard's start command ended, but its window is still on view" >&2
        return 1
    fi
    return "$status"
}

# Starts the wizard with the given command on a computer where the tool lists no CD writer, and
# takes it as far as a person could: Enter on page 1 (Next) with the empty list, which only shows
# "Select your CD writer". Fails when the window never shows, when the tool is asked for anything
# but the bus scan, or when the wizard ends; ends it afterwards. The tool's command lines go to
# <tool log>, the wizard's output to <output log>.
run_wizard_without_writer() {  # window class, tool log, output log, command...
    local tool_log=$2 app window status=0
    start_wizard "$@" || return 1
    xdotool windowfocus --sync "$window" key Return
    sleep 2
    if ! kill -0 "$app" 2>/dev/null; then
        echo "the wizard ended on Next with no writer to choose" >&2
        status=1
    elif grep -qv -e "scanbus" "$tool_log"; then
        echo "the wizard asked the tool for more than the bus scan:" >&2
        cat "$tool_log" >&2
        status=1
    fi
    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
    return "$status"
}

# Prints the unnamed value of a key in a registry export (a .reg file: the Linux store, or what
# `reg export` writes), e.g. "1" for @="1"; nothing when the file, the key or the value is missing.
reg_file_value() {  # file, key path as written in the file (without brackets)
    [ -f "$1" ] || return 0
    iconv -f "$(reg_file_encoding "$1")" -t UTF-8 "$1" 2>/dev/null | tr -d '\r' |
        awk -v key="[$2]" '/^\[/ { inkey = (tolower($0) == tolower(key)) }
                           inkey && /^@=/ { v = substr($0, 3); gsub(/^"|"$/, "", v); print v }'
}

reg_file_encoding() {  # file: UTF-16LE when it starts with that byte-order mark, else UTF-8
    if [ "$(head -c 2 "$1" | od -An -tx1 | tr -d ' ')" = "fffe" ]; then echo UTF-16LE; else echo UTF-8; fi
}
