#!/usr/bin/env bash
# Sets everything up, then runs every test: the C++ core under CTest, then pytest,
# then both again on a sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --test
cmake_bin=.venv/bin/cmake
"$cmake_bin" -S . -B build/cpp -G Ninja -DKC_BUILD_PYTHON=OFF -DKC_BUILD_TESTS=ON \
  -DCMAKE_MAKE_PROGRAM="$PWD/.venv/bin/ninja" >/dev/null
"$cmake_bin" --build build/cpp
(cd build/cpp && ../../.venv/bin/ctest --output-on-failure -j "$(nproc)")
scripts/fuzz_smoke.sh
.venv/bin/python -m pytest tests/python -q
# The same suites on an ASan/UBSan build.
scripts/sanitize.sh
