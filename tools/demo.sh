#!/usr/bin/env bash
# Builds Quillmere, writes a sample backup and opens the window on it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build -G Ninja
cmake --build build
echo "The window and the sample generator are not built yet; the build above succeeded." >&2
