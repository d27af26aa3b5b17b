#!/bin/sh
# Builds script_bench in Release and runs it against the peer interpreters. Extra arguments go to
# script_bench (e.g. --runs 5).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
missing=""
command -v lua5.4 >/dev/null 2>&1 || missing="$missing lua5.4"
command -v mujs >/dev/null 2>&1 || missing="$missing mujs"
if [ -n "$missing" ]; then
  if [ "$(id -u)" = 0 ]; then apt-get install -y $missing; else sudo apt-get install -y $missing; fi
fi
cmake -S "$root" -B "$root/build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVEL_BENCH=ON -DKORVEL_TESTS=OFF
ninja -C "$root/build/bench" script_bench
exec "$root/build/bench/bench/script_bench" --scripts "$root/bench/scripts" "$@"
