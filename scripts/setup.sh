#!/usr/bin/env bash
# Installs the Debian packages that the build and the tests need, and only
# those that are missing. Extra groups: --screenshots, --bench, --fuzz.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config python3 openssl ca-certificates
  qt6-base-dev libcurl4-openssl-dev libpcre2-dev libicu-dev
  libgtest-dev libgmock-dev libbenchmark-dev fonts-noto-cjk)
for group in "$@"; do
  case "$group" in
    --screenshots) packages+=(xvfb xauth imagemagick x11-utils xdotool) ;;
    --bench) packages+=(nginx-light curl valgrind) ;;
    --fuzz) packages+=(clang libclang-rt-14-dev) ;;
    *) echo "setup.sh: unknown group $group" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq \
  --no-install-recommends "${missing[@]}"
