#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the end-to-end suite of the Linux build against the Windows builds
# under Wine: build/default/tests/e2e_tests with build/PRESET/hamshift.exe,
# for each PRESET given (default: windows and windows-x86).
#
#   test-windows.sh [PRESET...]
#
# Each .exe is started by the Wine loader of its own architecture, and Wine's
# own commands by the 64-bit one (scripts/wine.sh says why). Both run in one
# 64-bit prefix, as on a 64-bit Windows. The x86 build runs only where a 32-bit
# program can start; elsewhere its suite is skipped with a line that says why.
# After the x86 suite, Wine is made to report Windows XP and the whole suite
# runs once more, as a smoke test of the build for XP.
#
# Wine gets private prefixes (one for root, one for nobody, who runs the
# read-only cases), no display, and a wineserver kept running, so that each
# run costs a fraction of a second instead of about two. Everything nobody
# uses lies under the system's temporary folder, since the clone may lie where
# only its owner can enter; the suite runs nobody's copy of the tool from there.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(windows windows-x86)
suite=build/default/tests/e2e_tests
[ -x "$suite" ] || { echo "build the default preset first: $suite is missing" >&2; exit 1; }
for preset in "${presets[@]}"; do
  [ -f "build/$preset/hamshift.exe" ] ||
    { echo "build the $preset preset first: build/$preset/hamshift.exe is missing" >&2; exit 1; }
done

# The x86 build is left out where no 32-bit program can start.
runnable=()
for preset in "${presets[@]}"; do
  if [ "$(wine_loader_for "build/$preset/hamshift.exe")" = "$wine32_loader" ] && ! wine32_usable; then
    wine32_skip_line
  else
    runnable+=("$preset")
  fi
done
[ ${#runnable[@]} -gt 0 ] || exit 0

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
  wine_stop_server
  if $with_nobody; then wine_stop_server in_nobody_home "${as_nobody[@]}"; fi
  rm -rf "$wine_root"
}
trap cleanup EXIT

echo "== preparing Wine prefixes =="
wine_prepare_prefix
if $with_nobody; then
  wine_prepare_prefix in_nobody_home "${as_nobody[@]}"
  export HAMSHIFT_UNPRIVILEGED_ENV="HOME=$nobody_home WINEPREFIX=$nobody_home/prefix"
fi

# The Windows version Wine reports, as `winecfg -v VERSION` sets it; with no
# VERSION, Wine's own default again. winecfg refuses winxp in a 64-bit prefix
# (it offers winxp64 there), yet a 32-bit program honours the setting.
report_windows() {
  local change=(reg delete 'HKCU\Software\Wine' /v Version /f)
  [ $# = 0 ] || change=(reg add 'HKCU\Software\Wine' /v Version /d "$1" /f)
  "$wine64_loader" "${change[@]}" >/dev/null
  if $with_nobody; then in_nobody_home "${as_nobody[@]}" "$wine64_loader" "${change[@]}" >/dev/null; fi
}

for preset in "${runnable[@]}"; do
  tool=build/$preset/hamshift.exe
  loader=$(wine_loader_for "$tool")
  echo "== end-to-end suite against $tool, started by $loader =="
  timeout 60 "$loader" "$tool" warm-up.txt </dev/null >/dev/null 2>&1 || true
  "$suite" --tool="$tool" --launcher="timeout 60 $loader"

  if [ "$loader" = "$wine32_loader" ]; then
    echo "== $tool where Wine reports Windows XP =="
    report_windows winxp
    version=$("$loader" cmd /c ver | tr -d '\r')
    echo "${version//$'\n'/}"
    [[ $version == *" 5.1."* ]] || { echo "Wine does not report Windows XP" >&2; exit 1; }
    "$suite" --tool="$tool" --launcher="timeout 60 $loader"
    report_windows
  fi
done
