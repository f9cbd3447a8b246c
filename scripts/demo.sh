#!/usr/bin/env bash
# Installs what is missing, builds, and scans a few combinations against the
# shipped sample home directory, printing each snapshot as JSON.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target chordmap
home="$PWD/examples/home"
scan() {
  echo "== $1 =="
  HOME="$home" ./build/release/src/chordmap --scan "$2" "$3" "${@:4}"
}
scan "⌘ Space" 49 1048576
scan "⌃ ⌥ K" 40 786432
scan "⌃ ⌥ K in Terminal" 40 786432 --app com.apple.Terminal
scan "⇧ ⌘ V" 9 1179648
