#!/usr/bin/env bash
# The console program run as a process: where it finds the file, its answers, its exit codes.
#   console-test.sh RQ27 [VERSION]   (VERSION: what --version must print, the project's)
set -uo pipefail
rq27=$(realpath "$1")
version=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then passed=$((passed + 1)); else
    failed=$((failed + 1)); printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "$3"; fi
}
crlf() { printf '%s\r\n' "$@"; }
input=$'lg0\r\nly1\r\nlc2\r\nlt1\r\n0 0 10 0\r\ncn0 3 3 -0.5 1\r\nch 1 1 1 0 "abc\r\n'
ok_all=$(crlf hd lg0 ly1 lc2 lt1 "0 0 10 0" "cn0 3 3 0 1" 'cc0' $'cn"$<\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e>' 'ch 1 1 1 0 "abc')
ok_neg=$ok_all

# FOLDER given, run from another working directory.
mkdir -p "$work/a"; printf '%s' "$input" > "$work/a/JWC_TEMP.TXT"
(cd / && "$rq27" --yes "$work/a" 2>/dev/null); check "--yes exit" 0 $?
check "--yes file" "$ok_all" "$(cat "$work/a/JWC_TEMP.TXT")"

# No FOLDER: the file beside the executable, not in the working directory.
mkdir -p "$work/prog dir/日本語"; cp "$rq27" "$work/prog dir/日本語/rq27"
printf '%s' "$input" > "$work/prog dir/日本語/JWC_TEMP.TXT"
(cd "$work" && "$work/prog dir/日本語/rq27" --yes --negative-only 2>/dev/null); check "beside exit" 0 $?
check "beside file" "$ok_neg" "$(cat "$work/prog dir/日本語/JWC_TEMP.TXT")"

# Cancel, and no terminal with no answer: "hq".
for how in --cancel none; do
  mkdir -p "$work/$how"; printf '%s' "$input" > "$work/$how/JWC_TEMP.TXT"
  if [ "$how" = none ]; then "$rq27" "$work/$how" </dev/null 2>/dev/null; else "$rq27" --cancel "$work/$how" 2>/dev/null; fi
  check "$how exit" 0 $?
  check "$how file" "$(crlf hq)" "$(cat "$work/$how/JWC_TEMP.TXT")"
done

# Status texts on a log: the first and the last always show, the progress texts of a
# pass of 30,000 items only now and then (never one line per 100 items).
mkdir -p "$work/log"
{ printf 'lg0\r\nly0\r\n'; for i in $(seq 30000); do printf '0 0 %d 1\r\n' "$i"; done; } > "$work/log/JWC_TEMP.TXT"
"$rq27" --yes "$work/log" 2>"$work/log.err"; check "log exit" 0 $?
check "log first" "文字間隔ゼロ化を行います" "$(head -n 1 "$work/log.err")"
check "log last" "ファイル生成中です" "$(tail -n 1 "$work/log.err")"
check "log progress is sparse" 1 "$(( $(grep -c '処理中' "$work/log.err") < 30 ))"

# A missing input: OK has nothing to change and leaves exactly "hq".
mkdir -p "$work/empty"; "$rq27" --yes "$work/empty" 2>/dev/null; check "missing exit" 0 $?
check "missing file" same "$(cmp -s <(crlf hq) "$work/empty/JWC_TEMP.TXT" && echo same)"

# A relative FOLDER from a working folder that has been removed: no abort, exit 1 and
# one line that says so.
mkdir "$work/gone"
msg=$(cd "$work/gone" && rmdir ../gone && "$rq27" --yes sub 2>&1 >/dev/null); check "gone exit" 1 $?
check "gone message" one "$([[ $msg == 'rq27: '* && $msg != *$'\n'* ]] && echo one || echo "$msg")"

# A folder that does not exist: nothing can be written; exit 1 and a message.
msg=$("$rq27" --yes "$work/nowhere" 2>&1 >/dev/null); check "nowhere exit" 1 $?
check "nowhere message" 1 "$(printf '%s\n' "$msg" | grep -c 'に書き込めなかった')"
check "nowhere left nothing" "" "$(ls -A "$work" | grep nowhere)"

# An unreadable input (a directory in its place): OK leaves the drawing alone.
mkdir -p "$work/dir/JWC_TEMP.TXT"; "$rq27" --yes "$work/dir" 2>/dev/null; check "dir exit" 1 $?

