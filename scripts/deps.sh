#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, when missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libwayland-dev libwayland-bin
  libgtest-dev libgmock-dev dpkg-dev lintian desktop-file-utils appstream man-db
  clang libclang-rt-14-dev libbenchmark-dev time
  xvfb xauth openbox trayer xdotool xclip x11-utils x11-xserver-utils imagemagick fonts-noto-cjk
  dbus-daemon dbus-bin xfce4-panel at-spi2-core python3-pyatspi
  sway waybar xwayland wl-clipboard grim wtype plasma-wayland-protocols
  gnome-shell gnome-shell-extension-appindicator
  plasma-workspace plasma-desktop kwin-x11 kwin-wayland qtwayland5


  mingw-w64 g++-mingw-w64-x86-64-posix wine wine64 nsis
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
