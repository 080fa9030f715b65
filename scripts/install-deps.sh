#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when they are missing.
# Safe to run again: it does nothing when everything is present, and updates the package lists at most once.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev git python3 tzdata locales
    libsimdjson-dev libicu-dev libboost-url1.81-dev libssl-dev libcurl4-openssl-dev libcli11-dev
    qt6-base-dev libgtest-dev libgmock-dev libbenchmark-dev libmimalloc-dev nodejs
    fonts-dejavu-core dbus-daemon
    # The real-window test: a virtual X server, a window manager and X input, with Qt's X11 platform plugin.
    xvfb openbox xdotool qt6-qpa-plugins
)
# The sync tests' server runs on Node. Some Node builds bundle npm and conflict with Debian's npm package.
if ! command -v npm >/dev/null; then
    packages+=(npm)
fi
# The desktop: libsecret's headers (the library is loaded at run time) and the desktop's services the tests start on
# buses of their own (GNOME Keyring, a stand-in Secret Service in Python), and the checks of the installed files.
packages+=(
    pkgconf libsecret-1-0 libsecret-1-dev libsecret-tools gnome-keyring dbus-daemon python3-dbus python3-gi
    desktop-file-utils appstream librsvg2-bin
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} > 0)); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    if [[ $(id -u) -ne 0 ]]; then
        sudo_cmd=(sudo)
    fi
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
