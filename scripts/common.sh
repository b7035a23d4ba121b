# Shared by the project's scripts: paths, Wine prefixes and a private X display.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree=d;mshtml=d}"

# make_prefix DIR ARCH: a fresh Wine prefix (ARCH win32 or win64) in DIR.
make_prefix() {
  local dir="$1" arch="$2"
  rm -rf "$dir"
  mkdir -p "$(dirname "$dir")"
  WINEPREFIX="$dir" WINEARCH="$arch" wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX="$dir" wineserver -w
  [ -f "$dir/system.reg" ] || { echo "could not create the Wine prefix $dir" >&2; return 1; }
}

# start_xvfb: starts a private Xvfb unless DISPLAY is already set; exports DISPLAY.
start_xvfb() {
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  local n
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    export DISPLAY=":$n"
    trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
    return 0
  done
  echo "no free display for Xvfb" >&2
  return 1
}
