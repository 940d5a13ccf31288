#!/usr/bin/env bash
# Installs what is missing, builds in Release, then either starts Quilmora in
# its program folder (run) or runs the whole test suite (test).
#   bash setup.sh run
#   bash setup.sh test
set -euo pipefail
cd "$(dirname "$0")"
mode=${1:-run}
case "$mode" in run|test) ;; *) echo "usage: bash setup.sh run|test" >&2; exit 2 ;; esac

packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-translations-l10n libhwy-dev zlib1g-dev libbenchmark-dev
          libxcb-xfixes0-dev libxcb-xtest0-dev)
# The end-to-end test drives the real program on a virtual display, also
# under a Russian keyboard layout.
[ "$mode" = test ] && packages+=(xvfb xauth xdotool imagemagick x11-xkb-utils)
# The install test validates the desktop entry.
[ "$mode" = test ] && packages+=(desktop-file-utils)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
cmake --build build

if [ "$mode" = test ]; then
    cd build
    exec ctest --output-on-failure --timeout 1200
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Quilmora needs a display and none was found: run this from a desktop session, or on a virtual one: apt-get install -y xvfb && xvfb-run -a bash setup.sh run" >&2
    exit 1
fi
cd build/program
exec ./quilmora
