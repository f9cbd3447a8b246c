#!/usr/bin/env bash
# Renders the window offscreen in its main states as PNG files, by default
# into build/release/screenshots (or the folder given).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target chordmap_screenshots
QT_QPA_PLATFORM=offscreen build/release/tools/screenshots/chordmap_screenshots "$@"
