#!/usr/bin/env bash
# Grivant: install what is missing, build, then run the tool or the tests.
#   ./build.sh run [ARGS...]   build and start the tool against the device simulator
#   ./build.sh test            build and run the whole test suite through CTest
#   ./build.sh bench           build and print the performance report (a few minutes)
#   ./build.sh build           only install and build
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
  bench)
    exec "$top/bench/report.sh" "$build"
    ;;
  run)
    exec "$top/scripts/run-with-simulator.sh" "$build" "$@"
    ;;
  *) echo "usage: $0 run|test|bench|build" >&2; exit 2 ;;
esac
