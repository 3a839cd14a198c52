#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the release files that scripts/release.sh made in build/release/, as
# their users will meet them: the checksums and the archives' listings; the
# licence's text in the tarball and the zips (CR LF there), as Debian ships
# it; the Debian package installed with apt-get, run from the PATH on a
# sample file, its man page shown, lintian, and a purge that leaves no file;
# the man page rendered without a warning; each zip's hamshift.exe held to
# Windows XP and converting a file under Wine from a folder outside the
# clone; and a second build in a fresh clone elsewhere, which must give the
# same bytes.
#
# Needs root (apt-get), the default build's sample maker
# (build/default/tests/make_sample), and a clean working tree for the second
# build. It installs and then purges the package hamshift.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine.sh
root=$PWD
release=$root/build/release
make_sample=$root/build/default/tests/make_sample

fail() {
  echo "check-release: $*" >&2
  exit 1
}
[ -x "$make_sample" ] || fail "build the default preset first: $make_sample is missing"
[ "$(id -u)" = 0 ] || fail "run as root: the package is installed and purged"

version=$(bash scripts/project-version.sh)
tarball=hamshift-$version-linux-x86_64.tar.gz
deb=hamshift_${version}_amd64.deb
zips=(hamshift-$version-windows-x86_64.zip hamshift-$version-windows-x86.zip)

