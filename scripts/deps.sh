#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need (as root, or through
# sudo); PostgreSQL and Qt's driver for it serve the tests of server databases.
set -euo pipefail
PACKAGES=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql libgl-dev
  libsqlite3-dev sqlite3
  libraptor2-dev mdbtools-dev mdbtools libyaml-dev
  python3 python3-jsonschema python3-yaml
  postgresql postgresql-contrib util-linux
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
