#!/usr/bin/env bash
# Kills during the run: rq27 --yes on a large selection, killed (SIGKILL) at random moments.
# Until the selection has been read, JWC_TEMP.TXT may still be the host's untouched input;
# from then on (the first status text on standard error comes after it) it holds exactly
# "hq" or the complete command file of an uninterrupted run, never the selection and never
# a partial file. At most one temporary file is left, and the next run removes it; the
# temporary files of a run still alive stay. Bounded to about 40 seconds.
#   kill-during-save.sh RQ27 [KILLS]
source "$(dirname "$0")/lib.sh"
kills=${2:-50}
budget=30  # seconds for the kills

mkdir "$work/ref" "$work/run"
now_ms() { date +%s%3N; }
sleep_ms() { sleep "$(printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000)))"; }

# The uninterrupted run: its command file, how long it takes, and when the first status
# text shows (loading is over then). A slow build (the sanitizers) gets a smaller
# selection, so that the kills fit the time.
timed_run() {  # sets status, duration and loaded_at (ms from the start)
  cp "$work/input" "$work/ref/JWC_TEMP.TXT"
  : > "$work/ref.err"
  local start
  start=$(now_ms)
  "$rq27" --yes "$work/ref" 2>"$work/ref.err" &
  local pid=$!
  loaded_at=
  while kill -0 "$pid" 2>/dev/null; do
    [ -z "$loaded_at" ] && [ -s "$work/ref.err" ] && loaded_at=$(( $(now_ms) - start ))
  done
  wait "$pid"
  status=$?
  duration=$(( $(now_ms) - start ))
  [ -n "$loaded_at" ] || loaded_at=$(( duration / 2 ))
}
items=300000
selection "$items" > "$work/input"
timed_run
if [ "$duration" -gt 800 ]; then
  items=$(( items * 500 / duration ))
  selection "$items" > "$work/input"
fi
best=999999 best_loaded=999999
for attempt in 1 2 3; do
  timed_run
  check "uninterrupted run $attempt: exit" 0 "$status"
  [ "$duration" -lt "$best" ] && best=$duration
  [ "$loaded_at" -lt "$best_loaded" ] && best_loaded=$loaded_at
done
duration=$best
loaded_at=$best_loaded
check "uninterrupted run: no temporary file" 0 "$(temps "$work/ref")"
expected=$work/ref/JWC_TEMP.TXT
printf 'hq\r\n' > "$work/hq"
echo "input $(wc -c < "$work/input") bytes, command file $(wc -c < "$expected") bytes," \
  "run ${duration} ms, loaded after about ${loaded_at} ms"

untouched=0 hq=0 complete=0 strays=0 done_kills=0 after_load=0
RANDOM=27
begin=$(now_ms)
for ((i = 0; i < kills; i++)); do
  [ $(( $(now_ms) - begin )) -gt $((budget * 1000)) ] && break
  cp "$work/input" "$work/run/JWC_TEMP.TXT"
  : > "$work/run.err"
  "$rq27" --yes "$work/run" 2>"$work/run.err" &
  pid=$!
  loaded=no
  if ((i % 2 == 0)); then
    # Anywhere from the start to a little past the usual end of the run.
    sleep_ms $(( RANDOM * (duration * 11 / 10) / 32768 ))
  else
    # Once loading is over (the first status text), anywhere in the rest of the run.
    while kill -0 "$pid" 2>/dev/null && ! [ -s "$work/run.err" ]; do :; done
    loaded=yes
    after_load=$((after_load + 1))
    sleep_ms $(( RANDOM * ((duration - loaded_at) * 11 / 10) / 32768 ))
  fi
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  done_kills=$((done_kills + 1))

  file=$work/run/JWC_TEMP.TXT
  if cmp -s "$file" "$work/input"; then
    untouched=$((untouched + 1))
    check "kill $i after loading: never the host's selection" no "$loaded"
  elif cmp -s "$file" "$work/hq"; then
    hq=$((hq + 1))
  elif cmp -s "$file" "$expected"; then
    complete=$((complete + 1))
  else
    check "kill $i: input, hq or complete command file" yes \
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
echo "$done_kills kills ($after_load after loading): $untouched left the input untouched," \
  "$hq left hq, $complete found the complete command file; $strays left a temporary file"
passed=$((passed + done_kills))

# The clean-up after a save removes the temporary files of runs that are gone and keeps
# those of a run still alive (one saving at the same time), however many dead ones lie
# beside them: enough names that the folder is read in several portions while they go.
# Dead: processes that have exited and been reaped; alive: a sleeping one.
sleep 60 & live=$!
dead=()
for _ in 1 2 3 4 5; do sleep 0 & dead+=($!); wait $!; done
mkdir "$work/stale"; selection 20 > "$work/stale/JWC_TEMP.TXT"
for pid in "${dead[@]}"; do for n in $(seq 0 199); do : > "$work/stale/.JWC_TEMP.TXT.$pid.$n.tmp"; done; done
for n in 0 1; do echo partial > "$work/stale/.JWC_TEMP.TXT.$live.$n.tmp"; done
"$rq27" --yes "$work/stale" 2>/dev/null; check "stale temporaries: exit" 0 $?
check "stale temporaries: only the live run's are kept" \
  ".JWC_TEMP.TXT.$live.0.tmp .JWC_TEMP.TXT.$live.1.tmp " \
  "$(find "$work/stale" -name '*.tmp' -printf '%f\n' | sort | tr '\n' ' ')"
kill "$live"; wait "$live" 2>/dev/null
finish
