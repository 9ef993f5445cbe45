#!/usr/bin/env bash
# Runs a command on the current X display (an Xvfb of xvfb-run) under a small window manager, as a
# desktop has one: it frames the windows, takes their title bars from the screen's room and hands
# out the focus. Without openbox the command runs on the bare display.
#   tests/suites/qt/with-window-manager.sh COMMAND [ARG...]
set -u
wm_pid=
if command -v openbox >/dev/null; then
  openbox --sm-disable >/dev/null 2>&1 &
  wm_pid=$!
  # It answers for the desktops once it manages the screen.
  for _ in $(seq 1 50); do
    xdotool get_num_desktops >/dev/null 2>&1 && break
    sleep 0.1
  done
fi
status=0
"$@" || status=$?
if [[ -n "$wm_pid" ]]; then
  kill "$wm_pid" 2>/dev/null
  wait "$wm_pid" 2>/dev/null
fi
exit $status
