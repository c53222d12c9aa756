#!/bin/sh
# Two adapters: the default route on the bridge of scripts/netns-run, and a
# veth pair to a namespace of its own where one simulated controller listens on
# 10.77.0.10 and .11 (/24). 255.255.255.255 leaves by the bridge; only the
# directed broadcast 10.77.0.255 reaches the controller.
# Usage (scripts/netns-run wraps it): twoadapters.sh <tst_twoadapters> <norvaleo-simulator>
set -eu
log=$(mktemp)
simulator=""
cleanup() {
    status=$?
    [ -z "$simulator" ] || kill "$simulator" 2>/dev/null || true
    [ "$status" -eq 0 ] || cat "$log"
    rm -f "$log"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}
# retry <command...>: for up to 10 s
retry() {
    for _ in $(seq 100); do "$@" && return 0 || sleep 0.1; done
    return 1
}

ip route get 255.255.255.255 | grep -q 'dev nvbr0' || fail "limited broadcast not on the bridge"
ip link add nvhost type veth peer name nvctl
ip addr add 10.77.0.1/24 broadcast 10.77.0.255 dev nvhost
ip link set nvhost up
# unshare runs the shell in its own process, which waits for its end of the pair.
unshare -n sh -c 'until ip link show nvctl >/dev/null 2>&1; do sleep 0.1; done
    ip link set lo up
    ip addr add 10.77.0.10/24 broadcast 10.77.0.255 dev nvctl
    ip addr add 10.77.0.11/24 broadcast 10.77.0.255 dev nvctl
    ip link set nvctl up
    exec "$0" --count 1 --channels 2 --first-address 10.77.0.10 --log' "$2" >"$log" 2>&1 &
simulator=$!
moved() { [ "$(readlink "/proc/$simulator/ns/net")" != "$(readlink /proc/self/ns/net)" ]; }
retry moved || fail "no namespace for the simulator"
ip link set nvctl netns "$simulator"
retry grep -q '^ready:' "$log" || fail "the simulator did not start"

"$1"
grep -q '^greeting 10\.77\.0\.1 answered by NV0A4D000A$' "$log" || fail "no greeting from nvhost"
grep -q '^request 10\.77\.0\.10 /api?request_type=get&item_type=system_info' "$log" ||
    fail "not polled at its wired address"
