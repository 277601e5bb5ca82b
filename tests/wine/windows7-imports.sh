#!/usr/bin/env bash
# Checks that Windows executables import only functions that Windows 7 has: every entry
# of their import tables must stand in windows7-imports.txt (beside this script) under its
# DLL. A program that imports one function more than Windows 7 exports does not start there
# at all ("entry point not found"), so this is checked on the executable, not the sources.
#   windows7-imports.sh EXE...
# Prints the count of imports checked; for each import not on the list, a line saying so.
# Exits 0 when all are listed, 1 otherwise, 2 when an executable cannot be read.
set -euo pipefail
list=$(dirname "$0")/windows7-imports.txt
[ $# -gt 0 ] || { echo "usage: windows7-imports.sh EXE..." >&2; exit 2; }

# The list as "DLL FUNCTION" lines, DLL names in capitals (Windows does not tell case).
allowed=$(awk '
  { sub(/#.*/, ""); gsub(/[ \t\r]+/, "") }
  /^\[.*\]$/ { dll = toupper(substr($0, 2, length($0) - 2)); next }
  $0 != "" && dll != "" { print dll, $0 }' "$list" | sort -u)

status=0
for exe in "$@"; do
  dump=$(LC_ALL=C x86_64-w64-mingw32-objdump -p "$exe") || { echo "$exe: not readable" >&2; exit 2; }
  # objdump prints each DLL's table as "DLL Name: X", a heading line and one line an entry:
  # address, hint and name, or "<none>" for an import by ordinal.
  imports=$(awk '
    /^\tDLL Name: / { dll = toupper($3); table = 0; next }
    dll != "" && /^\tvma: / { table = 1; next }
    table && NF == 0 { table = 0; dll = ""; next }
    table && $3 == "<none>" { print dll, "ordinal " $2; next }
    table { print dll, $3 }' <<<"$dump" | sort -u)
  if [ -z "$imports" ]; then
    echo "$exe: no import table found" >&2
    exit 2
  fi
  label="$(basename "$exe") ($(sed -n 's/.*file format //p' <<<"$dump" | head -1))"
  unlisted=$(comm -23 <(echo "$imports") <(echo "$allowed"))
  if [ -n "$unlisted" ]; then
    status=1
    while read -r dll function; do
      echo "$label: imports $function from $dll, which is not in" \
        "tests/wine/windows7-imports.txt: check that Windows 7 has it and add it there, or" \
        "look it up at run time (GetProcAddress)"
    done <<<"$unlisted"
  else
    echo "$label: $(wc -l <<<"$imports") imports from $(cut -d' ' -f1 <<<"$imports" | sort -u | wc -l) DLLs, all on the list"
  fi
done
exit $status
