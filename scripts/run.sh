#!/usr/bin/env bash
# Installs what is missing, builds, and starts Pointra. Without a display it runs headless and reports.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
exec "$root/build/bin/pointra" "$@"
