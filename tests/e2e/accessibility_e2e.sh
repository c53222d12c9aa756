#!/bin/sh
# The window read through AT-SPI, the interface screen readers use: the built
# application and the simulator in a network namespace, with an X server, a
# session bus and an accessibility bus of their own; atspi_check.py walks the
# window as an accessibility client.
# Usage (scripts/netns-run wraps it): accessibility_e2e.sh <NorvaleoDimmer> <norvaleo-simulator>
set -eu
if [ -z "${NORVALEO_A11Y_SESSION:-}" ]; then
    NORVALEO_A11Y_SESSION=1 exec dbus-run-session -- "$0" "$@"
fi

here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
pids=""
cleanup() {
    status=$?
    for pid in $pids; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
    [ "$status" -eq 0 ] || tail -n 20 "$work/app.log" || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
fail() { echo "FAIL: $*"; exit 1; }
wait_for() { # <tenths of a second> <command...>
    n=$1; shift
    until "$@"; do n=$((n - 1)); [ "$n" -gt 0 ] || return 1; sleep 0.1; done
}

Xvfb -displayfd 3 -screen 0 1024x900x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids="$!"
wait_for 100 test -s "$work/display" || fail "Xvfb did not start"
DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export DISPLAY QT_QPA_PLATFORM QT_LINUX_ACCESSIBILITY_ALWAYS_ON XDG_RUNTIME_DIR

"$2" --count 2 --channels 3 >"$work/simulator.log" 2>&1 &
pids="$! $pids"
wait_for 100 grep -qs '^ready: 2 controllers' "$work/simulator.log" || fail "simulator did not start"
# A copy of the binary keeps its settings file in the temporary directory.
cp "$1" "$work/NorvaleoDimmer"
"$work/NorvaleoDimmer" >"$work/app.log" 2>&1 &
pids="$! $pids"
timeout 60 xdotool search --sync --onlyvisible --name '^NorvaleoDimmer v' >/dev/null ||
    fail "no application window"

# Started once the window is up, Qt finds the bus through the session
# bus and registers after its connection is made; a bus already running when
# it starts may see it register too early and stay unseen.
/usr/libexec/at-spi-bus-launcher --launch-immediately --a11y=1 >/dev/null 2>&1 &
pids="$! $pids"
/usr/bin/python3 "$here/atspi_check.py"
