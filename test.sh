#!/usr/bin/env bash
# Installs what is missing, builds a Debug tree with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs every test. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh
korvel_install_deps
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime

build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVEL_SANITIZE=ON -DKORVEL_SHARED_LIBS=ON >/dev/null
cmake --build "$build"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build"
ctest --output-on-failure -j"$(nproc)"
