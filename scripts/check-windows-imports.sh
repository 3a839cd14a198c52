#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Holds Windows builds of hamshift.exe to Windows XP: each EXE must claim a
# PE subsystem version of at most 5.1 (x86) or 5.2 (x86-64), import from
# KERNEL32.dll and msvcrt.dll alone, and import only functions that
# packaging/windows/xp-imports.txt lists for its architecture, each of them
# checked there against Microsoft's documentation. It must also carry the
# version information of this project version, naming the licence, and a
# manifest that asks for asInvoker and declares the program aware of long
# paths. Prints what it checked; fails on the first EXE that breaks a rule.
#
#   check-windows-imports.sh VERSION EXE...
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -ge 2 ] || { echo "usage: check-windows-imports.sh VERSION EXE..." >&2; exit 2; }
version=$1
shift
list=packaging/windows/xp-imports.txt

fail() {
  echo "check-windows-imports: $*" >&2
  exit 1
}

for exe in "$@"; do
  headers=$(x86_64-w64-mingw32-objdump -p "$exe")
  case $(x86_64-w64-mingw32-objdump -f "$exe" | sed -n 's/.*file format //p') in
    pei-i386) arch=x86 highest=5.1 ;;
    pei-x86-64) arch=x86-64 highest=5.2 ;;
    *) fail "$exe is not a Windows program for x86 or x86-64" ;;
  esac
  major=$(awk '$1 == "MajorSubsystemVersion" { print $2 }' <<<"$headers")
  minor=$(awk '$1 == "MinorSubsystemVersion" { print $2 }' <<<"$headers")
  awk -v v="$major.$minor" -v h="$highest" 'BEGIN { split(v, a, "."); split(h, b, ".");
      exit !(a[1] < b[1] || (a[1] == b[1] && a[2] <= b[2])) }' ||
    fail "$exe ($arch) claims subsystem version $major.$minor; Windows XP needs at most $highest"

  # "DLL function" for every import, from the import tables' listing.
  imports=$(awk '/^The Import Tables/ { on = 1; next } /^The [A-Z]/ { on = 0 }
                 on && /DLL Name:/ { dll = $3; next }
                 on && dll != "" && NF == 3 && $2 ~ /^[0-9]+$/ { print dll, $3 }' <<<"$headers" |
            sort -u)
  [ -n "$imports" ] || fail "$exe: no import table found"
  allowed=$(awk -v arch="$arch" '!/^#/ && NF >= 3 { n = split($3, archs, ",");
                for (i = 1; i <= n; ++i) if (archs[i] == arch) print $1, $2 }' "$list" | sort -u)
  dlls=$(cut -d' ' -f1 <<<"$imports" | sort -u | tr '\n' ' ')
  [ "$dlls" = "KERNEL32.dll msvcrt.dll " ] || fail "$exe ($arch) imports from: $dlls"
  unlisted=$(comm -23 <(echo "$imports") <(echo "$allowed"))
  [ -z "$unlisted" ] || fail "$exe ($arch) imports what $list does not list for $arch:"$'\n'"$unlisted"

  resources=$(x86_64-w64-mingw32-windres -i "$exe" -O rc)
  grep -q "VALUE \"FileVersion\", \"$version\"" <<<"$resources" ||
    fail "$exe carries no version information for $version"
  grep -q 'VALUE "LegalCopyright", ".*Licence: GPL-3.0-or-later\."' <<<"$resources" ||
    fail "$exe carries no licence in its version information"
  grep -q 'requestedExecutionLevel level=""asInvoker""' <<<"$resources" ||
    fail "$exe carries no manifest asking for asInvoker"
  grep -q '<ws2:longPathAware>true</ws2:longPathAware>' <<<"$resources" ||
    fail "$exe carries no manifest declaring longPathAware"
  echo "$exe: $arch, subsystem version $major.$minor, $(wc -l <<<"$imports") imports," \
    "all listed; version $version, licence GPL-3.0-or-later, manifest asInvoker and longPathAware"
done
