#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite twice: in a normal build and in
# a build with the address and undefined-behaviour sanitizers, where any report
# fails the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
jobs=$(nproc)

echo "== normal build"
"$root/scripts/build.sh" "$root/build"
ctest --test-dir "$root/build" -j "$jobs" --output-on-failure

echo "== sanitizer build (address, undefined behaviour, leaks)"
"$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DBVD_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/build-asan" -j "$jobs" --output-on-failure