# On a terminal: space toggles the check box, y is OK, n or Esc is Cancel.
if command -v script >/dev/null; then
  keys_case() {  # keys_case NAME KEYS EXPECTED-GREP
    mkdir -p "$work/tty$1"; printf '%s' "$input" > "$work/tty$1/JWC_TEMP.TXT"
    printf 'cn0 3 3 0.5 1\r\nch 2 2 1 0 "pos\r\n' >> "$work/tty$1/JWC_TEMP.TXT"
    (sleep 0.3; printf '%b' "$2") | timeout 10 script -qec "'$rq27' '$work/tty$1'" /dev/null >"$work/tty$1.out"
    check "tty $1" 1 "$(grep -c "$3" "$work/tty$1/JWC_TEMP.TXT")"
  }
  keys_case ok 'y' '^cn0 3 3 0 1'
  keys_case toggled ' y' '^cn0 3 3 0.5 1'
  # The status line under the check box tells what OK will change, again after the toggle.
  check "tty status line, then toggled" \
    "ＯＫで2個の文字の文字間隔をゼロにします ＯＫで1個の文字の文字間隔をゼロにします " \
    "$(grep -ao 'ＯＫで[0-9]*個[^[:cntrl:]]*' "$work/ttytoggled.out" | tr '\n' ' ')"
  keys_case enter '\r' '^hd'
  keys_case no 'n' '^hq'
  keys_case esc '\033' '^hq'
  # Input that ends before any key answers is a Cancel: exit 0 and exactly "hq", at once.
  # The end of script's input reaches the dialog as the end-of-file key (^D, a byte in its
  # key-at-a-time mode); a hang-up raises SIGHUP; a terminal that goes away (script killed)
  # gives reads of 0 or EIO. The shell ignores SIGHUP so that it survives to keep the status.
  hang_up() { kill -HUP "$1"; }
  close_terminal() { kill -KILL $(ps -o ppid= -p $(ps -o ppid= -p "$1")); }  # script
  for end in eof:true sighup:hang_up closed:close_terminal; do
    dir=$work/end${end%%:*}; mkdir -p "$dir"; printf '%s' "$input" > "$dir/JWC_TEMP.TXT"
    ({ for _ in $(seq 50); do pid=$(pgrep -f "^$rq27 $dir\$") && break; sleep 0.1; done
       sleep 0.3; "${end#*:}" "$pid"
       [ "${end%%:*}" = eof ] || for _ in $(seq 50); do [ -e "$dir.status" ] && break; sleep 0.1; done
     } | timeout 5 script -qec "trap '' HUP; '$rq27' '$dir'; echo \$? > '$dir.status'" /dev/null) >/dev/null 2>&1
    for _ in $(seq 20); do [ -e "$dir.status" ] && break; sleep 0.1; done
    check "end of input, ${end%%:*}: exit" 0 "$(cat "$dir.status" 2>/dev/null)"
    check "end of input, ${end%%:*}: exactly hq" same "$(cmp -s <(crlf hq) "$dir/JWC_TEMP.TXT" && echo same)"
  done
else
  echo "skipped the terminal cases: no 'script' command"
fi

# Every file that takes JWC_TEMP.TXT's place ("hq" once the selection is read, then the
# command file) reached the disk before the rename: an fsync of its descriptor comes
# between its creation and its rename. A rename of an unflushed file could leave an empty
# or partial file after a power cut.
if command -v strace >/dev/null && strace -o /dev/null true 2>/dev/null; then
  mkdir -p "$work/sync"; printf '%s' "$input" > "$work/sync/JWC_TEMP.TXT"
  # (LeakSanitizer cannot run under a tracer; the other tests check for leaks.)
  ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
    strace -o "$work/sync.trace" -e trace=openat,fsync,fdatasync,rename,renameat,renameat2 \
    "$rq27" --yes "$work/sync" 2>/dev/null
  check "strace: exit" 0 $?
  flushed_renames=$(awk '
    /openat\(.*\.JWC_TEMP\.TXT\.[0-9]+\.[0-9]+\.tmp".*= [0-9]+$/ {
      match($0, /\.JWC_TEMP\.TXT\.[0-9]+\.[0-9]+\.tmp/); name = substr($0, RSTART, RLENGTH)
      fd[name] = $NF; synced[name] = 0 }
    /^(fsync|fdatasync)\([0-9]+\) += 0/ {
      match($0, /\([0-9]+\)/); d = substr($0, RSTART + 1, RLENGTH - 2)
      for (n in fd) if (fd[n] == d) synced[n] = 1 }
    /^rename.*\.JWC_TEMP\.TXT\.[0-9]+\.[0-9]+\.tmp".*JWC_TEMP\.TXT"\) += 0$/ {
      match($0, /\.JWC_TEMP\.TXT\.[0-9]+\.[0-9]+\.tmp/); name = substr($0, RSTART, RLENGTH)
      printf "%s ", (synced[name] ? "flushed" : "unflushed"); delete fd[name] }
  ' "$work/sync.trace")
  check "strace: hq, then the command file, each flushed before its rename" \
    "flushed flushed " "$flushed_renames"
else
  echo "skipped the flush check: strace cannot trace here"
fi

# Usage.
"$rq27" --help >/dev/null; check "--help" 0 $?
"$rq27" --bogus 2>/dev/null; check "bad option" 2 $?
"$rq27" --yes --cancel 2>/dev/null; check "yes and cancel" 2 $?

# --version prints the version and exits before it looks for a file: nothing is written.
mkdir -p "$work/version"; cp "$rq27" "$work/version/rq27"
printed=$("$work/version/rq27" --version); check "--version exit" 0 $?
if [ -n "$version" ]; then check "--version text" "rq27 $version" "$printed"; fi
check "--version wrote nothing" "rq27" "$(ls -A "$work/version")"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
