#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
cd "$root/build"
# Most tests wait on pseudo-terminals and timers rather than compute: two a core keep both busy.
ctest --output-on-failure -j"$(( $(nproc) * 2 ))" --timeout 300
