"""RustMotifMatcher against the Python libraries a user would otherwise reach for.

(a) exact search with a hit on nearly every word: 10,000 motifs (every corpus
    word, then two- and three-word phrases), ~2 MB of English prose and ~2 MB
    of accented Latin and Cyrillic prose, fuzzy matching off.
    - ours: find_matches(text, 50, 25) lower-cases the text and returns a list
      of dicts {"motif", "category", "position", "length", "score"} (UTF-8
      byte offsets); get_match_positions(text) returns the merged (start, end)
      byte spans of the same hits.
    - ahocorasick_rs: find_matches_as_indexes(text.lower()) returns a list of
      (pattern index, start, end) tuples in code points, same (standard,
      non-overlapping) semantics; the lowering is timed with it.
    - pyahocorasick: iter_long over text.lower() (longest-match, a different
      rule), mapped to (start, index) pairs; for scale only.
    Every call gets a fresh copy of the text (a reused str caches its UTF-8,
    which hides the encoding cost of non-ASCII text). The hits of ours and of
    ahocorasick_rs are compared record by record before timing. Runs are
    interleaved round by round; the medians are reported.
(b) get_match_positions, 50 motifs, fuzzy on at threshold 80, ~10 KB: against
    the plain-Python transcription of the same search (tests/python/motif_oracle.py);
(c) for reference, rapidfuzz.fuzz.partial_ratio in a Python loop over the
    windows that (b) scores (a different similarity measure, same amount of work).

Needs, in .venv only: pip install -r benchmarks/requirements.txt
Run by hand: .venv/bin/python benchmarks/bench_motif.py
"""
import random
import statistics
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).parent))
sys.path.insert(0, str(Path(__file__).parent.parent / "tests" / "python"))
import ahocorasick  # noqa: E402  (pyahocorasick)
import ahocorasick_rs  # noqa: E402
import motif_oracle  # noqa: E402
from corpus import _ACCENTED, _WORDS, accented_prose, english_prose, fresh, merged  # noqa: E402
from rapidfuzz import fuzz  # noqa: E402

from kestrowin_clean._native import RustMotifMatcher  # noqa: E402


def interleaved(runs, text, rounds):
    """Median seconds of each (name, fn) in `runs`, called as fn(fresh copy of
    text) once per round, in turn, so that every ratio compares calls made
    under the same machine load."""
    times = {name: [] for name, _ in runs}
    for _ in range(rounds):
        for name, fn in runs:
            arg = fresh(text)
            start = time.perf_counter()
            result = fn(arg)
            times[name].append(time.perf_counter() - start)
            del result  # freed outside the timed region
    return {name: statistics.median(t) for name, t in times.items()}


def exact_motifs(words, count=10_000, seed=11):
    """`words` (distinct), then distinct two- and three-word phrases of them, some capitalised."""
    rng = random.Random(seed)
    motifs = list(dict.fromkeys(words))
    seen = set(motifs)
    while len(motifs) < count:
        phrase = " ".join(rng.choice(words) for _ in range(rng.choice([2, 2, 3])))
        if phrase not in seen:
            seen.add(phrase)
            motifs.append(phrase.capitalize() if rng.random() < 0.1 else phrase)
    return motifs


