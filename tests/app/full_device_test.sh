#!/usr/bin/env bash
# Whole files written onto a full device: a small tmpfs mounted on the host,
# mapped as a Wine drive and filled but for a few pages. A write that runs out
# of room must leave the earlier file at its path byte for byte, and nothing
# beside it; where there was none, none is left. Mounting needs root: where it
# is refused the test is skipped (exit 77) with the reason.
# Usage: full_device_test.sh WINE VELQUIN_EXE FOUNDATION_TESTS_EXE SEARCH_TESTS_EXE
set -euo pipefail
wine=$1
exe=$2
foundation_tests=$3
search_tests=$4
skip() { echo "skipped: $*"; exit 77; }

[ -d "${WINEPREFIX:-}/dosdevices" ] || skip "no Wine prefix to map a drive in"
work=$(mktemp -d)
device=$work/device
mkdir "$device"
link=
cleanup() {
  [ -z "$link" ] || rm -f "$link"
  umount "$device" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mount -t tmpfs -o size=1m,mode=0777 tmpfs "$device" 2>/dev/null ||
  skip "a small tmpfs cannot be mounted here (it needs root)"
for letter in q r s t u v w x y; do
  candidate=$WINEPREFIX/dosdevices/$letter:
  if [ ! -e "$candidate" ] && [ ! -L "$candidate" ]; then
    ln -s "$device" "$candidate"
    link=$candidate
    drive=${letter^^}:
    break
  fi
done
[ -n "$link" ] || skip "no free drive letter to map the device as"

windows() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }
mkdir -p "$work/small" "$work/large"
echo hello >"$work/small/one.txt"
# Enough entries that their result file is many times what the device has left.
for i in $(seq 1 400); do
  : >"$work/large/a_rather_long_file_name_so_that_the_result_file_grows_$i.txt"
done

failed=0
fail() { echo "FAILED: $*"; failed=1; }
run() { "$wine" "$exe" "$@" </dev/null >"$work/stdout" 2>"$work/stderr"; }

# The earlier result, written while there is room.
run "$(windows "$work/small")" /out "$drive\\r.velquin" || fail "the earlier result was not written"
cp "$device/r.velquin" "$work/earlier.velquin"
# Everything but four pages taken.
dd if=/dev/zero of="$device/filler" bs=4k 2>/dev/null || true
truncate -s -16K "$device/filler"

for target in r.velquin new.velquin; do
  code=0
  run "$(windows "$work/large")" /out "$drive\\$target" || code=$?
  [ "$code" = 3 ] || fail "$target: exit $code, not 3 (the result file could not be written)"
  grep -q . "$work/stderr" || fail "$target: no message on standard error"
  if [ "$target" = r.velquin ]; then
    cmp -s "$device/r.velquin" "$work/earlier.velquin" || fail "the earlier result file was changed"
  fi
  left=$(cd "$device" && ls -A | sort | tr '\n' ' ')
  [ "$left" = "filler r.velquin " ] || fail "$target: the device holds: $left"
done

# The same for every writer of whole files the program has, from inside.
for tests in "$foundation_tests:ReplacingFile.WritersOnAFullDevice*" \
             "$search_tests:SavedSearchFileTest.OnAFullDevice*"; do
  VELQUIN_FULL_DEVICE=$drive "$wine" "${tests%%:*}" --gtest_filter="${tests#*:}" \
    </dev/null >"$work/gtest" 2>&1 || failed=1
  cat "$work/gtest"
  grep -q '^\[  PASSED  \] 1 test' "$work/gtest" || fail "${tests#*:} did not pass"
  if grep -q 'SKIPPED' "$work/gtest"; then fail "${tests#*:} was skipped"; fi
done
exit $failed
