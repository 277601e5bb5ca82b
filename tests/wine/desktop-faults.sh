# rq27.exe under what a user's desktop does to it: other programs holding its files or
# closing it during OK's pass, kills, a start hidden, minimised, at the screen's edge or with
# no display, Escape typed into another window.
# Sourced by run-gui-tests.sh: uses its Xvfb, Wine prefix, inputs and helpers. For the
# main cases only (all_cases false): the held files, the closes and fewer kills.
#
# Environment (all optional):
#   RQ27_DESKTOP_ITEMS items in the selection for the locks and the kills (default 100000)
#   RQ27_KILL_SEED     seed of the kill moments (default: random; printed for a replay)

DF_START=$(now)
DF_ITEMS=${RQ27_DESKTOP_ITEMS:-100000}
DF_BIN="$WORK/helpers"
mkdir -p "$DF_BIN"

# strays DIR: the temporary files of the command file left in DIR.
strays() { find "$1" -maxdepth 1 -name '.JWC_TEMP.TXT.*.tmp' | wc -l; }

# wait_line FILE TEXT SECONDS: waits until FILE holds a line starting with TEXT.
wait_line() {
  local i
  for i in $(seq $(($3 * 50))); do
    grep -q "^$2" "$1" 2>/dev/null && return 0
    sleep 0.02
  done
  return 1
}

# visible_window NAME [PID]: the first visible window named NAME (of process PID).
visible_window() {
  xdotool search --onlyvisible ${2:+--pid "$2"} --name "$1" 2>/dev/null | head -1
}

# helper NAME ARGS...: starts a test helper in the background, its output in
# $WORK/NAME.out; sets HELPER_PID.
helper() {
  local name=$1
  shift
  (cd "$WORK" && exec "$WINE64" "$DF_BIN/$name.exe" "$@" </dev/null >"$WORK/$name.out" 2>&1) &
  HELPER_PID=$!
}

# no_strays NAME DIR: passes when DIR holds no temporary file of the command file.
no_strays() {
  local n
  n=$(strays "$2")
  if [ "$n" = 0 ]; then pass "$1"; else fail "$1" "$n left in $2"; fi
}

df_ready=1
DF_HELPERS="scanner holder launcher other-window dialog-probe closer"
all_cases || DF_HELPERS="holder dialog-probe closer"
for h in $DF_HELPERS; do
  if ! x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -Wall -Wextra -Werror -municode -static -s \
      -o "$DF_BIN/$h.exe" "$HERE/helpers/$h.cc" -lgdi32 >"$WORK/build-$h.log" 2>&1; then
    fail "test helper $h builds" "$(head -5 "$WORK/build-$h.log")"
    df_ready=
  fi
done

selection "$DF_ITEMS" >"$INPUTS/medium.txt"
DF_WANT=$(expected "$INPUTS/medium.txt" --yes)
DF_DIR="$WORK/desktop"

if [ -n "$df_ready" ]; then

# ---------------------------------------------------------------------------------------
# A scanner that opens each new file the moment it is closed and holds it (300 ms, 1.5 s):
# the rename waits, the result is the whole command file and nothing is left over. The
# scanner catches the file between the close and the rename only by chance, so a run in
# which it missed the command file is repeated (up to three runs).

