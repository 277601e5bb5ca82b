#!/bin/bash
# GUI tests of rq27.exe under Wine in a virtual X display, against the console front end.
#
# Needs the native build (console program, build/default/Unit1/rq27) and the MinGW build
# (build/mingw/Unit1/rq27.exe). Installs what it needs when missing (as root), creates a
# fresh Wine prefix and an Xvfb in a temporary folder, drives the dialog with xdotool and
# removes only what it started. Also runs the MinGW build's unit tests through ctest under
# the same Wine. Prints "N passed, M failed" last; exits 0 when nothing failed.
#
# Environment (all optional):
#   RQ27_CONSOLE       console program      (default build/default/Unit1/rq27)
#   RQ27_EXE           rq27.exe             (default build/mingw/Unit1/rq27.exe)
#   RQ27_MINGW_BUILD   build folder for ctest (default: two levels above RQ27_EXE; "" skips)
#   RQ27_WINE_OUT      where screenshots are kept (default build/wine-gui)
#   RQ27_BIG_ITEMS     items in the generated large selection (default 1000000)
#   RQ27_CASES         "all" (default) or "main": for a second build of the same sources (the
#                      32-bit program), the checks of the executable, the golden command
#                      files, OK and Cancel in a few ways, Escape and Cancel during the pass,
#                      held files, other programs closing it during the pass, fewer kills
set -u

HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
CONSOLE=${RQ27_CONSOLE:-$ROOT/build/default/Unit1/rq27}
EXE=${RQ27_EXE:-$ROOT/build/mingw/Unit1/rq27.exe}
MINGW_BUILD=${RQ27_MINGW_BUILD-$(dirname "$(dirname "$EXE")")}
OUT=${RQ27_WINE_OUT:-$ROOT/build/wine-gui}
BIG_ITEMS=${RQ27_BIG_ITEMS:-1000000}
CAPTION='文字間隔ゼロ化'
CASES=${RQ27_CASES:-all}
case $CASES in all | main) ;; *) echo "RQ27_CASES: all or main, not $CASES" >&2; exit 2 ;; esac
# all_cases: true when every case runs, false for the main cases only.
all_cases() { [ "$CASES" = all ]; }
CLIENT_W=467
CLIENT_H=312

PASSED=0
FAILED=0
pass() { PASSED=$((PASSED + 1)); echo "PASS $1"; }
fail() { FAILED=$((FAILED + 1)); echo "FAIL $1${2:+: $2}"; }
note() { echo "     $*"; }
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }
T_START=$(now)

# ---------------------------------------------------------------------------------------
# Packages and the Japanese locale.

need_packages() {
  local cmd
  for cmd in x86_64-w64-mingw32-g++-posix wine wineserver Xvfb xdotool convert import \
      locale-gen; do
    command -v "$cmd" >/dev/null 2>&1 || return 0
  done
  [ -d /usr/share/wine/fonts ] || return 0
  [ -x /usr/lib/wine/wine64 ] || return 0   # the 64-bit loader (package wine64)
  fc-list 2>/dev/null | grep -q IPAGothic || return 0
  return 1
}
if need_packages; then
  if [ "$(id -u)" != 0 ]; then
    echo "missing packages; run as root or install them (see tests/wine/run-gui-tests.sh)" >&2
    exit 2
  fi
  echo "installing packages"
  apt-get update >/dev/null
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    g++-mingw-w64-x86-64-posix wine wine64 fonts-wine xvfb xdotool imagemagick \
    fonts-ipafont-gothic locales >/dev/null || { echo "apt-get install failed" >&2; exit 2; }
fi
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  if [ "$(id -u)" != 0 ]; then echo "locale ja_JP.UTF-8 missing" >&2; exit 2; fi
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi

for f in "$CONSOLE" "$EXE"; do
  [ -x "$f" ] || [ -f "$f" ] || { echo "not built: $f" >&2; exit 2; }
done

# The loader for a program: with the 32-bit half of Wine installed, the "wine" command runs a
# 64-bit program through a second process (start.exe), so that $! would not be the program
# (its windows, its exit status, a kill). wine64 starts it as its own process.
WINE64=wine
[ -x /usr/lib/wine/wine64 ] && WINE64=/usr/lib/wine/wine64
# wine_for EXE: the loader that starts EXE as its own process.
wine_for() {
  case $(LC_ALL=C x86_64-w64-mingw32-objdump -f "$1" 2>/dev/null | sed -n 's/.*file format //p') in
    pei-i386) echo wine ;;
    *) echo "$WINE64" ;;
  esac
}
WINE_EXE=$(wine_for "$EXE")
if [ "$WINE_EXE" = wine ] && [ ! -x /usr/lib/wine/wine ]; then
  echo "$EXE is a 32-bit program: it needs Wine's 32-bit half (bash tools/install-deps.sh windows32)" >&2
  exit 2
fi

# ---------------------------------------------------------------------------------------
# Temporary folder, Xvfb, Wine prefix. The trap removes only what this script started.

