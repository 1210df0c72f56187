#!/usr/bin/env bash
# The search library draws nothing: no symbol it needs is one that the window
# library or the common controls, visual styles or GDI+ provide, so that a
# program built on it alone links none of them.
# Usage: draws_nothing_test.sh NM SEARCH_LIBRARY WINDOW_LIBRARY...
set -euo pipefail
nm=$1
search=$2
shift 2
needed=$(mktemp)
provided=$(mktemp)
trap 'rm -f "$needed" "$provided"' EXIT
own=$(mktemp)
trap 'rm -f "$needed" "$provided" "$own"' EXIT
# What one member of the library needs from another is not needed from outside.
"$nm" --defined-only "$search" 2>/dev/null | awk 'NF >= 3 { print $3 }' | sort -u >"$own"
"$nm" --undefined-only "$search" 2>/dev/null | awk 'NF >= 2 && $1 == "U" { print $2 }' |
    sort -u | comm -23 - "$own" >"$needed"
for library in "$@"; do
    "$nm" --defined-only "$library" 2>/dev/null | awk 'NF >= 3 && $2 ~ /^[TDBRI]$/ { print $3 }'
done | sort -u >"$provided"
found=$(comm -12 "$needed" "$provided")
if [ -n "$found" ]; then
    echo "the search library needs what the window library provides:"
    echo "$found"
    exit 1
fi
echo "the search library needs $(wc -l <"$needed") symbols, none of them from: $*"
