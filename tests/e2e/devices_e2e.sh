#!/bin/sh
# End to end, as a person would use it: the built application and the
# simulator program in a network namespace and an X server of their own; a
# search from the add menu, the second controller opened, its third channel
# clicked until it switches on. Passes when that controller, and no other,
# receives the switch-on request.
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
# page; controller cells are 320x128 in one column and channel cells 160x160
# in three, from the body's top. The second controller's cell and the third
# channel's lie where the other page has nothing, so a click that lands on
# the wrong page does nothing.
add_button_x=447
add_button_y=32
search_entry_x=240
search_entry_y=350
controller_x=240
controller_y=257
channel_x=400
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

# The list as saved, in the order shown: the second controller's addresses.
second_addresses() {
    python3 -c 'import json, sys
c = json.load(open(sys.argv[1])).get("NORVALEO_DIMMER_2", {})
print(c.get("ipAddress_1", ""), c.get("ipAddress_2", ""))' "$work/settings/settings.json" 2>/dev/null
}
saved_three() {
    grep -q '"NORVALEO_DIMMER_3"' "$work/settings/settings.json" 2>/dev/null
}
wait_for 100 saved_three || fail "the found controllers were not saved"
set -- $(second_addresses)
[ "$#" -eq 2 ] || fail "no addresses for the second controller"
wired=$1
wifi=$2

channel_requests() { # value
    grep "^request 127\.0\.0\.[0-9]* /api?request_type=set&item_type=light_brightness&ch_3=$1\$" \
        "$work/simulator.log" || true
}
to_second() { # value
    channel_requests "$1" | grep -qE "^request ($wired|$wifi) "
}

# Open the second controller and click its third channel until the channel
# is on there; a channel that is already lit switches off first.
for attempt in 1 2 3 4 5 6 7 8; do
    click $controller_x $controller_y
    click $channel_x $channel_y
    wait_for 30 to_second 255 && break
done
kill -0 "$app" || fail "the application ended"
! channel_requests '[0-9]*' | grep -vqE "^request ($wired|$wifi) " ||
    fail "a channel of another controller than the one clicked was switched"
to_second 255 || fail "the second controller did not receive ch_3=255"
echo "PASS: $(channel_requests 255 | head -n 1)"
