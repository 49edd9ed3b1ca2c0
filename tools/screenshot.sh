#!/usr/bin/env bash
# Takes a picture of the window as a Linux desktop without Candara shows it:
# on a virtual X server, with only the DejaVu fonts, and writes it to
# docs/window.png. Builds the window program first if needed. Rerunnable.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh x11-apps netpbm >&2
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
cmake --build build --target mirovane-template-updater >&2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts/truetype/dejavu</dir>
  <cachedir>$work/font-cache</cachedir>
</fontconfig>
CONF

# A fresh home and prefix: the window shows the configured settings only.
env -u WAYLAND_DISPLAY HOME="$work" WINEPREFIX="$work/wine" XDG_RUNTIME_DIR="$work" \
  FONTCONFIG_FILE="$work/fonts.conf" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 800x400x24 -nolisten tcp" bash -c '
    build/src/app/gui/mirovane-template-updater </dev/null &
    program=$!
    for _ in $(seq 50); do
      xwd -name "Mirovane Template Updater" -silent >/dev/null 2>&1 && break
      sleep 0.2
    done
    sleep 1 # let the first paint finish
    xwd -name "Mirovane Template Updater" -silent >"$1/window.xwd"
    kill "$program"
    wait "$program" 2>/dev/null || true
  ' bash "$work"

mkdir -p docs
xwdtopnm <"$work/window.xwd" 2>/dev/null | pnmtopng >docs/window.png 2>/dev/null
echo "Wrote docs/window.png" >&2
