#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need.
# Does nothing when they are all present; otherwise needs root (or sudo).
set -euo pipefail
packages=(g++ cmake make ninja-build pkg-config googletest libgtest-dev libgmock-dev libsqlite3-dev
          qt6-base-dev qt6-charts-dev libqt6opengl6-dev qt6-translations-l10n libqt6svg6 libxlsxwriter-dev libcli11-dev libsodium-dev
          fonts-noto-cjk fonts-wqy-microhei xvfb poppler-utils unzip shared-mime-info desktop-file-utils
          libglib2.0-bin libpq-dev postgresql postgresql-common postgresql-contrib libzip-dev libpugixml-dev doxygen)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing missing packages: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
