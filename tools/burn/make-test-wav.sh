#!/bin/sh
# Writes the audio of the test disc: 4 seconds of silence as CD audio (RIFF/WAVE, PCM, 44100 Hz,
# 16 bit, 2 channels), the shortest track a CD may hold. Usage: make-test-wav.sh [output file],
# by default test.wav beside this script.
set -eu
out=${1:-$(dirname "$0")/test.wav}
data=$((4 * 44100 * 4))  # seconds * samples a second * bytes a sample (2 channels of 16 bit)

bytes() {  # the low bytes of $1, little-endian, $2 of them
    n=$1 count=$2 escapes=
    while [ "$count" -gt 0 ]; do
        escapes="$escapes\\$(printf '%03o' $((n & 255)))"
        n=$((n >> 8)) count=$((count - 1))
    done
    printf "$escapes"
}

{
    printf 'RIFF'; bytes $((36 + data)) 4; printf 'WAVE'
    printf 'fmt '; bytes 16 4
    bytes 1 2; bytes 2 2; bytes 44100 4; bytes 176400 4; bytes 4 2; bytes 16 2  # PCM, channels, rate, byte rate, block, bits
    printf 'data'; bytes "$data" 4
    head -c "$data" /dev/zero
} >"$out"
