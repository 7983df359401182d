#!/bin/sh
# Starts Tessaline with its application directory as the current directory, so the recording
# tool finds its cue sheet there. The folder is found relative to this launcher, so the
# installed tree can be moved as a whole.
#
# With --demo it starts the demonstration instead: the same wizard in the application directory
# demo/, whose Burn.exe is the stand-in tool with simulated writers. The demonstration keeps its
# settings apart, in $XDG_CONFIG_HOME/Tessaline/demo, so that nothing it stores can be taken for
# a real result; it starts each time from a copy of the user's settings, so it speaks the
# user's language.
here=$(dirname "$(readlink -f "$0")")
app="$here/../lib/tessaline"
if [ "${1:-}" = --demo ]; then
    shift
    config=${XDG_CONFIG_HOME:-}
    # A relative value is ignored, as the program ignores it.
    case "$config" in /*) ;; *) config="$HOME/.config" ;; esac
    demo="$config/Tessaline/demo"
    mkdir -p "$demo/Tessaline" || exit 1
    if [ -f "$config/Tessaline/user.reg" ]; then
        cp "$config/Tessaline/user.reg" "$demo/Tessaline/user.reg" || exit 1
    else
        rm -f "$demo/Tessaline/user.reg"
    fi
    export XDG_CONFIG_HOME="$demo"
    app="$app/demo"
fi
cd "$app" || exit 1
exec ./tessaline "$@"
