#!/bin/sh
# Runs a test program on a virtual X server of its own, so that the window
# is a real X11 window. Exits with 77 (skipped) where no server can start.
server_args="-screen 0 1280x1024x24 -nolisten tcp"
if ! command -v xvfb-run >/dev/null 2>&1 || ! xvfb-run -a -s "$server_args" true </dev/null >/dev/null 2>&1; then
  echo "Skipped: Xvfb cannot start here, so the real-window tests did not run."
  exit 77
fi
unset WAYLAND_DISPLAY
QT_QPA_PLATFORM=xcb exec xvfb-run -a -s "$server_args" "$@" </dev/null
