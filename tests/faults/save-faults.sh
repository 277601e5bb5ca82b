#!/usr/bin/env bash
# Faults on the save, for real: the folder missing, read-only, on a read-only file system or
# immutable, JWC_TEMP.TXT a folder, the file system full. Each time the run reports the
# failure (exit status 1; a folder that cannot be written with the advice to move the files),
# leaves no temporary file and no partial command file ("hq" where it can), and does not
# crash. And the "hq" that stands since the load, which Cancel cannot read back: it is left so.
#   save-faults.sh RQ27
source "$(dirname "$0")/lib.sh"
selection 50 > "$work/input"
# The advice of a failed OK's message; a folder that cannot be written calls for this one.
advice() { printf '%s\n' "$1" | sed -n 's/^対処: //p'; }
move='rq27.bat と rq27.exe を一緒に、書き込みのできるフォルダに移してから、もう一度実行してください。'

# The folder does not exist: nothing is created.
"$rq27" --yes "$work/missing" 2>/dev/null; check "missing folder: exit" 1 $?
check "missing folder: nothing created" no "$([ -e "$work/missing" ] && echo yes || echo no)"

# A read-only folder, as a user whom the permissions bind (root would pass them).
if can_drop_root; then
  mkdir "$work/ro"; cp "$work/input" "$work/ro/JWC_TEMP.TXT"; chmod 644 "$work/ro/JWC_TEMP.TXT"
  chmod 555 "$work/ro"
  for answer in --yes --cancel; do
    msg=$(as_user "$rq27" "$answer" "$work/ro" 2>&1 >/dev/null)
    check "read-only folder $answer: exit" 1 $?
    [ "$answer" = --yes ] && check "read-only folder: advice" "$move" "$(advice "$msg")"
    check "read-only folder $answer: no temporary file" 0 "$(temps "$work/ro")"
    # Nothing could be written or removed there: the host's own file stays as it was.
    check "read-only folder $answer: input untouched" same \
      "$(cmp -s "$work/input" "$work/ro/JWC_TEMP.TXT" && echo same || echo changed)"
  done
  # A writable file in a read-only folder cannot be replaced or removed, but can be written
  # in place: it then holds "hq", so that the host changes nothing.
  mkdir "$work/rowf"; cp "$work/input" "$work/rowf/JWC_TEMP.TXT"; chmod 666 "$work/rowf/JWC_TEMP.TXT"
  chmod 555 "$work/rowf"
  as_user "$rq27" --yes "$work/rowf" 2>/dev/null; check "read-only folder, writable file: exit" 1 $?
  check "read-only folder, writable file: hq" "hq" "$(tr -d '\r' < "$work/rowf/JWC_TEMP.TXT")"
  check "read-only folder, writable file: no temporary file" 0 "$(temps "$work/rowf")"
  # A read-only file in a writable folder is replaced whole: the rename needs the folder only.
  mkdir "$work/rofile"; cp "$work/input" "$work/rofile/JWC_TEMP.TXT"
  chmod 444 "$work/rofile/JWC_TEMP.TXT"; [ "$(id -u)" -eq 0 ] && chown 65534 "$work/rofile"
  as_user "$rq27" --yes "$work/rofile" 2>/dev/null; check "read-only file: exit" 0 $?
  check "read-only file: command file" hd "$(head -c 2 "$work/rofile/JWC_TEMP.TXT")"
  check "read-only file: no temporary file" 0 "$(temps "$work/rofile")"
else
  skip "read-only folder" "running as root and no setpriv to drop the privilege"
fi

# Folders that nobody may write in, root included: on a read-only file system (EROFS) and
# immutable (EPERM). The advice is the same as for a read-only folder.
for how in ro-mount immutable; do
  mkdir "$work/$how"
  if ! mount -t tmpfs -o size=256k tmpfs "$work/$how" 2>/dev/null; then
    skip "$how folder" "cannot mount a small tmpfs here (needs root or CAP_SYS_ADMIN)"; continue
  fi
  mounts+=("$work/$how"); cp "$work/input" "$work/$how/JWC_TEMP.TXT"
  if [ $how = ro-mount ]; then mount -o remount,ro "$work/$how"; else chattr +i "$work/$how"; fi ||
    { skip "$how folder" "cannot make the folder $how"; continue; }
  msg=$("$rq27" --yes "$work/$how" 2>&1 >/dev/null); check "$how folder: exit" 1 $?
  check "$how folder: advice" "$move" "$(advice "$msg")"
done

# JWC_TEMP.TXT is a folder: it cannot be read (OK then writes "hq") nor replaced.
for answer in --yes --cancel; do
  mkdir -p "$work/dir$answer/JWC_TEMP.TXT"; echo keep > "$work/dir$answer/JWC_TEMP.TXT/inside"
  "$rq27" "$answer" "$work/dir$answer" 2>/dev/null; check "folder in its place $answer: exit" 1 $?
  check "folder in its place $answer: no temporary file" 0 "$(temps "$work/dir$answer")"
  check "folder in its place $answer: folder kept" keep "$(cat "$work/dir$answer/JWC_TEMP.TXT/inside")"
done

