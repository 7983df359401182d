#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the whole tree into a folder with blanks in
# its name, starts it through its launcher and checks that the wizard came up from the moved
# application directory and ran its tool's bus scan there: the bridge to the system's tool, and
# with --demo the stand-in tool of the demonstration.
# Usage: relocated_install.sh <build folder>
set -euo pipefail
build=$1
work=$(mktemp -d)
app=
cleanup() { [ -n "$app" ] && kill "$app" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

cmake --install "$build" --prefix "$work/first" >/dev/null
for f in bin/tessaline lib/tessaline/tessaline lib/tessaline/Burn.exe lib/tessaline/winaqua.skn \
         lib/tessaline/Lang/English.ini lib/tessaline/test.cue lib/tessaline/test.wav \
         lib/tessaline/demo/tessaline lib/tessaline/demo/Burn.exe lib/tessaline/demo/burn-sim.ini \
         lib/tessaline/demo/winaqua.skn lib/tessaline/demo/Lang/English.ini lib/tessaline/demo/test.cue \
         lib/tessaline/demo/test.wav share/applications/tessaline.desktop \
         share/applications/tessaline-demo.desktop share/icons/hicolor/32x32/apps/tessaline.png; do
    [ -e "$work/first/$f" ] || { echo "not installed: $f"; exit 1; }
done
grep -q "^Path=$work/first/lib/tessaline\$" "$work/first/share/applications/tessaline.desktop" ||
    { echo "the menu entry lacks its Path="; exit 1; }

moved="$work/moved here/my apps"
mkdir -p "$moved"
mv "$work/first" "$moved/tessaline"

# Starts the moved launcher with the given arguments from another folder, and checks the first
# command line the tool received.
check_start() {  # expected first command line, launcher arguments...
    local expected=$1 log="$work/commands.log"
    shift
    : >"$log"
    (cd / && TESSALINE_BURN_LOG="$log" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen \
        exec "$moved/tessaline/bin/tessaline" "$@") >"$work/out.log" 2>&1 &
    app=$!
    # Up to a minute for the wizard to come up, however busy the machine; not longer than it lives.
    for _ in $(seq 600); do
        grep -q "scanbus" "$log" && break
        kill -0 "$app" 2>/dev/null || break
        sleep 0.1
    done
    if [ "$(head -n 1 "$log")" != "$expected" ]; then
        echo "expected the tool to be run as: $expected"
        echo "it received: $(cat "$log")"
        cat "$work/out.log"
        exit 1
    fi
    kill -0 "$app" || { echo "the wizard did not stay up"; cat "$work/out.log"; exit 1; }
    kill "$app"
    wait "$app" 2>/dev/null || true
    app=
}

check_start "$moved/tessaline/lib/tessaline/Burn.exe scanbus -v 0"
check_start "$moved/tessaline/lib/tessaline/demo/Burn.exe scanbus -v 0" --demo
echo "relocated install ran the tools from: $moved/tessaline/lib/tessaline and its demo/"
