#!/usr/bin/env bash
# Installs the Debian packages VeFinder needs to build, test and run, if any is
# missing. Idempotent; silent when everything is present.
set -euo pipefail

packages=(g++ make cmake pkg-config qtbase5-dev libclucene-dev libfriso-dev friso-dict
          libkf5archive-dev libxlsxwriter-dev pybind11-dev python3-dev)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "error: need root (or sudo) to install: ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "Installed: ${missing[*]}"
