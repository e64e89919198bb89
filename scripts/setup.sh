#!/usr/bin/env bash
# Installs what the project needs to build, test and run on Debian 12.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config clang clang-format git
  qt6-base-dev qt6-svg-dev qt6-multimedia-dev qt6-webengine-dev libgl1-mesa-dev
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev
  libcurl4-openssl-dev libturbojpeg0-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-dejavu-core iproute2 openbox libxcb1-dev
  ffmpeg openssl tftpd-hpa
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi

# A locale with a decimal comma, so the tests can show that number parsing
# ignores the user's locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd localedef -i de_DE -c -f UTF-8 de_DE.UTF-8 || echo "note: could not generate de_DE.UTF-8"
fi
