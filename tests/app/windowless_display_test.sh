#!/usr/bin/env bash
# A windowless run never touches the display: no display driver is loaded
# into the program (nor into a desktop process started for it), whether the
# run finds something, finds nothing or fails. Wine names every module it
# loads on standard error when asked to.
# Usage: windowless_display_test.sh WINE VELQUIN_EXE
set -euo pipefail
wine=$1
exe=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/empty" "$work/tree/sub"
echo alpha >"$work/tree/a.txt"
echo beta >"$work/tree/sub/b.txt"

windows() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }
status=0
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
  if grep -Ei 'winex11|winemac|winewayland|explorer\.exe|comctl32|uxtheme' "$work/err.txt"; then
    echo "$what: the run loaded the modules above"; status=1
  fi
done <<CASES
an empty folder|0|"$(windows "$work/empty")" /out "$(windows "$work/r1.velquin")"
a folder with results|0|"$(windows "$work/tree")" /out "$(windows "$work/r2.velquin")"
a folder that does not exist|1|"$(windows "$work/gone")" /out "$(windows "$work/r3.velquin")"
an unknown switch|4|/bogus "$(windows "$work/tree")" /out "$(windows "$work/r4.velquin")"
CASES
exit $status
