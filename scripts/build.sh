#!/usr/bin/env bash
# Configures and builds into build/ (or build-asan/ with --sanitize).
# Prints the build folder on its last line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir="$root/build"
args=()
for a in "$@"; do
  case "$a" in
    --sanitize) dir="$root/build-asan"; args+=(-DLIRABEL_SANITIZE=ON -DLIRABEL_BUILD_BENCH=OFF) ;;
    --release) dir="$root/build-release"; args+=(-DCMAKE_BUILD_TYPE=Release) ;;
    *) echo "build.sh: unknown option $a" >&2; exit 2 ;;
  esac
done
cmake -S "$root" -B "$dir" -G Ninja "${args[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)" >&2
echo "$dir"
