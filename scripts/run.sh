#!/usr/bin/env bash
# Installs what is missing, builds, and starts Pointra. Without a display it runs headless and reports.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
# First run from the build tree: start with a FASTRAK so the whole chain shows (the built-in
# emulator answers until a device is aimed at Comm port 1). Setup changes rewrite this file.
home="${POINTRA_HOME:-$root/build/bin}"
if [ ! -e "$home/pointra.ini" ]; then
  mkdir -p "$home"
  printf 'Digitizer Type=FASTRAK\r\nCoordinate System=TEVO\r\nDecimal Point=Period\r\nHemisphere=0,0,1\r\nnCommPort= 1\r\nSound=OFF\r\n' > "$home/pointra.ini"
  echo "Wrote first settings to $home/pointra.ini (FASTRAK on Comm port 1)."
fi
exec "$root/build/bin/pointra" "$@"
