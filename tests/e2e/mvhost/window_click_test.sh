#!/usr/bin/env bash
# Under an X server (xvfb-run): mvhost --window opens, shows the demo page, and real X input -
# a click into the text field, typing, a click on the send button - makes the page send its text.
# Usage: window_click_test.sh MVHOST
set -u
mvhost=$1
for tool in xdotool; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -n "${DISPLAY:-}" ] || { echo "skipped: no display (run under xvfb-run)"; exit 77; }

work=$(mktemp -d)
"$mvhost" --window --seconds 90 >"$work/out" 2>"$work/err" &
pid=$!
cleanup() { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- mvhost stdout"; cat "$work/out"; echo "--- mvhost stderr"; cat "$work/err"; exit 1; }

wait_for() { # file pattern seconds
  local deadline=$((SECONDS + $3))
  until grep -q -- "$2" "$1"; do
    kill -0 "$pid" 2>/dev/null || return 1
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

wid=$(timeout 30 xdotool search --sync --name '^mvhost$' | head -n 1)
[ -n "$wid" ] || fail "no window named mvhost appeared"
wait_for "$work/err" "first frame" 60 || fail "the window showed no frame"
sleep 1  # the page's script has filled in the images

xdotool mousemove --window "$wid" 500 350 click 1
sleep 0.5
xdotool type --delay 40 "typed in X"
sleep 0.5
xdotool mousemove --window "$wid" 688 514 click 1
wait_for "$work/out" "message: batchUploadImg typed in X" 20 || fail "the page sent nothing after the click"

# SDL turns SIGTERM into a quit request: the host closes the browser and shuts down cleanly.
kill -TERM "$pid"
wait "$pid"
status=$?
[ $status -eq 0 ] || fail "mvhost exited with $status after the window closed"
echo "ok: $(grep 'message:' "$work/out")"
