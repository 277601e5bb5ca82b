#!/usr/bin/env bash
# Builds rq27, runs "rq27 --yes" on a copy of examples/ and prints the command file
# (converted from Shift-JIS for the terminal; the file itself stays Shift-JIS with CR LF).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh core
cmake --preset default >/dev/null
cmake --build --preset default --target rq27 >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp examples/JWC_TEMP.TXT "$work/"
build/default/Unit1/rq27 --yes "$work"
echo "---- $work/JWC_TEMP.TXT ----"
iconv -f CP932 -t UTF-8 "$work/JWC_TEMP.TXT" | tr -d '\r'
