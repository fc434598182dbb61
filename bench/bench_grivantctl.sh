#!/usr/bin/env bash
# How long grivantctl takes to configure eight devices: a restore (writes, save, read-back)
# onto eight simulated devices on eight ports, served in parallel by one invocation, against
# the same eight one after the other. The simulator answers after the time request and reply
# take on the wire (--wire-time), at the baud rate given (default 115200).
#   bench/bench_grivantctl.sh [BUILD_DIR] [BAUD]
# Prints figures and asserts nothing.
set -euo pipefail
build="$(cd "${1:-$(dirname "$0")/../build}" && pwd)"
baud="${2:-115200}"
ctl="$build/grivantctl"
devsim="$build/tools/devsim/devsim"
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

ports=()
for i in 1 2 3 4 5 6 7 8; do
  "$devsim" --link "$work/sim$i" --baud "$baud" --wire-time --state "$work/state$i" --uid "0000000$i" \
    >/dev/null 2>&1 &
  pids+=($!)
  ports+=("$work/sim$i")
done
for p in "${ports[@]}"; do
  for _ in $(seq 50); do [ -e "$p" ] && break; sleep 0.1; done
done

"$ctl" backup "$work/params.json" --port "${ports[0]}" --baud "$baud" >/dev/null
# Every device holds other values than the file before each run.
change() { for p in "${ports[@]}"; do "$ctl" write 0x0406 60 55 --port "$p" --baud "$baud" >/dev/null; done; }
millis() { local s e; s=$(date +%s%N); "$@" >/dev/null; e=$(date +%s%N); echo $(( (e - s) / 1000000 )); }

port_args=()
for p in "${ports[@]}"; do port_args+=(--port "$p"); done

change
one=$(millis "$ctl" restore "$work/params.json" --port "${ports[0]}" --baud "$baud")
change
parallel=$(millis "$ctl" restore "$work/params.json" "${port_args[@]}" --baud "$baud")
change
sequential=$(millis bash -c "for p in ${ports[*]}; do '$ctl' restore '$work/params.json' --port \$p --baud $baud || exit 1; done")

printf 'restore at %s baud (writes, save, read-back), milliseconds:\n' "$baud"
printf '  one device                          %6d\n' "$one"
printf '  eight devices on eight ports        %6d  (one invocation, ports in parallel)\n' "$parallel"
printf '  eight devices, one after the other  %6d  (eight invocations)\n' "$sequential"
