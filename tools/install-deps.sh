#!/usr/bin/env bash
# Installs the Debian packages that the named parts of the build need, when missing.
#   install-deps.sh core [asan] [windows] [windows32] [fuzz] [bench] [release] [clang]
# A package mirror in the middle of a sync can serve a list that does not match its release
# file. "apt-get update" is then tried again, and the set-up goes on with the lists that
# loaded; where the install then fails with packages of two architectures (wine32:i386), it
# is run once more with the release's own suite preferred, whose lists exist for both.
set -euo pipefail
declare -A groups=(
  [core]="cmake make g++ googletest libgtest-dev locales strace"
  [asan]="g++"
  [windows]="g++-mingw-w64-x86-64-posix wine wine64 fonts-wine xvfb xdotool imagemagick fonts-ipafont-gothic"
  # The 32-bit program and Wine's 32-bit half to run it (packages of Debian's i386
  # architecture, which is added for them).
  [windows32]="g++-mingw-w64-i686-posix wine32:i386"
  [fuzz]="clang-14 libfuzzer-14-dev libclang-rt-14-dev"
  [bench]="libbenchmark-dev hyperfine mawk time"
  # zip: Info-ZIP, whose -X leaves owner ids and extended times out of the release zip;
  # unzip: tools/check.sh unpacks it.
  [release]="cmake make g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix zip unzip git"
  [clang]="clang-14"
)
native=$(dpkg --print-architecture)
missing=()
declare -A group_of=() group_missing=()
for group in "$@"; do
  for pkg in ${groups[$group]}; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' && continue
    group_missing[$group]+=" $pkg"
    [ -n "${group_of[$pkg]:-}" ] || missing+=("$pkg")
    group_of[$pkg]+=" $group"
  done
done
# Packages of another architecture (wine32:i386) need it added to dpkg first; the
# "apt-get update" below then fetches its package lists.
foreign=0
for pkg in "${missing[@]}"; do
  case $pkg in
    *:*)
      arch=${pkg#*:}
      [ "$arch" != "$native" ] || continue
      foreign=1
      if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
        echo "adding the architecture $arch"
        dpkg --add-architecture "$arch"
      fi
      ;;
  esac
done

log=$(mktemp /tmp/rq27-apt.XXXXXX)
trap 'rm -f "$log"' EXIT
indent() { sed 's/^/    /'; }
# apt's own reason: its error lines, then the first unmet dependencies (never a failure of
# its own, which would end the script before its message).
apt_reason() {
  awk '/^E: / { e = e "    " $0 "\n"; next }
       /^ [^ ].* : Depends| +Depends/ && n++ < 5 { d = d "    " $0 "\n" }
       END { printf "%s%s", e, d }' "$log"
}
apt_install() {
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@" >"$log" 2>&1
}

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  # A mirror caught mid-sync usually mends within minutes: two more tries, 15 s apart.
  failed_lists=
  for try in 1 2 3; do
    if apt-get update -qq >"$log" 2>&1; then failed_lists=; break; fi
    failed_lists=$(grep '^E: Failed to fetch' "$log" || grep '^E: ' "$log" || true)
    if [ "$try" -lt 3 ]; then
      echo "apt-get update failed (try $try of 3); trying again in 15 s"
      sleep 15
    fi
  done
  if [ -n "$failed_lists" ]; then
    echo "going on with the package lists that loaded (a mirror mid-sync?); apt-get update said:"
    indent <<<"$failed_lists"
  fi
  for pkg in "${missing[@]}"; do
    candidate=$(apt-cache policy "$pkg" 2>/dev/null | sed -n 's/^ *Candidate: //p')
    if [ -z "$candidate" ] || [ "$candidate" = "(none)" ]; then
      echo "install-deps: the package $pkg (group${group_of[$pkg]}) is in none of the package lists" >&2
      [ -z "$failed_lists" ] || { echo "  that loaded; the lists that failed:" >&2; indent <<<"$failed_lists" >&2; }
      echo "  Run the command again later, when the mirror has finished its sync." >&2
      exit 1
    fi
  done
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  preferred=()
  if ! apt_install "${missing[@]}"; then
    if [ "$foreign" = 1 ] && [ -n "$codename" ]; then
      echo "apt-get install failed with packages of two architectures among them, whose halves must"
      echo "have the same version: a suite whose list for one architecture is missing or behind offers"
      echo "the other a version that it cannot match. Trying again with the release's own suite"
      echo "preferred (apt-get install -t $codename), whose lists exist for both. apt said:"
      apt_reason
      preferred=(-t "$codename")
    fi
    if [ ${#preferred[@]} -gt 0 ] && apt_install "${preferred[@]}" "${missing[@]}"; then
      echo "installed, with the suite $codename preferred"
    else
      echo "install-deps: apt-get install ${preferred[*]} failed; apt said:" >&2
      apt_reason >&2
      # Name the groups whose packages cannot be installed, each tried alone (simulated).
      for group in "$@"; do
        [ -n "${group_missing[$group]:-}" ] || continue
        # shellcheck disable=SC2086
        ! apt-get install -s -q --no-install-recommends "${preferred[@]}" ${group_missing[$group]} \
          >"$log" 2>&1 || continue
        echo "install-deps: the group $group cannot be installed:${group_missing[$group]}; apt said:" >&2
        apt_reason >&2
        echo "  Try that set alone: apt-get install --no-install-recommends ${preferred[*]}${group_missing[$group]}" >&2
      done
      [ -z "$failed_lists" ] || { echo "The package lists that failed to load:" >&2; indent <<<"$failed_lists" >&2; }
      echo "What to do: run the command again later; a package mirror in the middle of a sync" >&2
      echo "usually mends within the hour." >&2
      exit 1
    fi
  fi
fi
# Locales for the tests: Japanese (the users' own) and one with a decimal comma.
if [ -f /etc/locale.gen ]; then
  changed=0
  for loc in ja_JP.UTF-8 de_DE.UTF-8; do
    if ! locale -a 2>/dev/null | grep -qix "${loc/UTF-8/utf8}"; then
      sed -i "s/^# *\(${loc} UTF-8\)/\1/" /etc/locale.gen
      grep -q "^${loc} UTF-8" /etc/locale.gen || echo "${loc} UTF-8" >> /etc/locale.gen
      changed=1
    fi
  done
  [ $changed -eq 0 ] || locale-gen >/dev/null
fi
