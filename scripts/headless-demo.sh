#!/usr/bin/env bash
# Runs the installed wizard's demonstration once under a virtual X server: page 1, Next, the
# driver test against the stand-in tool, page 2 with its result, Finish. Saves a screenshot of
# each page. The demonstration keeps what it stores apart from the user's settings.
# Usage: scripts/headless-demo.sh <install prefix> <screenshot folder>
set -euo pipefail
prefix=$(readlink -f "$1")
out=$(mkdir -p "$2" && readlink -f "$2")

display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
xvfb=$!
app=
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=":$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

log="$out/burn-commands.log"
: >"$log"
export TESSALINE_BURN_LOG="$log"
"$prefix/bin/tessaline" --demo >"$out/wizard.log" 2>&1 &
app=$!

window=$(timeout 30 xdotool search --sync --onlyvisible --classname tessaline | head -n 1)
sleep 1
import -window "$window" "$out/page1.png"
echo "page 1: $out/page1.png"

# Next sits at (386, 194) with a size of 72 x 22 in the window.
xdotool mousemove --window "$window" 422 205 click 1
for _ in $(seq 300); do grep -q " simulate " "$log" && break; sleep 0.1; done
sleep 1.5
import -window "$window" "$out/page2.png"
echo "page 2: $out/page2.png"

xdotool mousemove --window "$window" 422 205 click 1
# Finish ends the program; one that is still there after 30 s has hung and is stopped.
for _ in $(seq 300); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app" 2>/dev/null; then
    echo "the wizard did not end on Finish within 30 s" >&2
    exit 1
fi
status=0
wait "$app" || status=$?
app=
echo "the wizard ended with exit status $status"
[ "$status" -eq 0 ] || exit 1

store="${XDG_CONFIG_HOME:-}"
case "$store" in /*) ;; *) store="$HOME/.config" ;; esac
store="$store/Tessaline/demo/Tessaline/user.reg"
value=$(awk 'BEGIN{IGNORECASE=1} /^\[/{inkey = (tolower($0) ~ /\\software\\quorvane\\output_setting\\driver\]/)} inkey && /^@=/{v = substr($0, 3); gsub(/"/, "", v); print v}' "$store" 2>/dev/null || true)
echo "driver value the demonstration stored ($store): ${value:-none}"
echo "commands the tool received: $log"
