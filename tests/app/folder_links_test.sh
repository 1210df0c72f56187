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
exe=$2
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
"$wine" "$exe" "$(windows "$work/root")" /out "$(windows "$work/result.velquin")" </dev/null

# Each found entry as its path below the root.
found=$(iconv -f UTF-16LE -t UTF-8 "$work/result.velquin" | tr -d '\r\357\273\277' | root="$(windows "$work/root")" awk '
  BEGIN { root = ENVIRON["root"] }
  /^folder = / { folder = substr($0, 10); if (index(folder, root) == 1) folder = substr(folder, length(root) + 1); next }
  /^\tname = / { name = substr($0, 9); print (folder == "" ? name : substr(folder, 2) "\\" name) }' | sort)
expected=$(printf '%s\n' \
  'a' 'a\f.txt' 'a\loop' 'a\out' 'a\out\x.txt' 'a\out\back' \
  'b' 'b\one' 'b\one\s.txt' 'b\two' 'b\two\s.txt' 'b\three' 'b\three\s.txt' \
  'b\toa' 'b\toa\f.txt' 'b\toa\loop' 'b\toa\out' 'b\toa\out\x.txt' 'b\toa\out\back' \
  'c' 'c\14.0.6' 'c\14.0.6\include' 'c\14.0.6\include\h.h' 'c\14' 'c\14\include' 'c\14\include\h.h' | sort)
if [ "$found" != "$expected" ]; then
  echo "found:"; echo "$found"; echo "expected:"; echo "$expected"
  exit 1
fi
