"""normalize_text: NFKC, invisible characters dropped, whitespace collapsed, lower-cased."""
import random
import unicodedata

import pytest

from kestrowin_clean._native import normalize_text

INVISIBLE = [
    0x00AD, 0x034F, 0x061C, 0x115F, 0x1160, 0x17B4, 0x17B5, 0x180E, 0x200B, 0x200C,
    0x200D, 0x202A, 0x202B, 0x202C, 0x202D, 0x202E, 0x2060, 0x2061, 0x2062, 0x2063,
    0x2064, 0x2066, 0x2067, 0x2068, 0x2069, 0x3164, 0xFEFF, 0xFFA0,
]
WHITESPACE = [0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x20, 0x85, 0xA0, 0x1680, *range(0x2000, 0x200B),
              0x2028, 0x2029, 0x202F, 0x205F, 0x3000]


@pytest.mark.parametrize(
    "text, expected",
    [
        ("", ""),
        ("   \t\n ", ""),
        ("\u200b\ufeff\u00ad", ""),
        (" \u200b \t\u2060 ", ""),
        ("  Hello\t\nWorld  ", "hello world"),
        ("a \u200b b", "a b"),
        ("a\u200bb", "ab"),
        ("a \ufeff", "a"),
        ("a\u001fb", "a\u001fb"),
        ("a\u2065b", "a\u2065b"),
        ("\uff28\uff49", "hi"),
        ("\u212a", "k"),
        ("\ufb01", "fi"),
        ("x\u3164y", "xy"),
        ("\u0130", "i\u0307"),
        ("\u039f\u0394\u039f\u03a3", "οδοσ"),
        ("ΟΔΟΣ ΟΔΟΣ", "οδοσ οδοσ"),
        ("\u01c4", "d\u017e"),
        ("e\u0301", "\u00e9"),
    ],
)
def test_worked_examples(text, expected):
    assert normalize_text(text) == expected


@pytest.mark.parametrize("cp", WHITESPACE)
def test_every_whitespace_character_becomes_one_space(cp):
    assert normalize_text(f"ab{chr(cp)}{chr(cp)}cd") == "ab cd"


@pytest.mark.parametrize("cp", INVISIBLE)
def test_every_invisible_character_is_dropped(cp):
    assert normalize_text(f"a{chr(cp)}b") == "ab"
    assert normalize_text(f"a {chr(cp)} b") == "a b"


def reference(text):
    """The same pipeline in Python, applicable where both Unicode versions agree."""
    table = {cp: None for cp in INVISIBLE}
    nfkc = unicodedata.normalize("NFKC", text)
    out, space = [], True
    for ch in nfkc:
        if ord(ch) in table:
            continue
        if ord(ch) in WHITESPACE:
            if not space:
                out.append(" ")
            space = True
            continue
        out.append("".join(c.lower() for c in ch))
        space = False
    s = "".join(out)
    return s[:-1] if s.endswith(" ") else s


def test_agrees_with_python_on_random_text():
    rng = random.Random(1234)
    alphabet = ("abcXYZ  \t\nÀÉßİΣσςΑΩДжЖ漢字カナ한글\u0301\u0308ﬁ①Ⅻ㎏ｈｉ"
                "\u200b\u00a0\u2003\ufeff😀👍🏽!?.,'\"")
    for _ in range(3000):
        text = "".join(rng.choice(alphabet) for _ in range(rng.randint(0, 40)))
        assert normalize_text(text) == reference(text), repr(text)


def test_long_ascii_text():
    text = "The Quick  Brown\tFox " * 1000
    assert normalize_text(text) == ("the quick brown fox " * 1000).rstrip()


def test_ascii_runs_at_every_alignment():
    # Word-at-a-time paths: single and double spaces, tabs, capitals and
    # control characters at every offset of a block.
    rng = random.Random(99)
    alphabet = "abcdefgHIJKLMN  \t\n\x1f\x7f.,!Z"
    for _ in range(4000):
        text = "".join(rng.choice(alphabet) for _ in range(rng.randint(0, 70)))
        assert normalize_text(text) == reference(text), repr(text)
