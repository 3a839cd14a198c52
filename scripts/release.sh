#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the release files of the commit checked out, in build/release/:
#   hamshift-VERSION-linux-x86_64.tar.gz   bin/hamshift, the man page, README, LICENSE
#   hamshift_VERSION_amd64.deb             the same, installed under /usr
#   hamshift-VERSION-windows-x86_64.zip    hamshift.exe and its copies hamshift-preview.exe and
#                                          hamshift-backup.exe, README.txt, LICENSE.txt; 64-bit Windows
#   hamshift-VERSION-windows-x86.zip       the same for 32-bit Windows
#   hamshift-VERSION.html                  the web page, the core inside it
#   SHA256SUMS                             for sha256sum -c
# Two runs on the same commit give the same bytes, wherever the clone lives
# and whenever it runs: every time stamp is the commit's, the build folder is
# mapped out of the binaries, and archive members have a fixed order, owner,
# mode and time. Intermediate files go to build/release-work/.
#
# Run it from a clean clone; HAMSHIFT_RELEASE_DIRTY=1 builds uncommitted
# changes anyway, for trying the script out.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ -n "$(git status --porcelain)" ] && [ "${HAMSHIFT_RELEASE_DIRTY:-}" != 1 ]; then
  echo "release.sh: the working tree has uncommitted changes; a release is made from a commit" >&2
  git status --short >&2
  exit 1
fi

export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export TZ=UTC LC_ALL=C.UTF-8
umask 022

# The Debian package's maintainer, taken as dch takes it: the name from
# DEBFULLNAME, the address from DEBEMAIL, which may hold "Name <address>"
# itself; the project's own where they are unset. The same values give the
# same package.
maintainer_name=${DEBFULLNAME:-}
maintainer_email=${DEBEMAIL:-}
if [[ $maintainer_email =~ ^(.*[^[:space:]])[[:space:]]*\<([^\<\>]*)\>$ ]]; then
  maintainer_name=${maintainer_name:-${BASH_REMATCH[1]}}
  maintainer_email=${BASH_REMATCH[2]}
fi
maintainer="${maintainer_name:-The hamshift authors} <${maintainer_email:-hamshift@example.org}>"
# A name and one address on one line: a comma would make a list of them.
address='[^<>,[:space:][:cntrl:]]+@[^<>,[:space:][:cntrl:]]+'
maintainer_form="^[^<>,[:cntrl:]]+ <$address>\$"
if [[ ! $maintainer =~ $maintainer_form ]]; then
  echo "release.sh: DEBFULLNAME and DEBEMAIL give no maintainer of the form Name <address>:" \
    "$maintainer" >&2
  exit 1
fi
# For sed's replacement text.
maintainer_sed=$(printf '%s' "$maintainer" | sed -e 's/[\/&\\]/\\&/g')

out=$root/build/release
work=$root/build/release-work
rm -rf "$out" "$work"
mkdir -p "$out" "$work"

# Paths in the binaries are written relative to the clone.
prefix_map="-ffile-prefix-map=$root/="

echo "== Linux build =="
# Configured for /usr/local, where README tells how to install the tarball;
# its man page names the README there.
cmake --preset default -B "$work/linux" -DHAMSHIFT_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr/local \
  -DCMAKE_CXX_FLAGS="$prefix_map -D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
  -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro,-z,now" >/dev/null
cmake --build "$work/linux" -j 2
version=$(bash scripts/project-version.sh)
date=$(date -u -d "@$SOURCE_DATE_EPOCH" +%F)
echo "version $version, released $date"

# Stripped by the linker: strip would give the .exe a time stamp again.
for preset in windows windows-x86; do
  echo "== $preset build =="
  cmake --preset $preset -B "$work/$preset" -DCMAKE_CXX_FLAGS="$prefix_map" \
    -DCMAKE_EXE_LINKER_FLAGS_RELEASE=-s >/dev/null
  cmake --build "$work/$preset" -j 2
done

# The page holds no path and no time stamp: the module is stripped, and the
# banner's date is the commit's.
echo "== web page =="
cmake --preset web -B "$work/web" -DHAMSHIFT_TESTS=OFF >/dev/null
cmake --build "$work/web" -j 2
cp "$work/web/hamshift-$version.html" "$out/"

