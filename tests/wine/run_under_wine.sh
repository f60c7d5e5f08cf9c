#!/usr/bin/env bash
# Runs one scenario of wine_host.exe under Wine on a private X server, with a fake xdg-open first
# on PATH so that what the library hands to the shell can be seen.
# Usage: run_under_wine.sh BUILD_DIR HOST_EXE SCENARIO [ARGUMENTS...]
set -uo pipefail
build=$1 host=$2 scenario=$3
shift 3

export WINEPREFIX=$build/wineprefix
export WINELOADER=${WINELOADER:-/usr/lib/wine/wine64}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=/usr/lib/wine/wineserver
export WINESERVER=$wineserver

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  "$wineserver" -k 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A private display for this run.
exec 3<> "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do
  display=$(head -n1 "$work/displayfd" 2>/dev/null)
  [ -n "$display" ] && break
  sleep 0.1
done
[ -n "${display:-}" ] || { echo "FAIL no X server"; exit 1; }
export DISPLAY=:$display

# The prefix is made once per build tree; the first boot is the slow part.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  start=$(date +%s)
  "$WINELOADER" wineboot --init >/dev/null 2>&1
  "$wineserver" -w
  echo "wine prefix created in $(( $(date +%s) - start )) s"
fi

# The shell's default handler on this machine: record what reaches it.
mkdir -p "$work/bin"
export MVWINE_OPEN_LOG=$work/opened.txt
cat > "$work/bin/xdg-open" <<'SH'
#!/bin/sh
printf '%s\n' "$*" >> "$MVWINE_OPEN_LOG"
SH
chmod +x "$work/bin/xdg-open"
export PATH=$work/bin:$PATH

cd "$(dirname "$host")"
timeout 120 "$WINELOADER" "$host" "$scenario" "$@"
status=$?
[ $status -eq 0 ] || { echo "wine_host $scenario exited with $status"; exit 1; }

if [ "$scenario" = popups ]; then
  url="https://example.test/popup?from=wine"
  for _ in $(seq 300); do
    grep -qxF "$url" "$MVWINE_OPEN_LOG" 2>/dev/null && break
    sleep 0.1
  done
  failed=0
  if grep -qxF "$url" "$MVWINE_OPEN_LOG" 2>/dev/null; then echo "ok   ShellExecuteA handed the web popup to xdg-open"
  else echo "FAIL the web popup never reached xdg-open"; failed=1; fi
  if grep -q '^file:' "$MVWINE_OPEN_LOG" 2>/dev/null; then echo "FAIL a file: popup reached xdg-open"; failed=1
  else echo "ok   the file: popup stayed away from the shell"; fi
  exit $failed
fi
