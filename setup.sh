#!/usr/bin/env bash
# Installs what is missing, builds in Release, then either starts Quilmora in
# its program folder (run) or runs the whole test suite (test).
#   bash setup.sh run
#   bash setup.sh test
set -euo pipefail
cd "$(dirname "$0")"
mode=${1:-run}
case "$mode" in run|test) ;; *) echo "usage: bash setup.sh run|test" >&2; exit 2 ;; esac

# What the program and the renderer need to build and run.
packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-translations-l10n libhwy-dev zlib1g-dev)
if [ "$mode" = test ]; then
    # Benchmarks; the end-to-end test drives the real program on a virtual
    # display, also under a Russian keyboard layout, and reads the server's
    # cursor and keys; the install test builds the package and checks it with
    # Debian's own tools.
    packages+=(libbenchmark-dev libxcb-xfixes0-dev libxcb-xtest0-dev xvfb xauth xdotool imagemagick x11-xkb-utils
               desktop-file-utils appstream shared-mime-info xdg-utils libfile-mimeinfo-perl man-db help2man
               lintian dpkg-dev)
fi

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

if [ "$mode" = test ]; then
    # Configured each time, so that tools installed since are found.
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILMORA_TESTS=ON -DQUILMORA_BENCH=ON
    cmake --build build
    cd build
    exec ctest --output-on-failure --timeout 1200
fi

if [ ! -f build/build.ninja ]; then
    echo "The first build takes about two minutes on two cores."
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILMORA_TESTS=OFF -DQUILMORA_BENCH=OFF
fi
cmake --build build --target quilmora quilmora-render

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Quilmora needs a display and none was found: run this from a desktop session, or on a virtual one: apt-get install -y xvfb && xvfb-run -a bash setup.sh run" >&2
    exit 1
fi
cd build/program
exec ./quilmora