def bench_exact(label, text, words, rounds=7):
    motifs = exact_motifs(words)
    table = {f"c{i % 20:02d}": [] for i in range(20)}
    for i, m in enumerate(motifs):
        table[f"c{i % 20:02d}"].append(m)
    matcher = RustMotifMatcher(table, 80, False)
    # The peers get the patterns in the matcher's entry order (categories by
    # name, then list order), so pattern indices agree.
    entries = [(m.lower(), c) for c in sorted(table) for m in table[c]]
    rs = ahocorasick_rs.AhoCorasick([m for m, _ in entries])  # standard semantics, like ours
    py = ahocorasick.Automaton()
    for i, (m, _) in enumerate(entries):
        py.add_word(m, (i, len(m)))
    py.make_automaton()

    # The same hits, record by record: ahocorasick_rs counts code points of
    # the lowered text, ours UTF-8 bytes.
    lowered = text.lower()
    byte_at = [0]
    for ch in lowered:
        byte_at.append(byte_at[-1] + len(ch.encode()))
    ours = [tuple(r.values()) for r in matcher.find_matches(fresh(text), 50, 25)]
    theirs = [(entries[i][0], entries[i][1], byte_at[s], byte_at[e] - byte_at[s], 100.0)
              for i, s, e in rs.find_matches_as_indexes(fresh(text).lower())]
    assert ours == theirs, "find_matches disagrees with ahocorasick_rs"
    spans = matcher.get_match_positions(fresh(text))
    assert spans == merged((p, p + n) for _, _, p, n, _ in theirs), "get_match_positions disagrees"
    hits = len(ours)

    runs = [
        ("RustMotifMatcher.find_matches", lambda t: matcher.find_matches(t, 50, 25)),
        ("RustMotifMatcher.get_match_positions", matcher.get_match_positions),
        ("ahocorasick_rs (lower + indexes)", lambda t: rs.find_matches_as_indexes(t.lower())),
        ("pyahocorasick iter_long (lower)", lambda t: [(end - n + 1, i) for end, (i, n) in py.iter_long(t.lower())]),
    ]
    median = interleaved(runs, text, rounds)
    size = len(text.encode())
    print(f"(a) exact search, {label}: {len(motifs)} motifs, {size / 1e6:.2f} MB, {hits} hits "
          f"({hits / size * 1e6:.0f} per MB), agree with ahocorasick_rs: yes; medians of {rounds} interleaved rounds")
    for name, seconds in median.items():
        print(f"    {name:38} {seconds * 1e3:8.1f} ms  {seconds * 1e9 / hits:6.1f} ns/hit  "
              f"{size / seconds / 1e6:6.1f} MB/s")
    peer = median["ahocorasick_rs (lower + indexes)"]
    for name in ("RustMotifMatcher.find_matches", "RustMotifMatcher.get_match_positions"):
        print(f"    ahocorasick_rs time / {name.split('.')[1]} time: {peer / median[name]:5.2f}")


def search_windows(text, window_size=50, step=25):
    """The character windows get_match_positions scores (at least 10 bytes)."""
    lowered = text.lower()
    windows = []
    for start in range(0, len(lowered), step):
        window = lowered[start:start + window_size]
        if len(window.encode()) >= motif_oracle.MIN_WINDOW_BYTES:
            windows.append(window)
    return windows


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


def bench_fuzzy(rounds=3):
    text = english_prose(10_000, seed=6)
    motifs = fuzzy_motifs()
    table = {"typos": motifs}
    matcher = RustMotifMatcher(table, 80, True)
    lowered = text.lower()
    fuzzy_pass = [m for m in motifs if m.lower() not in lowered]
    windows = search_windows(text)
    spans = matcher.get_match_positions(fresh(text))
    agree = spans == motif_oracle.get_match_positions(table, 80, True, fresh(text))

    def rapidfuzz_loop(_text):
        return sum(1 for m in fuzzy_pass for w in windows if fuzz.partial_ratio(m, w) >= 80)

    runs = [
        ("RustMotifMatcher.get_match_positions", matcher.get_match_positions),
        ("Python transcription (motif_oracle)", lambda t: motif_oracle.get_match_positions(table, 80, True, t)),
        ("rapidfuzz partial_ratio, Python loop", rapidfuzz_loop),
    ]
    median = interleaved(runs, text, rounds)
    native = median[runs[0][0]]
    scored = len(fuzzy_pass) * len(windows)
    print(f"(b) get_match_positions: {len(motifs)} motifs ({len(fuzzy_pass)} without an exact hit), "
          f"fuzzy on, threshold 80, {len(text.encode()) / 1e3:.0f} KB, {scored} windows scored; "
          f"medians of {rounds} interleaved rounds")
    print(f"    spans agree with the Python transcription: {agree} ({len(spans)} spans)")
    for name, seconds in median.items():
        print(f"    {name:38} {seconds * 1e3:9.2f} ms  time/ours {seconds / native:7.1f}")
    print("(c) rapidfuzz scores the same windows with its own measure (same amount of work, not the same result)")


def main():
    bench_exact("English prose", english_prose(2_000_000, seed=5), _WORDS)
    bench_exact("accented Latin + Cyrillic prose", accented_prose(2_000_000),
                list(dict.fromkeys(w.lower() for w in _ACCENTED + list(_WORDS))))
    bench_fuzzy()


if __name__ == "__main__":
    main()