WORK=$(mktemp -d /tmp/rq27-wine.XXXXXX)
XVFB_PID=
WINESERVER_STARTED=
GUI_PID=
cleanup() {
  if [ -n "$GUI_PID" ] && kill -0 "$GUI_PID" 2>/dev/null; then kill "$GUI_PID" 2>/dev/null; fi
  xdotool keyup Escape >/dev/null 2>&1
  if [ -n "$WINESERVER_STARTED" ]; then wineserver -k >/dev/null 2>&1; fi
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; fi
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

export WINEPREFIX="$WORK/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8   # Wine as Japanese Windows: code page 932
mkdir -p "$OUT"

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
# One persistent server, started outside any captured pipe: otherwise every captured Wine
# call (ctest) waits for the server to time out.
wineserver -p
WINESERVER_STARTED=1
wine cmd /c exit </dev/null >/dev/null 2>&1
note "Wine prefix ready in $(since "$t") s (display $DISPLAY)"

# ---------------------------------------------------------------------------------------
# The executable itself: its imports, and the resources it must carry.

# Only functions that Windows 7 has, in this program and the released one; the list names
# system DLLs alone (the MinGW runtime is linked in).
if imports=$(bash "$HERE/windows7-imports.sh" "$EXE" ${RQ27_RELEASE_EXE:+"$RQ27_RELEASE_EXE"} 2>&1); then
  pass "rq27.exe imports only functions that Windows 7 has: $(echo "$imports" | tr '\n' ' ')"
else
  fail "rq27.exe imports only functions that Windows 7 has" "$imports"
fi
resources=$(x86_64-w64-mingw32-windres -i "$EXE" -O rc 2>/dev/null)
missing=
grep -q 'RT_GROUP_ICON' <<<"$resources" || missing="$missing icon"
grep -q 'RT_MANIFEST' <<<"$resources" || missing="$missing manifest"
grep -q 'Microsoft.Windows.Common-Controls' <<<"$resources" || missing="$missing common-controls-6"
grep -q 'VERSIONINFO' <<<"$resources" || missing="$missing version"
grep -q '>PerMonitorV2, PerMonitor<' <<<"$resources" || missing="$missing dpi-awareness"
# The caption, 文字間隔ゼロ化, as windres prints it back (UTF-16 escapes).
grep -qF 'CAPTION L"\x6587\x5b57\x9593\x9694\x30bc\x30ed\x5316"' <<<"$resources" \
  || missing="$missing caption"
if [ -z "$missing" ]; then
  pass "rq27.exe resources: icon, manifest (common controls 6, DPI awareness), version, caption"
else
  fail "rq27.exe resources" "missing:$missing"
fi

# ---------------------------------------------------------------------------------------
# Unit tests of the MinGW build, through ctest under this Wine.

if [ -n "$MINGW_BUILD" ] && [ -f "$MINGW_BUILD/CTestTestfile.cmake" ]; then
  t=$(now)
  # One Wine process per test case: on a busy machine one of them now and then dies in
  # Wine itself (about once in a thousand). A case that fails is run once more, and the
  # retry is reported; the same cases run natively, with and without sanitizers, without.
  if ctest --test-dir "$MINGW_BUILD" --output-on-failure --repeat until-pass:2 \
      >"$WORK/ctest.log" 2>&1; then
    pass "ctest under Wine ($(grep -E 'tests passed' "$WORK/ctest.log"), $(since "$t") s)"
    retried=$(grep -E '\*\*\*(Failed|Exception|Timeout)' "$WORK/ctest.log" | sed 's/ *\.\.\.*/ /' || true)
    [ -z "$retried" ] || note "passed on the second run: $retried"
  else
    fail "ctest under Wine" "$(grep -E 'tests passed|\((Failed|Timeout|SEGFAULT|Not Run|Exception)\)$' "$WORK/ctest.log" | head -20)"
  fi
elif [ -n "$MINGW_BUILD" ]; then
  fail "ctest under Wine" "no tests configured in $MINGW_BUILD"
fi

# ---------------------------------------------------------------------------------------
# Driving the dialog.

# find_dialog [any]: waits, while GUI_PID runs, for the dialog's window: one of GUI_PID's
# own or, given "any", of any process (the dialog of a program that GUI_PID started); sets
# WIN, X, Y, WIDTH, HEIGHT, BORDER, TOPH.
find_dialog() {
  local owner=(--pid "$GUI_PID") i
  [ "${1:-}" = any ] && owner=()
  WIN=
  # Poll rather than "search --sync", which aborts when any window vanishes meanwhile.
  for i in $(seq 600); do
    WIN=$(xdotool search --onlyvisible "${owner[@]}" --name "^${CAPTION}\$" 2>/dev/null | head -1)
    [ -n "$WIN" ] && break
    kill -0 "$GUI_PID" 2>/dev/null || return 1
    sleep 0.05
  done
  [ -n "$WIN" ] || return 1
  eval "$(xdotool getwindowgeometry --shell "$WIN")"
  # Wine draws the frame itself (Decorated=N): the X window is the whole Win32 window.
  BORDER=$(((WIDTH - CLIENT_W) / 2))
  TOPH=$((HEIGHT - CLIENT_H - BORDER))
  return 0
}

# start_gui DIR [PX PY]: starts DIR/rq27.exe from another working folder with the pointer
# at (PX, PY), by default (500, 300), and waits for its window; sets GUI_PID and what
# find_dialog sets. The program's standard error (where Wine reports a crash) goes to the
# file GUI_ERR names, if any.
start_gui() {
  local dir=$1
  xdotool mousemove "${2:-500}" "${3:-300}"
  (cd "$WORK" && exec "$WINE_EXE" "$dir/rq27.exe" </dev/null >/dev/null 2>"${GUI_ERR:-/dev/null}") &
  GUI_PID=$!
  find_dialog
}

# winpath PATH: the Windows path of a Unix path (Wine's drive Z: is the root).
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# click_client CX CY: a left click at client coordinates.
click_client() { xdotool mousemove $((X + BORDER + $1)) $((Y + TOPH + $2)) click 1; }

# wait_gui SECONDS: waits for the program to end; sets GUI_RC (124 on timeout).
wait_gui() {
  local limit=$1 start
  start=$(now)
  while kill -0 "$GUI_PID" 2>/dev/null; do
    if awk -v a="$start" -v b="$(now)" -v l="$limit" 'BEGIN { exit !(b - a > l) }'; then
      kill "$GUI_PID" 2>/dev/null
      wait "$GUI_PID" 2>/dev/null
      GUI_RC=124
      GUI_PID=
      return 1
    fi
    sleep 0.02
  done
  wait "$GUI_PID"
  GUI_RC=$?
  GUI_PID=
  return 0
}

# act NAME: one way of answering the dialog.
act() {
  case $1 in
    ok-click) click_client $((72 + 60)) $((256 + 12)) ;;
    ok-enter) xdotool key Return ;;
    ok-alt-y) xdotool key alt+y ;;
    check-click+ok-click) click_client $((8 + 7)) $((8 + 8)); sleep 0.1; click_client 132 268 ;;
    check-click+ok-enter) click_client $((8 + 7)) $((8 + 8)); sleep 0.1; xdotool key Return ;;
    check-space+ok-alt-y) xdotool key space; sleep 0.1; xdotool key alt+y ;;
    # Tab order CheckBox1, Button1, Button2: the check box has the focus at open.
    tab+space) xdotool key Tab; sleep 0.1; xdotool key space ;;
    tab-tab+space) xdotool key Tab; sleep 0.1; xdotool key Tab; sleep 0.1; xdotool key space ;;
    cancel-click) click_client $((264 + 60)) $((256 + 12)) ;;
    cancel-esc) xdotool key Escape ;;
    cancel-alt-n) xdotool key alt+n ;;
    # The close box sits at the right end of the caption bar that Wine draws.
    close-box) xdotool mousemove $((X + WIDTH - BORDER - 9)) $((Y + BORDER + (TOPH - BORDER) / 2)) click 1 ;;
    alt-f4) xdotool key alt+F4 ;;
    *) echo "unknown action $1" >&2; return 1 ;;
  esac
}

