#!/usr/bin/env bash
# Configures and builds into ./build (Release with assertions kept off).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
launcher=()
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build "$root/build" -j"$(nproc)"
