import importlib
import sys

import pytest


@pytest.fixture(scope="session")
def native():
    return importlib.import_module("kestrowin_clean._native")
