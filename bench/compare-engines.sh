#!/bin/sh
# Times quorvane-cli hash against the peer tools on one cached 1 GiB file and prints the ratios
# (peer time / our time: above 1 means we are faster), best of N runs each.
#
# Usage: bench/compare-engines.sh [BUILD_DIR] [RUNS]
set -eu

BUILD_DIR=${1:-build/test}
RUNS=${2:-5}
CLI="$BUILD_DIR/src/app/quorvane-cli"
FILE=/tmp/quorvane-bench-1g.bin

if [ ! -x "$CLI" ]; then
    echo "compare-engines: $CLI not found; build the quorvane-cli target first" >&2
    exit 2
fi

# The peers, installed with apt-get when missing.
bash "$(dirname "$0")/../scripts/deps.sh" rhash cksfv python3

if [ ! -f "$FILE" ] || [ "$(stat -c %s "$FILE")" -ne 1073741824 ]; then
    echo "compare-engines: writing $FILE" >&2
    head -c 1073741824 /dev/urandom >"$FILE.tmp"
    mv "$FILE.tmp" "$FILE"
fi
cat "$FILE" >/dev/null  # into the page cache

. "$(dirname "$0")/timing.sh"

ours_crc=$(best . "$CLI" hash --crc32 "$FILE")
ours_md5=$(best . "$CLI" hash --md5 "$FILE")
rhash_crc=$(best . rhash --crc32 "$FILE")
cksfv_crc=$(best . cksfv -q "$FILE")
md5sum_t=$(best . md5sum "$FILE")

echo "quorvane-cli hash --crc32: $(rate 1073741824 "$ours_crc") GB/s; rhash --crc32 $(rate 1073741824 "$rhash_crc") GB/s; cksfv $(rate 1073741824 "$cksfv_crc") GB/s"
echo "quorvane-cli hash --md5: $(rate 1073741824 "$ours_md5") GB/s; md5sum $(rate 1073741824 "$md5sum_t") GB/s"
echo "crc32 vs rhash --crc32: $(ratio "$rhash_crc" "$ours_crc")x (target >= 4)"
echo "crc32 vs cksfv: $(ratio "$cksfv_crc" "$ours_crc")x (target >= 12)"
echo "md5 vs md5sum: $(ratio "$md5sum_t" "$ours_md5")x (target >= 1)"
