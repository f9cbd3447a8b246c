#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while, seeded
# from the shared corpus (when present), the examples and tests/fuzz/seeds.
# Usage: scripts/fuzz.sh [seconds per target, default 20] [target...]
# New inputs go to build/fuzz/corpus/<target>, crashes to build/fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
shift || true
build="${CHORDMAP_FUZZ_BUILD:-build/fuzz}"

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target fuzzers

corpus=../shared/corpus
home=examples/home
# Inputs that once failed: each target runs them again first.
findings=tests/fixtures/fuzz-findings
# One seed folder a line.
seeds() {
  case "$1" in
    PropertyListFuzzer | BinaryPropertyListFuzzer) printf '%s\n' "$corpus"/{keyboard-maestro,rectangle,maccy,raycast,monitorcontrol,symbolichotkeys} "$home" "$findings" ;;
    JsonFuzzer) printf '%s\n' "$corpus"/{karabiner,karabiner-rules,rectangle} tests/fuzz/seeds/json ;;
    KeyboardMaestroFuzzer) printf '%s\n' "$corpus/keyboard-maestro" "$home/Library/Application Support" "$findings" ;;
    KarabinerFuzzer) printf '%s\n' "$corpus"/{karabiner,karabiner-rules} ;;
    KnownPreferencesFuzzer) printf '%s\n' "$corpus"/{rectangle,maccy,raycast,monitorcontrol} "$home/Library/Preferences" "$home/Library/Containers" "$findings" ;;
    SkhdFuzzer) printf '%s\n' "$corpus/skhd" "$home/.config/skhd" ;;
    HammerspoonFuzzer | HammerspoonMatcherFuzzer) printf '%s\n' "$corpus/hammerspoon" ;;
    RaycastShortcutFuzzer) printf '%s\n' tests/fuzz/seeds/raycast ;;
    KeyNameFuzzer) printf '%s\n' tests/fuzz/seeds/keynames ;;
    CommandLineFuzzer) printf '%s\n' tests/fuzz/seeds/commandline ;;
  esac
}

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in tests/fuzz/*Fuzzer.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

# CI repeats the same mutations each run, so a pass there is not luck of the draw.
seed=()
[ -n "${CI:-}" ] && seed=(-seed=1)

mkdir -p "$build/findings"
for target in "${targets[@]}"; do
  mkdir -p "$build/corpus/$target"
  directories=()
  while IFS= read -r directory; do
    [ -d "$directory" ] && directories+=("$directory")
  done < <(seeds "$target")
  echo "== $target: ${seconds}s"
  log="$build/findings/$target.log"
  status=0
  "$build/tests/fuzz/$target" "${seed[@]}" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$build/findings/$target-" "$build/corpus/$target" "${directories[@]}" >"$log" 2>&1 || status=$?
  grep -E 'INFO: seed corpus|DONE|stat::number_of_executed_units|SUMMARY|ERROR|runtime error|Test unit written' "$log" || true
  [ "$status" -eq 0 ] || { echo "$target failed (log: $log)"; exit 1; }
done
