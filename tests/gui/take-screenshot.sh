#!/usr/bin/env bash
# Takes the screenshot of tesfront's dialog for the documentation.
# Usage: take-screenshot.sh <build dir> <out.png> [script folder]
# Runs the built tesfront.exe (with script.dll and the scripts of the build's program
# folder, or of the script folder given) on its own Xvfb, types example folders, opens
# the script list and saves the dialog's part of the screen.
set -euo pipefail
build=$(cd "$1" && pwd)
out=$(realpath -m "$2")
scripts=${3:-$build/bin/script}
here=$(cd "$(dirname "$0")" && pwd)
program=$(mktemp -d)
trap 'rm -rf "$program"' EXIT
cp "$build/bin/tesfront.exe" "$build/bin/script.dll" "$program/"
mkdir "$program/script"
cp "$scripts"/*.txt "$program/script/"

cat >"$program/pose.sh" <<POSE
#!/usr/bin/env bash
set -euo pipefail
LC_ALL=ja_JP.UTF-8 /usr/lib/wine/wine64 "$program/tesfront.exe" &
front=\$!
LC_ALL=ja_JP.UTF-8 /usr/lib/wine/wine64 "$build/tests/gui/screenshot_pose.exe"
sleep 1 # let the list finish drawing
geometry=\$(LC_ALL=C.UTF-8 xwininfo -root -tree | grep 'Tessavel' | grep -o '[0-9]*x[0-9]*+[0-9]*+[0-9]*' | head -n1)
import -window root -crop "\$geometry" +repage "$out"
kill \$front 2>/dev/null || true
POSE
chmod +x "$program/pose.sh"
"$here/run-with-display.sh" "$build" --host "$program/pose.sh"
echo "$out"