# Every file and folder of a tree gets the commit's time and a plain mode.
normalize() {
  find "$1" -type d -exec chmod 0755 {} +
  find "$1" -type f -exec chmod 0644 {} +
  if [ -d "$1/bin" ]; then find "$1/bin" -type f -exec chmod 0755 {} +; fi
  if [ -d "$1/usr/bin" ]; then find "$1/usr/bin" -type f -exec chmod 0755 {} +; fi
  find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

# The Linux tree, under a prefix, stripped as Debian strips: without the
# compiler's .comment and .note sections.
cmake --install "$work/linux" --prefix "$work/linux-install" --strip >/dev/null
strip --remove-section=.comment --remove-section=.note "$work/linux-install/bin/hamshift"

echo "== tarball =="
tar_name=hamshift-$version-linux-x86_64
mkdir -p "$work/tar"
cp -R "$work/linux-install" "$work/tar/$tar_name"
normalize "$work/tar/$tar_name"
tar --create --directory="$work/tar" --sort=name --format=gnu \
    --owner=0 --group=0 --numeric-owner --mtime="@$SOURCE_DATE_EPOCH" "$tar_name" |
  gzip -9n >"$out/$tar_name.tar.gz"

echo "== Debian package =="
# The build is configured again for /usr, so that the man page names the
# README where the package puts it; that compiles nothing anew, and
# check-release.sh holds the two binaries to the same bytes.
# dpkg-shlibdeps reads the libraries the binary needs and their packages'
# symbol files; it expects the package's tree in debian/PACKAGE beside a
# debian/control, and finds the tree's root by its DEBIAN folder.
deb=$work/pkg/debian/hamshift
mkdir -p "$deb/DEBIAN"
cmake -B "$work/linux" -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$work/linux" -j 2 >/dev/null
DESTDIR=$deb cmake --install "$work/linux" --strip >/dev/null
strip --remove-section=.comment --remove-section=.note "$deb/usr/bin/hamshift"
doc=$deb/usr/share/doc/hamshift
# Debian keeps the licence's text in /usr/share/common-licenses, which the
# copyright file names.
rm "$doc/LICENSE"
gzip -9n "$deb/usr/share/man/man1/hamshift.1"
cp packaging/deb/copyright "$doc/copyright"
sed -e "s/@VERSION@/$version/" -e "s/@DATE@/$(date -u -R -d "@$SOURCE_DATE_EPOCH")/" \
    -e "s/@MAINTAINER@/$maintainer_sed/" packaging/deb/changelog.in | gzip -9n >"$doc/changelog.gz"
printf 'Source: hamshift\n\nPackage: hamshift\nArchitecture: amd64\n' >"$work/pkg/debian/control"
depends=$(cd "$work/pkg" && dpkg-shlibdeps -O debian/hamshift/usr/bin/hamshift |
          sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "dpkg-shlibdeps found no dependency" >&2; exit 1; }
(cd "$deb" && find usr -type f | sort | xargs md5sum) >"$deb/DEBIAN/md5sums"
installed_size=$(du -s -k --apparent-size --exclude=DEBIAN "$deb" | cut -f1)
sed -e "s/@VERSION@/$version/" -e "s/@INSTALLED_SIZE@/$installed_size/" \
    -e "s/@DEPENDS@/$depends/" -e "s/@MAINTAINER@/$maintainer_sed/" packaging/deb/control.in \
    >"$deb/DEBIAN/control"
normalize "$deb"
dpkg-deb --root-owner-group -Zxz --build "$deb" "$out/hamshift_${version}_amd64.deb" >/dev/null

# The two zips hold the same files: the build's hamshift.exe, with two copies
# of it to drop a file on, whose names give them an option (hamshift-preview
# --dry-run, hamshift-backup --backup), README.txt and the licence, every text
# with CR LF line ends.
zips=()
for build in windows:x86_64 windows-x86:x86; do
  preset=${build%:*}
  zip_name=hamshift-$version-windows-${build#*:}
  echo "== $zip_name.zip =="
  cmake --install "$work/$preset" --prefix "$work/$preset-install" >/dev/null
  mkdir -p "$work/$preset-zip/$zip_name"
  for exe in hamshift.exe hamshift-preview.exe hamshift-backup.exe; do
    cp "$work/$preset-install/bin/hamshift.exe" "$work/$preset-zip/$zip_name/$exe"
  done
  sed -e "s/@VERSION@/$version/" -e "s/@DATE@/$date/" -e 's/$/\r/' packaging/windows/README.txt \
    >"$work/$preset-zip/$zip_name/README.txt"
  sed -e 's/$/\r/' LICENSE >"$work/$preset-zip/$zip_name/LICENSE.txt"
  python3 scripts/make-zip.py "$out/$zip_name.zip" "$work/$preset-zip" "$zip_name" \
    "$SOURCE_DATE_EPOCH"
  zips+=("$zip_name.zip")
done

(cd "$out" && sha256sum "$tar_name.tar.gz" "hamshift_${version}_amd64.deb" "${zips[@]}" \
  "hamshift-$version.html" >SHA256SUMS)
echo "== build/release =="
(cd "$out" && ls -l && cat SHA256SUMS)
