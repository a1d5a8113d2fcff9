#!/usr/bin/env bash
# Starts the desktop program under Xvfb and saves screenshots of both modes into docs/:
#   docs/check-mode-before.png       a list opened, not checked yet
#   docs/check-mode-after.png        the same list after the check (Good, Bad and Missing rows)
#   docs/creation-mode-browser.png   creation mode: the folder tree, the file list with the pictures selected
#   docs/creation-mode-running.png   a new list of them being written, with the progress panel
# The program itself saves the window when QUORVANE_SCREENSHOT_DIR is set (see src/app/GuiMain.cpp).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
quorvane_need "${QUORVANE_BUILD_PACKAGES[@]}" xvfb xauth cksfv

build=build/screenshots
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_TESTS=OFF -DQUORVANE_BENCH=OFF >/dev/null
cmake --build "$build" --target quorvane

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
album="$work/Holiday Photos"
mkdir -p "$album" "$work/cfg/quorvane"
for i in 01 02 03 04 05 06; do
    head -c $((300000 + 10#$i * 123457)) /dev/zero | tr '\0' "$i" >"$album/IMG_00$i.jpg"
done
head -c 4096 /dev/zero >"$album/notes.txt"
(cd "$album" && cksfv -b IMG_00*.jpg notes.txt >"Holiday Photos.sfv")
printf 'changed' >>"$album/IMG_0004.jpg"   # now Bad
rm "$album/IMG_0006.jpg"                   # now Missing
# Show the progress panel.
printf '[Software\\Quorvane]\n"ShowProgress"=int:1\n' >"$work/cfg/quorvane/user.reg"

mkdir -p docs
XDG_CONFIG_HOME="$work/cfg" QT_QPA_PLATFORM=xcb QUORVANE_SCREENSHOT_DIR="$PWD/docs" \
    xvfb-run -a -s "-screen 0 1024x768x24" "$build/src/app/quorvane" "$album/Holiday Photos.sfv"
ls -l docs/check-mode-*.png docs/creation-mode-*.png
