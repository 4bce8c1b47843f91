#!/bin/bash
# Takes the screenshot of the main window that the AppStream metadata shows
# (docs/screenshots/main-window.png): the desktop program under Xvfb with the
# openbox window manager, a forecast on love made for a sample person, and the
# window captured with its frame.
#
#   tools/screenshot/take_screenshot.sh BUILD/app/nevalorum-pelinor OUTPUT.png
#
# Needs xvfb-run, openbox, xdotool and ImageMagick's import.
set -euo pipefail

program=$(realpath "$1")
output=$(realpath -m "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$(dirname "$program")/nevalorum-forecast" init "$work/folder" > /dev/null

cat > "$work/session.sh" << 'SESSION'
set -euo pipefail
program=$1 output=$2 folder=$3
openbox > /dev/null 2>&1 &

# Waits until the command succeeds, for at most 30 seconds.
wait_for() {
    for _ in $(seq 300); do
        "$@" > /dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "Gave up waiting for: $*" >&2
    return 1
}

cd "$folder"
"$program" > "$folder/../program.log" 2>&1 &
wait_for xdotool search --onlyvisible --name 'Nevalorum Pelinor'
window=$(xdotool search --onlyvisible --name 'Nevalorum Pelinor' | head -n 1)
xdotool windowactivate --sync "$window"

# Positions inside the window (its menu bar included) of the name, the three
# fields of the birth date and the topic button "Любовь".
type_into() {
    xdotool mousemove --window "$window" "$1" "$2" click 1 sleep 0.3 \
        key --clearmodifiers ctrl+a sleep 0.1 type --delay 50 "$3"
    sleep 0.3
}
type_into 138 64 "Анна"
type_into 433 67 "1991"
type_into 368 67 "2"
type_into 308 67 "14"
xdotool mousemove --window "$window" 280 112 click 1

# The run is over when the archive is written; then the month buttons are filled.
wait_for test -s "$folder/Output/Horoscop.zip"
sleep 1
import -frame -window "$window" "$output"
SESSION

xvfb-run -a -s "-screen 0 1024x768x24" env \
    QTWEBENGINE_DISABLE_SANDBOX=1 \
    "QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu --disable-dev-shm-usage" \
    ASAN_OPTIONS=detect_leaks=0:new_delete_type_mismatch=0 \
    bash "$work/session.sh" "$program" "$output" "$work/folder"
echo "Wrote $output"
