#!/usr/bin/env bash
# Renews the README's pictures (docs/*.png) from the real windows after a change of the
# interface. The screenshot cases of the end-to-end and the panel suites connect the tool
# to the device simulator on the offscreen platform, in English and in Chinese, and grab
# the windows; this script keeps the pictures the README shows.
#   scripts/screenshots.sh [BUILD]    (default: build/, made by ./build.sh build)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT

for suite in tst_e2e tst_panels_wire tst_sessionwindow tst_netwindow tst_gatewaywindow; do
  echo "screenshots: $suite"
  (cd "$build/tests/work/$suite" &&
    GRIVANT_SCREENSHOTS="$shots" GRIVANT_RUN_DIR="$build/run" DEVSIM="$build/tools/devsim/devsim" \
      QT_QPA_PLATFORM=offscreen "$build/tests/$suite" screenshots >"$shots/$suite.log" 2>&1) \
    || { cat "$shots/$suite.log" >&2; exit 1; }
done

# The Line view on a screen of 1366 x 768, as a plant's PC has it: under Xvfb, with a real
# gateway of two buses of simulated devices.
echo "screenshots: tst_lineview (Xvfb)"
(cd "$build/tests/work/tst_lineview" &&
  GRIVANT_SCREENSHOTS="$shots" GRIVANT_RUN_DIR="$build/run" DEVSIM="$build/tools/devsim/devsim" \
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1366x768x24" "$build/tests/tst_lineview" screenshots \
    >"$shots/tst_lineview.log" 2>&1) \
  || { cat "$shots/tst_lineview.log" >&2; exit 1; }

# picture taken by the suites -> picture in docs/
pictures=(
  main-wide-en_US:main-wide-en
  connection-en_US:connection-en
  control-gripper-en_US:gripper-en
  control-module-en_US:module-en
  control-gripper-zh_CN:gripper-zh
  replay-en_US:replay-en
  line-en_US:line-en
  network-dialog-en_US:network-dialog-en
  connection-network-en_US:connection-network-en
  gateway-dialog-en_US:gateway-dialog-en
)
mkdir -p "$top/docs"
for pair in "${pictures[@]}"; do
  cp "$shots/${pair%%:*}.png" "$top/docs/${pair#*:}.png"
done
du -ch "$top"/docs/*.png | tail -1 | sed 's/^/screenshots: docs\/ holds /'
