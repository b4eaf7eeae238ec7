#!/usr/bin/env bash
# tst_debpackage.sh BUILD_DIR: packages a plain build, checks Depends and lintian, then uses the
# unpacked programs alone, as a site would. Exits 77 (skip) without a build there, unless CI=true.
set -euo pipefail
build=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
if [ ! -f "$build/CPackConfig.cmake" ]; then
    [ "${CI:-}" = "true" ] && fail "no plain build in $build (scripts/test.sh makes it)"
    echo "SKIP: no plain build in $build (scripts/test.sh makes it)"; exit 77
fi
setting() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
version=$(setting CMAKE_PROJECT_VERSION)
work=$(mktemp -d "${TMPDIR:-/tmp}/kvt-deb.XXXXXX")
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" ||
    { cat "$work/cpack.log"; fail "cpack"; }
deb=$(echo "$work"/out/*.deb)
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# Loaded by name, then found by the library scan; never a sanitizer runtime.
for package in libqt6sql6-sqlite libqt6sql6-psql libqt6sql6-odbc libqt6gui6 fonts-liberation2 \
        libqt6widgets6 libqt6network6 libqt6sql6 libc6; do
    grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package"
done
! grep -q "libasan\|libubsan" <<<"$depends" || fail "a sanitizer build was packaged"
lintian --fail-on error "$deb" || fail "lintian reports errors"
root="$work/root"
dpkg-deb -x "$deb" "$root"
bin="$root/usr/bin"
data="$root$(setting KVT_INSTALL_HOST_DIR)"
unset LD_LIBRARY_PATH KVT_HOST_DIR KVT_CONNECTION
export QT_QPA_PLATFORM=offscreen KVT_CEP_URL=http://127.0.0.1:9
for program in pos-host kvt-db; do
    [ "$("$bin/$program" --version)" = "$program $version" ] || fail "$program --version"
done
"$bin/pos-host" --help | grep -q "default $data\$" || fail "pos-host --help: host folder"
database="driver=QSQLITE;database=$data/Dados/kvt04410.db"
"$bin/kvt-db" --connection "$database" --create --demo --consumers 20 --parameters-file "$data"
cd "$work"
output=$("$bin/pos-host" --replay "$root/usr/share/doc/kvt04410/examples/demo.replay" \
    "" "" 11955550000 NOVO) && grep -qx "RESULT 11955550000" <<<"$output" ||
    { echo "$output"; fail "no consumer saved"; }
stored=$("$bin/kvt-db" --connection "$database" --show-consumer 11955550000)
grep -qx "NMCONSUMIDOR: Maria Oliveira" <<<"$stored" || { echo "$stored"; fail "the stored row"; }
