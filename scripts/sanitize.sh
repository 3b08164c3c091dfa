#!/usr/bin/env bash
# The test suites again, on a build instrumented with AddressSanitizer and
# UndefinedBehaviorSanitizer: the C++ tests under CTest, then pytest against
# the instrumented extension (kept in build/asan, never installed). Any report
# fails the run. Expects scripts/setup.sh --test to have run (it uses .venv).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/asan
.venv/bin/cmake -S . -B "$build" -G Ninja -DCMAKE_MAKE_PROGRAM="$PWD/.venv/bin/ninja" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKC_SANITIZE=ON -DKC_BUILD_TESTS=ON -DKC_BUILD_PYTHON=ON \
  -DPython_EXECUTABLE="$PWD/.venv/bin/python" >/dev/null
.venv/bin/cmake --build "$build"

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$build" && ASAN_OPTIONS=detect_leaks=1 ../../.venv/bin/ctest --output-on-failure -j "$(nproc)")

# The package as the tests import it: the sources plus the instrumented module.
stage="$build/python/kestrowin_clean"
rm -rf "$stage" && mkdir -p "$stage"
cp python/kestrowin_clean/*.py "$stage/"
cp "$build"/native/_native*.so "$stage/"

# The interpreter is not instrumented, so the ASan runtime must be loaded
# first, and the C++ runtime with it (ASan finds __cxa_throw at start-up, and
# the interpreter itself does not load libstdc++). The interpreter's own
# allocations at exit are not ours to report. PYTHONMALLOC=malloc puts Python
# objects on ASan's heap too, so a reference-count error in the binding shows
# up as a use after free.
export LD_PRELOAD
LD_PRELOAD="$(g++ -print-file-name=libasan.so) $(g++ -print-file-name=libstdc++.so)"
export PYTHONMALLOC=malloc PYTHONPATH="$PWD/$build/python"
# pytest captures the test's stderr, and a report ends the process before it
# could show it, so reports go to files that are shown when the run fails.
reports="$PWD/$build/reports"
rm -rf "$reports" && mkdir -p "$reports"
export ASAN_OPTIONS="detect_leaks=0:log_path=$reports/asan"
export UBSAN_OPTIONS="$UBSAN_OPTIONS:log_path=$reports/ubsan"
.venv/bin/python -c '
import sys, kestrowin_clean._native as m
sys.exit(0 if m.__file__.startswith(sys.argv[1]) else f"not the sanitized module: {m.__file__}")' "$PWD/$stage"
if ! .venv/bin/python -m pytest tests/python -q -p no:cacheprovider; then
  cat "$reports"/* 2>/dev/null || true
  exit 1
fi
