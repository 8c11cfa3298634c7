#!/usr/bin/env bash
# The batch converter against a shell loop of sox doing the same five effects, whole process:
# FILES stereo files of SECONDS seconds each (default 20 of 180) through normalise, low cut
# 250 Hz, echo 800 ms 50 %, amplify 50 % and a rate change to 22,050 Hz. Prints the wall time,
# user+system time and peak RSS of each side, and the ratio.
#   bench/batch_vs_sox.sh [SONVELA] [FILES] [SECONDS]
# SONVELA defaults to build/release-gui/bin/sonvela (a release tree with the GUI on, since the
# batch run is a switch of the editor's own program).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
sonvela="${1:-$root/build/release-gui/bin/sonvela}"
files="${2:-20}"
seconds="${3:-180}"
work="$(mktemp -d "${TMPDIR:-/tmp}/sonvela-batch-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/ours" "$work/sox" "$work/home"
for i in $(seq 1 "$files"); do
  sox -n -r 44100 -c 2 -b 16 "$work/in/f$i.wav" synth "$seconds" sine $((200 + 20 * i)) sine 90 gain -12 2>/dev/null
done
python3 - "$work/chain.svb" <<'PY'
import struct, sys
e = lambda row, data: struct.pack('<II', row, len(data)) + data
open(sys.argv[1], 'wb').write(bytes([0]) + e(4, struct.pack('<h', 100)) + e(5, struct.pack('<i', 250)) +
    e(7, struct.pack('<ih', 800, 50)) + e(3, struct.pack('<h', 50)) + e(16, struct.pack('<i', 22050)))
PY
measure() {  # label, command...
  local label="$1"; shift
  /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" > "$work/$label.log" 2>&1
  read -r wall user sys rss < "$work/time.txt"
  echo "$label wall ${wall}s cpu $(python3 -c "print(round($user+$sys,2))")s peak RSS $((rss / 1024)) MB"
  echo "$wall" > "$work/$label.wall"
}
measure sonvela env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work/home" XDG_CONFIG_HOME="$work/home/c" \
  XDG_DATA_HOME="$work/home/d" "$sonvela" -batch "$work/chain.svb" "$work"/in/*.wav -dest "$work/ours"
measure sox bash -c 'for f in "$1"/in/*.wav; do sox "$f" "$1/sox/$(basename "$f")" norm highpass 250 echo 1 1 800 0.5 vol 0.5 rate 22050 || exit 1; done' _ "$work"
tail -1 "$work/sonvela.log"
python3 -c "print('sonvela / sox speed: %.2f x' % ($(cat "$work/sox.wall") / $(cat "$work/sonvela.wall")))"
