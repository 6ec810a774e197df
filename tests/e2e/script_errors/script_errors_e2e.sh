#!/usr/bin/env bash
# Runs tesrun.exe under Wine with scripts that hold a mistake and checks that standard error
# names the script file and the line, and that standard output carries none of it; a script
# that never ends fails only the image it never ends on.
# Usage: script_errors_e2e.sh BUILD_DIR
set -uo pipefail
build=$1
work=$(mktemp -d "$build/script-errors.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
windows() { printf 'Z:%s' "${1//\//\\}"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_line() { # file line
  grep -qxF -- "$2" "$1" || fail "expected the line [$2] in $(basename "$1"): [$(cat "$1")]"
}

mkdir -p "$work/src" "$work/dst"
/usr/bin/convert -size 8x6 xc:'#808080' "$work/src/grey.png"

run() { # script
  "$build/wine-run" "$build/bin/tesrun.exe" "$(windows "$1")" "$(windows "$work/src")" \
    "$(windows "$work/dst")" png null >"$work/out.txt" 2>"$work/err.txt"
  tr -d '\r' <"$work/err.txt" >"$work/err-lf.txt"
}

# A runtime error in Main: the image fails, the message names file and line 5.
cat >"$work/runtime.txt" <<'SCRIPT'
function Info() { ReturnInfo("Mistake", "E2E", 1, 0, 0, 0) }

function Main(width, height, name, index) {
    SetSize(width, height)
    half = widht / 2
    return 1
}
SCRIPT
run "$work/runtime.txt"
expect_line "$work/err-lf.txt" "$(windows "$work/runtime.txt"):5: unknown name widht"
grep -q "widht" "$work/out.txt" && fail "the message reached standard output"

# A syntax error: nothing of the script runs; the message names line 3.
cat >"$work/syntax.txt" <<'SCRIPT'
function Main(width, height, name, index) {
    SetSize(width, height)
    if width > 4 SetName("big.png")
    return 1
}
SCRIPT
run "$work/syntax.txt"
expect_line "$work/err-lf.txt" \
  "$(windows "$work/syntax.txt"):3: syntax error: expected '{' (a block is required), found a name"

# A top-level line that fails does not stop the next ones; its line is named.
cat >"$work/toplevel.txt" <<'SCRIPT'
a = 1
b = a / 0
function Info() { ReturnInfo("Top", "E2E", 1, 0, 0, 0) }
function Main(width, height, name, index) { SetSize(1, 1); return 1 }
SCRIPT
run "$work/toplevel.txt"
expect_line "$work/err-lf.txt" "$(windows "$work/toplevel.txt"):2: division by zero"
grep -q "Top" "$work/out.txt" || fail "Info did not run after the failing line: [$(cat "$work/out.txt")]"

# Main never ends on the second image: its call runs out of steps, that image fails and the
# batch goes on.
cat >"$work/endless.txt" <<'SCRIPT'
function Info() { ReturnInfo("Endless", "E2E", 1, 0, 0, 0) }
function Main(width, height, name, index) {
    SetSize(width, height)
    while index == 1 { }
    return 1
}
SCRIPT
for name in a b c; do cp "$work/src/grey.png" "$work/src/$name.png"; done
rm -f "$work/dst"/*
run "$work/endless.txt"
expect_line "$work/err-lf.txt" \
  "$(windows "$work/endless.txt"):4: execution limit of 100000000 steps exceeded"
tr -d '\r' <"$work/out.txt" >"$work/out-lf.txt"
after=$(grep -A1 -F $'\tb.png' "$work/out-lf.txt" | tail -n1)
[ "$after" = "Failed." ] || fail "b.png's call did not fail: [$(cat "$work/out-lf.txt")]"
[ "$(tail -n1 "$work/out-lf.txt")" = "Finished." ] || fail "the run did not finish"
converted=$(cd "$work/dst" && ls | tr '\n' ' ')
[ "$converted" = "a.png c.png grey.png " ] || fail "converted: [$converted]"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "script errors: all passed"
