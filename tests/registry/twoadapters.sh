#!/bin/sh
# Two adapters: the default route on the bridge of scripts/netns-run, and a
# veth pair to a network namespace of its own where one simulated controller
# listens on 10.77.0.10 and .11 (a /24). A greeting to 255.255.255.255 leaves
# by the bridge; only the directed broadcast 10.77.0.255 reaches the
# controller. Passes when a search of the root model finds and polls it.
# Usage (scripts/netns-run wraps it): twoadapters.sh <tst_twoadapters> <norvaleo-simulator>
set -eu

test_binary=$1
simulator_binary=$2

work=$(mktemp -d)
simulator=""
cleanup() {
    status=$?
    if [ -n "$simulator" ]; then
        kill "$simulator" 2>/dev/null || true
        wait "$simulator" 2>/dev/null || true
    fi
    if [ "$status" -ne 0 ]; then
        echo "--- simulator log"
        cat "$work/simulator.log" || true
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

ip route get 255.255.255.255 | grep -q 'dev nvbr0' ||
    fail "the limited broadcast should leave by the bridge"

ip link add nvhost type veth peer name nvctl
ip addr add 10.77.0.1/24 broadcast 10.77.0.255 dev nvhost
ip link set nvhost up

# unshare makes the namespace and then runs the shell in the same process,
# which waits there for its end of the pair.
unshare -n sh -c '
    until ip link show nvctl >/dev/null 2>&1; do sleep 0.1; done
    ip link set lo up
    ip addr add 10.77.0.10/24 broadcast 10.77.0.255 dev nvctl
    ip addr add 10.77.0.11/24 broadcast 10.77.0.255 dev nvctl
    ip link set nvctl up
    exec "$0" --count 1 --channels 2 --first-address 10.77.0.10 --log
' "$simulator_binary" >"$work/simulator.log" 2>&1 &
simulator=$!

own_namespace=$(readlink /proc/self/ns/net)
in_other_namespace() {
    namespace=$(readlink "/proc/$simulator/ns/net" 2>/dev/null) &&
        [ "$namespace" != "$own_namespace" ]
}
wait_for 100 in_other_namespace || fail "the simulator's namespace did not appear"
ip link set nvctl netns "$simulator"
wait_for 100 grep -q '^ready:' "$work/simulator.log" || fail "the simulator did not start"

"$test_binary"

grep -q '^greeting 10\.77\.0\.1 answered by NV0A4D000A$' "$work/simulator.log" ||
    fail "the greeting did not come from the second adapter"
grep -q '^request 10\.77\.0\.10 /api?request_type=get&item_type=system_info' \
    "$work/simulator.log" || fail "the controller was not polled at its wired address"
