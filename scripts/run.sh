#!/usr/bin/env bash
# Set-up, build, and start the main window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
dir=$("$root/scripts/build.sh" | tail -n 1)
exec "$dir/app/lirabel-monitor"
