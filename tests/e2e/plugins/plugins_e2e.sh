#!/usr/bin/env bash
# Runs build/<preset>/bin/tesrun.exe under Wine and checks its plug-in lines. Wine returns a
# directory's entries sorted by name, so that is the listing's order here.
set -u
build=$1
run() { "$build/wine-run" "$build/bin/tesrun.exe" "$@" | tr -d '\r'; }
failures=0
check() { # check <name> <expected text> <actual text>
  if [ "$2" != "$3" ]; then
    echo "FAIL $1"; diff <(printf '%s\n' "$2") <(printf '%s\n' "$3")
    failures=$((failures + 1))
  else
    echo "ok   $1"
  fi
}

head='Tessavel comammd-line tool Version 1.1'$'\n''Searching for Plugins.'
tail=$'No Script Info exists.\nUnexcepted error.'

# Default: the program directory, where the shipped plug-ins are.
listing=$(cd "$build/bin" && LC_ALL=C ls -1 *.sph | sed 's/^/Loaded Susie Plug-in\t/')
check default-directory "$head"$'\n'"$listing"$'\n'"$tail" \
  "$(run 'Z:\no\such\script.txt' 'Z:\no\src' 'Z:\no\dst' 'pgm|tga')"

# A directory of our choosing: a file that is no module is not listed.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$build/tests/susie/probe_second.sph" "$dir/b.sph"
cp "$build/tests/susie/probe_first.sph" "$dir/a.sph"
echo 'no module' > "$dir/0-broken.sph"
check given-directory "$head"$'\n'$'Loaded Susie Plug-in\ta.sph\nLoaded Susie Plug-in\tb.sph\n'"$tail" \
  "$(run 'Z:\no\such\script.txt' 'Z:\no\src' 'Z:\no\dst' 'pgm|tga' "Z:${dir//\//\\}")"

echo "$failures failed"
[ "$failures" -eq 0 ]
