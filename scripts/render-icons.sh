#!/usr/bin/env bash
# Renders the icon's PNG sizes from data/icons/org.orvex.config.svg. The PNGs are committed, so
# only a change to the drawing needs this.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v rsvg-convert >/dev/null; then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq librsvg2-bin >/dev/null
fi
for size in 48 256; do
    rsvg-convert -w "$size" -h "$size" data/icons/org.orvex.config.svg \
        -o "data/icons/$size/org.orvex.config.png"
done