scratch=$(mktemp -d /tmp/hamshift-release-check-XXXXXX)
chmod 755 "$scratch"
installed_here=0
cleanup() {
  if [ "$installed_here" = 1 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y hamshift >/dev/null 2>&1 || true
  fi
  if [ -n "${WINEPREFIX:-}" ]; then wine_stop_server; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

# A fresh sample (a KPG44D file with 3 fields to change) in FOLDER, converted
# by TOOL (a command line) run there: status 0, and the output and the file
# the same as the default build's of the same sample.
check_conversion() {
  local folder=$1
  shift
  mkdir -p "$folder" "$scratch/reference"
  "$make_sample" "$folder/S.DAT"
  "$make_sample" "$scratch/reference/S.DAT"
  (cd "$scratch/reference" && "$root/build/default/hamshift" S.DAT </dev/null >../expected)
  local status=0
  (cd "$folder" && "$@" S.DAT </dev/null >"$scratch/report") || status=$?
  [ "$status" = 0 ] || fail "$* exited with $status"
  grep -q '^S.DAT has been updated. 3Change(s) made.'$'\r''$' "$scratch/report" ||
    fail "$* printed: $(cat "$scratch/report")"
  cmp "$scratch/report" "$scratch/expected" || fail "$* printed otherwise than the default build"
  cmp "$folder/S.DAT" "$scratch/reference/S.DAT" || fail "$* converted the file otherwise"
  echo "$* converted a sample: 3 changes; output and file as the default build's"
}

echo "== checksums and listings =="
(cd "$release" && sha256sum -c SHA256SUMS)
[ "$(cd "$release" && ls)" = "$(printf '%s\n' SHA256SUMS "$tarball" "${zips[@]}" "$deb" | sort)" ] ||
  fail "build/release holds: $(ls "$release")"

top=hamshift-$version-linux-x86_64
expected=$(printf '%s\n' "$top/" "$top/bin/" "$top/bin/hamshift" "$top/share/" \
  "$top/share/doc/" "$top/share/doc/hamshift/" "$top/share/doc/hamshift/HACKING.md" \
  "$top/share/doc/hamshift/LICENSE" "$top/share/doc/hamshift/README.md" \
  "$top/share/man/" "$top/share/man/man1/" "$top/share/man/man1/hamshift.1")
diff <(tar -tzf "$release/$tarball") <(echo "$expected") || fail "$tarball lists otherwise"
tar -tvzf "$release/$tarball" | awk '$2 != "0/0" { exit 1 }' || fail "$tarball: an owner is not 0/0"

expected=$(printf '%s\n' ./ ./usr/ ./usr/bin/ ./usr/bin/hamshift ./usr/share/ ./usr/share/doc/ \
  ./usr/share/doc/hamshift/ ./usr/share/doc/hamshift/HACKING.md ./usr/share/doc/hamshift/README.md \
  ./usr/share/doc/hamshift/changelog.gz ./usr/share/doc/hamshift/copyright \
  ./usr/share/man/ ./usr/share/man/man1/ ./usr/share/man/man1/hamshift.1.gz)
diff <(dpkg-deb -c "$release/$deb" | awk '{ print $6 }') <(echo "$expected") ||
  fail "$deb lists otherwise"

for zip in "${zips[@]}"; do
  top=${zip%.zip}
  expected=$(printf '%s\n' "$top/" "$top/LICENSE.txt" "$top/README.txt" "$top/hamshift-backup.bat" \
    "$top/hamshift-preview.bat" "$top/hamshift.exe")
  diff <(unzip -Z1 "$release/$zip") <(echo "$expected") || fail "$zip lists otherwise"
done
echo "the four archives hold exactly the files expected"

echo "== the Linux binary =="
mkdir "$scratch/tar"
tar -xzf "$release/$tarball" -C "$scratch/tar"
binary=$scratch/tar/hamshift-$version-linux-x86_64/bin/hamshift
if objdump -p "$binary" | grep NEEDED | grep -E 'libstdc\+\+|libgcc_s'; then
  fail "the binary loads the C++ runtime instead of carrying it"
fi
[[ $(objdump --syms "$binary") == *"no symbols"* ]] || fail "the binary is not stripped"
echo "highest glibc symbol version: $(objdump -T "$binary" | grep -o 'GLIBC_[0-9.]*' | sort -Vu |
  tail -1)"

echo "== the licence =="
# Debian's own copy of the text, which its copyright file points at.
cmp LICENSE /usr/share/common-licenses/GPL-3 || fail "LICENSE is not the text of common-licenses/GPL-3"
cmp "$scratch/tar/hamshift-$version-linux-x86_64/share/doc/hamshift/LICENSE" LICENSE ||
  fail "$tarball carries another LICENSE"
echo "LICENSE, and the tarball's, is /usr/share/common-licenses/GPL-3"

# The README that a man page's SEE ALSO names.
see_also() {
  LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$1" 2>/dev/null | sed -n '/^SEE ALSO/ { n; s/^ *//p; }'
}

echo "== the tarball installed under /usr/local, and removed =="
# README's two commands, with a folder of the check's own for /usr/local; the
# folders that were there before stay.
usr_local=$scratch/usr-local
mkdir -p "$usr_local/bin" "$usr_local/share/man"
tar -xzf "$release/$tarball" --strip-components=1 --no-overwrite-dir -C "$usr_local"
readme=$(see_also "$usr_local/share/man/man1/hamshift.1")
[ "$readme" = /usr/local/share/doc/hamshift/README.md ] ||
  fail "the tarball's man page points at $readme"
[ -f "$usr_local/${readme#/usr/local/}" ] || fail "the tarball installs no $readme"
tar -tzf "$release/$tarball" | sed -n "s|^[^/]*/\(.*[^/]\)\$|$usr_local/\1|p" | xargs -d '\n' rm --
rmdir --ignore-fail-on-non-empty "$usr_local/share/doc/hamshift" "$usr_local/share/doc" \
  "$usr_local/share/man/man1"
[ -z "$(find "$usr_local" -mindepth 1 -not -path "$usr_local/bin" -not -path "$usr_local/share" \
  -not -path "$usr_local/share/man")" ] ||
  fail "left after the removal: $(find "$usr_local" -mindepth 1)"
[ -d "$usr_local/bin" ] && [ -d "$usr_local/share/man" ] || fail "the removal took a shared folder"
echo "the man page points at $readme, which the install puts there; the removal leaves no file"

echo "== the Debian package's binary, man page and maintainer =="
dpkg-deb -x "$release/$deb" "$scratch/deb"
cmp "$scratch/deb/usr/bin/hamshift" "$binary" || fail "the package's hamshift is not the tarball's"
readme=$(see_also "$scratch/deb/usr/share/man/man1/hamshift.1.gz")
[ "$readme" = /usr/share/doc/hamshift/README.md ] && [ -f "$scratch/deb$readme" ] ||
  fail "the package's man page points at $readme"
# DEBFULLNAME and DEBEMAIL, when release.sh had them, or the project's own.
maintainer=$(dpkg-deb -f "$release/$deb" Maintainer)
signed=$(zcat "$scratch/deb/usr/share/doc/hamshift/changelog.gz" |
         sed -n '/^ -- / { s/^ -- \(.*\)  [^ ].*$/\1/p; q; }')
[ "$signed" = "$maintainer" ] || fail "the changelog is signed by $signed, the package by $maintainer"
if [ -z "${DEBFULLNAME:-}${DEBEMAIL:-}" ]; then
  [ "$maintainer" = "The hamshift authors <hamshift@example.org>" ] ||
    fail "Maintainer: $maintainer, with neither DEBFULLNAME nor DEBEMAIL set"
elif [ -n "${DEBFULLNAME:-}" ] && [[ ${DEBEMAIL:-} == *@* && $DEBEMAIL != *'<'* ]]; then
  [ "$maintainer" = "$DEBFULLNAME <$DEBEMAIL>" ] ||
    fail "Maintainer: $maintainer, not DEBFULLNAME <DEBEMAIL>"
fi
echo "the tarball's binary; the man page points at $readme; Maintainer: $maintainer"

echo "== man page =="
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l \
  "$scratch/tar/hamshift-$version-linux-x86_64/share/man/man1/hamshift.1" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man --warnings: $warnings"
echo "man --warnings printed nothing"

echo "== lintian =="
# No tag at all, down to the pedantic ones.
status=0
lintian --fail-on error,warning,info,pedantic --info --pedantic "$release/$deb" \
  >"$scratch/lintian" 2>&1 || status=$?
tags=$(grep -v 'running with root privileges' "$scratch/lintian" || true)
[ -z "$tags" ] || echo "$tags"
[ "$status" = 0 ] && [ -z "$tags" ] || fail "lintian reports a tag"
echo "lintian: no tag (--info --pedantic)"

echo "== the Debian package: install, run, man, purge =="
if dpkg-query -W -f='${Status}' hamshift 2>/dev/null | grep -q installed; then
  fail "a package hamshift is installed already; purge it first"
fi
installed_here=1
DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
  "$release/$deb" >"$scratch/apt.log" 2>&1 || { cat "$scratch/apt.log"; fail "apt-get install"; }
mapfile -t installed < <(dpkg -L hamshift | grep -v '^/\.$')
[ "$(command -v hamshift)" = /usr/bin/hamshift ] || fail "hamshift is not /usr/bin/hamshift"
check_conversion "$scratch/deb-run" hamshift
[[ $(MANWIDTH=80 man hamshift 2>/dev/null) == *NAME*SYNOPSIS*"EXIT STATUS"* ]] || fail "man hamshift shows no page"
echo "man hamshift shows the page"
DEBIAN_FRONTEND=noninteractive apt-get purge -y hamshift >"$scratch/apt.log" 2>&1 ||
  { cat "$scratch/apt.log"; fail "apt-get purge"; }
installed_here=0
left=()
for path in "${installed[@]}"; do
  # Folders that other packages share stay; everything of ours goes.
  if [ -e "$path" ] && ! { [ -d "$path" ] && dpkg -S "$path" >/dev/null 2>&1; }; then
    left+=("$path")
  fi
done
[ ${#left[@]} = 0 ] || fail "left behind by the purge: ${left[*]}"
dpkg-query -W hamshift >/dev/null 2>&1 && fail "dpkg still knows hamshift"
echo "purged: none of its ${#installed[@]} paths is left"

# The batch files in WINDOWS (an unpacked zip) with a sample dropped on them,
# from FOLDER (whose name holds a blank, as Explorer then quotes the path),
# run by cmd as Explorer would, with a key for their pause: the preview
# lists and changes nothing, the backup copies and then converts.
check_batch_files() {
  local windows=$1 folder=$2
  mkdir -p "$folder"
  "$make_sample" "$folder/S.DAT"
  cp "$folder/S.DAT" "$scratch/original"
  local dropped
  dropped="Z:$(tr / '\\' <<<"$folder")\\S.DAT"
  run_batch() { echo | timeout 60 "$wine64_loader" cmd /c "$1" "$dropped" 2>/dev/null | tr -d '\r'; }
  run_batch "Z:$(tr / '\\' <<<"$windows")\\hamshift-preview.bat" >"$scratch/preview"
  grep -qx '3 field(s) would change; nothing was written.' "$scratch/preview" ||
    fail "hamshift-preview.bat printed: $(cat "$scratch/preview")"
  cmp "$folder/S.DAT" "$scratch/original" || fail "hamshift-preview.bat changed the file"
  run_batch "Z:$(tr / '\\' <<<"$windows")\\hamshift-backup.bat" >"$scratch/backup"
  grep -q 'S.DAT has been updated. 3Change(s) made.$' "$scratch/backup" ||
    fail "hamshift-backup.bat printed: $(cat "$scratch/backup")"
  cmp "$folder/S.DAT.bak" "$scratch/original" || fail "hamshift-backup.bat made no true copy"
  cmp -s "$folder/S.DAT" "$scratch/original" && fail "hamshift-backup.bat did not convert"
  echo "hamshift-preview.bat and hamshift-backup.bat, a file dropped on each: listed; copied and converted"
}

echo "== the Windows zips under Wine =="
export WINEPREFIX=$scratch/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$WINEPREFIX"
wine_prepare_prefix
# Each .exe is started by the Wine loader of its own architecture; the x86
# one only converts where a 32-bit program can start, but is checked anyway.
x86_runs=true
wine32_usable || { x86_runs=false; wine32_skip_line; }
for build in x86_64 x86; do
  top=hamshift-$version-windows-$build
  unzip -q "$release/$top.zip" -d "$scratch/zip"
  windows=$scratch/zip/$top
  for text in README.txt LICENSE.txt hamshift-preview.bat hamshift-backup.bat; do
    [ "$(grep -c $'\r$' "$windows/$text")" = "$(wc -l <"$windows/$text")" ] ||
      fail "$top/$text has a line without CR LF"
  done
  cmp <(tr -d '\r' <"$windows/LICENSE.txt") LICENSE || fail "$top/LICENSE.txt is not LICENSE"
  cmp <(tr -d '\r' <"$windows/README.txt") \
      <(sed -e "s/@VERSION@/$version/" -e "s/@DATE@/$(date -u -d "@$(git log -1 --format=%ct)" +%F)/" \
            packaging/windows/README.txt) || fail "$top/README.txt is not the README of this version"
  [[ $(x86_64-w64-mingw32-objdump -t "$windows/hamshift.exe") == *"no symbols"* ]] ||
    fail "$top/hamshift.exe is not stripped"
  [[ $(x86_64-w64-mingw32-objdump -p "$windows/hamshift.exe") =~ Time/Date[[:space:]]+[^$'\n']*1970 ]] ||
    fail "$top/hamshift.exe carries a time stamp"
  bash scripts/check-windows-imports.sh "$version" "$windows/hamshift.exe"
  if [ "$build" = x86_64 ] || $x86_runs; then
    check_conversion "$scratch/$top-run" timeout 60 "$(wine_loader_for "$windows/hamshift.exe")" \
      "$windows/hamshift.exe"
    check_batch_files "$windows" "$scratch/$top drop"
  fi
done

echo "== a second build, in another folder =="
if [ -n "$(git status --porcelain)" ]; then
  fail "the working tree has uncommitted changes, so a clone would build something else"
fi
clone=$scratch/elsewhere/hamshift-second
git clone --quiet --no-hardlinks "$root" "$clone"
git -C "$clone" checkout --quiet --detach "$(git rev-parse HEAD)"
bash "$clone/scripts/release.sh" >"$scratch/second.log" 2>&1 ||
  { cat "$scratch/second.log"; fail "the second build failed"; }
for file in SHA256SUMS "$tarball" "$deb" "${zips[@]}"; do
  cmp "$release/$file" "$clone/build/release/$file" || fail "$file differs between the two builds"
done
echo "the second build, in $clone, gave the same bytes"
(cd "$release" && ls -l && cat SHA256SUMS)
