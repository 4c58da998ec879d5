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
}