if all_cases; then
for hold in 300 1500; do
  name="scanner holding each new file ${hold} ms"
  runs=0
  caught=0
  ok=1
  while [ $runs -lt 3 ] && [ $caught = 0 ]; do
    runs=$((runs + 1))
    prepare "$DF_DIR" "$INPUTS/medium.txt"
    rm -f "$WORK/scanner.stop"
    helper scanner "$(winpath "$DF_DIR")" "$hold" "$(winpath "$WORK/scanner.stop")"
    scanner=$HELPER_PID
    wait_line "$WORK/scanner.out" ready 10 || { ok=; fail "$name" "the scanner did not start"; }
    if [ -n "$ok" ] && start_gui "$DF_DIR"; then
      act ok-enter
      wait_gui 60 || { ok=; fail "$name" "rq27.exe did not end"; }
    elif [ -n "$ok" ]; then
      ok=
      fail "$name" "no window"
    fi
    touch "$WORK/scanner.stop"
    wait "$scanner"
    [ -n "$ok" ] || break
    # "caught SIZE": the command file is the one larger than "hq". (Lines end in CR LF.)
    caught=$(tr -d '\r' <"$WORK/scanner.out" | awk '$1 == "caught" && $2 + 0 > 4 { n++ } END { print n + 0 }')
    if [ "$GUI_RC" != 0 ] || ! cmp -s "$DF_DIR/JWC_TEMP.TXT" "$DF_WANT" || [ "$(strays "$DF_DIR")" != 0 ]; then
      ok=
      fail "$name" "run $runs: exit $GUI_RC, $(cmp "$DF_DIR/JWC_TEMP.TXT" "$DF_WANT" 2>&1 | head -1), $(strays "$DF_DIR") temporary files left; scanner: $(tr -d '\r' <"$WORK/scanner.out" | tr '\n' ' ')"
      break
    fi
  done
  if [ -n "$ok" ] && [ "$caught" != 0 ]; then
    pass "$name: the complete command file, nothing left over, exit 0 (run $runs; scanner: $(grep -v ready "$WORK/scanner.out" | tr -d '\r' | tr '\n' ' '))"
  elif [ -n "$ok" ]; then
    fail "$name" "the scanner never caught the command file in $runs runs (last: $(grep -v ready "$WORK/scanner.out" | tr -d '\r' | tr '\n' ' '))"
  fi
done
fi  # all_cases

# ---------------------------------------------------------------------------------------
# Another program reading JWC_TEMP.TXT without delete sharing, from before the start for
# 1 s: "hq" after loading waits for it, and OK gives the complete command file.

name="JWC_TEMP.TXT held 1 s from before the start"
prepare "$DF_DIR" "$INPUTS/medium.txt"
helper holder "$(winpath "$DF_DIR/JWC_TEMP.TXT")" 1000
holder=$HELPER_PID
if ! wait_line "$WORK/holder.out" held 10; then
  fail "$name" "the holder did not start"
elif start_gui "$DF_DIR"; then
  act ok-enter
  if wait_gui 60 && [ "$GUI_RC" = 0 ]; then
    same_file "$name: OK gives the complete command file" "$DF_DIR/JWC_TEMP.TXT" "$DF_WANT"
    no_strays "$name: no temporary file left" "$DF_DIR"
  else
    fail "$name" "exit status $GUI_RC"
  fi
else
  fail "$name" "no window"
fi
wait "$holder"

# Held for 8 s from just before OK or Cancel (reading shared, neither writing nor
# deletion), far longer than the program waits. "hq" stands since the load and stays: after
# OK, one message box within about 3 s says the drawing was left unchanged, Enter closes
# it, exit status 2; Cancel ends at once, as nothing is left to write.

for answer in ok-enter cancel-esc; do
  name="JWC_TEMP.TXT held 8 s from before $answer"
  prepare "$DF_DIR" "$INPUTS/all-records.txt"
  if ! start_gui "$DF_DIR"; then
    fail "$name" "no window"
    continue
  fi
  dialog_size="${WIDTH}x${HEIGHT}"
  helper holder "$(winpath "$DF_DIR/JWC_TEMP.TXT")" 8000 read-only
  holder=$HELPER_PID
  wait_line "$WORK/holder.out" held 10
  t=$(now)
  act "$answer"
  # The message box comes once the dialog is gone.
  BOX_AFTER=
  # (Its text is kept for the comparison with a read-only folder's message.)
  [ "$answer" = ok-enter ] &&
    answer_box "$dialog_size" "$t" "$OUT/message-box.png" "$WORK/box-held.txt"
  took=$BOX_AFTER
  wait_gui 20
  [ "$answer" = cancel-esc ] && took=$(since "$t")
  if [ "$answer" = ok-enter ] && [ -z "$took" ]; then
    fail "$name" "no message box (exit status $GUI_RC)"
  elif [ "$GUI_RC" = 124 ]; then
    fail "$name" "the program did not end"
  elif [ "$answer" = ok-enter ] && [ "$GUI_RC" = 0 ]; then
    fail "$name" "exit status 0"
  elif [ "$answer" = cancel-esc ] && [ "$GUI_RC" != 0 ]; then
    fail "$name" "exit status $GUI_RC"
  elif [ "$answer" = ok-enter ] && awk -v s="$took" 'BEGIN { exit !(s > 3.5) }'; then
    fail "$name" "the message box came $took s after OK"
  elif [ "$answer" = cancel-esc ] && awk -v s="$took" 'BEGIN { exit !(s > 1) }'; then
    fail "$name" "the program ended $took s after Escape"
  elif [ "$answer" = ok-enter ]; then
    same_file "$name: \"hq\", a message box $took s after OK, closed by Enter, exit status $GUI_RC" \
      "$DF_DIR/JWC_TEMP.TXT" "$WORK/hq.txt"
  else
    same_file "$name: \"hq\", ended $took s after Escape" "$DF_DIR/JWC_TEMP.TXT" "$WORK/hq.txt"
  fi
  wait "$holder"
  no_strays "$name: no temporary file left" "$DF_DIR"
