#!/bin/sh
# Times quorvane-cli check and create against the peer tools on cached data and prints the ratios
# (peer time / our time: above 1 means we are faster), best of N runs each, all in the same run:
#   - an SFV list over one 1 GiB file: check vs cksfv -f and rhash -c
#   - an SFV list over 2,000 files of 64 KiB: check vs rhash -c
#   - an MD5 list over the same data: check vs md5sum -c and rhash -c
#   - create of either kind against check on the same data
#   - peak memory of check over a 64 MiB and over the 1 GiB file
#
# Usage: bench/compare-runs.sh [BUILD_DIR] [RUNS]
set -eu

BUILD_DIR=${1:-build/test}
RUNS=${2:-5}
CLI="$(cd "$(dirname "$BUILD_DIR/src/app/quorvane-cli")" && pwd)/quorvane-cli"
ROOT=/tmp/quorvane-bench-runs

if [ ! -x "$CLI" ]; then
    echo "compare-runs: $CLI not found; build the quorvane-cli target first" >&2
    exit 2
fi

# The peers, installed with apt-get when missing.
bash "$(dirname "$0")/../scripts/deps.sh" rhash cksfv python3

# The data: one 1 GiB file, one 64 MiB file, 2,000 files of 64 KiB, each in its own folder.
mkdir -p "$ROOT/big" "$ROOT/mid" "$ROOT/small"
if [ ! -f "$ROOT/big/big.bin" ] || [ "$(stat -c %s "$ROOT/big/big.bin")" -ne 1073741824 ]; then
    echo "compare-runs: writing $ROOT/big/big.bin" >&2
    head -c 1073741824 /dev/urandom >"$ROOT/big/big.tmp"
    mv "$ROOT/big/big.tmp" "$ROOT/big/big.bin"
fi
[ -f "$ROOT/mid/mid.bin" ] || head -c 67108864 /dev/urandom >"$ROOT/mid/mid.bin"
if [ "$(find "$ROOT/small" -name '*.bin' | wc -l)" -ne 2000 ]; then
    echo "compare-runs: writing 2,000 files of 64 KiB" >&2
    python3 - "$ROOT/small" <<'EOF'
import os, sys
d = sys.argv[1]
for i in range(2000):
    with open(os.path.join(d, "f%04d.bin" % i), "wb") as f:
        f.write(os.urandom(65536))
EOF
fi

# The lists, written by the peers so that every program reads a list it knows.
for d in big mid small; do
    (cd "$ROOT/$d" && rm -f ./*.sfv ./*.md5 && rhash --sfv ./*.bin | sed 's|\./||' >list.sfv &&
        md5sum ./*.bin | sed 's|\./||' >list.md5)
done
cat "$ROOT"/big/big.bin "$ROOT"/mid/mid.bin "$ROOT"/small/*.bin >/dev/null  # into the page cache

. "$(dirname "$0")/timing.sh"

B="$ROOT/big"
S="$ROOT/small"
GiB=1073741824
SMALL=$((2000 * 65536))

ours_sfv=$(best "$B" "$CLI" check "$B/list.sfv")
cksfv_sfv=$(best "$B" cksfv -q -f "$B/list.sfv")
rhash_sfv=$(best "$B" rhash -c "$B/list.sfv")
ours_md5=$(best "$B" "$CLI" check "$B/list.md5")
md5sum_md5=$(best "$B" md5sum -c "$B/list.md5")
rhash_md5=$(best "$B" rhash -c "$B/list.md5")
ours_small=$(best "$S" "$CLI" check "$S/list.sfv")
rhash_small=$(best "$S" rhash -c "$S/list.sfv")
ours_small_md5=$(best "$S" "$CLI" check "$S/list.md5")
md5sum_small=$(best "$S" md5sum -c "$S/list.md5")
create_sfv=$(best "$B" "$CLI" create --sfv --force -o "$ROOT/created.sfv" "$B/big.bin")
create_md5=$(best "$B" "$CLI" create --md5 --force -o "$ROOT/created.md5" "$B/big.bin")
create_small=$(best "$S" "$CLI" create --sfv --force -o "$ROOT/created-small.sfv" "$S")

echo "check SFV, one 1 GiB file: $(rate $GiB "$ours_sfv") GB/s; cksfv -f $(rate $GiB "$cksfv_sfv") GB/s; rhash -c $(rate $GiB "$rhash_sfv") GB/s"
echo "ratio check/cksfv -f (SFV, 1 GiB): $(ratio "$cksfv_sfv" "$ours_sfv")  (target >= 12)"
echo "ratio check/rhash -c (SFV, 1 GiB): $(ratio "$rhash_sfv" "$ours_sfv")  (target >= 4)"
echo "check SFV, 2,000 x 64 KiB: $(rate $SMALL "$ours_small") GB/s; rhash -c $(rate $SMALL "$rhash_small") GB/s"
echo "ratio check/rhash -c (SFV, 2,000 x 64 KiB): $(ratio "$rhash_small" "$ours_small")  (target >= 3)"
echo "check MD5, one 1 GiB file: $(rate $GiB "$ours_md5") GB/s; md5sum -c $(rate $GiB "$md5sum_md5") GB/s; rhash -c $(rate $GiB "$rhash_md5") GB/s"
echo "ratio check/md5sum -c (MD5, 1 GiB): $(ratio "$md5sum_md5" "$ours_md5")  (target >= 1)"
echo "ratio check/rhash -c (MD5, 1 GiB): $(ratio "$rhash_md5" "$ours_md5")  (target >= 1)"
echo "ratio check/md5sum -c (MD5, 2,000 x 64 KiB): $(ratio "$md5sum_small" "$ours_small_md5")"
echo "ratio create/check (SFV, 1 GiB): $(ratio "$create_sfv" "$ours_sfv")  (target <= 1.10)"
echo "ratio create/check (MD5, 1 GiB): $(ratio "$create_md5" "$ours_md5")  (target <= 1.10)"
echo "ratio create/check (SFV, 2,000 x 64 KiB): $(ratio "$create_small" "$ours_small")  (target <= 1.10)"
echo "peak memory of check: 64 MiB file $(peak "$ROOT/mid" "$CLI" check "$ROOT/mid/list.sfv") KiB; 1 GiB file $(peak "$B" "$CLI" check "$B/list.sfv") KiB; 2,000 files $(peak "$S" "$CLI" check "$S/list.sfv") KiB"
