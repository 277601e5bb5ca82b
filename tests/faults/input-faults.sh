#!/usr/bin/env bash
# Faults on the input: unreadable (permissions), a folder in its place, and the file taken
# away or replaced by a folder while the dialog is open (between show and close). No run
# may crash; OK after a failed load writes "hq"; a command file, when one is written, is
# complete.
#   input-faults.sh RQ27
source "$(dirname "$0")/lib.sh"
selection 200 > "$work/input"
crashed() { [ "$1" -ge 128 ] && echo "yes (status $1)" || echo no; }

# The command file of an undisturbed OK run on the input.
mkdir "$work/ref"; cp "$work/input" "$work/ref/JWC_TEMP.TXT"
"$rq27" --yes "$work/ref" 2>/dev/null; check "reference run: exit" 0 $?
expected=$work/ref/JWC_TEMP.TXT

# Unreadable for the user (root would read it anyway): the load fails, so OK must leave the
# drawing alone with "hq"; the folder is writable, so the file is replaced.
if can_drop_root; then
  mkdir "$work/unreadable"; cp "$work/input" "$work/unreadable/JWC_TEMP.TXT"
  chmod 000 "$work/unreadable/JWC_TEMP.TXT"; [ "$(id -u)" -eq 0 ] && chown 65534 "$work/unreadable"
  as_user "$rq27" --yes "$work/unreadable" 2>/dev/null; status=$?
  check "unreadable input: no crash" no "$(crashed $status)"
  check "unreadable input: OK not carried out, exit" 1 $status
  check "unreadable input: OK writes hq" hq "$(tr -d '\r\n' < "$work/unreadable/JWC_TEMP.TXT")"
  check "unreadable input: no temporary file" 0 "$(temps "$work/unreadable")"
else
  skip "unreadable input" "running as root and no setpriv to drop the privilege"
fi

# A file that is there but cannot be opened, whoever runs the test (a symbolic link to
# itself): a failed load, so OK writes "hq", says why, and reports the failure.
mkdir "$work/loop"; ln -s JWC_TEMP.TXT "$work/loop/JWC_TEMP.TXT"
msg=$("$rq27" --yes "$work/loop" 2>&1 >/dev/null); status=$?
check "unopenable input: exit" 1 $status
check "unopenable input: OK writes hq" hq "$(tr -d '\r\n' < "$work/loop/JWC_TEMP.TXT")"
check "unopenable input: says what failed" 1 "$(printf '%s\n' "$msg" | grep -c '開けなかった')"
# The reason in the system's own words, with its error code.
check "unopenable input: gives the system's reason" 1 \
  "$(printf '%s\n' "$msg" | grep -c '^理由: Too many levels of symbolic links（エラー [0-9]*）$')"

# A folder in the input's place: nothing can be read, and nothing can replace it.
mkdir -p "$work/folder/JWC_TEMP.TXT"
"$rq27" --yes "$work/folder" 2>/dev/null; status=$?
check "folder as input: no crash" no "$(crashed $status)"
check "folder as input: exit" 1 $status
check "folder as input: still a folder" yes "$([ -d "$work/folder/JWC_TEMP.TXT" ] && echo yes || echo no)"
check "folder as input: no temporary file" 0 "$(temps "$work/folder")"

# Between show and close: the dialog (on a terminal) has read the file and waits for a key;
# the file goes away, or a folder takes its place; then OK.
if command -v script >/dev/null; then
  between() {  # between NAME ACTION [INPUT]: ACTION runs on the file while the dialog is open
    local dir=$work/$1
    mkdir "$dir"; cp "${3:-$work/input}" "$dir/JWC_TEMP.TXT"
    (sleep 0.5; $2 "$dir/JWC_TEMP.TXT"; sleep 0.2; printf y) |
      timeout 20 script -qec "'$rq27' '$dir'" /dev/null >/dev/null 2>&1
  }
  vanish() { rm -f "$1"; }
  to_folder() { rm -f "$1"; mkdir "$1"; }
  between vanished vanish; status=$?
  check "input vanished: no crash" no "$(crashed $status)"
  # What was read at show is written back in full.
  check "input vanished: complete command file" same \
    "$(cmp -s "$work/vanished/JWC_TEMP.TXT" "$expected" && echo same || echo differs)"
  check "input vanished: no temporary file" 0 "$(temps "$work/vanished")"
  between replaced to_folder; status=$?
  check "input replaced by a folder: no crash" no "$(crashed $status)"
  check "input replaced by a folder: exit" 1 $status
  check "input replaced by a folder: folder kept" yes \
    "$([ -d "$work/replaced/JWC_TEMP.TXT" ] && echo yes || echo no)"
  check "input replaced by a folder: no temporary file" 0 "$(temps "$work/replaced")"
  # A selection that cannot be read to its end (a number too large for a double), the
  # program killed while its dialog waits: the file was opened, so "hq" stands in it, never
  # the selection that the host would draw a second time.
  { cat "$work/input"; printf 'ci 0 0 1e999\r\n0 0 1 1\r\n'; } > "$work/overflow"
  kill_rq27() { pkill -KILL -f "^$rq27 $(dirname "$1")\$"; }
  between killed kill_rq27 "$work/overflow"
  check "failed load, killed while the dialog waits: hq" hq "$(head -c 40 "$work/killed/JWC_TEMP.TXT" | tr -d '\r\n')"
else
  skip "between show and close" "no 'script' command to give the dialog a terminal"
fi
finish
