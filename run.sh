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
# The demo's description files go beside the program; the user's data (the database and
# settings.ini, which holds the column widths) lives in a folder of its own, so cleaning the build
# keeps it. KORVEL_DEMO_DATA chooses another folder.
data="${KORVEL_DEMO_DATA:-${XDG_DATA_HOME:-$HOME/.local/share}/korvel/demo}"
mkdir -p "$data"
find examples/demo -mindepth 1 -maxdepth 1 ! -name settings.ini -exec cp -r {} "$bin/" \;

# Earlier runs kept the database beside the program: it moves to the data folder once, and never
# over a database that is there already.
if [ -f "$bin/sqlite.db" ] && [ ! -L "$bin/sqlite.db" ] && [ ! -e "$data/sqlite.db" ]; then
  mv -n "$bin/sqlite.db" "$data/sqlite.db"
  echo "Moved the demo database to $data/sqlite.db"
fi
# A first run opens on sample rows; an existing database is left as it is.
if [ ! -e "$data/sqlite.db" ]; then
  "$build/tools/demodb/korvel_demodb" "$data/sqlite.db" "$bin/tables.ini" examples/sample-data.sql
fi
# The user's settings start as the demo's, with the database in the data folder; later runs keep
# them as the program and the options dialog left them. The program reads them through a link.
if [ ! -e "$data/settings.ini" ]; then
  awk -v db="$data/sqlite.db" '
    { print }
    /^\[Options\][[:space:]]*$/ { print "server=" db }
  ' examples/demo/settings.ini > "$data/settings.ini.new"
  mv "$data/settings.ini.new" "$data/settings.ini"
fi
ln -sfn "$data/settings.ini" "$bin/settings.ini"

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
