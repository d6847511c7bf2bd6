#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Quillmere need.
# Idempotent: returns at once when everything is already there.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev libqt6sql6-sqlite qt6-webengine-dev libgl-dev
  libssl-dev libplist-dev libheif-dev libjpeg-dev zlib1g-dev
  fonts-crosextra-carlito fonts-noto-color-emoji xdg-utils
  xvfb xauth imagemagick sqlite3 libsqlite3-dev python3-vobject
  clang-14 libclang-rt-14-dev clang-format
  dpkg-dev file fakeroot lintian desktop-file-utils appstream
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=
if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
fi
echo "Installing: ${missing[*]}" >&2
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >&2
