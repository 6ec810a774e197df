# Shared by the end-to-end scripts: sourced after `build` (build/<preset>) and `work` (a
# scratch folder) are set. Wine's Z: drive is /, so a Unix path maps by its slashes.
failures=0
windows() { printf 'Z:%s' "${1//\//\\}"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_equal() { # what expected actual
  if [ "$2" != "$3" ]; then fail "$1: expected [$2], got [$3]"; fi
}
expect_line() { # file line
  grep -qxF -- "$2" "$1" || fail "expected the line [$2] in $(basename "$1"): [$(cat "$1")]"
}
# tesrun.exe on Unix paths, without plug-ins unless a fifth argument names a folder;
# standard output (CR removed) to $work/out.txt, standard error to $work/err.txt.
run_tesrun() { # script source destination extensions [plugin folder]
  local plugins=null
  [ $# -ge 5 ] && plugins=$(windows "$5")
  "$build/wine-run" "$build/bin/tesrun.exe" "$(windows "$1")" "$(windows "$2")" \
    "$(windows "$3")" "$4" "$plugins" >"$work/out-cr.txt" 2>"$work/err-cr.txt"
  tr -d '\r' <"$work/out-cr.txt" >"$work/out.txt"
  tr -d '\r' <"$work/err-cr.txt" >"$work/err.txt"
}
finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "All checks passed."
}
