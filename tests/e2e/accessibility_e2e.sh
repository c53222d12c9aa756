#!/bin/sh
# The application read through AT-SPI, the interface screen readers use: the
# built application and the simulator program in a network namespace, an X
# server, a session bus and the accessibility bus of their own; atspi_check.py
# then walks the window as an accessibility client and fails on any showing
# control without a name.
# Usage (scripts/netns-run wraps it): accessibility_e2e.sh <NorvaleoDimmer> <norvaleo-simulator>
set -eu

# Everything below runs on a session bus of its own.
if [ -z "${NORVALEO_A11Y_SESSION:-}" ]; then
    NORVALEO_A11Y_SESSION=1 exec dbus-run-session -- "$0" "$@"
fi

app_binary=$1
simulator_binary=$2
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d)
app=""
simulator=""
xvfb=""
launcher=""
stop() { # pid
    if [ -n "$1" ]; then
        kill "$1" 2>/dev/null || true
        wait "$1" 2>/dev/null || true
    fi
}
cleanup() {
    status=$?
    stop "$app"
    stop "$launcher"
    stop "$simulator"
    stop "$xvfb"
    if [ "$status" -ne 0 ]; then
        echo "--- application log"; tail -n 20 "$work/app.log" || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
    echo "FAIL: $*"
    exit 1
}

# wait_for <tenths of a second> <command...>
wait_for() {
    limit=$1
    shift
    n=0
    until "$@"; do
        n=$((n + 1))
        [ "$n" -lt "$limit" ] || return 1
        sleep 0.1
    done
}

Xvfb -displayfd 3 -screen 0 1024x900x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
wait_for 100 test -s "$work/display" || fail "Xvfb did not start"
DISPLAY=":$(cat "$work/display")"
QT_QPA_PLATFORM=xcb
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export DISPLAY QT_QPA_PLATFORM QT_LINUX_ACCESSIBILITY_ALWAYS_ON XDG_RUNTIME_DIR

"$simulator_binary" --count 2 --channels 3 >"$work/simulator.log" 2>&1 &
simulator=$!
wait_for 100 grep -q '^ready: 2 controllers' "$work/simulator.log" || fail "simulator did not start"

# A copy of the binary keeps its settings file in the temporary directory.
cp "$app_binary" "$work/NorvaleoDimmer"
"$work/NorvaleoDimmer" >"$work/app.log" 2>&1 &
app=$!

timeout 60 xdotool search --sync --onlyvisible --name "^NorvaleoDimmer v" >/dev/null || fail "no application window"
# The accessibility bus starts once the window is up: Qt 5.15 finds it
# through the session bus then, and registers only after its connection is
# made (asked while the bus already runs, it may register too early and stay
# unseen).
/usr/libexec/at-spi-bus-launcher --launch-immediately --a11y=1 >"$work/launcher.log" 2>&1 &
launcher=$!

/usr/bin/python3 "$here/atspi_check.py"
