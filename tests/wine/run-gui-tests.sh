#!/bin/bash
# GUI tests of rq27.exe under Wine in a virtual X display, against the console front end.
#
# Needs the native build (console program, build/default/Unit1/rq27) and the MinGW build
# (build/mingw/Unit1/rq27.exe). Installs what it needs when missing (as root), creates a
# fresh Wine prefix and an Xvfb in a temporary folder, drives the dialog with xdotool and
# removes only what it started. Also runs the MinGW build's unit tests through ctest under
# the same Wine. Prints "N passed, M failed" last; exits 0 when nothing failed.
#
# Read it top to bottom: the set-up; the runner, which runs one row of a table (one run of
# the dialog: what it is given, what is done to it, what must follow); the tables; then the
# cases that are more than one run of the dialog, built from the runner's pieces.
#
# Environment (all optional):
#   RQ27_CONSOLE       console program      (default build/default/Unit1/rq27)
#   RQ27_EXE           rq27.exe             (default build/mingw/Unit1/rq27.exe)
#   RQ27_MINGW_BUILD   build folder for ctest (default: two levels above RQ27_EXE; "" skips)
#   RQ27_RELEASE_EXE   a released rq27.exe, with its rq27.bat beside it (or RQ27_RELEASE_BAT):
#                      OK on the example, and the host's round trip through the batch file
#   RQ27_WINE_OUT      where screenshots are kept (default build/wine-gui)
#   RQ27_BIG_ITEMS     items in the generated large selection (default 2000000)
#   RQ27_DESKTOP_ITEMS items in the selection for the scanner, the holds and the kills (100000)
#   RQ27_KILL_SEED     seed of the kill moments (default: random; printed for a replay)
#   RQ27_CASES         "all" (default) or "main": for a second build of the same sources (the
#                      32-bit program), the main table and fewer kills; no display scales,
#                      colours, odd starts or scanner, which are the same code either way
#   RQ27_ROWS          a replay: only the rows and cases whose names match this extended
#                      regular expression; one that matches none fails at once
#   RQ27_REPEAT        how many times the rows and cases run, one round after another (1)
set -u
shopt -s extglob
# Wine maps Windows' shared user data at 0x7ffe0000, and the kernel places the 64-bit
# loader's heap at random up to about 1 GB past the loader: once in some thousands of
# starts it covers that page and the program ends before it starts. So the run, and every
# program it starts (a personality is inherited), goes without address randomisation where
# allowed.
if (((0x$(cat /proc/self/personality 2>/dev/null || echo 0) & 0x40000) == 0)); then
  setarch "$(uname -m)" -R true 2>/dev/null && exec setarch "$(uname -m)" -R bash "$0" "$@"
  echo "setarch -R is refused here: Wine's programs run with address randomisation, and one start in some thousands may end at once"
fi

HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
CONSOLE=${RQ27_CONSOLE:-$ROOT/build/default/Unit1/rq27}
EXE=${RQ27_EXE:-$ROOT/build/mingw/Unit1/rq27.exe}
MINGW_BUILD=${RQ27_MINGW_BUILD-$(dirname "$(dirname "$EXE")")}
RELEASE_EXE=${RQ27_RELEASE_EXE:-}
RELEASE_BAT=${RQ27_RELEASE_BAT:-${RELEASE_EXE:+$(dirname "$RELEASE_EXE")/rq27.bat}}
OUT=${RQ27_WINE_OUT:-$ROOT/build/wine-gui}
BIG_ITEMS=${RQ27_BIG_ITEMS:-2000000}
DF_ITEMS=${RQ27_DESKTOP_ITEMS:-100000}
CAPTION='文字間隔ゼロ化'
CASES=${RQ27_CASES:-all}
case $CASES in all | main) ;; *) echo "RQ27_CASES: all or main, not $CASES" >&2; exit 2 ;; esac
all_cases() { [ "$CASES" = all ]; }
ROWS=${RQ27_ROWS:-} REPEAT=${RQ27_REPEAT:-1}
[[ $REPEAT =~ ^[1-9][0-9]*$ ]] || { echo "RQ27_REPEAT: a whole number of at least 1, not \"$REPEAT\"" >&2; exit 2; }
# chosen NAME: the row or case NAME runs (an empty ROWS matches every name). In the dry round,
# which only gathers the names, it counts them and answers no.
DRY=0 CHOSEN=0 NAMES=()
chosen() {
  ((!DRY)) || NAMES+=("$1")
  [[ $1 =~ $ROWS ]] || return 1
  ((!DRY)) || { CHOSEN=$((CHOSEN + 1)); return 1; }
}
live() { ((!DRY)); }
case_named() { name=$1; chosen "$name"; }
CLIENT_W=467 CLIENT_H=312

