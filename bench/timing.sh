# Timing helpers of the comparison scripts, sourced by them. RUNS: how many runs each time takes the best of.

# best FOLDER COMMAND...: the best wall time in seconds of RUNS runs of COMMAND in FOLDER, output discarded.
best() {
    python3 - "$RUNS" "$@" <<'PY'
import subprocess, sys, time
runs, folder, cmd = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
best = None
for _ in range(runs):
    start = time.perf_counter()
    subprocess.run(cmd, cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    t = time.perf_counter() - start
    best = t if best is None or t < best else best
print("%.4f" % best)
PY
}

# peak FOLDER COMMAND...: the peak resident memory in KiB of one run of COMMAND in FOLDER.
peak() {
    python3 - "$@" <<'PY'
import resource, subprocess, sys
subprocess.run(sys.argv[2:], cwd=sys.argv[1], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)
PY
}

# ratio A B: A / B to two decimals. rate BYTES SECONDS: GB/s.
ratio() { python3 -c "print('%.2f' % ($1 / $2))"; }
rate() { python3 -c "print('%.2f' % ($1 / $2 / 1e9))"; }
