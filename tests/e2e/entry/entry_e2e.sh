#!/usr/bin/env bash
# Runs build/<preset>/bin/tesrun.exe under Wine and compares what it prints, byte for byte
# (CR LF of the text-mode console folded to LF), and its exit code.
set -u
build=$1
run() { "$build/wine-run" "$build/bin/tesrun.exe" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
failures=0
expect() { # expect <name> <expected output> <expected exit code> -- args...
  local name=$1 expected=$2 code=$3; shift 4
  local actual status
  actual=$(run "$@"; echo "exit=$?")
  if [ "$actual" != "$expected"$'\n'"exit=$code" ]; then
    echo "FAIL $name"; diff <(printf '%s\n' "$expected" "exit=$code") <(printf '%s\n' "$actual")
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

banner='Tessavel comammd-line tool Version 1.1'
usage=$'Usage\n\ttesrun script source destination extensions [plugin]\n\tscript\t\tThe path of script.\n\tsource\t\tThe path of directory source images are in.\n\tdestination\tThe path of destination directory.\n\textensions\tThe extensions of available images.\n\t\t\tIt contains extensions separated by \'|\' without \'.\'.\n\tplugin\t\tThe path of directory plugins are in.\n\t\t\tThe default is what this program is in.\n\t\t\tIf you do not need them, type "null".'

expect usage "$banner"$'\nInvalid parameter.\n'"$usage" 0 -- a b c
expect script-too-long "$banner"$'\nPath too long.' 0 -- "$(printf 's%.0s' {1..256})" b c jpg
expect source-too-long "$banner"$'\nPath too long.' 0 -- a "$(printf 's%.0s' {1..248})" c jpg
expect extension-too-long "$banner"$'\nExtension too long.' 0 -- a b c 'jpg|abcdefghijklmnop'

# A complete run pays the final pause. With "null" no plug-in is searched; the script does
# not exist, so no description and a failed run.
out=$(run 'Z:\no\such\script.txt' 'Z:\no\src' 'Z:\no\dst' 'abcdefghijklmno' NuLl; echo "exit=$?")
case "$out" in
  "$banner"$'\nIgnored Pluins.\nNo Script Info exists.\n'*$'\nexit=0') echo "ok   full-run" ;;
  *) echo "FAIL full-run"; printf '%s\n' "$out"; failures=$((failures + 1)) ;;
esac

echo "$failures failed"
[ "$failures" -eq 0 ]
