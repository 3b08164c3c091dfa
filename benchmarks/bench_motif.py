"""RustMotifMatcher against the Python libraries a user would otherwise reach for.

(a) exact search, 1000 motifs, ~1 MB of English prose: find_matches(text, 50, 25)
    with fuzzy matching off, against ahocorasick_rs and pyahocorasick given the
    lower-cased text (the lower-casing is timed with them);
(b) get_match_positions, 50 motifs, fuzzy on at threshold 80, ~10 KB: against
    the plain-Python transcription of the same search (tests/python/motif_oracle.py);
(c) for reference, rapidfuzz.fuzz.partial_ratio in a Python loop over the
    windows that (b) scores (a different similarity measure, same amount of work).

Needs, in .venv only: pip install ahocorasick_rs pyahocorasick rapidfuzz
Run by hand: .venv/bin/python benchmarks/bench_motif.py
"""
import random
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).parent))
sys.path.insert(0, str(Path(__file__).parent.parent / "tests" / "python"))
import ahocorasick  # noqa: E402  (pyahocorasick)
import ahocorasick_rs  # noqa: E402
import motif_oracle  # noqa: E402
from corpus import _WORDS, english_prose  # noqa: E402
from rapidfuzz import fuzz  # noqa: E402

from kestrowin_clean._native import RustMotifMatcher  # noqa: E402


def best_time(fn, repeat):
    best = float("inf")
    result = None
    for _ in range(repeat):
        result = None  # free the previous result outside the timed region
        start = time.perf_counter()
        result = fn()
        best = min(best, time.perf_counter() - start)
    return best, result


def exact_motifs(count=1000, seed=11):
    """The corpus words, then distinct two- and three-word phrases, some capitalised."""
    rng = random.Random(seed)
    motifs = list(dict.fromkeys(_WORDS))
    seen = set(motifs)
    while len(motifs) < count:
        phrase = " ".join(rng.choice(_WORDS) for _ in range(rng.choice([2, 2, 3])))
        if phrase not in seen:
            seen.add(phrase)
            motifs.append(phrase.capitalize() if rng.random() < 0.1 else phrase)
    return motifs


def fuzzy_motifs(count=50, seed=12):
    """Phrases of 2-4 corpus words with one or two typos, so most miss exactly and go to the fuzzy pass."""
    rng = random.Random(seed)
    motifs = []
    while len(motifs) < count:
        chars = list(" ".join(rng.choice(_WORDS) for _ in range(rng.randint(2, 4))))
        for _ in range(rng.randint(1, 2)):
            i = rng.randrange(len(chars) - 1)
            chars[i], chars[i + 1] = chars[i + 1], chars[i]
        motifs.append("".join(chars))
    return motifs


def bench_exact():
    text = english_prose(1_000_000, seed=5)
    motifs = exact_motifs()
    table = {f"c{i % 20}": [] for i in range(20)}
    for i, m in enumerate(motifs):
        table[f"c{i % 20}"].append(m)
    matcher = RustMotifMatcher(table, 80, False)

    lowered_motifs = [m.lower() for m in motifs]
    rs = ahocorasick_rs.AhoCorasick(lowered_motifs)  # standard semantics, like ours
    py = ahocorasick.Automaton()
    for i, m in enumerate(lowered_motifs):
        py.add_word(m, (i, m))
    py.make_automaton()

    def pyaho_longest():
        return [(end - len(m) + 1, i) for end, (i, m) in py.iter_long(text.lower())]

    def pyaho_all():
        return [(end - len(m) + 1, i) for end, (i, m) in py.iter(text.lower())]

    runs = [
        ("RustMotifMatcher.find_matches", lambda: matcher.find_matches(text, 50, 25)),
        # The same search returning merged spans: shows what building the dicts costs.
        ("RustMotifMatcher.get_match_positions", lambda: matcher.get_match_positions(text)),
        ("ahocorasick_rs (non-overlapping)", lambda: rs.find_matches_as_indexes(text.lower())),
        ("pyahocorasick iter_long (non-overl.)", pyaho_longest),
        ("pyahocorasick iter (all overlapping)", pyaho_all),
    ]
    print(f"(a) exact search: {len(motifs)} motifs, {len(text.encode()) / 1e6:.2f} MB English prose")
    results = {}
    for name, fn in runs:
        seconds, result = best_time(fn, 5)
        results[name] = (seconds, len(result))
    ours = results[runs[0][0]][0]
    # Same semantics (earliest end, then longest, non-overlapping): the hits must agree.
    ours_hits = [(r["position"], r["position"] + r["length"]) for r in matcher.find_matches(text, 50, 25)]
    rs_hits = [(s, e) for _, s, e in rs.find_matches_as_indexes(text.lower())]
    print(f"    hits agree with ahocorasick_rs: {ours_hits == rs_hits}")
    for name, (seconds, hits) in results.items():
        print(f"    {name:38} {seconds * 1e3:9.1f} ms  {hits:7d} results  time/ours {seconds / ours:5.2f}"
              f"  {len(text) / seconds / 1e6:7.1f} MB/s")


def search_windows(text, window_size=50, step=25):
    """The character windows get_match_positions scores (at least 10 bytes)."""
    lowered = text.lower()
    windows = []
    for start in range(0, len(lowered), step):
        window = lowered[start:start + window_size]
        if len(window.encode()) >= motif_oracle.MIN_WINDOW_BYTES:
            windows.append(window)
    return windows


def bench_fuzzy():
    text = english_prose(10_000, seed=6)
    motifs = fuzzy_motifs()
    table = {"typos": motifs}
    matcher = RustMotifMatcher(table, 80, True)
    lowered = text.lower()
    fuzzy_pass = [m for m in motifs if m.lower() not in lowered]
    windows = search_windows(text)

    native_s, spans = best_time(lambda: matcher.get_match_positions(text), 5)
    oracle_s, oracle_spans = best_time(lambda: motif_oracle.get_match_positions(table, 80, True, text), 1)

    def rapidfuzz_loop():
        return sum(1 for m in fuzzy_pass for w in windows if fuzz.partial_ratio(m, w) >= 80)

    rapid_s, rapid_hits = best_time(rapidfuzz_loop, 3)
    scored = len(fuzzy_pass) * len(windows)
    print(f"(b) get_match_positions: {len(motifs)} motifs ({len(fuzzy_pass)} without an exact hit), "
          f"fuzzy on, threshold 80, {len(text.encode()) / 1e3:.0f} KB, {scored} windows scored")
    print(f"    spans agree with the Python transcription: {spans == oracle_spans} ({len(spans)} spans)")
    print(f"    {'RustMotifMatcher.get_match_positions':38} {native_s * 1e3:9.2f} ms")
    print(f"    {'Python transcription (motif_oracle)':38} {oracle_s * 1e3:9.2f} ms  "
          f"time/ours {oracle_s / native_s:7.1f}")
    print(f"(c) {'rapidfuzz partial_ratio, Python loop':38} {rapid_s * 1e3:9.2f} ms  "
          f"time/ours {rapid_s / native_s:7.1f}  ({rapid_hits} windows >= 80)")


def main():
    bench_exact()
    bench_fuzzy()


if __name__ == "__main__":
    main()
