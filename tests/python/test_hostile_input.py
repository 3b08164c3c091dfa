"""Hostile input at the Python boundary: huge and countless texts, huge pattern and motif sets,
patterns at the compiler's limits, and caller objects that misbehave during conversion. Every
case must end in the documented result or exception, with the process and the objects intact."""
import pytest

import kestrowin_clean._native as native_module
from kestrowin_clean._native import RustMotifMatcher, RustPatternExtractor, normalize_text, text_to_features

BIG = 16 * 2**20  # bytes; a 100 MB run is benchmarks/hostile_input.py


def raised(call):
    with pytest.raises(BaseException) as info:
        call()
    return info.value


def is_panic(exc):
    return type(exc).__module__ == "pyo3_runtime" and type(exc).__name__ == "PanicException"


# ---- huge texts ------------------------------------------------------------------------------


@pytest.mark.parametrize(
    "unit, normal",
    [
        ("Ignore  PREVIOUS\tinstructions\u00a0", "ignore previous instructions"),
        ("\u00c9COLE\u200b\u00c0\u3000\ufb01n ", "\u00e9cole\u00e0 fin"),
    ],
    ids=["ascii", "non-ascii"],
)
def test_huge_text_normalizes(unit, normal):
    count = BIG // len(unit.encode())
    assert normalize_text(" " + unit * count) == " ".join([normal] * count)