PASSED=0 FAILED=0
pass() { PASSED=$((PASSED + 1)); echo "PASS $1"; }
fail() { FAILED=$((FAILED + 1)); echo "FAIL $1${2:+: $2}"; }
note() { echo "     $*"; }
# Times in microseconds; secs prints them as seconds.
now() { echo "${EPOCHREALTIME//[!0-9]/}"; }
secs() { printf '%d.%02d' $(($1 / 1000000)) $(($1 % 1000000 / 10000)); }
since() { secs $(($(now) - $1)); }
us() { local i=${1%.*} f=000000; [[ $1 == *.* ]] && f=${1#*.}000000; echo $((10#$i * 1000000 + 10#${f:0:6})); }
T_START=$(now) SHOTS=
# Everything from here to the runner's pieces is set_up, which runs once the dry round (at
# the end) has found a row or case to run.
set_up() {

# ---------------------------------------------------------------------------------------
# Packages and the programs under test.

# What is missing is installed (as root): Wine, Xvfb, xdotool, ImageMagick, the fonts, the
# Japanese locale.
bash "$ROOT/tools/install-deps.sh" core windows >/dev/null || { echo "missing packages: run as root" >&2; exit 2; }
for f in "$CONSOLE" "$EXE"; do [ -f "$f" ] || { echo "not built: $f" >&2; exit 2; }; done

# With Wine's 32-bit half installed, "wine" runs a 64-bit program through a second process
# (start.exe), so that $! would not be the program (its windows, exit status, a kill):
# wine64 starts it as its own process. wine_for EXE: the loader that does so for EXE.
WINE64=wine
[ -x /usr/lib/wine/wine64 ] && WINE64=/usr/lib/wine/wine64
wine_for() {
  case $(LC_ALL=C x86_64-w64-mingw32-objdump -f "$1" 2>/dev/null | sed -n 's/.*file format //p') in
    pei-i386) echo wine ;;
    *) echo "$WINE64" ;;
  esac
}
if [ "$(wine_for "$EXE")" = wine ] && [ ! -x /usr/lib/wine/wine ]; then
  echo "$EXE is a 32-bit program: it needs Wine's 32-bit half (bash tools/install-deps.sh windows32)" >&2
  exit 2
fi

# ---------------------------------------------------------------------------------------
# Temporary folder, test helpers, Xvfb, Wine prefix. The trap removes only what this
# script started.

WORK=$(mktemp -d /tmp/rq27-wine.XXXXXX)
XVFB_PID= WINESERVER_STARTED= GUI_PID=
cleanup() {
  [ -z "$GUI_PID" ] || kill -KILL "$GUI_PID" 2>/dev/null
  xdotool keyup Escape >/dev/null 2>&1
  [ -z "$WINESERVER_STARTED" ] || wineserver -k >/dev/null 2>&1
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; fi
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
mkdir -p "$OUT" "$WORK/helpers" "$WORK/inputs"

# The helpers (tests/wine/helpers/*.cc, each described at its top) build meanwhile.
HELPERS="holder dialog-probe closer"
all_cases && HELPERS="$HELPERS scanner launcher other-window"
BUILDS=()
for h in $HELPERS; do
  x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -Wall -Wextra -Werror -municode -static -s \
    -o "$WORK/helpers/$h.exe" "$HERE/helpers/$h.cc" -lgdi32 >"$WORK/helpers/$h.log" 2>&1 &
  BUILDS+=($!)
done

export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all,err+all  # errors only: why a start failed
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8   # Wine as Japanese Windows: code page 932

# -noreset: otherwise the server resets when its last client goes and forgets the pointer.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$WORK/display" \
  >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.05; done
[ -s "$WORK/display" ] || { echo "Xvfb did not start" >&2; cat "$WORK/xvfb.log" >&2; exit 2; }
export DISPLAY=":$(head -1 "$WORK/display")"

t=$(now)
wine wineboot --init </dev/null >/dev/null 2>&1
wineserver -w
# Debian's Wine looks for its own fonts (Tahoma, Marlett for the close box) elsewhere than
# fonts-wine puts them; copy them into the prefix.
cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
# regedit reads non-ASCII names only from UTF-16LE with a byte-order mark.
{ printf '\377\376'; iconv -f UTF-8 -t UTF-16LE "$HERE/wine-fonts.reg.txt"; } \
  >"$WINEPREFIX/drive_c/rq27-setup.reg"
wine regedit /S 'C:\rq27-setup.reg' </dev/null >/dev/null 2>&1
wineserver -w
# restart_wine: one persistent server, started outside any captured pipe (otherwise every
# captured Wine call waits for the server to time out); afresh, programs read the prefix's
# settings anew. Its first program starts Wine's services, which keep that program's
# standard error open as long as the server runs: started by a ctest case, they held its
# pipe, and ctest waited for it for ever. So the first program is started here.
restart_wine() {
  wineserver -k >/dev/null 2>&1
  wineserver -w
  wineserver -p
  wine cmd /c exit </dev/null >/dev/null 2>"$WORK/wine-start.err" ||
    fail "Wine's first program after a restart" "status $?, Wine said: $(
      grep -v winemenubuilder "$WORK/wine-start.err" | tr -s '\r\n' '  ' | head -c 400)"
}
restart_wine
WINESERVER_STARTED=1
note "Wine prefix ready in $(since "$t") s (display $DISPLAY)"

# ---------------------------------------------------------------------------------------
# The executable itself: its imports and resources; the MinGW build's unit tests.

if imports=$(bash "$HERE/windows7-imports.sh" "$EXE" ${RELEASE_EXE:+"$RELEASE_EXE"} 2>&1); then
  pass "rq27.exe imports only functions that Windows 7 has: $(echo "$imports" | tr '\n' ' ')"
else
  fail "rq27.exe imports only functions that Windows 7 has" "$imports"
fi
resources=$(x86_64-w64-mingw32-windres -i "$EXE" -O rc 2>/dev/null)
missing=
# The caption, 文字間隔ゼロ化, as windres prints it back (UTF-16 escapes).
for part in RT_GROUP_ICON:icon RT_MANIFEST:manifest Microsoft.Windows.Common-Controls:common-controls-6 \
    VERSIONINFO:version '>PerMonitorV2, PerMonitor<:dpi-awareness' \
    'CAPTION L"\x6587\x5b57\x9593\x9694\x30bc\x30ed\x5316":caption'; do
  grep -qF "${part%:*}" <<<"$resources" || missing="$missing ${part##*:}"
done
if [ -z "$missing" ]; then pass "rq27.exe resources: icon, manifest (common controls 6, DPI awareness), version, caption"
else fail "rq27.exe resources" "missing:$missing"; fi

if ! chosen "ctest under Wine"; then :
elif [ -n "$MINGW_BUILD" ] && [ -f "$MINGW_BUILD/CTestTestfile.cmake" ]; then
  t=$(now)
  # Each case runs once: one that fails fails the check, shown with its own output (the
  # failed assertion, or Wine's words where the program ended at its start).
  if ctest --test-dir "$MINGW_BUILD" -j2 --output-on-failure --timeout 120 \
      >"$WORK/ctest.log" 2>&1 && grep -qE ' 0 tests failed out of [1-9]' "$WORK/ctest.log"; then
    pass "ctest under Wine ($(grep -E 'tests passed' "$WORK/ctest.log"), $(since "$t") s)"
  else
    fail "ctest under Wine" "$(grep -E 'tests passed' "$WORK/ctest.log" || tail -5 "$WORK/ctest.log" | tr '\n' ' ')"
    # A failed case's line, then its output up to the next case's line, without GoogleTest's
    # banners (10 cases at most).
    awk '/^ *([0-9]+\/[0-9]+ Test +#|Start +)[0-9]+:|tests passed, / { out = 0 }
         /^ *[0-9]+\/[0-9]+ Test +#[0-9]+:.*\*\*\*/ && cases++ < 10 { out = 1; lines = 0; print; next }
         /^(Running main\(\)|Note: Google Test filter|\[[-= A-Z]+\]| *[0-9]+ FAILED TESTS?$)|^$/ { next }
         out && lines++ < 30 { print "  | " $0 }' "$WORK/ctest.log"
  fi
elif [ -n "$MINGW_BUILD" ]; then
  fail "ctest under Wine" "no tests configured in $MINGW_BUILD"
fi

wait "${BUILDS[@]}"
for h in $HELPERS; do
  [ -f "$WORK/helpers/$h.exe" ] || fail "test helper $h builds" "$(head -5 "$WORK/helpers/$h.log")"
done

# ---------------------------------------------------------------------------------------
# Inputs and what the console program makes of them.

INPUTS=$WORK/inputs
iconv -f UTF-8 -t CP932 "$HERE/all-records.utf8.txt" >"$INPUTS/all-records.txt"
sed 's/$/\r/' "$INPUTS/all-records.txt" >"$INPUTS/all-records-crlf.txt"  # CR LF, as the host writes
# selection ITEMS: a large selection. Group 0 and layer 0 come first (what the closing lines
# of a finished pass go back to), every item lies on layer 1: a stopped pass must leave "hq"
# alone, not a line that goes back to layer 0.
selection() {
  awk -v n="$1" 'BEGIN {
    print "lg0"; print "ly0"; print "ly1"; print "lc1"; print "lt1"
    for (i = 0; i < n; i++) {
      if (i % 50 == 0) { print "cn0 3 3 -0.5 1"; printf "ch %d 0 1 0 \"T%d\n", i, i }
      else printf "%d 0 %d 10.5\n", i, i + 1
    }
  }'
}
selection "$BIG_ITEMS" >"$INPUTS/big.txt"
selection "$DF_ITEMS" >"$INPUTS/medium.txt"
# A number too large for a double after every kind of record: not read to its end.
{ cat "$INPUTS/all-records-crlf.txt"; printf 'ci 0 0 1e999\r\n0 0 1 1\r\n'; } >"$INPUTS/overflow.txt"
printf 'hq\r\n' >"$WORK/hq.txt"

