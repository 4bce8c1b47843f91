#!/bin/bash
# The window on the Wayland platform, natively, under a headless compositor:
# Qt's Wayland plugin is there, and the window opens, makes a forecast and
# opens a month page with its text and pictures told to a screen reader.
# Usage: wayland_test.sh APP_GUI_TEST
set -eu
test_program=$1
runtime=$(mktemp -d)
chmod 0700 "$runtime"
export XDG_RUNTIME_DIR=$runtime
weston --backend=headless-backend.so --socket=wayland-test --width=1600 --height=1200 \
    > "$runtime/weston.log" 2>&1 &
compositor=$!
trap 'kill $compositor 2>/dev/null; wait $compositor 2>/dev/null; rm -rf "$runtime"' EXIT
for _ in $(seq 100); do
    [ -S "$runtime/wayland-test" ] && break
    sleep 0.1
done
if [ ! -S "$runtime/wayland-test" ]; then
    echo "the compositor did not start:"; cat "$runtime/weston.log"; exit 1
fi
WAYLAND_DISPLAY=wayland-test QT_QPA_PLATFORM=wayland "$test_program" \
    --gtest_filter='MainWindowTest.FirstShownWithTodayAndNoMonths:MainWindowTest.WhatAScreenReaderFinds'
