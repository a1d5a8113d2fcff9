#!/bin/sh
# Times quorvane-cli check against the peer tools where hashing in parallel and the cost per file matter,
# on cached data in tmpfs (a virtual machine's disk often reports itself as spinning, and files there
# are read one at a time). Prints our time / the peer's time (below 1 means we are faster), best of N
# runs each, all measured in the same run:
#   - MD5 list of 200 x 5 MiB: check vs md5sum -c                       (target <= 0.60)
#   - SFV list of 200 x 5 MiB: check vs rhash -c                        (target <= 0.10)
#   - SFV list of one 1 GiB file: check vs one reader's read() loop     (target <= 0.75)
#   - MD5 list of 100,000 files of 100 bytes: check vs md5sum -c        (target <= 0.70)
#   - SFV list of 5,000,000 missing files: check vs cksfv -f            (target <= 1.2, peak RSS <= 700 MB)
#   - each check again with --jobs 1
#
# Usage: bench/compare-parallel.sh [BUILD_DIR] [RUNS]
set -eu

BUILD_DIR=${1:-build/test}
RUNS=${2:-3}
CLI="$(cd "$(dirname "$BUILD_DIR/src/app/quorvane-cli")" && pwd)/quorvane-cli"
ROOT=${QUORVANE_BENCH_DIR:-/dev/shm/quorvane-bench-parallel}

if [ ! -x "$CLI" ]; then
    echo "compare-parallel: $CLI not found; build the quorvane-cli target first" >&2
    exit 2
fi
bash "$(dirname "$0")/../scripts/deps.sh" rhash cksfv python3 gcc

mkdir -p "$ROOT/mid" "$ROOT/big" "$ROOT/tiny" "$ROOT/missing"
python3 - "$ROOT" <<'PY'
import os, sys
root = sys.argv[1]
def fill(folder, count, size, name):
    d = os.path.join(root, folder)
    if len([n for n in os.listdir(d) if not n.startswith("list")]) == count:
        return
    print("compare-parallel: writing %d files of %d bytes in %s" % (count, size, d), file=sys.stderr)
    for i in range(count):
        with open(os.path.join(d, name % i), "wb") as f:
            f.write(os.urandom(size))
fill("mid", 200, 5 << 20, "m%03d.bin")
fill("big", 1, 1 << 30, "big%d.bin")
fill("tiny", 100000, 100, "t%06d")
lst = os.path.join(root, "missing", "list.sfv")
if not os.path.exists(lst):
    with open(lst + ".tmp", "w") as f:
        for i in range(5000000):
            f.write("file_%010d.bin %08X\n" % (i, (i * 2654435761) & 0xFFFFFFFF))
    os.rename(lst + ".tmp", lst)
PY
for d in mid big tiny; do
    [ -f "$ROOT/$d/list.md5" ] || (cd "$ROOT/$d" && find . -type f ! -name 'list.*' | sed 's|^\./||' | sort >.names &&
        xargs md5sum <.names >list.md5 && rhash --sfv $(cat .names) 2>/dev/null | grep -v '^;' >list.sfv && rm .names)
done

# One reader's read() loop over a file, 64 KiB at a time: the limit of reading it alone.
READER="$ROOT/read-loop"
if [ ! -x "$READER" ]; then
    printf '%s\n' '#include <fcntl.h>' '#include <unistd.h>' \
        'int main(int c, char** v) { static char b[65536]; int f = open(v[1], O_RDONLY); if (f < 0) return 1;' \
        '  while (read(f, b, sizeof b) > 0) {} return 0; }' >"$ROOT/read-loop.c"
    cc -O2 -o "$READER" "$ROOT/read-loop.c"
fi

. "$(dirname "$0")/timing.sh"

# Warm the page cache.
cat "$ROOT"/mid/*.bin "$ROOT"/big/*.bin >/dev/null
find "$ROOT/tiny" -type f -exec cat {} + >/dev/null

M="$ROOT/mid"; B="$ROOT/big"; T="$ROOT/tiny"; X="$ROOT/missing"
md5sum_mid=$(best "$M" md5sum -c list.md5)
rhash_mid=$(best "$M" rhash -c list.sfv)
reader_big=$(best "$B" "$READER" big0.bin)
md5sum_tiny=$(best "$T" md5sum -c list.md5)
cksfv_missing=$(best "$X" cksfv -q -f list.sfv)
for jobs in auto 1; do
    opt=""
    [ "$jobs" = auto ] || opt="--jobs $jobs"
    # shellcheck disable=SC2086
    {
        mid_md5=$(best "$M" "$CLI" check $opt list.md5)
        mid_sfv=$(best "$M" "$CLI" check $opt list.sfv)
        big_sfv=$(best "$B" "$CLI" check $opt list.sfv)
        tiny_md5=$(best "$T" "$CLI" check $opt list.md5)
        missing=$(best "$X" "$CLI" check $opt list.sfv)
    }
    echo "jobs $jobs:"
    echo "  MD5 check, 200 x 5 MiB / md5sum -c:          $(ratio "$mid_md5" "$md5sum_mid")  (target <= 0.60)"
    echo "  SFV check, 200 x 5 MiB / rhash -c:           $(ratio "$mid_sfv" "$rhash_mid")  (target <= 0.10)"
    echo "  SFV check, one 1 GiB file / read() loop:     $(ratio "$big_sfv" "$reader_big")  (target <= 0.75)"
    echo "  check, 100,000 x 100 B / md5sum -c:          $(ratio "$tiny_md5" "$md5sum_tiny")  (target <= 0.70)"
    echo "  check, 5,000,000 missing / cksfv -f:         $(ratio "$missing" "$cksfv_missing")  (target <= 1.2)"
done
echo "peak RSS of check over 5,000,000 entries: $(peak "$X" "$CLI" check list.sfv) KiB  (target <= 700 MB)"
echo "times (s): md5sum $md5sum_mid, rhash $rhash_mid, read loop $reader_big, md5sum tiny $md5sum_tiny, cksfv missing $cksfv_missing"
