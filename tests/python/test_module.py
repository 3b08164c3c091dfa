"""The module object, its import, and the calling conventions shared by every entry."""
import importlib
import subprocess
import sys

import pytest

import kestrowin_clean._native as native_module

EXPECTED_ALL = ["normalize_text", "RustPatternExtractor", "RustMotifMatcher", "text_to_features"]


def test_module_identity_and_docstring():
    assert native_module.__doc__ == "Native accelerator module for kestrowin-clean."
    assert native_module.__name__ == "kestrowin_clean._native"


def test_reimport_returns_the_same_module():
    first = sys.modules.pop("kestrowin_clean._native")
    try:
        second = importlib.import_module("kestrowin_clean._native")
        assert second is first
        assert second.__all__ == EXPECTED_ALL
    finally:
        sys.modules["kestrowin_clean._native"] = first


def test_all_lists_members_in_order():
    assert native_module.__all__ == EXPECTED_ALL
    assert all(hasattr(native_module, name) for name in EXPECTED_ALL)
    assert "PanicException" not in dir(native_module)


def test_only_the_init_entry_is_exported():
    # binutils' nm comes with the compiler that built the module.
    listing = subprocess.run(
        ["nm", "-D", "--defined-only", native_module.__file__], capture_output=True, text=True, check=True
    ).stdout
    assert [line.split()[-1] for line in listing.splitlines()] == ["PyInit__native"]


def test_function_metadata():
    f = native_module.normalize_text
    assert f.__text_signature__ == "(text)"
    assert f.__doc__ == "Fused text normalization: NFKC + strip invisible + collapse whitespace + lowercase."
    assert f.__module__ == "kestrowin_clean._native"
    assert f.__self__ is native_module


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda f: f(), "normalize_text() missing 1 required positional argument: 'text'"),
        (lambda f: f("a", "b"), "normalize_text() takes 1 positional arguments but 2 were given"),
        (lambda f: f("a", "b", "c"), "normalize_text() takes 1 positional arguments but 3 were given"),
        (lambda f: f("a", text="b"), "normalize_text() got multiple values for argument 'text'"),
        (lambda f: f(txt="a"), "normalize_text() got an unexpected keyword argument 'txt'"),
        (lambda f: f(None), "argument 'text': 'NoneType' object cannot be converted to 'PyString'"),
        (lambda f: f(b"abc"), "argument 'text': 'bytes' object cannot be converted to 'PyString'"),
        (lambda f: f(12), "argument 'text': 'int' object cannot be converted to 'PyString'"),
    ],
)
def test_argument_errors(call, message):
    with pytest.raises(TypeError) as info:
        call(native_module.normalize_text)
    assert type(info.value) is TypeError
    assert str(info.value) == message
    assert info.value.__cause__ is None


def test_lone_surrogate_raises_the_interpreters_error():
    with pytest.raises(UnicodeEncodeError) as info:
        native_module.normalize_text("a\ud800b")
    assert "argument" not in str(info.value)


def test_str_subclass_and_keyword_accepted():
    class S(str):
        pass

    assert native_module.normalize_text(S("  ABC ")) == "abc"
    assert native_module.normalize_text(text="X") == "x"


def test_error_paths_do_not_leak_references():
    arg = b"bytes argument"
    before = sys.getrefcount(arg)
    for _ in range(2000):
        with pytest.raises(TypeError):
            native_module.normalize_text(arg)
        with pytest.raises(TypeError):
            native_module.normalize_text(arg, txt=arg)
    assert sys.getrefcount(arg) == before
    text = "Some Text\u00a0here"
    before = sys.getrefcount(text)
    for _ in range(2000):
        native_module.normalize_text(text)
    assert sys.getrefcount(text) == before
