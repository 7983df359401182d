#!/bin/sh
# Starts Tessaline with its application directory as the current directory, so the recording
# tool finds its cue sheet there. The folder is found relative to this launcher, so the
# installed tree can be moved as a whole.
here=$(dirname "$(readlink -f "$0")")
cd "$here/../lib/tessaline" || exit 1
exec ./tessaline "$@"
