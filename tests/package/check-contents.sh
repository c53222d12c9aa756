#!/bin/sh
# The package holds exactly what `cmake --install` installs, nothing more.
# Usage: check-contents.sh <package build dir>
set -eu
build=$1
deb=$(ls "$build"/*.deb)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

DESTDIR="$tmp/root" cmake --install "$build" --prefix /usr >/dev/null
(cd "$tmp/root" && find . ! -type d | sort) >"$tmp/installed"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort >"$tmp/packaged"
if ! diff -u "$tmp/installed" "$tmp/packaged"; then
    echo "FAIL: the package and the install rules differ (- installed only, + packaged only)"
    exit 1
fi
echo "PASS: $(wc -l <"$tmp/packaged") files, the same as cmake --install"
