#!/usr/bin/env bash
# Start the device simulator on a pseudo-terminal in the background, then the tool in its
# own working directory with the simulator's port; the simulator ends with the tool.
set -euo pipefail
build="$(cd "$1" && pwd)"; shift  # the tool runs in its own folder below
run="$build/run"
mkdir -p "$run" /tmp/grivant
link=/tmp/grivant/ttySIM0
"$build/tools/devsim/devsim" --link "$link" >"$run/devsim.log" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true; wait $sim 2>/dev/null || true' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
cd "$run"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: starting under Xvfb (xvfb-run)."
  xvfb-run -a "$build/grivant" --port "$link=Grivant device simulator" "$@"
else
  "$build/grivant" --port "$link=Grivant device simulator" "$@"
fi
