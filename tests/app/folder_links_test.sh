#!/usr/bin/env bash
# The windowless run over folder links: a link back to an ancestor is listed
# but not entered, an ordinary link to another folder is walked. The links
# are made on the host side, since Wine cannot create them itself.
# Usage: folder_links_test.sh WINE VELQUIN_EXE
set -euo pipefail
wine=$1
exe=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/root/a" "$work/other"
echo hi >"$work/root/a/f.txt"
echo x >"$work/other/x.txt"
ln -s "$work/root" "$work/root/a/loop"
ln -s "$work/other" "$work/root/a/out"

windows() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }
"$wine" "$exe" "$(windows "$work/root")" /out "$(windows "$work/result.velquin")" </dev/null

# Each found entry as its path below the root.
found=$(iconv -f UTF-16LE -t UTF-8 "$work/result.velquin" | tr -d '\r\357\273\277' | root="$(windows "$work/root")" awk '
  BEGIN { root = ENVIRON["root"] }
  /^folder = / { folder = substr($0, 10); if (index(folder, root) == 1) folder = substr(folder, length(root) + 1); next }
  /^\tname = / { name = substr($0, 9); print (folder == "" ? name : substr(folder, 2) "\\" name) }' | sort)
expected=$(printf '%s\n' 'a' 'a\f.txt' 'a\loop' 'a\out' 'a\out\x.txt' | sort)
if [ "$found" != "$expected" ]; then
  echo "found:"; echo "$found"; echo "expected:"; echo "$expected"
  exit 1
fi
