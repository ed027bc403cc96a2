#!/bin/sh
# FennmereSetup --help, --version and a mistyped option, with no display at
# all: answered on the terminal, with their exit statuses.
#   nodisplay_test.sh PROGRAM VERSION
app=$1
version=$2
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
fail() { echo "FAIL: $*"; exit 1; }
out=$("$app" --version) || fail "--version exits $?"
[ "$out" = "FennmereSetup $version" ] || fail "--version printed '$out'"
out=$("$app" --help) || fail "--help exits $?"
case $out in "usage: FennmereSetup"*) ;; *) fail "--help printed '$out'" ;; esac
err=$("$app" --bogus 2>&1 >/dev/null)
status=$?
[ $status -eq 2 ] || fail "--bogus exits $status"
case $err in *"Unknown option 'bogus'"*) ;; *) fail "--bogus said '$err'" ;; esac
echo "ok"
