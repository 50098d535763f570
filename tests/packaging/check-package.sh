#!/usr/bin/env bash
# Builds the Debian package from a built tree and checks what a distribution checks: the files it
# installs, its description, its AppStream metadata, its manual pages, and that the installed
# programs carry no path of the build.
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/*.deb)

dpkg-deb -I "$deb" >"$work/info"
grep -q '^ Description: enciphered address book' "$work/info" || fail "short description"
[ "$(sed -n '/^ Description:/,$p' "$work/info" | wc -l)" -ge 10 ] || fail "long description"
grep -q '^ Homepage: ' "$work/info" || fail "homepage"

dpkg-deb -c "$deb" | awk '{ print $6 }' >"$work/contents"
for path in usr/bin/orvelan usr/bin/orvelan-book \
    usr/share/man/man1/orvelan.1 usr/share/man/man1/orvelan-book.1 \
    usr/share/bash-completion/completions/orvelan-book \
    usr/share/doc/orvelan/copyright usr/share/doc/orvelan/changelog.Debian.gz \
    usr/share/metainfo/org.example.orvelan.metainfo.xml usr/share/applications/orvelan.desktop \
    usr/share/icons/hicolor/scalable/apps/orvelan.svg usr/share/orvelan/help/index.htm; do
    grep -qx "./$path" "$work/contents" || fail "the package lacks /$path"
done
module=$(grep -xE '\./usr/lib/([^/]+/)?orvelan/orvelan-book-desktop\.so' "$work/contents") ||
    fail "the package lacks the tool's desktop module"
phones=$(grep -xE '\./usr/lib/([^/]+/)?orvelan/orvelan-phone-numbers\.so' "$work/contents") ||
    fail "the package lacks the tool's telephone number module"

root=$work/root
dpkg-deb -x "$deb" "$root"
appstreamcli validate --no-net "$root"/usr/share/metainfo/org.example.orvelan.metainfo.xml ||
    fail "AppStream metadata"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/usr/share/applications/orvelan.desktop" || fail "desktop file"
fi
gzip -t "$root/usr/share/doc/orvelan/changelog.Debian.gz" || fail "changelog"

# Installed programs find their help in their prefix only: no build or source path inside.
for program in usr/bin/orvelan usr/bin/orvelan-book "$module" "$phones"; do
    if grep -aq -e "$source" -e "$build" "$root/$program"; then
        fail "$program holds a build path"
    fi
done
"$root/usr/bin/orvelan-book" --version | grep -qx 'orvelan-book [0-9.]*' || fail "orvelan-book --version"
# The installed tool finds its module: a sync goes as far as the (absent) server.
mkdir "$work/home"
synced=$("$root/usr/bin/orvelan-book" --home "$work/home" sync --url http://127.0.0.1:9/ \
    --allow-plain-http 2>&1) && fail "a sync with no server succeeded"
[[ $synced == *"Cannot reach the server"* ]] || fail "orvelan-book sync: $synced"
# And its telephone number module: a number is found in another form.
"$root/usr/bin/orvelan-book" --home "$work/home" add Name=Ann Phone1="01234 567890" >/dev/null
[[ $("$root/usr/bin/orvelan-book" --home "$work/home" search --in phone "+44 1234 567890") == \
    *Ann* ]] || fail "orvelan-book search --in phone"
"$root/usr/bin/orvelan" --version | grep -qx 'orvelan [0-9.]*' || fail "orvelan --version"

# The manual pages format without warnings.
for page in orvelan orvelan-book; do
    warnings=$(MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$page.1" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man $page: $warnings"
done

# The completion offers the tool's commands and a command's options.
complete_words() {
    PATH="$root/usr/bin:$PATH" bash -c '
        source "$1"; shift
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
        _orvelan_book; echo "${COMPREPLY[*]}"' _ "$root/usr/share/bash-completion/completions/orvelan-book" "$@"
}
[[ " $(complete_words orvelan-book que) " == *" query "* ]] || fail "completion of commands"
[[ " $(complete_words orvelan-book --home /tmp settings --) " == *" --show-password "* ]] ||
    fail "completion of options"
echo "package checked: $(basename "$deb")"
