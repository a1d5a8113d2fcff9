#!/usr/bin/env bash
# Builds Quorvane (installing what it needs) and starts the desktop program.
# Arguments are passed to the program (a list file to check, or -makesfv / -makemd5 with folders).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
quorvane_need "${QUORVANE_BUILD_PACKAGES[@]}"

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVANE_TESTS=OFF -DQUORVANE_BENCH=OFF >/dev/null
cmake --build build/release --target quorvane quorvane-cli

if [ -x build/release/src/app/quorvane ]; then
    exec build/release/src/app/quorvane "$@"
fi
exec build/release/src/app/quorvane-cli --help