done

# A selection that cannot be read to its end (a number too large for a double): once the
# file was opened, "hq" takes its place, so that a kill while the dialog is open leaves no
# selection for the host to draw a second time.

name="a selection not read to its end, killed with the dialog open"
{ cat "$INPUTS/all-records-crlf.txt"; printf 'ci 0 0 1e999\r\n0 0 1 1\r\n'; } >"$INPUTS/overflow.txt"
prepare "$DF_DIR" "$INPUTS/overflow.txt"
if start_gui "$DF_DIR"; then
  kill -KILL "$GUI_PID" 2>/dev/null
  { wait "$GUI_PID"; } 2>/dev/null
  GUI_PID=
  same_file "$name: \"hq\"" "$DF_DIR/JWC_TEMP.TXT" "$WORK/hq.txt"
else
  fail "$name" "no window"
fi

if all_cases; then
# ---------------------------------------------------------------------------------------
# The window: at the screen's bottom-right corner it is moved onto the screen, just enough.

prepare "$DF_DIR" "$INPUTS/all-records.txt"
if start_gui "$DF_DIR" 1279 1023; then
  DIALOG_SIZE="${WIDTH}x${HEIGHT}"
  if [ "$X" -ge 0 ] && [ "$Y" -ge 0 ] && [ $((X + WIDTH)) = 1280 ] && [ $((Y + HEIGHT)) = 1024 ]; then
    pass "pointer at (1279,1023): the whole dialog on the screen, at its corner ($X,$Y ${WIDTH}x${HEIGHT})"
  else
    fail "pointer at (1279,1023)" "dialog at $X,$Y ${WIDTH}x${HEIGHT} on a 1280x1024 screen"
  fi
  act cancel-esc
  wait_gui 20
else
  DIALOG_SIZE=
  fail "pointer at (1279,1023)" "no window"
fi

# Where no window can be made at all (here: no display), the host's selection is not left
# to be drawn a second time: "hq", and a failed exit status.

name="no window can be made"
prepare "$DF_DIR" "$INPUTS/medium.txt"
(cd "$WORK" && env -u DISPLAY timeout 30 "$WINE_EXE" "$DF_DIR/rq27.exe" </dev/null >/dev/null 2>&1)
rc=$?
if [ "$rc" = 0 ] || [ "$rc" = 124 ]; then
  fail "$name" "exit status $rc"
else
  same_file "$name: \"hq\", exit status $rc" "$DF_DIR/JWC_TEMP.TXT" "$WORK/hq.txt"
fi

# Started hidden or minimised by a host (STARTUPINFO): the dialog is shown, at its size,
# and OK works.

want=$(expected "$INPUTS/all-records.txt" --yes)
for how in hide minimize; do
  name="started with STARTUPINFO $how"
  prepare "$DF_DIR" "$INPUTS/all-records.txt"
  xdotool mousemove 500 300
  helper launcher "$how" 20 "$(winpath "$DF_DIR/rq27.exe")"
  launcher=$HELPER_PID
  win=
  for _ in $(seq 200); do
    win=$(visible_window "^${CAPTION}\$")
    [ -n "$win" ] && break
    kill -0 "$launcher" 2>/dev/null || break
    sleep 0.05
  done
  if [ -z "$win" ]; then
    fail "$name" "no visible dialog"  # the launcher ends it
  else
    eval "$(xdotool getwindowgeometry --shell "$win")"
    if [ -n "$DIALOG_SIZE" ] && [ "${WIDTH}x${HEIGHT}" != "$DIALOG_SIZE" ]; then
      fail "$name" "the dialog shows at ${WIDTH}x${HEIGHT}, not $DIALOG_SIZE"
    fi
    xdotool key Return
  fi
  wait "$launcher"
  rc=$?
  if [ -n "$win" ] && [ "$rc" = 0 ]; then
    same_file "$name: the dialog is visible and OK works" "$DF_DIR/JWC_TEMP.TXT" "$want"
  elif [ -n "$win" ]; then
    fail "$name" "exit status $rc"
  fi
