#!/usr/bin/env bash
# orvelan-book starts on Qt Core alone, and finds its desktop module (Qt Gui, Qt Network, the
# keyring) beside itself when a command needs it.
set -euo pipefail
tool=$1
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
needed=$(readelf -d "$tool" | grep NEEDED) || fail "readelf $tool"
if grep -E 'Qt6(Gui|Network|DBus)|keychain' <<<"$needed"; then
    fail "orvelan-book needs the libraries above at every start"
fi
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
said=$("$tool" --home "$home" sync --url http://127.0.0.1:9/ --allow-plain-http 2>&1) &&
    fail "a sync with no server succeeded"
[[ $said == *"Cannot reach the server"* ]] || fail "orvelan-book sync: $said"
echo "orvelan-book starts on Qt Core and finds its module"
