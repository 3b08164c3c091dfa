#!/usr/bin/env bash
# Sets everything up and calls every entry point of the module once.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
.venv/bin/python examples/demo.py
