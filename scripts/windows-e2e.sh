#!/usr/bin/env bash
# Runs the installed tessaline.exe once under Wine, on the X display given in DISPLAY, against the
# stand-in tool and its shipped scenario, as a user would: Enter on page 1, the driver test, page
# 2 with its result, a click on Finish. Saves a screenshot of each page and checks the exit
# status, the tool's command lines and the driver value read back with "wine reg query".
# Usage: scripts/windows-e2e.sh <install folder> <screenshot folder>
# Needs WINEPREFIX (a prefix whose desktop runs on DISPLAY), xdotool and ImageMagick's import.
set -euo pipefail
app=$(readlink -f "$1")
out=$(mkdir -p "$2" && readlink -f "$2")
: "${DISPLAY:?the end-to-end run needs an X display}"

fail() {
    echo "== windows-e2e: FAILED, $1" >&2
    [ -f "$out/wizard.log" ] && sed 's/^/   wizard: /' "$out/wizard.log" >&2
    exit 1
}

log="$out/burn-commands.log"
: >"$log"
export TESSALINE_BURN_LOG
TESSALINE_BURN_LOG=$(winepath -w "$log")
unset TESSALINE_BURN_SCENARIO  # the scenario shipped beside the tool
wine reg delete 'HKCU\Software\Quorvane' /f >/dev/null 2>&1 || true

cd "$app"
wine tessaline.exe >"$out/wizard.log" 2>&1 &
pid=$!
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null || true; }
trap cleanup EXIT

# The window's title comes from the language file.
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Tessaline Driver Wizard$' | head -n 1) ||
    fail "no window titled \"Tessaline Driver Wizard\" came up"
sleep 1
# Without a window manager Wine draws the title bar and border itself, inside the X window: the
# client area (464 x 220 pixels at 96 dpi) sits at the bottom, centred between the borders.
eval "$(xdotool getwindowgeometry --shell "$window")"
border=$(((WIDTH - 464) / 2))
top=$((HEIGHT - 220 - border))
[ "$border" -ge 0 ] && [ "$top" -ge 0 ] || fail "the window is ${WIDTH}x${HEIGHT}, smaller than its client area"
shoot() { import -window "$window" -crop "464x220+$border+$top" +repage "$1"; }
shoot "$out/windows-page1.png"
echo "page 1: $out/windows-page1.png"

# Enter on page 1 presses Next, the default button, wherever the focus is in the window.
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers Return
for _ in $(seq 600); do grep -q " simulate " "$log" && break; sleep 0.1; done
grep -q " simulate " "$log" || fail "the driver test never reached the simulated write"
# The shipped scenario's simulated write takes half a second; then page 2 shows the result.
sleep 2
shoot "$out/windows-page2.png"
echo "page 2: $out/windows-page2.png"

# Finish: Next's place, 5790,2910 twips with a size of 1080 x 330, at 96 dpi.
xdotool mousemove --window "$window" $((border + 422)) $((top + 205)) click 1
status=0
timeout 60 tail --pid="$pid" -f /dev/null || fail "the wizard did not end after Finish"
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "the wizard ended with exit status $status"

value=$(wine reg query 'HKCU\Software\Quorvane\Output_Setting\Driver' 2>/dev/null | tr -d '\r' |
        awk '$2 == "REG_SZ" { print $3 }')
echo "driver value in the registry: ${value:-none}"
[ "$value" = "1" ] || fail "the driver value is \"${value:-none}\", not 1 (generic-mmc)"
commands=$(grep -c . "$log" || true)
[ "$commands" -eq 4 ] || fail "the tool received $commands command lines, not 4 (scan, two probes, simulate)"
echo "== windows-e2e: passed (exit status 0, driver 1, $commands tool runs)"
