#!/usr/bin/env bash
# Builds the libFuzzer targets under fuzz/ and runs each for a few seconds on
# its seed corpus, all at once, so that a change that crashes a kernel or
# breaks one of the targets' properties on a simple input fails the test run.
# New inputs found go to a scratch folder; the committed corpus is unchanged.
# FUZZ_SECONDS sets the time per target (default 5).
set -euo pipefail
cd "$(dirname "$0")/.."

command -v clang++ >/dev/null || { echo "fuzz_smoke: clang++ not found (scripts/setup.sh --test installs it)" >&2; exit 1; }
cmake_bin=.venv/bin/cmake
ninja_bin=$PWD/.venv/bin/ninja  # absolute: CMake runs it from its own scratch folders
[ -x "$cmake_bin" ] || cmake_bin=cmake
[ -x "$ninja_bin" ] || ninja_bin=ninja
build=build/fuzz
seconds=${FUZZ_SECONDS:-5}

start=$SECONDS
"$cmake_bin" -S fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_MAKE_PROGRAM="$(command -v "$ninja_bin")" >/dev/null
"$cmake_bin" --build "$build"
echo "fuzz_smoke: built in $((SECONDS - start)) s"

scratch="$build/smoke"
rm -rf "$scratch"
targets=()
for dir in fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
pids=()
for t in "${targets[@]}"; do
  mkdir -p "$scratch/$t/new"
  "$build/fuzz_$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix="$scratch/$t/" "$scratch/$t/new" "fuzz/corpus/$t" >"$scratch/$t/log" 2>&1 &
  pids+=($!)
done
failed=()
for i in "${!targets[@]}"; do
  t=${targets[$i]}
  if wait "${pids[$i]}"; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$scratch/$t/log")
    echo "fuzz_smoke: $t ok, ${runs:-?} executions"
  else
    failed+=("$t")
    echo "fuzz_smoke: $t FAILED; log and reproducer in $scratch/$t/" >&2
    grep -E 'fuzz property failed|ERROR|SUMMARY|Test unit written' "$scratch/$t/log" >&2 || tail -20 "$scratch/$t/log" >&2
  fi
done
echo "fuzz_smoke: $((${#targets[@]} - ${#failed[@]})) of ${#targets[@]} targets clean, $((SECONDS - start)) s in all"
((${#failed[@]} == 0))
