#!/usr/bin/env bash
# Checks an installed Grivant under PREFIX (/usr for the package; any other prefix for an
# install from source): every shipped file is there, the programs answer without a
# display, the desktop entry, the AppStream file and the manual pages are valid, and the
# tool, started on a virtual display:
#   - in an empty working directory, opens its connection window and writes its files there;
#   - with an ini file asking for Chinese, opens the connection window in Chinese (its
#     translations built in);
#   - through the desktop entry's command, makes the per-user folder and keeps its files there.
#   scripts/check-install.sh PREFIX
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 PREFIX" >&2; exit 2; }
prefix=$(cd "$1" && pwd)
id=example.grivant.Grivant
fail() { echo "check-install: $*" >&2; exit 1; }

files=(bin/grivant bin/grivantctl bin/grivant-devsim bin/grivant-gateway
  share/grivant/translations/en_US.qm share/grivant/translations/zh_CN.qm
  share/grivant/70-grivant-serial.rules share/grivant/71-grivant-ftdi-latency.rules
  share/grivant/gateway.conf
  lib/systemd/system/grivant-gateway.service share/man/man1/grivant-gateway.1.gz
  share/applications/$id.desktop share/metainfo/$id.metainfo.xml
  share/man/man1/grivant.1.gz share/man/man1/grivantctl.1.gz share/man/man1/grivant-devsim.1.gz
  share/doc/grivant/copyright)
for size in 16 24 32 48 64 128 256 512; do
  files+=("share/icons/hicolor/${size}x${size}/apps/grivant.png")
done
for f in "${files[@]}"; do
  [ -f "$prefix/$f" ] || fail "missing $prefix/$f"
done

env -u DISPLAY "$prefix/bin/grivant" --version | grep '^grivant [0-9]' >/dev/null || fail "grivant --version"
env -u DISPLAY "$prefix/bin/grivant" --help | grep -- '--user-workdir' >/dev/null || fail "grivant --help"
"$prefix/bin/grivantctl" --help | grep '^Usage: grivantctl' >/dev/null || fail "grivantctl --help"
"$prefix/bin/grivant-devsim" --help | grep 'Modbus-RTU slave' >/dev/null || fail "grivant-devsim --help"
"$prefix/bin/grivant-gateway" --help | grep '^Usage: grivant-gateway' >/dev/null || fail "grivant-gateway --help"
# The shipped example is a configuration the gateway takes as it stands.
"$prefix/bin/grivant-gateway" --config "$prefix/share/grivant/gateway.conf" --check >/dev/null \
  || fail "grivant-gateway --check of the example configuration"
"$prefix/bin/grivant-devsim" --version | grep '^grivant-devsim [0-9]' >/dev/null || fail "grivant-devsim --version"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop entry"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null \
    || fail "AppStream metainfo (appstreamcli validate --no-net)"
fi
for page in grivant grivantctl grivant-gateway grivant-devsim; do
  warnings=$(zcat "$prefix/share/man/man1/$page.1.gz" | groff -man -Tutf8 -ww -z 2>&1)
  [ -z "$warnings" ] || fail "manual page $page.1: $warnings"
done

scratch=$(mktemp -d -t grivant-check.XXXXXX)
tool=""
xvfb=""
cleanup() {
  for pid in $tool $xvfb; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$scratch"
}
trap cleanup EXIT

# Windows need a display: a virtual one of our own, whatever DISPLAY says. The server
# takes a free display number itself and writes it once it accepts clients; it must not
# reset when its last client goes, or the next start may find no display.
Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 1280x1024x24 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb=$!
deadline=$((SECONDS + 30))
until [ -s "$scratch/display" ]; do
  kill -0 "$xvfb" 2>/dev/null && [ $SECONDS -lt $deadline ] || { cat "$scratch/xvfb.log" >&2; fail "Xvfb did not start"; }
  sleep 0.1
done
export DISPLAY=":$(tr -d '[:space:]' <"$scratch/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY XAUTHORITY

# Starts the tool in DIR with the given command line, waits (30 s at most) for a window
# whose title is TITLE, then ends the tool.
see_window() {
  local dir=$1 title=$2
  shift 2
  (cd "$dir" && exec "$@" >"$scratch/tool.log" 2>&1) &
  tool=$!
  local deadline=$((SECONDS + 30))
  until xwininfo -root -tree | grep -F "\"$title\"" >/dev/null; do
    kill -0 "$tool" 2>/dev/null || { cat "$scratch/tool.log" >&2; fail "$* ended before showing \"$title\""; }
    [ $SECONDS -lt $deadline ] || { cat "$scratch/tool.log" >&2; fail "$* showed no \"$title\" window"; }
    sleep 0.2
  done
  kill "$tool"
  wait "$tool" 2>/dev/null || true
  tool=""
  # Built with the sanitizers (the suite's install check), what they find ends the check.
  ! grep -q 'Sanitizer' "$scratch/tool.log" || { cat "$scratch/tool.log" >&2; fail "$*: a sanitizer report"; }
}

mkdir "$scratch/empty"
see_window "$scratch/empty" "Grivant -- Connection configuration" "$prefix/bin/grivant"
[ -f "$scratch/empty/VEvirurodOzovi.db" ] || fail "the model database was not written to the working directory"

mkdir "$scratch/chinese"
printf '[General]\nlanguage=zh_CN\n' >"$scratch/chinese/ZODidovava.ini"
see_window "$scratch/chinese" "Grivant -- 连接配置" "$prefix/bin/grivant"

# The desktop entry's command, as a menu would run it: from the home folder, with the
# installed bin folder on the PATH; field codes such as %f are dropped.
exec_line=$(sed -n 's/^Exec=//p' "$prefix/share/applications/$id.desktop" | sed 's/ %[fFuUick]//g')
read -r -a launcher <<<"$exec_line"
mkdir "$scratch/home"
PATH="$prefix/bin:$PATH" XDG_DATA_HOME="$scratch/data" \
  see_window "$scratch/home" "Grivant -- Connection configuration" "${launcher[@]}"
[ -f "$scratch/data/grivant/VEvirurodOzovi.db" ] || fail "the desktop entry's command did not use \$XDG_DATA_HOME/grivant"
[ -z "$(ls -A "$scratch/home")" ] || fail "the desktop entry's command wrote into the folder it was started from"

echo "check-install: $prefix holds a working Grivant"
