#!/usr/bin/env bash
# Makes the Debian package in a build folder (default: build) and checks what a user installs:
# the three programs, their manual pages, the copyright and changelog, the desktop entry with
# its Demo action, the .vlg type known to shared-mime-info, the version every program tells,
# and lintian's verdict when lintian is installed.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}

cmake --build "$BUILD" --target glimmark glimmark-cli glimmark-vexa-sim package_files
(cd "$BUILD" && cpack -G DEB > /dev/null)
VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")
DEB="$BUILD/glimmark_${VERSION}_$(dpkg --print-architecture).deb"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
dpkg-deb -x "$DEB" "$WORK/root"

fail() { echo "package-check: $*" >&2; exit 1; }
[ "$(dpkg-deb -f "$DEB" Version)" = "$VERSION" ] || fail "package version is not $VERSION"
dpkg-deb -f "$DEB" Maintainer | grep -qv localhost || fail "no maintainer"
for file in usr/share/doc/glimmark/copyright usr/share/doc/glimmark/changelog.gz \
    usr/share/applications/glimmark.desktop usr/share/mime/packages/glimmark.xml; do
    [ -s "$WORK/root/$file" ] || fail "$file is missing"
done
zcat "$WORK/root/usr/share/doc/glimmark/changelog.gz" | head -1 | grep -qF "glimmark ($VERSION)" \
    || fail "the changelog is not of version $VERSION"
for program in glimmark glimmark-cli glimmark-vexa-sim; do
    [ -x "$WORK/root/usr/bin/$program" ] || fail "$program is missing"
    # The packaged program itself, with no display: options are read before any window.
    told=$(QT_QPA_PLATFORM=offscreen "$WORK/root/usr/bin/$program" --version)
    [ "$told" = "$program $VERSION" ] || fail "$program --version says '$told'"
    if command -v help2man > /dev/null; then
        zcat "$WORK/root/usr/share/man/man1/$program.1.gz" | grep -q '^\.SH' \
            || fail "no manual page for $program"
    fi
done
grep -qx 'Exec=glimmark --simulate' "$WORK/root/usr/share/applications/glimmark.desktop" \
    || fail "the desktop entry has no Demo action"
if command -v desktop-file-validate > /dev/null; then
    desktop-file-validate "$WORK/root/usr/share/applications/glimmark.desktop"
fi
# The file type's parent must be one the system's shared-mime-info defines.
mkdir -p "$WORK/mime/packages"
cp /usr/share/mime/packages/freedesktop.org.xml "$WORK/root/usr/share/mime/packages/glimmark.xml" \
    "$WORK/mime/packages/"
update-mime-database "$WORK/mime" 2>&1 | grep -i unknown && fail "unknown MIME parent"
grep -qx 'application/x-glimmark-project application/xml' "$WORK/mime/subclasses" \
    || fail "the .vlg type is no XML sub-class"
if command -v lintian > /dev/null; then
    lintian --fail-on error "$DEB"
fi
echo "package-check: $DEB is complete"
