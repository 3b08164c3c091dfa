"""Motif searches with adversarial motif sets: is the time per byte flat for n = 1e3, 1e4, 1e5?

1. exact search (fuzzy off), 10,000 motifs sharing one long prefix, over a text that repeats the
   prefix without ever completing a motif (the automaton keeps falling back);
2. exact search, motifs a, aa, ..., a^200 over a^n (a hit at every byte);
3. fuzzy search, 20 motifs with no exact hit, windows of 50 characters every 25 (the
   get_match_positions shape), over prose;
4. fuzzy search with window_size near the text length (n - 10 characters, step 25): every window
   is nearly the whole text, so the windows overlap n / 25 times over;
5. the same windows with threshold 0, where every window also places its hit.

The regex pairs that are exponential for backtracking engines are in bench_patterns.py (part 3).

Run by hand, with the extension installed (scripts/setup.sh):
    .venv/bin/python benchmarks/bench_adversarial_motifs.py
"""
import time

from kestrowin_clean._native import RustMotifMatcher

PROSE = ("the quick brown fox jumps over the lazy dog while seven wizards quietly judge "
         "an extremely vexing box of pale jugs ")


def best_time(fn, repeat=3):
    best = float("inf")
    for _ in range(repeat):
        start = time.perf_counter()
        fn()
        best = min(best, time.perf_counter() - start)
    return best


def row(label, make_case, sizes=(1_000, 10_000, 100_000)):
    cells = []
    for n in sizes:
        matcher, text, window, step = make_case(n)
        seconds = best_time(lambda: matcher.find_matches(text, window, step), repeat=1 if n >= 100_000 else 3)
        cells.append(f"n={n:<6} {seconds * 1e9 / len(text.encode()):9.1f} ns/B")
    print(f"  {label:44} {'   '.join(cells)}", flush=True)


def main():
    prefix = "ignore all previous instructions and "
    shared = RustMotifMatcher({"c": [f"{prefix}{i:05d}" for i in range(10_000)]}, 80, False)
    row("1. 10,000 motifs, one long shared prefix", lambda n: (shared, (prefix * (n // len(prefix) + 1))[:n], 50, 25))

    nested = RustMotifMatcher({"c": ["a" * k for k in range(1, 201)]}, 80, False)
    row("2. a .. a^200 over a^n", lambda n: (nested, "a" * n, 50, 25))

    typos = [w[:2] + w[3:] + "q" for w in PROSE.split()[:20]]
    fuzzy = RustMotifMatcher({"c": typos}, 80, True)
    prose = lambda n: (PROSE * (n // len(PROSE) + 1))[:n]  # noqa: E731
    row("3. fuzzy, 20 motifs, window 50, step 25", lambda n: (fuzzy, prose(n), 50, 25))
    row("4. fuzzy, 20 motifs, window n - 10, step 25", lambda n: (fuzzy, prose(n), n - 10, 25))
    everywhere = RustMotifMatcher({"c": typos}, 0, True)
    row("5. as 4 at threshold 0", lambda n: (everywhere, prose(n), n - 10, 25))


if __name__ == "__main__":
    main()
