"""text_to_features against the pure-Python transcription in tests/python/crf_oracle.py.

Run by hand: .venv/bin/python benchmarks/bench_features.py
"""
import sys
import timeit
from pathlib import Path

sys.path.insert(0, str(Path(__file__).parent))
sys.path.insert(0, str(Path(__file__).parent.parent / "tests" / "python"))
from corpus import english_prose  # noqa: E402
import crf_oracle  # noqa: E402

from kestrowin_clean._native import text_to_features  # noqa: E402


def best(fn, text, number):
    return min(timeit.repeat(lambda: fn(text), number=number, repeat=5)) / number


def main():
    prose = english_prose(10_000)
    prompt = " ".join(english_prose(2_000).split()[:50])
    assert text_to_features(prose) == crf_oracle.text_to_features(prose)
    print(f"{'case':28} {'tokens':>6} {'native':>11} {'python':>11} {'speed-up':>9}")
    for name, text, number in [("English prose, 10 KB", prose, 50), ("prompt, 50 tokens", prompt, 1000)]:
        native = best(text_to_features, text, number)
        python = best(crf_oracle.text_to_features, text, max(1, number // 10))
        tokens = len(text_to_features(text))
        print(f"{name:28} {tokens:6} {native * 1e3:9.3f}ms {python * 1e3:9.3f}ms {python / native:8.1f}x")


if __name__ == "__main__":
    main()
