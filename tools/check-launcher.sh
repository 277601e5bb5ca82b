#!/usr/bin/env bash
# Checks the bytes of a released rq27.bat, the batch file that the host starts:
#   check-launcher.sh RQ27.BAT VERSION
# - Shift-JIS (code page 932) and, read back, exactly release/rq27.utf8.bat with VERSION;
# - every line ends in CR LF, and there is no other CR or LF;
# - no byte 0x5C, 0x5E or 0x7C: as the second byte of a Japanese character these are a
#   backslash, caret or bar to any program that reads the file in another code page, and
#   cmd takes a caret at a line's end as "join the next line", which could swallow the
#   command line into a comment;
# - every line within 72 columns, as in readme.txt, which tells the user to open the file
#   in Notepad: in Shift-JIS a line's columns are its bytes (a full-width character is two
#   bytes and takes two columns);
# - the memo line, "@echo off", then the directives in their order up to "REM #e", each
#   with its "#" within the line's first 10 bytes, where the host looks for it; after them
#   no line has a "#" there, so that no comment can pass for a directive;
# - one command, the last line: rq27.exe from the batch file's own folder, quoted.
# Prints what is wrong and exits 1, or prints a summary.
set -euo pipefail
bat=$1 version=$2
root=$(cd "$(dirname "$0")/.." && pwd)
export LC_ALL=C
fail() { echo "$bat: $*" >&2; exit 1; }

[ -f "$bat" ] || fail "missing"
want=$(sed "s/@VERSION@/$version/g" "$root/release/rq27.utf8.bat")
got=$(iconv -f CP932 -t UTF-8 "$bat" | tr -d '\r') || fail "not Shift-JIS (code page 932)"
[ "$got" = "$want" ] || fail "not release/rq27.utf8.bat with version $version: $(diff <(echo "$want") <(echo "$got") | head -5)"

lines=$(wc -l <"$bat")
[ "$(grep -c $'\r$' "$bat")" = "$lines" ] || fail "not every line ends in CR LF"
[ "$(tr -cd '\r' <"$bat" | wc -c)" = "$lines" ] || fail "a CR that does not end a line"
[ "$(tail -c 2 "$bat" | od -An -tx1 | tr -d ' ')" = 0d0a ] || fail "the last line has no CR LF"
! grep -q '[\\^|]' "$bat" || fail "holds a byte 0x5C, 0x5E or 0x7C: $(grep -n '[\\^|]' "$bat" | cut -d: -f1 | tr '\n' ' ')"
wide=$(tr -d '\r' <"$bat" | awk 'length($0) > 72 { printf "%d (%d columns) ", NR, length($0) }')
[ -z "$wide" ] || fail "lines wider than 72 columns: $wide"
widest=$(tr -d '\r' <"$bat" | awk 'length($0) > w { w = length($0) } END { print w + 0 }')

# The structure, on the bytes: line numbers, directives and the command.
problems=$(tr -d '\r' <"$bat" | awk '
  BEGIN { n = split("#jww #cd #h3 #hc #g1 #zz #zw #zc #ht10 #ht20 #ht30 #e", want, " ") }
  NR == 1 { if ($0 !~ /^REM [^ #]/) print "line 1 is not the memo line (REM and a text)"; next }
  NR == 2 { if ($0 != "@echo off") print "line 2 is not @echo off"; next }
  !ended {
    p = index($0, "#")
    if ($0 !~ /^REM #/ || p == 0 || p > 10) { print "line " NR " is not a directive with its # in the first 10 bytes"; next }
    d++
    if ($2 != want[d]) print "line " NR ": directive " $2 ", expected " want[d]
    if ($2 == "#hc" && NF < 3) print "line " NR ": #hc without its prompt"
    if ($2 == "#e") ended = 1
    next
  }
  { p = index($0, "#"); if (p > 0 && p <= 10) print "line " NR " after #e has a # in its first 10 bytes" }
  $0 !~ /^REM( |$)/ { commands++; last = NR; command = $0 }
  END {
    if (d != n) print d " directives, expected " n
    if (commands != 1 || last != NR) print commands + 0 " commands, expected one, on the last line"
    else if (command != "\"%~dp0rq27.exe\"") print "the command is " command
  }')
[ -z "$problems" ] || fail "$problems"
echo "$bat: Shift-JIS, $lines lines in CR LF, the widest $widest columns, 12 directives in order with # in the first 10 bytes, \"%~dp0rq27.exe\" last"
