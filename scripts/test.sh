#!/usr/bin/env bash
# Set-up, build, and run the whole test suite headless.
# --sanitize runs it in a build with AddressSanitizer and UBSan.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
dir=$("$root/scripts/build.sh" "$@" | tail -n 1)
export QT_QPA_PLATFORM=offscreen
# Qt's plugins and fonts keep allocations alive until exit by design.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$dir"
ctest --output-on-failure -j "$(nproc)"
