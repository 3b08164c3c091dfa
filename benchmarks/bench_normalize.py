"""normalize_text against the CPython pipeline a user would otherwise write.

Run by hand: .venv/bin/python benchmarks/bench_normalize.py
"""
import sys
import timeit
import unicodedata
from pathlib import Path

sys.path.insert(0, str(Path(__file__).parent))
from corpus import english_prose, mixed_prose, short_prompts  # noqa: E402

from kestrowin_clean._native import normalize_text  # noqa: E402

INVISIBLE = [0x00AD, 0x034F, 0x061C, 0x115F, 0x1160, 0x17B4, 0x17B5, 0x180E, 0x200B, 0x200C,
             0x200D, 0x202A, 0x202B, 0x202C, 0x202D, 0x202E, 0x2060, 0x2061, 0x2062, 0x2063,
             0x2064, 0x2066, 0x2067, 0x2068, 0x2069, 0x3164, 0xFEFF, 0xFFA0]
TABLE = {cp: None for cp in INVISIBLE}


def python_pipeline(s):
    return " ".join(unicodedata.normalize("NFKC", s).translate(TABLE).split()).lower()


def per_call(fn, texts, repeat=5):
    number = max(1, 2000 // len(texts))
    best = min(timeit.repeat(lambda: [fn(t) for t in texts], number=number, repeat=repeat))
    return best / (number * len(texts))


def main():
    cases = [
        ("English prose, 10 KB", [english_prose()]),
        ("mixed scripts, 10 KB", [mixed_prose()]),
        ("short strings (<= 40 chars)", short_prompts()),
    ]
    print(f"{'case':32} {'native':>12} {'python':>12} {'speed-up':>9}")
    for name, texts in cases:
        native = per_call(normalize_text, texts)
        python = per_call(python_pipeline, texts)
        print(f"{name:32} {native * 1e6:10.2f}us {python * 1e6:10.2f}us {python / native:8.1f}x")


if __name__ == "__main__":
    main()
