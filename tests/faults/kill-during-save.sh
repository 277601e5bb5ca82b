#!/usr/bin/env bash
# Kill during the save: rq27 --yes on a large selection, killed (SIGKILL) at random moments
# over its whole run, the save included. Afterwards JWC_TEMP.TXT is either the untouched
# input or the complete command file of an uninterrupted run, never a partial one; at most
# one temporary file is left, and the next run removes it. Bounded to about 40 seconds.
#   kill-during-save.sh RQ27 [KILLS]
source "$(dirname "$0")/lib.sh"
kills=${2:-50}
budget=30  # seconds for the kills

mkdir "$work/ref" "$work/run"
now_ms() { date +%s%3N; }

# The uninterrupted run: its command file, and how long the run takes. A slow build (the
# sanitizers) gets a smaller selection, so that the kills fit the time.
# Also when the save begins: the moment its temporary file shows up.
timed_run() {  # sets status, duration and save_at (ms from the start)
  cp "$work/input" "$work/ref/JWC_TEMP.TXT"
  local start
  start=$(now_ms)
  "$rq27" --yes "$work/ref" 2>/dev/null &
  local pid=$!
  save_at=
  while kill -0 "$pid" 2>/dev/null; do
    if [ -z "$save_at" ] && compgen -G "$work/ref/.JWC_TEMP.TXT.*.tmp" >/dev/null; then
      save_at=$(( $(now_ms) - start ))
    fi
  done
  wait "$pid"
  status=$?
  duration=$(( $(now_ms) - start ))
  [ -n "$save_at" ] || save_at=$(( duration * 8 / 10 ))
}
items=300000
selection "$items" > "$work/input"
timed_run
if [ "$duration" -gt 800 ]; then
  items=$(( items * 500 / duration ))
  selection "$items" > "$work/input"
fi
best=999999 best_save=999999
for attempt in 1 2 3; do
  timed_run
  check "uninterrupted run $attempt: exit" 0 "$status"
  [ "$duration" -lt "$best" ] && best=$duration
  [ "$save_at" -lt "$best_save" ] && best_save=$save_at
done
duration=$best
save_at=$best_save
check "uninterrupted run: no temporary file" 0 "$(temps "$work/ref")"
expected=$work/ref/JWC_TEMP.TXT
echo "input $(wc -c < "$work/input") bytes, command file $(wc -c < "$expected") bytes," \
  "run ${duration} ms, save from about ${save_at} ms"

untouched=0 complete=0 strays=0 done_kills=0
RANDOM=27
begin=$(now_ms)
for ((i = 0; i < kills; i++)); do
  [ $(( $(now_ms) - begin )) -gt $((budget * 1000)) ] && break
  cp "$work/input" "$work/run/JWC_TEMP.TXT"
  # Anywhere from the start to a little past the usual end of the run; every other kill
  # while the command file is being saved.
  delay=$(( RANDOM * (duration * 11 / 10) / 32768 ))
  "$rq27" --yes "$work/run" 2>/dev/null &
  pid=$!
  if ((i % 2 == 0)); then
    sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
  else
    # Once the save has begun (its temporary file is there), a short random spin: the
    # writing takes a few milliseconds only, less than starting a sleep would.
    while kill -0 "$pid" 2>/dev/null && ! compgen -G "$work/run/.JWC_TEMP.TXT.*.tmp" >/dev/null; do :; done
    for ((spin = RANDOM % 4000; spin > 0; spin--)); do :; done
  fi
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  done_kills=$((done_kills + 1))

  file=$work/run/JWC_TEMP.TXT
  if cmp -s "$file" "$work/input"; then
    untouched=$((untouched + 1))
  elif cmp -s "$file" "$expected"; then
    complete=$((complete + 1))
  else
    check "kill $i: untouched input or complete command file" yes \
      "no ($( [ -e "$file" ] && echo "$(wc -c < "$file") bytes" || echo missing))"
  fi
  left=$(temps "$work/run")
  [ "$left" -ge 1 ] && strays=$((strays + 1))
  [ "$left" -le 1 ] || check "kill $i: at most one temporary file" 1 "$left"

  # The next run, on the host's input again, completes and removes what the killed one left.
  cp "$work/input" "$file"
  "$rq27" --yes "$work/run" 2>/dev/null || check "next run after kill $i: exit" 0 $?
  cmp -s "$file" "$expected" || check "next run after kill $i: complete command file" same changed
  [ "$(temps "$work/run")" -eq 0 ] || check "next run after kill $i: temporary file removed" 0 "$(temps "$work/run")"
done
check "kills made" yes "$([ "$done_kills" -ge 10 ] && echo yes || echo "only $done_kills")"
echo "$done_kills kills: $untouched left the input untouched ($strays of them killed while" \
  "saving, with a temporary file), $complete found the complete command file"
passed=$((passed + done_kills))
finish