# input_of NAME: the file a row's INPUT names: "example" (examples/JWC_TEMP.TXT), "-" (no
# file at all), a path with a slash (from the repository's root), else one of $INPUTS.
input_of() {
  case $1 in -) ;; example) echo "$ROOT/examples/JWC_TEMP.TXT" ;; */*) echo "$ROOT/$1" ;; *) echo "$INPUTS/$1" ;; esac
}
# expected INPUT FLAGS...: the path of the console program's command file for INPUT.
expected() {
  local input=$1 dir
  shift
  dir=$WORK/console-$(printf '%s' "$input $*" | md5sum | cut -c1-12)
  if [ ! -d "$dir" ]; then
    mkdir -p "$dir"
    [ -z "$input" ] || cp "$input" "$dir/JWC_TEMP.TXT"
    "$CONSOLE" "$@" "$dir" </dev/null >/dev/null 2>&1
  fi
  echo "$dir/JWC_TEMP.TXT"
}
# prepare DIR INPUT [EXE]: a fresh folder holding EXE as rq27.exe and INPUT as JWC_TEMP.TXT.
prepare() {
  rm -rf "$1"
  mkdir -p "$1"
  [ -z "$2" ] || cp "$2" "$1/JWC_TEMP.TXT"
  cp "${3:-$EXE}" "$1/rq27.exe"
}
winpath() { printf 'Z:%s' "${1//\//\\}"; }  # the Windows path of a Unix path (drive Z: is /)
}  # set_up

# ---------------------------------------------------------------------------------------
# The runner's pieces. Each returns false on a failure and then sets WHY to what went
# wrong; a wait that runs out is a failure that says what it waited for.

# wait_for SECONDS WHAT TEST...: runs TEST every 0.02 s until it succeeds, SECONDS at most.
wait_for() {
  local limit=$1 what=$2 end
  shift 2
  end=$(($(now) + $(us "$limit")))
  until "$@"; do
    (($(now) < end)) || { WHY="no $what within $limit s"; return 1; }
    sleep 0.02
  done
}
running() { kill -0 "$GUI_PID" 2>/dev/null; }
ended() { ! running; }

# find_dialog [any]: waits while GUI_PID runs for the dialog, a window of GUI_PID's or (given
# "any") of a program it started; sets WIN, X, Y, WIDTH, HEIGHT, BORDER, TOPH, DIALOG_SIZE.
# xdotool's search takes a window that meets any one of its conditions unless told --all: by
# the caption alone, another run's dialog.
find_dialog() {
  local owner=(--pid "$GUI_PID")
  [ "${1:-}" = any ] && owner=()
  dialog_or_end() {
    WIN=$(xdotool search --all --onlyvisible "${owner[@]}" --name "^${CAPTION}\$" 2>/dev/null | head -1)
    [ -n "$WIN" ] || ended
  }
  wait_for 30 "dialog window" dialog_or_end || return 1
  if [ -z "$WIN" ]; then
    abandon  # reaps it and sets GUI_RC
    WHY="no dialog window: the program ended first (exit status $GUI_RC$(
      tail -c 300 "$WORK/gui.err" 2>/dev/null | tr -s '\r\n' '  ' | sed 's/^./, Wine said: &/'))"
    return 1
  fi
  # Keys go where the X focus is, and Wine moves it to a new window a moment after showing
  # it (up to 0.06 s here): a key sent before then is lost.
  has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$WIN" ]; }
  wait_for 5 "keyboard focus on the dialog" has_focus || return 1
  eval "$(xdotool getwindowgeometry --shell "$WIN")"
  # Wine draws the frame itself (Decorated=N): the X window is the whole Win32 window.
  BORDER=$(((WIDTH - CLIENT_W) / 2)) TOPH=$((HEIGHT - CLIENT_H - (WIDTH - CLIENT_W) / 2))
  DIALOG_SIZE=${WIDTH}x${HEIGHT}
}
# start_gui DIR [PX PY]: DIR/rq27.exe started from another working folder, the pointer at
# (PX, PY) (default 500,300); waits for its dialog. Its standard error (where Wine reports a
# crash) goes to $WORK/gui.err.
start_gui() {
  rm -f "$WORK/gui.err"
  xdotool mousemove "${2:-500}" "${3:-300}"
  (cd "$WORK" && exec "$(wine_for "$1/rq27.exe")" "$1/rq27.exe" </dev/null >/dev/null 2>"$WORK/gui.err") &
  GUI_PID=$!
  find_dialog
}
# end_gui SECONDS: waits for the program's end and sets GUI_RC; kills it when SECONDS pass.
end_gui() {
  [ -n "$GUI_PID" ] || return 0
  if ! wait_for "$1" "end of the program" ended; then
    abandon
    GUI_RC=124
    return 1
  fi
  { wait "$GUI_PID"; } 2>/dev/null  # no "Killed" from the shell
  GUI_RC=$? GUI_PID=
}
# click_at PX PY [WINDOW]: a click at (PX, PY) on the screen, given once X reports WINDOW (the
# dialog, WIN) there: a window lying over it (a second run's dialog, a helper's) would take
# the click instead, whatever the stacking it had a moment ago.
click_at() {
  local want=${3:-$WIN} got=
  under_pointer() { got=$(xdotool getmouselocation --shell 2>/dev/null | sed -n 's/^WINDOW=//p'); [ "$got" = "$want" ]; }
  xdotool mousemove "$1" "$2" && wait_for 5 "window $want under the pointer at $1,$2" under_pointer ||
    { WHY="$WHY (window ${got:-none} there)"; return 1; }
  xdotool click 1
}
click_client() { click_at $((X + BORDER + $1)) $((Y + TOPH + $2)); }
# act NAME: one way of answering the dialog. Tab order: check box, OK, Cancel; the check
# box has the focus at the start.
act() {
  case $1 in
    ok-click) click_client 132 268 ;;
    ok-enter) xdotool key Return ;;
    ok-alt-y) xdotool key alt+y ;;
    check-click+ok-click) click_client 15 16; sleep 0.1; click_client 132 268 ;;
    check-click+ok-enter) click_client 15 16; sleep 0.1; xdotool key Return ;;
    check-space+ok-alt-y) xdotool key space; sleep 0.1; xdotool key alt+y ;;
    tab+space) xdotool key Tab; sleep 0.1; xdotool key space ;;
    tab-tab+space) xdotool key Tab; sleep 0.1; xdotool key Tab; sleep 0.1; xdotool key space ;;
    cancel-click) click_client 324 268 ;;
    cancel-esc) xdotool key Escape ;;
    cancel-alt-n) xdotool key alt+n ;;
    # The close box sits at the right end of the caption bar that Wine draws.
    close-box) click_at $((X + WIDTH - BORDER - 9)) $((Y + BORDER + (TOPH - BORDER) / 2)) ;;
    alt-f4) xdotool key alt+F4 ;;
    # Space while the pass still runs (on whatever has the focus).
    space) running || { WHY="the program ended before Space"; return 1; }; xdotool key space ;;
    *) WHY="unknown step $1"; return 1 ;;
  esac
}
# shot FILE: the screen cropped to the window at X, Y, WIDTH, HEIGHT (the root window: a
# capture of a busy program's own window can hang).
shot() {
  timeout 20 import -window root "$1.root.png" 2>/dev/null &&
    convert "$1.root.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$1" ||
    { WHY="no screenshot $1 within 20 s"; return 1; }
}
# drawn FILE: a screenshot FILE of the dialog shows its client area drawn whole. Measured on
# the screen: the status line is the one area of RGB(231,231,231) and spans the client width
# at the bottom; above it, the client's white left margin runs up to the client's top edge.
drawn() {
  shot "$1" || return 1
  read -r bw bh bx by <<<"$(convert "$1" -fill black +opaque 'rgb(231,231,231)' -format '%@' info: |
    sed 's/[x+]/ /g')"
  # Walk up from the status line in a column left of every control, counting white rows.
  wh=$(convert "$1" -crop "1x${by}+$((bx + 2))+0" +repage txt:- |
       awk -F'[,:]' -v by="$by" 'NR > 1 { white[$2] = ($0 ~ /#FFFFFF/) }
                     END { n = 0; for (y = by - 1; y >= 0 && white[y]; y--) n++; print n }')
  [ "$bw x $((bh + wh)) $bh $wh" = "$CLIENT_W x $CLIENT_H 24 288" ]
}
# probe FILE: the dialog as dialog-probe reads it back (see dialog-probe.cc);
# status_of FILE: the status line's text in such a probe.
probe() {
  (cd "$WORK" && "$WINE64" "$WORK/helpers/dialog-probe.exe" "$CAPTION" </dev/null >"$1.crlf" 2>&1) ||
    { WHY="dialog-probe found no window"; return 1; }
  tr -d '\r' <"$1.crlf" >"$1"
}
status_of() { awk '$1 == "control" && $2 == 1020 { for (i = 0; i < 9; i++) sub(/^[^ ]+ /, ""); print }' "$1"; }

# helper NAME ARGS...: starts a test helper, its output in $WORK/NAME.out, removed first so
# that nothing an earlier run printed is read as this one's.
declare -A HELPER_PID=()
helper() {
  local name=$1
  shift
  rm -f "$WORK/$name.out"
  (cd "$WORK" && exec "$WINE64" "$WORK/helpers/$name.exe" "$@" </dev/null >"$WORK/$name.out" 2>&1) &
  HELPER_PID[$name]=$!
}
# helper_said NAME TEXT [SECONDS]: waits for NAME to print a line starting with TEXT (30 s
# at most: a Wine program took over 10 s to start on a busy machine).
helper_said() {
  said_or_gone() { grep -q "^$2" "$WORK/$1.out" 2>/dev/null || ! kill -0 "${HELPER_PID[$1]}" 2>/dev/null; }
  wait_for "${3:-30}" "line \"$2\" from the $1 helper" said_or_gone "$1" "$2" || return 1
  grep -q "^$2" "$WORK/$1.out" ||
    { WHY="the $1 helper ended without \"$2\": $(tr -d '\r' <"$WORK/$1.out" | tr '\n' ' ')"; return 1; }
}
# stop_helpers: a holder and the other window are ended; any other helper must end by itself.
stop_helpers() {
  local name pid
  for name in "${!HELPER_PID[@]}"; do
    pid=${HELPER_PID[$name]}
    case $name in
      holder | other-window) kill -KILL "$pid" 2>/dev/null ;;  # they would hold on for long
      *) helper_gone() { ! kill -0 "$pid" 2>/dev/null; }
         wait_for 15 "end of the $name helper" helper_gone || { kill -KILL "$pid" 2>/dev/null; FAILS=${FAILS:-$WHY}; } ;;
    esac
    { wait "$pid"; } 2>/dev/null
  done
  HELPER_PID=()
}

# answer_box [NAME]: waits for the program's message box (a window with the dialog's caption
# but not its size) and sets BOX_US to the time since the last action; keeps, given NAME, a
# screenshot at $OUT/NAME.png and its text at $WORK/NAME.txt; then presses Enter, again every
# 2 s while the program is still there, each time after a click on the box's caption.
answer_box() {
  local box= w n
  box_or_end() {
    for w in $(xdotool search --all --onlyvisible --pid "$GUI_PID" --name "^${CAPTION}\$" 2>/dev/null); do
      eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)"
      [ "${WIDTH}x${HEIGHT}" = "$DIALOG_SIZE" ] || { box=$w; return 0; }
    done
    ended
  }
  wait_for 15 "message box" box_or_end || return 1
  [ -n "$box" ] || { WHY="no message box: the program ended first"; return 1; }
  BOX_US=$(($(now) - LAST_US))
  local caption_x=$((X + WIDTH / 2)) caption_y=$((Y + 10))
  sleep 0.2
  [ -z "${1:-}" ] || { shot "$OUT/$1.png" && probe "$WORK/$1.txt"; } || return 1
  for n in 1 2 3 4; do
    # Where Wine has not given the box the keyboard, Enter is lost (seen once in some
    # hundreds of boxes); a click on its caption gives it, as a user's would.
    ((n == 1)) || { click_at "$caption_x" "$caption_y" "$box" || return 1; BOX_CLICKED=1; }
    xdotool key Return
    wait_for 2 "end after Enter" ended && { WHY=; return 0; }  # the last wait is what counts
  done
  WHY="no end after Enter, pressed 4 times 2 s apart; the box $(xdotool getwindowname "$box" \
    >/dev/null 2>&1 && echo still shown || echo gone)"
  return 1
}

# clean_end DIR: no temporary file of the command file left in DIR, no crash reported.
strays() { find "$1" -maxdepth 1 -name '.JWC_TEMP.TXT.*.tmp' | wc -l; }
clean_end() {
  local crash
  crash=$(grep -aiE -m1 'page fault|unhandled exception' "$WORK/gui.err" 2>/dev/null)
  [ -z "$crash" ] || { WHY="crashed: $crash"; return 1; }
  [ "$(strays "$1")" = 0 ] || { WHY="$(strays "$1") temporary files left"; return 1; }
}
# same GOT WANT: GOT holds exactly the bytes of WANT.
same() {
  if [ ! -f "$1" ]; then WHY="no $(basename "$1")"
  elif [ ! -f "$2" ]; then WHY="nothing to compare with: the console program wrote no $2"
  elif cmp -s "$1" "$2"; then return 0
  else WHY="$(stat -c %s "$1") bytes:$(head -c 24 "$1" | od -An -c | tr -s ' \n' ' '), not $2: $(cmp "$1" "$2" 2>&1 | head -1)"
  fi
  return 1
}

# abandon: kills the program if it still runs (GUI_RC 137), leaving WHY as it is.
abandon() {
  [ -n "$GUI_PID" ] || return 0
  kill -KILL "$GUI_PID" 2>/dev/null
  { wait "$GUI_PID"; } 2>/dev/null  # no "Killed" from the shell
  GUI_RC=$? GUI_PID=
}
# finish DIR WANT [RC]: the program ends (60 s at most) with exit status RC (default 0),
# leaving exactly WANT as DIR/JWC_TEMP.TXT, no temporary file and no crash.
finish() {
  end_gui 60 || return 1
  [ "$GUI_RC" = "${3:-0}" ] || { WHY="exit status $GUI_RC"; return 1; }
  same "$1/JWC_TEMP.TXT" "$2" && clean_end "$1"
}

# ---------------------------------------------------------------------------------------
# The runner. A row is one line: NAME | INPUT | STEPS | WANT [| WHERE]
#   INPUT  the JWC_TEMP.TXT the host leaves: see input_of ("-" for none)
#   STEPS  done in order: "start" (first when not written) starts rq27.exe and waits for
#          its dialog; a way of answering (see act); and
#            hold:MS[:read-only|:after-wait]  another program holds JWC_TEMP.TXT for MS ms
#                                 (after rq27's new copy waits beside it: holder.cc)
#            closer:HOW:MS        another program asks the dialog to close, gives it a
#                                 system command or (HOW "watch") watches the keys and
#                                 clicks given to it, and counts the pass (closer.cc)
#            said:TEXT            the closer has printed a line starting with TEXT
#            focus                the X focus is on the dialog (keys go there)
#            mover                the pointer goes back and forth over the dialog
#            other-window         another program's window comes in front (other-window.cc)
#            keydown:KEY          KEY pressed and held until the row ends
#            wait:S               S seconds pass
#            box[:NAME]           a message box must come; Enter closes it (see answer_box)
#            probe-working        the status line must show the pass at work with the check
#                                 box and OK disabled, Cancel enabled
#            shot:NAME            a screenshot kept at $OUT/NAME.png, taken meanwhile
#            drawn:NAME           screenshots at $OUT/NAME.png until one shows the dialog
#                                 drawn whole (see drawn), 10 s at most
#            kill                 rq27.exe killed
#   WANT   what must follow: rc=N (exit status); file=hq, yes, neg or a golden file's path
#          (JWC_TEMP.TXT is exactly "hq", what "rq27 --yes [--negative-only]" writes, or
#          that file); box<S (the box came within S s of the last action); end<S (the end
#          came that soon); prompt (the stop, given at a count of the pass on the status
#          line, acted on within PROMPT_STEPS counts of it, whatever the machine's speed: the
#          last count shown); unheld (the pass went on after the closer's message or a key
#          and showed a new count; a message was taken while it was at work; its count never
#          stood still for 3 s: a menu or move loop would hold it until the program is
#          killed, a busy machine only slows it); sent (the closer, which waits for OK to be
#          disabled and the pass's first count, then MS, found OK disabled and Cancel
#          enabled: the pass at work); sent:close (it waits for both to be disabled, found
#          them so, and so again once its message was taken: the close at work); iconic
#          (the closer saw it iconic); waited (rq27's new copy of the held file waited beside
#          it); size (the dialog at its usual size);
#          corner (wholly on the screen, at its bottom-right corner).
#          Always: it ends within 120 s, no temporary file is left, Wine reports no crash.
#   WHERE  at:X,Y (the pointer at the start); in:NAME (a folder of FOLDERS); exe:release (the
#          released program); via:bat (the host starts the released rq27.bat through cmd);
#          via:launcher:hide|minimize (started with that STARTUPINFO, launcher.cc)
declare -A FOLDERS=([jp]='テスト フォルダ/作業 用' [host]='外部変形 用/文字間隔 ゼロ')
USUAL_SIZE=
# closer_printed TEXT WHY: the closer printed a line starting with TEXT; else WHY and its output.
closer_out() { tr -d '\r' <"$WORK/closer.out" | tr '\n' ' '; }
closer_printed() { grep -q "^$1" "$WORK/closer.out" || WHY="$2: $(closer_out)"; }
# given_counts: the closer's counts of the pass: GIVEN when the last thing was given, LAST the
# last one shown, AFTER how many came after GIVEN; false (and WHY) unless given during the pass.
PROMPT_STEPS=10
given_counts() {
  GIVEN=$(sed -n 's/^given .* at \([0-9-]*\).*/\1/p' "$WORK/closer.out" | tail -1)
  read -r AFTER LAST < <(sed -n 's/^counts after given \([0-9]*\), last \([0-9-]*\).*/\1 \2/p' "$WORK/closer.out")
  [[ $GIVEN =~ ^[0-9]+$ && $LAST =~ ^[0-9]+$ ]] || WHY="not given during the pass: $(closer_out)"
}
run_row() {
  local f name input steps want where dir exe=$EXE via= at=(500 300) step w detail= limit
  IFS='|' read -r -a f <<<"$1"
  f=("${f[@]##+([[:space:]])}")
  f=("${f[@]%%+([[:space:]])}")
  name=${f[0]} steps=${f[2]} want=${f[3]} where=${f[4]:-}
  chosen "$name" || return 0
  input=$(input_of "${f[1]}")
  dir=$WORK/gui
  for w in $where; do
    case $w in
      at:*) IFS=, read -r -a at <<<"${w#at:}" ;;
      in:*) dir=$WORK/${FOLDERS[${w#in:}]} ;;
      exe:release) exe=$RELEASE_EXE ;;
      via:*) via=${w#via:} ;;
    esac
  done
  if [ -z "$exe" ]; then note "skipped \"$name\": no RQ27_RELEASE_EXE"; return; fi
  WHY= FAILS= GUI_RC= LAST_US= OK_US= BOX_US= BOX_CLICKED= MOVER= SHOT_PID= HELD=
  prepare "$dir" "$input" "$exe"
  [ "$via" != bat ] || cp "$RELEASE_BAT" "$dir/rq27.bat" || WHY="no $RELEASE_BAT"
  [[ " $steps " == *" start "* ]] || steps="start $steps"
  for step in $steps; do
    [ -z "$WHY" ] || break
    IFS=: read -r s a b <<<"$step"
    case $s in
      start)
        xdotool mousemove "${at[0]}" "${at[1]}"
        case $via in
          '') start_gui "$dir" "${at[@]}" &&
                USUAL_SIZE=${USUAL_SIZE:-$DIALOG_SIZE} ;;  # the first dialog's size
          bat)
            (cd "$WORK" && exec "$WINE64" cmd /c "$(winpath "$dir/rq27.bat")" </dev/null >"$WORK/cmd.log" 2>&1) &
            GUI_PID=$!
            find_dialog any && sleep 1 &&
              { running || WHY="the batch file ended while the dialog was still open"; } ;;
          launcher:*)
            (cd "$WORK" && exec "$WINE64" "$WORK/helpers/launcher.exe" "${via#launcher:}" 20 \
              "$(winpath "$dir/rq27.exe")" </dev/null >/dev/null 2>&1) &
            GUI_PID=$!
            find_dialog any ;;
        esac ;;
      hold) helper holder "$(winpath "$dir/JWC_TEMP.TXT")" "$a" ${b:+"$b"} && helper_said holder held ;;
      closer) LAST_US=$(now); helper closer "$a" "$b" $(case $want in *sent:close*) echo closing ;; *sent*) echo busy ;; esac) && helper_said closer found ;;
      said) helper_said closer "$a" ;;
      focus) wait_for 5 "keyboard focus on the dialog" has_focus ;;
      mover)
        (while running; do
           xdotool mousemove $((X + 80)) $((Y + 100)); sleep 0.02
           xdotool mousemove $((X + 240)) $((Y + 140)); sleep 0.02
         done) &
        MOVER=$! ;;
      other-window)
        helper other-window 120 && helper_said other-window front &&
          wait_for 5 "other window" eval 'w=$(xdotool search --onlyvisible --name "^rq27-test-other\$" 2>/dev/null | head -1); [ -n "$w" ]' &&
          { running || WHY="the pass ended before the other window came in front"; } &&
          xdotool windowfocus --sync "$w" 2>/dev/null ;;
      keydown) LAST_US=$(now) HELD="$HELD $a"; xdotool keydown "$a" ;;
      wait) sleep "$a" ;;
      box) answer_box "$a" ;;
      probe-working)
        local status= n
        for n in $(seq 20); do
          probe "$WORK/probe-working.txt" || break
          status=$(status_of "$WORK/probe-working.txt")
          [ "${status#処理中}" = "$status" ] || break
        done
        WHY=
        if [ "${status#処理中}" = "$status" ]; then
          WHY="no probe while the pass ran (status line \"$status\")"
        elif w=$(awk '$1 == "state" && ($2 == 1 || $2 == 2 || $2 == 1001) { printf "%s ", $3 }' \
            "$WORK/probe-working.txt") && [ "$w" != "disabled disabled enabled " ]; then
          WHY="check box, OK, Cancel: $w at \"$status\""
        else
          detail="$detail, check box and OK disabled, Cancel enabled at \"$status\""
        fi ;;
      shot) (sleep 0.3; shot "$OUT/$a.png") & SHOT_PID=$! ;;
      drawn) wait_for 10 "screenshot of the dialog drawn whole" drawn "$OUT/$a.png" ;;
      kill) abandon ;;
      *) LAST_US=$(now) OK_US=${OK_US:-$(now)}; act "$s" ;;
    esac
  done
  limit=120
  for w in $want; do
    [[ $w != end\<* ]] || limit=${w#end<}
  done
  [ -n "$WHY" ] || end_gui "$limit"
  abandon
  local took=$(($(now) - ${LAST_US:-0})) from_ok=$(($(now) - ${OK_US:-0})) after=
  [ -z "$OK_US" ] || after=", $(secs "$from_ok") s after the first action"
  for w in $HELD; do xdotool keyup "$w"; done
  [ -z "$MOVER" ] || wait "$MOVER"
  [ -z "$SHOT_PID" ] || wait "$SHOT_PID" || WHY=${WHY:-"no screenshot within 20 s"}
  stop_helpers
  if [ "$via" = bat ] || [[ $via = launcher:* ]]; then
    for w in $(xdotool search --name "^${CAPTION}\$" 2>/dev/null); do
      kill -KILL "$(xdotool getwindowpid "$w" 2>/dev/null)" 2>/dev/null &&
        WHY=${WHY:-"the starter ended before rq27.exe"}
    done
  fi
  WHY=${WHY:-$FAILS}
  for w in $want; do
    [ -z "$WHY" ] || break
    case $w in
      rc=*) [ "$GUI_RC" = "${w#rc=}" ] || WHY="exit status $GUI_RC" ;;
      file=hq) same "$dir/JWC_TEMP.TXT" "$WORK/hq.txt" ;;
      file=yes) same "$dir/JWC_TEMP.TXT" "$(expected "$input" --yes)" ;;
      file=neg) same "$dir/JWC_TEMP.TXT" "$(expected "$input" --yes --negative-only)" ;;
      file=*) same "$dir/JWC_TEMP.TXT" "$ROOT/${w#file=}" ;;
      box\<*) ((BOX_US <= $(us "${w#box<}"))) || WHY="the message box came $(secs "$BOX_US") s after the last action" ;;
      end\<*) ((took <= $(us "${w#end<}"))) || WHY="ended $(secs "$took") s after the last action" ;;
      prompt) given_counts && ((LAST - GIVEN <= PROMPT_STEPS * 100)) ||
                WHY=${WHY:-"the stop was given at $GIVEN and acted on at $LAST, $(((LAST - GIVEN) / 100)) counts later"} ;;
      unheld) w=$(sed -n 's/^longest standstill \([0-9]*\) ms.*/\1/p' "$WORK/closer.out")
              given_counts && ((AFTER > 0)) || WHY=${WHY:-"no count of the pass after what was given"}
              ! grep -q '^looked' "$WORK/closer.out" || closer_printed 'looked: state OK disabled Cancel enabled' "not taken during the pass"
              [ -n "$WHY" ] || ((${w:-3000} < 3000)) || WHY="the pass stood still ${w:-?} ms" ;;
      sent) closer_printed 'state OK disabled Cancel enabled' "not sent during the pass" ;;
      waited) grep -q '^a new file waits' "$WORK/holder.out" || WHY="no new copy waited for the held file" ;;
      sent:close) closer_printed 'state OK disabled Cancel disabled' "not sent during the close" &&
                    closer_printed 'looked: state OK disabled Cancel disabled' "not taken during the close" ;;
      iconic) closer_printed 'iconic after' "never iconic" ;;
      size) [ "$DIALOG_SIZE" = "$USUAL_SIZE" ] || WHY="the dialog shows at $DIALOG_SIZE, not $USUAL_SIZE" ;;
      corner) ((X >= 0 && Y >= 0 && X + WIDTH == 1280 && Y + HEIGHT == 1024)) ||
                WHY="the dialog at $X,$Y $DIALOG_SIZE on a 1280x1024 screen" ;;
      *) WHY="unknown want $w" ;;
    esac
  done
  [ -n "$WHY" ] || clean_end "$dir"
  [ -z "$BOX_US" ] || detail="$detail, message box after $(secs "$BOX_US") s"
  [ -z "$BOX_CLICKED" ] || detail="$detail (Enter taken after a click on its caption)"
  [ ! -f "$WORK/closer.out" ] || [[ " $steps " != *" closer:"* ]] ||
    detail="$detail; $(grep -av '^found' "$WORK/closer.out" | tr -d '\r' | tr '\n' ' ')"
  [[ " $steps " != *" hold:"* ]] || detail="$detail; holder: $(tr -d '\r' <"$WORK/holder.out" | tr '\n' ' ')"
  [ -z "$WHY" ] || { fail "$name" "$WHY$after$detail"; return 1; }
  pass "$name: $want, no temporary file$after$detail"
}
# run_table: runs the rows on standard input; blank lines and those starting with # aside.
run_table() {
  local rows row
  mapfile -t rows
  for row in "${rows[@]}"; do
    [[ $row == *([[:space:]]) || $row == *([[:space:]])'#'* ]] || run_row "$row"
  done
}

