# Shared by the fault tests: a work folder, checks with a tally, and generated selections.
# Source it with the rq27 binary as $1.
set -uo pipefail
rq27=$1
work=$(mktemp -d)
chmod 755 "$work"  # a user other than root must reach what is inside
mounts=()
cleanup() {
  for m in "${mounts[@]}"; do umount "$m" 2>/dev/null; done
  chmod -R u+rwX "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
passed=0 failed=0 skipped=0

check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "$3"
  fi
}
skip() {  # skip NAME REASON
  skipped=$((skipped + 1))
  printf 'SKIP %s: %s\n' "$1" "$2"
}
finish() {
  echo "$passed passed, $failed failed, $skipped skipped"
  [ "$failed" -eq 0 ]
}

# Temporary files of the save in FOLDER (hidden, our own naming pattern).
temps() { find "$1" -maxdepth 1 -name '.JWC_TEMP.TXT.*.tmp' | wc -l; }

# selection ITEMS [SEED]: a selection as the host writes it (CR LF, Shift-JIS texts), every
# item kind in turn, about 40 bytes an item.
selection() {
  awk -v n="$1" -v seed="${2:-1}" 'BEGIN {
    srand(seed); ORS = "\r\n"
    print "hcw 2 2 3 3 4 4 5 5 6 6"; print "bz"; print "lg0"; print "ly1"; print "lw1"
    for (i = 0; i < n; i++) {
      x = int(rand() * 100000) / 100; y = int(rand() * 100000) / 100
      k = i % 12
      if (k == 0) print "lc" (1 + i % 9)
      if (k == 1) print "ly" substr("0123456789ABCDEF", 1 + i % 16, 1)
      if (k == 2) print x, y, x + 10, y + 5
      if (k == 3) print "ci", x, y, 1 + i % 50
      if (k == 4) print "ci", x, y, 3, 0, 0, 1.5707963267949, 0
      if (k == 5) { print "cn0 3 3 " (i % 3 - 1) * 0.5 " 1"; print "ch", x, y, 1, 0, "\"\223\372\226\173 " i }
      if (k == 6) print "pt", x, y
      if (k == 7) print "sl", x, y, x + 1, y, x + 1, y + 1, x, y + 1
      if (k == 8) { print "msg"; print x, y, x + 30, y; print "cs", x + 15, y + 2, 1, 0, "\"" }
      if (k == 9) print "so", x, y, 5, 1, 0, 0, 6.28318530717959, 2
      if (k == 10) { print "z1"; print "pt", x, y, 1, 45, 3 }
      if (k == 11) print "cv", x, y, 0, 1, "\"\202\240 " i
    }
  }'
}

# as_user COMMAND...: runs it as a user whom file permissions bind (nobody), or fails with
# status 125 when there is no way to; under a non-root account, as that account.
as_user() {
  if [ "$(id -u)" -ne 0 ]; then
    "$@"
  elif command -v setpriv >/dev/null; then
    setpriv --reuid=65534 --regid=65534 --clear-groups "$@"
  else
    return 125
  fi
}
can_drop_root() { [ "$(id -u)" -ne 0 ] || command -v setpriv >/dev/null; }

# A copy of the program that any user may run.
install -m 755 "$rq27" "$work/rq27"
rq27=$work/rq27
