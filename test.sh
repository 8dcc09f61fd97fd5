#!/usr/bin/env bash
# Builds and tests Kestrin: natively with sanitizers, then the Windows builds, whose tests run under Wine.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake_quiet=(-Wno-dev --log-level=WARNING)
summary=()
failed=0

# Runs one stage, recording its outcome; a failed stage does not stop the others.
stage() {
  local name=$1 started=$SECONDS
  shift
  echo "=== $name"
  if "$@"; then
    summary+=("$name ok ($((SECONDS - started)) s)")
  else
    summary+=("$name FAILED")
    failed=1
  fi
}

# The core's tests run once, natively, under AddressSanitizer and UndefinedBehaviorSanitizer.
native_asan() {
  # Unoptimised: the sanitizers find the same faults, and the build takes a third of the time.
  cmake -S . -B build/native-asan "${cmake_quiet[@]}" -DKESTRIN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug &&
    cmake --build build/native-asan -j "$jobs" &&
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      ctest --test-dir build/native-asan -j "$jobs" --output-on-failure
}

windows_build() {
  local dir=$1 toolchain=$2 tests=$3
  cmake -S . -B "$dir" "${cmake_quiet[@]}" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/$toolchain" \
    -DKESTRIN_BUILD_TESTS="$tests" &&
    cmake --build "$dir" -j "$jobs" &&
    cmake --build "$dir" --target package >/dev/null &&
    cmake --build "$dir" --target msi >/dev/null &&
    echo "package: $(cat "$dir"/kestrin-*.zip.sha256)" &&
    echo "package: $(cat "$dir"/kestrin-*.msi.sha256)"
}

# The program is 32-bit, but some kernels run no 32-bit code at all (IA-32 emulation off); there the
# Windows tests run from the x64 build of the same sources instead.
# The other build needs no tests: only what ships is checked in it.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  wine_dir=build/win32
  wine_stage=win32-build
  win32_tests=ON
  win64_tests=OFF
else
  wine_dir=build/win64
  wine_stage=win64-build
  win32_tests=OFF
  win64_tests=ON
  echo "note: this machine cannot run 32-bit programs; the Windows tests run from the x64 build" >&2
fi

win32_build() { windows_build build/win32 mingw-i686.cmake "$win32_tests"; }
win64_build() { windows_build build/win64 mingw-x86_64.cmake "$win64_tests"; }
# What ships, for both builds: no Wine needed.
release_checks() {
  ctest --test-dir build/win32 -L release --output-on-failure &&
    ctest --test-dir build/win64 -L release --output-on-failure
}
if [[ $wine_stage == win32-build ]]; then other_build=win64-build; else other_build=win32-build; fi

# The stages the Windows tests do not need.
other_stages() {
  stage "native-asan" native_asan
  stage "clang-windows" scripts/check-clang-windows.sh
  stage "$other_build" "${other_build/-/_}"
}

stage "$wine_stage" "${wine_stage/-/_}"
if [[ $failed -ne 0 ]]; then
  other_stages
  stage "release-checks" release_checks
  echo "=== stages: ${summary[*]}"
  echo "Windows tests: not run, their build failed"
  exit 1
fi

# The Windows tests mostly wait on the program and the service manager: the other stages run beside
# them at the lowest priority, so they take the time the tests leave idle and never hold them up.
other_log=$(mktemp /tmp/kestrin-test-stages.XXXXXX)
trap 'rm -f "$other_log"' EXIT
(
  renice -n 19 -p "$BASHPID" >/dev/null || true
  ionice -c 3 -p "$BASHPID" 2>/dev/null || true
  summary=()
  other_stages
  echo "=== stages beside the Windows tests: ${summary[*]}"
  [[ " ${summary[*]} " != *" FAILED"* ]]
) >"$other_log" 2>&1 &
others=$!

echo "=== Windows tests under Wine ($wine_dir), the other stages beside them"
python3 tests/support/winenv.py teardown "$wine_dir" >/dev/null 2>&1 || true  # leftovers of an interrupted run
# The full benchmarks take minutes: they run on their own (README), the short form runs here.
started=$SECONDS
if ctest --test-dir "$wine_dir" -LE 'release|bench-full' --output-on-failure; then
  summary+=("windows-tests ok ($((SECONDS - started)) s)")
else
  summary+=("windows-tests FAILED")
  failed=1
fi

wait "$others" || failed=1
cat "$other_log"
stage "release-checks" release_checks
echo "=== stages: ${summary[*]}"
exit "$failed"
