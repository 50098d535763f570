#!/usr/bin/env bash
# Runs a command inside a private D-Bus session with an unlocked GNOME keyring of its own, as a
# desktop session would have, and ends both afterwards. Without dbus-run-session or
# gnome-keyring-daemon the command runs with ORVELAN_NO_KEYRING set, so its tests skip.
set -euo pipefail
if ! command -v dbus-run-session >/dev/null || ! command -v gnome-keyring-daemon >/dev/null; then
    echo "with-keyring: dbus-run-session or gnome-keyring-daemon is missing; keyring tests skip"
    ORVELAN_NO_KEYRING=1 exec "$@"
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/runtime" "$scratch/home"
export XDG_RUNTIME_DIR="$scratch/runtime" XDG_DATA_HOME="$scratch/home"
# The keyring daemon ends with the session bus.
dbus-run-session -- bash -c '
    printf "%s" keyring-test-unlock | gnome-keyring-daemon --unlock --components=secrets \
        --daemonize >/dev/null
    exec "$@"' with-keyring "$@"