# run_gui DIR ACTION: one run of the dialog in DIR, answered by ACTION. False on a hang.
run_gui() {
  local dir=$1 action=$2
  start_gui "$dir" || { wait_gui 5; note "no window (rc $GUI_RC)"; return 1; }
  act "$action"
  wait_gui 60 || { note "did not end"; return 1; }
  return 0
}

# answer_box DIALOG_SIZE START [SHOT] [PROBE]: waits, while the program runs (15 s at most),
# for its message box: a window with the dialog's caption but not the dialog's size. Sets
# BOX_AFTER to the seconds from START until it showed (empty when none came), keeps a
# screenshot of it at SHOT and its text, as dialog-probe reads it, at PROBE, and presses
# Enter, again every 2 s while the program is still there (a key can be lost on a busy
# machine). False when no box came.
answer_box() {
  local size=$1 start=$2 shot=${3:-} probe=${4:-} w box= _
  BOX_AFTER=
  while [ -z "$box" ] && kill -0 "$GUI_PID" 2>/dev/null &&
      awk -v s="$(since "$start")" 'BEGIN { exit !(s < 15) }'; do
    for w in $(xdotool search --onlyvisible --pid "$GUI_PID" --name "^${CAPTION}\$" 2>/dev/null); do
      eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)"
      if [ "${WIDTH}x${HEIGHT}" != "$size" ]; then box=$w; BOX_AFTER=$(since "$start"); break; fi
    done
    sleep 0.02
  done
  [ -n "$box" ] || return 1
  sleep 0.2
  if [ -n "$shot" ] && timeout 20 import -window root "$WORK/root-box.png"; then
    convert "$WORK/root-box.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shot"
  fi
  [ -z "$probe" ] || probe_dialog "$probe"
  for _ in 1 2 3 4; do
    xdotool key Return
    for _ in $(seq 100); do kill -0 "$GUI_PID" 2>/dev/null || return 0; sleep 0.02; done
  done
}

# prepare DIR INPUT: a fresh folder holding rq27.exe and INPUT as JWC_TEMP.TXT ("" = none).
prepare() {
  local dir=$1 input=$2
  rm -rf "$dir"
  mkdir -p "$dir"
  [ -n "$input" ] && cp "$input" "$dir/JWC_TEMP.TXT"
  cp "$EXE" "$dir/rq27.exe"
}

# expected INPUT FLAGS...: the console front end's command file for INPUT; prints its path.
expected() {
  local input=$1
  shift
  local key dir
  key=$(printf '%s' "$input $*" | md5sum | cut -c1-12)
  dir="$WORK/console-$key"
  if [ ! -f "$dir/JWC_TEMP.TXT.done" ]; then
    rm -rf "$dir"
    mkdir -p "$dir"
    [ -n "$input" ] && cp "$input" "$dir/JWC_TEMP.TXT"
    "$CONSOLE" "$@" "$dir" >/dev/null 2>&1
    touch "$dir/JWC_TEMP.TXT.done"
  fi
  echo "$dir/JWC_TEMP.TXT"
}

# same_file NAME GOT WANT: byte comparison.
same_file() {
  local name=$1 got=$2 want=$3
  if [ ! -f "$got" ]; then
    fail "$name" "no command file written"
  elif [ ! -f "$want" ]; then
    fail "$name" "the console program wrote no command file"
  elif cmp -s "$got" "$want"; then
    pass "$name"
  else
    fail "$name" "differs from the console program's: $(cmp "$got" "$want" 2>&1 | head -1)"
  fi
}

# ---------------------------------------------------------------------------------------
# Inputs.

INPUTS="$WORK/inputs"
mkdir -p "$INPUTS"
iconv -f UTF-8 -t CP932 "$HERE/all-records.utf8.txt" >"$INPUTS/all-records.txt"
# CR LF line ends, as the host writes them.
sed 's/$/\r/' "$INPUTS/all-records.txt" >"$INPUTS/all-records-crlf.txt"

# selection ITEMS: a large selection on standard output. Group 0 and layer 0 come first
# (what the closing lines of a finished pass go back to), every item lies on layer 1: a
# stopped pass must leave "hq" alone, not a line that goes back to layer 0.
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

declare -a CASE_INPUTS=()
[ -f "$ROOT/examples/JWC_TEMP.TXT" ] && CASE_INPUTS+=("$ROOT/examples/JWC_TEMP.TXT")
CASE_INPUTS+=("$INPUTS/all-records.txt" "$INPUTS/all-records-crlf.txt" "")

label() { if [ -z "$1" ]; then echo "missing file"; else basename "$1"; fi; }

GUI_DIR="$WORK/gui"

# ---------------------------------------------------------------------------------------
# OK in every way, on every input: identical to "rq27 --yes [--negative-only]".

OK_ACTIONS="ok-click ok-enter ok-alt-y tab+space check-click+ok-click check-click+ok-enter check-space+ok-alt-y"
all_cases || OK_ACTIONS="ok-click ok-enter check-space+ok-alt-y"
for input in "${CASE_INPUTS[@]}"; do
  want_all=$(expected "$input" --yes)
  want_neg=$(expected "$input" --yes --negative-only)
  for action in $OK_ACTIONS; do
    prepare "$GUI_DIR" "$input"
    want=$want_all
    case $action in check-*) want=$want_neg ;; esac
    name="OK $action, $(label "$input")"
    if run_gui "$GUI_DIR" "$action"; then
      same_file "$name" "$GUI_DIR/JWC_TEMP.TXT" "$want"
    else
      fail "$name" "the dialog did not run to its end"
    fi
  done
