#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Idempotent:
# when all are present it only checks and returns.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config jq clang-14 libclang-rt-14-dev clang-16
  libgtest-dev libgmock-dev libbenchmark-dev
  libicu-dev libplist-dev libsimdjson-dev libfmt-dev
  qt6-base-dev qt6-declarative-dev qt6-svg-dev
  qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-layouts
  qml6-module-qtquick-window qml6-module-qtqml-workerscript qml6-module-qttest
  qml6-module-qtquick-templates qml6-module-qt-labs-qmlmodels
  libxcb1-dev libxcb-xinput-dev
  xvfb xauth fonts-noto-cjk xdotool xterm dbus-daemon at-spi2-core
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
