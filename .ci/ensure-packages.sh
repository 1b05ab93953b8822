#!/usr/bin/env bash
# Installs the Debian packages given as arguments that are not installed yet. The package
# lists are fetched once, and only when something is missing. A package may name a foreign
# architecture (wine32:i386); that architecture is added first.
#   .ci/ensure-packages.sh cmake g++ libpng-dev wine32:i386 ...
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
# Packages of another architecture (wine32:i386) need it enabled before the lists are fetched.
for package in "${missing[@]}"; do
  case "$package" in
    *:*)
      arch="${package##*:}"
      if [ "$arch" != "$(dpkg --print-architecture)" ] &&
         ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
        $sudo dpkg --add-architecture "$arch"
      fi
      ;;
  esac
done
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
