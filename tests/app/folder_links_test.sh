#!/usr/bin/env bash
# The windowless run over folder links: a link back to a folder on the path
# being walked (directly, or through other links) is listed but not entered;
# every other link is walked, also when another link or the search location
# already leads to the same folder, so that each path the user can open is
# listed. The links are made on the host side, since Wine cannot create them
# itself.
# Usage: folder_links_test.sh WINE VELQUIN_EXE
set -euo pipefail
wine=$1
exe=$(cd "$(dirname "$2")" && pwd)/$(basename "$2") # also run from other folders
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/root/a" "$work/root/b" "$work/root/c/14.0.6/include" "$work/other" "$work/shared"
echo h >"$work/root/c/14.0.6/include/h.h"
echo hi >"$work/root/a/f.txt"
echo x >"$work/other/x.txt"
echo s >"$work/shared/s.txt"
# link target: a loop (the search location), a folder outside it
ln -s "$work/root" "$work/root/a/loop"
ln -s "$work/other" "$work/root/a/out"
# a loop through two links: root/a -> other -> root/a
ln -s "$work/root/a" "$work/other/back"
# one folder through two links, and through a link to one of them
ln -s "$work/shared" "$work/root/b/one"
ln -s "$work/shared" "$work/root/b/two"
ln -s "$work/root/b/one" "$work/root/b/three"
# a folder of the search location, not on this link's path
ln -s "$work/root/a" "$work/root/b/toa"
# a version folder and its short name beside it, linked relatively
ln -s 14.0.6 "$work/root/c/14"

windows() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }

# Each entry a search of LOCATION finds, as its path below LOCATION.
found_below() {
  local location=$1
  rm -f "$work/result.velquin"
  "$wine" "$exe" "$location" /out "$(windows "$work/result.velquin")" </dev/null
  iconv -f UTF-16LE -t UTF-8 "$work/result.velquin" | tr -d '\r\357\273\277' | root="$location" awk '
    BEGIN { root = ENVIRON["root"] }
    /^folder = / { folder = substr($0, 10); if (index(folder, root) == 1) folder = substr(folder, length(root) + 1); next }
    /^\tname = / { name = substr($0, 9); print (folder == "" ? name : substr(folder, 2) "\\" name) }' | sort
}

expected=$(printf '%s\n' \
  'a' 'a\f.txt' 'a\loop' 'a\out' 'a\out\x.txt' 'a\out\back' \
  'b' 'b\one' 'b\one\s.txt' 'b\two' 'b\two\s.txt' 'b\three' 'b\three\s.txt' \
  'b\toa' 'b\toa\f.txt' 'b\toa\loop' 'b\toa\out' 'b\toa\out\x.txt' 'b\toa\out\back' \
  'c' 'c\14.0.6' 'c\14.0.6\include' 'c\14.0.6\include\h.h' 'c\14' 'c\14\include' 'c\14\include\h.h' | sort)
check() {
  local what=$1 found=$2
  if [ "$found" != "$expected" ]; then
    echo "$what: found:"; echo "$found"; echo "expected:"; echo "$expected"
    exit 1
  fi
}

check "the folder" "$(found_below "$(windows "$work/root")")"

# The same tree as a drive of its own, searched as a bare "X:" (its root)
# while the current folder lies on that drive: the loops are still known.
if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX/dosdevices" ]; then
  for letter in q r s t u v w x y; do
    if ln -s "$work/root" "$WINEPREFIX/dosdevices/$letter:" 2>/dev/null; then
      trap 'rm -f "$WINEPREFIX/dosdevices/$letter:"; rm -rf "$work"' EXIT
      check "the bare drive" "$(cd "$work/root/a" && found_below "${letter^^}:")"
      break
    fi
  done
else
  echo "no Wine prefix named: the bare drive case is skipped"
fi
