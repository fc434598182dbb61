#!/usr/bin/env bash
# Grivant: install what is missing, build, then run the tool or the tests.
#   ./build.sh run [ARGS...]   build and start the tool against the device simulator
#   ./build.sh test            build and run the whole test suite through CTest
#   ./build.sh build           only install and build
#   ./build.sh package         build the Debian package (build/package/grivant_*.deb)
#   ./build.sh package-test    build the package, install it with dpkg, check the installed
#                              tool and purge it again (root or sudo)
set -euo pipefail
cd "$(dirname "$0")"
top=$(pwd)
build="$top/build"

packages=(
  cmake make g++ pkg-config
  qtbase5-dev qtbase5-dev-tools libqt5sql5-sqlite
  libqt5serialport5-dev libqt5serialbus5-dev
  qttools5-dev qttools5-dev-tools
  libqcustomplot-dev
  sqlite3
  xvfb xauth socat libmodbus-dev mbpoll
  fonts-wqy-microhei
  dpkg-dev file appstream desktop-file-utils x11-utils man-db
)

bootstrap() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing Debian packages: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

compile() {
  cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j"$(nproc)"
}

# The .deb from the build, made by CPack; prints its path.
package() {
  rm -rf "$build/package"
  (cd "$build" && cpack -G DEB -B "$build/package" >&2)
  ls "$build"/package/grivant_*.deb
}

cmd="${1:-run}"
[ $# -gt 0 ] && shift
bootstrap
compile
case "$cmd" in
  build) ;;
  test)
    cd "$build"
    ctest --output-on-failure --timeout 900
    ;;
  package)
    package
    ;;
  package-test)
    "$top/scripts/check-deb.sh" "$(package)"
    ;;
  run)
    exec "$top/scripts/run-with-simulator.sh" "$build" "$@"
    ;;
  *) echo "usage: $0 run|test|build|package|package-test" >&2; exit 2 ;;
esac
