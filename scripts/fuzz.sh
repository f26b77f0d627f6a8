#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time on
# its committed seed corpus. New inputs go to a scratch folder, so the seeds in
# the repository stay as they are. Usage: scripts/fuzz.sh [seconds per target]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
"$root/scripts/setup.sh" --fuzz
dir="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLIRABEL_BUILD_FUZZ=ON \
  -DLIRABEL_BUILD_TESTS=OFF -DLIRABEL_BUILD_BENCH=OFF >/dev/null
targets=$(sed -n 's/^lirabel_fuzz_target(\([a-z_]*\).*/\1/p' "$root/tests/fuzz/CMakeLists.txt")
cmake --build "$dir" -j "$(nproc)" --target $targets >&2
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
passed=0
failed=0
for t in $targets; do
  mkdir -p "$scratch/$t"
  if "$dir/tests/fuzz/$t" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=0 \
      -artifact_prefix="$scratch/$t-" \
      "$scratch/$t" "$root/tests/fuzz/corpus/$t" > "$scratch/$t.log" 2>&1; then
    echo "fuzz $t: ok ($(grep -c . "$scratch/$t.log" || true) log lines)"
    passed=$((passed + 1))
  else
    echo "fuzz $t: FAILED"; tail -n 40 "$scratch/$t.log"
    for a in "$scratch/$t"-*; do [ -e "$a" ] && { echo "input:"; od -c "$a" | head -20; }; done
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