# The command file's fsync fails (strace makes it return EIO): the save fails, and the "hq"
# that stands since the load stays. Which fsync that is a traced run tells: the one of the
# second temporary file (the first is the "hq" at load; the folder's fsyncs come between).
# (LeakSanitizer cannot run under a tracer.)
traced() { ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" strace "$@"; }
can_inject=$(traced -o /dev/null -e trace=fsync -e inject=fsync:error=EIO:when=1 true 2>/dev/null &&
  echo yes)
if [ "$can_inject" = yes ]; then
  mkdir "$work/fsync"; cp "$work/input" "$work/fsync/JWC_TEMP.TXT"
  traced -o "$work/fsync.trace" -e trace=openat,fsync "$rq27" --yes "$work/fsync" 2>/dev/null
  nth=$(awk '/^openat\(.*\.JWC_TEMP\.TXT\.[0-9]+\.[0-9]+\.tmp".* = [0-9]+$/ { temps++; fd = $NF }
    /^fsync\(/ { n++; if (temps == 2 && $0 ~ "^fsync\\(" fd "\\)") { print n; exit } }' "$work/fsync.trace")
  check "failing fsync: the command file's fsync found" yes "$([ -n "$nth" ] && echo yes || echo no)"
  cp "$work/input" "$work/fsync/JWC_TEMP.TXT"
  traced -o /dev/null -e trace=fsync -e inject=fsync:error=EIO:when="${nth:-1}" \
    "$rq27" --yes "$work/fsync" 2>/dev/null; check "failing fsync: exit" 1 $?
  check "failing fsync: exactly hq" same "$(cmp -s <(printf 'hq\r\n') "$work/fsync/JWC_TEMP.TXT" && echo same)"
  check "failing fsync: no temporary file" 0 "$(temps "$work/fsync")"
else
  skip "failing fsync" "strace cannot inject errors here"
fi

# Cancel, where the "hq" that stands since the load cannot be read back: strace refuses
# that open (the second of JWC_TEMP.TXT for reading, as a traced run tells) and every open
# after it, so that no new file and no in-place write could be made either. The file is
# left as it stands, holding the "hq", and is never removed.
if [ "$can_inject" = yes ]; then
  mkdir "$work/readback"; cp "$work/input" "$work/readback/JWC_TEMP.TXT"
  traced -o "$work/readback.trace" -e trace=openat "$rq27" --cancel "$work/readback" 2>/dev/null
  nth=$(awk '/^openat\(.*\/JWC_TEMP\.TXT", O_RDONLY/ { reads++ }
    /^openat\(/ { n++; if (reads == 2) { print n; exit } }' "$work/readback.trace")
  check "unreadable hq: the read-back's open found" yes "$([ -n "$nth" ] && echo yes || echo no)"
  cp "$work/input" "$work/readback/JWC_TEMP.TXT"
  traced -o /dev/null -e trace=openat -e inject=openat:error=EACCES:when="${nth:-1}+" \
    "$rq27" --cancel "$work/readback" 2>/dev/null; check "unreadable hq, Cancel: exit" 0 $?
  check "unreadable hq, Cancel: exactly hq" same \
    "$(cmp -s <(printf 'hq\r\n') "$work/readback/JWC_TEMP.TXT" && echo same)"
  check "unreadable hq, Cancel: no temporary file" 0 "$(temps "$work/readback")"
else
  skip "unreadable hq" "strace cannot inject errors here"
fi

# A full file system: a small memory file system whose free room, once the selection has
# been read and "hq" stands in its place, is about the selection's size, a little less than
# the command file needs.
mkdir "$work/full"
if mount -t tmpfs -o size=512k tmpfs "$work/full" 2>/dev/null; then
  mounts+=("$work/full")
  selection 6000 > "$work/big"
  cp "$work/big" "$work/full/JWC_TEMP.TXT"
  blocks=$(( ($(wc -c < "$work/big") + 4095) / 4096 ))
  head -c $(( (128 - blocks - 1) * 4096 )) /dev/zero > "$work/full/filler"
  "$rq27" --yes "$work/full" 2>/dev/null; check "full disk: exit" 1 $?
  # A failed save leaves nothing the host could read as commands: no temporary file, no
  # partial command file, and "hq" in the host's file.
  check "full disk: hq left" "filler JWC_TEMP.TXT hq" \
    "$(ls -A "$work/full" | sort -r | tr '\n' ' ')$(tr -d '\r\n' < "$work/full/JWC_TEMP.TXT")"
  # The same mount with room enough: the save goes through.
  rm "$work/full/filler"
  cp "$work/big" "$work/full/JWC_TEMP.TXT"
  "$rq27" --yes "$work/full" 2>/dev/null; check "room enough: exit" 0 $?
  check "room enough: command file" hd "$(head -c 2 "$work/full/JWC_TEMP.TXT")"
  check "room enough: no temporary file" 0 "$(temps "$work/full")"
  echo "full disk: input $(wc -c < "$work/big") bytes, command file $(wc -c < "$work/full/JWC_TEMP.TXT") bytes"
else
  skip "full disk" "cannot mount a small tmpfs here (needs root or CAP_SYS_ADMIN)"
fi
finish
