#!/usr/bin/env bash
# Installs what is missing of the packages the program needs to build, plus any given as
# arguments, and configures ./build (preset "default"). Run by run.sh, test.sh and package.sh;
# each builds only what it uses.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake ninja-build qt6-base-dev qt6-serialport-dev qt6-qpa-plugins
          libgl-dev "$@")
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi

cmake --preset default >/dev/null
