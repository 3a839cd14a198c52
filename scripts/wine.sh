# SPDX-License-Identifier: GPL-3.0-or-later
# Wine as every script of the project starts it; sourced, not run.
#
# Each loader is named directly, never through the `wine`, `wineboot` or
# `winecfg` scripts: once the 32-bit loader is installed those pick it for
# everything, 64-bit programs included, and on a kernel that starts no 32-bit
# program that stops the x86-64 runs too. The prefix is made and served by the
# 64-bit side; the x86 build runs only where wine32_usable says it can.

wine64_loader=/usr/lib/wine/wine64
wine32_loader=/usr/lib/wine/wine
wineserver_program=/usr/lib/wine/wineserver64

# The loader that runs an .exe of this architecture.
wine_loader_for() {
  case $(x86_64-w64-mingw32-objdump -f "$1" | sed -n 's/.*file format //p') in
    pei-x86-64) echo "$wine64_loader" ;;
    pei-i386) echo "$wine32_loader" ;;
    *) echo "not a Windows program: $1" >&2; return 1 ;;
  esac
}

# Succeeds when the kernel starts a 32-bit x86 program. The program tried is a
# 93-byte ELF file that only calls exit(0), so no 32-bit library is needed;
# when the kernel refuses it, the system's words are left in kernel_refusal.
kernel_starts_32bit() {
  local folder program
  folder=$(mktemp -d)
  program=$folder/exit0
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'`
        `'\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'`
        `'\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'`
        `'\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08'`
        `'\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00'`
        `'\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$program"
  chmod 700 "$program"
  local status=0
  kernel_refusal=$("$program" 2>&1) || status=$?
  rm -rf "$folder"
  kernel_refusal=${kernel_refusal##*: }
  [ "$status" = 0 ]
}

# Installs wine32:i386, with Debian's i386 architecture, where the kernel
# starts 32-bit programs. When that fails, it is tried once more with the
# resolution below; a failure then too stops nothing: wine32_usable tells it
# afterwards.
wine32_install() {
  kernel_starts_32bit || return 0
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' && return 0
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  local log
  log=$(mktemp)
  apt-get update >"$log" 2>&1 || true
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends wine32:i386 \
    >>"$log" 2>&1 || wine32_install_resolved >>"$log" 2>&1 ||
    wine32_install_error=$(grep '^E: ' "$log" | tail -n 1)
  rm -f "$log"
}

# Debian's i386 security index can lag amd64's, and a library that is
# Multi-Arch: same must have one version in both. So the security suites are
# pinned out for this install, and each amd64 library that wine32:i386 needs
# and that the security index moved ahead is brought to its i386 twin's
# version, in the same command.
wine32_install_resolved() {
  local folder preferences suites
  folder=$(mktemp -d)
  # apt reads every file of its preferences folder, so that folder holds
  # nothing else: the system's own preferences, beside the pin.
  preferences=$folder/preferences.d
  mkdir "$preferences"
  suites=$(apt-cache policy | wine32_security_suites)
  cp /etc/apt/preferences.d/* "$preferences"/ 2>/dev/null || true
  # shellcheck disable=SC2086 # one word per suite
  wine32_pin_out $suites >"$preferences/hamshift-security-out.pref"
  local apt_options=(-o "Dir::Etc::PreferencesParts=$preferences")
  apt-cache "${apt_options[@]}" depends --recurse --no-recommends --no-suggests --no-conflicts \
    --no-breaks --no-replaces --no-enhances wine32:i386 2>/dev/null | wine32_closure_names \
    >"$folder/closure"
  dpkg-query -W -f='${Package} ${Architecture} ${Version} ${Multi-Arch} ${db:Status-Abbrev}\n' |
    awk 'NR == FNR { needed[$1] = 1; next }
         $2 == "amd64" && $4 == "same" && $5 == "ii" && $1 in needed { print $1, $3 }' \
      "$folder/closure" - >"$folder/installed"
  local twins=()
  if [ -s "$folder/installed" ]; then
    # shellcheck disable=SC2046 # one word per package
    apt-cache "${apt_options[@]}" policy $(awk '{ print $1 ":i386" }' "$folder/installed") \
      >"$folder/policy" 2>/dev/null || true
    mapfile -t twins < <(wine32_mismatched_twins "$folder/installed" "$folder/policy")
  fi
  echo "wine32:i386 once more, with ${suites:-no security suite} pinned out and ${twins[*]:-no library} matched"
  local status=0
  DEBIAN_FRONTEND=noninteractive apt-get "${apt_options[@]}" install -y --no-install-recommends \
    --allow-downgrades wine32:i386 "${twins[@]}" || status=$?
  rm -rf "$folder"
  return "$status"
}

# The security suites named in `apt-cache policy`'s list of package files
# (its "n=" field), one a line.
wine32_security_suites() {
  sed -n 's/.*[ ,]n=\([^,]*-security\)\(,.*\)\{0,1\}$/\1/p' | sort -u
}

# An apt preferences file that keeps every package of the suites given out.
wine32_pin_out() {
  local suite
  for suite in "$@"; do
    printf 'Package: *\nPin: release n=%s\nPin-Priority: -1\n\n' "$suite"
  done
}

# The package names of `apt-cache depends --recurse`, without their
# architecture, one a line: the lines that begin a package, not a virtual one.
wine32_closure_names() {
  sed -n 's/^\([a-z0-9][^ :<]*\)\(:[a-z0-9]*\)\{0,1\}$/\1/p' | sort -u
}

# From INSTALLED ("NAME VERSION" of the amd64 libraries) and POLICY (`apt-cache
# policy` of their i386 twins): NAME:amd64=V and NAME:i386=V, one a line, for
# each whose twin's candidate V differs from the version installed.
wine32_mismatched_twins() {
  awk 'NR == FNR { installed[$1] = $2; next }
       /^[^ ].*:$/ { name = $0; sub(/:i386:$/, "", name); sub(/:$/, "", name); next }
       $1 == "Candidate:" && name in installed && $2 != "(none)" && $2 != installed[name] {
         print name ":amd64=" $2; print name ":i386=" $2
       }' "$1" "$2"
}

# Succeeds when a 32-bit Windows program can run here; otherwise leaves the
# reason in wine32_reason. The one place every script asks.
wine32_usable() {
  if ! kernel_starts_32bit; then
    wine32_reason="this kernel starts no 32-bit program: ${kernel_refusal:-refused}"
  elif [ ! -x "$wine32_loader" ] && [ -n "${wine32_install_error:-}" ]; then
    wine32_reason="installing wine32:i386 failed: $wine32_install_error"
  elif [ ! -x "$wine32_loader" ]; then
    wine32_reason="wine32:i386 is not installed"
  elif ! "$wine32_loader" --version >/dev/null 2>&1; then
    wine32_reason="$wine32_loader --version fails"
  else
    return 0
  fi
  return 1
}

# The one line said wherever the x86 build's runs are skipped.
wine32_skip_line() {
  echo "32-bit Wine: not available here ($wine32_reason); the x86 build is checked by its imports only"
}

# Makes the prefix in WINEPREFIX and keeps its server running. Words given
# are a command to run each step under (another user's, for instance).
wine_prepare_prefix() {
  "$@" "$wineserver_program" -p
  "$@" timeout 180 "$wine64_loader" wineboot -i >/dev/null 2>&1
}

# Stops the server of WINEPREFIX, if one runs.
wine_stop_server() {
  "$@" "$wineserver_program" -k 2>/dev/null || true
}
