#!/usr/bin/env bash
# Checks that every C and C++ file of ours is formatted as .clang-format says; with --fix,
# formats them in place. Third-party code never lives in the tree, so every tracked file
# counts.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
report=$(mktemp)
trap 'rm -f "$report"' EXIT
if ! clang-format --dry-run -Werror "${files[@]}" 2>"$report"; then
  grep -oE '^[^ :]+\.(c|cpp|h):[0-9]+:[0-9]+: error' "$report" | cut -d: -f1 | sort -u |
    sed 's/^/not formatted: /'
  echo "Run tools/check-format.sh --fix"
  exit 1
fi
echo "Formatting: all $(printf '%s\n' "${files[@]}" | wc -l) files as .clang-format says."
