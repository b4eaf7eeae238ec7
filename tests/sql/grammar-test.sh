#!/usr/bin/env bash
# grammar-test.sh install WORK_DIR: installs the grammar package from package-lock.json into
#   WORK_DIR (again only when the lock changed; from npm's cache when it holds the package).
# grammar-test.sh check WORK_DIR KVT_DB PRODUCT: parses `kvt-db --statements PRODUCT`.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$2
for tool in node npm; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: scripts/setup.sh installs it" >&2; exit 1; }
done
case $1 in
install)
    mkdir -p "$work"
    if ! cmp -s "$here/package-lock.json" "$work/node_modules/.kvt-lock"; then
        cp "$here/package.json" "$here/package-lock.json" "$work/"
        (cd "$work" && npm ci --prefer-offline --no-audit --no-fund --loglevel=error)
        cp "$here/package-lock.json" "$work/node_modules/.kvt-lock"
    fi
    ;;
check)
    "$3" --statements "$4" >"$work/$4.jsonl"
    NODE_PATH="$work/node_modules" node "$here/check-grammar.js" "$4" "$work/$4.jsonl"
    ;;
*)
    echo "usage: $0 install|check WORK_DIR [KVT_DB PRODUCT]" >&2
    exit 2
    ;;
esac
