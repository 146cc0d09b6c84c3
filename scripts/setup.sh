#!/usr/bin/env bash
# Installs what the build and the tests need (Debian 12), then configures and
# builds everything in build/. Sourced by run.sh and test.sh.
set -euo pipefail

packages=(g++ cmake ninja-build pkg-config qt6-base-dev libgl-dev libcurl4-openssl-dev libssl-dev
          libgtest-dev libgmock-dev nettle-dev nginx caddy openssl dbus shared-mime-info desktop-file-utils
          libxcb1-dev fonts-noto-cjk qt6-translations-l10n xdg-utils xvfb openbox xclip xdotool x11-utils busybox)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [[ $(id -u) -eq 0 ]] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cmake -S "$root" -B "$root/build" -G Ninja ${VANDREL_CMAKE_ARGS:-}
cmake --build "$root/build" ${VANDREL_BUILD_TARGETS:+--target $VANDREL_BUILD_TARGETS}
