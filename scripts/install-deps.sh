#!/usr/bin/env bash
# Installs every Debian 12 package the project needs to build, run and test. Idempotent: when
# everything is present it does nothing, so repeated runs cost a second.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev fonts-dejavu-core
  libgtest-dev libgmock-dev
  libasound2-dev alsa-utils
  libgsm1-dev libmpg123-dev
  cdrskin
  libudev-dev libdiscid-dev
  libgnutls28-dev libcurl4-gnutls-dev libsecret-1-dev xdg-utils openssl python3-aiosmtpd python3-pyftpdlib
  clang libclang-rt-14-dev
  sox ffmpeg lame flac mpg123 python3-numpy vorbis-tools faad libopencore-amrnb0
  xvfb xauth xclip
  espeak-ng
  libfftw3-single3 libfftw3-double3 linux-perf
  libxml2-utils xorriso
  desktop-file-utils shared-mime-info libglib2.0-bin
  liblilv-dev lv2-dev lilv-utils swh-lv2 lsp-plugins-lv2 lsp-plugins-vst
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

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
