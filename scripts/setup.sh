#!/usr/bin/env bash
# Installs the Debian packages the build needs (when missing), then configures and builds.
# Sourced by ./run and ./test.
set -euo pipefail

ORVELAN_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-serialport-dev libgl-dev qtkeychain-qt6-dev
    libgtest-dev libgmock-dev libbenchmark-dev libicu-dev
    fonts-liberation poppler-utils python3 python3-vobject time radicale openssl
    clang libclang-rt-14-dev
)

orvelan_install_packages() {
    local missing=()
    for package in "${ORVELAN_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# orvelan_build DIR [cmake options...]
orvelan_build() {
    local dir=$1
    shift
    cmake -S "$ORVELAN_ROOT" -B "$ORVELAN_ROOT/$dir" -G Ninja "$@" >/dev/null
    cmake --build "$ORVELAN_ROOT/$dir"
}

ORVELAN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
