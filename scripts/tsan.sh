#!/usr/bin/env bash
# Builds the player's and the recorder's tests with ThreadSanitizer (which cannot share a build
# with AddressSanitizer) and runs them several times: the worker threads, the notifier, stopping
# during playback and starting and stopping recordings must show no data race; so must the time
# stretch's worker.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-3}"
cmake -S "$root" -B "$root/build/tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSONVELA_GUI=OFF -DSONVELA_TESTS=ON \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread -O1" -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build "$root/build/tsan" -j "$(nproc)" --target sonvela_audio_tests sonvela_stretch_threads_tests
for i in $(seq 1 "$runs"); do
  SONVELA_AUDIO=null TSAN_OPTIONS="halt_on_error=1" "$root/build/tsan/bin/sonvela_audio_tests" --gtest_brief=1
  TSAN_OPTIONS="halt_on_error=1" "$root/build/tsan/bin/sonvela_stretch_threads_tests" --gtest_brief=1
done
