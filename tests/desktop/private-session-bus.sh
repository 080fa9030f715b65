#!/bin/sh
# Runs a test on a session bus of its own, so that it never reaches the desktop's Secret Service or notification
# server, and without a display, so that no prompt appears on a screen. The bus ends with the test.
unset DISPLAY WAYLAND_DISPLAY
TALLOWIN_TEST_PRIVATE_BUS=1
export TALLOWIN_TEST_PRIVATE_BUS
exec dbus-run-session --config-file="$(dirname "$0")/private-session-bus.conf" -- "$@"
