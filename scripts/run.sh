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
    # The demo registers a consumer, so it runs on a fresh copy of the demo data each time and
    # leaves the database above as it was.
    demo="driver=QSQLITE;database=$bin/Dados/kvt04410-demo-run.db"
    rm -f "$bin/Dados/kvt04410-demo-run.db"
    "$bin/kvt-db" --connection "$demo" --create --demo >/dev/null
    # Without arguments the demo registers a new consumer for the telephone 11955550000.
    [ $# -gt 0 ] || set -- "" "" 11955550000 NOVO
    output=$(QT_QPA_PLATFORM=offscreen "$bin/pos-host" --connection "$demo" \
        --replay "$bin/demo.replay" "$@")
    echo "$output"
    echo "Screenshot: $bin/kvt04410-screen.png"
    phone=$(echo "$output" | sed -n 's/^RESULT \([0-9][0-9]*\)$/\1/p')
    if [ -n "$phone" ]; then
        echo "Stored consumer:"
        "$bin/kvt-db" --connection "$demo" --show-consumer "$phone"
    fi
else
    exec "$bin/pos-host" "$@"
fi
