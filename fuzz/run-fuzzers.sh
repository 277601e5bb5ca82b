#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz") and runs each for a bounded time. The seed
# corpus is made here from examples/ and the golden inputs; the committed inputs in
# fuzz/regressions/<target>/ (earlier findings) run first. Any crash, leak, sanitizer
# report or broken check fails the script; the input is kept beside the log.
#   RQ27_FUZZ_SECONDS  time per target (default 20)
#   RQ27_FUZZ_KEEP     folder for the corpora and logs (default: a temporary one, removed)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${RQ27_FUZZ_SECONDS:-20}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target parse_line_fuzzer ok_run_fuzzer format_real_fuzzer
bin=build/fuzz/fuzz

if [ -n "${RQ27_FUZZ_KEEP:-}" ]; then
  work=$RQ27_FUZZ_KEEP
  mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
seeds=$work/seeds
mkdir -p "$seeds"
cp examples/JWC_TEMP.TXT "$seeds/example"
for f in tests/golden/*.in; do cp "$f" "$seeds/$(basename "$f")"; done
# A few doubles for FormatReal: 1/3, 0.1 + 0.2, 1E15, 1234567890123456, the smallest subnormal.
{
  printf '\x55\x55\x55\x55\x55\x55\xd5\x3f\x34\x33\x33\x33\x33\x33\xd3\x3f'
  printf '\x00\x80\xe0\x37\x79\xc3\x0c\x43\x00\x40\x77\xb7\x8e\x8a\x11\x43'
  printf '\x01\x00\x00\x00\x00\x00\x00\x00'
} > "$work/doubles"

failed=0
summary=()
# run TARGET MAX_LEN SEED_DIR_OR_FILE...
run() {
  local target=$1 maxLen=$2
  shift 2
  local corpus=$work/corpus-$target log=$work/$target.log
  mkdir -p "$corpus"
  local inputs=("$corpus")
  [ -d "fuzz/regressions/$target" ] && inputs+=("fuzz/regressions/$target")
  for seed in "$@"; do
    if [ -d "$seed" ]; then inputs+=("$seed"); else cp "$seed" "$corpus/"; fi
  done
  printf '%s: %s s ... ' "$target" "$seconds"
  if "$bin/${target}_fuzzer" -max_total_time="$seconds" -max_len="$maxLen" -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/$target-" \
      "${inputs[@]}" >"$log" 2>&1; then
    local execs cov ft
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    local units
    units=$(find "$corpus" -type f | wc -l)
    echo "ok"
    summary+=("$(printf '%-20s %12s execs  cov %6s  ft %7s  corpus %6s' \
      "$target" "$execs" "$cov" "$ft" "$units")")
  else
    echo "FAILED"
    failed=1
    grep -E 'ERROR|SUMMARY|invariant|OK run|value|Test unit written' "$log" | head -20 || true
    echo "(log: $log; the failing input is kept beside it when RQ27_FUZZ_KEEP is set)"
    summary+=("$(printf '%-20s FAILED' "$target")")
  fi
}

run parse_line 4096 "$seeds"
run ok_run 4096 "$seeds"
run format_real 64 "$work/doubles"

echo
printf '%s\n' "${summary[@]}"
exit $failed
