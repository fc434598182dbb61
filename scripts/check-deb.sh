#!/usr/bin/env bash
# Installs a Grivant .deb with dpkg, checks the installed tool (scripts/check-install.sh
# /usr), purges the package and checks that nothing of it is left behind. Needs root (or
# sudo); refuses to touch a Grivant installed before, except in CI.
#   scripts/check-deb.sh PACKAGE.deb
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 PACKAGE.deb" >&2; exit 2; }
deb=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "check-deb: $*" >&2; exit 1; }
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

name=$(dpkg-deb -f "$deb" Package)
installed() { dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q ' installed$'; }
if installed && [ -z "${CI:-}" ]; then
  fail "$name is installed already; remove it first (sudo dpkg --purge $name)"
fi

echo "check-deb: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"
dpkg-deb -f "$deb" Depends Recommends | sed 's/^/check-deb:   /'

# Whatever happens below, the machine is left without the package.
trap '$sudo dpkg --purge "$name" >/dev/null 2>&1 || true' EXIT
$sudo dpkg -i "$deb"
installed || fail "dpkg -i did not install $name"
files=$(dpkg-query -L "$name")

[ "$(command -v grivant)" = /usr/bin/grivant ] || fail "grivant is not /usr/bin/grivant on the PATH"
man -w grivant >/dev/null && man -w grivantctl >/dev/null || fail "man does not find the pages"
"$here/check-install.sh" /usr

$sudo dpkg --purge "$name"
trap - EXIT
! installed || fail "dpkg --purge left $name installed"
# Every file is gone, and every folder is gone unless another package owns it.
while IFS= read -r path; do
  [ -n "$path" ] && [ "$path" != "/." ] || continue
  if [ -d "$path" ]; then
    dpkg-query -S "$path" >/dev/null 2>&1 || fail "folder $path left behind"
  elif [ -e "$path" ] || [ -L "$path" ]; then
    fail "$path left behind"
  fi
done <<<"$files"
[ ! -e /usr/share/grivant ] || fail "/usr/share/grivant left behind"
echo "check-deb: $name installs, works and purges cleanly"