# ---------------------------------------------------------------------------------------
# The tables, then the cases of their own: RQ27_REPEAT rounds. Round 0 is dry: it only
# gathers the names of the rows and cases, so that a replay that chooses none fails at once,
# before the set-up.
for ((round = 0; round <= REPEAT; round++)); do
DRY=$((round == 0))
if ((round == 1)); then
  chosen "ctest under Wine" || ((CHOSEN)) || { printf '%s\n' "RQ27_ROWS=\"$ROWS\" chooses no row or case (an \
extended regular expression: \( \) \. match themselves) of these:" "${NAMES[@]/#/  }" "  ctest under Wine" >&2; exit 2; }
  set_up
fi
((REPEAT == 1 || DRY)) || note "round $round of $REPEAT"

# OK in every way and on every input: what "rq27 --yes [--negative-only]" writes. Each way
# runs at least once, each input once with the check box and once without; where there is
# no file, OK gives "hq" as Cancel would, so only keys that nothing but OK takes.
run_table <<'EOF'
OK ok-click, example                        | example              | ok-click             | rc=0 file=yes
OK check-click+ok-click, example            | example              | check-click+ok-click | rc=0 file=neg
OK ok-enter, all-records.txt                | all-records.txt      | ok-enter             | rc=0 file=yes
OK check-click+ok-enter, all-records.txt    | all-records.txt      | check-click+ok-enter | rc=0 file=neg
OK tab+space, all-records-crlf.txt          | all-records-crlf.txt | tab+space            | rc=0 file=yes
OK check-space+ok-alt-y, all-records-crlf.txt | all-records-crlf.txt | check-space+ok-alt-y | rc=0 file=neg
OK ok-alt-y, missing file                   | -                    | ok-alt-y             | rc=0 file=yes
OK ok-enter, missing file                   | -                    | ok-enter             | rc=0 file=yes

