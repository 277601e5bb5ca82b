#!/usr/bin/env bash
# Installs the Debian packages that the named parts of the build need, when missing.
#   install-deps.sh core [asan] [windows] [windows32] [fuzz] [bench] [release] [clang]
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
missing=()
for group in "$@"; do
  for pkg in ${groups[$group]}; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
done
# Packages of another architecture (wine32:i386) need it added to dpkg first; the
# "apt-get update" below then fetches its package lists.
for pkg in "${missing[@]}"; do
  case $pkg in
    *:*)
      arch=${pkg#*:}
      if [ "$arch" != "$(dpkg --print-architecture)" ] &&
          ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
        echo "adding the architecture $arch"
        dpkg --add-architecture "$arch"
      fi
      ;;
  esac
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
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
