#!/usr/bin/env bash
# Grivant: install what is missing, build, then run the tool or the tests.
#   ./build.sh run [ARGS...]   build and start the tool against the device simulator
#   ./build.sh test            build and run the whole test suite through CTest
#   ./build.sh test-asan       the whole suite built with the address and undefined-behaviour
#                              sanitizers, in build-asan/; any report fails it
#   ./build.sh test-tsan       the engine and link suites built with the thread sanitizer, in
#                              build-tsan/
#   ./build.sh fuzz [SECONDS]  build the fuzz targets with clang in build-fuzz/, replay their
#                              seed corpora, then fuzz each for SECONDS (default 60)
#   ./build.sh bench           build and print the performance report (a few minutes)
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
  sqlite3 libsqlite3-dev
  xvfb xauth socat libmodbus-dev mbpoll python3-pymodbus python3-serial-asyncio
  libmosquitto-dev mosquitto mosquitto-clients
  fonts-wqy-microhei qttranslations5-l10n
  dpkg-dev file appstream desktop-file-utils x11-utils man-db
  clang libclang-rt-14-dev
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

# A sanitizer report ends the program with a failure, leaks included. Leak stacks are taken
# in full (Debian's Qt has no frame pointers) so that Qt's own leaks, listed in
# tests/sanitizers/lsan.supp, can be told from the project's.
sanitizer_env() {
  export ASAN_OPTIONS="detect_leaks=1:fast_unwind_on_malloc=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  export LSAN_OPTIONS="suppressions=$top/tests/sanitizers/lsan.supp:print_suppressions=0"
}

cmd="${1:-run}"
[ $# -gt 0 ] && shift
bootstrap
case "$cmd" in
  test-asan)
    build="$top/build-asan"
    cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DGRIVANT_SANITIZE=address,undefined >/dev/null
    cmake --build "$build" -j"$(nproc)"
    sanitizer_env
    cd "$build"
    exec ctest --output-on-failure --timeout 900
    ;;
  test-tsan)
    build="$top/build-tsan"
    suites=(tst_vxctl tst_vxctl_link tst_link tst_scanner tst_connectionform)
    cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DGRIVANT_SANITIZE=thread >/dev/null
    cmake --build "$build" -j"$(nproc)" --target "${suites[@]}"
    export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$top/tests/sanitizers/tsan.supp"
    cd "$build"
    exec ctest --output-on-failure --timeout 900 -R "^($(IFS='|'; echo "${suites[*]}"))\$"
    ;;
  fuzz)
    exec "$top/tests/fuzz/run.sh" "$top" "$top/build-fuzz" "${1:-60}"
    ;;
esac
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
  bench)
    exec "$top/bench/report.sh" "$build"
    ;;
  run)
    exec "$top/scripts/run-with-simulator.sh" "$build" "$@"
    ;;
  *) echo "usage: $0 run|test|test-asan|test-tsan|fuzz [SECONDS]|bench|build|package|package-test" >&2; exit 2 ;;
esac
