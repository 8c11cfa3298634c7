#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test through CTest, runs the player's tests under
# ThreadSanitizer, then runs each fuzz target for a bounded time.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
jobs="$(nproc)"

cmake -S "$root" -B "$root/build/asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSONVELA_SANITIZE=ON -DSONVELA_GUI=ON -DSONVELA_TESTS=ON >/dev/null
cmake --build "$root/build/asan" -j "$jobs"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen
(cd "$root/build/asan" && ctest --output-on-failure -j "$jobs" --timeout 600)

"$root/scripts/tsan.sh" 3
"$root/scripts/fuzz.sh" "${SONVELA_FUZZ_SECONDS:-20}"