done

# The check box changes the result for the prepared input (it has positive spacings).
if cmp -s "$(expected "$INPUTS/all-records.txt" --yes)" \
    "$(expected "$INPUTS/all-records.txt" --yes --negative-only)"; then
  fail "check-box cases discriminate" "the input gives the same file either way"
else
  pass "check-box cases discriminate"
fi

# ---------------------------------------------------------------------------------------
# Cancel and every other close: exactly "hq" CR LF, and FormClose ran once (file present).

printf 'hq\r\n' >"$WORK/hq.txt"
CANCEL_ACTIONS="cancel-click cancel-esc cancel-alt-n tab-tab+space close-box alt-f4"
all_cases || CANCEL_ACTIONS="cancel-click cancel-esc close-box"
for action in $CANCEL_ACTIONS; do
  prepare "$GUI_DIR" "$INPUTS/all-records.txt"
  if run_gui "$GUI_DIR" "$action"; then
    same_file "close by $action gives hq" "$GUI_DIR/JWC_TEMP.TXT" "$WORK/hq.txt"
  else
    fail "close by $action gives hq" "the dialog did not close"
  fi
done
same_file "console --cancel gives hq" "$(expected "$INPUTS/all-records.txt" --cancel)" "$WORK/hq.txt"

# ---------------------------------------------------------------------------------------
# The golden command files (tests/golden, which the console program is held to): OK by
# Enter, or with the check box where the case's arguments ask for --negative-only. Where the
# console program fails the case (NAME.status), OK could not be carried out: the dialog
# program shows a message box, which Enter closes, and exits with status 2.

