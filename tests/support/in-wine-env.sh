#!/usr/bin/env bash
# Runs a command inside the Wine environment that `winenv.py setup <build_dir>` prepared.
# Usage: in-wine-env.sh <build_dir> <command> [args...]   (a .exe runs under wine)
set -euo pipefail

if [[ $# -lt 2 ]]; then
  echo "usage: $0 <build_dir> <command> [args...]" >&2
  exit 2
fi
build_dir=$(cd "$1" && pwd)
shift
env_dir=${KESTRIN_WINE_ENV_DIR:-$build_dir/wine-env}
if [[ ! -f $env_dir/env.sh ]]; then
  echo "in-wine-env.sh: no Wine environment in $env_dir; run winenv.py setup $build_dir first" >&2
  exit 1
fi
# shellcheck source=/dev/null
source "$env_dir/env.sh"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" KESTRIN_BUILD_DIR=$build_dir

case "${1,,}" in
  *.exe)
    # Output through a file: a Wine process that outlives the program would hold a pipe open forever.
    mkdir -p "$env_dir/logs"
    out=$(mktemp "$env_dir/logs/run-XXXXXX.log")
    status=0
    "$KESTRIN_WINE" "$@" </dev/null >"$out" 2>&1 || status=$?
    tr -d '\r' <"$out"
    if [[ $status -ne 0 ]]; then
      # A failure always names the command and its exit code, after the output or "(no output)".
      [[ -s $out ]] || echo "(no output)"
      how="exited with code $status"
      ((status > 128)) && how+=" (or was killed by signal $((status - 128)))"
      echo "in-wine-env.sh: $* $how" >&2
    fi
    rm -f "$out"
    exit "$status"
    ;;
  *)
    exec "$@"
    ;;
esac
