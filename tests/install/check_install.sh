#!/usr/bin/env bash
# Installs the build tree into a scratch prefix and checks what a user's system would get: the
# programs answer --help/--version with no display at all, the desktop files are valid.
set -euo pipefail
build=$1 version=$2 id=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
desktop=share/applications/$id.desktop
metainfo=share/metainfo/$id.metainfo.xml
for f in bin/orvex-config bin/orvexctl bin/orvex-sim "$desktop" "$metainfo" \
         "share/icons/hicolor/scalable/apps/$id.svg"; do
    [ -s "$prefix/$f" ] || fail "$f was not installed"
done
for size in 48 256; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
    [ -s "$png" ] || fail "the ${size} px icon was not installed"
    # Width and height are the big-endian words at bytes 16 and 20 of a PNG.
    read -r w h < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
    [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "the ${size} px icon is ${w}x${h}"
done
for program in orvex-config orvexctl orvex-sim; do
    if readelf -d "$prefix/bin/$program" | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
        fail "$program still looks for libraries in the build tree"
    fi
done

# No display, no Qt platform: what a shell over ssh or a package check has.
bare() { env -i PATH=/usr/bin:/bin HOME="$prefix" LC_ALL=C.UTF-8 "$@"; }
out=$(bare "$prefix/bin/orvex-config" --version) || fail "orvex-config --version failed"
[ "$out" = "orvex-config $version" ] || fail "orvex-config --version said '$out'"
out=$(bare "$prefix/bin/orvex-config" --help) || fail "orvex-config --help failed"
grep -q -- '--simulate' <<<"$out" && grep -q -- '--port-map' <<<"$out" ||
    fail "orvex-config --help does not list its options"
out=$(bare "$prefix/bin/orvex-config" -platform offscreen -style fusion --version) ||
    fail "Qt's own options were refused"
rc=0; err=$(bare "$prefix/bin/orvex-config" --no-such-option 2>&1 >/dev/null) || rc=$?
[ "$rc" = 2 ] && grep -q 'no-such-option' <<<"$err" ||
    fail "an unknown option gave exit $rc and '$err'"
rc=0; bare "$prefix/bin/orvex-config" --port-map COM12=/dev/null 2>/dev/null || rc=$?
[ "$rc" = 2 ] || fail "a bad --port-map gave exit $rc"
rc=0; bare "$prefix/bin/orvex-config" stray 2>/dev/null || rc=$?
[ "$rc" = 2 ] || fail "a stray argument gave exit $rc"
rc=0; err=$(bare "$prefix/bin/orvex-config" 2>&1) || rc=$?
[ "$rc" = 1 ] && grep -q 'no graphical display' <<<"$err" ||
    fail "with no display orvex-config gave exit $rc and '$err'"
# A display that is set but does not answer (a closed ssh X forward): one line, no core dump.
rc=0; err=$(bare env DISPLAY=:987 "$prefix/bin/orvex-config" 2>&1) || rc=$?
[ "$rc" = 1 ] && grep -q 'display cannot be reached (DISPLAY=:987)' <<<"$err" &&
    ! grep -q 'platform plugin' <<<"$err" ||
    fail "with an unreachable display orvex-config gave exit $rc and '$err'"
bare "$prefix/bin/orvex-sim" --help | grep -q -- '--reply-style' || fail "orvex-sim --help"
[ "$(bare "$prefix/bin/orvexctl" --version)" = "orvexctl $version" ] || fail "orvexctl --version"

# The guide with the pictures it names, and the copyright file, where Debian keeps them.
doc=$prefix/share/doc/orvex-config
[ -s "$doc/copyright" ] && [ -s "$doc/changelog.gz" ] ||
    fail "no copyright file or changelog in share/doc/orvex-config"
grep -q '^# Orvex Configuration Utility: user guide' "$doc/user-guide.md" || fail "no user guide"
for image in $(grep -o '](images/[^)]*)' "$doc/user-guide.md" | sed 's/^](//; s/)$//'); do
    [ -s "$doc/$image" ] || fail "the guide shows $image, which was not installed"
done
if command -v help2man >/dev/null; then
    for page in orvex-config:port-map orvexctl:simulate orvex-sim:reply-style; do
        program=${page%%:*} option=${page#*:}
        page=$prefix/share/man/man1/$program.1.gz
        [ -s "$page" ] || fail "no manual page for $program"
        zcat "$page" | grep -qF -- "\-\-${option//-/\\-}" ||
            fail "the manual page of $program lacks --$option"
        if zcat "$page" | grep -q '/root/\|/home/'; then fail "$program's page names a home"; fi
    done
else
    echo "SKIP: help2man is not installed: no manual pages to check"
fi

# The menu entry starts what was installed, with the icon that was installed.
grep -qx "Exec=orvex-config" "$prefix/$desktop" || fail "the desktop entry runs something else"
grep -qx "Icon=$id" "$prefix/$desktop" || fail "the desktop entry names another icon"
grep -qx "GenericName=Wideband controller configuration" "$prefix/$desktop" ||
    fail "the desktop entry has no generic name"
grep -q "<release version=\"$version\"" "$prefix/$metainfo" ||
    fail "the AppStream data names another version"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix/$desktop" || fail "desktop-file-validate"
else
    echo "SKIP: desktop-file-validate is not installed (package desktop-file-utils)"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net --pedantic "$prefix/$metainfo" || fail "appstreamcli validate"
else
    echo "SKIP: appstreamcli is not installed (package appstream)"
fi
echo "installed and checked: $(cd "$prefix" && find . -type f | sort | tr '\n' ' ')"
