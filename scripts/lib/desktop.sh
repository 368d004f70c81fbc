# Sourced by the scripts: a private X display with a compositing manager and a
# running wineserver for the build tree's Wine prefix. Everything started here
# is tracked by PID and stopped by PID when the calling script exits.

desktop_pids=()

stop_desktop() {
  # A signal now (Ctrl+C again, a CI job cancelled) must not cut the cleanup short.
  trap '' INT TERM
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k >/dev/null 2>&1 || true # ends this prefix's Windows processes
  fi
  local pid
  for pid in "${desktop_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${desktop_pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  desktop_pids=()
  trap 'exit 130' INT TERM
}

# start_desktop BUILD_DIR [SCREENS [reuse-display]]
# SCREENS is WIDTHxHEIGHT, or two sizes joined by "+" for two monitors (Xvfb
# heads under Xinerama, both at the desktop origin; Wine sees two monitors
# only when RandR is off). With reuse-display and DISPLAY set, the programs
# show on that display.
start_desktop() {
  local build_dir=$1 size=${2:-1280x1024} reuse=${3:-}
  export WINEPREFIX="$build_dir/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
  trap stop_desktop EXIT
  trap 'exit 130' INT TERM
  if [ "$reuse" = reuse-display ] && [ -n "${DISPLAY:-}" ]; then
    start_wineserver "$build_dir"
    echo "desktop: DISPLAY=$DISPLAY, Wine prefix $WINEPREFIX"
    return 0
  fi

  # Xvfb writes the display number it picked, then a newline, to the file.
  local display_file
  display_file=$(mktemp)
  local screens=(-screen 0 "${size%%+*}x24")
  if [[ $size == *+* ]]; then
    screens=(+xinerama -extension RANDR -screen 0 "${size%%+*}x24" -screen 1 "${size#*+}x24")
  fi
  Xvfb -displayfd 3 "${screens[@]}" -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  desktop_pids+=($!)
  local tries=0
  until [ "$(wc -l <"$display_file")" -ge 1 ]; do
    tries=$((tries + 1))
    if [ $tries -gt 100 ]; then
      echo "Xvfb did not start" >&2
      rm -f "$display_file"
      return 1
    fi
    sleep 0.1
  done
  export DISPLAY=":$(head -n 1 "$display_file")"
  rm -f "$display_file"

  # Without compositing, Wine reads a covered window's picture as black.
  xcompmgr -d "$DISPLAY" >/dev/null 2>&1 &
  desktop_pids+=($!)

  start_wineserver "$build_dir"
  echo "desktop: DISPLAY=$DISPLAY ${size}, Wine prefix $WINEPREFIX"
}

# One wineserver for the whole run instead of one per program; the first
# program run through wine-run sets the prefix up.
start_wineserver() {
  mkdir -p "$WINEPREFIX"
  wineserver -f -p >/dev/null 2>&1 &
  desktop_pids+=($!)
  "$1/wine-run" cmd /c exit >/dev/null 2>&1 || true
}
