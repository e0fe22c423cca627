#!/usr/bin/env bash
# Makes the Debian package from a build tree, unpacks it into a temporary root and checks it from
# there: the programs answer --version, the virtual meter runs, the manual pages show with man,
# the desktop entry and the AppStream metadata pass their validators, the dependencies came from
# the programs' libraries, and every file the program ships sits in share/kst, where the
# installed program looks for it.
# Usage: check-package.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/kst_*.deb)
root=$work/root
dpkg-deb -x "$deb" "$root"

fail() { echo "FAIL: $*"; exit 1; }
[ "$("$root/usr/bin/kst-log" --version)" = "kst-log $version" ] || fail "kst-log --version"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/kst" --version)" = "KST $version" ] ||
    fail "kst --version"
# The virtual meter comes along, and the manual pages read as man shows them.
timeout 10 "$root/usr/bin/kst-meter-sim" --count 1 --path-file "$work/meter" >/dev/null ||
    fail "kst-meter-sim"
for page in kst kst-log kst-meter-sim; do
    shown=$(MANPATH="$root/usr/share/man" MANWIDTH=80 man "$page" 2>&1) || fail "man $page: $shown"
    [[ $shown == *"${page^^}(1)"*"NAME"*"$page - "* ]] || fail "man $page shows: $shown"
done
MANPATH="$root/usr/share/man" man kst-log | grep -q -- "--csv-form" ||
    fail "man kst-log lacks --csv-form"
[ -s "$root/usr/share/doc/kst/examples/kst-log.service" ] || fail "the service example is missing"
for file in ding.wav KST.bmp KST.hlp kst-48.png kst-128.png; do
    [ -s "$root/usr/share/kst/$file" ] || fail "share/kst/$file missing"
done
for icon in scalable/apps/org.kstlogger.KST.svg 48x48/apps/org.kstlogger.KST.png \
            128x128/apps/org.kstlogger.KST.png; do
    [ -s "$root/usr/share/icons/hicolor/$icon" ] || fail "icon $icon missing"
done
grep -q 'glob pattern="\*.mas"' "$root/usr/share/mime/packages/org.kstlogger.KST.xml" ||
    fail "no file type for .mas"
desktop-file-validate "$root/usr/share/applications/org.kstlogger.KST.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.kstlogger.KST.metainfo.xml"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6core6 libqt6serialport6 libqt6widgets6; do
    [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
echo "package $(basename "$deb") checked"
