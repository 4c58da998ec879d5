# Sourced by the scripts beside it: the environment of the private Wine
# prefix that lives in a build folder.

wine_env() {
  local build=$1
  if [[ -z $build ]]; then
    echo "usage: $(basename "$0") BUILD_DIR ..." >&2
    exit 2
  fi
  mkdir -p "$build"
  export WINEPREFIX
  WINEPREFIX=$(cd "$build" && pwd)/wineprefix
  export WINEDEBUG=-all
  # No Mono or Gecko: nothing here needs them, and the installers would stall
  # the first start without a network.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH=win64
  # A kernel without IA-32 emulation runs no 32-bit program, Wine's 32-bit
  # loader included; the 64-bit loader then runs the 64-bit programs alone.
  if wine_runs_32bit; then
    WINE=wine
  else
    WINE=/usr/lib/wine/wine64
    export WINELOADER=$WINE
  fi
}

wine_runs_32bit() {
  /usr/lib/wine/wine --version >/dev/null 2>&1
}
