# Common environment for building and running Velquin under Wine.
# Sourced by scripts/setup and scripts/test; safe to source by hand too.
VELQUIN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export VELQUIN_ROOT
export VELQUIN_BUILD_DIR=${VELQUIN_BUILD_DIR:-$VELQUIN_ROOT/build}
case $VELQUIN_BUILD_DIR in /*) ;; *) VELQUIN_BUILD_DIR=$VELQUIN_ROOT/$VELQUIN_BUILD_DIR ;; esac
export WINEPREFIX=${VELQUIN_WINEPREFIX:-$VELQUIN_BUILD_DIR/wineprefix}
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Deterministic tests: en-US locale with ANSI code page 1252, UTC times.
export LANG=C.UTF-8
unset LC_ALL LANGUAGE
export TZ=UTC
export PATH="$PATH:/usr/lib/wine:/usr/lib/wine64"
# Windows get a virtual X display of their own, started by scripts/setup.
export DISPLAY=${VELQUIN_DISPLAY:-:99}
