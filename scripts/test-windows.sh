#!/usr/bin/env bash
# Runs the end-to-end suite of the Linux build against the Windows build
# under Wine: build/default/tests/e2e_tests with build/windows/hamshift.exe.
# Wine gets private prefixes (one for root, one for nobody, who runs the
# read-only cases), no display, and a wineserver kept running, so that each
# run costs a fraction of a second instead of about two. Everything nobody
# uses lies under the system's temporary folder, since the clone may lie where
# only its owner can enter; the suite runs nobody's copy of the tool from there.
set -euo pipefail
cd "$(dirname "$0")/.."

tool=build/windows/hamshift.exe
suite=build/default/tests/e2e_tests
[ -x "$suite" ] || { echo "build the default preset first: $suite is missing" >&2; exit 1; }
[ -f "$tool" ] || { echo "build the windows preset first: $tool is missing" >&2; exit 1; }

wine_root=$(mktemp -d /tmp/hamshift-wine-XXXXXX)
chmod 755 "$wine_root"
nobody_home="$wine_root/nobody"
mkdir -p "$wine_root/prefix" "$nobody_home/prefix"

# Root runs the read-only cases as nobody; without that user the suite skips them.
with_nobody=false
if [ "$(id -u)" = 0 ] && id nobody >/dev/null 2>&1; then
  with_nobody=true
  chown -R nobody:"$(id -g nobody)" "$nobody_home"
fi

export WINEPREFIX="$wine_root/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
as_nobody=(setpriv --reuid=nobody --regid="$(id -g nobody 2>/dev/null || echo 65534)" --clear-groups
           env HOME="$nobody_home" WINEPREFIX="$nobody_home/prefix" WINEDEBUG=-all
               WINEDLLOVERRIDES="mscoree,mshtml=")
# nobody's commands start in its home, not in the clone it may not enter.
in_nobody_home() { (cd "$nobody_home" && "$@"); }
cleanup() {
  wineserver -k 2>/dev/null || true
  if $with_nobody; then in_nobody_home "${as_nobody[@]}" wineserver -k 2>/dev/null || true; fi
  rm -rf "$wine_root"
}
trap cleanup EXIT

echo "== preparing Wine prefixes =="
wineserver -p
timeout 180 wineboot -i >/dev/null 2>&1
timeout 60 wine "$tool" warm-up.txt </dev/null >/dev/null 2>&1 || true
if $with_nobody; then
  in_nobody_home "${as_nobody[@]}" wineserver -p
  in_nobody_home timeout 180 "${as_nobody[@]}" wineboot -i >/dev/null 2>&1
  export HAMSHIFT_UNPRIVILEGED_ENV="HOME=$nobody_home WINEPREFIX=$nobody_home/prefix"
fi

echo "== end-to-end suite against $tool =="
"$suite" --tool="$tool" --launcher="timeout 60 wine"
