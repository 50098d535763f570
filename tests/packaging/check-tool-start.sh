#!/usr/bin/env bash
# orvelan-book starts on Qt Core alone, and finds its modules (Qt Gui, Qt Network and the keyring;
# libphonenumber) beside itself when a command needs them. Without the telephone number module,
# the commands that compare numbers stop with one line naming it and write nothing.
set -euo pipefail
tool=$1
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
needed=$(readelf -d "$tool" | grep NEEDED) || fail "readelf $tool"
if grep -E 'Qt6(Gui|Network|DBus)|keychain|phonenumber|protobuf|absl' <<<"$needed"; then
    fail "orvelan-book needs the libraries above at every start"
fi
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
said=$("$tool" --home "$home" sync --url http://127.0.0.1:9/ --allow-plain-http 2>&1) &&
    fail "a sync with no server succeeded"
[[ $said == *"Cannot reach the server"* ]] || fail "orvelan-book sync: $said"

book=$home/book
mkdir "$book" "$home/bin"
"$tool" --home "$book" add Name=Ann Phone1="01234 567890" >/dev/null
"$tool" --home "$book" add Name=Ann Phone1="+44 1234 567890" >/dev/null
[[ $("$tool" --home "$book" search --in phone "+44 1234 567890" | wc -l) == 2 ]] ||
    fail "a number in another form is not found"
printf 'Name,Home Phone\nAnn,+44 1234 567890\n' >"$home/in.csv"
cp "$tool" "$home/bin/orvelan-book"
alone=$home/bin/orvelan-book
files() { (cd "$1" && find . -type f -exec md5sum {} + | sort); }
refused() { # BOOK COMMAND...: the tool alone says it needs the module, and writes nothing
    local before status=0 said
    before=$(files "$1")
    said=$("$alone" --home "$@" 2>&1) || status=$?
    [[ $status == 1 && $said == "orvelan-book: Cannot load "*"/orvelan-phone-numbers.so: "* &&
        $(wc -l <<<"$said") == 1 ]] || fail "without the module, ${*:2}: $status $said"
    [[ $(files "$1") == "$before" ]] || fail "without the module, ${*:2} wrote"
}
for command in "search --in phone 567890" "search --all-fields 567890" duplicates "merge A 1 A 2" \
    "import $home/in.csv"; do
    refused "$book" $command
done
# A merging import that gives 300 pages e-mail addresses before it reads a number, under a
# locale without a territory (where the home region falls back to GB).
merging=$home/merging
mkdir "$merging"
awk 'BEGIN { print "Name"; for (i = 1; i <= 300; i++) print "Pat Person" i }' >"$home/pats.csv"
"$tool" --home "$merging" import "$home/pats.csv" >/dev/null
"$tool" --home "$merging" add Name="Zed Zulu" Phone1="01234 567890" >/dev/null
awk 'BEGIN { print "Name,E-mail,Home Phone"; for (i = 1; i <= 300; i++)
    print "Pat Person" i ",pat" i "@example.org,"; print "Zed Zulu,,0999 111222" }' >"$home/more.csv"
LC_ALL=C refused "$merging" import "$home/more.csv" --duplicates merge
"$alone" --home "$book" export csv "$home/out.csv" >/dev/null || fail "export without the module"
"$alone" --home "$book" search --all-fields Ann >/dev/null || fail "a name found without the module"
echo "orvelan-book starts on Qt Core and finds its modules"
