#!/usr/bin/env bash
# Records the conversations the stand-in browser replays, from Debian's Chromium: run it again
# whenever the engine's protocol code changes. Builds what it needs in build/ (or $1).
#   tests/devtools_replay/record.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
cmake --build "$build" -j "${MVCEF_JOBS:-2}" --target devtools_record_driver devtools_recorder mvcefdll marovekcef
for scenario in quads blank bridge windowed; do
  out=tests/devtools_replay/recordings/$scenario.jsonl
  "$build/tests/devtools_replay/devtools_record_driver" "$scenario" "$out"
  echo "$out: $(($(wc -l < "$out") - 1)) messages, $(wc -c < "$out") bytes"
done
