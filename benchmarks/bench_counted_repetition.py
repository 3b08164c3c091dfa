"""Construction and first search of patterns with large counted repetitions.

A counted repetition expands into one copy of its body per count, so a pattern
the size limit accepts can hold tens of thousands of copies, and one it refuses
many more. For each pattern this times, over interleaved rounds (medians):

- construction of a RustPatternExtractor with the pattern alone (for a pattern
  over the size limit: the time to refuse it);
- the first has_any_match and find_pattern_spans on a 60,000-character text
  (compiled forms a query needs are built on its first use).

It prints the ratio of x{0,20000} to x{0,2000}: construction should grow
linearly with the count, so about 10.

Run by hand, with the extension installed (scripts/setup.sh):
    .venv/bin/python benchmarks/bench_counted_repetition.py [rounds]
"""
import statistics
import sys
import time

from kestrowin_clean._native import RustPatternExtractor

PATTERNS = [
    "x{0,2000}",
    "x{0,20000}",
    "x{0,80000}",
    "(?:a{0,10}){1000}",
    "(?:a{0,10}){10000}",  # over the limit
    "(?:ab|cd){0,20000}",
    "k{1,37991}",
    "a{131070}",
    "(?:a|b|c|d|e|f){131070}",
    "\\w{209}",
    "\\w{0,209}",
    ".{10485}",
    ".{20000}",  # over the limit
]

TEXT = ("The quick brown fox jumps over the lazy dog; xxxx aaaa abcd. " * 1000)[:60000]


def one_round(pattern):
    start = time.perf_counter()
    try:
        extractor = RustPatternExtractor({"c": [pattern]})
    except ValueError:
        return time.perf_counter() - start, None, "refused"
    built = time.perf_counter()
    extractor.has_any_match(TEXT)
    spans = extractor.find_pattern_spans(TEXT)
    return built - start, time.perf_counter() - built, f"{len(spans)} spans"


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    build = {p: [] for p in PATTERNS}
    search = {p: [] for p in PATTERNS}
    outcome = {}
    for _ in range(rounds):
        for p in PATTERNS:
            b, s, what = one_round(p)
            build[p].append(b)
            if s is not None:
                search[p].append(s)
            outcome[p] = what
    print(f"{'pattern':28} {'construction':>14} {'first search':>14}  outcome")
    for p in PATTERNS:
        b = statistics.median(build[p]) * 1e3
        s = f"{statistics.median(search[p]) * 1e3:11.1f} ms" if search[p] else f"{'-':>14}"
        print(f"{p:28} {b:11.1f} ms {s}  {outcome[p]}")
    ratio = statistics.median(build["x{0,20000}"]) / statistics.median(build["x{0,2000}"])
    print(f"construction x{{0,20000}} / x{{0,2000}}: {ratio:.1f}")


if __name__ == "__main__":
    main()
