#!/usr/bin/env bash
# Installs the Debian packages needed to build, test and run KOVA.
# Works as root or as a user with sudo; packages already present are skipped.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core
  xvfb xauth
  libreoffice-writer-nogui poppler-utils
  desktop-file-utils libxml2-utils shared-mime-info groff-base dpkg-dev
)
if [ "${KOVA_SETUP_EXTRAS:-0}" = 1 ]; then
  packages+=(xdotool imagemagick clang)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
else
  SUDO=(sudo)
fi
echo "Installing: ${missing[*]}" >&2
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q </dev/null
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
