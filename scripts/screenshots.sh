#!/usr/bin/env bash
# Starts the built program on a private X server (Xvfb, with openbox) in a
# temporary home and takes two screenshots: the main window, then the add dialog.
#   scripts/screenshots.sh [OUTDIR]     (default: build/screenshots)
# Needs the program built in build/ (or VANDREL_BUILD); installs ImageMagick for
# its `import` when missing. It never reads or writes the user's files, and the
# program reaches no session or system bus.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VANDREL_BUILD:-$root/build}
out=${1:-$build/screenshots}
program="$build/vandrel"
[[ -x $program ]] || { echo "no program at $program: build it first" >&2; exit 2; }

if ! command -v import >/dev/null; then
  sudo=""
  [[ $(id -u) -eq 0 ]] || sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends imagemagick
fi

tmp=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

# Waits up to ten seconds for a command to succeed.
wait_for() {
  local tries
  for ((tries = 0; tries < 100; ++tries)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "timed out waiting for: $*" >&2
  return 1
}

# The first free display from :90.
display=90
while [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]]; do ((++display)); done
export DISPLAY=:$display
Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
wait_for xdpyinfo
openbox >/dev/null 2>&1 &
pids+=($!)

mkdir -p "$tmp/home" "$tmp/run" "$out"
chmod 700 "$tmp/run"
env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CACHE_HOME -u WAYLAND_DISPLAY \
  HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/run" QT_QPA_PLATFORM=xcb LANG=C.UTF-8 \
  DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent \
  "$program" >"$tmp/program.log" 2>&1 &
program_pid=$!
pids+=("$program_pid")

visible_windows() { xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null | wc -l; }
more_windows() { (($(visible_windows) > before)); }
wait_for xdotool search --onlyvisible --pid "$program_pid" --name '^Vandrel$'
main=$(xdotool search --onlyvisible --pid "$program_pid" --name '^Vandrel$' | head -1)
xdotool windowactivate --sync "$main" 2>/dev/null || true
sleep 1
import -window root "$out/main-window.png"

# Insert is the add command's key.
before=$(visible_windows)
xdotool key --window "$main" Insert
wait_for more_windows
sleep 1
import -window root "$out/add-dialog.png"
echo "$out/main-window.png"
echo "$out/add-dialog.png"
