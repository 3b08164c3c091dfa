"""Long counted repetitions of big Unicode classes on non-ASCII text.

RustPatternExtractor (which prefixes every pattern with "(?i)") against the same
pattern with a short count, and against Python's re with the class written out
as code point ranges (re has no script properties):

1. ŵ\\P{Han}{1000,} against ŵ\\P{Han}{10,} over 10 KB of mixed-script text:
   has_any_match and find_pattern_spans per call (goals: at most ~5 ms a call,
   and within 10x of the {10,} pattern);
2. (?-i)ŵ.{1,4}?\\P{Ideographic}{1001,}?. against its {10,}? form over 100 KB:
   find_pattern_spans in ns per byte (goals: at most ~300 ns/byte, within 10x
   of the short form).

The texts hold no Han, so \\P{Han} runs last for the whole text; ŵ begins
about one word in twenty. Every call gets a fresh str (its UTF-8 is not
cached yet) of a text no engine has seen before, and every query has its own
extractor: prompts come one at a time and differ, so caches built on one
text must not flatter the next. The extractor's outputs are compared with
re's on every text before any timing; runs are interleaved and medians shown.

Run by hand, with the extension installed (scripts/setup.sh):
    .venv/bin/python benchmarks/bench_long_class_repetition.py [rounds]
"""
import random
import re
import statistics
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).parent))
from corpus import _MIXED, _WORDS, fresh, merged  # noqa: E402

from kestrowin_clean._native import RustPatternExtractor  # noqa: E402

# Unicode 17.0 Script=Han and Ideographic, surrogates left out.
HAN = ("2E80-2E99 2E9B-2EF3 2F00-2FD5 3005 3007 3021-3029 3038-303B 3400-4DBF 4E00-9FFF F900-FA6D FA70-FAD9 "
       "16FE2-16FE3 16FF0-16FF6 20000-2A6DF 2A700-2B81D 2B820-2CEAD 2CEB0-2EBE0 2EBF0-2EE5D 2F800-2FA1D "
       "30000-3134A 31350-33479")
IDEOGRAPHIC = ("3006-3007 3021-3029 3038-303A 3400-4DBF 4E00-9FFF F900-FA6D FA70-FAD9 16FE4 16FF2-16FF6 "
               "17000-18CD5 18CFF-18D1E 18D80-18DF2 1B170-1B2FB 20000-2A6DF 2A700-2B81D 2B820-2CEAD "
               "2CEB0-2EBE0 2EBF0-2EE5D 2F800-2FA1D 30000-3134A 31350-33479")


def negated_class(ranges):
    parts = []
    for r in ranges.split():
        lo, _, hi = r.partition("-")
        parts.append(chr(int(lo, 16)) + ("-" + chr(int(hi, 16)) if hi else ""))
    return "[^" + "".join(parts) + "]"


NOT_HAN, NOT_IDEOGRAPHIC = negated_class(HAN), negated_class(IDEOGRAPHIC)
HAN_CHARS = re.compile("[" + negated_class(HAN)[2:])

WELSH = "dŵr gŵr ŵyr Ŵyn cŵn pŵer ŵy".split()


def mixed_script(size, seed):
    """Mixed-script words without Han, a Welsh word with ŵ about one word in
    twenty; at most `size` UTF-8 bytes."""
    rng = random.Random(seed)
    words = [w for w in _MIXED if not HAN_CHARS.search(w)]
    out, n = [], 0
    while n < size:
        r = rng.random()
        word = rng.choice(WELSH if r < 0.05 else words if r < 0.6 else _WORDS)
        piece = word + rng.choice([" ", " ", " ", "\u00a0", "\n"])
        out.append(piece)
        n += len(piece.encode())
    return "".join(out).encode()[:size].decode(errors="ignore")


def byte_spans(text, matches):
    """(start, end) in UTF-8 bytes of re's (start, end) in code points."""
    spans, pos, offset = [], 0, 0
    for s, e in matches:
        offset += len(text[pos:s].encode())
        start = offset
        offset += len(text[s:e].encode())
        pos = e
        spans.append((start, offset))
    return spans