# Cancel and every other close: exactly "hq" CR LF.
close by cancel-click gives hq              | all-records.txt      | cancel-click         | rc=0 file=hq
close by cancel-esc gives hq                | all-records.txt      | cancel-esc           | rc=0 file=hq
close by close-box gives hq                 | all-records.txt      | close-box            | rc=0 file=hq

# A folder with Japanese letters and blanks in its name.
OK in a folder named with Japanese letters and blanks | all-records.txt | ok-enter  | rc=0 file=yes | in:jp
Cancel in a folder named with Japanese letters and blanks | -           | cancel-alt-n | rc=0 file=hq | in:jp

# The released program (RQ27_RELEASE_EXE), and the host's round trip through its rq27.bat in
# a folder named with blanks and Japanese letters: the host writes JWC_TEMP.TXT there, runs
# the batch file with cmd from its own working folder, waits for it (it must wait for
# rq27.exe) and reads the file back.
released rq27.exe: OK by Enter on the example | example            | ok-enter             | rc=0 file=yes | exe:release
released rq27.bat run as the host runs it, ok-enter | tests/golden/host_text_selection.in | ok-enter | rc=0 file=tests/golden/host_text_selection.out | exe:release via:bat in:host
released rq27.bat run as the host runs it, cancel-esc | tests/golden/host_text_selection.in | cancel-esc | rc=0 file=hq | exe:release via:bat in:host
EOF

# The golden command files (tests/golden, which the console program is held to): OK by
# Enter, or with the check box where the case asks for --negative-only. Where the console
# program fails the case (NAME.status), OK cannot be carried out: a message box, which
# Enter closes, and exit status 2.
run_table < <(for input in "$ROOT"/tests/golden/*.in; do
  case=${input#"$ROOT/"}
  case=${case%.in}
  answer=ok-enter want=rc=0
  [ "$(cat "$ROOT/$case.args" 2>/dev/null)" != --negative-only ] || answer=check-space+ok-alt-y
  [ ! -f "$ROOT/$case.status" ] || answer="$answer box" want=rc=2
  echo "golden ${case##*/} | $case.in | $answer | $want file=$case.out"
done)

# A large selection: OK to its end, a screenshot of the pass at work kept. Two million items,
# so that every stop below comes well within the pass (a million took under 1 s).
run_row "OK on $BIG_ITEMS items | big.txt | ok-enter shot:dialog-working | rc=0 file=yes"

