#!/usr/bin/env bash
# Installs every Debian 12 package the build, the tests and the tools need. Safe to run again:
# apt is asked only when a package is missing.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config clang
  googletest libgtest-dev libgmock-dev
  libsdl2-dev libsdl2-mixer-dev libgtk-3-dev
  libjpeg62-turbo-dev zlib1g-dev libpng-dev libvorbis-dev libogg-dev
  libgl-dev libgl1-mesa-dev libgl1-mesa-dri libglx-mesa0
  xvfb xauth x11-utils xdotool libxtst-dev imagemagick
  unar assimp-utils
  xscreensaver
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
