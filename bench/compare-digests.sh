#!/bin/sh
# Times our digest routines (the DigestFile bench program: FileDigestText with 64 KiB reads) against the
# peer tools on one cached 1 GiB file in /dev/shm and prints the ratios (peer time / our time: above 1 means
# we are faster), best of N runs each. b3sum runs single-threaded, with its SIMD kernels.
#
# Usage: bench/compare-digests.sh [BUILD_DIR] [RUNS]   (BUILD_DIR configured with -DQUORVANE_BENCH=ON)
set -eu

BUILD_DIR=${1:-build/test}
RUNS=${2:-5}
OURS="$BUILD_DIR/bench/DigestFile"
FILE=/dev/shm/quorvane-bench-digests-1g.bin

if [ ! -x "$OURS" ]; then
    echo "compare-digests: $OURS not found; build the DigestFile target first" >&2
    exit 2
fi

# The peers, installed with apt-get when missing (sha*sum are in coreutils).
bash "$(dirname "$0")/../scripts/deps.sh" coreutils b3sum python3

if [ ! -f "$FILE" ] || [ "$(stat -c %s "$FILE")" -ne 1073741824 ]; then
    echo "compare-digests: writing $FILE" >&2
    head -c 1073741824 /dev/urandom >"$FILE.tmp"
    mv "$FILE.tmp" "$FILE"
fi

. "$(dirname "$0")/timing.sh"

# The same digest from both sides first, then the timings.
compare() { # KIND TARGET PEER...
    kind=$1
    target=$2
    shift 2
    a=$("$OURS" "$kind" "$FILE" | cut -d' ' -f1)
    b=$("$@" "$FILE" | cut -d' ' -f1)
    if [ "$a" != "$b" ]; then
        echo "compare-digests: $kind differs from $*: $a / $b" >&2
        exit 1
    fi
    ours=$(best . "$OURS" "$kind" "$FILE")
    peer=$(best . "$@" "$FILE")
    echo "$kind: DigestFile $(rate 1073741824 "$ours") GB/s; $* $(rate 1073741824 "$peer") GB/s; ratio $(ratio "$peer" "$ours")x (target >= $target)"
}

compare sha1 1.0 sha1sum
compare sha256 1.0 sha256sum
compare sha512 1.0 sha512sum
compare blake3 0.8 b3sum --num-threads 1
