#!/usr/bin/env bash
# ./run installs and builds only what the two programs need; the test libraries and test
# programs are left to ./test.
set -euo pipefail
source=$1
plan=$(ORVELAN_DRY_RUN=1 "$source/run")
echo "$plan"
install=$(grep '^would install' <<<"$plan")
build=$(grep '^would build' <<<"$plan")
for package in libgtest-dev libgmock-dev libbenchmark-dev clang; do
    if grep -qw -- "$package" <<<"$install"; then
        echo "FAIL: ./run installs $package" >&2
        exit 1
    fi
done
[[ $build == *"--target orvelan orvelan-book" ]] || { echo "FAIL: ./run builds more" >&2; exit 1; }
grep -q -- '-DORVELAN_TESTS=OFF' <<<"$plan" || { echo "FAIL: ./run configures tests" >&2; exit 1; }
