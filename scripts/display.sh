#!/usr/bin/env bash
# Sourced by test.sh and bench.sh: gives them a display of their own. It only
# starts processes and records their ids; the caller stops them on exit.
#
# start_display WORKDIR: unless DISPLAY is set, starts Xvfb (display number
# chosen race-free with -displayfd) and openbox on it, exports DISPLAY and
# appends both process ids to the array display_pids.

display_pids=()

start_display() {
  local work="$1"
  if [[ -n "${DISPLAY:-}" ]]; then return 0; fi
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  display_pids+=($!)
  exec 3>&-
  for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
  if [[ ! -s "$work/display" ]]; then
    echo "Xvfb did not start:" >&2; cat "$work/xvfb.log" >&2; return 1
  fi
  export DISPLAY=":$(head -n1 "$work/display")"
  # Without a window manager a full-screen window never gets the focus, and
  # the game pauses while unfocused.
  openbox >"$work/openbox.log" 2>&1 &
  display_pids+=($!)
  for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && return 0
    sleep 0.1
  done
  echo "openbox did not start:" >&2; cat "$work/openbox.log" >&2; return 1
}

stop_display() {
  local p
  for p in "${display_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${display_pids[@]}"; do wait "$p" 2>/dev/null || true; done
  display_pids=()
}
