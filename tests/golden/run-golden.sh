#!/usr/bin/env bash
# Runs rq27 on one golden input and compares the command file with the expected one,
# byte for byte, answering OK. More options may be given in a first line of NAME.args, the
# exit status expected (0 unless said) in NAME.status.
#   run-golden.sh RQ27 NAME.in    (expects NAME.out beside it)
#   RQ27_BLESS=1 run-golden.sh …  writes NAME.out from the program's result instead
set -euo pipefail
rq27=$1 input=$2
expected=${input%.in}.out
args=()
[ -f "${input%.in}.args" ] && read -r -a args < "${input%.in}.args"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$input" "$work/JWC_TEMP.TXT"
status=0
"$rq27" --yes "${args[@]}" "$work" 2>"$work/stderr" || status=$?
want_status=0
[ -f "${input%.in}.status" ] && read -r want_status < "${input%.in}.status"
if [ "$status" != "$want_status" ]; then
  cat "$work/stderr" >&2
  echo "exit status $status, expected $want_status" >&2
  exit 1
fi
if [ "${RQ27_BLESS:-}" = 1 ]; then
  cp "$work/JWC_TEMP.TXT" "$expected"
  echo "blessed $expected"
  exit 0
fi
if ! cmp -s "$work/JWC_TEMP.TXT" "$expected"; then
  echo "command file differs from $expected:" >&2
  diff <(od -c "$expected") <(od -c "$work/JWC_TEMP.TXT") | head -40 >&2
  exit 1
fi
