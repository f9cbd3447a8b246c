#!/usr/bin/env bash
# Compiles every source of the macOS build, for arm64 and for x86_64, against
# the macOS SDK in ../shared/macos-sdk (headers and library stubs only, so
# nothing is linked): the macOS build is configured with the release preset
# (its deployment target included) and each of its compile commands runs
# with -fsyntax-only. A call newer than the deployment target fails.
set -euo pipefail
cd "$(dirname "$0")/.."

sdk=../shared/macos-sdk
if [ ! -d "$sdk/include" ]; then
  echo "check-macos: no macOS SDK at $sdk; macOS sources not checked."
  exit 0
fi
sdk=$(cd "$sdk" && pwd)
bash scripts/setup.sh
clang=$(command -v clang++-16)
multiarch=$(gcc -print-multiarch)

# The libraries' own headers (Linux builds of the same libraries) come before
# the SDK's, whose unicode/ holds only ICU's C interface; the C library's
# headers come from the SDK alone.
headers=build/macos/include
rm -rf "$headers" && mkdir -p "$headers"
for name in unicode plist simdjson.h fmt gtest gmock; do
  ln -s "/usr/include/$name" "$headers/$name"
done
headers=$(cd "$headers" && pwd)
CHECK_FLAGS=$(printf '%q ' -fsyntax-only -Werror -nostdinc -nostdinc++ -isystem "$headers" -isystem "$sdk/include/c++/v1" \
  -isystem "$($clang -print-resource-dir)/include" -isystem "$sdk/include" -iframework "$sdk/Frameworks")
export CHECK_FLAGS

failed=0
for arch in arm64 x86_64; do
  build=build/macos/$arch
  rm -rf "$build"
  # A macOS configuration on this machine: the compiler is not tried (it
  # cannot link), and packages are found where Debian keeps them.
  if ! cmake --preset release -B "$build" -Wno-dev \
      -DCMAKE_SYSTEM_NAME=Darwin -DCMAKE_OSX_ARCHITECTURES="$arch" \
      -DCMAKE_CXX_COMPILER="$clang" -DCMAKE_OBJCXX_COMPILER="$clang" \
      -DCMAKE_CXX_COMPILER_TARGET="$arch-apple-darwin" -DCMAKE_OBJCXX_COMPILER_TARGET="$arch-apple-darwin" \
      -DCMAKE_CXX_COMPILER_WORKS=ON -DCMAKE_OBJCXX_COMPILER_WORKS=ON -DCMAKE_HAVE_LIBC_PTHREAD=ON \
      -DCMAKE_LIBRARY_ARCHITECTURE="$multiarch" -DCMAKE_FRAMEWORK_PATH="$sdk/Frameworks" \
      -DCMAKE_INSTALL_NAME_TOOL=/bin/true -DCHORDMAP_CODESIGN=/bin/true >"$build.log" 2>&1; then
    cat "$build.log"
    exit 1
  fi

  target=$(sed -n 's/^CMAKE_OSX_DEPLOYMENT_TARGET:[A-Z]*=//p' "$build/CMakeCache.txt")
  plist=$build/src/Chordmap.app/Contents/Info.plist
  if ! grep -A1 '<key>LSMinimumSystemVersion</key>' "$plist" | grep -q "<string>$target</string>"; then
    echo "check-macos: $plist does not name the deployment target $target as its minimum"
    failed=1
  fi

  # Files that include their moc output need it: the build's own moc steps.
  ninja -C "$build" -t commands | grep -F ' -E cmake_autogen ' | sh -e >/dev/null

  # Every compile command whose source exists: the tree's files and the moc
  # output. The QML cache, resources and type registrations, Qt's code around
  # our QML and images, exist only after a whole build.
  jq -r --arg headers "$headers" '.[] | .file + "\t"
      + (.command | sub(" -o .*$"; "") | gsub("-isystem /usr/include(?= )"; "-isystem " + ($headers | @sh)))
      + " " + (.file | @sh)' "$build/compile_commands.json" |
    while IFS=$'\t' read -r file command; do
      if [ -f "$file" ]; then printf '%s\n' "$command"; fi
    done >"$build/checks"
  count=$(wc -l <"$build/checks")
  # One compile per line, in parallel; each prints its diagnostics whole.
  if ! (cd "$build" && xargs -a checks -d '\n' -n 1 -P "$(nproc)" sh -c \
      'out=$(eval "$1 $CHECK_FLAGS" 2>&1); status=$?; [ -z "$out" ] || printf "%s\n\n" "$out"; exit $status' sh); then
    failed=1
  fi
  echo "check-macos: $arch, macOS $target: $count files"
done
exit "$failed"