# Stops during OK's pass over the large selection: the drawing is left unchanged, exactly
# "hq" (no line back to layer 0 either), exit status 0, the stop acted on within PROMPT_STEPS
# counts (of 100 items) of the count shown when it was given. The pass checks for a stop at
# every count: a sent message, a key or a click is taken there; a posted one at the next
# look at the queue, which the closer's WM_NULL brings. Cancel is clicked after the probe
# saw the pass at work; other programs' requests come 0.3 s after the pass's first count,
# the pointer moving over the dialog, and count only if OK then read disabled and Cancel
# enabled. (Wine does not end a program that has answered WM_ENDSESSION, as Windows does: the
# stopped pass ends it.) The end of the session while the dialog waits closes it as Cancel does.
#
# Files held by other programs: JWC_TEMP.TXT held without delete sharing from before the
# start until 1 s after the "hq" after loading waits beside it (for 2 s at most), and OK
# gives the complete command file. Held for 8 s from before OK or Cancel, reading shared only, far longer than the
# program waits: after OK, a message box within about 3 s says the drawing was left
# unchanged, exit status 2; Cancel ends at once, as nothing is left to write.
#
# A selection that cannot be read to its end: once the file was opened, "hq" takes its
# place, so that a kill while the dialog is open leaves no selection to be drawn twice.
run_table <<'EOF'
Escape held during the pass                 | big.txt    | closer:watch:300 ok-enter said:watching keydown:Escape | sent rc=0 file=hq prompt end<10
Cancel clicked during the pass              | big.txt    | closer:watch:0 ok-enter said:watching probe-working cancel-click | sent rc=0 file=hq prompt end<10
WM_CLOSE sent during the pass               | big.txt    | closer:close:300 mover ok-enter   | sent rc=0 file=hq prompt end<10
BM_CLICK on Cancel sent during the pass     | big.txt    | closer:cancel-click:300 mover ok-enter | sent rc=0 file=hq prompt end<10
WM_QUERYENDSESSION and WM_ENDSESSION sent during the pass | big.txt | closer:end-session:300 mover ok-enter | sent rc=0 file=hq prompt end<10
WM_SYSCOMMAND SC_CLOSE posted during the pass | big.txt  | closer:post-sc-close:300 mover ok-enter | sent rc=0 file=hq prompt end<10
WM_CLOSE posted during the pass             | big.txt    | closer:post-close:300 mover ok-enter | sent rc=0 file=hq prompt end<10
WM_SYSCOMMAND SC_CLOSE sent during the pass | big.txt    | closer:send-sc-close:300 mover ok-enter | sent rc=0 file=hq prompt end<10
WM_COMMAND IDCANCEL posted during the pass  | big.txt    | closer:post-cancel-command:300 mover ok-enter | sent rc=0 file=hq prompt end<10
end of the session while the dialog waits  | all-records.txt | closer:end-session:300     | rc=0 file=hq end<10

# System commands that another program sends or posts during the pass or the close, to the
# dialog or to a control, and the task bar's window menu, do nothing there but a minimise or
# a restore, which acts at once (and the restored dialog is drawn whole, as a screenshot
# taken before Space shows): OK's work goes on to the complete command file, never held,
# showing new counts after the message. Wine's "About"
# stands for every command whose default runs a loop of its own. The restore gives Cancel
# the focus, and Space then stops as a click on Cancel does.
system menu sent during the pass            | big.txt    | closer:notify-keymenu:300 mover ok-enter | sent rc=0 file=yes unheld
keyboard move sent to a label during the pass | big.txt  | closer:notify-move:300 mover ok-enter | sent rc=0 file=yes unheld
task bar's window menu sent during the pass | big.txt    | closer:notify-popup-menu:300 mover ok-enter | sent rc=0 file=yes unheld
Wine's About command posted during the pass | big.txt    | closer:post-about:300 mover ok-enter | sent rc=0 file=yes unheld
minimise and restore posted during the pass, then Space | big.txt | closer:post-minimize-restore:100 ok-enter said:watching focus drawn:dialog-restored space | sent iconic rc=0 file=hq prompt end<10
system menu sent while the close waits for a held file | all-records.txt | closer:notify-keymenu:100 hold:1500 ok-enter | sent:close rc=0 file=yes end<3.5

JWC_TEMP.TXT held from before the start, 1 s after "hq" waits | medium.txt | hold:1000:after-wait start ok-enter | rc=0 file=yes waited
JWC_TEMP.TXT held 8 s from before ok-enter  | all-records.txt | hold:8000:read-only ok-enter box:message-box | rc=2 file=hq box<3.5
JWC_TEMP.TXT held 8 s from before cancel-esc | all-records.txt | hold:8000:read-only cancel-esc | rc=0 file=hq end<1

a selection not read to its end, killed with the dialog open | overflow.txt | kill   | file=hq
EOF

# The whole run only: the rest of the ways to close, a start at the screen's corner (the
# dialog moved onto the screen, just enough), started hidden or minimised by a host (shown,
# at its usual size, and OK works), Escape held in another program's window in front during
# the pass (the pass goes on to the complete command file and shows new counts after
# Escape; the window stays until the row ends: once it went, the dialog was in front again,
# and Escape was still held).
all_cases && run_table <<'EOF'
close by cancel-alt-n gives hq              | all-records.txt | cancel-alt-n          | rc=0 file=hq
close by tab-tab+space gives hq             | all-records.txt | tab-tab+space         | rc=0 file=hq
close by alt-f4 gives hq                    | all-records.txt | alt-f4                | rc=0 file=hq
pointer at (1279,1023)                      | all-records.txt | cancel-esc            | corner rc=0 file=hq | at:1279,1023
started with STARTUPINFO hide               | all-records.txt | ok-enter              | size rc=0 file=yes | via:launcher:hide
started with STARTUPINFO minimize           | all-records.txt | ok-enter              | size rc=0 file=yes | via:launcher:minimize
Escape held in another window during the pass | big.txt    | closer:watch:0 ok-enter said:watching other-window keydown:Escape | sent rc=0 file=yes unheld
EOF

# ---------------------------------------------------------------------------------------
# Cases of their own: more than one run of the dialog, or more than its end to look at.

# Checks of every round: the console's Cancel, and OK and the check box change each OK row's input.
if live; then
DIR=$WORK/gui
WANT_MEDIUM=$(expected "$INPUTS/medium.txt" --yes)
same "$(expected "$INPUTS/all-records.txt" --cancel)" "$WORK/hq.txt" && pass "console --cancel gives hq" ||
  fail "console --cancel gives hq" "$WHY"
for input in example all-records.txt all-records-crlf.txt; do
  yes=$(expected "$(input_of $input)" --yes) neg=$(expected "$(input_of $input)" --yes --negative-only)
  if cmp -s "$yes" "$neg" || cmp -s "$yes" "$WORK/hq.txt" || cmp -s "$neg" "$WORK/hq.txt"; then
    fail "OK and the check box change $input" "OK gives $(stat -c %s "$yes") bytes, with the check box $(stat -c %s "$neg")"
  else
    pass "OK and the check box change $input"
  fi
done
fi

# Position at the pointer and size, with a screenshot of the dialog as it opens, taken until
# it shows the dialog drawn whole (Wine draws a new window a moment after showing it, later
# on a busy machine), 10 s at most; the last one is measured.
if case_named "position at pointer (500,300)"; then
prepare "$DIR" "$INPUTS/all-records.txt"
WHY=
if start_gui "$DIR"; then
  if [ "$X,$Y" = "$((500 - WIDTH / 2)),296" ]; then
    pass "$name: outer left $X, top $Y, outer size $DIALOG_SIZE"
  else
    fail "$name" "got $X,$Y, want $((500 - WIDTH / 2)),296 (outer $DIALOG_SIZE)"
  fi
  if wait_for 10 "shot of the whole client area" drawn "$OUT/dialog.png"; then
    pass "client area ${bw}x$((bh + wh)), status line ${bw}x${bh} at 0,$wh"
  else
    fail "client area" "measured ${bw}x$((bh + wh)), status ${bw}x${bh}+${bx}+${by}, white for $wh; $WHY"
  fi
  act cancel-esc
  finish "$DIR" "$WORK/hq.txt" || fail "$name: Escape after the screenshot" "$WHY"
else
  fail "$name" "$WHY"
fi
abandon
fi

# What the user is told: the reason of a failed OK for a folder that cannot be written,
# against the one for a file another program holds (the message box of the held-file row).
# The folder is mounted read-only: neither a new file nor the file itself can be written
# (root is bound by that, unlike by permissions). Wine gives both the same error code,
# "access denied"; what tells them apart is whether the file itself is writable.
if case_named "a held file and a read-only folder: each message the system's reason and its own advice"; then
RO_DIR=$WORK/read-only
prepare "$RO_DIR" "$INPUTS/all-records.txt"
WHY=
if [ ! -f "$WORK/message-box.txt" ]; then
  fail "$name" "no message box was read in the held-file case"
elif ! { mount --bind "$RO_DIR" "$RO_DIR" && mount -o remount,ro,bind "$RO_DIR"; } 2>/dev/null; then
  umount "$RO_DIR" 2>/dev/null
  note "skipped the read-only folder: no bind mount here"
else
  start_gui "$RO_DIR" && act ok-enter && LAST_US=$(now) && answer_box read-only-box && end_gui 20
  abandon
  umount "$RO_DIR"
  held=$(grep -E '^(理由|対処): ' "$WORK/message-box.txt")
  readonly_box=$(grep -E '^(理由|対処): ' "$WORK/read-only-box.txt" 2>/dev/null)
  note "held: $(tr '\n' ' ' <<<"$held")"
  note "read-only: $(tr '\n' ' ' <<<"$readonly_box")"
  if [ -n "$WHY" ] || [ "$GUI_RC" != 2 ]; then
    fail "$name" "${WHY:-exit status $GUI_RC}"
  elif grep -q '^理由: .*（エラー [0-9]*）$' <<<"$held" && grep -q '他のプログラムを閉じるか' <<<"$held" &&
      grep -q '^理由: .*（エラー [0-9]*）$' <<<"$readonly_box" &&
      grep -q 'rq27.bat と rq27.exe を一緒に' <<<"$readonly_box"; then
    pass "$name"
  else
    fail "$name" "held: $held / read-only: $readonly_box"
  fi
