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
    # Nothing but the version: no display platform is started for it, nor its warnings.
    [ "$("$bin/$program" --version 2>&1)" = "$program $version" ] || fail "$program --version"
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

# Two operators of the site's group and one account outside it, as at a terminal (root only:
# the accounts are made here and removed afterwards).
[ "$(id -u)" = 0 ] && command -v useradd >/dev/null || { echo "SKIP: accounts need root"; exit 0; }
group=kvtg$$ first=kvta$$ second=kvtb$$ outsider=kvtc$$
cleanup() {
    for account in "$first" "$second" "$outsider"; do userdel "$account" 2>/dev/null || true; done
    groupdel "$group" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
groupadd "$group"
for account in "$first" "$second" "$outsider"; do useradd -M -N "$account"; done
usermod -aG "$group" "$first"; usermod -aG "$group" "$second"
chmod 755 "$work"
rm -f "$data"/Dados/kvt04410.db* "$data"/PARAMETROSZET.CDS
# A log an earlier version left to its creator's umask, then the package's configure step, run
# on this folder with its group (dpkg-statoverride as it would apply).
mkdir -p "$work/sbin" && printf 'x\n' >"$data/dados/logCep/logCep01012020.txt"
cat >"$work/sbin/dpkg-statoverride" <<'STUB'
#!/bin/sh
[ "$1" = --update ] && [ "$2" = --add ] && chown "$3:$4" "$6" && chmod "$5" "$6"
STUB
chmod 755 "$work/sbin/dpkg-statoverride"
dpkg-deb -e "$deb" "$work/control"
sed -e "s#$(setting KVT_INSTALL_HOST_DIR)#$data#g" -e "s#\(group\|--system\) kvt04410#\1 $group#" \
    -e "s#root kvt04410#root $group#g" "$work/control/postinst" >"$work/postinst"
PATH="$work/sbin:$PATH" sh "$work/postinst" configure
[ "$(stat -c %a:%G "$data/Dados")" = "2770:$group" ] || fail "the package's folders are not 2770"
[ "$(stat -c %a "$data/dados/logCep/logCep01012020.txt")" = 660 ] || fail "an older file kept its mode"
mkdir -m 1777 "$work/run"
as() { account=$1; shift; runuser -u "$account" -- sh -c "umask 022; cd $work/run; \"\$@\"" as "$@"; }
as "$first" "$bin/kvt-db" --connection "$database" --create --demo --consumers 20 \
    --parameters-file "$data" >/dev/null || fail "the first operator creates the database"
output=$(as "$second" "$bin/pos-host" --replay "$root/usr/share/doc/kvt04410/examples/demo.replay" \
    "" "" 11955550000 NOVO) && grep -qx "RESULT 11955550000" <<<"$output" ||
    { echo "$output"; fail "the second operator cannot register"; }
files=$(find "$data" -type f)
for file in $files; do
    [ "$(stat -c %a:%G "$file")" = "660:$group" ] || fail "$file: $(stat -c %a:%G "$file")"
    ! as "$outsider" cat "$file" >/dev/null 2>&1 || fail "an outside account reads $file"
done
refused=$(as "$outsider" "$bin/kvt-db" --connection "$database" --show-consumer 1 2>&1) &&
    fail "an outside account opened the database"
grep -q "grupo $group" <<<"$refused" || fail "no clear message for the outside account: $refused"