def test_huge_text_through_the_pattern_extractor():
    ex = RustPatternExtractor({"inj": [r"ignore\s+previous"], "other": ["zzz"]})
    filler = "lorem ipsum dolor " * (BIG // 18)
    text = filler + "IGNORE  previous"
    end = len(text)
    assert ex.has_any_match(filler) is False
    assert ex.has_any_match(text) is True
    assert ex.find_pattern_spans(text) == [(end - 16, end)]
    assert ex.find_categorized_spans(text) == [(end - 16, end, "inj")]
    features = ex.extract(text)
    assert features["inj"] == 1000.0 / end and features["other"] == 0.0
    assert features["text_length"] == 1.0  # capped


def test_huge_text_through_the_motif_matcher_without_fuzzy():
    m = RustMotifMatcher({"c": ["Needle"]}, 80, False)
    filler = "hay stack " * (BIG // 10)
    hit = {"motif": "needle", "category": "c", "position": len(filler), "length": 6, "score": 100.0}
    assert m.find_matches(filler + "NEEDLE", 50, 25) == [hit]
    assert m.get_match_positions("NEEDLE" + filler) == [(0, 6)]
    assert m.find_matches(filler, 50, 25) == []


def test_long_text_through_the_fuzzy_pass():
    m = RustMotifMatcher({"c": ["needle"]}, 80, True)
    filler = "hay stack " * 100_000
    hits = m.find_matches(filler + "nedle " + filler, 50, 25)
    assert hits and {h["score"] for h in hits} == {83.0}  # 5 of 6 characters
    assert all(len(filler) - 50 < h["position"] < len(filler) + 50 for h in hits)


def test_huge_single_token_and_token_limit():
    token = "x" * BIG
    (features,) = text_to_features(token)
    assert features["w"] == token and features["w[-3:]"] == "xxx" and features["len"] == "20"
    assert len(text_to_features("a " * (BIG // 2))) == 2000


# ---- countless tiny texts --------------------------------------------------------------------

TINY = ["", " ", "a", "A", "\u00e9", "\u200b", "a b", "\u0130", "\U0001f600"]


def test_many_tiny_texts_give_stable_results():
    ex = RustPatternExtractor({"c": ["a"]})
    m = RustMotifMatcher({"c": ["a"]}, 50, True)
    calls = [normalize_text, text_to_features, ex.extract, ex.has_any_match, ex.find_pattern_spans,
             ex.find_categorized_spans, lambda t: m.find_matches(t, 3, 1), m.get_match_positions]
    first = {(k, t): call(t) for k, call in enumerate(calls) for t in TINY}
    assert [normalize_text(t) for t in TINY] == ["", "", "a", "a", "\u00e9", "", "a b", "i\u0307", "\U0001f600"]
    for _ in range(2_000):
        for k, call in enumerate(calls):
            for t in TINY:
                assert call(t) == first[k, t]


# ---- huge pattern and motif sets -------------------------------------------------------------


def test_ten_thousand_patterns():
    ex = RustPatternExtractor({f"c{k}": [rf"word{i}\b" for i in range(k, 10_000, 10)] for k in range(10)})
    assert ex.find_categorized_spans("x word1234 word9999 word10000") == [(2, 10, "c4"), (11, 19, "c9")]
    assert ex.has_any_match("word") is False
    assert len(ex.extract("word5")) == 15


def test_hundred_thousand_motifs():
    motifs = {f"c{k}": [f"Motif{i:05d}" for i in range(k, 100_000, 7)] for k in range(7)}
    text = "zz MOTIF00042 and motif99999 and motif5000x"
    exact = [("motif00042", "c0", 3), ("motif99999", "c4", 18)]
    # The fuzzy pass scores every motif but none reaches a threshold above 100.
    for use_fuzzy in (False, True):
        m = RustMotifMatcher(motifs, 101, use_fuzzy)
        got = [(h["motif"], h["category"], h["position"]) for h in m.find_matches(text, 50, 25)]
        assert got == exact


# ---- patterns at the compiler's limits -------------------------------------------------------

NEST = "exceed the maximum number of nested parentheses/brackets (250)"
TOO_BIG = "Failed to compile RegexSet: Compiled regex exceeds size limit of 10485760 bytes."


@pytest.mark.parametrize(
    "pattern, ending",
    [
        ("(" * 250 + "a" + ")" * 250, NEST),
        ("(" * 100_000 + "a" + ")" * 100_000, NEST),  # no recursion as deep as the input
        ("[" * 100_000 + "a" + "]" * 100_000, NEST),
        ("a" + "*" * 100_000, NEST),
        ("(" * 100_000, "error: unclosed group"),
        ("[" * 100_000, "error: unclosed character class"),
        (r"\w{1000}", TOO_BIG),
        # No prefix common to every word: "w0|w1|..." would share its w and become a small trie.
        ("|".join(f"{i}w" for i in range(100_000)), TOO_BIG),
    ],
    ids=["nest-250", "parens-1e5", "brackets-1e5", "stars-1e5", "open-parens", "open-brackets", "word-1000",
         "alternation-1e5-words"],
)
def test_patterns_beyond_the_limits_are_refused(pattern, ending):
    exc = raised(lambda: RustPatternExtractor({"c": [pattern]}))
    assert type(exc) is ValueError and len(exc.args) == 1
    assert exc.args[0].startswith("Failed to compile RegexSet: ") and exc.args[0].endswith(ending)


@pytest.mark.parametrize(
    "pattern, text, spans",
    [
        ("(" * 249 + "a" + ")" * 249, "xA", [(1, 2)]),
        (r"\w{100}", "\u00e9" * 100, [(0, 200)]),
        # Searching costs text x pattern size at worst, so the long literal meets a short text.
        ("a" * 100_000, "b" + "A" * 1000, []),
        ("a" * 1000, "b" + "A" * 1001, [(1, 1001)]),
        ("|".join(["a"] * 100_000), "ba", [(1, 2)]),
        # Within the size limit: one class repeated (a match would cost text x pattern size), and
        # 80,000 optional copies (built in linear time).
        ("(?:a|b|c|d|e|f){131070}", "aBcDeF" * 10, []),
        ("x{0,80000}", "a" + "X" * 100_000 + "b", [(0, 0), (1, 100_001), (100_002, 100_002)]),
    ],
    ids=["nest-249", "word-100", "literal-1e5", "literal-1e3", "alternation-1e5", "class-alternation-131070",
         "optional-8e4"],
)
def test_patterns_at_the_limits_work(pattern, text, spans):
    assert RustPatternExtractor({"c": [pattern]}).find_pattern_spans(text) == spans


# ---- caller objects that misbehave during conversion -----------------------------------------


class MutatesOnIter(list):
    """A pattern list whose iteration changes the dict being converted."""

    def __init__(self, items, target, change):
        super().__init__(items)
        self.target, self.change = target, change

    def __iter__(self):
        self.change(self.target)
        return super().__iter__()


def replace_key(d):
    del d["a"]
    d["added"] = ["z"]


@pytest.mark.parametrize(
    "change, message",
    [
        (lambda d: d.__setitem__("added", ["z"]), "dictionary changed size during iteration"),
        (lambda d: d.clear(), "dictionary changed size during iteration"),
        (replace_key, "dictionary keys changed during iteration"),
    ],
)
def test_pattern_dict_changed_during_conversion_panics(change, message):
    patterns = {"a": ["x"]}
    patterns["b"] = MutatesOnIter(["y"], patterns, change)
    exc = raised(lambda: RustPatternExtractor(patterns))
    assert is_panic(exc) and exc.args == (message,)
    assert RustPatternExtractor({"a": ["x"]}).has_any_match("X") is True


class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class IterReturns(list):
    def __init__(self, result):
        super().__init__(["a"])
        self.result = result

    def __iter__(self):
        return self.result


class FailsAfterOne(list):
    def __init__(self, error):
        super().__init__(["a", "b"])
        self.error = error

    def __iter__(self):
        yield "a"
        raise self.error


class LenReturns(list):
    def __init__(self, result):
        super().__init__(["a", "b"])
        self.result = result

    def __len__(self):
        return self.result


def numpy_bool_with(bool_attribute):
    return type("bool_", (), {"__module__": "numpy", "__bool__": bool_attribute})()


WRONG_TYPES = [
    (lambda m: RustMotifMatcher({"c": ["a"]}, Index(1.5), True), TypeError,
     "argument 'threshold': __index__ returned non-int (type float)"),
    (lambda m: RustMotifMatcher({"c": ["a"]}, Index(2**70), True), OverflowError, None),
    (lambda m: RustMotifMatcher({"c": ["a"]}, Index(-1), True), OverflowError,
     "out of range integral type conversion attempted"),
    (lambda m: m.find_matches("abc", Index("50"), 1), TypeError,
     "argument 'window_size': __index__ returned non-int (type str)"),
    (lambda m: m.find_matches("abc", 50, Index(-1)), OverflowError, None),
    (lambda m: m.find_matches("abc", 50, Index(2**64)), OverflowError, None),
    (lambda m: RustMotifMatcher({"c": IterReturns(3)}, 80, True), TypeError,
     "argument 'motifs': iter() returned non-iterator of type 'int'"),
    (lambda m: RustPatternExtractor({"c": IterReturns(None)}), TypeError,
     "argument 'patterns': iter() returned non-iterator of type 'NoneType'"),
    (lambda m: RustMotifMatcher({"c": FailsAfterOne(TypeError("late"))}, 80, True), TypeError,
     "argument 'motifs': late"),
    (lambda m: RustPatternExtractor({"c": FailsAfterOne(ValueError("late"))}), ValueError, "late"),
    (lambda m: RustMotifMatcher({"c": ["a"]}, 80, numpy_bool_with(5)), TypeError,
     "argument 'use_fuzzy': 'int' object is not callable"),
]


@pytest.mark.parametrize("call, error, message", WRONG_TYPES)
def test_caller_objects_of_the_wrong_type(call, error, message):
    m = RustMotifMatcher({"c": ["abc"]}, 80, True)
    exc = raised(lambda: call(m))
    assert type(exc) is error
    assert str(exc) == message if message is not None else "argument" not in str(exc)
    assert m.find_matches("xabcx", 50, 25)[0]["position"] == 1


@pytest.mark.parametrize("claimed", ["two", -1, 2**100, 1.5])
def test_a_length_that_is_not_a_size_only_loses_the_hint(claimed):
    ex = RustPatternExtractor({"c": LenReturns(claimed)})
    assert ex.find_categorized_spans("b a") == [(0, 1, "c"), (2, 3, "c")]


# ---- lone surrogates in text arguments not covered elsewhere ---------------------------------

SURROGATE = "x\udc80y"
SURROGATE_CALLS = {
    "extract": lambda ex, m: ex.extract(SURROGATE),
    "has_any_match": lambda ex, m: ex.has_any_match(SURROGATE),
    "find_pattern_spans": lambda ex, m: ex.find_pattern_spans(text=SURROGATE),
    "get_match_positions": lambda ex, m: m.get_match_positions(SURROGATE),
    "pattern key": lambda ex, m: RustPatternExtractor({SURROGATE: ["a"]}),
    "pattern value": lambda ex, m: RustPatternExtractor({"c": ["a", SURROGATE]}),
    "motif key": lambda ex, m: RustMotifMatcher({SURROGATE: ["a"]}, 80, True),
}


@pytest.mark.parametrize("site", sorted(SURROGATE_CALLS))
def test_lone_surrogate_is_the_interpreters_error(site):
    ex, m = RustPatternExtractor({"c": ["a"]}), RustMotifMatcher({"c": ["a"]}, 80, True)
    exc = raised(lambda: SURROGATE_CALLS[site](ex, m))
    assert type(exc) is UnicodeEncodeError and "argument" not in str(exc)
    assert ex.has_any_match("a") and m.get_match_positions("a") == [(0, 1)]


class StrFails(str):
    def __str__(self):
        raise ValueError("no str() for this keyword")


# A keyword without a UTF-8 form is shown as it is; one whose str() fails by its plain value.
@pytest.mark.parametrize("keyword, shown", [("k\ud800", "k\ud800"), (StrFails("txt"), "txt")])
@pytest.mark.parametrize(
    "call",
    [
        lambda bad: native_module.normalize_text("a", **bad),
        lambda bad: RustPatternExtractor({}).extract(text="a", **bad),
        lambda bad: RustMotifMatcher({}, 1, True, **bad),
    ],
)
def test_unexpected_keyword_is_always_a_type_error(call, keyword, shown):
    exc = raised(lambda: call({keyword: 1}))
    assert type(exc) is TypeError
    assert str(exc).endswith(f" got an unexpected keyword argument '{shown}'")


# ---- a keyword dictionary that the caller's own code empties mid-call ------------------------


class ClearsOnIndex:
    """An integer argument whose __index__ empties the keyword dictionary of the call."""

    def __init__(self, kwargs, value):
        self.kwargs, self.value = kwargs, value

    def __index__(self):
        self.kwargs.clear()
        return self.value


@pytest.mark.parametrize("cleared_by", ["window_size", "step"])
def test_keyword_dict_emptied_during_conversion(cleared_by):
    # A call through the C API can hand the callee the caller's own keyword dict
    # (the interpreter copies it for f(**d)); the text must survive its removal.
    import ctypes

    call = ctypes.pythonapi.PyObject_Call
    call.restype = ctypes.py_object
    call.argtypes = [ctypes.py_object, ctypes.py_object, ctypes.py_object]
    m = RustMotifMatcher({"c": ["abc"]}, 80, False)
    kwargs = {"text": "x" * 100_000 + "ABC", "window_size": 50, "step": 25}
    kwargs[cleared_by] = ClearsOnIndex(kwargs, kwargs[cleared_by])
    hits = call(m.find_matches, (), kwargs)
    assert kwargs == {} and [(h["motif"], h["position"]) for h in hits] == [("abc", 100_000)]


# ---- another interpreter ---------------------------------------------------------------------


def test_import_from_a_sub_interpreter_is_refused_and_harmless():
    interpreters = pytest.importorskip("_xxsubinterpreters")
    if not hasattr(interpreters, "RunFailedError"):
        pytest.skip("this interpreter's sub-interpreter module reports failures differently")
    interpreter = interpreters.create()
    try:
        with pytest.raises(interpreters.RunFailedError) as info:
            interpreters.run_string(interpreter, "import kestrowin_clean._native")
    finally:
        interpreters.destroy(interpreter)
    assert "ImportError'>: PyO3 modules do not yet support subinterpreters, see " in str(info.value)
    assert normalize_text("STILL  Here") == "still here"
