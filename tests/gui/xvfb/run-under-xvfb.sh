#!/bin/sh
# Runs a test program on a virtual X server of its own, so that the window
# is a real X11 window. Exits with 77 (skipped) where no server can start.
server_args="-screen 0 1280x1024x24 -nolisten tcp"
if ! command -v xvfb-run >/dev/null 2>&1 || ! xvfb-run -a -s "$server_args" true </dev/null >/dev/null 2>&1; then
  echo "Skipped: Xvfb cannot start here, so the real-window tests did not run."
  exit 77
fi
unset WAYLAND_DISPLAY
# The X keyboard library hands strndup names that are not NUL-terminated
# within the buffer; strict string checks would report that library, not
# this program, so they are off for the X runs only.
if [ -n "${ASAN_OPTIONS:-}" ]; then
  ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"
  export ASAN_OPTIONS
fi
QT_QPA_PLATFORM=xcb exec xvfb-run -a -s "$server_args" "$@" </dev/null
