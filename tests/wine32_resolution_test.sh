#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The resolution scripts/wine.sh falls back to when wine32:i386 will not
# install, on apt's output as captured on Debian 12: the security suite it
# pins out, the packages it takes from the dependency tree, and the amd64
# libraries it brings to their i386 twins' versions.
set -euo pipefail
source "$(dirname "$0")/../scripts/wine.sh"
failures=0
expect() {  # WHAT EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s\n--- expected\n%s\n--- got\n%s\n' "$1" "$2" "$3"
    failures=$((failures + 1))
  fi
}

policy_files='Package files:
 100 /var/lib/dpkg/status
     release a=now
 500 http://deb.debian.org/debian-security bookworm-security/main i386 Packages
     release v=12,o=Debian,a=oldstable-security,n=bookworm-security,l=Debian-Security,c=main,b=i386
     origin deb.debian.org
 500 http://deb.debian.org/debian-security bookworm-security/main amd64 Packages
     release v=12,o=Debian,a=oldstable-security,n=bookworm-security,l=Debian-Security,c=main,b=amd64
     origin deb.debian.org
 500 http://deb.debian.org/debian bookworm-updates/main amd64 Packages
     release v=12-updates,o=Debian,a=oldstable-updates,n=bookworm-updates,l=Debian,c=main,b=amd64
     origin deb.debian.org
 500 http://deb.debian.org/debian bookworm/main amd64 Packages
     release v=12.15,o=Debian,a=oldstable,n=bookworm,l=Debian,c=main,b=amd64
     origin deb.debian.org
Pinned packages:'
expect "security suites" "bookworm-security" "$(wine32_security_suites <<<"$policy_files")"
expect "no security suite" "" "$(wine32_security_suites <<<'     release v=12.15,o=Debian,a=oldstable,n=bookworm,l=Debian,c=main,b=amd64')"

expect "pin" "Package: *
Pin: release n=bookworm-security
Pin-Priority: -1" "$(wine32_pin_out bookworm-security)"

depends='wine32:i386
  Depends: libwine:i386
 |Depends: <wine64-preloader>
libwine:i386
  Depends: libc6:i386
  Depends: libgstreamer-plugins-base1.0-0:i386
<wine64-preloader>
libc6:i386
libgstreamer-plugins-base1.0-0:i386
libc6-dev'
expect "closure" "libc6
libc6-dev
libgstreamer-plugins-base1.0-0
libwine
wine32" "$(wine32_closure_names <<<"$depends")"

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
printf '%s\n' 'libc6 2.36-9+deb12u10' 'libgstreamer-plugins-base1.0-0 1.22.0-3+deb12u7' \
  'libgstreamer1.0-0 1.22.0-2+deb12u1' 'libwine 8.0~repack-4' >"$folder/installed"
cat >"$folder/policy" <<'POLICY'
libc6:i386:
  Installed: (none)
  Candidate: 2.36-9+deb12u10
  Version table:
     2.36-9+deb12u10 500
        500 http://deb.debian.org/debian bookworm/main i386 Packages
libgstreamer-plugins-base1.0-0:i386:
  Installed: (none)
  Candidate: 1.22.0-3+deb12u6
  Version table:
     1.22.0-3+deb12u7 -1
        -1 http://deb.debian.org/debian-security bookworm-security/main i386 Packages
     1.22.0-3+deb12u6 500
        500 http://deb.debian.org/debian bookworm/main i386 Packages
libgstreamer1.0-0:i386:
  Installed: (none)
  Candidate: (none)
  Version table:
libwine:i386:
  Installed: (none)
  Candidate: 8.0~repack-4
  Version table:
     8.0~repack-4 500
        500 http://deb.debian.org/debian bookworm/main i386 Packages
POLICY
expect "twins" "libgstreamer-plugins-base1.0-0:amd64=1.22.0-3+deb12u6
libgstreamer-plugins-base1.0-0:i386=1.22.0-3+deb12u6" \
  "$(wine32_mismatched_twins "$folder/installed" "$folder/policy")"

[ "$failures" = 0 ] && echo "wine32 resolution: all cases pass"
exit "$failures"
