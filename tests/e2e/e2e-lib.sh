# Shared by the end-to-end scripts: sourced after `build` (build/<preset>) is set; `work` is
# a scratch folder, made by make_work or set before. Wine's Z: drive is /, so a Unix path
# maps by its slashes.
failures=0
# Scripts several tests run: copy_bmp.txt (each picture as it is, to NAME.bmp) and
# quarter_bmp.txt (a quarter of each side, filtered, to NAME.bmp).
scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")/scripts" && pwd)
make_work() { # name: the scratch folder under the build tree, removed at exit unless KEEP is set
  work=$(mktemp -d "$build/$1.XXXXXX")
  trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
}
windows() { printf 'Z:%s' "${1//\//\\}"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_equal() { # what expected actual
  if [ "$2" != "$3" ]; then fail "$1: expected [$2], got [$3]"; fi
}
expect_line() { # file line
  grep -qxF -- "$2" "$1" || fail "expected the line [$2] in $(basename "$1"): [$(cat "$1")]"
}
# tesrun.exe (the build's, or $program_folder's) on Unix paths, without plug-ins unless a fifth
# argument names a folder; standard output (CR removed) to $work/out.txt, standard error to
# $work/err.txt.
run_tesrun() { # script source destination extensions [plugin folder]
  local plugins=null
  [ $# -ge 5 ] && plugins=$(windows "$5")
  "$build/wine-run" "${program_folder:-$build/bin}/tesrun.exe" "$(windows "$1")" "$(windows "$2")" \
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

# Damaged copies of a small picture for the plug-in tests, named after it and its extension.
cut_at_every_length() { # picture folder: every truncation from 1 byte to one short
  local picture=$1 size cut base
  size=$(stat -c %s "$picture")
  base=$(basename "${picture%.*}")
  for ((cut = 1; cut < size; cut++)); do
    head -c $cut "$picture" >"$2/${base}_cut$cut.${picture##*.}"
  done
}
damage_at_random() { # picture folder count: bytes overwritten past the first 24, seeded
  python3 - "$@" <<'PY'
import random, sys
picture, folder, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
random.seed(1615)
data = open(picture, "rb").read()
base, kind = picture.rsplit("/", 1)[1].rsplit(".", 1)
for n in range(count):
    damaged = bytearray(data)
    for _ in range(random.randint(1, 8)):
        damaged[random.randrange(24, len(damaged))] = random.randrange(256)
    open(f"{folder}/{base}_damaged{n}.{kind}", "wb").write(damaged)
PY
}
