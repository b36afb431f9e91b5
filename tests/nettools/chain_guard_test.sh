#!/bin/sh
# The chain fixture configures a network only inside namespaces it made itself.
# Run inside a private namespace of its own (in-netns): where the fixture is
# made to stay in a namespace it did not make, it must refuse and configure
# nothing; its own chain runs on the benchmarking range.
#   chain_guard_test.sh <fixtures dir>
fixtures=$1
chain=$fixtures/in-chain
status=0
pass() { echo "PASS: $*"; }
fail() { echo "FAIL: $*"; status=1; }
links() { ip -o link show | sed -n 's/^[0-9]*: \([^:@]*\).*/\1/p' | sort | tr '\n' ' '; }

# Each case: how the namespaces are made, and what the refusal says.
refused() {
    name=$1 unshare=$2 says=$3
    before=$(links)
    out=$(KAVRIN_CHAIN_UNSHARE=$unshare "$chain" sh -c 'echo configured' 2>&1)
    rc=$?
    if [ $rc -eq 3 ] && echo "$out" | grep -q "refusing to configure a network: $says" \
        && ! echo "$out" | grep -q configured\$; then
        pass "$name: refused ($out)"
    else
        fail "$name: rc $rc, said: $out"
    fi
    [ "$(links)" = "$before" ] && pass "$name: nothing configured" || fail "$name: links now $(links), were $before"
}

refused "no namespace made" "env" "still in the network namespace it started in"

# A namespace other than the start, but with an interface of someone else's.
unshare -n sh -c 'ip link add other0 type veth peer name other1 && exec sleep 100000' &
holder=$!
for i in $(seq 1 200); do
    nsenter -t $holder -n ip link show other0 >/dev/null 2>&1 && break
    sleep 0.01
done
refused "a namespace with other interfaces" "nsenter -t $holder -n" "namespace A sees interfaces other than its loopback: other0 other1"
kill $holder

# Its own chain: a namespace of its own, on 198.18.0.0/15 only.
start=$(readlink /proc/self/ns/net)
out=$("$chain" sh -c 'readlink /proc/self/ns/net; ip -o -4 addr show | sed -n "s/.* inet \([0-9./]*\).*/\1/p"' 2>&1)
rc=$?
inner=$(echo "$out" | head -n 1)
addrs=$(echo "$out" | tail -n +2 | sort | tr '\n' ' ')
[ $rc -eq 0 ] && [ -n "$inner" ] && [ "$inner" != "$start" ] && pass "own chain in $inner" ||
    fail "own chain: rc $rc, namespace $inner (started in $start): $out"
[ "$addrs" = "127.0.0.1/8 198.18.100.2/24 " ] && pass "addresses $addrs" || fail "addresses: $addrs"
exit $status