fi
fi

# Two runs in one folder (two drawings open in the host). Run 1 has read its selection
# ("hq" stands); the host of another drawing writes its selection there and starts run 2,
# whose OK leaves its command file. Cancel in run 1 must not leave run 2's commands for run
# 1's host: "hq" again. Each dialog opens at the pointer: run 1 at the top left, run 2 at the
# bottom right, apart, so that neither lies over the other whatever X's stacking, and each
# click is given where X reports that run's own window (see click_at).
if case_named "two runs in one folder, run 1 cancelled after run 2's OK"; then
prepare "$DIR" "$INPUTS/all-records.txt"
WHY=
if start_gui "$DIR" 300 250; then
  run1=("$GUI_PID" "$WIN" "$X" "$Y" "$WIDTH" "$HEIGHT" "$BORDER" "$TOPH")
  cp "$ROOT/examples/JWC_TEMP.TXT" "$DIR/JWC_TEMP.TXT"
  apart() {
    ((X >= run1[2] + run1[4] || run1[2] >= X + WIDTH || Y >= run1[3] + run1[5] || run1[3] >= Y + HEIGHT)) ||
      { WHY="run 2's dialog at $X,$Y ${WIDTH}x$HEIGHT lies over run 1's at ${run1[2]},${run1[3]}"; return 1; }
  }
  start_gui "$DIR" 950 650 && apart && places="run 1 at ${run1[2]},${run1[3]}, run 2 at $X,$Y" &&
    act ok-click && finish "$DIR" "$(expected "$ROOT/examples/JWC_TEMP.TXT" --yes)" &&
    pass "$name: run 2's command file ($places)" || fail "$name: run 2" "$WHY"
  abandon
  GUI_PID=${run1[0]} WIN=${run1[1]} X=${run1[2]} Y=${run1[3]} BORDER=${run1[6]} TOPH=${run1[7]} WHY=
  t=$(now)
  act cancel-click && finish "$DIR" "$WORK/hq.txt" && pass "$name: \"hq\" again, $(since "$t") s after Cancel" ||
    fail "$name: run 1" "$WHY"
else
  fail "$name" "$WHY"
fi
abandon
fi

# Kills at random moments after the dialog appeared, half of them after OK: each leaves
# exactly "hq" or the complete command file, never the selection or a part; the next run
# that ends well leaves no temporary file behind. At most 16 kills (6 for the main cases)
# in about 60 s.
if chosen kills; then
kills_max=16
all_cases || kills_max=6
seed=${RQ27_KILL_SEED:-$RANDOM}
RANDOM=$seed
prepare "$DIR" "$INPUTS/medium.txt"
WHY=
if start_gui "$DIR" && t=$(now) && act ok-enter && end_gui 60 && pass_us=$(($(now) - t)) &&
    finish "$DIR" "$WANT_MEDIUM"; then
  kills=0 hq=0 complete=0 ended=0 after_ok=0 left=0 bad=
  t_kills=$(now)
  while ((kills < kills_max && $(now) - t_kills < 60000000)); do
    cp "$INPUTS/medium.txt" "$DIR/JWC_TEMP.TXT"  # the selection anew, beside what earlier kills left
    start_gui "$DIR" || { bad="no dialog at kill $((kills + 1)): $WHY"; break; }
    if ((kills % 2)); then
      act ok-enter
      after_ok=$((after_ok + 1))
      # Between a third into the pass and a little after its end (where the command file
      # is put in place); some runs end before the kill.
      delay=$(secs $(((300000 + RANDOM * 1000000 / 32768) * pass_us / 1000000)))
    else
      delay=$(secs $((RANDOM * 500000 / 32768)))
    fi
    sleep "$delay"
    abandon
    kills=$((kills + 1))
    [ "$GUI_RC" = 137 ] || ended=$((ended + 1))
    if cmp -s "$DIR/JWC_TEMP.TXT" "$WORK/hq.txt"; then
      hq=$((hq + 1))
    elif cmp -s "$DIR/JWC_TEMP.TXT" "$WANT_MEDIUM"; then
      complete=$((complete + 1))
    elif cmp -s "$DIR/JWC_TEMP.TXT" "$INPUTS/medium.txt"; then
      bad="kill $kills (${delay} s): the host's selection is left"
      break
    else
      bad="kill $kills (${delay} s): $(stat -c %s "$DIR/JWC_TEMP.TXT" 2>/dev/null || echo no) bytes, neither hq nor the command file"
      break
    fi
    left=$((left + $(strays "$DIR")))
  done
  abandon
  summary="$kills kills ($after_ok after OK, seed $seed): $hq hq, $complete complete"
  [ $ended = 0 ] || summary="$summary, of which $ended had ended before the kill"
  [ -n "$bad" ] || ((ended < kills)) || bad="every run had ended before its kill"
  if [ -n "$bad" ]; then fail "kills" "$bad; $summary"; else pass "kills leave \"hq\" or the complete command file: $summary"; fi
  cp "$INPUTS/medium.txt" "$DIR/JWC_TEMP.TXT"
  start_gui "$DIR" && act ok-enter && finish "$DIR" "$WANT_MEDIUM" &&
    pass "the run after the kills gives the complete command file and removes the $left temporary files they left" ||
    fail "the run after the kills" "$WHY"
else
  fail "kills" "the run without a kill: $WHY"
fi
abandon
fi

if all_cases; then
# ---------------------------------------------------------------------------------------
# The whole run only: the same code on either architecture.

# Where no window can be made at all (here: no display), the host's selection is not left
# to be drawn a second time: "hq", and a failed exit status.
if case_named "no window can be made"; then
prepare "$DIR" "$INPUTS/medium.txt"
(cd "$WORK" && env -u DISPLAY timeout 30 "$(wine_for "$EXE")" "$DIR/rq27.exe" </dev/null >/dev/null 2>"$WORK/gui.err")
rc=$?
WHY=
if [ "$rc" = 124 ]; then
  fail "$name" "no end within 30 s"
elif [ "$rc" = 0 ]; then
  fail "$name" "exit status 0"
elif same "$DIR/JWC_TEMP.TXT" "$WORK/hq.txt" && clean_end "$DIR"; then
  pass "$name: \"hq\", exit status $rc"
else
  fail "$name" "$WHY"
fi
fi

# A scanner that opens each new file the moment it is closed and holds it (300 ms, 1.5 s):
# the rename waits, the result is the whole command file and nothing is left over. The
# scanner catches the file between the close and the rename only by chance: on a busy
# machine it missed in 37 of 129 runs (0.29; at most 0.37 at 95 % confidence), so a run
# that missed is repeated, up to 10 runs in all: 0.37^10 < 1/10,000 rows fail for no fault.
for hold in 300 1500; do
  case_named "scanner holding each new file ${hold} ms" || continue
  runs=0 caught=0 WHY=
  while ((runs < 10)) && [ "$caught" = 0 ] && [ -z "$WHY" ]; do
    runs=$((runs + 1))
    prepare "$DIR" "$INPUTS/medium.txt"
    rm -f "$WORK/scanner.stop"
    helper scanner "$(winpath "$DIR")" "$hold" "$(winpath "$WORK/scanner.stop")"
    helper_said scanner ready && start_gui "$DIR" && act ok-enter && finish "$DIR" "$WANT_MEDIUM"
    abandon
    touch "$WORK/scanner.stop"
    FAILS=
    stop_helpers
    WHY=${WHY:-$FAILS}
    # "caught SIZE": the command file is the one larger than "hq". (Lines end in CR LF.)
    said=$(grep -av ready "$WORK/scanner.out" | tr -d '\r' | tr '\n' ' ')
    caught=$(awk '$1 == "caught" && $2 + 0 > 4 { n++ } END { print n + 0 }' <<<"$(tr -d '\r' <"$WORK/scanner.out")")
  done
  if [ -n "$WHY" ]; then
    fail "$name" "run $runs: $WHY; scanner: $said"
  elif [ "$caught" != 0 ]; then
    pass "$name: the complete command file, nothing left over, exit 0 (run $runs; scanner: $said)"
  else
    fail "$name" "the scanner never caught the command file in $runs runs (last: $said)"
  fi
done

# Display scales of 100, 150 and 200 % (LogPixels of the prefix). The dialog is its design
# scaled by D/96: client area, controls and font, the frame that Windows puts around that
# client area, and its place at the pointer (4 pixels above it, scaled too). Every text,
# measured in the dialog's font at D, fits its control; the status line tells what OK will
# change, and again after a toggle; OK works. A second run at each scale takes another
# selection, with its status line, and the key that ends it leaves "hq": where OK has
# nothing to change (texts of text types only, no file at all) OK does as Cancel does;
# after the failed load, Escape. A screenshot of each is kept.
set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
  restart_wine
}
scaled() { echo $((($1 * $2 + 48) / 96)); }  # V design pixels at D dots per inch, halves up
# The design: control id, left, top, width, height. Labels (ids 1011-1019) grow to their
# text, the others keep their size.
DESIGN='1001 8 8 401 17;1 72 256 121 25;2 264 256 121 25;1011 8 40 420 13;1012 24 56 210 13
1013 8 80 392 13;1014 24 96 308 13;1015 8 120 399 13;1016 24 136 196 13;1017 8 160 392 13
1018 24 176 420 13;1019 24 192 266 13;1020 0 288 467 24'
# Free-size texts of spacing -0.5, 0.5 and 0 and a text of text type 3.
live && printf 'lg0\r\nly0\r\ncn0 3 3 -0.5 1\r\nch 1 1 1 0 "neg\r\ncn0 3 3 0.5 1\r\nch 2 2 1 0 "pos\r\n%b' \
  'cn0 3 3 0 1\r\nch 3 3 1 0 "zero\r\ncn3\r\nch 4 4 1 0 "t3\r\n' >"$INPUTS/status.txt"
