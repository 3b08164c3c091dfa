"""Long leak run, by hand: every case of tests/python/leak_cases.py called N times (default
100,000), printing the process's resident size and the watched reference counts before and after.

    .venv/bin/python benchmarks/leak_soak.py [N] [text size in characters] 2>/dev/null

(Panicking cases write a report to stderr on every call; hence the redirection.)
"""
import gc
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "python"))
import leak_cases  # noqa: E402


def rss_kib():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") // 1024


def main():
    calls = int(sys.argv[1]) if len(sys.argv) > 1 else 100_000
    size = int(sys.argv[2]) if len(sys.argv) > 2 else 400
    cases = leak_cases.cases(leak_cases.sample_text(size))
    for case in cases:  # warm every path once before the first measurement
        for _ in range(1000):
            case()
    gc.collect()
    start_rss = rss_kib()
    print(f"{calls} calls per case, text of {size} characters; RSS at start {start_rss} KiB", flush=True)
    print(f"{'case':36} {'RSS before':>11} {'RSS after':>10} {'growth':>7} {'refs':>6} {'seconds':>8}")
    drifted = 0
    for case in cases:
        gc.collect()
        refs = [sys.getrefcount(o) for o in case.watched]
        before = rss_kib()
        t0 = time.perf_counter()
        for _ in range(calls):
            case()
        elapsed = time.perf_counter() - t0
        gc.collect()
        after = rss_kib()
        same = [sys.getrefcount(o) for o in case.watched] == refs
        drifted += not same
        print(f"{case.name:36} {before:>8} KiB {after:>6} KiB {after - before:>+7} {'flat' if same else 'MOVED':>6} "
              f"{elapsed:>8.1f}", flush=True)
    end_rss = rss_kib()
    print(f"RSS at end {end_rss} KiB ({end_rss - start_rss:+} KiB over {calls * len(cases)} calls); "
          f"{drifted} cases with moved reference counts")
    return 1 if drifted else 0


if __name__ == "__main__":
    sys.exit(main())
