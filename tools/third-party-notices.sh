#!/usr/bin/env bash
# Prints THIRD-PARTY-NOTICES.txt for rq27.exe: the copyright and licence texts of the
# runtime libraries that the static link puts into the executable, taken from the copyright
# files of the Debian packages that hold those libraries.
#   third-party-notices.sh [MINGW-G++]   (default x86_64-w64-mingw32-g++-posix)
# The packages are found from the files the compiler links, so the texts follow the
# toolchain that built the program. Fails when a file or an expected passage is missing,
# rather than printing incomplete notices.
set -euo pipefail
cxx=${1:-x86_64-w64-mingw32-g++-posix}

# package FILE: the Debian package that holds the library FILE as the compiler finds it.
package() {
  local path
  path=$("$cxx" -print-file-name="$1")
  [ -e "$path" ] || { echo "third-party-notices: $cxx does not find $1" >&2; return 1; }
  dpkg-query -S "$(realpath "$path")" | head -1 | cut -d: -f1
}

# copyright PACKAGE: the path of its copyright file (the doc folder may be a link).
copyright() {
  local file=/usr/share/doc/$1/copyright
  [ -r "$file" ] || { echo "third-party-notices: no $file" >&2; return 1; }
  echo "$file"
}

heading() {
  local pkg=$1 what=$2
  printf '\n%s\n' "========================================================================"
  printf '%s\n' "$what"
  printf 'From the copyright file of the Debian package %s %s\n' \
    "$pkg" "$(dpkg-query -W -f='${Version}' "$pkg")"
  printf '%s\n\n' "========================================================================"
}

# mingw_notices FILE: from the machine-readable copyright file of the MinGW-w64 packages,
# the paragraphs of the C runtime (mingw-w64-crt, without the profiling code that only -pg
# links), of winpthreads (without its tests) and
# of the files not listed otherwise ("*"), then the full texts of the licences they name.
# Continuation lines lose their leading blank and " ." becomes an empty line.
mingw_notices() {
  awk '
    function unfold(p,   n, i, line, out) {
      n = split(p, line, "\n")
      out = ""
      for (i = 1; i <= n; i++) {
        if (line[i] == " .") line[i] = ""
        else sub(/^ /, "", line[i])
        out = out line[i] "\n"
      }
      return out
    }
    function wanted(p,   files, n, i, f) {
      if (p !~ /^Files:/) return 0
      files = p
      sub(/\n(Copyright|License):.*/, "", files)
      sub(/^Files:/, "", files)
      n = split(files, f, /[ \t\n]+/)
      for (i = 1; i <= n; i++) {
        if (f[i] == "*") return 1
        if (f[i] ~ /^mingw-w64-crt\// && f[i] !~ /^mingw-w64-crt\/profile\//) return 1
        if (f[i] ~ /^mingw-w64-libraries\/winpthreads\// && f[i] !~ /tests_pthread/) return 1
      }
      return 0
    }
    BEGIN { RS = "" }
    { para[NR] = $0 }
    END {
      for (i = 1; i <= NR; i++) {
        if (!wanted(para[i])) continue
        printf "%s\n", unfold(para[i])
        found++
        # A licence whose text follows its name here is complete; the others are named
        # only, and their texts stand in paragraphs of their own further down.
        if (para[i] ~ /\nLicense: [^\n]*\n /) continue
        match(para[i], /\nLicense: [^\n]*/)
        names = substr(para[i], RSTART + 10, RLENGTH - 10)
        n = split(names, name, / (and|or) /)
        for (k = 1; k <= n; k++) named[name[k]] = 1
      }
      for (i = 1; i <= NR; i++) {
        if (para[i] !~ /^License: /) continue
        first = para[i]
        sub(/\n.*/, "", first)
        sub(/^License: /, "", first)
        if (first in named) { printf "%s\n", unfold(para[i]); delete named[first] }
      }
      for (left in named) if (left != "public-domain") missing = missing " " left
      if (!found || missing != "") {
        print "third-party-notices: no paragraphs, or licence texts missing:" missing > "/dev/stderr"
        exit 1
      }
    }' "$1"
}

# gcc_notices FILE: from the copyright file of the GCC cross compiler, the statement of
# GCC's licence with the list of runtime libraries under the GCC Runtime Library Exception,
# and the text of that exception.
gcc_notices() {
  awk '
    /^GCC is Copyright/ { on = 1; seen++ }
    /^The libbacktrace library is licensed/ { on = 0 }
    /^GCC RUNTIME LIBRARY EXCEPTION$/ { on = 1; seen++ }
    on && /^libquadmath\// { on = 0 }
    on { print }
    END {
      if (seen != 2) {
        print "third-party-notices: the licence passages were not found in the GCC copyright file" > "/dev/stderr"
        exit 1
      }
    }' "$1"
}

mingw_pkg=$(package libmingw32.a)
pthread_pkg=$(package libwinpthread.a)
libgcc_pkg=$(package libgcc.a)
libstdcxx_pkg=$(package libstdc++.a)

cat <<'EOF'
Third-party software in rq27.exe

rq27.exe is linked statically. Besides the program's own code it contains parts of:

  - the MinGW-w64 runtime (start-up code and C runtime library),
  - winpthreads (the POSIX threads library of MinGW-w64),
  - the GCC runtime libraries libgcc and libstdc++.

Their copyright notices and licence terms follow, as the Debian packages that the program
was built with state them.
EOF

heading "$mingw_pkg" "MinGW-w64 runtime and winpthreads"
mingw_notices "$(copyright "$mingw_pkg")"
if [ "$pthread_pkg" != "$mingw_pkg" ]; then
  heading "$pthread_pkg" "winpthreads"
  mingw_notices "$(copyright "$pthread_pkg")"
fi

heading "$libgcc_pkg" "GCC runtime libraries (libgcc, libstdc++)"
gcc_notices "$(copyright "$libgcc_pkg")"
if [ "$(realpath "$(copyright "$libstdcxx_pkg")")" != "$(realpath "$(copyright "$libgcc_pkg")")" ]; then
  heading "$libstdcxx_pkg" "GCC runtime library libstdc++"
  gcc_notices "$(copyright "$libstdcxx_pkg")"
fi
