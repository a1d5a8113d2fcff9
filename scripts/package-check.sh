#!/usr/bin/env bash
# Makes the Debian package of a build folder with cpack and checks it without installing it: the package is
# unpacked into a throwaway folder, where the desktop entry, the metainfo, the MIME types and the manual pages
# are validated and the programs run once; then lintian looks at the package (errors fail, warnings are shown).
# Usage: scripts/package-check.sh BUILD_DIR   (a built folder configured with -DCMAKE_INSTALL_PREFIX=/usr)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: scripts/package-check.sh BUILD_DIR}

fail() {
    printf 'package-check: %s\n' "$*" >&2
    exit 1
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb="$build/quorvane_${version}_$(dpkg --print-architecture).deb"
rm -f "$build"/quorvane_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { tail -n 30 "$build/cpack.log"; fail "cpack failed"; }
[ -f "$deb" ] || fail "cpack made no $deb"
echo "made $deb ($(du -k "$deb" | cut -f1) KiB)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"
dpkg-deb -x "$deb" "$root"
share="$root/usr/share"
# The package holds /usr only.
[ "$(ls "$root")" = usr ] || fail "the package holds more than /usr: $(ls "$root")"

# Desktop entry, metainfo, MIME types.
desktop-file-validate "$share/applications/quorvane.desktop"
appstreamcli validate --no-net "$share"/metainfo/*.metainfo.xml >"$work/appstream.log" ||
    { cat "$work/appstream.log"; fail "the metainfo is not valid"; }
xmllint --noout "$share"/mime/packages/*.xml
mkdir -p "$work/mime/packages"
cp "$share"/mime/packages/*.xml "$work/mime/packages/"
XDG_DATA_DIRS="$work" update-mime-database "$work/mime" 2>"$work/mime.log" && [ ! -s "$work/mime.log" ] ||
    { cat "$work/mime.log"; fail "update-mime-database does not take the MIME types"; }
for glob in text/x-sfv:\*.sfv text/x-md5:\*.md5; do
    grep -qxF "50:$glob" "$work/mime/globs2" || fail "the MIME types do not give $glob"
done

# Manual pages: each renders without a warning.
for page in "$share"/man/man1/*.1.gz; do
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || { echo "$warnings"; fail "$(basename "$page") renders with warnings"; }
done
for page in quorvane quorvane-cli quorvane-cli-desktop; do
    [ -e "$share/man/man1/$page.1.gz" ] || fail "no manual page $page(1)"
done

# The programs, once each, from the throwaway folder (Qt comes from the system).
bin="$root/usr/bin"
"$bin/quorvane-cli" --version | grep -qx "quorvane-cli (Quorvane $version)" || fail "quorvane-cli --version"
mkdir -p "$work/files/Album"
printf 'hello\n' >"$work/files/a.txt"
printf 'world\n' >"$work/files/b.txt"
printf '; a small list\na.txt 363A3020\nb.txt DD3861A8\n' >"$work/files/small.sfv"
"$bin/quorvane-cli" check "$work/files/small.sfv" >"$work/check.out" || { cat "$work/check.out"; fail "check"; }
grep -q '^2 Good, 0 Bad, 0 Missing' "$work/check.out" || { cat "$work/check.out"; fail "check: not 2 Good"; }
# The desktop program writes a list the way a file manager's "Create SFV" starts it, and exits.
cp "$work/files/a.txt" "$work/files/Album/"
QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" \
    timeout 60 "$bin/quorvane" -makesfv "$work/files/Album" 2>"$work/gui.log" || { cat "$work/gui.log"; fail "quorvane -makesfv"; }
grep -q '^a.txt 363A3020' "$work/files/Album/Album.sfv" || fail "quorvane -makesfv wrote no Album.sfv"
# quorvane-cli desktop runs in the companion beside it, and associating uses the installed desktop entry
# (no copy of it among the user's files).
(
    export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_DATA_DIRS="$share:/usr/share"
    export PATH="$bin:$PATH"
    "$bin/quorvane-cli" desktop associate sfv md5
    "$bin/quorvane-cli" desktop status | grep -qx 'sfv: associated' || fail "desktop associate sfv"
    [ ! -e "$work/data/applications/quorvane.desktop" ] || fail "desktop associate wrote a copy of the entry"
    "$bin/quorvane-cli" desktop dissociate sfv md5
)

# lintian: errors fail; the warnings that remain are listed.
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log"; fail "lintian found errors"; }
grep -v 'running with root privileges' "$work/lintian.log" || true
echo "package checked"
