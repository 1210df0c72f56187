#!/usr/bin/env bash
# A windowless run starts as a console program would: whether it finds
# something, finds nothing or fails, it loads no display driver (nor a
# desktop process started for it) and none of the window, graphics, shell
# and COM libraries, which the program binds at their first call. Wine names
# every module it loads on standard error when asked to. The program itself
# carries no debug sections, which Wine would read into memory at each start.
# Usage: windowless_start_test.sh WINE VELQUIN_EXE OBJDUMP
set -euo pipefail
wine=$1
exe=$2
objdump=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/empty" "$work/tree/sub"
echo alpha >"$work/tree/a.txt"
echo beta >"$work/tree/sub/b.txt"

windows() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }
# Saved-search criteria: UTF-16LE with a byte-order mark.
{
  printf '\xff\xfe'
  printf 'Velquin03\r\nsearchinfo = %s\r\n\tname = A.TX\r\n\tword = alpha\r\n' \
    "$(windows "$work/tree")" | iconv -f UTF-8 -t UTF-16LE
} >"$work/criteria.velquin"

status=0
if "$objdump" -h "$exe" | grep -E ' \.debug_'; then
  echo "the program carries the debug sections above"; status=1
fi
unwanted='winex11|winemac|winewayland|explorer\.exe|(user32|gdi32|win32u|shell32|shlwapi|shcore|ole32|combase|oleaut32|comctl32|uxtheme|gdiplus)\.dll'
while IFS='|' read -r what expected args; do
  # shellcheck disable=SC2086 # the arguments are split on purpose
  eval "set -- $args"
  code=0
  WINEDEBUG=-all,+loaddll "$wine" "$exe" "$@" </dev/null >"$work/out.txt" 2>"$work/err.txt" || code=$?
  if [ "$code" != "$expected" ]; then
    echo "$what: exit code $code, expected $expected"; cat "$work/err.txt"; status=1
  fi
  if ! grep -q 'Velquin' "$work/err.txt"; then
    echo "$what: no module list from Wine, so nothing was checked"; status=1
  fi
  if grep -Ei "$unwanted" "$work/err.txt"; then
    echo "$what: the run loaded the modules above"; status=1
  fi
done <<CASES
an empty folder|0|"$(windows "$work/empty")" /out "$(windows "$work/r1.velquin")"
a folder with results|0|"$(windows "$work/tree")" /out "$(windows "$work/r2.velquin")"
a part of a name and a word|0|/in "$(windows "$work/criteria.velquin")" /out "$(windows "$work/r3.velquin")"
saved results read back|0|/in "$(windows "$work/r2.velquin")" /out "$(windows "$work/r4.velquin")"
a folder that does not exist|1|"$(windows "$work/gone")" /out "$(windows "$work/r5.velquin")"
an unknown switch|4|/bogus "$(windows "$work/tree")" /out "$(windows "$work/r6.velquin")"
CASES
# The criteria run found its one file, so the name and content tests ran.
if ! iconv -f UTF-16LE -t UTF-8 "$work/r3.velquin" 2>/dev/null | grep -q 'name = a\.txt'; then
  echo "a part of a name and a word: a.txt was not found"; status=1
fi
exit $status
