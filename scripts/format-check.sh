#!/usr/bin/env bash
# Checks that every C++ file of the project is laid out as .clang-format says. Prints the files
# that are not, and exits 1 then; `scripts/format-check.sh --fix` rewrites them in place.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
ensure_packages clang-format-14

# The files as they would be committed: new ones included, deleted ones left out.
mapfile -t files < <(git ls-files --cached --others --exclude-standard '*.cpp' '*.h' | sort -u |
                     while read -r f; do [ -f "$f" ] && echo "$f"; done)
if [ "${1:-}" = "--fix" ]; then
    clang-format-14 -i "${files[@]}"
    exit 0
fi
bad=()
for f in "${files[@]}"; do
    clang-format-14 --dry-run -Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
    printf '  %s\n' "${bad[@]}"
    echo "== format-check: ${#bad[@]} files differ from .clang-format (scripts/format-check.sh --fix)" >&2
    exit 1
fi
echo "== format-check: ${#files[@]} files laid out as .clang-format says"
