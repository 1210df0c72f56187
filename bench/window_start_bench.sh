#!/usr/bin/env bash
# Times the start of Velquin's main window (process start to the window
# shown and idle) and its close with an empty list, beside a bare Win32
# program that shows an empty window the same way, in turn under the same
# Wine prefix and virtual display. Goal: at most 1.5 times the bare start,
# and a close under 200 ms.
# The bare program is taken three times: plain, with the program's manifest
# (common controls 6 with visual styles), whose first window loads the
# visual styles too, and that styled window with OLE, the
# common controls and the shell library brought up first, as every window
# of the program needs them.
# Usage: bench/window_start_bench.sh [ROUNDS]   (default 7)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
unset DISPLAY
source "$here/../scripts/env.sh"
"$here/../scripts/setup" >&2
cmake --build "$VELQUIN_BUILD_DIR" --target Velquin bare_window bare_window_styled \
  bare_window_libraries window_start_bench >/dev/null
windows() { local p; p=$(realpath -- "$1"); printf 'Z:%s' "${p//\//\\}"; }
wine64 "$VELQUIN_BUILD_DIR/bench/window_start_bench.exe" "${1:-7}" \
  "$(windows "$VELQUIN_BUILD_DIR/bin/Velquin.exe")" Velquin \
  "$(windows "$VELQUIN_BUILD_DIR/bench/bare_window.exe")" "Bare window" \
  "$(windows "$VELQUIN_BUILD_DIR/bench/bare_window_styled.exe")" "Bare window" \
  "$(windows "$VELQUIN_BUILD_DIR/bench/bare_window_libraries.exe")" "Bare window"