class Case:
    """One pattern as the extractor and as re see it."""

    def __init__(self, label, pattern, re_pattern, re_flags):
        self.label = label
        self.pattern = pattern
        self.extractor = RustPatternExtractor({"c": [pattern]})
        self.re = re.compile(re_pattern, re_flags)

    def query(self, name):
        """`name` of an extractor of its own."""
        return getattr(RustPatternExtractor({"c": [self.pattern]}), name)

    def re_spans(self, text):
        return merged(byte_spans(text, (m.span() for m in self.re.finditer(text))))

    def check(self, texts):
        for text in texts:
            want = self.re_spans(text)
            got = self.extractor.find_pattern_spans(text)
            if got != want:
                sys.exit(f"{self.label}: find_pattern_spans differs from re: {got[:3]} vs {want[:3]}")
            if self.extractor.has_any_match(text) != bool(want):
                sys.exit(f"{self.label}: has_any_match differs from re")


def timed(fn, text):
    t = fresh(text)
    start = time.perf_counter()
    fn(t)
    return time.perf_counter() - start


def run(rounds):
    texts10k = [mixed_script(10_000, seed) for seed in range(rounds)]
    texts100k = [mixed_script(100_000, 100_000 + seed) for seed in range(rounds)]
    long1 = Case("ŵ\\P{Han}{1000,}", "ŵ\\P{Han}{1000,}", "ŵ" + NOT_HAN + "{1000,}", re.IGNORECASE)
    short1 = Case("ŵ\\P{Han}{10,}", "ŵ\\P{Han}{10,}", "ŵ" + NOT_HAN + "{10,}", re.IGNORECASE)
    long2 = Case("ŵ.{1,4}?\\P{Ideographic}{1001,}?.", "(?-i)ŵ.{1,4}?\\P{Ideographic}{1001,}?.",
                 "ŵ.{1,4}?" + NOT_IDEOGRAPHIC + "{1001,}?.", 0)
    short2 = Case("ŵ.{1,4}?\\P{Ideographic}{10,}?.", "(?-i)ŵ.{1,4}?\\P{Ideographic}{10,}?.",
                  "ŵ.{1,4}?" + NOT_IDEOGRAPHIC + "{10,}?.", 0)
    for case in (long1, short1):
        case.check(texts10k)
    for case in (long2, short2):
        case.check(texts100k)
    print(f"outputs agree with re on {len(texts10k)} texts of 10 KB and {len(texts100k)} of 100 KB")

    timings = {}  # (label, query) -> seconds per call
    jobs = []
    for case in (long1, short1):
        jobs.append((case.label, "has_any_match", case.query("has_any_match"), texts10k))
        jobs.append((case.label, "find_pattern_spans", case.query("find_pattern_spans"), texts10k))
        jobs.append((case.label, "re spans", case.re_spans, texts10k))
    for case in (long2, short2):
        jobs.append((case.label, "find_pattern_spans", case.query("find_pattern_spans"), texts100k))
        jobs.append((case.label, "re spans", case.re_spans, texts100k))
    for r in range(rounds):
        for label, query, fn, texts in jobs:
            timings.setdefault((label, query), []).append(timed(fn, texts[r]))
    med = {k: statistics.median(v) for k, v in timings.items()}

    print(f"\n10 KB mixed-script text, median of {rounds} calls")
    print(f"{'pattern':36} {'query':20} {'ms/call':>9} {'vs {10,}':>9} {'vs re':>8}")
    for query in ("has_any_match", "find_pattern_spans"):
        for case in (long1, short1):
            t = med[(case.label, query)]
            vs_short = t / med[(short1.label, query)]
            vs_re = med[(case.label, "re spans")] / t
            print(f"{case.label:36} {query:20} {t * 1e3:9.3f} {vs_short:8.1f}x {vs_re:7.1f}x")
    print(f"\n100 KB mixed-script text, median of {rounds} calls")
    print(f"{'pattern':36} {'query':20} {'ns/byte':>9} {'vs {10,}':>9} {'vs re':>8}")
    for case in (long2, short2):
        t = med[(case.label, "find_pattern_spans")]
        vs_short = t / med[(short2.label, "find_pattern_spans")]
        vs_re = med[(case.label, "re spans")] / t
        print(f"{case.label:36} {'find_pattern_spans':20} {t / 100_000 * 1e9:9.1f} {vs_short:8.1f}x {vs_re:7.1f}x")
    print("\nvs {10,}: time relative to the short form (goal: at most 10x); vs re: re's time / ours")


if __name__ == "__main__":
    run(int(sys.argv[1]) if len(sys.argv) > 1 else 40)
