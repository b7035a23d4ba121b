# Shared by the project's scripts: paths, Wine prefixes and a private X display.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree=d;mshtml=d}"

# wine_loader ARCH: the Wine loader for programs of a build (win32 or win64).
# 64-bit programs go straight to the 64-bit loader: Debian's `wine` front end
# starts the 32-bit loader, which can't run on a kernel without 32-bit support.
# The 32-bit loader is asked for by its own path (Debian's `wine` would quietly
# fall back to the 64-bit one when wine32 is missing); KORVANE_WINE32 names
# another one.
wine_loader() {
  if [ "$1" = win64 ]; then
    if command -v wine64 >/dev/null 2>&1; then command -v wine64; else echo /usr/lib/wine/wine64; fi
  elif [ -n "${KORVANE_WINE32:-}" ]; then
    echo "$KORVANE_WINE32"
  elif [ -x /usr/lib/wine/wine ]; then
    echo /usr/lib/wine/wine
  else
    command -v wine || echo wine
  fi
}

# can_run_32bit: whether this host can execute 32-bit programs (the 32-bit
# Wine loader starts). Sets why_not_32bit to the reason when it can't.
can_run_32bit() {
  local loader out
  loader="$(wine_loader win32)"
  if out="$("$loader" --version 2>&1)"; then return 0; fi
  why_not_32bit="the 32-bit Wine loader ($loader) does not start here: ${out:-no output}"
  return 1
}

# make_prefix DIR ARCH: a fresh Wine prefix (ARCH win32 or win64) in DIR.
make_prefix() {
  local dir="$1" arch="$2"
  rm -rf "$dir"
  mkdir -p "$(dirname "$dir")"
  WINEPREFIX="$dir" WINEARCH="$arch" "$(wine_loader "$arch")" wineboot -i >/dev/null 2>&1 || true
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
