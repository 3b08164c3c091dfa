#!/usr/bin/env bash
# Sets up what building and running the module needs, then builds and installs
# the package into .venv. With --test it also sets up what the tests need (the
# test libraries and clang for the fuzz targets). Safe to run again: it reuses
# the venv and the build tree when they are sound and rebuilds them when not.
# PYTHON chooses the interpreter (default python3).
set -euo pipefail
cd "$(dirname "$0")/.."

with_tests=0
case "${1:-}" in
  "") ;;
  --test) with_tests=1 ;;
  *) echo "usage: scripts/setup.sh [--test]" >&2; exit 2 ;;
esac

python=${PYTHON:-python3}
command -v "$python" >/dev/null || { echo "setup: $python not found (Python 3.10 or later is required)" >&2; exit 1; }
"$python" -c 'import sys; assert sys.version_info >= (3, 10), sys.version' \
  || { echo "setup: Python 3.10 or later is required" >&2; exit 1; }

# The build needs a compiler, pkg-config and RE2 (the module loads the system's
# RE2 at run time); the tests add GoogleTest, nlohmann-json and clang with its
# runtime libraries for the libFuzzer targets.
apt_packages=(g++ pkg-config libre2-dev)
if ((with_tests)); then apt_packages+=(libgtest-dev nlohmann-json3-dev clang libclang-rt-dev); fi

# The interpreter must be able to make a venv (venv with ensurepip) and must
# come with its C headers. Debian ships both apart from the interpreter, in
# python3.X-venv and python3.X-dev; another interpreter has to bring its own.
python_lacks=()
"$python" -c 'import venv, ensurepip' 2>/dev/null || python_lacks+=(venv)
"$python" -c 'import os, sys, sysconfig
sys.exit(not os.path.isfile(os.path.join(sysconfig.get_paths()["include"], "Python.h")))' || python_lacks+=(dev)
if ((${#python_lacks[@]})); then
  real=$(readlink -f "$(command -v "$python")")
  version=$("$python" -c 'import sys; print("%d.%d" % sys.version_info[:2])')
  if [[ $real == /usr/bin/python3* ]] && dpkg-query -S "$real" >/dev/null 2>&1; then
    for part in "${python_lacks[@]}"; do apt_packages+=("python$version-$part"); done
  else
    echo "setup: $python ($real) lacks: ${python_lacks[*]}" >&2
    [[ " ${python_lacks[*]} " == *" venv "* ]] && echo "  - the venv module with ensurepip, to make .venv" >&2
    [[ " ${python_lacks[*]} " == *" dev "* ]] && echo "  - its C headers (Python.h), to build the module" >&2
    echo "  Install them for that interpreter, or choose another with PYTHON=/path/to/python3." >&2
    exit 1
  fi
fi

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

# A venv left half-made (no pip) by an earlier failed attempt is made again.
if ! .venv/bin/python -m pip --version >/dev/null 2>&1; then
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
