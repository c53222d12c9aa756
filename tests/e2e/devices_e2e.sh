#!/bin/sh
# End to end, as a person would use it: the built application and the
# simulator program in a network namespace and an X server of their own; a
# search from the add menu, the first controller opened, its first channel
# clicked until it switches on. Passes when a simulated controller receives
# the switch-on request.
# Usage (scripts/netns-run wraps it): devices_e2e.sh <NorvaleoDimmer> <norvaleo-simulator>
set -eu

app_binary=$1
simulator_binary=$2

work=$(mktemp -d)
app=""
simulator=""
xvfb=""
stop() { # pid
    if [ -n "$1" ]; then
        kill "$1" 2>/dev/null || true
        wait "$1" 2>/dev/null || true
    fi
}
cleanup() {
    status=$?
    stop "$app"
    stop "$simulator"
    stop "$xvfb"
    if [ "$status" -ne 0 ]; then
        echo "--- simulator log (last lines)"; tail -n 20 "$work/simulator.log" || true
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

greetings() {
    grep -c '^greeting ' "$work/simulator.log" || true
}

switched_on() {
    grep -q '^request 127\.0\.0\.[0-9]* /api?request_type=set&item_type=light_brightness&ch_1=255$' \
        "$work/simulator.log"
}

click() { # x y, relative to the window
    xdotool mousemove --window "$window" "$1" "$2" click 1
}

# The pointer is shared by everything on a display, so the clicks get an X
# server of their own; Xvfb picks a free display number itself.
Xvfb -displayfd 3 -screen 0 1024x900x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
wait_for 100 test -s "$work/display" || fail "Xvfb did not start"
DISPLAY=":$(cat "$work/display")"
QT_QPA_PLATFORM=xcb
export DISPLAY QT_QPA_PLATFORM

# A copy of the binary keeps its settings file in the temporary directory.
cp "$app_binary" "$work/NorvaleoDimmer"

"$simulator_binary" --count 3 --channels 4 --log >"$work/simulator.log" 2>&1 &
simulator=$!
wait_for 100 grep -q '^ready: 3 controllers' "$work/simulator.log" || fail "simulator did not start"

"$work/NorvaleoDimmer" >"$work/app.log" 2>&1 &
app=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^NorvaleoDimmer v' | head -n 1)
[ -n "$window" ] || fail "no application window"
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" = 480 ] && [ "$HEIGHT" = 830 ] || fail "window is ${WIDTH}x${HEIGHT}, not 480x830"

# Layout at 480x830: header 65 high with the add button 10 from the right;
# under it the page's 705 high body, above the 60 high tab bar; the add menu
# (290x135, padding 15, entries 35 high) is centred in the whole 770 high
# page; controller cells are 320x128 and channel cells 160x160 from the
# body's top.
add_button_x=447
add_button_y=32
search_entry_x=240
search_entry_y=350
controller_x=160
controller_y=129
channel_x=45
channel_y=125

# Search from the add menu; the window may still be loading its page, so
# try again until the simulated controllers are greeted.
searched=""
for attempt in 1 2 3 4 5; do
    sleep 1
    click $add_button_x $add_button_y
    sleep 0.5
    click $search_entry_x $search_entry_y
    if wait_for 30 test "$(greetings)" -gt 0; then
        searched=yes
        break
    fi
    xdotool key --window "$window" Escape
done
[ -n "$searched" ] || fail "the search did not start"

# The search greets every 800 ms; when the greetings stop it has ended and the
# waiting box is gone.
last=$(greetings)
quiet=0
rounds=0
while [ "$quiet" -lt 25 ]; do
    sleep 0.1
    now=$(greetings)
    if [ "$now" = "$last" ]; then quiet=$((quiet + 1)); else quiet=0; last=$now; fi
    rounds=$((rounds + 1))
    [ "$rounds" -lt 400 ] || fail "the search did not end"
done
sleep 0.5

click $controller_x $controller_y
sleep 1.5

# A channel that is already lit switches off first; the next click switches
# it on.
for attempt in 1 2 3 4 5; do
    click $channel_x $channel_y
    if wait_for 30 switched_on; then
        kill -0 "$app" || fail "the application ended"
        echo "PASS: $(grep -m 1 'ch_1=255$' "$work/simulator.log")"
        exit 0
    fi
done
fail "no controller received ch_1=255"
