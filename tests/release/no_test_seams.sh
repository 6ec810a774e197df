#!/usr/bin/env bash
# no_test_seams.sh NM PROGRAM...: fails when a program's symbols name a test seam, or when
# the seams cannot be told apart because nm sees no symbols at all.
set -uo pipefail
nm=$1
shift
seams='PlanAllocationFailure|PlanRecordAllocationFailure|LiveGdiplusRecords|SetConsoleSink|SetPauseFunction|SetSaveImageFunction|UseRowLoops'
status=0
for program in "$@"; do
  symbols=$("$nm" -C "$program" 2>/dev/null)
  if ! grep -q 'RunTesrun\|WinMain\|main' <<<"$symbols"; then
    echo "FAIL: $(basename "$program") has no symbol table to check"
    status=1
  elif found=$(grep -E "$seams" <<<"$symbols"); then
    echo "FAIL: $(basename "$program") carries test seams:"
    echo "$found"
    status=1
  fi
done
[ $status -eq 0 ] && echo "No test seam in $# programs."
exit $status
