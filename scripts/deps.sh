#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages that Quorvane needs and that are not there yet.
# Usage: scripts/deps.sh PACKAGE...   (sourced helpers: quorvane_need PACKAGE...)
set -euo pipefail

quorvane_need() {
    local missing=()
    local p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}" >&2
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# What building and starting the programs needs, and making the Debian package: scdoc makes the manual
# pages, rsvg-convert the PNG icons; cpack's DEB generator uses dpkg-shlibdeps and file.
QUORVANE_BUILD_PACKAGES=(build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libssl-dev qt6-svg-dev libqt6svg6 libgl-dev
    libglx-mesa0 qt6-qpa-plugins fonts-dejavu-core
    scdoc librsvg2-bin dpkg-dev file)
# What the test suite adds: GoogleTest, the peers that lists are checked against, the fuzzer's compiler, the
# desktop's own tools that the associations and folder actions are checked with, and the checkers of the
# package (lintian, the AppStream validator, xmllint, man).
QUORVANE_TEST_PACKAGES=(googletest libgtest-dev libgmock-dev libbenchmark-dev
    rhash cksfv coreutils b3sum gnupg clang libclang-rt-14-dev zlib1g-dev libssl-dev locales
    xdg-utils desktop-file-utils shared-mime-info libglib2.0-bin
    lintian appstream libxml2-utils man-db)

# The locale the tests of locale-driven texts run under (separators "." and ",", German month names).
quorvane_need_test_locale() {
    locale -a 2>/dev/null | grep -qix 'de_DE.utf8' && return 0
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    quorvane_need "$@"
fi
