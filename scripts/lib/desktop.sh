# Sourced by the scripts: a private X display with a compositing manager and a
# running wineserver for the build tree's Wine prefix. Everything started here
# is tracked by PID and stopped by PID when the calling script exits.
#
# The platform: the host's Wine and X servers, or, with ORVANE_WINE_ROOT set to
# a root file system (scripts/lib/debian13.sh), those of that root, run there
# with chroot. Each has a Wine prefix of its own.

desktop_pids=()
desktop_files=()
wine_root=${ORVANE_WINE_ROOT:-}
# Runs a program of the platform (none of them cares for its directory).
on_platform=()
[ -z "$wine_root" ] || on_platform=(chroot "$wine_root")

stop_desktop() {
  # A signal now (Ctrl+C again, a CI job cancelled) must not cut the cleanup short.
  trap '' INT TERM
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    "${on_platform[@]}" wineserver -k >/dev/null 2>&1 || true # ends this prefix's Windows processes
  fi
  local pid
  for pid in "${desktop_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${desktop_pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  desktop_pids=()
  rm -f "${desktop_files[@]}"
  desktop_files=()
  end_by_signals
}

# Ctrl+C or TERM ends the script by that signal once the EXIT trap has cleaned
# up, so that the calling script ends too (a shell goes on after a child that
# exits normally on Ctrl+C).
end_by_signals() {
  trap 'trap - INT; kill -INT $$' INT
  trap 'trap - TERM; kill -TERM $$' TERM
}

# start_desktop BUILD_DIR [SCREENS [reuse-display]]
# SCREENS is WIDTHxHEIGHT, or two sizes joined by "+" for two monitors side by
# side, the first one primary. With reuse-display and DISPLAY set, the
# programs show on that display. With ORVANE_WINE_DPI set (144 is 150 %), the
# prefix, one of its own, has that display scaling.
start_desktop() {
  local build_dir=$1 size=${2:-1280x1024} reuse=${3:-} dpi=${ORVANE_WINE_DPI:-}
  export WINEPREFIX="$build_dir/wineprefix${wine_root:+-$(basename "$wine_root")}${dpi:+-${dpi}dpi}"
  export ORVANE_WINE_ROOT=$wine_root ORVANE_WINE_PREFIX=$WINEPREFIX
  export WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
  trap stop_desktop EXIT
  end_by_signals
  if [ "$reuse" = reuse-display ] && [ -n "${DISPLAY:-}" ]; then
    start_wineserver "$build_dir"
    echo "desktop: DISPLAY=$DISPLAY, Wine prefix $WINEPREFIX"
    return 0
  fi

  # The X server writes the display number it picked, then a newline, to the file.
  local display_file
  display_file=$(mktemp)
  if [[ $size == *+* ]]; then
    start_two_monitors "${size%%+*}" "${size#*+}" 3>"$display_file"
  else
    "${on_platform[@]}" Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
    desktop_pids+=($!)
  fi
  local tries=0
  until [ "$(wc -l <"$display_file")" -ge 1 ]; do
    tries=$((tries + 1))
    if [ $tries -gt 100 ]; then
      echo "the X server did not start" >&2
      rm -f "$display_file"
      return 1
    fi
    sleep 0.1
  done
  export DISPLAY=":$(head -n 1 "$display_file")" ORVANE_TEST_MONITORS=$([[ $size == *+* ]] && echo 2 || echo 1)
  rm -f "$display_file"
  if [[ $size == *+* ]] && ! lay_out_two_monitors "${size%%+*}" "${size#*+}"; then
    echo "the two monitors could not be laid out" >&2
    return 1
  fi

  # Without compositing, Wine reads a covered window's picture as black.
  "${on_platform[@]}" xcompmgr -d "$DISPLAY" >/dev/null 2>&1 &
  desktop_pids+=($!)

  start_wineserver "$build_dir"
  echo "desktop: DISPLAY=$DISPLAY ${size}, $("${on_platform[@]}" wine --version 2>/dev/null), prefix $WINEPREFIX"
}

# Two monitors are two RandR outputs, which is how Wine 8 and Wine 10 alike
# read a desktop's monitors (Wine 10 reads Xinerama screens without their
# sizes). Xvfb has one output; Xorg's dummy driver has sixteen. Debian 13's
# Xorg, in the root, runs without a console (Debian 12's would take one), and
# serves either platform's Wine; so two monitors need the root, mounted as
# in_debian13_namespace does. Writes the display number to fd 3.
start_two_monitors() {
  local width=$((${1%x*} + ${2%x*})) height=$((${1#*x} > ${2#*x} ? ${1#*x} : ${2#*x}))
  local config=/tmp/orvane-dummy-$$.conf
  desktop_files+=("$debian13_root$config" "$debian13_root$config.log")
  cat >"$debian13_root$config" <<EOF
Section "ServerFlags"
  Option "AutoAddDevices" "false"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam $((width * height * 4 / 1024 + 1024))
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual $width $height
  EndSubSection
EndSection
EOF
  chroot "$debian13_root" Xorg -displayfd 3 -config "$config" -logfile "$config.log" -noreset \
    -nolisten tcp >/dev/null 2>&1 &
  desktop_pids+=($!)
}

# The first size at the origin and primary, the second to its right.
lay_out_two_monitors() {
  local xrandr=(chroot "$debian13_root" xrandr -d "$DISPLAY") size output=0 x=0 layout=()
  for size in "$1" "$2"; do
    "${xrandr[@]}" --newmode "$size" 0 "${size%x*}" "${size%x*}" "${size%x*}" "${size%x*}" \
      "${size#*x}" "${size#*x}" "${size#*x}" "${size#*x}" 2>/dev/null || true
    "${xrandr[@]}" --addmode "DUMMY$output" "$size"
    layout+=(--output "DUMMY$output" --mode "$size" --pos "${x}x0")
    [ $output -gt 0 ] || layout+=(--primary)
    x=$((x + ${size%x*}))
    output=$((output + 1))
  done
  # A smaller mode for the second monitor, for a display change.
  "${xrandr[@]}" --newmode 1600x900 0 1600 1600 1600 1600 900 900 900 900 2>/dev/null || true
  "${xrandr[@]}" --addmode DUMMY1 1600x900
  "${xrandr[@]}" "${layout[@]}"
  # Wine reads the outputs without probing them: a query probes them, once,
  # after which every reader sees the layout.
  [ "$("${xrandr[@]}" --listactivemonitors | head -n 1)" = "Monitors: 2" ]
}

# One wineserver for the whole run instead of one per program, running
# before the first program. A new prefix is set up first (wine-run does), as
# its display scaling counts from the next wineserver on.
start_wineserver() {
  mkdir -p "$WINEPREFIX"
  if [ ! -e "$WINEPREFIX/.ready" ]; then
    "$1/wine-run" cmd /c exit >/dev/null 2>&1 || true
    "${on_platform[@]}" wineserver -k >/dev/null 2>&1 || true
    "${on_platform[@]}" wineserver -w >/dev/null 2>&1 || true
  fi
  "${on_platform[@]}" wineserver -f -p >/dev/null 2>&1 &
  desktop_pids+=($!)
  "$1/wine-run" cmd /c exit >/dev/null 2>&1 || true
}
