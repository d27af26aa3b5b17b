#!/usr/bin/env bash
# Installs what is missing, builds Korvel in Release, lays the demo application out beside the
# program and starts it. Without a display it runs under Xvfb and saves build/screenshot.png.
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh
korvel_install_deps
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVEL_TESTS=OFF >/dev/null
cmake --build "$build" --target korvel korvel_demodb

bin="$build/app"
cp -r examples/demo/. "$bin/"
# A first run opens on sample rows; an existing database is left as it is.
if [ ! -e "$bin/sqlite.db" ]; then
  "$build/tools/demodb/korvel_demodb" "$bin/sqlite.db" "$bin/tables.ini" examples/sample-data.sql
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin/korvel"
fi

echo "No display: running Korvel under Xvfb for a screenshot."
shot="$PWD/build/screenshot.png"
rm -f "$shot"
KORVEL_SCREENSHOT="$shot" xvfb-run -a -s "-screen 0 1280x1024x24" "$bin/korvel"
if [ -f "$shot" ]; then
  echo "Saved a screenshot of the first window to build/screenshot.png"
else
  echo "Korvel started but no screenshot was saved" >&2
  exit 1
fi
