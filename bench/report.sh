#!/usr/bin/env bash
# One performance report: runs every benchmark of a build folder and prints one table of
# the figures and ratios measured in this run, with the aims beside them. Each benchmark's
# own output goes to <build>/bench-report/<name>.txt.
#   bench/report.sh BUILD_DIR
# GRIVANT_BENCH_SECONDS sets the length of each GUI phase (default 30 s).
set -euo pipefail
build="$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)"
out="$build/bench-report"
mkdir -p "$out"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
gui_seconds="${GRIVANT_BENCH_SECONDS:-30}"

load() { cut -d' ' -f1-3 /proc/loadavg; }
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
memory=$(awk '/^MemTotal/ {printf "%.1f GB", $2 / 1048576}' /proc/meminfo)
load_before=$(load)
started=$(date '+%Y-%m-%d %H:%M %Z')

run() {
  local name=$1
  shift
  echo "running $name ..." >&2
  if ! "$@" >"$out/$name.txt" 2>"$out/$name.err"; then
    echo "  $name failed, see $out/$name.err" >&2
  fi
}
run polling "$build/bench/bench_polling" 5
run network "$build/bench/bench_network" 5
run lease "$build/bench/bench_lease" 5
run gui "$build/bench/bench_gui" "$gui_seconds"
run startup "$build/bench/bench_startup" 10
run scanner "$build/bench/bench_scanner"
run plots "$build/bench/bench_plots"
run gateway "$build/bench/bench_gateway" 20
run session "$build/bench/bench_session" "$gui_seconds"
run sessionfile "$build/bench/bench_sessionfile"
run lineview "$build/bench/bench_lineview" "$gui_seconds"
run latency "$build/bench/bench_latency" 5
load_after=$(load)

