#!/usr/bin/env bash
# Installs the Debian packages a build needs (when missing), then configures and builds.
# Sourced by ./run and ./test. ORVELAN_DRY_RUN=1 prints what would be installed and built.
set -euo pipefail

# What ./run needs to build and start the two programs, orvelan and orvelan-book.
ORVELAN_RUN_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-serialport-dev libgl-dev qtkeychain-qt6-dev libsecret-1-0
    fonts-liberation libicu-dev libsodium-dev libphonenumber-dev nettle-dev
)

# What ./test adds: the test and benchmark libraries, the tools the tests call, the fuzzers'
# compiler, and what the package check uses.
ORVELAN_TEST_PACKAGES=(
    appstream ccache dpkg-dev
    clang libclang-rt-14-dev
    cups-client cups-daemon
    dbus-daemon gnome-keyring
    lighttpd lighttpd-mod-webdav
    libgtest-dev libgmock-dev libbenchmark-dev
    man-db
    openssl radicale xandikos vdirsyncer
    poppler-utils python3 python3-nacl python3-vobject time
    xvfb openbox xdotool
)

# Servers that the tests start on their own, in temporary folders: when this script installs one
# of them, the system-wide service Debian enables with it is stopped and disabled again.
ORVELAN_TEST_ONLY_SERVICES=(lighttpd)

# orvelan_install_packages PACKAGE...
orvelan_install_packages() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    if [ -n "${ORVELAN_DRY_RUN:-}" ]; then
        echo "would install (when missing): $*"
        return 0
    fi
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
    for service in "${ORVELAN_TEST_ONLY_SERVICES[@]}"; do
        [[ " ${missing[*]} " == *" $service "* ]] || continue
        if command -v systemctl >/dev/null && systemctl is-enabled --quiet "$service" 2>/dev/null; then
            "${sudo[@]}" systemctl disable --now "$service" || true
        fi
    done
}

# orvelan_build DIR [cmake options...]: every target, or only those in ORVELAN_TARGETS.
orvelan_build() {
    local dir=$1
    shift
    local targets=()
    [ -n "${ORVELAN_TARGETS:-}" ] && targets=(--target ${ORVELAN_TARGETS})
    if [ -n "${ORVELAN_DRY_RUN:-}" ]; then
        echo "would configure: cmake -S $ORVELAN_ROOT -B $ORVELAN_ROOT/$dir -G Ninja $*"
        echo "would build: cmake --build $ORVELAN_ROOT/$dir ${targets[*]}"
        return 0
    fi
    cmake -S "$ORVELAN_ROOT" -B "$ORVELAN_ROOT/$dir" -G Ninja "$@" >/dev/null
    cmake --build "$ORVELAN_ROOT/$dir" "${targets[@]}"
}

# orvelan_ctest DIR: every test of a built tree, two at a time.
orvelan_ctest() {
    if [ -n "${ORVELAN_DRY_RUN:-}" ]; then
        echo "would test: ctest --test-dir $ORVELAN_ROOT/$1 --output-on-failure -j2"
        return 0
    fi
    ctest --test-dir "$ORVELAN_ROOT/$1" --output-on-failure -j2
}

ORVELAN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
