#!/usr/bin/env bash
# Installs what the project needs from Debian packages; apt-get update only when one is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build
    qt6-base-dev libqt6sql6-sqlite libqt6sql6-psql libqt6sql6-odbc
    unixodbc odbc-postgresql postgresql
    fonts-liberation2 fonts-dejavu-core
    xvfb xdotool qt6-qpa-plugins libxcb-cursor0
    # the Debian package and its checks
    dpkg-dev file lintian
    # the SQL Server and Oracle texts executed on H2 in each product's mode, compared with SQLite
    default-jdk-headless libh2-java libxerial-sqlite-jdbc-java libgoogle-gson-java
)

# The grammar test of the SQL Server and Oracle texts runs under Node; one installed otherwise
# that brings its own npm serves as well.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    packages+=(nodejs npm)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
