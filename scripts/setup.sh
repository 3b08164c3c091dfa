#!/usr/bin/env bash
# Sets up everything the build and the tests need, then builds and installs the
# package into .venv. Safe to run again: it reuses the venv and the build tree
# when they are sound and rebuilds them when they are not.
set -euo pipefail
cd "$(dirname "$0")/.."

# clang with its runtime libraries builds the libFuzzer targets under fuzz/.
apt_packages=(g++ pkg-config libre2-dev libgtest-dev nlohmann-json3-dev clang libclang-rt-dev)
missing=()
for p in "${apt_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing Debian packages: ${missing[*]}"
  if [ "$(id -u)" = 0 ]; then sudo=""; elif command -v sudo >/dev/null; then sudo="sudo"; else
    echo "setup: need root or sudo to install ${missing[*]}" >&2; exit 1; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

python=${PYTHON:-python3}
"$python" -c 'import sys; assert sys.version_info >= (3, 10), sys.version' \
  || { echo "setup: Python 3.10 or later is required" >&2; exit 1; }
if ! .venv/bin/python -c 'import sys' 2>/dev/null; then
  rm -rf .venv
  "$python" -m venv .venv
fi
stamp=.venv/.requirements.sha
want=$(sha256sum requirements-dev.txt | cut -d' ' -f1)
if [ "$(cat "$stamp" 2>/dev/null)" != "$want" ]; then
  .venv/bin/python -m pip install -q --upgrade pip
  .venv/bin/python -m pip install -q -r requirements-dev.txt
  echo "$want" > "$stamp"
fi
# The build tree under build/ is reused; a stale or foreign one is rebuilt by CMake.
.venv/bin/python -m pip install -q --no-build-isolation --no-deps . \
  || { echo "setup: incremental build failed, retrying from a clean build tree" >&2
       rm -rf build/cp310-abi3-*; .venv/bin/python -m pip install -q --no-build-isolation --no-deps .; }
