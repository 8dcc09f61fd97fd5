#!/usr/bin/env bash
# Builds Kestrin for Windows and runs it under Wine, watching the bundled demo service "KestrinDemo".
# Arguments go to kestrin.exe (e.g. `./run.sh reset` asks for the names again). With $DISPLAY set the
# program shows there; without one it runs on a private Xvfb and a screenshot is saved.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
root=$PWD

scripts/install-deps.sh

# The program is 32-bit; a machine whose kernel runs no 32-bit code gets the x64 build of the same sources.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  build=$root/build/win32
  toolchain=mingw-i686.cmake
else
  build=$root/build/win64
  toolchain=mingw-x86_64.cmake
  echo "note: this machine cannot run 32-bit programs; running the x64 build" >&2
fi
env_dir=$root/build/run-env
log=$root/build/run-kestrin.log
screenshot=$root/build/run-screenshot.png

cmake -S . -B "$build" -Wno-dev --log-level=WARNING -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain"
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target kestrin kestrin_test_service kestrin_svctool

winenv() { python3 "$root/tests/support/winenv.py" "$@"; }
display_options=()
[[ -n ${DISPLAY:-} ]] && display_options=(--use-display "$DISPLAY")
winenv setup "$build" --env-dir "$env_dir" --keep-prefix "${display_options[@]}"

kestrin_pid=
finish() {
  trap - EXIT INT TERM
  [[ -n $kestrin_pid ]] && kill "$kestrin_pid" 2>/dev/null || true
  winenv teardown "$build" --env-dir "$env_dir" || true
}
trap finish EXIT
trap 'exit 130' INT TERM

svc() { winenv svc "$build" --env-dir "$env_dir" "$@" >/dev/null; }
svc create KestrinDemo "Z:${build//\//\\}\\kestrin_test_service.exe" "Kestrin Demo Service"
svc set-param KestrinDemo LogFile 'C:\kestrin-demo.log'
svc set-mode KestrinDemo normal
svc start KestrinDemo || true  # already running, or it starts on the next restart check

arguments="${*,,}"
if [[ $arguments != *reset* ]]; then
  svc reg-set 'HKCU\Software\Kestrin\Settings' "Computer Name" ""
  svc reg-set 'HKCU\Software\Kestrin\Settings' "Service Name" KestrinDemo
fi

# shellcheck source=/dev/null
source "$env_dir/env.sh"
# Output to a file: Wine's explorer inherits it and would keep a pipe open.
"$KESTRIN_WINE" "$build/kestrin.exe" "$@" </dev/null >"$log" 2>&1 &
kestrin_pid=$!
echo "Kestrin is running under Wine on display $DISPLAY (log: $log)"

if [[ -z ${display_options[*]} ]]; then
  sleep 5
  winenv screenshot "$build" --env-dir "$env_dir" "$screenshot"
  echo "Screenshot: $screenshot"
  echo "Press Ctrl+C to stop."
fi
wait "$kestrin_pid" || true
kestrin_pid=
