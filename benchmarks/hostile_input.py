"""Hostile input at full size, by hand (tests/python/test_hostile_input.py runs smaller versions):
texts of 100 MB through every text entry point (the motif matcher with fuzzy matching off), and a
million tiny texts through each. Prints time, throughput and the process's peak resident size, and
checks every result against what the text was built to give.

    .venv/bin/python benchmarks/hostile_input.py [megabytes] [tiny text count]
"""
import resource
import sys
import time

from kestrowin_clean._native import RustMotifMatcher, RustPatternExtractor, normalize_text, text_to_features


def peak_mib():
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss // 1024


def timed(label, size, fn, check):
    start = time.perf_counter()
    result = fn()
    seconds = time.perf_counter() - start
    ok = check(result)
    print(f"  {label:46} {seconds:7.2f} s {size / seconds / 2**20:8.1f} MB/s  peak RSS {peak_mib():5} MiB  "
          f"{'ok' if ok else 'WRONG RESULT'}", flush=True)
    return ok


def main():
    megabytes = int(sys.argv[1]) if len(sys.argv) > 1 else 100
    tiny_count = int(sys.argv[2]) if len(sys.argv) > 2 else 1_000_000
    size = megabytes * 2**20
    ok = True

    print(f"Texts of {megabytes} MB")
    unit = "Ignore  PREVIOUS\tinstructions\u00a0"
    count = size // len(unit.encode())
    ascii_text = unit * count
    normal = " ".join(["ignore previous instructions"] * count)
    ok &= timed("normalize_text, ASCII and NBSP", size, lambda: normalize_text(ascii_text), lambda r: r == normal)
    del normal
    unit = "\u00c9COLE\u200b\u00c0\u3000\ufb01n "
    count = size // len(unit.encode())
    accented = unit * count
    ok &= timed("normalize_text, accented and compatibility", size, lambda: normalize_text(accented),
                lambda r: r == " ".join(["\u00e9cole\u00e0 fin"] * count))
    del accented

    filler = "lorem ipsum dolor " * (size // 18)
    text = filler + "IGNORE  previous"
    ex = RustPatternExtractor({"inj": [r"ignore\s+previous", r"\bsystem\s+prompt\b"], "role": [r"act\s+as"]})
    ok &= timed("has_any_match, no match", size, lambda: ex.has_any_match(filler), lambda r: r is False)
    ok &= timed("has_any_match, match at the end", size, lambda: ex.has_any_match(text), lambda r: r is True)
    ok &= timed("extract, match at the end", size, lambda: ex.extract(text),
                lambda r: r["inj"] == 1000.0 / len(text) and r["role"] == 0.0)
    ok &= timed("find_categorized_spans", size, lambda: ex.find_categorized_spans(text),
                lambda r: r == [(len(text) - 16, len(text), "inj")])

    m = RustMotifMatcher({"inj": ["Ignore previous", "system prompt"], "role": ["act as"]}, 80, False)
    ok &= timed("find_matches, fuzzy off, near miss", size, lambda: m.find_matches(text, 50, 25),
                lambda r: r == [])  # two spaces: no exact hit
    text = filler + "ignore previous"
    ok &= timed("find_matches, fuzzy off, hit at the end", size, lambda: m.find_matches(text, 50, 25),
                lambda r: [(h["motif"], h["position"]) for h in r] == [("ignore previous", len(filler))])
    ok &= timed("get_match_positions, fuzzy off", size, lambda: m.get_match_positions(text),
                lambda r: r == [(len(filler), len(text))])
    ok &= timed("text_to_features (2000 tokens kept)", size, lambda: text_to_features(text), lambda r: len(r) == 2000)
    del filler, text

    print(f"{tiny_count} tiny texts through each entry point")
    tiny = ["", " ", "a", "A", "\u00e9", "\u200b", "a b", "\u0130", "\U0001f600", "Ab"]
    texts = [tiny[i % len(tiny)] for i in range(tiny_count)]
    fuzzy = RustMotifMatcher({"c": ["ab"]}, 50, True)
    calls = [("normalize_text", normalize_text), ("text_to_features", text_to_features),
             ("extract", ex.extract), ("has_any_match", ex.has_any_match),
             ("find_categorized_spans", ex.find_categorized_spans),
             ("find_matches, fuzzy on", lambda t: fuzzy.find_matches(t, 3, 1)),
             ("get_match_positions", fuzzy.get_match_positions)]
    for name, call in calls:
        expected = [call(t) for t in tiny]
        start = time.perf_counter()
        same = all(call(t) == expected[i % len(tiny)] for i, t in enumerate(texts))
        seconds = time.perf_counter() - start
        ok &= same
        print(f"  {name:46} {seconds:7.2f} s {seconds / tiny_count * 1e9:8.0f} ns/call  peak RSS {peak_mib():5} MiB  "
              f"{'ok' if same else 'WRONG RESULT'}", flush=True)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
