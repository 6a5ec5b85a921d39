#!/usr/bin/env bash
# Installs the Debian packages Varnel needs to build, test and run.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
  cmake make g++ pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
  xvfb xauth fonts-dejavu-core fonts-liberation
  poppler-utils emf2svg clang-format parallel python3-numpy
  dpkg-dev desktop-file-utils shared-mime-info
  liborcus-dev libxlsxwriter-dev libmuparser-dev
  python3-pandas python3-openpyxl python3-matplotlib
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
