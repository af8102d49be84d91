#!/usr/bin/env bash
# Renders the icon's PNG sizes from data/icons/org.orvex.config.svg. The PNGs are committed, so
# only a change to the drawing needs this.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/ensure-packages.sh librsvg2-bin
for size in 48 256; do
    rsvg-convert -w "$size" -h "$size" data/icons/org.orvex.config.svg \
        -o "data/icons/$size/org.orvex.config.png"
done
