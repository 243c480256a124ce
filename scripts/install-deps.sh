#!/usr/bin/env bash
# Installs what building, running and testing the program needs on Debian 12 (run as root).
set -euo pipefail

packages=(
    build-essential cmake
    qt6-base-dev qt6-serialport-dev libqt6sql6-sqlite libgl-dev
    libgtest-dev libgmock-dev
    libsqlite3-dev sqlite3
    # Excel workbooks of the records export (ZIP archives compressed with zlib), and the reader
    # its tests check them with
    zlib1g-dev pkg-config python3-openpyxl
    # the plant-wide records store on a PostgreSQL server, and the server its tests start; libpq's
    # header gives the socket of a server connection the store breaks off when it ends, and the
    # plain insert its benchmark compares with
    libqt6sql6-psql postgresql libpq-dev
    # the gateway: MQTT publishing through libmosquitto; the Modbus TCP server is the program's own
    libmosquitto-dev
    # the gateway's tests and benchmark: libmodbus as a Modbus TCP client (exception replies, many
    # clients at once, the load benchmark), mbpoll reading registers from the command line, a
    # mosquitto broker the tests start on a loopback port and its mosquitto_sub and
    # mosquitto_passwd
    libmodbus-dev mbpoll mosquitto mosquitto-clients
    fonts-noto-cjk
    # Qt's own dialogs and buttons in Chinese (Qt's translation catalogues)
    qt6-translations-l10n
    xvfb xauth imagemagick xdotool
)

installed=$(dpkg-query -W -f='${db:Status-Status}\n' "${packages[@]}" 2>/dev/null |
            grep -c '^installed$' || true)
if [ "$installed" -ne "${#packages[@]}" ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${packages[@]}"
fi
