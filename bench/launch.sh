#!/usr/bin/env bash
# Launch to file shown: a cold start of the editor on a file against the hand-over of the same
# file to an editor that already runs. Each run opens the file, and the starter returns once
# the editor has opened it ("-close" after a hand-over, "-exit" for the cold start).
# Usage: bench/launch.sh [path/to/sonvela] [runs]
set -euo pipefail
bin=${1:-build/release/bin/sonvela}
runs=${2:-10}
[ -x "$bin" ] || { echo "no program at $bin" >&2; exit 1; }
tmp=$(mktemp -d)
editor=
trap '[ -n "$editor" ] && kill "$editor" 2>/dev/null || true; rm -rf "$tmp"' EXIT
mkdir -m 700 "$tmp/run"
export HOME=$tmp XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data XDG_RUNTIME_DIR=$tmp/run
export QT_QPA_PLATFORM=offscreen SONVELA_AUDIO=null
sox -n -r 44100 -c 2 -b 16 "$tmp/ten seconds.wav" synth 10 sine 440 2>/dev/null

ms() { echo $(( ($(date +%s%N) - $1) / 1000000 )); }
cold=0
for _ in $(seq "$runs"); do
  t=$(date +%s%N)
  "$bin" "$tmp/ten seconds.wav" -exit -block 2>/dev/null
  cold=$(( cold + $(ms "$t") ))
done

"$bin" 2>/dev/null &
editor=$!
for _ in $(seq 200); do [ -S "$tmp/run/sonvela/editor.socket" ] && break; sleep 0.05; done
hand=0
for _ in $(seq "$runs"); do
  t=$(date +%s%N)
  "$bin" "$tmp/ten seconds.wav" -close 2>/dev/null
  hand=$(( hand + $(ms "$t") ))
done
"$bin" -exit 2>/dev/null || true
wait "$editor" || true
echo "launch to file shown, cold start: $(( cold / runs )) ms per run ($runs runs, 10 s stereo WAV)"
echo "launch to file shown, hand-over:  $(( hand / runs )) ms per run"
