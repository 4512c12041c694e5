#!/usr/bin/env bash
# Installs the Debian packages Tessaline needs to build, run and test.
# Packages already present are left alone; installing needs root (or sudo).
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libvips-dev libturbojpeg0-dev libgif-dev libcli11-dev
  libgtest-dev libgmock-dev
  fonts-liberation fonts-dejavu-core
  xvfb xauth
  dpkg-dev desktop-file-utils man-db
)
if [ "${1:-}" = "--bench" ]; then
  packages+=(libjpeg-turbo-progs imagemagick graphicsmagick libvips-tools
             hyperfine time libimage-exiftool-perl
             mate-backgrounds plasma-workspace-wallpapers
             lomiri-wallpapers-16.04 lomiri-wallpapers-20.04)
  # A Node.js from elsewhere ships its own npm and conflicts with Debian's.
  command -v npm >/dev/null || packages+=(nodejs npm)
fi

if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null; then
  echo "Root is needed to install packages; asking sudo."
  sudo=(sudo)
else
  echo "Root is needed to install: ${missing[*]}" >&2
  exit 1
fi
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
