#!/usr/bin/env bash
# Compiles every source of the program with clang for Windows (mingw-w64 headers), 32 and 64 bit,
# with its warnings as errors: a second compiler catches what g++ lets through, short of MSVC.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

mapfile -t sources < <(find src -name '*.cpp' | sort)
# One compiler run per source, two at a time; a failure names its source.
check() {
  local target=$1 source=$2 triple=${1%%-*}-w64-mingw32
  local sysroot=/usr/$triple
  # The C++ library headers of the mingw-w64 g++ that builds the program.
  local cxx
  cxx=$(ls -d /usr/lib/gcc/"$triple"/*-win32/include/c++ | head -n 1)
  clang++ --target="$target" --sysroot="$sysroot" -isystem "$cxx" -isystem "$cxx/$triple" \
    -isystem "$sysroot/include" -std=c++17 -fsyntax-only \
    -Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion -Werror \
    -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX -D_WIN32_WINNT=0x0601 \
    -Isrc -Isrc/app "$source" || { echo "clang ($target): $source failed" >&2; return 1; }
}
export -f check
for target in i686-w64-windows-gnu x86_64-w64-windows-gnu; do
  for source in "${sources[@]}"; do printf '%s\0%s\0' "$target" "$source"; done
done | xargs -0 -n 2 -P "$(nproc 2>/dev/null || echo 2)" bash -c 'check "$@"' _
