#!/usr/bin/env bash
# Installs what is missing, builds the editor (release) and starts it on the demo sound.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSONVELA_TESTS=OFF -DSONVELA_GUI=ON >/dev/null
cmake --build "$root/build/release" -j "$(nproc)"
demo=()
if [ -f "$root/data/demo.wav" ]; then demo=("$root/data/demo.wav"); fi
exec "$root/build/release/bin/sonvela" "${demo[@]}" "$@"