done

# Escape held in another program's window, in front, during a long pass: the pass goes on
# to the complete command file.

name="Escape held in another window during the pass"
want=$(expected "$INPUTS/big.txt" --yes)
prepare "$DF_DIR" "$INPUTS/big.txt"
if start_gui "$DF_DIR"; then
  act ok-enter
  helper other-window 30
  other=$HELPER_PID
  win=
  if wait_line "$WORK/other-window.out" front 10; then
    for _ in $(seq 100); do
      win=$(visible_window '^rq27-test-other$')
      [ -n "$win" ] && break
      sleep 0.02
    done
  fi
  if [ -n "$win" ] && kill -0 "$GUI_PID" 2>/dev/null; then
    xdotool windowfocus --sync "$win" 2>/dev/null
    xdotool keydown Escape
    wait_gui 120
    xdotool keyup Escape
    if [ "$GUI_RC" = 0 ]; then
      same_file "$name: the complete command file" "$DF_DIR/JWC_TEMP.TXT" "$want"
    else
      fail "$name" "exit status $GUI_RC"
    fi
  else
    fail "$name" "the other window did not come in front before the pass ended ($(cat "$WORK/other-window.out"))"
    wait_gui 120
  fi
  kill -KILL "$other" 2>/dev/null
  wait "$other" 2>/dev/null
else
  fail "$name" "no window"
fi
fi  # all_cases

# ---------------------------------------------------------------------------------------
# Other programs asking the dialog to close during OK's pass over the large selection, with
# the pointer moving over the dialog: that input makes the pass look at its queue, which
# also delivers what other programs sent. Each request only stops the pass: "hq", no
# temporary file, no crash, and the program ends by itself with exit status 0 before the
# whole pass would have ended. The request comes 0.3 s after OK and counts only if OK then
# read disabled and Cancel enabled (the pass at work). (Wine does not end a program that
# has answered WM_ENDSESSION, as Windows does: the stopped pass ends it.)

for row in "close:WM_CLOSE sent" "cancel-click:BM_CLICK on Cancel sent" \
    "end-session:WM_QUERYENDSESSION and WM_ENDSESSION sent" \
    "post-sc-close:WM_SYSCOMMAND SC_CLOSE posted" "post-close:WM_CLOSE posted"; do
  how=${row%%:*}
  name="${row#*:} during the pass"
  prepare "$DF_DIR" "$INPUTS/big.txt"
  if ! GUI_ERR=$WORK/gui.err start_gui "$DF_DIR"; then
    fail "$name" "no window"
    wait_gui 5
    continue
  fi
  helper closer "$how" 300
  closer=$HELPER_PID
  wait_line "$WORK/closer.out" found 10
  # Back and forth over the explanation lines, where no control is, while the program runs.
  (while kill -0 "$GUI_PID" 2>/dev/null; do
     xdotool mousemove $((X + 80)) $((Y + 100)); sleep 0.02
     xdotool mousemove $((X + 240)) $((Y + 140)); sleep 0.02
   done) &
  mover=$!
  t=$(now)
  act ok-enter
  wait_gui 10
  took=$(since "$t")
  wait "$mover" "$closer"
  said=$(grep -av '^found' "$WORK/closer.out" | tr -d '\r' | tr '\n' ' ')
  crash=$(grep -aiE -m1 'page fault|unhandled exception' "$WORK/gui.err")
  got="$(stat -c %s "$DF_DIR/JWC_TEMP.TXT") bytes, exit status $GUI_RC after $took s:$(
    head -c 24 "$DF_DIR/JWC_TEMP.TXT" | od -An -c | tr -s ' \n' ' ')"
  if ! grep -q '^state OK disabled Cancel enabled' "$WORK/closer.out"; then
    fail "$name" "not sent during the pass ($said)"
  elif [ -n "$crash" ] || ! cmp -s "$DF_DIR/JWC_TEMP.TXT" "$WORK/hq.txt"; then
    fail "$name" "$got${crash:+; crashed: $crash}; $said"
  elif [ "$(strays "$DF_DIR")" != 0 ]; then
    fail "$name" "$(strays "$DF_DIR") temporary files left"
  elif [ "$GUI_RC" != 0 ]; then
    fail "$name" "$got; $said"
  elif [ -n "$full" ] && awk -v a="$took" -v b="$full" 'BEGIN { exit !(a >= b) }'; then
    fail "$name" "ended $took s after OK, the whole pass takes $full s"
  else
    pass "$name: \"hq\", no temporary file, exit status 0, $took s after OK (whole pass ${full:-?} s; $said)"
  fi
