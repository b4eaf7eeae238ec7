#!/usr/bin/env bash
# Installs what is missing, builds, creates the demo database on first use and starts the
# reference host with the registration screen. Without a display it runs the bundled demo
# replay offscreen, prints what happened and writes a screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
build="$root/build"
"$root/scripts/build.sh" "$build" -DBUILD_TESTING=OFF
bin="$build/bin"

database="$bin/Dados/kvt04410.db"
if [ ! -f "$database" ]; then
    echo "Creating the demo database in $database"
    mkdir -p "$bin/Dados"
    "$bin/kvt-db" --connection "driver=QSQLITE;database=$database" --create --demo \
        --parameters-file "$bin"
fi

export KVT_HOST_DIR="$bin"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cd "$bin"
    QT_QPA_PLATFORM=offscreen "$bin/pos-host" --replay "$bin/demo.replay" "$@"
    echo "Screenshot: $bin/kvt04410-screen.png"
else
    exec "$bin/pos-host" "$@"
fi
