#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one for the given number of seconds
# (default 20), starting from its seed corpus under fuzz/corpus/<target>.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-20}"
if [ -z "$(ls "$root"/fuzz/*.cpp 2>/dev/null)" ]; then
  echo "fuzz: no targets"
  exit 0
fi
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DSONVELA_FUZZ=ON -DSONVELA_GUI=OFF -DSONVELA_TESTS=OFF >/dev/null
cmake --build "$root/build/fuzz" -j "$(nproc)"
status=0
for target in "$root"/build/fuzz/bin/fuzz_*; do
  name="$(basename "$target")"
  corpus="$root/build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds=()
  if [ -d "$root/fuzz/corpus/$name" ]; then seeds=("$root/fuzz/corpus/$name"); fi
  echo "fuzz: $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=0 "$corpus" "${seeds[@]}" \
        >"$root/build/fuzz/$name.log" 2>&1; then
    echo "fuzz: $name found a failure:"
    tail -n 40 "$root/build/fuzz/$name.log"
    status=1
  fi
done
exit $status
