#!/usr/bin/env bash
# `make lint`: every C++ file of the tree as .clang-format lays it out, and
# clang-tidy clean with .clang-tidy, over the compile commands of BUILD.
# Usage: scripts/lint.sh [BUILD]   (BUILD configured; the lint builds only
# the tests' precompiled header, if BUILD has one)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
"$root/scripts/install-packages.sh" clang-format clang-tidy-22 clang-22

cd "$root"
mapfile -t files < <(git ls-files '*.cpp' '*.h')
echo "clang-format: ${#files[@]} files"
clang-format --dry-run -Werror "${files[@]}"

# A unity build's translation units are its generated files, which include
# the sources by design: there a grep over the sources stands in for
# bugprone-suspicious-include.
echo "clang-tidy: every translation unit of $build"
if git grep -nE '#include\s*["<][^">]*\.(c|cc|cpp|cxx)[">]' -- '*.cpp' '*.h'; then
  echo "a source file includes another source file" >&2
  exit 1
fi
# The test programs' shared precompiled header is read, not parsed, in each
# of their units; it must be built by clang 22, as clang-tidy 22 loads no
# other (make lint configures its tree so).
if grep -q '^Q6_PRECOMPILED_TEST_HEADERS:BOOL=ON' "$build/CMakeCache.txt"; then
  cmake --build "$build" --target q6_test_headers
fi
# clang-tidy 22 matches nothing inside the system's headers, which halves
# the lint's time against Debian 12's default 14; Google Benchmark's macros
# use __COUNTER__, which it calls an extension under -Wpedantic.
run-clang-tidy-22 -p "$build" -j "$(nproc)" -quiet -checks=-bugprone-suspicious-include \
  -extra-arg=-Wno-c2y-extensions \
  "$root/(agent|bench|fuzz|ipcdrv|lib|libq6time|tests|tools)/|$build/.*/Unity/" \
  > "$build/clang-tidy.log" 2>&1 || {
  grep -E '(warning|error): ' "$build/clang-tidy.log" | sort -u
  echo "clang-tidy found the above (full output: $build/clang-tidy.log)" >&2
  exit 1
}
