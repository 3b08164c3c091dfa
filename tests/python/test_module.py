import kestrowin_clean._native as native


def test_module_docstring():
    assert native.__doc__ == "Native accelerator module for kestrowin-clean."
