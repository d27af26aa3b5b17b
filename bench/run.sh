#!/bin/sh
# Builds script_bench and formula_bench in Release and runs them against their peers. Extra arguments go to
# both programs (e.g. --runs 5; formula_bench reads only --runs).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
# "bench/run.sh export [--runs N] [--no-peers] [--only NAME]": the export benchmark; export_bench runs
# its peers (LibreOffice headless, pdftoppm) itself on the same data. KORVEL_BENCH_DIR picks the build folder.
if [ "$1" = export ]; then
  shift
  dir=${KORVEL_BENCH_DIR:-$root/build/bench}
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVEL_BENCH=ON -DKORVEL_TESTS=OFF
  ninja -C "$dir" export_bench
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} exec "$dir/bench/export_bench" "$@"
fi
missing=""
command -v lua5.4 >/dev/null 2>&1 || missing="$missing lua5.4"
command -v mujs >/dev/null 2>&1 || missing="$missing mujs"
[ -f /usr/include/muParser.h ] || missing="$missing libmuparser-dev"
if [ -n "$missing" ]; then
  if [ "$(id -u)" = 0 ]; then apt-get install -y $missing; else sudo apt-get install -y $missing; fi
fi
cmake -S "$root" -B "$root/build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVEL_BENCH=ON -DKORVEL_TESTS=OFF
ninja -C "$root/build/bench" script_bench formula_bench
"$root/build/bench/bench/formula_bench" "$@" || echo "formula_bench: failed status"
exec "$root/build/bench/bench/script_bench" --scripts "$root/bench/scripts" "$@"
