#!/usr/bin/env bash
# Builds the Debian package from a Release tree of the programs alone (preset "package",
# build-package/), then shows what it holds and checks it names the Qt runtime it needs.
#   scripts/package.sh                 build and inspect build-package/orvex-config_*.deb
#   scripts/package.sh --fresh-debian  also install it into a new Debian 12 tree (debootstrap,
#                                      needs root and the network; a few minutes) and run it there
set -euo pipefail
cd "$(dirname "$0")/.."
fresh=false
case "${1:-}" in
    --fresh-debian) fresh=true ;;
    "") ;;
    *) echo "usage: scripts/package.sh [--fresh-debian]" >&2; exit 2 ;;
esac

# dpkg-shlibdeps (with file) works out the library packages the programs link.
bash scripts/setup.sh dpkg-dev file
cmake --preset package >/dev/null
cmake --build --preset package -j 2
rm -f build-package/orvex-config_*.deb
(cd build-package && cpack -G DEB >/dev/null)
deb=$(ls build-package/orvex-config_*.deb)
fail() { echo "FAIL: $*" >&2; exit 1; }

echo "== $deb"
dpkg-deb -f "$deb" Package Version Architecture Depends Recommends Section
echo "== contents"
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
grep -v '/$' <<<"$contents"
depends=$(dpkg-deb -f "$deb" Depends)
for need in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 qt6-qpa-plugins; do
    grep -q "\b$need\b" <<<"$depends" || fail "Depends lacks $need"
done
for file in usr/bin/orvex-config usr/bin/orvexctl usr/bin/orvex-sim \
            usr/share/applications/org.orvex.config.desktop \
            usr/share/metainfo/org.orvex.config.metainfo.xml \
            usr/share/icons/hicolor/scalable/apps/org.orvex.config.svg; do
    grep -qx "\./$file" <<<"$contents" || fail "the package lacks /$file"
done
if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb" || fail "lintian found errors"
else
    echo "SKIP: lintian is not installed"
fi
echo "package checked: $deb"

if $fresh; then
    [ "$(id -u)" -eq 0 ] || fail "--fresh-debian needs root (debootstrap and chroot)"
    bash scripts/ensure-packages.sh debootstrap
    root=$(mktemp -d /var/tmp/orvex-fresh-XXXXXX)
    # The simulated unit needs pseudo-terminals, so the chroot gets the host's /dev.
    unmount() { for m in dev/pts dev proc; do umount "$root/$m" 2>/dev/null || true; done; }
    trap 'unmount; rm -rf "$root"' EXIT
    echo "== a fresh Debian 12 in $root"
    debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >/dev/null
    mount -t proc proc "$root/proc"
    mount --bind /dev "$root/dev"
    mount --bind /dev/pts "$root/dev/pts"
    cp "$deb" "$root/tmp/"
    chroot "$root" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive chroot "$root" apt-get install -y -qq "/tmp/$(basename "$deb")" \
        >/dev/null
    chroot "$root" orvex-config --version
    chroot "$root" orvex-sim --version
    # The window itself, on Qt's offscreen platform, against the simulated unit for a moment.
    rc=0
    chroot "$root" env QT_QPA_PLATFORM=offscreen HOME=/root timeout 5 orvex-config --simulate \
        >"$root/tmp/run.log" 2>&1 || rc=$?
    if [ "$rc" != 124 ]; then
        cat "$root/tmp/run.log"
        fail "orvex-config --simulate ended with $rc in the fresh system"
    fi
    # And a table generated, flashed and verified by the installed orvexctl.
    chroot "$root" env HOME=/root orvexctl generate --pin 1 -o /tmp/wblin.txt
    chroot "$root" env HOME=/root orvexctl --simulate flash --pin 1 /tmp/wblin.txt
    echo "installed, started and flashed a table in a fresh Debian 12"
fi
