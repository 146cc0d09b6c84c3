#!/usr/bin/env bash
# Starts the built program on a private X server (Xvfb, with openbox) in a
# temporary home, once at the usual scale and once at twice the scale, and
# takes screenshots of the main window, the add dialog, the options dialog on
# its general page and the properties of a download that runs from a local
# nginx:
#   scripts/screenshots.sh [OUTDIR]     (default: build/screenshots)
# The files are NAME.png at the usual scale and NAME-2x.png at twice the scale.
# Needs the program built in build/ (or VANDREL_BUILD) and nginx; installs
# ImageMagick for its `import` when missing. It never reads or writes the
# user's files, the program reaches no session or system bus, and nginx
# listens on the loopback address only.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VANDREL_BUILD:-$root/build}
out=${1:-$build/screenshots}
program="$build/vandrel"
[[ -x $program ]] || { echo "no program at $program: build it first" >&2; exit 2; }
nginx=$(command -v nginx || echo /usr/sbin/nginx)
[[ -x $nginx ]] || { echo "no nginx: install it first" >&2; exit 2; }

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

# Waits up to thirty seconds for a command to succeed.
wait_for() {
  local tries
  for ((tries = 0; tries < 300; ++tries)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "timed out waiting for: $*" >&2
  return 1
}

# A file served slowly enough that its download still runs, in eight
# sections, when the properties are taken.
start_server() {
  local port=18700
  while (echo >"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do ((++port)); done
  mkdir -p "$tmp/nginx/www" "$tmp/nginx/temp"
  truncate -s 256M "$tmp/nginx/www/sample.bin"
  local user=""
  [[ $(id -u) -eq 0 ]] && user="user root;"
  cat >"$tmp/nginx/nginx.conf" <<EOF
master_process off;
daemon off;
$user
pid $tmp/nginx/nginx.pid;
error_log $tmp/nginx/error.log;
events { worker_connections 64; }
http {
    access_log off;
    client_body_temp_path $tmp/nginx/temp/body;
    proxy_temp_path $tmp/nginx/temp/proxy;
    fastcgi_temp_path $tmp/nginx/temp/fastcgi;
    uwsgi_temp_path $tmp/nginx/temp/uwsgi;
    scgi_temp_path $tmp/nginx/temp/scgi;
    default_type application/octet-stream;
    server {
        listen 127.0.0.1:$port;
        root $tmp/nginx/www;
        limit_rate 150k;
    }
}
EOF
  "$nginx" -p "$tmp/nginx" -c "$tmp/nginx/nginx.conf" -e "$tmp/nginx/error.log" &
  pids+=($!)
  wait_for test -s "$tmp/nginx/nginx.pid"
  url="http://127.0.0.1:$port/sample.bin"
}

# The first free display from :90.
free_display() {
  local display=90
  while [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]]; do ((++display)); done
  echo ":$display"
}

# openbox marks the root window once it manages the screen; a window mapped
# before that may stay unmanaged.
window_manager_ready() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
visible_windows() { xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null | wc -l; }
more_windows() { (($(visible_windows) > before)); }

# Sends keys to the main window and waits for a window more to show.
open_window() {
  before=$(visible_windows)
  xdotool key --window "$main" "$@"
  wait_for more_windows
  sleep 1
}

shoot() {
  import -window root "$out/$1$suffix.png"
  echo "$out/$1$suffix.png"
}

# One run of the program at the scale: screen, home and settings of its own.
run_at_scale() {
  local scale=$1
  suffix=$([[ $scale == 1 ]] && echo "" || echo "-${scale}x")
  export DISPLAY
  DISPLAY=$(free_display)
  Xvfb "$DISPLAY" -screen 0 "$((1280 * scale))x$((800 * scale))x24" -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  wait_for xdpyinfo
  openbox >/dev/null 2>&1 &
  pids+=($!)
  wait_for window_manager_ready

  local home="$tmp/home$scale"
  mkdir -p "$home" "$tmp/run$scale"
  chmod 700 "$tmp/run$scale"
  env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CACHE_HOME -u WAYLAND_DISPLAY \
    HOME="$home" XDG_RUNTIME_DIR="$tmp/run$scale" QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$scale" LANG=C.UTF-8 \
    DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent \
    "$program" >"$tmp/program$scale.log" 2>&1 &
  program_pid=$!
  pids+=("$program_pid")

  wait_for xdotool search --onlyvisible --pid "$program_pid" --name '^Vandrel$'
  main=$(xdotool search --onlyvisible --pid "$program_pid" --name '^Vandrel$' | head -1)
  xdotool windowactivate --sync "$main" 2>/dev/null || true
  sleep 1
  shoot main-window

  # Insert is the add command's key; the dialog starts in its address box.
  open_window Insert
  shoot add-dialog
  xdotool type --delay 5 "$url"
  xdotool key Return
  sleep 4

  # Tools, then Options.
  open_window alt+t o
  shoot options
  xdotool key Escape
  sleep 1

  # The one row, then its properties (F4).
  xdotool windowactivate --sync "$main" 2>/dev/null || true
  open_window ctrl+a F4
  shoot properties

  kill "$program_pid" 2>/dev/null || true
}

mkdir -p "$out"
start_server
run_at_scale 1
run_at_scale 2
