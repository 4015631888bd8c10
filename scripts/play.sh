#!/usr/bin/env bash
# Installs what is missing, builds, starts the local score server on loopback
# (database build/zindle-scores.db, log build/zindle-scores.log), runs Zindle
# Flaps from build/ against it, and stops the server when the game ends.
# Settings, the save file and screenshots are kept in build/ as well.
# With ZINDLE_SCORE_HOST already set (empty turns scores off), no local
# server is started and the game uses that host.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# Only what playing needs: the game (with its data folder) and the score server.
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc)" --target zindle-flaps zindle-scores
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display: run this from a desktop session (X11, or Wayland with XWayland)." >&2
  exit 1
fi
if [[ -n "${ZINDLE_SCORE_HOST+set}" ]]; then
  echo "Scores go to ZINDLE_SCORE_HOST='$ZINDLE_SCORE_HOST'; no local score server started."
  exec ./build/zindle-flaps
fi

port=8559
log=build/zindle-scores.log
./build/zindle-scores --port "$port" --db build/zindle-scores.db --bind 127.0.0.1 >"$log" 2>&1 &
server=$!
stop_server() {
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
}
trap stop_server EXIT

# Its first line says it is listening; if it ends first, the port is taken.
for _ in $(seq 100); do
  grep -q "listening on" "$log" && break
  if ! kill -0 "$server" 2>/dev/null; then
    echo "The score server did not start (is port $port in use?):" >&2
    cat "$log" >&2
    echo "To play against a score server already running there:" >&2
    echo "  ZINDLE_SCORE_HOST=127.0.0.1:$port bash scripts/play.sh" >&2
    exit 1
  fi
  sleep 0.1
done
if ! grep -q "listening on" "$log"; then
  echo "The score server did not answer within 10 seconds; see $log" >&2
  exit 1
fi
echo "Score server on 127.0.0.1:$port (log: $log)"
export ZINDLE_SCORE_HOST="127.0.0.1:$port"
./build/zindle-flaps