live && printf 'lg0\r\nly0\r\ncn3\r\nch 4 4 1 0 "t3\r\n' >"$INPUTS/types.txt"
live && printf 'cn0 3 3 -0.5 1\r\nch 1 1 1 0 "neg\r\nci 0 0 1e999\r\n' >"$INPUTS/unreadable.txt"
live && want_neg=$(expected "$INPUTS/status.txt" --yes --negative-only)
for row in "96|types.txt|Return|ＯＫで変わる文字間隔はありません（文字種の1個はそのまま）" \
    "144|unreadable.txt|Escape|JWC_TEMP.TXT を最後まで読み込めませんでした。図面は変更されません" \
    "192|-|Return|JWC_TEMP.TXT がありません。CAD本体の外部変形から起動してください"; do
  IFS='|' read -r dpi other key other_status <<<"$row"
  chosen "at $dpi dpi" || continue
  set_dpi "$dpi"
  prepare "$DIR" "$INPUTS/status.txt"
  WHY=
  if ! { start_gui "$DIR" && sleep 0.3 && probe "$WORK/probe-$dpi.txt" && shot "$OUT/dialog-${dpi}dpi.png"; }; then
    fail "at $dpi dpi" "$WHY"
    abandon
    continue
  fi
  SHOTS="$SHOTS $OUT/dialog-${dpi}dpi.png ($DIALOG_SIZE)"
  read -r _ cw ch <<<"$(grep '^client ' "$WORK/probe-$dpi.txt")"
  read -r _ ow oh <<<"$(grep '^designed-outer ' "$WORK/probe-$dpi.txt")"
  want="client $(scaled 467 "$dpi")x$(scaled 312 "$dpi"), outer ${ow}x${oh} at $((500 - ow / 2)),$((300 - $(scaled 4 "$dpi")))"
  got="client ${cw}x${ch}, outer $DIALOG_SIZE at $X,$Y"
  [ "$dpi" != 96 ] || want="$want (473x337 at 264,296)" got="$got ($DIALOG_SIZE at $X,$Y)"
  if [ "$got" = "$want" ]; then pass "at $dpi dpi: $got"; else fail "at $dpi dpi" "got $got, want $want"; fi
  # Each control at its design rectangle scaled; labels as wide and high as their text.
  layout=$(DESIGN=$DESIGN awk -v d="$dpi" '
    function s(v) { return int((v * d + 48) / 96) }
    function max(a, b) { return a > b ? a : b }
    BEGIN { n = split(ENVIRON["DESIGN"], rows, "[;\n]")
            for (i = 1; i <= n; i++) { split(rows[i], f, " "); want[f[1]] = s(f[2]) " " s(f[3]) " " s(f[4]) " " s(f[5]) } }
    $1 == "control" { seen[$2] = 1
      w = want[$2]; split(w, f, " ")
      if ($2 >= 1011 && $2 <= 1019) w = f[1] " " f[2] " " max(f[3], $8) " " max(f[4], $9)
      if ($3 " " $4 " " $5 " " $6 != w) printf "control %s at %s %s %s %s, want %s; ", $2, $3, $4, $5, $6, w
      if ($7 != "fits") printf "text of %s cut (%sx%s in %sx%s): %s; ", $2, $8, $9, $5, $6, $0 }
    END { for (id in want) if (!(id in seen)) printf "control %s missing; ", id }' "$WORK/probe-$dpi.txt")
  if [ -z "$layout" ]; then
    pass "at $dpi dpi: every control at its design rectangle scaled, every text fits"
  else
    fail "at $dpi dpi: controls" "$layout"
  fi
  status=$(status_of "$WORK/probe-$dpi.txt")
  xdotool key space  # the check box has the focus
  toggled=$status
  new_status() { probe "$WORK/probe-$dpi-toggled.txt" && toggled=$(status_of "$WORK/probe-$dpi-toggled.txt") && [ "$toggled" != "$status" ]; }
  wait_for 10 "status line after the toggle" new_status
  if [ "$status|$toggled" = 'ＯＫで2個の文字間隔をゼロに（文字種の1個はそのまま）|ＯＫで1個の文字間隔をゼロに（文字種の1個はそのまま）' ]; then
    pass "at $dpi dpi: status line \"$status\", toggled \"$toggled\""
  else
    fail "at $dpi dpi: status line" "\"$status\", toggled \"$toggled\" $WHY"
  fi
  xdotool key Return
  if finish "$DIR" "$want_neg"; then pass "at $dpi dpi: OK after the toggle"; else fail "at $dpi dpi: OK after the toggle" "$WHY"; fi
  abandon
  name="at $dpi dpi, $other"
  [ "$other" != - ] || name="at $dpi dpi, missing file"
  prepare "$DIR" "$(input_of "$other")"
  WHY=
  if start_gui "$DIR" && sleep 0.3 && probe "$WORK/probe-$dpi-other.txt"; then
    status=$(status_of "$WORK/probe-$dpi-other.txt")
    if [ "$status" = "$other_status" ]; then pass "$name: status line \"$status\""; else fail "$name: status line" "\"$status\""; fi
    xdotool key "$key"
    if finish "$DIR" "$WORK/hq.txt"; then pass "$name: $key leaves \"hq\""; else fail "$name: $key leaves \"hq\"" "$WHY"; fi
  else
    fail "$name" "$WHY"
  fi
  abandon
done
live && set_dpi 96

# A custom colour scheme, white window text on a dark window (16,32,64): every text stands
# on the scheme's window colour, the status line on that colour shaded 24/255 toward the
# text (38,53,82), so that all stay readable. Measured on a screenshot (kept): the commonest
# colour of the explanation lines' area and of the status line, and the white text pixels
# in each.
if case_named "custom colour scheme, white text on a dark window"; then
COLOURS='HKCU\Control Panel\Colors'
# colour_value NAME: the prefix's value NAME of the scheme, empty where it has none.
colour_value() {
  wine reg query "$COLOURS" /v "$1" </dev/null 2>/dev/null | tr -d '\r' |
    awk -v n="$1" '$1 == n && $2 == "REG_SZ" { $1 = $2 = ""; sub(/^ +/, ""); print }'
}
# set_colour NAME VALUE: sets the value NAME of the scheme, or removes it for "".
set_colour() {
  if [ -n "$2" ]; then wine reg add "$COLOURS" /v "$1" /t REG_SZ /d "$2" /f; else wine reg delete "$COLOURS" /v "$1" /f; fi \
    </dev/null >/dev/null 2>&1
}
# client_colours X Y W H: the commonest colour of that client rectangle of the shot, and
# how many of its pixels are white.
client_colours() {
  convert "$OUT/dialog-colours.png" -crop "$3x$4+$((BORDER + $1))+$((TOPH + $2))" +repage \
    -format %c histogram:info:- |
    awk '{ n = $1 + 0; if (n > most) { most = n; c = $3 } if ($3 == "#FFFFFF") w = n }
         END { printf "%s %d", c, w }'
}
old_window=$(colour_value Window)
old_text=$(colour_value WindowText)
set_colour Window '16 32 64'
set_colour WindowText '255 255 255'
restart_wine
prepare "$DIR" "$INPUTS/status.txt"
WHY=
# Shots until one shows them so (the dialog drawn), 10 s at most; the last one is measured.
coloured() {
  shot "$OUT/dialog-colours.png" || return 1
  read -r labels label_text <<<"$(client_colours 8 40 440 165)"
  read -r band band_text <<<"$(client_colours 0 288 "$CLIENT_W" 24)"
  got="explanation lines on $labels with $label_text white pixels, status line on $band with $band_text"
  [ "$labels" = '#102040' ] && [ "$band" = '#263552' ] && [ "$label_text" -ge 50 ] && [ "$band_text" -ge 20 ]
}
if start_gui "$DIR"; then
  SHOTS="$SHOTS $OUT/dialog-colours.png"
  got="no shot"
  if ! wait_for 10 "shot of the scheme's colours" coloured; then
    fail "$name" "$got; want #102040 and #263552 with white text; $WHY"
  elif act cancel-esc && finish "$DIR" "$WORK/hq.txt"; then
    pass "$name: $got"
  else
    fail "$name: Escape" "$WHY"
  fi
else
  fail "$name" "$WHY"
fi
abandon
set_colour Window "$old_window"
set_colour WindowText "$old_text"
restart_wine
fi
fi  # all_cases

done  # rounds

echo "screenshots: $OUT/dialog.png $OUT/dialog-working.png $OUT/dialog-restored.png $OUT/message-box.png$SHOTS"
echo "time: $(since "$T_START") s"
echo "$PASSED passed, $FAILED failed"
[ "$FAILED" = 0 ]