for input in "$ROOT"/tests/golden/*.in; do
  case_name=$(basename "$input" .in)
  name="golden $case_name"
  action=ok-enter
  args=()
  [ -f "${input%.in}.args" ] && read -r -a args <"${input%.in}.args"
  for arg in "${args[@]}"; do
    case $arg in
      --negative-only) action=check-space+ok-alt-y ;;
      *) action=; fail "$name" "no way to give $arg in the dialog" ;;
    esac
  done
  [ -n "$action" ] || continue
  want_rc=0
  [ -f "${input%.in}.status" ] && want_rc=2
  prepare "$GUI_DIR" "$input"
  if ! start_gui "$GUI_DIR"; then
    wait_gui 5
    fail "$name" "no window (rc $GUI_RC)"
    continue
  fi
  dialog_size="${WIDTH}x${HEIGHT}"
  act "$action"
  answer_box "$dialog_size" "$(now)"
  if ! wait_gui 20; then
    fail "$name" "the program did not end"
  elif [ "$GUI_RC" != "$want_rc" ]; then
    fail "$name" "exit status $GUI_RC, expected $want_rc"
  else
    same_file "$name (exit status $GUI_RC)" "$GUI_DIR/JWC_TEMP.TXT" "${input%.in}.out"
  fi
done

# ---------------------------------------------------------------------------------------
# Position and size, with a screenshot of the dialog as it opens.

prepare "$GUI_DIR" "$INPUTS/all-records.txt"
if start_gui "$GUI_DIR"; then
  sleep 0.3
  timeout 20 import -window root "$WORK/root.png"
  convert "$WORK/root.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$OUT/dialog.png"
  want_left=$((500 - WIDTH / 2))
  if [ "$X" = "$want_left" ] && [ "$Y" = 296 ]; then
    pass "position at pointer (500,300): outer left $X, top $Y, outer size ${WIDTH}x${HEIGHT}"
  else
    fail "position at pointer (500,300)" "got $X,$Y, want $want_left,296 (outer ${WIDTH}x${HEIGHT})"
  fi
  # The client area, measured on the screen: the status line is the one area of
  # RGB(231,231,231); it spans the client width at the bottom. Above it, the client's white
  # left margin runs up to the client's top edge.
  band=$(convert "$OUT/dialog.png" -fill black +opaque 'rgb(231,231,231)' -format '%@' info:)
  read -r bw bh bx by <<<"$(echo "$band" | sed 's/[x+]/ /g')"
  # Walk up from the status line in a column left of every control, counting white rows.
  wh=$(convert "$OUT/dialog.png" -crop "1x${by}+$((bx + 2))+0" +repage txt:- |
       awk -F'[,:]' 'NR > 1 { white[$2] = ($0 ~ /#FFFFFF/) }
                     END { n = 0; for (y = '"$by"' - 1; y >= 0 && white[y]; y--) n++; print n }')
  wy=$((by - wh))
  cw=$bw
  ch=$((by + bh - wy))
  if [ "$cw" = "$CLIENT_W" ] && [ "$ch" = "$CLIENT_H" ] && [ "$bh" = 24 ] \
      && [ "$((by - wy))" = 288 ] && [ "$wh" = 288 ]; then
    pass "client area ${cw}x${ch}, status line ${bw}x${bh} at 0,$((by - wy))"
  else
    fail "client area" "measured ${cw}x${ch}, status ${bw}x${bh}+${bx}+${by}, white from $wy for $wh"
  fi
  xdotool key Escape
  wait_gui 20
else
  fail "position at pointer (500,300)" "no window"
fi

# ---------------------------------------------------------------------------------------
# A folder with Japanese letters and blanks in its name.

JP_DIR="$WORK/テスト フォルダ/作業 用"
want=$(expected "$INPUTS/all-records.txt" --yes)
prepare "$JP_DIR" "$INPUTS/all-records.txt"
if run_gui "$JP_DIR" ok-enter; then
  same_file "OK in a folder named with Japanese letters and blanks" "$JP_DIR/JWC_TEMP.TXT" "$want"
else
  fail "OK in a folder named with Japanese letters and blanks" "the dialog did not run"
fi
prepare "$JP_DIR" ""
if run_gui "$JP_DIR" cancel-alt-n; then
  same_file "Cancel in a folder named with Japanese letters and blanks" "$JP_DIR/JWC_TEMP.TXT" "$WORK/hq.txt"
else
  fail "Cancel in a folder named with Japanese letters and blanks" "the dialog did not run"
fi

# ---------------------------------------------------------------------------------------
# A large selection: OK to its end (same as the console), then Escape held during the pass.

want=$(expected "$INPUTS/big.txt" --yes)
prepare "$GUI_DIR" "$INPUTS/big.txt"
full=
if start_gui "$GUI_DIR"; then
  t=$(now)
  xdotool key Return
  # A screenshot while the pass runs, taken beside the wait so the run is timed alone. The
  # root window, cropped: a capture of the busy program's own window can hang.
  (sleep 0.3
   timeout 20 import -window root "$WORK/root-working.png" 2>/dev/null &&
     convert "$WORK/root-working.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage \
       "$OUT/dialog-working.png") &
  shot_pid=$!
  if wait_gui 120; then
    full=$(since "$t")
    same_file "OK on ${BIG_ITEMS} items (${full} s after OK)" "$GUI_DIR/JWC_TEMP.TXT" "$want"
  else
    fail "OK on ${BIG_ITEMS} items" "did not end"
  fi
  wait "$shot_pid"
else
  fail "OK on ${BIG_ITEMS} items" "no window"
fi

prepare "$GUI_DIR" "$INPUTS/big.txt"
if start_gui "$GUI_DIR"; then
  t=$(now)
  xdotool key Return
  # Press Escape a quarter into the pass (at most 0.3 s), so it is found at a later check.
  sleep "$(awk -v f="${full:-1.2}" 'BEGIN { d = f / 4; if (d > 0.3) d = 0.3; printf "%.2f", d }')"
  xdotool keydown Escape
  wait_gui 120
  took=$(since "$t")
  xdotool keyup Escape
  # The stopped pass leaves the drawing unchanged: exactly "hq", with no closing line back
  # to layer 0 from the items' layer 1.
  if cmp -s "$GUI_DIR/JWC_TEMP.TXT" "$WORK/hq.txt"; then
    pass "Escape held during the pass: \"hq\" ($took s, full run ${full:-?} s)"
  else
    fail "Escape held during the pass" "$(stat -c %s "$GUI_DIR/JWC_TEMP.TXT") bytes after $took s:$(
      head -c 40 "$GUI_DIR/JWC_TEMP.TXT" | od -An -c | tr -s ' \n' ' ')"
  fi
  if [ -n "$full" ] && awk -v a="$took" -v b="$full" 'BEGIN { exit !(a < b) }'; then
    pass "Escape stopped the pass early ($took s against $full s)"
  elif [ -n "$full" ]; then
    fail "Escape stopped the pass early" "$took s against $full s for the whole pass"
  fi
else
  fail "Escape held during the pass" "no window"
fi

# ---------------------------------------------------------------------------------------
# The released rq27.exe, when RQ27_RELEASE_EXE names one (tools/check.sh passes the one
# unpacked from the zip): OK by Enter on the example writes what the console program writes.

if [ -n "${RQ27_RELEASE_EXE:-}" ]; then
  REL_DIR="$WORK/release"
  name="released rq27.exe: OK by Enter on the example"
  if [ ! -f "$RQ27_RELEASE_EXE" ] || [ ! -f "$ROOT/examples/JWC_TEMP.TXT" ]; then
    fail "$name" "missing $RQ27_RELEASE_EXE or examples/JWC_TEMP.TXT"
  elif EXE=$RQ27_RELEASE_EXE prepare "$REL_DIR" "$ROOT/examples/JWC_TEMP.TXT" &&
      WINE_EXE=$(wine_for "$RQ27_RELEASE_EXE") run_gui "$REL_DIR" ok-enter; then
    same_file "$name" "$REL_DIR/JWC_TEMP.TXT" "$(expected "$ROOT/examples/JWC_TEMP.TXT" --yes)"
  else
    fail "$name" "the dialog did not run to its end"
  fi
fi

# The host's round trip through the released rq27.bat (the one beside RQ27_RELEASE_EXE, or
# RQ27_RELEASE_BAT), in a folder whose path has blanks and Japanese letters: the host writes
# JWC_TEMP.TXT there ("hq" first, Shift-JIS, CR LF, free-size texts among other records),
# runs the batch file with cmd from its own working folder, waits for it, and reads the file
# back. The batch file must still run while the dialog is open (it waits for rq27.exe), and
# once it has ended, the file holds the golden command file after OK and "hq" after Escape.

if [ -n "${RQ27_RELEASE_EXE:-}" ]; then
  HOST_BAT=${RQ27_RELEASE_BAT:-$(dirname "$RQ27_RELEASE_EXE")/rq27.bat}
  HOST_DIR="$WORK/外部変形 用/文字間隔 ゼロ"
  HOST_INPUT=$ROOT/tests/golden/host_text_selection.in
  # end_dialogs: ends whatever program still shows the dialog after a failed round trip
  # (one that the batch file did not wait for), so that it does not disturb later cases.
  end_dialogs() {
    local w
    sleep 2
    for w in $(xdotool search --name "^${CAPTION}\$" 2>/dev/null); do
      kill "$(xdotool getwindowpid "$w" 2>/dev/null)" 2>/dev/null
    done
  }
  for answer in "ok-enter:${HOST_INPUT%.in}.out" "cancel-esc:$WORK/hq.txt"; do
    action=${answer%%:*} want=${answer#*:}
    name="released rq27.bat run as the host runs it, $action"
    EXE=$RQ27_RELEASE_EXE prepare "$HOST_DIR" "$HOST_INPUT"
    cp "$HOST_BAT" "$HOST_DIR/rq27.bat" || { fail "$name" "no $HOST_BAT"; continue; }
    xdotool mousemove 500 300
    (cd "$WORK" && exec "$WINE64" cmd /c "$(winpath "$HOST_DIR/rq27.bat")" </dev/null \
      >"$WORK/host-cmd.log" 2>&1) &
    GUI_PID=$!
    if ! find_dialog any; then
      wait_gui 5
      fail "$name" "no dialog; cmd ended with $GUI_RC: $(iconv -c -f CP932 -t UTF-8 "$WORK/host-cmd.log" | tr -d '\r' | tail -3)"
      end_dialogs
      continue
    fi
    sleep 1
    if ! kill -0 "$GUI_PID" 2>/dev/null; then
      fail "$name" "the batch file ended while the dialog was still open"
      end_dialogs
      continue
    fi
    act "$action"
    if ! wait_gui 60; then
      fail "$name" "the batch file did not end"
    elif [ -n "$(xdotool search --onlyvisible --name "^${CAPTION}\$" 2>/dev/null)" ]; then
      fail "$name" "the batch file ended before rq27.exe"
    elif [ "$GUI_RC" != 0 ]; then
      fail "$name" "exit status $GUI_RC"
    else
      same_file "$name" "$HOST_DIR/JWC_TEMP.TXT" "$want"
    fi
  done
fi

# ---------------------------------------------------------------------------------------
# A desktop's faults: files held by other programs, kills, odd starts, other windows.

# probe_dialog FILE: the open dialog as the helper reads it back (see dialog-probe.cc).
probe_dialog() {
  (cd "$WORK" && "$WINE64" "$DF_BIN/dialog-probe.exe" "$CAPTION" </dev/null >"$1.crlf" 2>&1)
  tr -d '\r' <"$1.crlf" >"$1"
}
# status_of FILE: the status line's text in a probe.
status_of() {
  awk '$1 == "control" && $2 == 1020 { for (i = 0; i < 9; i++) sub(/^[^ ]+ /, ""); print }' "$1"
}

source "$HERE/desktop-faults.sh"

# ---------------------------------------------------------------------------------------
# What the user is told, and what is left: the reason of a failed OK for a folder that
# cannot be written, against the one for a file another program holds (read back from the
# message box of the held-file case above), and two runs in one folder (two drawings open
# in the host).

name="a held file and a read-only folder: each message the system's reason and its own advice"
prepare "$DF_DIR" "$INPUTS/all-records.txt"
# The folder mounted read-only: neither a new file nor the file itself can be written (root
# is bound by that, unlike by permissions).
if [ ! -f "$WORK/box-held.txt" ]; then
  fail "$name" "no message box was read in the held-file case"
elif ! { mount --bind "$DF_DIR" "$DF_DIR" && mount -o remount,ro,bind "$DF_DIR"; } 2>/dev/null; then
  umount "$DF_DIR" 2>/dev/null
  note "skipped the read-only folder: no bind mount here"
elif start_gui "$DF_DIR"; then
  dialog_size="${WIDTH}x${HEIGHT}"
  act ok-enter
  answer_box "$dialog_size" "$(now)" "" "$WORK/box-read-only.txt"
  wait_gui 20
  umount "$DF_DIR"
  held=$(grep -E '^(理由|対処): ' "$WORK/box-held.txt")
  readonly_box=$(grep -E '^(理由|対処): ' "$WORK/box-read-only.txt" 2>/dev/null)
  note "held: $(tr '\n' ' ' <<<"$held")"
  note "read-only: $(tr '\n' ' ' <<<"$readonly_box")"
  # (Wine gives both the same error code, "access denied"; what tells them apart is
  # whether the file itself is writable, as on Windows.)
  if [ "$GUI_RC" != 2 ]; then
    fail "$name" "exit status $GUI_RC"
  elif grep -q '^理由: .*（エラー [0-9]*）$' <<<"$held" &&
      grep -q '^理由: .*（エラー [0-9]*）$' <<<"$readonly_box" &&
      grep -q '他のプログラムを閉じるか' <<<"$held" &&
      grep -q 'rq27.bat と rq27.exe を一緒に' <<<"$readonly_box"; then
    pass "$name"
  else
    fail "$name" "held: $held / read-only: $readonly_box"
  fi
else
  umount "$DF_DIR"
  fail "$name" "no window"
fi

# Two runs in one folder. Run 1 has read its selection ("hq" stands); the host of another
# drawing writes its selection there and starts run 2, whose OK leaves its command file.
# Cancel in run 1 must not leave run 2's commands for run 1's host: "hq" again.
name="two runs in one folder, run 1 cancelled after run 2's OK"
prepare "$GUI_DIR" "$INPUTS/all-records.txt"
if start_gui "$GUI_DIR"; then
  RUN1_PID=$GUI_PID RUN1_X=$X RUN1_Y=$Y RUN1_BORDER=$BORDER RUN1_TOPH=$TOPH
  cp "$ROOT/examples/JWC_TEMP.TXT" "$GUI_DIR/JWC_TEMP.TXT"
  # Run 2's dialog opens over run 1's (Wine places both at the pointer it last saw); it is
  # given a moment to take the input before its OK is clicked.
  if start_gui "$GUI_DIR" && sleep 0.5 && act ok-click && wait_gui 30 && [ "$GUI_RC" = 0 ]; then
    same_file "$name: run 2's command file" "$GUI_DIR/JWC_TEMP.TXT" \
      "$(expected "$ROOT/examples/JWC_TEMP.TXT" --yes)"
  else
    fail "$name" "run 2 did not end with its command file (exit status ${GUI_RC:-?})"
  fi
  GUI_PID=$RUN1_PID X=$RUN1_X Y=$RUN1_Y BORDER=$RUN1_BORDER TOPH=$RUN1_TOPH
  t=$(now)
  act cancel-click
  if wait_gui 20 && [ "$GUI_RC" = 0 ]; then
    same_file "$name: \"hq\" again, $(since "$t") s after Cancel" "$GUI_DIR/JWC_TEMP.TXT" "$WORK/hq.txt"
  else
    fail "$name" "run 1 did not end after Cancel (exit status $GUI_RC)"
  fi
else
  fail "$name" "no window"
fi

# ---------------------------------------------------------------------------------------
# Display scales of 100, 150 and 200 % (LogPixels of the prefix). The dialog is its design
# scaled by D/96: client area, controls and font, the frame that Windows puts around that
# client area, and its place at the pointer (4 pixels above it, scaled too). Every text,
# measured in the dialog's font at D, fits its control; the status line tells what OK
# will change, and again after a toggle; OK and Cancel work. A screenshot of each is kept.

# restart_wine: a fresh persistent server, so that programs read the prefix's settings anew.
restart_wine() {
  wineserver -k >/dev/null 2>&1
  wineserver -w
  wineserver -p
  wine cmd /c exit </dev/null >/dev/null 2>&1
}
# set_dpi D: the prefix at D dots per inch, with a fresh persistent server.
set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
    </dev/null >/dev/null 2>&1
  restart_wine
}
# scaled V D: V design pixels at D dots per inch, rounded to the nearest (halves up).
scaled() { echo $((($1 * $2 + 48) / 96)); }

# The design: control id, left, top, width, height. Labels (ids 1011-1019) grow to their
# text, the others keep their size.
DESIGN='1001 8 8 401 17
1 72 256 121 25
2 264 256 121 25
1011 8 40 420 13
1012 24 56 210 13
1013 8 80 392 13
1014 24 96 308 13
1015 8 120 399 13
1016 24 136 196 13
1017 8 160 392 13
1018 24 176 420 13
1019 24 192 266 13
1020 0 288 467 24'

# Free-size texts of spacing -0.5, 0.5 and 0 and a text of text type 3.
printf 'lg0\r\nly0\r\ncn0 3 3 -0.5 1\r\nch 1 1 1 0 "neg\r\ncn0 3 3 0.5 1\r\nch 2 2 1 0 "pos\r\n%b' \
  'cn0 3 3 0 1\r\nch 3 3 1 0 "zero\r\ncn3\r\nch 4 4 1 0 "t3\r\n' >"$INPUTS/status.txt"
printf 'lg0\r\nly0\r\ncn3\r\nch 4 4 1 0 "t3\r\n' >"$INPUTS/types.txt"
printf 'cn0 3 3 -0.5 1\r\nch 1 1 1 0 "neg\r\nci 0 0 1e999\r\n' >"$INPUTS/unreadable.txt"
want_neg=$(expected "$INPUTS/status.txt" --yes --negative-only)
# For each scale, a second run takes another selection: input, status line, and the key
# that ends it. Where OK has nothing to change (texts of text types only, no file at all),
# OK leaves "hq" as Cancel does; after the failed load, Escape.
declare -A CANCEL_INPUT=([96]="$INPUTS/types.txt" [144]="$INPUTS/unreadable.txt" [192]="")
declare -A CANCEL_KEY=([96]=Return [144]=Escape [192]=Return)
declare -A CANCEL_STATUS=(
  [96]='ＯＫで変わる文字間隔はありません（文字種の1個はそのまま）'
  [144]='JWC_TEMP.TXT を最後まで読み込めませんでした。図面は変更されません'
  [192]='JWC_TEMP.TXT がありません。CAD本体の外部変形から起動してください')
SHOTS=
# The scales are the same code on either architecture: only in the whole run.
DPIS="96 144 192"
all_cases || DPIS=
for dpi in $DPIS; do
  [ -f "$DF_BIN/dialog-probe.exe" ] || { fail "at $dpi dpi" "no dialog-probe helper"; continue; }
  set_dpi "$dpi"
  prepare "$GUI_DIR" "$INPUTS/status.txt"
  if ! start_gui "$GUI_DIR"; then
    fail "at $dpi dpi" "no window"
    wait_gui 5
    continue
  fi
  sleep 0.3
  probe_dialog "$WORK/probe-$dpi.txt"
  timeout 20 import -window root "$WORK/root-$dpi.png"
  convert "$WORK/root-$dpi.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$OUT/dialog-${dpi}dpi.png"
  SHOTS="$SHOTS $OUT/dialog-${dpi}dpi.png ($(identify -format '%wx%h' "$OUT/dialog-${dpi}dpi.png"))"
  read -r _ cw ch <<<"$(grep '^client ' "$WORK/probe-$dpi.txt")"
  read -r _ ow oh <<<"$(grep '^designed-outer ' "$WORK/probe-$dpi.txt")"
  want="client $(scaled 467 "$dpi")x$(scaled 312 "$dpi"), outer ${ow}x${oh} at $((500 - ow / 2)),$((300 - $(scaled 4 "$dpi")))"
  got="client ${cw}x${ch}, outer ${WIDTH}x${HEIGHT} at $X,$Y"
  [ "$dpi" != 96 ] || want="$want (473x337 at 264,296)" got="$got (${WIDTH}x${HEIGHT} at $X,$Y)"
  if [ "$got" = "$want" ]; then pass "at $dpi dpi: $got"; else fail "at $dpi dpi" "got $got, want $want"; fi
  # Each control at its design rectangle scaled; labels as wide and high as their text.
  layout=$(DESIGN=$DESIGN awk -v d="$dpi" '
    function s(v) { return int((v * d + 48) / 96) }
    function max(a, b) { return a > b ? a : b }
    BEGIN { n = split(ENVIRON["DESIGN"], rows, "\n")
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
  sleep 0.3
  probe_dialog "$WORK/probe-$dpi-toggled.txt"
  toggled=$(status_of "$WORK/probe-$dpi-toggled.txt")
  want_status='ＯＫで2個の文字間隔をゼロに（文字種の1個はそのまま）'
  want_toggled='ＯＫで1個の文字間隔をゼロに（文字種の1個はそのまま）'
  if [ "$status" = "$want_status" ] && [ "$toggled" = "$want_toggled" ]; then
    pass "at $dpi dpi: status line \"$status\", toggled \"$toggled\""
  else
    fail "at $dpi dpi: status line" "\"$status\", toggled \"$toggled\""
  fi
  xdotool key Return
  if wait_gui 30; then
    same_file "at $dpi dpi: OK after the toggle" "$GUI_DIR/JWC_TEMP.TXT" "$want_neg"
  else
    fail "at $dpi dpi: OK after the toggle" "did not end"
  fi
  prepare "$GUI_DIR" "${CANCEL_INPUT[$dpi]}"
  name="at $dpi dpi, $(label "${CANCEL_INPUT[$dpi]}")"
  if start_gui "$GUI_DIR"; then
    sleep 0.3
    probe_dialog "$WORK/probe-$dpi-cancel.txt"
    status=$(status_of "$WORK/probe-$dpi-cancel.txt")
    if [ "$status" = "${CANCEL_STATUS[$dpi]}" ]; then
      pass "$name: status line \"$status\""
    else
      fail "$name: status line" "\"$status\""
    fi
    xdotool key "${CANCEL_KEY[$dpi]}"
    wait_gui 30
    same_file "$name: ${CANCEL_KEY[$dpi]} leaves \"hq\"" "$GUI_DIR/JWC_TEMP.TXT" "$WORK/hq.txt"
  else
    fail "$name" "no window"
  fi
done
[ -z "$DPIS" ] || set_dpi 96

# ---------------------------------------------------------------------------------------
# Cancel clicked during a long pass. While the status line shows the pass at work, OK and
# the check box read as disabled and Cancel as enabled; the click stops the pass at its next
# check, and the drawing is left unchanged: "hq" (no line back to layer 0 either), exit
# status 0, no temporary file, before the whole pass would have ended. The click comes only
# after the probe saw the pass's progress, which is shown before its first check: the stop
# cannot come at that check.

name="Cancel clicked during the pass"
prepare "$GUI_DIR" "$INPUTS/big.txt"
if [ ! -f "$DF_BIN/dialog-probe.exe" ]; then
  fail "$name" "no dialog-probe helper"
elif start_gui "$GUI_DIR"; then
  t=$(now)
  act ok-enter
  status=
  for _ in $(seq 20); do
    probe_dialog "$WORK/probe-working.txt"
    status=$(status_of "$WORK/probe-working.txt")
    [ "${status#処理中}" = "$status" ] || break
    kill -0 "$GUI_PID" 2>/dev/null || break
  done
  act cancel-click
  states=$(awk '$1 == "state" && ($2 == 1 || $2 == 2 || $2 == 1001) { printf "%s ", $3 }' \
    "$WORK/probe-working.txt")
  if [ "${status#処理中}" = "$status" ]; then
    fail "$name: controls during the pass" "no probe while the pass ran (status line \"$status\")"
  elif [ "$states" = "disabled disabled enabled " ]; then
    pass "$name: check box, OK disabled and Cancel enabled at \"$status\""
  else
    fail "$name: controls during the pass" "check box, OK, Cancel: $states at \"$status\""
  fi
  if ! wait_gui 60; then
    fail "$name" "the program did not end"
  else
    took=$(since "$t")
    if [ "$GUI_RC" != 0 ]; then
      fail "$name" "exit status $GUI_RC"
    elif ! cmp -s "$GUI_DIR/JWC_TEMP.TXT" "$WORK/hq.txt"; then
      fail "$name" "$(stat -c %s "$GUI_DIR/JWC_TEMP.TXT") bytes, not hq, $took s after OK:$(
        head -c 40 "$GUI_DIR/JWC_TEMP.TXT" | od -An -c | tr -s ' ')"
    elif [ "$(strays "$GUI_DIR")" != 0 ]; then
      fail "$name" "$(strays "$GUI_DIR") temporary files left"
    elif [ -n "$full" ] && awk -v a="$took" -v b="$full" 'BEGIN { exit !(a >= b) }'; then
      fail "$name" "ended $took s after OK, the whole pass takes $full s"
    else
      pass "$name: \"hq\", exit status 0, no temporary file, $took s after OK (whole pass ${full:-?} s)"
    fi
  fi
else
  fail "$name" "no window"
fi

# ---------------------------------------------------------------------------------------
# A custom colour scheme, white window text on a dark window (16,32,64): every text stands
# on the scheme's window colour, the status line on that colour shaded 24/255 toward the
# text (38,53,82), so that all stay readable. Measured on a screenshot (kept): the commonest
# colour of the explanation lines' area and of the status line, and the white text pixels
# in each. In the whole run only: the same code on either architecture.

if all_cases; then
  name="custom colour scheme, white text on a dark window"
  COLOURS='HKCU\Control Panel\Colors'
  # colour_value NAME: the prefix's value NAME of the scheme, empty where it has none.
  colour_value() {
    wine reg query "$COLOURS" /v "$1" </dev/null 2>/dev/null | tr -d '\r' |
      awk -v n="$1" '$1 == n && $2 == "REG_SZ" { $1 = $2 = ""; sub(/^ +/, ""); print }'
  }
  # set_colour NAME VALUE: sets the value NAME of the scheme, or removes it for "".
  set_colour() {
    if [ -n "$2" ]; then
      wine reg add "$COLOURS" /v "$1" /t REG_SZ /d "$2" /f </dev/null >/dev/null 2>&1
    else
      wine reg delete "$COLOURS" /v "$1" /f </dev/null >/dev/null 2>&1
    fi
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
  prepare "$GUI_DIR" "$INPUTS/status.txt"
  if start_gui "$GUI_DIR"; then
    sleep 0.3
    timeout 20 import -window root "$WORK/root-colours.png"
    convert "$WORK/root-colours.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage \
      "$OUT/dialog-colours.png"
    SHOTS="$SHOTS $OUT/dialog-colours.png"
    read -r labels label_text <<<"$(client_colours 8 40 440 165)"
    read -r band band_text <<<"$(client_colours 0 288 "$CLIENT_W" 24)"
    got="explanation lines on $labels with $label_text white pixels, status line on $band"
    got="$got with $band_text"
    if [ "$labels" = '#102040' ] && [ "$band" = '#263552' ] && [ "$label_text" -ge 50 ] &&
        [ "$band_text" -ge 20 ]; then
      pass "$name: $got"
    else
      fail "$name" "$got; want #102040 and #263552 with white text"
    fi
    xdotool key Escape
    wait_gui 20
  else
    fail "$name" "no window"
  fi
  set_colour Window "$old_window"
  set_colour WindowText "$old_text"
  restart_wine
fi

echo "screenshots: $OUT/dialog.png $OUT/dialog-working.png$SHOTS"
echo "time: $(since "$T_START") s"
echo "$PASSED passed, $FAILED failed"
[ "$FAILED" = 0 ]
