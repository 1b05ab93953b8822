#!/usr/bin/env bash
# Installs the Debian packages given as arguments that are not installed yet. The package
# lists are fetched once, and only when something is missing.
#   .ci/ensure-packages.sh cmake g++ libpng-dev ...
set -euo pipefail
missing=()
for package in "$@"; do
  # dpkg -s alone also succeeds for a removed package whose configuration files remain.
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
