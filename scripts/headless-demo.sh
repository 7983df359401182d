#!/usr/bin/env bash
# Runs the installed wizard's demonstration once under a virtual X server, with the mouse: page 1,
# Next, the driver test against the stand-in tool, page 2 with its result, Finish. Saves a
# screenshot of each page. The demonstration keeps what it stores apart from the user's settings.
# Usage: scripts/headless-demo.sh <install prefix> <screenshot folder>
set -euo pipefail
prefix=$(readlink -f "$1")
out=$(mkdir -p "$2" && readlink -f "$2")
cd "$(dirname "$0")/.."
source scripts/lib.sh

start_virtual_display "$out/xvfb.log" || fail "no virtual X server"
log="$out/burn-commands.log"
status=0
run_wizard_to_finish --click-next --click-finish --shots "$out/" tessaline "$log" "$out/wizard.log" \
    "$prefix/bin/tessaline" --demo || status=$?
echo "the wizard ended with exit status $status"
[ "$status" -eq 0 ] || { sed 's/^/   wizard: /' "$out/wizard.log" >&2; exit 1; }

store="${XDG_CONFIG_HOME:-}"
case "$store" in /*) ;; *) store="$HOME/.config" ;; esac
store="$store/Tessaline/demo/Tessaline/user.reg"
value=$(reg_file_value "$store" 'HKEY_CURRENT_USER\Software\Quorvane\Output_Setting\Driver')
echo "driver value the demonstration stored ($store): ${value:-none}"
echo "commands the tool received: $log"
