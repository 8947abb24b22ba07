#!/usr/bin/env bash
# Installs every Debian package the build, the program, the tests and the scripts need.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config python3 git
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libjpeg62-turbo-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    zlib1g-dev libzstd-dev zstd
    libavcodec-dev libavformat-dev libavutil-dev libswscale-dev ffmpeg
    xvfb xauth x11-utils xdotool imagemagick openbox
    python3-ase desktop-file-utils appstream shared-mime-info dpkg-dev file libglib2.0-bin man-db
    librsvg2-bin
    ccache
    clang-format clang libclang-rt-14-dev
    locales
    time
)

sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $sudo_cmd apt-get update
    $sudo_cmd apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The tests check that numbers keep their "." under a locale whose decimal point is ",".
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    $sudo_cmd sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $sudo_cmd tee -a /etc/locale.gen >/dev/null
    $sudo_cmd locale-gen >/dev/null
fi