done

# ---------------------------------------------------------------------------------------
# Kills at random moments after the dialog appeared, half of them after OK: each leaves
# exactly "hq" or the complete command file, never the selection or a part; the next run
# that ends well leaves no temporary file behind. At most 16 kills (6 for the main cases)
# in about 60 s.

DF_KILLS=16
all_cases || DF_KILLS=6
seed=${RQ27_KILL_SEED:-$RANDOM}
RANDOM=$seed
prepare "$DF_DIR" "$INPUTS/medium.txt"
pass_time=
if start_gui "$DF_DIR"; then
  t=$(now)
  act ok-enter
  wait_gui 60 && [ "$GUI_RC" = 0 ] && pass_time=$(since "$t")
fi
if [ -z "$pass_time" ]; then
  fail "kills" "the run without a kill did not end well (exit ${GUI_RC:-?})"
else
  kills=0 hq=0 complete=0 ended=0 after_ok=0 left=0 bad=
  t_kills=$(now)
  while [ $kills -lt $DF_KILLS ] && awk -v s="$(since "$t_kills")" 'BEGIN { exit !(s < 60) }'; do
    # The selection anew, beside what earlier kills left.
    cp "$INPUTS/medium.txt" "$DF_DIR/JWC_TEMP.TXT"
    start_gui "$DF_DIR" || { bad="no window at kill $((kills + 1))"; break; }
    if [ $((kills % 2)) = 1 ]; then
      act ok-enter
      after_ok=$((after_ok + 1))
      # Between a third into the pass and a little after its end (where the command file
      # is put in place); some runs end before the kill.
      delay=$(awk -v r=$RANDOM -v p="$pass_time" 'BEGIN { printf "%.3f", (0.3 + r / 32768) * p }')
    else
      delay=$(awk -v r=$RANDOM 'BEGIN { printf "%.3f", r / 32768 * 0.5 }')
    fi
    sleep "$delay"
    kill -KILL "$GUI_PID" 2>/dev/null
    { wait "$GUI_PID"; } 2>/dev/null  # no "Killed" from the shell
    rc=$?
    GUI_PID=
    kills=$((kills + 1))
    [ "$rc" = 137 ] || ended=$((ended + 1))
    if cmp -s "$DF_DIR/JWC_TEMP.TXT" "$WORK/hq.txt"; then
      hq=$((hq + 1))
    elif cmp -s "$DF_DIR/JWC_TEMP.TXT" "$DF_WANT"; then
      complete=$((complete + 1))
    elif cmp -s "$DF_DIR/JWC_TEMP.TXT" "$INPUTS/medium.txt"; then
      bad="kill $kills (${delay} s): the host's selection is left"
      break
    else
      bad="kill $kills (${delay} s): $(stat -c %s "$DF_DIR/JWC_TEMP.TXT" 2>/dev/null || echo no) bytes, neither hq nor the command file"
      break
    fi
    left=$((left + $(strays "$DF_DIR")))
  done
  summary="$kills kills ($after_ok after OK, seed $seed): $hq hq, $complete complete"
  [ $ended = 0 ] || summary="$summary, of which $ended had ended before the kill"
  if [ -n "$bad" ]; then
    fail "kills" "$bad; $summary"
  else
    pass "kills leave \"hq\" or the complete command file: $summary"
  fi
  # The next run that ends well removes what the killed runs left.
  cp "$INPUTS/medium.txt" "$DF_DIR/JWC_TEMP.TXT"
  if run_gui "$DF_DIR" ok-enter && [ "$GUI_RC" = 0 ]; then
    same_file "the run after the kills gives the complete command file" "$DF_DIR/JWC_TEMP.TXT" "$DF_WANT"
    no_strays "the run after the kills removes the $left temporary files they left" "$DF_DIR"
  else
    fail "the run after the kills" "exit status ${GUI_RC:-?}"
  fi
fi

fi  # df_ready
note "desktop faults: $(since "$DF_START") s"
