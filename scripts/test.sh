#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. With --sanitize the
# same tests run under AddressSanitizer and UndefinedBehaviorSanitizer too.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
presets=(release)
[ "${1:-}" = "--sanitize" ] && presets+=(asan)
for preset in "${presets[@]}"; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" --parallel "$(nproc)"
done
