#!/usr/bin/env bash
# page_aligned.sh OBJDUMP MODULE...: fails when a module's sections are not aligned to pages
# in its file. Wine reads such a module whole into memory of its own, debugging sections
# included, in every process that loads it (16 MB more for tesrun); an aligned one it maps.
set -uo pipefail
objdump=$1
shift
status=0
for module in "$@"; do
  alignment=$("$objdump" -p "$module" 2>/dev/null | awk '$1 == "FileAlignment" { print $2 }')
  if [ "$((16#${alignment:-0}))" -lt 4096 ]; then
    echo "FAIL: $(basename "$module") has a file alignment of 0x${alignment:-?}, not 0x1000"
    status=1
  fi
done
[ $status -eq 0 ] && echo "$# modules aligned to pages."
exit $status
