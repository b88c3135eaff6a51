#!/usr/bin/env bash
# Runs a command on a private Xvfb server: picks a free display itself (-displayfd), so several
# of these may run at once, and stops the server afterwards. Usage: with-xvfb.sh command [args...]
set -euo pipefail
fifo="$(mktemp -u)"
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; rm -f "$fifo"' EXIT
if ! read -r -t 30 display <"$fifo"; then
  echo "with-xvfb.sh: Xvfb did not start" >&2
  exit 1
fi
DISPLAY=":$display" "$@"
