#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer, and runs
# every test with CTest, against SQLite and a throwaway PostgreSQL server of its own; the Debian
# package test uses the plain build of scripts/run.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
build="$root/build-test"
"$root/scripts/build.sh" "$build" -DKVT_SANITIZE=ON -DBUILD_TESTING=ON
# tst_debpackage packages the plain build of scripts/run.sh, as a site gets it.
"$root/scripts/build.sh" "$root/build" -DBUILD_TESTING=OFF
export QT_QPA_PLATFORM=offscreen
"$root/scripts/with-postgres.sh" ctest --test-dir "$build" --output-on-failure -j2 "$@"