# Every benchmark prints its figures for this table as "@key value" lines.
declare -A v
while read -r key value; do
  v[${key#@}]=$value
done < <(cat "$out"/*.txt | grep '^@' || true)
get() { echo "${v[$1]:--}"; }
# yes/no for "value op limit"; "-" when the value is missing
meets() {
  local value=$1 op=$2 limit=$3
  [ "$value" = "-" ] && { echo "-"; return; }
  awk -v a="$value" -v b="$limit" -v op="$op" \
    'BEGIN { r = (op == "<") ? a < b : (op == "<=") ? a <= b : a >= b; print r ? "yes" : "no" }'
}
kb_mb() { [ "$1" = "-" ] && echo "-" || awk -v k="$1" 'BEGIN { printf "%.1f MB", k / 1024 }'; }

row() { printf '  %-46s %-24s %-27s %-7s %-12s %s\n' "$@" | sed 's/ *$//'; }

echo "Grivant performance report, $started"
echo "  machine: $cpu, $(nproc) cores, $memory; $(uname -sr)"
echo "  load average (1, 5, 15 min) before: $load_before, after: $load_after"
echo "  simulator: tools/devsim, 8N1; GUI figures offscreen; details in ${out#"$PWD"/}/"
echo
row "Figure" "Measured" "Reference" "Ratio" "Aim" "Met"
for baud in 115200 9600; do
  ratio=$(get "polling.$baud.engine_ratio")
  row "Polling $baud, engine + link (wire time)" "$(get "polling.$baud.engine_rate") /s" \
    "line limit $(get "polling.$baud.limit") /s" "$ratio" ">= 0.95" "$(meets "$ratio" ">=" 0.95)"
  row "Polling $baud, mbpoll less its pause" "" "line time" "$(get "polling.$baud.mbpoll_ratio")" "" ""
done
ratio=$(get network.rtu.window_ratio)
row "RTU over TCP 115200, window's polling" "$(get network.rtu.window_rate) /s" \
  "line limit $(get network.rtu.window_limit) /s" "$ratio" ">= 0.9" "$(meets "$ratio" ">=" 0.9)"
ratio=$(get network.rtu.master_ratio)
row "RTU over TCP 115200, grivantctl's master" "$(get network.rtu.master_rate) /s" \
  "line limit $(get network.rtu.master_limit) /s" "$ratio" ">= 0.95" "$(meets "$ratio" ">=" 0.95)"
share=$(get network.rtu.gateway_share)
row "RTU over TCP 115200, gateway line share" "$share" "$(get network.rtu.gateway_polls) polls/s" "" ">= 0.95" \
  "$(meets "$share" ">=" 0.95)"
rate=$(get network.tcp.master_rate)
mbpoll=$(get network.tcp.mbpoll_rate)
row "Modbus TCP, grivantctl's master" "$rate /s, $(get network.tcp.master_ms) ms" \
  "mbpoll $mbpoll /s, $(get network.tcp.mbpoll_ms) ms" "" ">= mbpoll" "$(meets "$rate" ">=" "$mbpoll")"
direct=$(get lease.direct_p50)
p50=$(get lease.paced_p50)
limit=$([ "$direct" = "-" ] && echo "-" || awk -v d="$direct" 'BEGIN { printf "%.2f", d + 5 }')
row "Through a gateway, 14 registers, p50" "$p50 ms (p95 $(get lease.paced_p95))" "direct $direct ms" "" \
  "<= direct + 5" "$(meets "$p50" "<=" "$limit")"
ratio=$(get lease.paced_ratio)
row "Through a gateway, bystanders' polls" "$(get lease.paced_during) /s" "$(get lease.paced_before) /s unleased" \
  "$ratio" ">= 0.9" "$(meets "$ratio" ">=" 0.9)"
row "Same, bystanders at period 0, p50" "$(get lease.full_p50) ms" "$(get lease.full_before) polls/s unleased" \
  "$(get lease.full_ratio)" "" ""
for hold in 16 1; do
  row "Polling 115200, answers held to ${hold} ms" "$(get "latency.hold$hold.rate") /s" \
    "line limit $(get "latency.hold$hold.limit") /s" "$(get "latency.hold$hold.share")" "" ""
  row "Restore by grivantctl, answers held to ${hold} ms" "$(get "latency.hold$hold.restore_ms") ms" \
    "answer p50/p95 $(get "latency.hold$hold.p50")/$(get "latency.hold$hold.p95") ms" "" "" ""
done
row "Event-loop lag p50/p99/max, idle, no window" \
  "$(get gui.idle.p50)/$(get gui.idle.p99)/$(get gui.idle.max) ms" "floor on this machine" "" "" ""
for state in closed open; do
  p99=$(get "gui.$state.p99")
  row "Event-loop lag p50/p99/max, monitor $state" \
    "$(get "gui.$state.p50")/$p99/$(get "gui.$state.max") ms" "" "" "p99 < 2 ms" "$(meets "$p99" "<" 2)"
done
for state in closed open; do
  cpu_share=$(get "gui.$state.cpu")
  row "CPU share of one core, monitor $state" "$cpu_share %" "$(get "gui.$state.polls") polls/s" "" "< 10 %" \
    "$(meets "$cpu_share" "<" 10)"
done
ratio=$(get startup.ratio)
row "Start-up to the connection window shown" "$(get startup.tool_ms) ms" \
  "minimal program $(get startup.floor_ms) ms" "$ratio" "<= 1.5" "$(meets "$ratio" "<=" 1.5)"
row "Resident memory: at start, connected" "$(kb_mb "$(get startup.tool_rss_kb)"), $(kb_mb "$(get gui.rss_connected_kb)")" \
  "minimal program $(kb_mb "$(get startup.floor_rss_kb)")" "" "" ""
row "Traffic monitor repaint, median" "$(get gui.monitor_repaint_ms) ms" "$(get gui.monitor_repaints) repaints/s" "" "" ""
row "Resident memory, monitor open" "$(kb_mb "$(get gui.rss_monitor_kb)")" "$(get gui.monitor_frames) frames kept" "" "" ""
row "Resident memory, monitor's ring full" "$(kb_mb "$(get gui.rss_ring_full_kb)")" "100000 frames kept" "" "" ""
row "Auto-Connect: found at first, last setting" "$(get scanner.first_ms), $(get scanner.last_ms) ms" "" "" "" ""
row "Auto-Connect: whole sweep, nothing answers" "$(get scanner.empty_ms) ms" "" "" "" ""
row "Plot sample with its replot" "$(get plots.sample_replot_ms) ms" "" "" "" ""
share=$(get gateway.line_share)
row "Gateway 8 buses x 4, line share per bus" "$share (lowest $(get gateway.line_share_min))" \
  "$(get gateway.polls) polls/s in all" "" ">= 0.95" "$(meets "$share" ">=" 0.95)"
p99=$(get gateway.p99_full)
period=$(get gateway.period_full)
aim=$(awk -v p="$period" 'BEGIN { if (p == "-") print "-"; else printf "%.0f", 50 + p }')
row "Gateway change to broker p50/p99, period 0" "$(get gateway.p50_full)/$p99 ms" "poll period $period ms" "" \
  "< $aim ms" "$(meets "$p99" "<" "$aim")"
p99w=$(get gateway.p99_window)
row "Gateway change to broker p50/p99, 50 ms" "$(get gateway.p50_window)/$p99w ms" "poll period 50 ms" "" \
  "< 100 ms" "$(meets "$p99w" "<" 100)"
row "Gateway CPU per device, % of one core" \
  "$(get gateway.cpu_device_full)/$(get gateway.cpu_device_moving)/$(get gateway.cpu_device_window)" \
  "period 0 rest, moving; 50 ms" "" "" ""
stop=$(get gateway.stop_ms)
row "Gateway SIGTERM to its end" "$stop ms" "" "" "< 1000 ms" "$(meets "$stop" "<" 1000)"
row "Feedback reply dispatched and drawn" "$(get plots.feedback_reply_ms) ms" "" "" "" ""
lag_on=$(get session.lag_p99_on)
lag_limit=$(awk -v a="$(get session.lag_p99_off)" 'BEGIN { print (a == "-") ? "-" : a + 0.2 }')
row "Recording: event-loop lag p99 off/on" "$(get session.lag_p99_off)/$lag_on ms" "" "" "+0.2 ms" \
  "$(meets "$lag_on" "<=" "$lag_limit")"
cpu_extra=$(awk -v a="$(get session.cpu_off)" -v b="$(get session.cpu_on)" 'BEGIN { printf "%.1f", b - a }')
row "Recording: CPU share off/on" "$(get session.cpu_off)/$(get session.cpu_on) %" "" "" "+1 %" \
  "$(meets "$cpu_extra" "<" 1)"
row "Recording: one hour of a moving gripper" "$(get session.hour_file_mb) MB" \
  "$(get session.hour_mb) MB from growth" "" "<= 60 MB" "$(meets "$(get session.hour_file_mb)" "<=" 60)"
row "Replay of one hour: a moment shown" "$(get session.seek_ms) ms" "max $(get session.seek_max_ms) ms" "" "< 100 ms" \
  "$(meets "$(get session.seek_max_ms)" "<" 100)"
for reader in info export devsim window; do
  ratio=$(get sessionfile.${reader}_ratio)
  row "Session of 4 M frames opened: $reader" "$(get sessionfile.${reader}_mb) MB peak" \
    "file $(get sessionfile.file_mb) MB" "$ratio" "< 2" "$(meets "$ratio" "<" 2)"
done
picture=$(get lineview.picture_ms)
row "Line view: 1000 devices' picture shown" "$picture ms" "after connecting" "" "< 2000 ms" \
  "$(meets "$picture" "<" 2000)"
for phase in plain sorted; do
  name=$([ "$phase" = plain ] && echo "in order" || echo "sorted")
  p99=$(get "lineview.$phase.p99")
  row "Line view 10000/s, lag p50/p99/max, $name" \
    "$(get "lineview.$phase.p50")/$p99/$(get "lineview.$phase.max") ms" "$(get "lineview.$phase.messages") msgs/s" "" \
    "p99 < 16 ms" "$(meets "$p99" "<" 16)"
  cpu_share=$(get "lineview.$phase.cpu")
  row "Line view 10000/s, CPU (window), $name" "$cpu_share % ($(get "lineview.$phase.gui") %)" \
    "of one core" "" "< 25 %" "$(meets "$cpu_share" "<" 25)"
done
