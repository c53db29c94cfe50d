#!/usr/bin/env bash
# Installs the Debian packages Pointra needs to build, test and run. Safe to run again.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-serialport-dev qt6-multimedia-dev
  libeigen3-dev libgl-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
